// The step view's replay (core/replay.js) against kel.wasm itself. For every example and every
// end-to-end case that gives kel nothing but standard input: the values the replay writes are
// kel's standard output, and a command fails in the replay exactly when kel's run-time
// diagnostic follows that command's trace line with nothing more read, with kel's message.
// Then tables for what kel's output alone does not show: read ranges, encodings, names,
// operand order and string indices.
//   node --test-reporter=tap tests/web/replay.test.mjs [build-wasm/kel.wasm]
// The inputs come from inputs.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { charIndex, origins, positionOffset, replay, run, traceOf } from '../../core/index.js';
import { caseFiles, eachInput, example, examples, kel } from './inputs.mjs';

const enc = new TextEncoder();
const dec = new TextDecoder();

// The replay of a run as the page makes it, its variables named by the run's origins, and kel's
// diagnostic.
function replayed(input, r) {
  const w = traceOf(r.chunks);
  const names = origins(input, r, w).declarations.filter((d) => d.kind === 'variable').map((d) => d.name);
  return { steps: replay(w, names), diagnostic: w.diagnostic };
}

// Checks one run's replay against what kel wrote.
async function agrees(input) {
  const r = await run(kel, input);
  const { steps, diagnostic } = replayed(input, r);
  const last = steps.at(-1);
  assert.deepEqual(last?.output ?? [], dec.decode(r.stdout).split('\r\n').slice(0, -1), 'written values');
  // kel's diagnostic belongs to a command when it directly follows the command's trace line and
  // kel read nothing in between; a folded operation reads its operands' tokens after that.
  const readAt = r.chunks // for each line of the error output
    .filter((c) => c.fd === 2)
    .flatMap((c) => dec.decode(c.bytes).match(/\r\n/g)?.map(() => c.read) ?? []);
  const next = last && last.traceRow + 1;
  const failed = diagnostic?.kind === 'runtime' && next < readAt.length && readAt[next] === last.readTo;
  const errors = steps.map((s, i) => [i + 1, s.error]).filter(([, error]) => error !== null);
  assert.deepEqual(errors, failed ? [[steps.length, diagnostic.text]] : [], 'failing command');
  steps.forEach((s, i) => {
    assert.equal(s.codeFrom, i ? steps[i - 1].codeTo : 0, `step ${i + 1} stands where the last one ended`);
    assert.ok(s.readFrom <= s.readTo && s.readTo <= input.length);
  });
}

for (const name of examples) {
  test(`replay of example ${name}`, () => agrees(example(name)));
}

let caseCount = 0;
for (const file of caseFiles) {
  test(`replay of the stdin-only cases of ${file}`, async () => {
    caseCount += await eachInput(file, agrees);
  });
}

test('the runner gave the cases\' inputs', () => assert.ok(caseCount > 0, 'no case input captured'));

const steps = async (src) => {
  const input = enc.encode(src);
  return { input, ...replayed(input, await run(kel, input)) };
};
const hex = (b) => Buffer.from(b).toString('hex').replace(/../g, '$& ').trim();

// What kel had read for each command. Folding: only Val 15 reaches the machine, once the
// token after the expression (";") and the character after that are read. Batches: the commands
// of one token read nothing new. The look-ahead: Lod is generated with the character after
// the name read.
test('the source read for each command', async () => {
  const table = [
    ['CONST k = 3; VAR a : INTEGER; BEGIN a := k * 5; WRITE a .', [
      ['Val 15', 'CONST k = 3; VAR a : INTEGER; BEGIN a := k * 5; '], ['Sto 0', ''],
      ['Lod 0', 'WRITE a '], ['Wrt', '.']]],
    ['VAR x : INTEGER; BEGIN WRITE 2 * x + 1 .', [
      ['Lod 0', 'VAR x : INTEGER; BEGIN WRITE 2 * x '], ['Val 2', '+ '], ['Mul', ''],
      ['Val 1', '1 .'], ['Add', ''], ['Wrt', '']]],
  ];
  for (const [src, want] of table) {
    const { steps: s } = await steps(src);
    assert.deepEqual(s.map((x) => [x.command.replace(/^\d+: +/, ''), src.slice(x.readFrom, x.readTo)]), want, src);
  }
  const { steps: [val15] } = await steps(table[0][0]);
  assert.deepEqual([hex(val15.bytes), val15.codeFrom, val15.codeTo], ['01 0f 00 00 00', 0, 5]);
});

// Encodings, names, operand order, the values each command took and pushed, and the machine after
// each command.
test('commands, their bytes and the machine after them', async () => {
  const { steps: s } = await steps(
    'CONST m = -2147483647 - 1; VAR x : INTEGER; b : BOOLEAN;\n' +
      'BEGIN x := 3; WRITE 10 - x; WRITE 100 / x; b := (x < 0) | TRUE; WRITE m; WRITE -2 .');
  const rows = s.map((x) => [x.command, hex(x.bytes), x.codeFrom, x.codeTo, x.stack.join(' '), x.taken.join(' '), x.pushed]);
  assert.deepEqual(rows, [
    ['0:  Val 3', '01 03 00 00 00', 0, 5, '3', '', 3],
    ['5:  Sto 0', '03 00 00 00 00', 5, 10, '', '3', null],
    ['10:  Lod 0', '02 00 00 00 00', 10, 15, '3', '3', 3],
    ['15:  Val 10', '01 0a 00 00 00', 15, 20, '3 10', '', 10],
    ['20:  Bus', '04 08', 20, 22, '7', '3 10', 7],
    ['22:  Wrt', '04 01', 22, 24, '', '7', null],
    ['24:  Lod 0', '02 00 00 00 00', 24, 29, '3', '3', 3],
    ['29:  Val 100', '01 64 00 00 00', 29, 34, '3 100', '', 100],
    ['34:  Vid', '04 09', 34, 36, '33', '3 100', 33],
    ['36:  Wrt', '04 01', 36, 38, '', '33', null],
    ['38:  Lod 0', '02 00 00 00 00', 38, 43, '3', '3', 3],
    ['43:  Val 0', '01 00 00 00 00', 43, 48, '3 0', '', 0],
    ['48:  Lss', '04 0c', 48, 50, '0', '3 0', 0],
    ['50:  Val 1', '01 01 00 00 00', 50, 55, '0 1', '', 1],
    ['55:  Or ', '04 11', 55, 57, '1', '0 1', 1],
    ['57:  Sto 1', '03 01 00 00 00', 57, 62, '', '1', null],
    ['62:  Val -2147483648', '01 00 00 00 80', 62, 67, '-2147483648', '', -2147483648],
    ['67:  Wrt', '04 01', 67, 69, '', '-2147483648', null],
    ['69:  Val -2', '01 fe ff ff ff', 69, 74, '-2', '', -2],
    ['74:  Wrt', '04 01', 74, 76, '', '-2', null],
  ]);
  assert.deepEqual([s[14].name, s[14].operand, s[14].command], ['Or', undefined, '55:  Or ']);
  assert.deepEqual([s[0].name, s[0].operand, s[0].traceRow], ['Val', 3, 1]);
  // Every declared variable from the first step, 0 until stored.
  assert.deepEqual([s[0].vars, s.at(-1).vars], [
    [{ slot: 0, name: 'x', value: 0 }, { slot: 1, name: 'b', value: 0 }],
    [{ slot: 0, name: 'x', value: 3 }, { slot: 1, name: 'b', value: 1 }]]);
  assert.deepEqual(s.at(-1).output, ['7', '33', '-2147483648', '-2']);
});

// Where the steps end: a source error after the last command generated before it, a failing
// command at that command, an error in folding after the last command, with no command failed.
test('the diagnostic that ends the steps', async () => {
  const table = [
    ['VAR a : INTEGER; BEGIN a := 1; WRITE a + TRUE .', 'source', 'Prsr (1,47): Wrong operand type.', 3, null, '.'],
    ['VAR a : INTEGER; BEGIN a := 0; WRITE 1 / a .', 'runtime', 'Comp: Division by zero.', 5, 5, null],
    ['VAR a : INTEGER; BEGIN a := 1; WRITE a - 1 / 0 .', 'runtime', 'Fatal error: Division by zero.', 3, null, null],
    ['VAR a : INTEGER; BEGIN a := 2147483647; WRITE a + 1 .', 'runtime', 'Fatal error: Integer overflow.', 5, 5, null],
    ['(* é *) BEGIN WRITE 1; WRITE 2, 3 .', 'source', 'Scnr (1,32): Invalid character.', 2, null, ', 3 .'],
  ];
  for (const [src, kind, text, at, failed, rest] of table) {
    const { input, steps: s, diagnostic: d } = await steps(src);
    assert.deepEqual([d.kind, d.text, s.at(-1).error === null ? null : s.length, s.length], [kind, text, failed, at], src);
    if (rest !== null) assert.equal(src.slice(charIndex(input, positionOffset(input, d.line, d.col))), rest, src);
  }
});

test('string indices of byte offsets', () => {
  const input = Uint8Array.from([0x61, 0xc3, 0xa9, 0xe2, 0x82, 0xac, 0xf0, 0x9d, 0x84, 0x9e, 0xff, 0x62, 0x0a, 0x63]);
  // a é € 𝄞 (two UTF-16 units) a malformed byte, b LF c
  const want = [0, 1, 1, 2, 2, 2, 3, 3, 3, 3, 5, 6, 7, 8, 9, 9];
  assert.deepEqual(want.map((_, b) => charIndex(input, b)), want);
  assert.equal(dec.decode(input).length, 9);
  assert.deepEqual([[1, 12], [2, 1], [2, 2]].map(([l, c]) => charIndex(input, positionOffset(input, l, c))), [6, 8, 9]);
});
