#!/usr/bin/env bash
# The benchmark: what a removal run costs against the simulated host, beside
# a straightforward reference client, and what start-up costs.
#   bash bench/run.sh [--runs N] [--sizes 100,1000,5000] [--no-startup] [--no-removal]
# Builds the mingw-x64 preset if needed, runs marsitel_bench.exe in the Wine
# prefix under build/mingw-x64/ (under Xvfb when there is no display), prints
# the tables and writes them as CSV to build/mingw-x64/bench/. Set
# MARSITEL_BENCH_BUILD to use another build folder configured the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/wine-env.sh"
preset=mingw-x64
build=${MARSITEL_BENCH_BUILD:-$root/build/$preset}
bin=$build/bin
screen="-screen 0 1280x1024x24"

usage() { sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; }

bench_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs|--sizes) [ $# -ge 2 ] || { usage >&2; exit 2; }; bench_args+=("$1" "$2"); shift 2 ;;
        --no-startup|--no-removal) bench_args+=("$1"); shift ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

build_programs() {
    bash scripts/setup.sh
    if [ -z "${MARSITEL_BENCH_BUILD:-}" ]; then
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" --target marsitel_bench simhost Marsitel -j2
    else
        cmake --build "$build" --target marsitel_bench simhost Marsitel -j2
    fi
    local program
    for program in Marsitel.exe simhost.exe marsitel_bench.exe; do
        [ -f "$bin/$program" ] || { echo "bench: $bin/$program was not built" >&2; exit 1; }
    done
}

# Marsitel.exe must run on a bare Windows: nothing but the system's DLLs.
check_imports() {
    local system='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|comctl32|comdlg32|oleacc|shell32|shlwapi|uxtheme|version|msvcrt|ntdll|rpcrt4|psapi|winmm|imm32|uuid)\.dll$'
    local dlls foreign
    dlls=$(x86_64-w64-mingw32-objdump -p "$bin/Marsitel.exe" | sed -n 's/^\s*DLL Name: //p' | sort -u)
    foreign=$(echo "$dlls" | grep -viE "$system" || true)
    echo "Marsitel.exe imports: $(echo "$dlls" | tr '\n' ' ')"
    if [ -n "$foreign" ]; then
        echo "bench: Marsitel.exe depends on DLLs that are not part of Windows: $(echo "$foreign" | tr '\n' ' ')" >&2
        return 1
    fi
    echo "Marsitel.exe depends on Windows system DLLs only."
}

run_in_prefix() {
    wine_prefix_up "$build"
    trap wine_prefix_down EXIT
    mkdir -p "$build/bench"
    # Wine maps the Unix root to drive Z:.
    local out="Z:${build//\//\\}\\bench"
    bash scripts/wine-run.sh "$WINEPREFIX" "$bin/marsitel_bench.exe" --out "$out" "${bench_args[@]}"
}

if [ "${MARSITEL_BENCH_UNDER_XVFB:-}" = 1 ]; then
    run_in_prefix
    exit
fi

build_programs
check_imports
if display_usable; then
    run_in_prefix
else
    echo "No display: running under Xvfb"
    MARSITEL_BENCH_UNDER_XVFB=1 xvfb-run -a -s "$screen" bash "$0" "${bench_args[@]}"
fi
