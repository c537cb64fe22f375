// What the editor tests share: kel's VS Code grammar run through vscode-textmate, vim run
// headless on the files of editors/vim, and the playground's language (web/lang.js) in a
// CodeMirror state, all giving a source's highlighting in the same form: the runs of text of one
// token class, as 'class text' (blanks outside comments belong to no run).
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const root = fileURLToPath(new URL('../../', import.meta.url));
export const editors = join(root, 'editors');
export const kel = process.env.KEL ?? join(root, 'build/kel');
// Set by tests/editors/run when vim is missing: what needs it is skipped.
export const noVim = process.env.KEL_NO_VIM === '1' && 'vim is missing';
// Set by tests/editors/run when web/lang.js is missing.
export const noLang = process.env.KEL_NO_LANG === '1' && 'web/lang.js is missing';

const require = createRequire(join(editors, 'package.json'));

// TextMate scopes and vim groups to the token classes they both have.
const scopes = [
  ['keyword.other.kel', 'keyword'],
  ['constant.language.boolean.kel', 'constant'],
  ['support.type.kel', 'type'],
  ['constant.numeric.integer.kel', 'number'],
  ['invalid.illegal.number.kel', 'badnumber'],
  ['keyword.operator.kel', 'operator'],
  ['invalid.illegal.character.kel', 'invalid'],
  ['comment.block.kel', 'comment'],
  ['comment.other.unread.kel', 'unread'],
];
const groups = {
  kelKeyword: 'keyword',
  kelBoolean: 'constant',
  kelType: 'type',
  kelNumber: 'number',
  kelBadNumber: 'badnumber',
  kelOperator: 'operator',
  kelInvalid: 'invalid',
  kelComment: 'comment',
  kelUnread: 'unread',
};

// One class per character of a line to runs of one class.
function runs(line, classes) {
  const out = [];
  let start = 0;
  for (let i = 1; i <= line.length; i++) {
    if (i < line.length && classes[i] === classes[start]) continue;
    if (classes[start]) out.push(`${classes[start]} ${line.slice(start, i)}`);
    start = i;
  }
  return out;
}

let grammar;
export async function textmate(lines) {
  if (!grammar) {
    const tm = require('vscode-textmate');
    const onig = require('vscode-oniguruma');
    await onig.loadWASM(readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer);
    const file = join(editors, 'vscode/syntaxes/kel.tmLanguage.json');
    const registry = new tm.Registry({
      onigLib: Promise.resolve({
        createOnigScanner: (p) => new onig.OnigScanner(p),
        createOnigString: (s) => new onig.OnigString(s),
      }),
      loadGrammar: async () => tm.parseRawGrammar(readFileSync(file, 'utf8'), file),
    });
    grammar = await registry.loadGrammar('source.kel');
  }
  const tm = require('vscode-textmate');
  let state = tm.INITIAL;
  return lines.flatMap((line) => {
    const r = grammar.tokenizeLine(line, state);
    state = r.ruleStack;
    const classes = [];
    for (const t of r.tokens) {
      const cls = scopes.find(([s]) => t.scopes.includes(s))?.[1];
      for (let i = t.startIndex; i < Math.min(t.endIndex, line.length); i++) classes[i] = cls;
    }
    return runs(line, classes);
  });
}

// Runs vim headless with editors/vim first on its runtimepath, on the Ex commands given; the
// commands write what the test needs into the file out, whose lines are returned.
export function vim(commands, dir = mkdtempSync(join(tmpdir(), 'kel-vim-'))) {
  const script = join(dir, 'test.vim');
  const out = join(dir, 'out');
  writeFileSync(script, [...commands, 'qall!'].join('\n') + '\n');
  const rtp = join(editors, 'vim').replace(/[ ,\\]/g, '\\$&');
  const r = spawnSync('vim', ['-es', '-N', '-u', 'NONE', '-i', 'NONE', '--cmd', `set rtp^=${rtp}`,
    '--cmd', 'filetype plugin on | syntax on', '--cmd', `let g:out = '${out}'`, '-S', script], {
    cwd: dir, encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], timeout: 20000,
  });
  let lines;
  try {
    lines = readFileSync(out, 'utf8').split('\n');
  } catch {
    throw new Error(`vim wrote nothing (status ${r.status}): ${r.stdout}${r.stderr}`);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
  return lines;
}

// The highlighting of a kel file made of these lines, as vim's syntax file gives it.
export function vimRuns(lines) {
  const dir = mkdtempSync(join(tmpdir(), 'kel-vim-'));
  writeFileSync(join(dir, 'src.kel'), lines.join('\n') + '\n');
  const [json] = vim([
    'edit src.kel',
    "let g:names = map(range(1, line('$')), {_, l -> map(range(1, col([l, '$']) - 1),",
    "      \\ {_, c -> synIDattr(synID(l, c, 1), 'name')})})",
    'call writefile([json_encode(g:names)], g:out)',
  ], dir);
  return JSON.parse(json).flatMap((names, l) => runs(lines[l], names.map((n) => groups[n])));
}

// The highlighting of these lines by the playground's language, with the CodeMirror packages of
// web/node_modules; its token classes are the table's (typeName is type), but for names,
// parentheses, ";" and ".", which belong to no run.
const web = (path) => import(pathToFileURL(join(root, 'web', path)).href);
export async function langRuns(lines) {
  const [{ kel }, { EditorState }, { ensureSyntaxTree }] = await Promise.all([
    web('lang.js'), web('node_modules/@codemirror/state/dist/index.js'),
    web('node_modules/@codemirror/language/dist/index.js')]);
  const state = EditorState.create({ doc: lines.join('\n'), extensions: [kel] });
  const classes = [];
  ensureSyntaxTree(state, state.doc.length, 5000).iterate({
    enter(node) {
      const cls = node.name === 'typeName' ? 'type' : node.name;
      if (!scopes.some(([, c]) => c === cls)) return;
      for (let i = node.from; i < node.to; i++) classes[i] = cls;
    },
  });
  let from = 0;
  return lines.flatMap((line) => {
    const runsOfLine = runs(line, classes.slice(from, from + line.length));
    from += line.length + 1;
    return runsOfLine;
  });
}
