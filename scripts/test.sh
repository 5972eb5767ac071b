#!/usr/bin/env bash
# Installs what is missing, builds the release packages and Marsitel with its
# tests for 64-bit and 32-bit Windows, and runs the whole test suite under
# Wine and Xvfb, in a Wine prefix under each build folder. The suites check
# the packages too, so they are built first, both of them, in any case.
# Where 32-bit code runs only under emulation, the whole 32-bit suite would
# take hours: scripts/check-32bit.sh checks the 32-bit program instead.
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
    case $preset-$(wine_32bit_mode) in
    mingw-x86-none)
        echo "32-bit tests not run: this machine's kernel runs no 32-bit code (the programs were built)"
        continue
        ;;
    mingw-x86-emulated)
        echo "32-bit code runs only under emulation here: the 32-bit check instead of the whole 32-bit suite"
        bash scripts/check-32bit.sh || status=1
        ;;
    *)
        xvfb-run -a -s "-screen 0 1280x1024x24" \
            bash "$root/scripts/ctest-in-wine.sh" "$root/build/$preset" || status=1
        ;;
    esac
done
exit $status
