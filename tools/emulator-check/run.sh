#!/usr/bin/env bash
# Three small 32-bit programs with no code of ours that fail under Debian
# 12's emulator for i386 programs (qemu 7.2; the second not every time) and
# pass under 10.0, as natively: a call that a 64-bit COM server refuses (rejclient.c against
# rejserver.c), 3000 calls through a proxy to an object of another process
# (dcomloop.c), and a thread reading its own thread id while others start,
# join and suspend threads (churn.c). Builds them with MinGW-w64 into
# build/emulator-check/ and runs them with Wine, in a prefix there, under
# whatever emulator binfmt_misc has for i386 programs (natively where none),
# with a line "passed" or "FAILED" each. Not part of the tests: it shows
# whether an emulator runs 32-bit Wine soundly.
#   tools/emulator-check/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
sources=$root/tools/emulator-check
out=$root/build/emulator-check

if [ "${MARSITEL_CHECK_UNDER_XVFB:-}" != 1 ]; then
    MARSITEL_CHECK_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
source "$root/scripts/wine-env.sh"

mkdir -p "$out"
compile() {
    "$1-w64-mingw32-gcc-posix" -O2 -Wall -Wextra -Werror -static -o "$out/$2.exe" "$sources/$2.c" \
        -lole32 -loleaut32 -luuid
}
compile x86_64 rejserver
for program in rejclient dcomloop churn; do compile i686 "$program"; done

case $(wine_32bit_mode) in
    emulated) echo "32-bit programs run under $(i386_emulators | while read -r e; do emulator_version "$e"; done)" ;;
    native) echo "32-bit programs run natively: binfmt_misc has no emulator for them" ;;
    none) echo "32-bit programs cannot run here: the kernel runs no 32-bit code, and binfmt_misc has no emulator for them" >&2
          exit 1 ;;
esac
wine_prefix_up "$out"
trap wine_prefix_down EXIT
wine_crash_debugger_off

passed=0 failed=0
# check WHAT PROGRAM [ARGUMENT...]: runs PROGRAM.exe, its output indented,
# and counts it passed when it ends with exit code 0 within five minutes
# (7.2 takes one of them to start a 32-bit Wine process).
check() {
    local what=$1 program=$2 status=0; shift 2
    echo "--- $what"
    timeout -k 10 300 bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$out/$program.exe" "$@" \
        >"$out/$program.out" 2>&1 || status=$?
    awk '{ print "  " $0 }' "$out/$program.out"
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        echo "--- $what: passed"
    else
        failed=$((failed + 1))
        echo "--- $what: FAILED (exit code $status)"
    fi
}

bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$out/rejserver.exe" >"$out/rejserver.out" 2>&1 &
server=$!
for _ in $(seq 1 150); do grep -q serving "$out/rejserver.out" && break; sleep 0.2; done
check "a call refused by a 64-bit COM server" rejclient
kill "$server" 2>/dev/null || true

# The shell windows are served by Wine's desktop process.
"$WINELOADER" explorer /desktop=shell,800x600 >/dev/null 2>&1 &
check "3000 calls through a proxy" dcomloop

check "a thread's own id while threads start, end and are suspended" churn

echo "emulator check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
