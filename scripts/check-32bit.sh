#!/usr/bin/env bash
# The 32-bit program as it is shipped, against a host of the other bitness,
# as a 32-bit Marsitel meets a 64-bit Solid Edge: the packaged 32-bit
# Marsitel.exe (tests/package/ checks the archive and unpacks it), worked
# through its windows by the demo's driver (scripts/demo/) against the
# 64-bit simulated host. The 32-bit suite tests the 32-bit program against
# the 32-bit simulated host; only here do the calls cross bitness. The parts:
# a full run at level "Alle" with grounding, the readiness warning, the error
# report of a failing Delete, and two busy spells with their notices, one of
# a host that refuses calls and one of a host that answers a call late. Each
# is compared with what it must give (the host's state, texts, exit code);
# the check fails when one part does. scripts/test.sh runs it after the
# 32-bit suite, wherever 32-bit code runs, natively or emulated.
#   scripts/check-32bit.sh            after scripts/package.sh and the builds of
#                                     the presets mingw-x64 and mingw-x86
#   scripts/check-32bit.sh PART...    only these parts (full-run, readiness-warning,
#                                     failing-delete, busy-refusing, busy-late)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build32=$root/build/mingw-x86
bin64=$root/build/mingw-x64/bin
work=$build32/check-32bit
# Where the demo's driver has the host save its state: demo/ beside bin/.
saved_state=$root/build/mingw-x64/demo/host-after.txt

all_parts=(full-run readiness-warning failing-delete busy-refusing busy-late)
for part in "$@"; do
    if [[ " ${all_parts[*]} " != *" $part "* ]]; then
        echo "check-32bit: no part \"$part\"; the parts are ${all_parts[*]}" >&2
        exit 2
    fi
done

if [ "${MARSITEL_CHECK_UNDER_XVFB:-}" != 1 ]; then
    MARSITEL_CHECK_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

source "$root/scripts/wine-env.sh"
wine_prefix_up "$build32"
trap wine_prefix_down EXIT
wine_crash_debugger_off
rm -rf "$work"
mkdir -p "$work"

# A 32-bit program under emulation answers more slowly: the driver's bounds,
# made for native programs, are stretched four times there.
if [ "$(wine_32bit_mode)" = emulated ]; then
    export MARSITEL_DRIVER_WAIT_FACTOR=4
fi

passed=0 failed=0
parts=("$@")
wanted() { [ ${#parts[@]} -eq 0 ] || [[ " ${parts[*]} " == *" $1 "* ]]; }
part_started=$SECONDS

begin() {
    echo "--- $1"
    part_started=$SECONDS
}

verdict() {
    local name=$1 ok=$2
    if [ "$ok" = yes ]; then
        passed=$((passed + 1))
        echo "--- $name: passed ($((SECONDS - part_started)) s)"
    else
        failed=$((failed + 1))
        echo "--- $name: FAILED ($((SECONDS - part_started)) s)"
    fi
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A crane: three trolleys, each a sub-assembly placed in the crane, with its
# relations; grounded girder and rail, relations of several kinds. A full
# run makes 273 host calls, the nested walk among them.
cat >"$work/scenario.txt" <<'EOF'
simhost-scenario 1
document Kran.asm assembly Laufkran
document Laufkatze.asm assembly Laufkatze
document Traeger.par part Träger
document Schiene.par part Schiene
document Traverse.par part Traverse
document Rad.par part Rad
occurrence Laufkatze.asm Traverse:1 Traverse.par
occurrence Laufkatze.asm Rad:1 Rad.par
occurrence Laufkatze.asm Rad:2 Rad.par
relation Laufkatze.asm ground Traverse:1
relation Laufkatze.asm axial Rad:1 Traverse:1
relation Laufkatze.asm axial Rad:2 Traverse:1
relation Laufkatze.asm mate Rad:1 Rad:2
occurrence Kran.asm Träger:1 Traeger.par
occurrence Kran.asm Schiene:1 Schiene.par
occurrence Kran.asm Laufkatze:1 Laufkatze.asm
occurrence Kran.asm Laufkatze:2 Laufkatze.asm
occurrence Kran.asm Laufkatze:3 Laufkatze.asm
relation Kran.asm ground Träger:1
relation Kran.asm mate Schiene:1 Träger:1
relation Kran.asm planar Laufkatze:1 Schiene:1
relation Kran.asm planar Laufkatze:2 Schiene:1
relation Kran.asm planar Laufkatze:3 Schiene:1
active Kran.asm
EOF

# The driver's scripted run of the packaged 32-bit program against the
# 64-bit host, with the host's options: what the driver reports, less the
# lines that vary from run to run (pictures, times, the progress lines it
# happened to catch, the starts) and its counts of the host's relations, then
# its exit code and the host's whole state as the host saved it. What Wine
# and the emulator write to standard error goes to ERROR_LOG.
drive() {
    local args=(scripted --program "$(windows_path "$build32/packaged/Marsitel.exe")"
                --host-arg --scenario --host-arg "$(windows_path "$work/scenario.txt")") arg code=0
    for arg in "$@"; do args+=(--host-arg "$arg"); done
    rm -f "$saved_state"
    bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$bin64/marsitel_demo_driver.exe" "${args[@]}" \
        >"$work/driver.out" 2>"$ERROR_LOG" || code=$?
    tr -d '\r' <"$work/driver.out" |
        sed -E -e 's/ *$//' -e '/^The host.s assemblies/,$d' -e '/^(Starting |  picture|  progress|  Execute to completion)/d'
    echo "The driver ended with exit code $code"
    echo "The host's state after:"
    if [ -f "$saved_state" ]; then tr -d '\r' <"$saved_state"; else echo "(none saved)"; fi
}

# Runs the driver for one part and compares its report with the expected one
# on standard input.
driven_part() {
    local name=$1; shift
    local expected=$work/$name.expected actual=$work/$name.actual
    cat >"$expected"
    wanted "$name" || return 0
    begin "$name"
    ERROR_LOG=$work/$name.stderr drive "$@" >"$actual"
    sed 's/^/  (standard error) /' "$work/$name.stderr"
    if diff -u "$expected" "$actual"; then verdict "$name" yes; else verdict "$name" no; fi
}

# The packages' test, its script alone, unpacks the 32-bit archive beside the
# installer packages after it has checked them all.
begin "packaged 32-bit program"
if cmake -DDIST_DIR="$root/dist" -DARCHITECTURE=win32 -DUNPACK_DIR="$build32/packaged" -DSOURCE_DIR="$root" \
    -P "$root/tests/package/check_packages.cmake" >"$work/package.log" 2>&1 && [ -f "$build32/packaged/Marsitel.exe" ]; then
    verdict "packaged 32-bit program" yes
else
    cat "$work/package.log"
    verdict "packaged 32-bit program" no
fi

# The host's saved state begins with its documents and the crane's
# occurrences, and gives the trolley's occurrences before its relations;
# the runs change none of them.
saved_documents='simhost-scenario 1
enumerator snapshot
document Kran.asm assembly Laufkran
document Laufkatze.asm assembly Laufkatze
document Traeger.par part Träger
document Schiene.par part Schiene
document Traverse.par part Traverse
document Rad.par part Rad
occurrence Kran.asm Träger:1 Traeger.par
occurrence Kran.asm Schiene:1 Schiene.par
occurrence Kran.asm Laufkatze:1 Laufkatze.asm
occurrence Kran.asm Laufkatze:2 Laufkatze.asm
occurrence Kran.asm Laufkatze:3 Laufkatze.asm'
saved_trolley_occurrences='occurrence Laufkatze.asm Traverse:1 Traverse.par
occurrence Laufkatze.asm Rad:1 Rad.par
occurrence Laufkatze.asm Rad:2 Rad.par'

# Level "Alle" with grounding: every relation of the crane and of each
# trolley deleted, each occurrence grounded once per visit, in the order of
# the visits; a trolley's second and third visits delete the grounds of the
# visit before, one by one, and add them again in the same order.
driven_part full-run <<EOF
  ok: splash shown and dismissed with a key
  ok: main dialog shown
  ok: level set to "Alle"
  ok: both options ticked
  ok: run finished, completion text shown
  Label1: Verarbeitung abgeschlossen. Nochmal oder zurücksetzen?
  ok: End ended the program
Marsitel ended with exit code 0

The driver ended with exit code 0
The host's state after:
$saved_documents
relation Kran.asm ground Träger:1
relation Kran.asm ground Schiene:1
relation Kran.asm ground Laufkatze:1
relation Kran.asm ground Laufkatze:2
relation Kran.asm ground Laufkatze:3
$saved_trolley_occurrences
relation Laufkatze.asm ground Traverse:1
relation Laufkatze.asm ground Rad:1
relation Laufkatze.asm ground Rad:2
active Kran.asm
EOF

# A part active: the warning instead of the dialog, the driver's run stopped
# there, and the host untouched.
driven_part readiness-warning --active Traeger.par <<EOF
  ok: splash shown and dismissed with a key
  FAILED: main dialog shown
  message box: Kein Assembly-Dokument aktiv
  ok: message box confirmed
Marsitel ended with exit code 0

The driver ended with exit code 1
The host's state after:
$saved_documents
relation Kran.asm ground Träger:1
relation Kran.asm mate Schiene:1 Träger:1
relation Kran.asm planar Laufkatze:1 Schiene:1
relation Kran.asm planar Laufkatze:2 Schiene:1
relation Kran.asm planar Laufkatze:3 Schiene:1
$saved_trolley_occurrences
relation Laufkatze.asm ground Traverse:1
relation Laufkatze.asm axial Rad:1 Traverse:1
relation Laufkatze.asm axial Rad:2 Traverse:1
relation Laufkatze.asm mate Rad:1 Rad:2
active Traeger.par
EOF

# The third Delete of the run fails: Träger:1's two relations are gone and
# Träger:1 is grounded again, its ground now last; Schiene:1's first relation
# stays, and so does everything after it.
driven_part failing-delete --fail "rel.Delete:3:4711:Beziehung ist gesperrt" <<EOF
  ok: splash shown and dismissed with a key
  ok: main dialog shown
  ok: level set to "Alle"
  ok: both options ticked
  FAILED: run finished, completion text shown
  message box: Laufzeitfehler '4711':

Beziehung ist gesperrt
  ok: message box confirmed
Marsitel ended with exit code 1

The driver ended with exit code 1
The host's state after:
$saved_documents
relation Kran.asm planar Laufkatze:1 Schiene:1
relation Kran.asm planar Laufkatze:2 Schiene:1
relation Kran.asm planar Laufkatze:3 Schiene:1
relation Kran.asm ground Träger:1
$saved_trolley_occurrences
relation Laufkatze.asm ground Traverse:1
relation Laufkatze.asm axial Rad:1 Traverse:1
relation Laufkatze.asm axial Rad:2 Traverse:1
relation Laufkatze.asm mate Rad:1 Rad:2
active Kran.asm
EOF

# The full run's report, with the busy notice's text $1 after the options.
with_notice() {
    awk -v notice="  busy notice: $1" '{ print } /both options ticked/ { print notice }' "$work/full-run.expected"
}

# Twelve calls refused in the middle of the run, as a busy host refuses
# them: the notice shows, and the run ends as the full run does.
driven_part busy-refusing --busy-at 30:12 < <(with_notice "Solid Edge ist beschäftigt. Ist dort noch ein Dialog offen? Marsitel wartet höchstens eine Minute, bis Solid Edge wieder antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.")

# A call of the run taken and answered only after twelve seconds, as by a
# host busy computing: the notice says that Solid Edge does not answer, goes
# when the answer comes, and the run ends as the full run does.
driven_part busy-late --hang-at 30:12000 < <(with_notice "Solid Edge antwortet nicht. Vielleicht rechnet es noch. Marsitel wartet, bis Solid Edge antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.")

echo "The 32-bit check took $((SECONDS / 60)) min $((SECONDS % 60)) s"
echo "check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
