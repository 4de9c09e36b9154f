#!/bin/bash
# Checks the built LV2 bundle with the tools LV2 hosts are built on: lilv lists it with its ports,
# and jalv instantiates it and runs it for a second inside a JACK server on the dummy driver (no
# audio hardware, no display). Exits 77 (a skip for ctest) only when a tool is missing.
# Usage: CheckLv2Bundle.sh BUNDLE_DIRECTORY PLUGIN_URI
set -uo pipefail

bundle="$1"
uri="$2"

for tool in lv2ls lv2info jalv jackd jack_lsp timeout; do
    if ! command -v "$tool" > /dev/null; then
        echo "SKIPPED: $tool is missing (Debian packages lilv-utils, jalv, jackd2)"
        exit 77
    fi
done

work="$(mktemp -d)"
jackd_pid=""

cleanup()
{
    if [ -n "$jackd_pid" ]; then
        kill "$jackd_pid" 2> /dev/null
        wait "$jackd_pid" 2> /dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail()
{
    echo "FAILED: $*"
    for log in "$work"/*.log; do
        [ -f "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; }
    done
    exit 1
}

# Only this bundle is visible to lilv, whatever else the machine has installed.
mkdir "$work/lv2"
cp -r "$bundle" "$work/lv2/"
export LV2_PATH="$work/lv2"

[ "$(lv2ls)" = "$uri" ] || fail "lv2ls lists '$(lv2ls)', not $uri"

lv2info "$uri" > "$work/lv2info.log" 2>&1 || fail "lv2info cannot read $uri"

for port in audio_in_1 audio_in_2 audio_in_3 audio_in_4 audio_out_1 audio_out_2; do
    grep -q "Symbol: *$port\$" "$work/lv2info.log" || fail "lv2info shows no port $port"
done

grep -q "Has latency: *yes" "$work/lv2info.log" || fail "lv2info shows no latency port"

# A private server: its own name, no realtime scheduling, no device reservation over D-Bus.
unset DISPLAY
export JACK_DEFAULT_SERVER="hollowmere-lv2-check-$$"
export JACK_NO_AUDIO_RESERVATION=1

timeout 60 jackd --no-realtime -d dummy -r 48000 -p 512 > "$work/jackd.log" 2>&1 &
jackd_pid=$!

for _ in $(seq 50); do
    jack_lsp > /dev/null 2>&1 && break
    kill -0 "$jackd_pid" 2> /dev/null || fail "jackd exited on start"
    sleep 0.1
done

jack_lsp > /dev/null 2>&1 || fail "jackd did not come up within 5 seconds"

# jalv's console runs until its standard input ends: here after two seconds.
(sleep 2) | timeout 30 jalv -x -n hollowmere-check "$uri" > "$work/jalv.log" 2>&1 &
jalv_pid=$!

sleep 1
jack_lsp > "$work/ports.log" 2>&1
wait "$jalv_pid"
status=$?

[ "$status" -eq 0 ] || fail "jalv exited with status $status"
grep -q "^hollowmere-check:audio_out_1\$" "$work/ports.log" || fail "the running plug-in has no JACK port audio_out_1"
grep -qiE "error|fail|unable|cannot" "$work/jalv.log" && fail "jalv reported a problem"

echo "lv2ls and lv2info list $uri; jalv ran it for a second at 48000 Hz, 512-sample blocks"
exit 0
