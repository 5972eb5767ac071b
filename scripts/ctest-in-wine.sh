#!/usr/bin/env bash
# Runs CTest for one build folder with its Wine prefix up, one test at a
# time (Wine's COM and window tests share one wineserver).
#   ctest-in-wine.sh BUILD_DIR [CTEST ARGS...]
set -euo pipefail
build_dir=$(cd "$1" && pwd); shift
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
wine_prefix_up "$build_dir"
trap wine_prefix_down EXIT
cd "$root"
ctest --test-dir "$build_dir" --output-on-failure -j1 --timeout 180 "$@"
