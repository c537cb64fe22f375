// The origins of kel's commands (core/origins.js) against kel.wasm itself. For every example and
// every end-to-end case that gives kel nothing but standard input (inputs.mjs): the prediction
// agrees with kel's trace at every command and with the way kel ended; each origin ends at or
// before the byte kel had read when it generated the command; the types on the stack after it are
// one for each value on the replay's stack (core/replay.js); a Lod's origin is its variable's
// name, a Sto's that name through ":="; each Val's origin and each declared constant, written by
// kel after the program's declarations (BEGIN WRITE origin; WRITE constant; ... .), give the
// operand (TRUE or FALSE for a Boolean) and the constant's value. An origin is a whole expression,
// so it needs no parentheses, which would put one nested 1000 deep a level too deep. The source up
// to a failed fold's origin ends kel with the same message, and a reference is its declaration's
// name. Then tables of tricky cases, a doctored trace at which the origins stop, and chains of
// 200,000 constant names.
//   node --test-reporter=tap tests/web/origins.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { diagnosticRange, origins as originsOf, replay, run, traceCommand, traceOf } from '../../core/index.js';
import { caseFiles, eachInput, example, examples, kel } from './inputs.mjs';

const enc = new TextEncoder();
const dec = new TextDecoder();
const join = (...parts) => Buffer.concat(parts.map((p) => (typeof p === 'string' ? enc.encode(p) : p)));
const lines = (bytes) => dec.decode(bytes).split('\r\n').slice(0, -1);
const totals = { programs: 0, commands: 0, disagreements: 0 };
const origins = (input, r) => originsOf(input, r, traceOf(r.chunks));

// Runs kel on the statements, each [bytes, the line it must write], after the declarations.
async function writes(declarations, statements) {
  for (let i = 0; i < statements.length; i += 100) { // a code store holds 146 WRITEs of a value
    const part = statements.slice(i, i + 100);
    const src = join(declarations, 'BEGIN ', ...part.flatMap(([s]) => [s, ';\n']), '.');
    const r = await run(kel, src);
    assert.deepEqual([lines(r.stdout), r.status], [part.map(([, line]) => line), 0], dec.decode(src));
  }
}

// kel's messages for a command its machine had no room for: the stack stays as it was.
const refused = new Set(['Comp: Program too large.', 'Comp: Stack overflow.']);

async function agrees(input) {
  const r = await run(kel, input);
  const written = traceOf(r.chunks);
  const o = originsOf(input, r, written);
  const traced = lines(r.stderr).filter(traceCommand).length;
  totals.programs++;
  totals.commands += traced;
  if (!o.complete || o.commands.length !== traced) totals.disagreements++;
  assert.deepEqual([o.disagreement, o.commands.length], [null, traced], 'prediction and trace');
  const bytes = (x) => input.subarray(x.from, x.to);
  const text = (x) => dec.decode(bytes(x));
  const shown = (type, v) => (type === 'BOOLEAN' ? ['FALSE', 'TRUE'][v] : String(v));
  const slot = (i) => o.declarations.find((d) => d.slot === i).name;
  // The step view shows each value on the stack by the type the origins give it, also at a command
  // that did not fit in the code store or on the stack. Only one that failed on its values, which
  // the origins do not know, took its operands and pushed no result.
  const steps = replay(written, o.declarations.filter((d) => d.kind === 'variable').map((d) => d.name));
  o.commands.forEach((c, i) => {
    const s = steps[i];
    const onValues = s.error !== null && !refused.has(s.error);
    assert.equal(c.types.length, s.stack.length + (onValues ? 1 : 0), `types after ${c.name} ${c.operand ?? ''}`);
  });
  const statements = [];
  for (const c of o.commands) {
    assert.ok(c.origin.to <= c.read, `${c.name} ${c.operand}: ${text(c.origin)} ends after byte ${c.read}`);
    if (c.name === 'Lod') assert.equal(text(c.origin), slot(c.operand));
    if (c.name === 'Sto') assert.match(text(c.origin), new RegExp(`^${slot(c.operand)}[^]*:=$`));
    if (c.name === 'Val') statements.push([join('WRITE ', bytes(c.origin)), shown(c.type, c.operand)]);
  }
  for (const d of o.declarations.filter((x) => x.kind === 'constant' && !x.predeclared)) {
    statements.push([join('WRITE ', d.name), shown(d.type, d.value)]);
  }
  for (const ref of o.references) assert.equal(text(ref), o.declarations[ref.decl].name);
  if (o.body) await writes(input.subarray(0, o.body.from), statements);
  if (o.failedFold) {
    const f = await run(kel, input.subarray(0, o.failedFold.origin.to));
    assert.equal(lines(f.stderr).at(-1), o.failedFold.text);
  }
}

for (const name of examples) test(`origins of example ${name}`, () => agrees(example(name)));

for (const file of caseFiles) {
  test(`origins of the stdin-only cases of ${file}`, () => eachInput(file, agrees));
}

test('every command checked agreed', (t) => {
  t.diagnostic(`${totals.programs} programs, ${totals.commands} commands, ${totals.disagreements} disagreements`);
  assert.ok(totals.commands > 0);
  assert.equal(totals.disagreements, 0);
});

// Each command as 'name operand: origin', with what a Val is (literal, constant, folded, and its
// constants) and whether it was held back, and whether an operation is the exchanged one.
function described(src, o) {
  const text = (x) => src.slice(x.from, x.to);
  return o.commands.map((c) => [`${c.name}${c.operand === undefined ? '' : ' ' + c.operand}: ${text(c.origin)}`,
    c.kind, c.constants?.map((k) => `${k.name}=${k.value}`).join(' '), c.heldBack && 'held back',
    c.exchanged && 'exchanged'].filter(Boolean).join(', '));
}

test('origins of held-back constants, exchanged relations, folded parentheses, ~ and signs', async () => {
  const table = [
    ['VAR x : INTEGER; BEGIN WRITE 100 - x; WRITE 1 < x .', [
      'Lod 0: x', 'Val 100: 100, literal, held back', 'Bus: -, exchanged', 'Wrt: WRITE',
      'Lod 0: x', 'Val 1: 1, literal, held back', 'Gtr: <, exchanged', 'WrB: WRITE']],
    ['CONST k = 3; h = k * 2; VAR x : INTEGER; BEGIN x := x + ((h - k)) * 2 .', [
      'Lod 0: x', 'Val 6: ((h - k)) * 2, folded, h=6 k=3', 'Add: +', 'Sto 0: x :=']],
    ['VAR b : BOOLEAN; x : INTEGER; BEGIN b := ~b; WRITE -x; WRITE ~~TRUE; x := -(2) .', [
      'Lod 0: b', 'Not: ~', 'Sto 0: b :=', 'Lod 1: x', 'Neg: -', 'Wrt: WRITE',
      'Val 1: ~~TRUE, folded, TRUE=1', 'WrB: WRITE', 'Val -2: -(2), folded', 'Sto 1: x :=']],
    ['CONST t = TRUE; VAR b : BOOLEAN; BEGIN b := t (* on *) # b .', [
      'Lod 0: b', 'Val 1: t, constant, t=1, held back', 'Neq: #, exchanged', 'Sto 0: b :=']],
  ];
  for (const [src, want] of table) {
    const input = enc.encode(src);
    assert.deepEqual(described(src, origins(input, await run(kel, input))), want, src);
  }
});

// kel had just read a token when it generated a command, and looked at one character past it.
test('the token and the character looked at for each command', async () => {
  const src = 'VAR x : INTEGER; BEGIN WRITE x;\nx := 7 .';
  const o = origins(enc.encode(src), await run(kel, enc.encode(src)));
  const text = (x) => src.slice(x.from, x.to);
  assert.deepEqual(o.commands.map((c) => [c.name, c.token.kind, text(c.token), text(c.ahead), c.type, c.types.join(' ')]), [
    ['Lod', 'name', 'x', ';', 'INTEGER', 'INTEGER'], ['Wrt', 'symbol', ';', '\n', 'INTEGER', ''],
    ['Val', 'symbol', '.', '', 'INTEGER', 'INTEGER'], ['Sto', 'symbol', '.', '', 'INTEGER', '']]);
  assert.deepEqual(o.commands.map((c) => [c.origin.line, c.origin.col]), [[1, 30], [1, 24], [2, 6], [2, 1]]);
});

// A failed fold is kel's end, with no command for it; in a declaration it may be the only step.
// It keeps the values it folded, for the words that say why it failed.
test('failed folds, in a declaration and in a statement', async () => {
  const table = [
    ['CONST k = 1 / 0;', [], 'Fatal error: Division by zero.', '1 / 0', '', '1 / 0'],
    ['CONST k = 3; VAR x : INTEGER; BEGIN x := 1; WRITE 1 / (k - 3) .', ['Val 1: 1, literal', 'Sto 0: x :='],
      'Fatal error: Division by zero.', '1 / (k - 3)', 'k=3', '1 / 0'],
    ['BEGIN WRITE 2; WRITE -(-2147483647 - 1) .', ['Val 2: 2, literal', 'Wrt: WRITE'],
      'Fatal error: Integer overflow.', '-(-2147483647 - 1)', '', '- -2147483648'],
    ['CONST m = 2147483647; k = 7 / (0 - 2) <> m + 1;', [], 'Fatal error: Negative divisor.', '7 / (0 - 2)', '', '7 / -2'],
  ];
  for (const [src, commands, message, origin, constants, values] of table) {
    const o = origins(enc.encode(src), await run(kel, enc.encode(src)));
    const f = o.failedFold;
    const folded = f.operands.length === 1 ? `${f.operator} ${f.operands[0]}` : `${f.operands[0]} ${f.operator} ${f.operands[1]}`;
    assert.deepEqual([described(src, o), f.text, src.slice(f.origin.from, f.origin.to),
      f.constants.map((k) => `${k.name}=${k.value}`).join(' '), folded], [commands, message, origin, constants, values], src);
  }
});

// Declarations and references, as far as kel accepted them: not the constant whose expression
// failed, but the use of a inside it.
test('declarations and references up to an error', async () => {
  const table = [
    ['CONST a = 2; b = a * a; VAR v : BOOLEAN; BEGIN v := b > a; WRITE c .', [
      'constant a INTEGER 2: 2', 'constant b INTEGER 4: a * a, folded', 'variable v BOOLEAN slot 0'],
      ['a', 'a', 'BOOLEAN', 'v', 'b', 'a']],
    ['CONST a = 1; b = a + TRUE;', ['constant a INTEGER 1: 1'], ['a', 'TRUE']],
  ];
  for (const [src, declarations, references] of table) {
    const o = origins(enc.encode(src), await run(kel, enc.encode(src)));
    const text = (x) => src.slice(x.from, x.to);
    const d = o.declarations.filter((x) => !x.predeclared).map((x) => (x.kind === 'constant'
      ? `constant ${text(x)} ${x.type} ${x.value}: ${text(x.expr)}${x.folded ? ', folded' : ''}`
      : `variable ${text(x)} ${x.type} slot ${x.slot}`));
    assert.deepEqual([o.complete, d, o.references.map(text)], [true, declarations, references], src);
  }
});

// Where kel's trace differs from the prediction, the origins stop: none from there on.
test('a doctored trace stops the origins at the line that differs', async () => {
  const src = 'VAR x : INTEGER; BEGIN x := 5; WRITE x; WRITE x + 1 .';
  const input = enc.encode(src);
  const r = await run(kel, input);
  const doctor = (from, to) => ({ ...r, chunks: r.chunks.map((c) => (c.fd === 2 && dec.decode(c.bytes).includes(from)
    ? { ...c, bytes: enc.encode(dec.decode(c.bytes).replace(from, to)) } : c)) });
  assert.equal(origins(input, r).commands.length, 8);
  // The references kept are those found before the first command that differs.
  for (const [from, to, agreed, references] of [['Lod 0', 'Lod 1', 2, 2], ['Add', 'Sub', 6, 4], ['  29:  Wrt', '  28:  Wrt', 7, 4]]) {
    const o = origins(input, doctor(from, to));
    assert.deepEqual([o.complete, o.commands.length, o.disagreement.at, o.references.length],
      [false, agreed, agreed, references], `${from} as ${to}`);
  }
});

// The text kel's diagnostic is about, for the page and the language server alike: a source
// error's character (none at the end), the origin of what failed, and, where the origins stop
// short of kel's end (a doctored trace), the line that holds the last byte kel read.
test('the text a diagnostic is about', async () => {
  const table = [
    ['BEGIN (* \u00e9 *) WRITE 1, .', null, ',', '1,23'],
    ['BEGIN WRITE 1', null, '', '1,14'],
    ['VAR x : INTEGER;\nBEGIN WRITE 7 / x .', null, '/', '2,15'],
    ['CONST k = 1 / 0;', null, '1 / 0', '1,11'],
    ['VAR x : INTEGER;\nBEGIN WRITE 7 / x .\n', ['Lod 0', 'Lod 1'], 'BEGIN WRITE 7 / x .', '2,'],
    ['VAR x : INTEGER;\nBEGIN WRITE 7 / x\n.', ['Lod 0', 'Lod 1'], '.', '3,'],
  ];
  for (const [src, doctor, about, at] of table) {
    const input = enc.encode(src);
    const r = await run(kel, input);
    const w = traceOf(doctor ? r.chunks.map((c) => ({ ...c, bytes: enc.encode(dec.decode(c.bytes).replace(...doctor)) })) : r.chunks);
    const m = diagnosticRange(input, w.diagnostic, originsOf(input, r, w));
    assert.deepEqual([dec.decode(input.subarray(m.from, m.to)), `${m.line},${m.col ?? ''}`], [about, at], src);
  }
});

// Chains of 200,000 named constants, one predeclared and one declared, folded to one value: each
// fold keeps its constants once, and every reference is kept, more than a call takes arguments.
test('a chain of 200,000 constant names folds to one Val with each constant once', async () => {
  const n = 200000;
  const table = [
    [`BEGIN WRITE TRUE${' & TRUE'.repeat(n - 1)} .`, ['Val 1 folded TRUE', 'WrB'], 1, 'TRUE'],
    [`CONST k = 1; BEGIN WRITE k${' + k'.repeat(n - 1)} .`, [`Val ${n} folded k`, 'Wrt'], 4, String(n)],
  ];
  for (const [src, commands, decl, written] of table) {
    const input = enc.encode(src);
    const r = await run(kel, input);
    const o = origins(input, r);
    const expr = src.indexOf('WRITE') + 6;
    assert.deepEqual([
      o.disagreement, lines(r.stdout),
      o.commands.map((c) => [c.name, c.operand, c.kind, ...(c.constants?.map((k) => k.name) ?? [])].filter((x) => x !== undefined).join(' ')),
      [o.commands[0].origin.from, o.commands[0].origin.to],
      o.references.length, o.references.every((x) => x.decl === decl),
    ], [null, [written], commands, [expr, src.length - 2], n, true], src.slice(0, 40));
  }
});
