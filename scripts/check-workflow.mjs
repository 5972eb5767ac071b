// Checks CI workflows: each against the workflow schema (action-validator),
// and that what it names exists in this repository: the CMake presets it
// configures, builds, tests or packages with (and that they are enabled on
// the job's runner), the CMake targets it builds, the scripts it runs and the
// local actions it uses. The schema allows a misspelt name; this does not.
//   node check-workflow.mjs NODE_MODULES REPO_ROOT WORKFLOW...
// NODE_MODULES holds the npm packages @action-validator/cli and yaml
// (scripts/check-workflow.sh installs them). Prints what it checked and
// every fault; exits 1 on any.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const [modules, root, ...workflows] = process.argv.slice(2);
const { parse } = createRequire(path.join(path.resolve(modules), 'index.js'))('yaml');
const faults = [];
const fault = (where, text) => faults.push(`${where}: ${text}`);
const labelOf = (file) => (file.startsWith(`${root}/`) ? path.relative(root, file) : file);

// --- CMake presets -----------------------------------------------------------

const presetKinds = {
    configure: 'configurePresets',
    build: 'buildPresets',
    test: 'testPresets',
    package: 'packagePresets',
    workflow: 'workflowPresets',
};

function loadPresets() {
    const file = path.join(root, 'CMakePresets.json');
    const json = JSON.parse(fs.readFileSync(file, 'utf8'));
    const presets = {};
    for (const [kind, key] of Object.entries(presetKinds)) {
        presets[kind] = new Map((json[key] ?? []).map((p) => [p.name, p]));
    }
    return presets;
}

// The condition that decides whether a configure preset is enabled: its
// own, else the first one found through what it inherits.
function conditionOf(preset, presets) {
    if (!preset) return undefined;
    if (preset.condition !== undefined) return preset.condition;
    const parents = [preset.inherits ?? []].flat();
    for (const parent of parents) {
        const found = conditionOf(presets.configure.get(parent), presets);
        if (found !== undefined) return found;
    }
    return undefined;
}

// Evaluates a condition for a host system; null where it depends on more
// than the host system (the preset then counts as enabled).
function evaluate(condition, hostSystemName) {
    if (condition === undefined || condition === null) return true;
    if (typeof condition === 'boolean') return condition;
    const expand = (text) => {
        const expanded = String(text).replaceAll('${hostSystemName}', hostSystemName);
        return expanded.includes('${') || expanded.includes('$env{') ? null : expanded;
    };
    const all = (list, want) => {
        const values = list.map((c) => evaluate(c, hostSystemName));
        if (values.includes(want)) return want;
        return values.includes(null) ? null : !want;
    };
    switch (condition.type) {
        case 'const':
            return condition.value;
        case 'equals':
        case 'notEquals': {
            const [lhs, rhs] = [expand(condition.lhs), expand(condition.rhs)];
            if (lhs === null || rhs === null) return null;
            return (lhs === rhs) === (condition.type === 'equals');
        }
        case 'inList':
        case 'notInList': {
            const value = expand(condition.string);
            const list = condition.list.map(expand);
            if (value === null || list.includes(null)) return null;
            return list.includes(value) === (condition.type === 'inList');
        }
        case 'allOf':
            return all(condition.conditions, false);
        case 'anyOf':
            return all(condition.conditions, true);
        case 'not': {
            const value = evaluate(condition.condition, hostSystemName);
            return value === null ? null : !value;
        }
        default:
            return null;
    }
}

function hostSystemOf(runsOn) {
    const label = String(runsOn ?? '');
    if (/^windows/i.test(label)) return 'Windows';
    if (/^ubuntu/i.test(label)) return 'Linux';
    if (/^macos/i.test(label)) return 'Darwin';
    return null;
}

function checkPreset(where, kind, name, presets, hostSystem) {
    const preset = presets[kind].get(name);
    if (!preset) {
        const known = [...presets[kind].values()].filter((p) => !p.hidden).map((p) => p.name);
        fault(where, `no ${kind} preset "${name}" in CMakePresets.json (${kind} presets: ${known.join(', ')})`);
        return;
    }
    if (preset.hidden) {
        fault(where, `${kind} preset "${name}" is hidden: CMake cannot use it`);
        return;
    }
    if (kind === 'workflow') {
        for (const step of preset.steps ?? []) checkPreset(where, step.type, step.name, presets, hostSystem);
        return;
    }
    const configureName = kind === 'configure' ? name : preset.configurePreset;
    const configure = presets.configure.get(configureName);
    if (!configure) {
        fault(where, `${kind} preset "${name}" names configure preset "${configureName}", which does not exist`);
        return;
    }
    if (hostSystem && evaluate(conditionOf(configure, presets), hostSystem) === false) {
        fault(where, `configure preset "${configureName}" is disabled on ${hostSystem} (its condition)`);
    }
}

// --- CMake targets -----------------------------------------------------------

// Targets every generator knows without a definition of ours.
const builtinTargets = ['all', 'clean', 'install', 'install/strip', 'test', 'package', 'help', 'ALL_BUILD',
    'RUN_TESTS', 'INSTALL', 'PACKAGE', 'ZERO_CHECK', 'edit_cache', 'rebuild_cache'];

function cmakeFiles(dir) {
    const files = [];
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
        if (['.git', 'build', 'node_modules', 'dist'].includes(entry.name) || entry.name.startsWith('build-')) continue;
        const full = path.join(dir, entry.name);
        if (entry.isDirectory()) files.push(...cmakeFiles(full));
        else if (entry.name === 'CMakeLists.txt' || entry.name.endsWith('.cmake')) files.push(full);
    }
    return files;
}

function withoutComments(text) {
    return text.split('\n').map((line) => {
        let quoted = false;
        for (let i = 0; i < line.length; ++i) {
            if (line[i] === '"' && line[i - 1] !== '\\') quoted = !quoted;
            else if (line[i] === '#' && !quoted) return line.slice(0, i);
        }
        return line;
    }).join('\n');
}

// Target names from add_executable, add_library and add_custom_target, and
// from calls of our functions that pass their first argument on to one.
function loadTargets() {
    const sources = cmakeFiles(root).map((f) => withoutComments(fs.readFileSync(f, 'utf8')));
    const definers = new Set(['add_executable', 'add_library', 'add_custom_target']);
    const functionPattern = /\bfunction\s*\(\s*(\w+)\s+(\w+)[^)]*\)([\s\S]*?)\bendfunction\s*\(/gi;
    for (const text of sources) {
        for (const [, name, firstArgument, body] of text.matchAll(functionPattern)) {
            const passesOn = new RegExp(`\\badd_(executable|library|custom_target)\\s*\\(\\s*\\$\\{${firstArgument}\\}`, 'i');
            if (passesOn.test(body)) definers.add(name.toLowerCase());
        }
    }
    const targets = new Set(builtinTargets);
    const callPattern = /\b(\w+)\s*\(\s*([^\s()"]+)/g;
    for (const text of sources) {
        for (const [, command, name] of text.matchAll(callPattern)) {
            if (definers.has(command.toLowerCase()) && !name.includes('${')) targets.add(name);
        }
    }
    return targets;
}

// --- the workflow ------------------------------------------------------------

function cartesian(axes) {
    return Object.entries(axes).reduce(
        (combos, [key, values]) => combos.flatMap((c) => values.map((v) => ({ ...c, [key]: v }))), [{}]);
}

// The job's matrix combinations, as GitHub forms them from the axes,
// include and exclude; null where the matrix is an expression.
function matrixOf(job) {
    const matrix = job.strategy?.matrix;
    if (matrix === undefined) return [{}];
    if (typeof matrix !== 'object' || Array.isArray(matrix)) return null;
    const axes = Object.fromEntries(Object.entries(matrix).filter(([k]) => k !== 'include' && k !== 'exclude'));
    if (Object.values(axes).some((v) => !Array.isArray(v))) return null;
    const matches = (combo, entry) => Object.keys(entry).every((k) => !(k in axes) || combo[k] === entry[k]);
    const combos = (Object.keys(axes).length ? cartesian(axes) : [])
        .filter((c) => !(matrix.exclude ?? []).some((e) => matches(c, e)));
    const fromAxes = [...combos];
    // An include entry extends every combination whose axis values it
    // keeps, and is a combination of its own where it extends none.
    for (const entry of matrix.include ?? []) {
        const extended = fromAxes.filter((c) => matches(c, entry));
        extended.forEach((c) => Object.assign(c, entry));
        if (!extended.length) combos.push({ ...entry });
    }
    return combos;
}

function substitute(text, contexts) {
    return String(text).replace(/\$\{\{\s*(matrix|env)\.([\w-]+)\s*\}\}/g, (whole, context, key) =>
        contexts[context][key] !== undefined ? String(contexts[context][key]) : whole);
}

// Shell words of a run script, command by command: lines joined where they
// continue (a backslash for bash, a backtick for PowerShell), split at
// separators, and quotes taken off.
function commandsOf(script) {
    const joined = script.replace(/[\\`]\r?\n/g, ' ');
    const commands = [];
    for (const line of joined.split('\n')) {
        for (const part of line.split(/&&|\|\||;|\|/)) {
            const words = [...part.matchAll(/"([^"]*)"|'([^']*)'|(\S+)/g)].map((m) => m[1] ?? m[2] ?? m[3]);
            const comment = words.findIndex((w) => w.startsWith('#'));
            const command = comment < 0 ? words : words.slice(0, comment);
            if (command.length) commands.push(command);
        }
    }
    return commands;
}

function optionValues(words, names) {
    const values = [];
    words.forEach((word, i) => {
        for (const name of names) {
            if (word === name && words[i + 1] !== undefined) values.push(words[i + 1]);
            else if (word.startsWith(`${name}=`)) values.push(word.slice(name.length + 1));
        }
    });
    return values;
}

const scriptExtension = /\.(sh|bash|ps1|py|bat|cmd|cmake|mjs|js|pl)$/i;
const programWithScript = new Set(['bash', 'sh', 'pwsh', 'powershell', 'python', 'python3', 'node', 'perl', 'source', '.']);

function checkCommand(where, words, directory, checks) {
    const program = path.basename(words[0]).replace(/\.exe$/i, '').toLowerCase();
    const unresolved = (value) => value.includes('${{');
    const named = [];
    if (program === 'cmake' && !words.includes('--list-presets')) {
        const kind = words.includes('--build') ? 'build' : words.includes('--workflow') ? 'workflow' : 'configure';
        optionValues(words, ['--preset']).forEach((p) => named.push(['preset', kind, p]));
        let afterTarget = false;
        for (const word of words) {
            if (word.startsWith('-')) afterTarget = word === '--target' || word === '-t';
            else if (afterTarget) named.push(['target', null, word]);
        }
        optionValues(words, ['-P']).forEach((s) => named.push(['script', null, s]));
    } else if (program === 'ctest') {
        optionValues(words, ['--preset']).forEach((p) => named.push(['preset', 'test', p]));
    } else if (program === 'cpack') {
        optionValues(words, ['--preset']).forEach((p) => named.push(['preset', 'package', p]));
    }
    words.forEach((word, i) => {
        const runByProgram = i === 1 && programWithScript.has(program) && !word.startsWith('-');
        const isPath = (i === 0 && word.includes('/')) || runByProgram || (scriptExtension.test(word) && !word.startsWith('-'));
        // Only the repository's own: not a variable, an address or a path outside it.
        const ours = !/^[$~/]|^[A-Za-z]:|:\/\//.test(word);
        if (isPath && ours && !named.some(([k, , v]) => k === 'script' && v === word)) {
            named.push(['script', null, word]);
        }
    });
    for (const [what, kind, name] of named) {
        if (unresolved(name)) {
            fault(where, `cannot resolve ${what} "${name}"`);
        } else if (what === 'preset') {
            checkPreset(where, kind, name, checks.presets, checks.hostSystem);
            checks.seen.add(`${kind} preset ${name}`);
        } else if (what === 'target') {
            if (!checks.targets.has(name)) fault(where, `no CMake target "${name}" in any CMakeLists.txt`);
            checks.seen.add(`target ${name}`);
        } else {
            if (!fs.existsSync(path.resolve(root, directory, name))) fault(where, `no script "${name}" (from ${directory})`);
            checks.seen.add(`script ${name}`);
        }
    }
}

// The validator prints its findings as JSON. Where the schema offers
// alternatives (a job that runs steps, or one that calls another workflow),
// it reports each; the one that comes closest is the one meant.
function findingsOf(node) {
    if (Array.isArray(node)) return node.flatMap(findingsOf);
    if (node?.states) {
        return node.states.map(findingsOf).reduce((best, f) => (f.length < best.length ? f : best));
    }
    if (node?.errors) return findingsOf(node.errors);
    return node?.title ? [`${node.path ?? ''}: ${node.detail ?? node.title}`] : [];
}

function validate(label, file) {
    const validator = path.join(modules, '.bin', 'action-validator');
    const run = spawnSync(validator, [file], { cwd: root, encoding: 'utf8' });
    if (run.status === 0) return;
    let findings;
    try {
        findings = findingsOf(JSON.parse(run.stderr || run.stdout));
    } catch {
        findings = [];
    }
    if (!findings.length) findings.push((run.stderr + run.stdout).trim() || `action-validator ended with ${run.status ?? run.signal}`);
    for (const finding of new Set(findings)) fault(label, `schema: ${finding}`);
}

function checkWorkflow(file, presets, targets) {
    const label = labelOf(file);
    validate(label, file);
    let workflow;
    try {
        workflow = parse(fs.readFileSync(file, 'utf8'));
    } catch (error) {
        fault(label, `not readable YAML: ${error.message.split('\n')[0]}`);
        return new Set();
    }
    const seen = new Set();
    for (const [jobId, job] of Object.entries(workflow?.jobs ?? {})) {
        const combos = matrixOf(job);
        if (combos === null) {
            fault(`${label} job ${jobId}`, 'its matrix is an expression, which this check cannot expand');
            continue;
        }
        for (const combo of combos) {
            const env = { ...(workflow.env ?? {}), ...(job.env ?? {}) };
            const jobWhere = `${label} job ${jobId}${Object.keys(combo).length ? ` (${Object.values(combo).join(', ')})` : ''}`;
            const hostSystem = hostSystemOf(substitute(job['runs-on'], { matrix: combo, env }));
            const checks = { presets, targets, hostSystem, seen };
            (job.steps ?? []).forEach((step, index) => {
                const where = `${jobWhere} step ${step.name ?? index + 1}`;
                const contexts = { matrix: combo, env: { ...env, ...(step.env ?? {}) } };
                if (typeof step.uses === 'string' && step.uses.startsWith('./')) {
                    if (!fs.existsSync(path.join(root, step.uses))) fault(where, `no local action "${step.uses}"`);
                }
                if (typeof step.run !== 'string') return;
                const directory = substitute(step['working-directory'] ?? job.defaults?.run?.['working-directory']
                    ?? workflow.defaults?.run?.['working-directory'] ?? '.', contexts);
                for (const words of commandsOf(substitute(step.run, contexts))) {
                    checkCommand(where, words, directory, checks);
                }
            });
        }
    }
    return seen;
}

const presets = loadPresets();
const targets = loadTargets();
for (const file of workflows) {
    const seen = checkWorkflow(file, presets, targets);
    console.log(`${labelOf(file)}: names ${[...seen].sort().join('; ') || 'nothing to check'}`);
}
for (const text of faults) console.log(`FAULT ${text}`);
process.exit(faults.length ? 1 : 0);
