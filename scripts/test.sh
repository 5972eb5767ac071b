#!/usr/bin/env bash
# Installs what is missing, builds Marsitel for 64-bit and 32-bit Windows and
# runs the whole test suite under Wine and Xvfb, in a Wine prefix under each
# build folder.
#   scripts/test.sh             both architectures
#   scripts/test.sh mingw-x64   one preset
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(mingw-x64 mingw-x86)

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

status=0
for preset in "${presets[@]}"; do
    echo "=== test $preset"
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$root/scripts/ctest-in-wine.sh" "$root/build/$preset" || status=1
done
exit $status
