// The step view's words (web/result.js, core/words.js, core/stops.js) on random programs, held
// to kel.wasm: programs of variables, constants and expressions of every operator, some cut off
// by an error, some that fill the code store or the stack, some that divide by 0 or overflow,
// made from a fixed seed. For every step: its label counts the commands kel traced; the token
// "kel had just read" is the source text just before the character kel looked at; words name no
// value that is not there. A command that failed never claims its effect, and the operands
// shown where it failed are the values kel computes for its operands' texts. A statement left
// unfinished holds back constants whose values kel gives for their texts, and a folded division
// said to round down does so in kel.
//   node --test-reporter=tap tests/web/random.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { origins, run, traceOf } from '../../core/index.js';
import { result } from '../../web/result.js';
import { kel } from './inputs.mjs';

const enc = new TextEncoder();
const dec = new TextDecoder();
const programs = 300;

// mulberry32: a small generator with a fixed seed, so that every run makes the same programs.
function generator(seed) {
  return () => {
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// One random program as text, with where each operation's operator stands and the texts of its
// operands ({ at, operands }), and where each statement begins.
function program(random) {
  const pick = (xs) => xs[Math.floor(random() * xs.length)];
  const chance = (p) => random() < p;
  let text = '';
  const ops = [];
  const statements = [];
  const names = { INTEGER: [], BOOLEAN: [] };
  const constants = { INTEGER: [], BOOLEAN: [] };
  // Mostly small numbers; a few large ones overflow, folded or run.
  const number = () => (chance(0.06) ? pick(['46341', '65536', '2147483647']) : pick(['1', '2', '7', '10', '0007', String(Math.floor(random() * 50))]));

  function factor(t, depth) {
    const choices = t === 'INTEGER' ? ['number', 'number', 'name', 'constant', 'nested'] : ['truth', 'name', 'constant', 'nested', 'not'];
    let c = pick(choices);
    if (depth > 3 && (c === 'nested' || c === 'not')) c = t === 'INTEGER' ? 'number' : 'truth';
    if (c === 'name' && names[t].length) text += pick(names[t]);
    else if (c === 'constant' && constants[t].length) text += pick(constants[t]);
    else if (c === 'nested') {
      text += '(';
      expression(t, depth + 1);
      text += ')';
    } else if (c === 'not') {
      const at = text.length;
      text += '~';
      const from = text.length;
      factor(t, depth + 1);
      ops.push({ at, operands: [text.slice(from)] });
    } else text += t === 'INTEGER' ? number() : pick(['TRUE', 'FALSE']);
  }

  // A chain of operands of one level, left to right, the first written by first, each operation
  // with its left operand as written from the chain's start.
  function chain(t, depth, from, first, operand, operators, most) {
    first(t, depth);
    for (let n = Math.floor(random() * (most + 1)); n > 0; n--) {
      const left = text.slice(from);
      text += ' ';
      const at = text.length;
      text += `${pick(operators)} `;
      const right = text.length;
      operand(t, depth);
      ops.push({ at, operands: [left, text.slice(right)] });
    }
  }

  const term = (t, depth) => chain(t, depth, text.length, factor, factor, t === 'INTEGER' ? ['*', '/'] : ['&'], 2);

  // A term with a sign before it: "-" negates the whole term.
  function signed(t, depth) {
    const at = text.length;
    text += pick(['-', '+']);
    const operand = text.length;
    term(t, depth);
    if (text[at] === '-') ops.push({ at, operands: [text.slice(operand)] });
  }

  function simple(t, depth) {
    const first = t === 'INTEGER' && chance(0.2) ? signed : term;
    chain(t, depth, text.length, first, term, t === 'INTEGER' ? ['+', '-'] : ['|'], 2);
  }

  function expression(t, depth = 0) {
    if (t === 'BOOLEAN' && chance(0.4)) {
      const u = chance(0.7) ? 'INTEGER' : 'BOOLEAN';
      const from = text.length;
      simple(u, depth);
      const left = text.slice(from);
      text += ' ';
      const at = text.length;
      text += `${pick(u === 'INTEGER' ? ['=', '#', '<>', '<', '<=', '>', '>='] : ['=', '#'])} `;
      const right = text.length;
      simple(u, depth);
      ops.push({ at, operands: [left, text.slice(right)] });
    } else simple(t, depth);
  }

  const nConst = Math.floor(random() * 3);
  if (nConst) text += 'CONST\n';
  for (let i = 0; i < nConst; i++) {
    const t = chance(0.7) ? 'INTEGER' : 'BOOLEAN';
    text += `  k${i} = `;
    expression(t);
    text += ';\n';
    constants[t].push(`k${i}`);
  }
  text += 'VAR\n';
  for (let i = 0; i < 1 + Math.floor(random() * 4); i++) {
    const t = i === 0 || chance(0.6) ? 'INTEGER' : 'BOOLEAN';
    text += `  v${i} : ${t};${chance(0.3) ? ' ' : '\n'}`;
    names[t].push(`v${i}`);
  }
  text += 'BEGIN\n';
  // Variables start at 0, and a division by one ends the run: most are given a value first.
  for (const v of names.INTEGER) {
    if (!chance(0.8)) continue;
    statements.push(text.length + 2);
    text += `  ${v} := ${number()};\n`;
  }
  for (let n = 1 + Math.floor(random() * 7); n > 0; n--) {
    if (n > 1 || chance(0.5)) text += '  ';
    statements.push(text.length);
    const x = pick(names.INTEGER);
    if (chance(0.04)) text += `${x} := ${x}${` + ${x}`.repeat(130 + Math.floor(random() * 30))}`; // fills the code store
    else if (chance(0.04)) text += `WRITE ${`${x} + (`.repeat(28 + Math.floor(random() * 6))}(1 - ${x})${')'.repeat(34)}`; // fills the stack
    else if (chance(0.5)) {
      const t = chance(0.7) ? 'INTEGER' : 'BOOLEAN';
      const v = names[t].length ? pick(names[t]) : x;
      text += `${v} := `;
      expression(v === x ? 'INTEGER' : t);
    } else {
      text += 'WRITE ';
      expression(chance(0.6) ? 'INTEGER' : 'BOOLEAN');
    }
    text += n > 1 ? ';\n' : '\n';
  }
  text += '.\n';
  // Some programs end early, in a statement or between two: at an invalid character, or where
  // the text ends.
  if (chance(0.25)) {
    const body = statements[0];
    const cut = body + Math.floor(random() * (text.length - body));
    text = text.slice(0, cut) + (chance(0.5) ? ' ? WRITE 1 .' : '');
  }
  return { text, ops, statements };
}

// What kel writes for a program, line by line.
async function writes(src) {
  const r = await run(kel, enc.encode(src));
  return dec.decode(r.stdout).split('\r\n').slice(0, -1);
}

// The claims of one program's step view, against kel; returns the kinds of ending it met.
async function check(p) {
  const input = enc.encode(p.text);
  const r = await result(kel, input);
  const kelRun = await run(kel, input);
  const written = traceOf(kelRun.chunks);
  const o = origins(input, kelRun, written);
  const commands = r.steps.filter((s) => s.name);
  assert.equal(commands.length, written.trace.length, 'one step for each command traced');
  commands.forEach((s, k) => assert.equal(s.label, `Command ${k + 1} of ${commands.length}`));
  const fold = r.steps.find((s) => !s.name);
  if (fold) assert.ok(fold === r.steps.at(-1) && o.failedFold && !/^Command/.test(fold.label), 'the failed fold: last, no command');
  assert.equal(r.none !== null, r.steps.length === 0, 'words for a run without a step');
  for (const s of r.steps) {
    const what = `step ${s.index} (${s.command})`;
    // What kel had just read ends where the character it looked at begins.
    assert.ok(s.lookAhead, `${what}: kel had just read something`);
    const token = s.lookAhead.find((x) => x.code !== undefined)?.code;
    if (token === undefined) assert.equal(s.read.to, p.text.length, `${what}: the end of the text`);
    else {
      const end = s.ahead ? s.ahead.from : s.read.to;
      assert.equal(p.text.slice(end - token.length, end), token, `${what}: the token before the look-ahead`);
    }
    assert.doesNotMatch(s.explain, /undefined|NaN|null|TRUE \(0\)|FALSE \(1\)/, what);
    if (!s.error || !s.name) continue;
    // A command that failed did nothing: its words say so and claim no effect.
    assert.match(s.explain, /would have .*, but it did not/, what);
    assert.doesNotMatch(s.explain, /assignment is done|lies on top although| gives |line \d+ of the output/, what);
    if (s.failedOn && /overflow\.$|zero\.$|divisor\.$/.test(s.error) && s.error !== 'Comp: Stack overflow.') {
      // The operands it failed on are what kel computes for their texts, where the statement
      // that holds them begins.
      const op = p.ops.find((x) => x.at === s.origin.from);
      const start = p.statements.filter((x) => x <= op.at).at(-1);
      const values = await writes(`${p.text.slice(0, start)}${op.operands.map((x) => `WRITE ${x}`).join(';\n')} .`);
      assert.deepEqual(s.stack.slice(-s.failedOn).sort(), values.slice(-s.failedOn).sort(), `${what}: the operands it failed on`);
    }
  }
  if (o.unfinished) {
    const { statement, held } = o.unfinished;
    assert.match(r.unfinished, /^(The WRITE statement|The assignment) “/);
    assert.ok(r.steps.length === 0 || r.diagnostic.kind === 'source');
    for (const h of held) {
      const at = `${p.text.slice(0, statement.from)}WRITE ${p.text.slice(h.from, h.to)} .`;
      assert.equal((await writes(at)).at(-1), h.type === 'BOOLEAN' ? ['FALSE', 'TRUE'][h.value] : String(h.value), 'a constant held back');
    }
  }
  for (const c of o.commands) {
    for (const { x, y, q } of c.rounded?.first ?? []) {
      assert.ok(x % y !== 0, 'rounded');
      if (x > -maxWritten) assert.deepEqual(await writes(`BEGIN WRITE (${x}) / ${y} .`), [String(q)], `${x} / ${y}`);
    }
  }
  const failed = r.steps.find((s) => s.error && s.name)?.error;
  return [failed && `failed: ${failed}`, o.unfinished && 'unfinished', fold && `failed fold: ${fold.error}`, r.none && 'no command'].filter(Boolean);
}
const maxWritten = 2147483647; // -2147483648 cannot be written as a number

test(`the words of ${programs} random programs hold against kel`, async (t) => {
  const random = generator(20261208);
  const seen = {};
  for (let i = 0; i < programs; i++) {
    const p = program(random);
    const kinds = await check(p).catch((e) => {
      e.message = `program ${i}:\n${p.text}\n${e.message}`;
      throw e;
    });
    for (const k of kinds) seen[k] = (seen[k] ?? 0) + 1;
  }
  t.diagnostic(JSON.stringify(seen));
  // Every kind of ending the words have claims for was met.
  for (const k of ['failed: Comp: Program too large.', 'failed: Comp: Stack overflow.', 'failed: Comp: Division by zero.',
    'failed: Fatal error: Integer overflow.', 'failed: Fatal error: Negative divisor.', 'unfinished', 'failed fold: Fatal error: Integer overflow.', 'no command']) {
    assert.ok(seen[k], `no program ended so: ${k}`);
  }
});
