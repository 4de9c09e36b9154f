#!/bin/bash
# Builds the tests under sanitizers with clang-14, each sanitizer in its own build tree, runs them
# and runs the fuzzers for a bounded time. Any sanitizer report or fuzzer crash fails the script.
#   build-asan: AddressSanitizer with UndefinedBehaviorSanitizer. The unit tests, the host tests
#               (with the VST3 bundle of the same tree) and the libFuzzer targets; the whole tree
#               carries libFuzzer's coverage instrumentation so the fuzzers share its objects.
#   build-tsan: ThreadSanitizer. The concurrency tests: another thread processing while the
#               message thread runs the editor, saves and restores state and moves parameters.
# Options in the environment: HOLLOWMERE_FUZZ_SECONDS (default 60), HOLLOWMERE_SANITIZER_STEPS
# (default "asan fuzz tsan", empty for none; fuzz runs what the asan step built).
set -euo pipefail
cd "$(dirname "$0")/.."

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
jobs="$(nproc)"
fuzz_seconds="${HOLLOWMERE_FUZZ_SECONDS:-60}"
steps="${HOLLOWMERE_SANITIZER_STEPS-asan fuzz tsan}"

# -O1 keeps the sanitized trees quick to compile and the reports readable; line tables are enough
# for symbolized stacks.
configure() # <build dir> <sanitizer flags> [cmake options...]
{
    local dir="$1" flags="$2 -fno-omit-frame-pointer -gline-tables-only"
    shift 2
    cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG" \
        -DHOLLOWMERE_BUILD_TOOLS=OFF -DHOLLOWMERE_BUILD_BENCHMARKS=OFF \
        "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" "$@"
}

step() { echo "sanitizers: $* ($(date +%T))"; }

asan_flags="-fsanitize=address,undefined -fno-sanitize-recover=all"
asan_runtime="$(clang-14 -print-file-name=libclang_rt.asan-x86_64.so)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

for s in $steps; do
    case "$s" in
    asan)
        step "AddressSanitizer and UndefinedBehaviorSanitizer: unit and host tests"
        # The plug-in module links with --no-undefined, so every target takes the runtime as a
        # shared library, found through the run path.
        link="-fsanitize=address,undefined -shared-libasan -Wl,-rpath,$(dirname "$asan_runtime")"
        configure build-asan "$asan_flags -fsanitize=fuzzer-no-link" \
            -DHOLLOWMERE_BUILD_FUZZERS=ON \
            "-DCMAKE_EXE_LINKER_FLAGS=$link" "-DCMAKE_SHARED_LINKER_FLAGS=$link" \
            "-DCMAKE_MODULE_LINKER_FLAGS=$link"
        cmake --build build-asan -j "$jobs" --target hollowmere_tests hollowmere_host_tests \
            hollowmere_StateRestoreFuzzer hollowmere_ProcessBlockFuzzer hollowmere_fuzz_seeds
        build-asan/tests/hollowmere_tests
        build-asan/tests/hollowmere_host_tests
        ;;
    fuzz)
        step "libFuzzer targets, ${fuzz_seconds} s each"
        corpus="build-asan/corpus"
        rm -rf "$corpus"
        build-asan/tests/fuzz/hollowmere_fuzz_seeds "$corpus/state" "$corpus/process" "$corpus/large"
        # The fuzzers keep allocations alive across inputs on purpose (one processor per process),
        # and libFuzzer's own start-up wants the shared runtime loaded before everything else.
        # Inputs that once failed, blocks of 16 MiB, then the mutations. A release build restores or
        # ignores each large block within a second; the sanitized build gets three for its overhead.
        export LD_PRELOAD="$asan_runtime" ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
        build-asan/tests/fuzz/hollowmere_StateRestoreFuzzer tests/fuzz/regressions/state-*
        build-asan/tests/fuzz/hollowmere_StateRestoreFuzzer -timeout=3 -rss_limit_mb=4096 "$corpus"/large/*
        # A fixed seed makes a run repeatable: a failure in CI comes back the same way locally.
        build-asan/tests/fuzz/hollowmere_StateRestoreFuzzer -seed=1 -max_total_time="$fuzz_seconds" \
            -max_len=65536 -timeout=1 -print_final_stats=1 "$corpus/state"
        build-asan/tests/fuzz/hollowmere_ProcessBlockFuzzer -seed=1 -max_total_time="$fuzz_seconds" \
            -max_len=65536 -timeout=1 -print_final_stats=1 "$corpus/process"
        ;;
    tsan)
        unset LD_PRELOAD
        step "ThreadSanitizer: the concurrency tests"
        configure build-tsan "-fsanitize=thread" \
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread"
        cmake --build build-tsan -j "$jobs" --target hollowmere_tests
        build-tsan/tests/hollowmere_tests --gtest_filter='*WhileAnotherThread*:*WhileTheProcessorRuns*'
        ;;
    *)
        echo "sanitizers: unknown step $s" >&2
        exit 2
        ;;
    esac
done

step "no sanitizer report"
