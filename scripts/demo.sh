#!/usr/bin/env bash
# The main job: the simulated host with its built-in scenario, then Marsitel,
# in the project-local Wine prefix under build/mingw-x64/.
#   scripts/demo.sh                 with a display you work the dialog yourself;
#                                   without one, a scripted run under Xvfb
#   scripts/demo.sh --scripted      the scripted run, even with a display
#   scripts/demo.sh --interactive   you work the dialog (needs a display)
#   scripts/demo.sh --pictures      the scripted run, then the README's pictures
#                                   (docs/dialog.png, docs/progress.png) made anew
# Either way the host's relations and ground relations per assembly are
# printed before and after. The scripted run does what a person would (dismiss
# the splash, level "Alle", tick both options, Ausführen, wait for the
# completion text, Ende) on a virtual desktop of Wine's, and saves pictures of
# the windows in build/mingw-x64/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/wine-env.sh"
preset=mingw-x64
build=$root/build/$preset
bin=$build/bin
demo=$build/demo
screen="-screen 0 1280x1024x24"

usage() { sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; }

mode=auto
pictures=no
case "${1:-}" in
    "") ;;
    --scripted) mode=scripted ;;
    --interactive) mode=interactive ;;
    --pictures) mode=scripted; pictures=yes ;;
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

pictures_as_png() {
    command -v convert >/dev/null 2>&1 || return 0
    local bmp
    for bmp in "$demo"/*.bmp; do
        [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png"
    done
    return 0
}

# The README's pictures, from the scripted run's: palette PNGs without time
# stamps, so that unchanged windows give unchanged files.
readme_pictures() {
    mkdir -p docs
    local name
    for name in dialog progress; do
        [ -f "$demo/$name.bmp" ] || { echo "demo: no picture $demo/$name.bmp for the README" >&2; return 1; }
        convert "$demo/$name.bmp" -strip "PNG8:docs/$name.png"
    done
    echo "README pictures: docs/dialog.png docs/progress.png"
}

# On Wine's virtual desktop Wine draws every window's frame, title bar and
# close button as Windows does, whatever the X server (Xvfb has no window
# manager). The desktop starts the driver and passes its exit code on to no
# one, so the driver leaves it in a file.
run_scripted_on_virtual_desktop() {
    local result=$build/demo-result.txt driver result_path
    rm -f "$result"
    driver=$("$WINELOADER" winepath -w "$bin/marsitel_demo_driver.exe")
    result_path=$("$WINELOADER" winepath -w "$result")
    "$WINELOADER" explorer /desktop=MarsitelDemo,1024x768 "$driver" scripted --result-file "$result_path" || true
    local code
    code=$(tr -d '\r\n' 2>/dev/null <"$result" || echo "none")
    [ "$code" = 0 ] || { echo "demo: the scripted run ended with exit code $code" >&2; return 1; }
}

run_in_prefix() {
    local how=$1 status=0
    wine_prefix_up "$build"
    trap wine_prefix_down EXIT
    rm -f "$demo"/*.bmp "$demo"/*.png
    if [ "$how" = interactive ]; then
        bash scripts/wine-run.sh "$WINEPREFIX" "$bin/marsitel_demo_driver.exe" interactive || status=$?
        return $status
    fi
    run_scripted_on_virtual_desktop || status=$?
    pictures_as_png
    echo
    echo "Pictures of the windows: $demo/"
    ls "$demo" | grep -E '\.(png|bmp)$' | sed 's/^/  /' || true
    if [ $status -eq 0 ] && [ "$pictures" = yes ]; then readme_pictures || status=$?; fi
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
    MARSITEL_DEMO_UNDER_XVFB=1 xvfb-run -a -s "$screen" bash "$0" "$@"
fi
