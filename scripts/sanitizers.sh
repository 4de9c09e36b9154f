#!/bin/bash
# Builds and runs the tests under sanitizers, each in its own build tree, and runs the fuzzers for
# a bounded time. Any sanitizer report or fuzzer crash fails the script.
#   build-asan: unit and host tests with AddressSanitizer and UndefinedBehaviorSanitizer (GCC)
#   build-tsan: the concurrency tests (another thread processing while the message thread runs the
#               editor, restores state and moves parameters) with ThreadSanitizer (GCC)
#   build-fuzz: the libFuzzer targets with AddressSanitizer and UBSan (clang-14)
# Options in the environment: HOLLOWMERE_FUZZ_SECONDS (default 60), HOLLOWMERE_SANITIZER_STEPS
# (default "asan tsan fuzz").
set -euo pipefail
cd "$(dirname "$0")/.."

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
jobs="$(nproc)"
fuzz_seconds="${HOLLOWMERE_FUZZ_SECONDS:-60}"
steps="${HOLLOWMERE_SANITIZER_STEPS:-asan tsan fuzz}"
common=(-DCMAKE_BUILD_TYPE=Release -DHOLLOWMERE_BUILD_TOOLS=OFF -DHOLLOWMERE_BUILD_BENCHMARKS=OFF)

configure() # <build dir> <compiler flags> [cmake options...]
{
    local dir="$1" flags="$2"
    shift 2
    cmake -S . -B "$dir" "${common[@]}" \
        "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" \
        "-DCMAKE_EXE_LINKER_FLAGS=$flags" "-DCMAKE_SHARED_LINKER_FLAGS=$flags" \
        "-DCMAKE_MODULE_LINKER_FLAGS=$flags" "$@"
}

step() { echo "sanitizers: $* ($(date +%T))"; }

for s in $steps; do
    case "$s" in
    asan)
        step "AddressSanitizer and UndefinedBehaviorSanitizer: unit and host tests"
        configure build-asan "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
        cmake --build build-asan -j "$jobs" --target hollowmere_tests hollowmere_host_tests
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
        export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
        build-asan/tests/hollowmere_tests
        build-asan/tests/hollowmere_host_tests
        ;;
    tsan)
        step "ThreadSanitizer: the concurrency tests"
        configure build-tsan "-fsanitize=thread -fno-omit-frame-pointer -g"
        cmake --build build-tsan -j "$jobs" --target hollowmere_host_tests
        TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" build-tsan/tests/hollowmere_host_tests --gtest_filter='*WhileAnotherThread*'
        ;;
    fuzz)
        step "libFuzzer targets, ${fuzz_seconds} s each"
        CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz "${common[@]}" \
            -DHOLLOWMERE_BUILD_TESTS=OFF -DHOLLOWMERE_BUILD_FUZZERS=ON \
            "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g" \
            "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g" \
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
        cmake --build build-fuzz -j "$jobs" --target hollowmere_StateRestoreFuzzer hollowmere_ProcessBlockFuzzer hollowmere_fuzz_seeds
        corpus="build-fuzz/corpus"
        build-fuzz/tests/fuzz/hollowmere_fuzz_seeds "$corpus/state" "$corpus/process" "$corpus/large"
        export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
        export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
        # Inputs that once failed, blocks of 16 MiB (each restored or ignored within a second), then
        # the mutations.
        build-fuzz/tests/fuzz/hollowmere_StateRestoreFuzzer tests/fuzz/regressions/state-*
        build-fuzz/tests/fuzz/hollowmere_StateRestoreFuzzer -timeout=1 -rss_limit_mb=4096 "$corpus"/large/*
        build-fuzz/tests/fuzz/hollowmere_StateRestoreFuzzer -max_total_time="$fuzz_seconds" \
            -max_len=65536 -timeout=1 -print_final_stats=1 "$corpus/state"
        build-fuzz/tests/fuzz/hollowmere_ProcessBlockFuzzer -max_total_time="$fuzz_seconds" \
            -max_len=65536 -timeout=1 -print_final_stats=1 "$corpus/process"
        ;;
    *)
        echo "sanitizers: unknown step $s" >&2
        exit 2
        ;;
    esac
done

step "no sanitizer report"
