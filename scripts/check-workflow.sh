#!/usr/bin/env bash
# Checks the CI workflows that run elsewhere (on a Windows runner), so that
# a fault in them shows here first: each is validated against the workflow
# schema, and every CMake preset, CMake target, script and local action it
# names must exist (scripts/check-workflow.mjs).
#   scripts/check-workflow.sh                 every file in .github/workflows
#   scripts/check-workflow.sh FILE...         these files (named against this repository)
# The tools come from the npm registry at pinned versions, installed once
# into build/tools/workflow-check; after that the check needs no network.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

files=()
for file in "$@"; do files+=("$(realpath "$file")"); done
if [ ${#files[@]} -eq 0 ]; then
    shopt -s nullglob
    files=("$root"/.github/workflows/*.yml "$root"/.github/workflows/*.yaml)
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "check-workflow: no workflow to check" >&2
    exit 1
fi

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "Installing: nodejs npm"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends nodejs npm
fi

tools=(@action-validator/cli@0.6.0 @action-validator/core@0.6.0 yaml@2.9.1)
prefix="$root/build/tools/workflow-check"
if [ "$(cat "$prefix/installed" 2>/dev/null)" != "${tools[*]}" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    npm install --prefix "$prefix" --no-save --no-audit --no-fund --loglevel=error "${tools[@]}" >/dev/null
    echo "${tools[*]}" >"$prefix/installed"
fi

node "$root/scripts/check-workflow.mjs" "$prefix/node_modules" "$root" "${files[@]}"
echo "check-workflow: ${#files[@]} workflow(s) valid, every name in them found"
