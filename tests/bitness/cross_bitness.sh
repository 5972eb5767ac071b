#!/usr/bin/env bash
# The 32-bit program as it is shipped, against a host of the other bitness,
# as a 32-bit Marsitel meets a 64-bit Solid Edge: the packaged 32-bit
# Marsitel.exe (the packages' test, package_contents, checks the archive and
# unpacks it into the 32-bit build), worked through its windows by the demo's
# program against the 64-bit simulated host, both taken from the 64-bit build.
# The 32-bit suite tests the 32-bit program against the 32-bit simulated host;
# only here do the calls cross bitness. Each part below is a CTest case of the
# 32-bit build (tests/bitness/CMakeLists.txt finds them by their "part" lines)
# and is compared with what it must give: the driver's report, its exit code
# and the host's whole saved state, all worked out by hand.
#   cross_bitness.sh PART BUILD32 BUILD64
# Exits 77, which CTest reports as skipped, where BUILD64 has no driver or
# simulated host.
#
# A part is one call of `part NAME [HOST OPTION]...` with the expected report
# on standard input.
set -euo pipefail
wanted=$1 build32=$2 build64=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
bin64=$build64/bin
work=$build32/cross-bitness/$wanted

source "$root/scripts/wine-env.sh"
for program in marsitel_demo_driver.exe simhost.exe; do
    if [ ! -f "$bin64/$program" ]; then
        echo "skipped: no $bin64/$program (build the 64-bit build first, or set MARSITEL_64BIT_BUILD_DIR)"
        exit 77
    fi
    if [ "$(pe_machine "$bin64/$program")" != 8664 ]; then
        echo "$bin64/$program is no 64-bit program: MARSITEL_64BIT_BUILD_DIR names a build of another architecture" >&2
        exit 2
    fi
done

export WINEPREFIX=${WINEPREFIX:-$build32/wineprefix}
export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
wine_crash_debugger_off
rm -rf "$work"
mkdir -p "$work"

# A 32-bit program under emulation answers more slowly: the driver's bounds,
# made for native programs, are stretched four times there.
if [ "$(wine_32bit_mode)" = emulated ]; then
    export MARSITEL_DRIVER_WAIT_FACTOR=4
fi

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
# and the emulator write to standard error goes to $work/stderr.
drive() {
    local args=(scripted --program "$(windows_path "$build32/packaged/Marsitel.exe")"
                --folder "$(windows_path "$work")"
                --host-arg --scenario --host-arg "$(windows_path "$work/scenario.txt")") arg code=0
    for arg in "$@"; do args+=(--host-arg "$arg"); done
    bash "$root/scripts/wine-run.sh" "$WINEPREFIX" "$bin64/marsitel_demo_driver.exe" "${args[@]}" \
        >"$work/driver.out" 2>"$work/stderr" || code=$?
    tr -d '\r' <"$work/driver.out" |
        sed -E -e 's/ *$//' -e '/^The host.s assemblies/,$d' -e '/^(Starting |  picture|  progress|  Execute to completion)/d'
    echo "The driver ended with exit code $code"
    echo "The host's state after:"
    if [ -f "$work/host-after.txt" ]; then tr -d '\r' <"$work/host-after.txt"; else echo "(none saved)"; fi
}

# part NAME [HOST OPTION]... <<EOF expected report EOF: runs the part when
# it is the one asked for, and ends the script with its verdict.
part() {
    local name=$1; shift
    local expected=$work/expected actual=$work/actual
    cat >"$expected"
    [ "$name" = "$wanted" ] || return 0
    drive "$@" >"$actual"
    sed 's/^/(standard error) /' "$work/stderr"
    if diff -u "$expected" "$actual"; then echo "$name: passed"; exit 0; fi
    echo "$name: FAILED" >&2
    exit 1
}

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

# Every relation as the scenario has it, when a part has changed nothing.
saved_relations_untouched="relation Kran.asm ground Träger:1
relation Kran.asm mate Schiene:1 Träger:1
relation Kran.asm planar Laufkatze:1 Schiene:1
relation Kran.asm planar Laufkatze:2 Schiene:1
relation Kran.asm planar Laufkatze:3 Schiene:1
$saved_trolley_occurrences
relation Laufkatze.asm ground Traverse:1
relation Laufkatze.asm axial Rad:1 Traverse:1
relation Laufkatze.asm axial Rad:2 Traverse:1
relation Laufkatze.asm mate Rad:1 Rad:2"

# The report of a full run with the busy notice's text $1 after the options
# (none without $1). Level "Alle" with grounding: every relation of the crane
# and of each trolley deleted, each occurrence grounded once per visit, in
# the order of the visits; a trolley's second and third visits delete the
# grounds of the visit before, one by one, and add them again in the same
# order.
full_run() {
    cat <<EOF
  ok: splash shown and dismissed with a key
  ok: main dialog shown
  ok: level set to "Alle"
  ok: both options ticked
${1:+  busy notice: $1
}  ok: run finished, completion text shown
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
}

part full-run < <(full_run)

# A part active: the warning instead of the dialog, the driver's run stopped
# there, and the host untouched.
part readiness-warning --active Traeger.par <<EOF
  ok: splash shown and dismissed with a key
  FAILED: main dialog shown
  message box: Kein Assembly-Dokument aktiv
  ok: message box confirmed
Marsitel ended with exit code 0

The driver ended with exit code 1
The host's state after:
$saved_documents
$saved_relations_untouched
active Traeger.par
EOF

# The third Delete of the run fails: Träger:1's two relations are gone and
# Träger:1 is grounded again, its ground now last; Schiene:1's first relation
# stays, and so does everything after it.
part failing-delete --fail "rel.Delete:3:4711:Beziehung ist gesperrt" <<EOF
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

# Twelve calls refused in the middle of the run, as a busy host refuses
# them: the notice shows, and the run ends as the full run does.
part busy-refusing --busy-at 30:12 < <(full_run "Solid Edge ist beschäftigt. Ist dort noch ein Dialog offen? Marsitel wartet höchstens eine Minute, bis Solid Edge wieder antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.")

# A call of the run taken and answered only after twelve seconds, as by a
# host busy computing: the notice says that Solid Edge does not answer, goes
# when the answer comes, and the run ends as the full run does.
part busy-late --hang-at 30:12000 < <(full_run "Solid Edge antwortet nicht. Vielleicht rechnet es noch. Marsitel wartet, bis Solid Edge antwortet. „Abbrechen“ beendet Marsitel; was bis dahin geändert wurde, bleibt geändert.")

# A host whose interfaces are registered for its own bitness alone: a
# 32-bit Marsitel cannot marshal them, and is told so in the error report
# with the remedy, not that no assembly is active; the host is untouched.
# (The full run above is the same with both views registered.) The number is
# Wine's: its CoGetPSClsid finds the key in the other view, and building the
# proxy fails (E_FAIL); Windows answers REGDB_E_IIDNOTREG (-2147221163).
part own-bitness-host --own-bitness <<EOF
  ok: splash shown and dismissed with a key
  FAILED: main dialog shown
  message box: Laufzeitfehler '-2147467259':

Die Schnittstellen von Solid Edge sind für 32-Bit-Programme nicht registriert. Verwenden Sie die 64-Bit-Version von Marsitel.
  ok: message box confirmed
Marsitel ended with exit code 1

The driver ended with exit code 1
The host's state after:
$saved_documents
$saved_relations_untouched
active Kran.asm
EOF

echo "cross_bitness.sh: no part \"$wanted\"" >&2
exit 2
