#!/usr/bin/env bash
# Checks that the release packages are reproducible: builds those of the last
# commit (uncommitted changes do not count) twice, from two copies of its
# sources in two fresh folders of different paths, and compares the packages
# byte for byte. Takes some minutes; not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
commit=$(git rev-parse --short HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/marsitel-reproducible.XXXXXX")
copies=("$work/one" "$work/a/second/copy")

for copy in "${copies[@]}"; do
    mkdir -p "$copy"
    git archive HEAD | tar -x -C "$copy"
    echo "=== packages of $commit in $copy"
    bash "$copy/scripts/package.sh" >"$copy.log" 2>&1 ||
        { echo "packaging failed, see $copy.log" >&2; exit 1; }
done

if diff -r "${copies[0]}/dist" "${copies[1]}/dist"; then
    echo "Reproducible: both builds of $commit gave the same bytes"
    cat "${copies[0]}/dist/SHA256SUMS"
    rm -rf "$work"
else
    echo "NOT reproducible: the packages of $commit differ; both builds are in $work" >&2
    exit 1
fi
