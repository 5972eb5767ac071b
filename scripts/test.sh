#!/usr/bin/env bash
# Installs what is missing, builds the release packages and Marsitel with its
# tests for 64-bit and 32-bit Windows, and runs the whole test suite under
# Wine and Xvfb, in a Wine prefix under each build folder. The suites check
# the packages too, so they are built first, both of them, in any case.
# The 32-bit suite runs where 32-bit code runs (natively, or under the
# emulator that setup.sh registers where the kernel runs none), and is
# reported as skipped elsewhere; it includes the packaged 32-bit program
# against the 64-bit build's simulated host (tests/bitness/).
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
    if [ "$preset" = mingw-x86 ] && [ "$(wine_32bit_mode)" = none ]; then
        echo "32-bit programs cannot run here: the kernel runs no 32-bit code and no emulator stands in;" \
            "their tests are reported as skipped"
    fi
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$root/scripts/ctest-in-wine.sh" "$root/build/$preset" || status=1
done
exit $status
