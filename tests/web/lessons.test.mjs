// The tour's lessons and exercises against kel.wasm. Every lesson of lessons/ parses, within about
// 250 words of prose, and its program gives what its text says (the table below); every predict
// step of every lesson is a command of kel's run whose choices hold kel's command once and no
// distractor equal to it; every task has a program that meets it (the table). Then the
// questions of every step of the examples, of the end-to-end cases that give kel nothing but
// standard input and of random programs, each distractor's words held to the run: the command
// numbers, the stack, the values they name. The page draws the same data (web/result.js).
//   node --test-reporter=tap tests/web/lessons.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { test } from 'node:test';
import { checkTask } from '../../core/index.js';
import { parseLesson } from '../../web/lesson.js';
import { result } from '../../web/result.js';
import { caseFiles, eachInput, example, examples, kel, root } from './inputs.mjs';

const enc = new TextEncoder();
const lessonDir = new URL('lessons/', root);
const files = readdirSync(lessonDir).filter((f) => /^\d+-.*\.md$/.test(f)).sort();
const lesson = (f) => parseLesson(readFileSync(new URL(f, lessonDir), 'utf8'));
const out = (r) => r.rows.filter((row) => row.fd === 1).map((row) => row.text);
const taskRun = (r) => ({
  status: r.status, output: out(r), diagnostic: r.diagnostic?.text ?? null,
  commands: r.steps.filter((s) => s.name).map((s) => ({ name: s.name, operand: s.operand })),
});

// Each lesson: what its program writes and its exit status, as its text says; then for each of
// its tasks, in order, a program that meets it.
const table = {
  '01-read-and-run.md': [['42', '100'], 0, ['BEGIN WRITE 7; WRITE 8 .']],
  '02-tokens.md': [['5', '12'], 0, ['VAR x : INTEGER;\nBEGIN\n  x := 5;\n  WRITEx;\n  WRITE 12\n.\n']],
  '03-declarations.md': [['0', '40'], 0, ['VAR a : INTEGER; b : INTEGER; c : INTEGER; BEGIN c := 7; WRITE c .']],
  '04-machine.md': [['8'], 0, ['VAR x : INTEGER; BEGIN x := 7; x := x * 3; WRITE x .']],
  '05-expressions.md': [['14', '20'], 0, ['VAR a : INTEGER; b : INTEGER; c : INTEGER; BEGIN a := 2; b := 3; c := 4; WRITE b * c - a .']],
  '06-folding.md': [['42', '3', '3'], 0, ['BEGIN WRITE 10 * 10 * 10 .']],
  '07-held-back.md': [['96', '25', 'TRUE'], 0, ['VAR x : INTEGER; BEGIN x := 4; WRITE 20 / x .']],
  '08-booleans.md': [['FALSE', 'TRUE'], 0, ['VAR b : BOOLEAN; BEGIN WRITE b & TRUE .']],
  '09-code-store.md': [['42', '300'], 0, ['BEGIN WRITE 255 .']],
  '10-errors.md': [['1'], 9, ['VAR z : INTEGER; BEGIN WRITE 5; WRITE 1 / z .']],
  '11-together.md': [['60', 'FALSE'], 9, ['CONST width = 4 * 5; VAR area : INTEGER; big : BOOLEAN; BEGIN area := width * 3; WRITE area; big := 100 < area; WRITE big; WRITE 1000 / (area - 40) .']],
};

test('the lessons: at least ten, each in the table', () => {
  assert.ok(files.length >= 10);
  assert.deepEqual(Object.keys(table), files);
});

for (const f of files) {
  test(`lesson ${f}: parses, its program as its text says, its predictions and tasks`, async () => {
    const l = lesson(f);
    assert.deepEqual(l.problems, []);
    assert.ok(l.title && l.program, 'a title and a program');
    assert.ok(l.words <= 250, `${l.words} words of prose`);
    const [stdout, status, solutions] = table[f];
    const r = await result(kel, enc.encode(l.program));
    assert.deepEqual([out(r), r.status], [stdout, status]);
    const tasks = l.exercises.filter((e) => e.kind === 'task');
    assert.equal(solutions.length, tasks.length, 'a program for each task');
    for (const e of l.exercises.filter((x) => x.kind === 'predict')) {
      for (const k of e.steps) {
        const s = r.steps[k - 1];
        assert.ok(s?.question, `command ${k}`);
        assert.equal(s.question.answer, s.command.replace(/^\d+: +/, '').trimEnd(), `command ${k} is kel's`);
      }
    }
    for (const [i, t] of tasks.entries()) {
      const got = checkTask(t, taskRun(await result(kel, enc.encode(solutions[i]))));
      assert.ok(got.every((c) => c.met), JSON.stringify(got));
      // The lesson's own program does not meet it, or the task would ask nothing.
      assert.ok(!checkTask(t, taskRun(r)).every((c) => c.met), 'the lesson\'s program meets the task already');
    }
  });
}

// Every question of a run, with each distractor's words held to the run itself.
async function questionsHold(input) {
  const r = await result(kel, input);
  const texts = r.steps.map((s) => (s.name ? s.command.replace(/^\d+: +/, '').trimEnd() : null));
  r.steps.forEach((s, i) => {
    const what = `command ${i + 1}, ${texts[i]}`;
    if (!s.name) return assert.equal(s.question, null, what);
    const q = s.question;
    const commands = q.choices.map((c) => c.command);
    assert.equal(q.answer, texts[i], what);
    assert.ok(commands.length >= 3 && commands.length <= 4, `${what}: ${commands}`);
    assert.equal(new Set(commands).size, commands.length, `${what}: each choice once`);
    assert.deepEqual(q.choices.filter((c) => c.right).map((c) => c.command), [texts[i]], what);
    const before = i === 0 ? 0 : r.steps[i - 1].stack.length;
    for (const c of q.choices.filter((x) => !x.right)) {
      const w = c.words;
      const claim = `${what}, not ${c.command}: ${w}`;
      assert.ok(w.startsWith(`kel did not generate ${c.command} here: it generated ${texts[i]}. `), claim);
      for (const [, k] of w.matchAll(/as command (\d+)/g)) assert.equal(texts[k - 1], c.command, claim);
      if (/the stack is empty before/.test(w)) assert.equal(before, 0, claim);
      if (/holds only one value before/.test(w)) assert.equal(before, 1, claim);
      const holds = /before this command it holds (\d+) values/.exec(w);
      if (holds) assert.equal(before, Number(holds[1]), claim);
      const here = /\(here (-?\d+|TRUE|FALSE)/.exec(w);
      if (here && !s.error) assert.equal(s.stack.at(-1), here[1], claim);
      if (here && s.name === 'Lod') assert.equal(s.vars.find((v) => v.slot === s.operand)?.value, here[1], claim);
      const folded = /folded it to (-?\d+|TRUE \(1\)|FALSE \(0\))/.exec(w);
      if (folded) assert.equal(folded[1].replace(/^\w+ \((\d)\)$/, '$1'), String(s.operand), claim);
    }
  });
}

for (const name of examples) test(`questions of example ${name}`, () => questionsHold(example(name)));

test('questions of the stdin-only cases', async () => {
  for (const file of caseFiles) await eachInput(file, questionsHold);
});

// A Lod that the code store has no room for never runs: what its slot holds is still known.
test('questions of a Lod that did not fit into the code store', () =>
  questionsHold(enc.encode(`VAR x : INTEGER; BEGIN x := 5; WRITE -x; WRITE -x; ${'WRITE 1; '.repeat(142)}WRITE x .`)));

// Random programs of every kind of expression kel has: constants and variables, INTEGER and
// BOOLEAN, nesting, relations turned round or not, some failing at run time.
function randomProgram(seed) {
  let x = seed;
  const rnd = (n) => ((x = (x * 1103515245 + 12345) & 0x7fffffff), x % n);
  const pick = (a) => a[rnd(a.length)];
  const int = (d) => {
    if (d > 3 || rnd(3) === 0) return pick(['1', '7', '40', 'k', 'i', 'j', 'i', '(0 - 3)']);
    const e = `${int(d + 1)} ${pick(['+', '-', '*', '/'])} ${int(d + 1)}`;
    return rnd(3) === 0 ? `(${e})` : rnd(5) === 0 ? `-${e}` : e;
  };
  const bool = (d) => {
    if (d > 2 || rnd(4) === 0) return pick(['TRUE', 'b', 'on', `${int(d + 1)} ${pick(['<', '<=', '>', '>=', '=', '#'])} ${int(d + 1)}`]);
    return `${rnd(3) ? '' : '~'}(${bool(d + 1)}) ${pick(['&', '|', '=', '<'])} ${bool(d + 1)}`;
  };
  const statements = Array.from({ length: 2 + rnd(4) }, () =>
    pick([() => `i := ${int(0)}`, () => `j := ${int(0)}`, () => `WRITE ${int(0)}`, () => `WRITE ${bool(0)}`, () => `b := ${bool(0)}`])());
  return `CONST k = 3; on = k > 2;\nVAR i : INTEGER; j : INTEGER; b : BOOLEAN;\nBEGIN\n  i := 5;\n  ${statements.join(';\n  ')}\n.\n`;
}

test('questions of 300 random programs', async () => {
  for (let seed = 1; seed <= 300; seed++) {
    const src = randomProgram(seed);
    await questionsHold(enc.encode(src)).catch((e) => {
      e.message = `${src}\n${e.message}`;
      throw e;
    });
  }
});

test('a task checked: each condition met or not, in words from the run', () => {
  const run = { status: 9, output: ['1', 'TRUE'], diagnostic: 'Comp: Division by zero.', commands: [{ name: 'Val', operand: 1 }, { name: 'Wrt' }, { name: 'Lod', operand: 0 }, { name: 'Vid' }] };
  const task = { writes: ['1', 'TRUE'], generates: ['Vid', 'Val 2'], avoids: ['Lod', 'Add'], status: 0 };
  assert.deepEqual(checkTask(task, run).map((c) => [c.condition, c.met, c.words]), [
    ['writes: 1 | TRUE', true, 'It wrote 1 | TRUE.'],
    ['generates: Vid', true, 'kel generated Vid as command 4.'],
    ['generates: Val 2', false, 'kel generated no Val 2.'],
    ['avoids: Lod', false, 'kel generated Lod 0 as command 3.'],
    ['avoids: Add', true, 'kel generated no Add.'],
    ['status: 0', false, 'kel ended with exit status 9: Comp: Division by zero.'],
  ]);
});

test('a lesson that does not read as the format says is told what to mend', () => {
  const table = [
    ['no title\n\n```kel\nBEGIN .\n```\n', /no title/],
    ['# t\n\n```predict\nsteps: 2\n```\n', /has none: a block of language kel/],
    ['# t\n\n```kel\nBEGIN .\n```\n\n```predict\nsteps 2\n```\n', /one line, steps:/],
    ['# t\n\n```predict\nsteps: 0\n```\n```kel\nBEGIN .\n```\n', /count from 1/],
    ['# t\n\n```task\nwrites 1\n```\n', /not writes 1/],
    ['# t\n\n```task\ngenerates: Foo\n```\n', /not Foo/],
    ['# t\n\n```task\ngenerates: Val 2147483648\n```\n', /not Val 2147483648/],
    ['# t\n\n```task\nstatus: x\n```\n', /not x/],
    ['# t\n\n```task\n\n```\n', /at least one/],
  ];
  for (const [md, problem] of table) assert.match(parseLesson(md).problems.join(' '), problem, md);
  const l = parseLesson('# Title\n\n```kel\nBEGIN WRITE 1 .\n```\n\n```task\nwrites:\nstatus: 9\ngenerates: Val -2\navoids: Lod 3\n```\n');
  assert.deepEqual([l.title, l.program, l.exercises], ['Title', 'BEGIN WRITE 1 .\n',
    [{ kind: 'task', writes: [], generates: ['Val -2'], avoids: ['Lod 3'], status: 9 }]]);
});
