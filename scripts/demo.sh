#!/usr/bin/env bash
# The main job: the simulated host with its built-in scenario, then Marsitel,
# in the project-local Wine prefix under build/mingw-x64/.
#   scripts/demo.sh                 with a display you work the dialog yourself;
#                                   without one, a scripted run under Xvfb
#   scripts/demo.sh --scripted      the scripted run, even with a display
#   scripts/demo.sh --interactive   you work the dialog (needs a display)
# Either way the host's relations and ground relations per assembly are
# printed before and after. The scripted run does what a person would (dismiss
# the splash, level "Alle", tick both options, Ausführen, wait for the
# completion text, Ende) and saves pictures of the windows in
# build/mingw-x64/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/wine-env.sh"
preset=mingw-x64
build=$root/build/$preset
bin=$build/bin
demo=$build/demo
screen="-screen 0 1280x1024x24"

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; }

mode=auto
case "${1:-}" in
    "") ;;
    --scripted) mode=scripted ;;
    --interactive) mode=interactive ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
esac

build_programs() {
    bash scripts/setup.sh
    cmake --preset "$preset" >/dev/null
    # The demo's driver depends on Marsitel.exe and simhost.exe, so this
    # builds exactly what the demo runs.
    cmake --build --preset "$preset" --target marsitel_demo_driver -j "$(nproc)"
    local program
    for program in Marsitel.exe simhost.exe marsitel_demo_driver.exe; do
        [ -f "$bin/$program" ] || { echo "demo: $bin/$program was not built" >&2; exit 1; }
    done
}

# simhost.exe may offer to slow its answers down, so that the progress window
# stays up long enough for its picture.
host_arguments() {
    if timeout 60 bash scripts/wine-run.sh "$WINEPREFIX" "$bin/simhost.exe" --help 2>&1 | grep -q -- '--call-delay'; then
        echo "--host-arg --call-delay --host-arg 20"
    fi
}

pictures_as_png() {
    command -v convert >/dev/null 2>&1 || return 0
    local bmp
    for bmp in "$demo"/*.bmp; do
        [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png"
    done
    return 0
}

run_in_prefix() {
    local how=$1 status=0
    wine_prefix_up "$build"
    trap wine_prefix_down EXIT
    rm -f "$demo"/*.bmp "$demo"/*.png
    # shellcheck disable=SC2046
    bash scripts/wine-run.sh "$WINEPREFIX" "$bin/marsitel_demo_driver.exe" "$how" $(host_arguments) || status=$?
    if [ "$how" = scripted ]; then
        pictures_as_png
        echo
        echo "Pictures of the windows: $demo/"
        ls "$demo" | grep -E '\.(png|bmp)$' | sed 's/^/  /' || true
    fi
    return $status
}

if [ "${MARSITEL_DEMO_UNDER_XVFB:-}" = 1 ]; then
    run_in_prefix scripted
    exit
fi

build_programs
if [ "$mode" = auto ]; then
    if display_usable; then mode=interactive; else mode=scripted; fi
fi
if [ "$mode" = interactive ]; then
    display_usable || { echo "demo: no usable display (DISPLAY=${DISPLAY:-unset}); try --scripted" >&2; exit 2; }
    run_in_prefix interactive
elif display_usable; then
    run_in_prefix scripted
else
    echo "No display: a scripted run under Xvfb"
    MARSITEL_DEMO_UNDER_XVFB=1 xvfb-run -a -s "$screen" bash "$0" --scripted
fi
