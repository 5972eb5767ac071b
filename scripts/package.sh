#!/usr/bin/env bash
# Builds the release packages for 32-bit and 64-bit Windows:
#   dist/Marsitel-<version>-win32.zip, dist/Marsitel-<version>-win64.zip,
#   dist/Marsitel-<version>-x86.msi, dist/Marsitel-<version>-x64.msi and
#   dist/SHA256SUMS,
# each from a build of the program alone (build/package-x86, build/package-x64)
# through CMake's install rules, CPack's ZIP generator and wixl for the
# installer packages (cmake/Msi.cmake).
# The same commit gives the same bytes: every time in the packages is the last
# commit's (or SOURCE_DATE_EPOCH's, when set). scripts/check-reproducible.sh
# checks that.
# With a PKCS#12 code-signing certificate in MARSITEL_SIGN_PFX (its password
# in MARSITEL_SIGN_PASSWORD, a time-stamping server in
# MARSITEL_SIGN_TIMESTAMP_URL if wanted), both programs are signed before they
# are packed, and both installer packages after (scripts/sign.sh).
set -euo pipefail
if [ -n "${MARSITEL_SIGN_PFX:-}" ]; then
    # Relative to where the caller stands, not to where this script goes.
    MARSITEL_SIGN_PFX=$(realpath "$MARSITEL_SIGN_PFX")
    export MARSITEL_SIGN_PFX
    echo "Signing with $MARSITEL_SIGN_PFX"
fi
cd "$(dirname "$0")/.."

bash scripts/setup.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        { echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH" >&2; exit 2; }
fi
export SOURCE_DATE_EPOCH
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

rm -f dist/Marsitel-*.zip dist/Marsitel-*.msi dist/SHA256SUMS
for preset in package-x86 package-x64; do
    echo "=== package $preset"
    cmake --workflow --preset "$preset"
done
(cd dist && sha256sum Marsitel-*-win32.zip Marsitel-*-win64.zip Marsitel-*-x86.msi Marsitel-*-x64.msi >SHA256SUMS)
echo
echo "Packages in $PWD/dist:"
cat dist/SHA256SUMS
