"""Checks the CI workflows that run elsewhere (on a Windows runner), so that a fault in them shows here first: each
CMake preset that they configure, build, test or package with exists and is enabled on the job's runner, and each CMake
target that they build and script that they run exists. No schema check: Debian has no validator that knows the schema.
  python3 scripts/check-workflow.py [WORKFLOW...]    (default: .github/workflows/*.yml; needs python3-yaml)"""
import glob, itertools, json, os, re, shlex, subprocess, sys, yaml

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RUNNERS = {"windows": "Windows", "ubuntu": "Linux", "macos": "Darwin"}
faults = []
ALL_PRESETS = json.load(open(os.path.join(ROOT, "CMakePresets.json"), encoding="utf-8"))
PRESETS = {kind: {p["name"]: p for p in ALL_PRESETS.get(f"{kind}Presets", [])}
           for kind in ("configure", "build", "test", "package", "workflow")}
# The targets: what add_executable, add_library, add_custom_target and our functions around them define.
SOURCES = subprocess.run(["git", "-C", ROOT, "ls-files", "*CMakeLists.txt", "cmake/*.cmake"], capture_output=True,
                         text=True, check=True).stdout.split()
TEXTS = [re.sub(r"#.*", "", open(os.path.join(ROOT, f), encoding="utf-8").read()) for f in SOURCES]
DEFINERS = {"add_executable", "add_library", "add_custom_target"} | {
    f for t in TEXTS for f, arg, body in re.findall(r"function\((\w+)\s+(\w+)[^)]*\)(.*?)endfunction", t, re.S)
    if re.search(r"add_(executable|library|custom_target)\(\s*\$\{" + arg + "}", body)}
TARGETS = {"all", "install", "package"} | {
    n for t in TEXTS for f, n in re.findall(r"(\w+)\(\s*([\w.-]+)", t) if f in DEFINERS}

def condition_of(preset):  # its own, else the first that its parents give
    up = preset.get("inherits", [])
    found = (condition_of(PRESETS["configure"].get(p, {})) for p in ([up] if isinstance(up, str) else up))
    return preset["condition"] if "condition" in preset else next((c for c in found if c is not None), None)

def holds(c, host):  # a condition on anything but the host system counts as met
    text, kind = (lambda s: str(s).replace("${hostSystemName}", host)), c.get("type") if isinstance(c, dict) else None
    if kind in ("equals", "notEquals", "inList", "notInList"):
        found = text(c["lhs"]) == text(c["rhs"]) if "quals" in kind else text(c["string"]) in map(text, c["list"])
        return found != kind.startswith("not")
    if kind in ("allOf", "anyOf"):
        return (all if kind == "allOf" else any)(holds(x, host) for x in c["conditions"])
    return not holds(c["condition"], host) if kind == "not" else c.get("value", True) if kind else c is not False

def check_preset(where, kind, name, host):
    preset = PRESETS[kind].get(name)
    if preset is None or preset.get("hidden"):
        faults.append(f'{where}: no {kind} preset "{name}" that CMake can use in CMakePresets.json')
    elif kind == "workflow":
        for step in preset.get("steps", []):
            check_preset(where, step["type"], step["name"], host)
    elif (configure := PRESETS["configure"].get(preset.get("configurePreset", name))) is None:
        faults.append(f'{where}: {kind} preset "{name}" names no configure preset that exists')
    elif host and not holds(condition_of(configure), host):
        faults.append(f'{where}: configure preset "{configure["name"]}" is disabled on {host}')

def combinations(job):  # the job's matrix as GitHub expands its axes, exclude and include; None for an expression
    matrix = (job.get("strategy") or {}).get("matrix")
    if not isinstance(matrix, dict):
        return [{}] if matrix is None else None
    axes = {k: v for k, v in matrix.items() if k not in ("include", "exclude")}
    excluded = lambda c: any(all(c.get(k) == v for k, v in e.items()) for e in matrix.get("exclude", []))
    found = [c for c in (dict(zip(axes, v)) for v in itertools.product(*axes.values())) if axes and not excluded(c)]
    from_axes = list(found)
    for entry in matrix.get("include", []):
        extended = [c for c in from_axes if all(c[k] == v for k, v in entry.items() if k in axes)]
        found += [] if extended else [dict(entry)]
        for c in extended:
            c.update(entry)
    return found

def check_command(where, words, folder, host, seen):
    program = os.path.basename(words[0]).lower().removesuffix(".exe")
    values = lambda *names: [w for i, w in enumerate(words) if i and words[i - 1] in names]
    kind = {"ctest": "test", "cpack": "package"}.get(program) or next(
        (k for k in ("build", "workflow") if f"--{k}" in words), "configure")
    for name in values("--preset") if program in ("cmake", "ctest", "cpack") else []:
        check_preset(where, kind, name, host)
        seen.add(f"{kind} preset {name}")
    for name in values("--target", "-t") if program == "cmake" else []:
        faults.extend([] if name in TARGETS else [f'{where}: no CMake target "{name}"'])
        seen.add(f"target {name}")
    for word in (w for i, w in enumerate(words) if re.search(r"\.(sh|py|ps1|cmd|cmake)$", w) or i == 0 and "/" in w):
        if not re.match(r"[-$~/]|[A-Za-z]:|.*://", word):  # only this repository's own
            faults.extend([] if os.path.exists(os.path.join(ROOT, folder, word)) else [f'{where}: no script "{word}"'])
            seen.add(f"script {word}")

def check_workflow(path):
    label, seen = os.path.relpath(path, ROOT), set()
    for job_id, job in ((yaml.safe_load(open(path, encoding="utf-8")) or {}).get("jobs") or {}).items():
        if (matrices := combinations(job)) is None:
            faults.append(f"{label} job {job_id}: its matrix is an expression, which this check cannot expand")
        for matrix in matrices or []:
            expand = lambda t: re.sub(r"\$\{\{\s*matrix\.([\w-]+)\s*\}\}", lambda m: str(matrix.get(m[1], m[0])), t)
            host = next((s for p, s in RUNNERS.items() if expand(str(job.get("runs-on"))).startswith(p)), None)
            folder = ((job.get("defaults") or {}).get("run") or {}).get("working-directory", ".")
            for number, step in enumerate(job.get("steps") or [], 1):
                where = f"{label} job {job_id} ({', '.join(map(str, matrix.values()))}) step {step.get('name', number)}"
                # Lines that continue (bash's backslash, PowerShell's backtick) joined, then split into commands.
                for command in re.split(r"&&|\|\||[;|\n]", re.sub(r"[\\`]\r?\n", " ", expand(step.get("run", "")))):
                    if words := shlex.split(command, comments=True):
                        check_command(where, words, step.get("working-directory", folder), host, seen)
    print(f"{label}: names {'; '.join(sorted(seen)) or 'nothing to check'}")

for workflow in sys.argv[1:] or sorted(glob.glob(f"{ROOT}/.github/workflows/*.y*ml")):
    check_workflow(os.path.abspath(workflow))
print("\n".join(f"FAULT {fault}" for fault in dict.fromkeys(faults)) or "check-workflow: every name in the workflows found")
sys.exit(1 if faults else 0)
