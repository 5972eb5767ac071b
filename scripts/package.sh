#!/usr/bin/env bash
# Builds the release packages for 32-bit and 64-bit Windows:
#   dist/Marsitel-<version>-win32.zip, dist/Marsitel-<version>-win64.zip and
#   dist/SHA256SUMS,
# each from a build of the program alone (build/package-x86, build/package-x64)
# through CMake's install rules and CPack's ZIP generator.
# The same commit gives the same bytes: every time in the packages is the last
# commit's (or SOURCE_DATE_EPOCH's, when set). scripts/check-reproducible.sh
# checks that.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        { echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH" >&2; exit 2; }
fi
export SOURCE_DATE_EPOCH
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

rm -f dist/Marsitel-*.zip dist/SHA256SUMS
for preset in package-x86 package-x64; do
    echo "=== package $preset"
    cmake --workflow --preset "$preset"
done
(cd dist && sha256sum Marsitel-*-win32.zip Marsitel-*-win64.zip >SHA256SUMS)
echo
echo "Packages in $PWD/dist:"
cat dist/SHA256SUMS
