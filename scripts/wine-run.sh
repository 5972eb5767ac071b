#!/usr/bin/env bash
# Runs a Windows program under Wine in a given prefix:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# Used as CMake's cross-compiling emulator, so every test runs in the
# project-local prefix and never in ~/.wine. The loader is chosen by the
# program's PE machine type: 64-bit programs go straight to wine64, because
# Debian's /usr/bin/wine prefers the 32-bit loader whenever it is installed.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$1; shift
program=$1

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

case $(pe_machine "$program") in
    8664) loader=/usr/lib/wine/wine64 ;;
    014c) loader=/usr/lib/wine/wine ;;
    *) echo "wine-run.sh: $program is not a Windows x86 or x64 program" >&2; exit 2 ;;
esac
export WINELOADER=$loader
exec "$loader" "$@"
