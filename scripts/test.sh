#!/usr/bin/env bash
# Installs what is missing, builds the release packages and Marsitel with its
# tests for 64-bit and 32-bit Windows, and runs the whole test suite under
# Wine and Xvfb, in a Wine prefix under each build folder. The suites check
# the packages too, so they are built first, both of them, in any case.
# Where 32-bit code runs (natively, or under the emulator that setup.sh
# registers where the kernel runs none), the packaged 32-bit program is
# checked against the 64-bit simulated host too (scripts/check-32bit.sh).
#   scripts/test.sh             both architectures
#   scripts/test.sh mingw-x64   one preset
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
bash scripts/package.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(mingw-x64 mingw-x86)

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

source scripts/wine-env.sh
status=0
# The 64-bit suite runs last, so that its summary closes the output.
for preset in $(printf '%s\n' "${presets[@]}" | sort -r); do
    echo "=== test $preset"
    # What a 32-bit run cannot show, whichever way 32-bit code runs here.
    [ "$preset" = mingw-x86 ] && { bash scripts/check-callbacks.sh || status=1; }
    if [ "$preset" = mingw-x86 ] && [ "$(wine_32bit_mode)" = none ]; then
        echo "32-bit tests not run: this machine's kernel runs no 32-bit code and no emulator stands in (the programs were built)"
        continue
    fi
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$root/scripts/ctest-in-wine.sh" "$root/build/$preset" || status=1
    if [ "$preset" = mingw-x86 ]; then
        if [ -d build/mingw-x64/bin ]; then
            bash scripts/check-32bit.sh || status=1
        else
            echo "32-bit check against the 64-bit host not run: it needs the build of mingw-x64"
        fi
    fi
done
exit $status
