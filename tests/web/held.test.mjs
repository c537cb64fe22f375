// What kel is holding after each command (the held of core/origins.js) against kel.wasm itself,
// for every example and every end-to-end case that gives kel nothing but standard input
// (inputs.mjs). What kel holds after a command is what it has read before its look-ahead token
// but made no command of yet: so each later command of kel's trace whose origin lies there is
// held, as a constant held back (a Val, with its operand), an operation or the statement under
// way (a Sto, Wrt or WrB); and when kel ran to the final full stop nothing else is, for everything
// held came. A run that kel ended early may hold more than ever came. An operation said to come
// next (both its operands on the stack) is the very next command.
//   node --test-reporter=tap tests/web/held.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { origins, run, traceOf } from '../../core/index.js';
import { caseFiles, eachInput, example, examples, kel } from './inputs.mjs';

const key = (h) => `${h.kind} ${h.from}-${h.to}${h.kind === 'constant' ? ` = ${h.value}` : ''}`;

// What the trace says kel held after command i: the later commands whose origins it had read.
function fromTrace(commands, i) {
  const read = commands[i].token.from;
  const held = [];
  for (let j = i + 1; j < commands.length; j++) {
    const { name, origin, operand } = commands[j];
    if (origin.to > read || name === 'Lod') continue;
    if (name === 'Val') held.push({ kind: 'constant', ...origin, value: operand });
    else if (name === 'Sto' || name === 'Wrt' || name === 'WrB') held.push({ kind: 'statement', ...origin });
    else held.push({ kind: 'operation', ...origin });
  }
  return held.sort((a, b) => a.from - b.from).map(key);
}

let holding = 0; // steps at which kel held something, so that the test is seen to test
async function agrees(input) {
  const r = await run(kel, input);
  const o = origins(input, r, traceOf(r.chunks));
  const ranToEnd = o.complete && r.status === 0;
  o.commands.forEach((c, i) => {
    const held = c.held.map(key);
    const traced = fromTrace(o.commands, i);
    const what = `command ${i + 1}, ${c.name} ${c.operand ?? ''}`;
    assert.deepEqual(held.filter((h) => traced.includes(h) || ranToEnd), traced, what);
    assert.deepEqual(c.held.map((h) => h.from), c.held.map((h) => h.from).sort((a, b) => a - b), `${what}: in source order`);
    const next = c.held.filter((h) => h.next).map(key);
    assert.deepEqual(next, next.length ? [key({ kind: 'operation', ...o.commands[i + 1].origin })] : [], `${what}: next`);
    if (held.length) holding++;
  });
}

for (const name of examples) test(`what kel holds, example ${name}`, () => agrees(example(name)));

test('what kel holds, the stdin-only cases', async () => {
  for (const file of caseFiles) await eachInput(file, agrees);
  assert.ok(holding > 500, `kel held something at ${holding} steps`);
});
