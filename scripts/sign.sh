#!/usr/bin/env bash
# Signs Windows programs and installer packages in place (Authenticode,
# SHA-256) with the PKCS#12 code-signing certificate in MARSITEL_SIGN_PFX:
#   MARSITEL_SIGN_PFX=cert.p12 MARSITEL_SIGN_PASSWORD=... sign.sh FILE...
# MARSITEL_SIGN_TIMESTAMP_URL, when set, names an RFC 3161 time-stamping
# server, so that signatures stay valid after the certificate expires.
# scripts/package.sh calls it (through CPack) when MARSITEL_SIGN_PFX is set.
set -euo pipefail
: "${MARSITEL_SIGN_PFX:?sign.sh: set MARSITEL_SIGN_PFX to a PKCS#12 code-signing certificate}"

timestamp=()
[ -n "${MARSITEL_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$MARSITEL_SIGN_TIMESTAMP_URL")

for file in "$@"; do
    # The password goes through a pipe, never onto a command line that other
    # users' ps would show.
    osslsigncode sign -pkcs12 "$MARSITEL_SIGN_PFX" \
        -readpass <(printf '%s' "${MARSITEL_SIGN_PASSWORD:-}") \
        -h sha256 -n Marsitel "${timestamp[@]}" \
        -in "$file" -out "$file.signed" >/dev/null
    mv -f "$file.signed" "$file"
done
