#!/usr/bin/env bash
# The 32-bit check for machines that run 32-bit code only under emulation
# (scripts/setup.sh registers the emulator there). Every 32-bit Wine process
# then needs about a minute of processor time before it runs a line of its
# own, so the whole 32-bit suite, one process per case, would take hours.
# This check starts few 32-bit processes instead:
#   - the packaged 32-bit Marsitel.exe (tests/package/ checks the archive and
#     unpacks it), worked through its windows by the demo's driver
#     (scripts/demo/) against the 64-bit simulated host; the driver and the
#     host run natively: a full run at level "Alle" with grounding, the
#     readiness warning, and the error report of a failing Delete;
#   - the 32-bit test programs of the window tests (the busy notice among
#     them), the simulated host and the test platform, each once as a whole.
# Two things are beyond the emulator (README, "32-bit programs"), so they are
# left out here and run wherever the whole 32-bit suite runs: a call that
# the host refuses, as a busy host does (the 32-bit thread that receives the
# refusal crashes at once), and core_tests.exe (its in-process host's calls
# through the running object table end in a hang or a crash every time).
# Every part is compared with what it must give (the host's state, texts,
# exit codes); the check fails when one part does.
# The emulator now and then crashes a 32-bit Wine program, or leaves one of
# its threads faulting for ever, for no fault of the program's (README,
# "32-bit programs"): a part whose program crashed or stopped answering is
# run once more, and passes only if the second run gives what it must. A
# fault of ours fails both.
#   scripts/check-32bit.sh            after scripts/package.sh and the builds of
#                                     the presets mingw-x64 and mingw-x86
#   scripts/check-32bit.sh PART...    only these parts (full-run, readiness-warning,
#                                     failing-delete, ui_tests, ...)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build32=$root/build/mingw-x86
bin64=$root/build/mingw-x64/bin
work=$build32/check-32bit

if [ "${MARSITEL_CHECK_UNDER_XVFB:-}" != 1 ]; then
    MARSITEL_CHECK_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

source "$root/scripts/wine-env.sh"
wine_prefix_up "$build32"
trap wine_prefix_down EXIT
# A program that crashes ends at once: Wine's debugger, a 32-bit program as
# well, would take minutes to start and write its report.
for view in 64 32; do
    "$WINELOADER" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f /reg:$view \
        >/dev/null 2>&1 || true
done
rm -rf "$work"
mkdir -p "$work"

# A 32-bit program under emulation takes half a minute or more to show its
# first window and answers slowly after: the driver's bounds, made for
# native programs, are stretched: a run given two minutes natively has
# eight now.
export MARSITEL_DRIVER_WAIT_FACTOR=4

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
# run makes 273 host calls, which the emulator mostly completes; its endless
# fault strikes at random (a crane of twelve occurrences met it 247 calls
# into its run), and then the part runs once more.
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
# 64-bit host, with the host's options; what it reports, less the lines that
# vary from run to run (pictures, times, the progress lines it happened to
# catch, the starts). What Wine and the emulator write to standard error
# goes to ERROR_LOG.
drive() {
    local args=(scripted --program "$(windows_path "$build32/packaged/Marsitel.exe")"
                --host-arg --scenario --host-arg "$(windows_path "$work/scenario.txt")") arg
    for arg in "$@"; do args+=(--host-arg "$arg"); done
    bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$bin64/marsitel_demo_driver.exe" "${args[@]}" 2>"$ERROR_LOG" |
        tr -d '\r' | sed 's/ *$//' | grep -Ev '^(Starting |  picture|  progress|  Execute to completion|The host.s assemblies)' || true
}

# True when the program crashed (its standard error, Wine's and the
# emulator's words) or never ended by itself (no exit code in the driver's
# report: the driver ended it).
crashed_or_stuck() {
    grep -Eq 'Unhandled|uncaught target signal|stack smashing' "$1" || ! grep -q '^Marsitel ended with exit code' "$2"
}

# Runs the driver for one part and compares its report with the expected one
# on standard input.
driven_part() {
    local name=$1; shift
    local expected=$work/$name.expected actual=$work/$name.actual try
    cat >"$expected"
    wanted "$name" || return 0
    begin "$name"
    for try in 1 2; do
        ERROR_LOG=$work/$name.stderr drive "$@" >"$actual"
        sed 's/^/  (standard error) /' "$work/$name.stderr"
        if diff -u "$expected" "$actual"; then
            verdict "$name" yes
            return
        fi
        crashed_or_stuck "$work/$name.stderr" "$actual" || break
        [ $try = 1 ] && echo "--- $name: the program crashed or stopped answering; once more"
    done
    verdict "$name" no
}

# The packages' test unpacks the 32-bit archive beside the installer
# packages, after it has checked them all (run without CTest, whose first
# call lists every 32-bit test program's cases: a minute each here).
begin "packaged 32-bit program"
if cmake -DDIST_DIR="$root/dist" -DARCHITECTURE=win32 -DUNPACK_DIR="$build32/packaged" -DSOURCE_DIR="$root" \
    -P "$root/tests/package/check_packages.cmake" >"$work/package.log" 2>&1 && [ -f "$build32/packaged/Marsitel.exe" ]; then
    verdict "packaged 32-bit program" yes
else
    cat "$work/package.log"
    verdict "packaged 32-bit program" no
fi

# Level "Alle" with grounding: every relation of the crane and of each
# trolley deleted, each occurrence grounded once per visit; a trolley's
# second and third visits delete the grounds of the visit before.
driven_part full-run <<'EOF'
  ok: splash shown and dismissed with a key
  ok: main dialog shown
  ok: level set to "Alle"
  ok: both options ticked
  ok: run finished, completion text shown
  Label1: Verarbeitung abgeschlossen. Nochmal oder zurücksetzen?
  ok: End ended the program
Marsitel ended with exit code 0

Assembly                  Occurrences  Relations before  after  Ground before  after
Kran.asm                            5                 5      5              1      5
Laufkatze.asm                       3                 4      3              1      3
Relations other than ground: 7 before, 0 after (7 removed).
Ground relations: 2 before, 8 after (6 added).
EOF

# A part active: the warning instead of the dialog, and the host untouched.
driven_part readiness-warning --active Traeger.par <<'EOF'
  ok: splash shown and dismissed with a key
  FAILED: main dialog shown
  message box: Kein Assembly-Dokument aktiv
  ok: message box confirmed
Marsitel ended with exit code 0

Assembly                  Occurrences  Relations before  after  Ground before  after
Kran.asm                            5                 5      5              1      1
Laufkatze.asm                       3                 4      4              1      1
Relations other than ground: 7 before, 7 after (0 removed).
Ground relations: 2 before, 2 after (0 added).
EOF

# The third Delete of the run fails: Träger:1's two relations are gone and
# Träger:1 is grounded again; Schiene:1's first relation stays, and so does
# everything after it.
driven_part failing-delete --fail "rel.Delete:3:4711:Beziehung ist gesperrt" <<'EOF'
  ok: splash shown and dismissed with a key
  ok: main dialog shown
  ok: level set to "Alle"
  ok: both options ticked
  FAILED: run finished, completion text shown
  message box: Laufzeitfehler '4711':

Beziehung ist gesperrt
  ok: message box confirmed
Marsitel ended with exit code 1

Assembly                  Occurrences  Relations before  after  Ground before  after
Kran.asm                            5                 5      4              1      1
Laufkatze.asm                       3                 4      4              1      1
Relations other than ground: 7 before, 6 after (1 removed).
Ground relations: 2 before, 2 after (0 added).
EOF

# The 32-bit test programs, each once as a whole: exit code 0 when every case
# passed. A program that crashed or was still running after 10 minutes
# (natively each takes seconds, here two minutes at most) is run once more.
for program in support_tests simhost_tests ui_tests; do
    wanted "$program" || continue
    begin "$program"
    log=$work/$program.log
    for try in 1 2; do
        code=0
        timeout 600 bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$build32/bin/$program.exe" >"$log" 2>&1 || code=$?
        grep -E '^\[  (PASSED|FAILED)  \]' "$log" || true
        [ "$code" -eq 0 ] && break
        tail -n 40 "$log"
        echo "exit code $code, expected 0"
        [ "$code" -eq 124 ] || grep -Eq 'Unhandled|uncaught target signal|stack smashing' "$log" || break
        [ $try = 1 ] && echo "--- $program: crashed or stopped answering; once more"
    done
    if [ "$code" -eq 0 ]; then verdict "$program" yes; else verdict "$program" no; fi
done

echo "The 32-bit check took $((SECONDS / 60)) min $((SECONDS % 60)) s"
echo "check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
