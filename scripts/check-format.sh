#!/usr/bin/env bash
# Checks that the program's sources (app/, core/, ui/, shared/) are formatted
# as .clang-format says, with Debian's clang-format; prints what differs.
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    format them in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'app/*.cpp' 'app/*.h' 'core/*.cpp' 'core/*.h' 'ui/*.cpp' 'ui/*.h' 'shared/*.cpp' 'shared/*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: the lines above differ from .clang-format (bash scripts/check-format.sh --fix formats them)" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files of app/, core/, ui/ and shared/ formatted as .clang-format says"
