#!/usr/bin/env bash
# Packages the program of a package build (build/package-<arch>, which
# scripts/package.sh made) again, signed with a throwaway self-signed
# certificate, into OUT_DIR, and checks every signature: the program in the
# archive, the same program in the installer package, and the package itself.
# OUT_DIR/Marsitel.exe is the signed program, for the tests that run it.
#   sign_packages.sh PACKAGE_BUILD_DIR OUT_DIR
set -euo pipefail
package_build=$1 out=$2
rm -rf "$out"
mkdir -p "$out/archive" "$out/installer"
cd "$out"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Marsitel Test" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout pass:Prüfung -out cert.p12
MARSITEL_SIGN_PFX=$out/cert.p12 MARSITEL_SIGN_PASSWORD=Prüfung \
    cpack --config "$package_build/CPackConfig.cmake" -B "$out/work" -D "CPACK_OUTPUT_FILE_PREFIX=$out" >cpack.log

(cd archive && cmake -E tar xf "$out"/Marsitel-*.zip)
msiextract -C installer Marsitel-*.msi >/dev/null
# msiextract names only the 32-bit Program Files folder.
cmp archive/Marsitel.exe "$(find installer -name Marsitel.exe)"
# The throwaway certificate is the only root trusted here; against the
# system's roots the chain is untrusted.
for signed in archive/Marsitel.exe Marsitel-*.msi; do
    osslsigncode verify -CAfile cert.pem -in "$signed" >"$signed.verify" 2>&1 ||
        { cat "$signed.verify"; echo "$signed: signature not verified" >&2; exit 1; }
    grep -q "Subject: /CN=Marsitel Test" "$signed.verify"
done
cp archive/Marsitel.exe Marsitel.exe
