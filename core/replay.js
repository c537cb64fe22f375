// The step view's data, from one run of kel (core/kel.js): every command kel generated, with the
// source kel had read when it generated it, and the machine after it ran: what the step view
// shows of each step (the source read, marked in the editor too, the trace row, the command and
// the values it took and pushed, the stack, the variables, the output so far, the code store's
// bytes); words.js puts them into words. kel lists each command and its operand on the error
// output (the generation trace), so the machine is rebuilt here by running the trace again on
// kel's machine (machine.js), with kel's own rules, arithmetic and messages. No DOM.
import { Failure } from './arith.js';
import { tracePrefix } from './facts.js';
import { commandOf, execute, newMachine } from './machine.js';

// The slots to show: every declared one, from the first step on (0 until stored), and any other
// that was stored.
function slots(declared, stored) {
  const all = Array.from({ length: declared }, (_, i) => i);
  for (const i of [...stored].sort((a, b) => a - b)) if (i >= declared) all.push(i);
  return all;
}

// The steps of the step view for a run of kel (see the header of this file), from what it wrote
// (written: core/lines.js's traceOf); names are the variables' names by slot (from the run's
// origins). Each step has taken, the values its command took (from the stack, bottom first, or a
// Lod's variable), and pushed, the value it pushed or null.
export function replay(written, names) {
  const m = newMachine();
  const steps = [];
  let read = 0;
  for (const t of written.trace) {
    const { text, read: readTo, row: traceRow } = t;
    const cmd = commandOf(t);
    const codeFrom = t.pos;
    m.len = codeFrom; // kel's own position; equal to the replay's when all went well
    let error = null;
    try {
      execute(m, cmd);
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      error = e.text;
    }
    steps.push({
      traceRow,
      command: text.slice(tracePrefix.length).trimStart(),
      name: cmd.name,
      operand: cmd.operand,
      bytes: cmd.bytes,
      codeFrom,
      codeTo: m.len,
      readFrom: read,
      readTo,
      taken: m.taken,
      pushed: error === null ? m.pushed : null,
      stack: [...m.stack],
      vars: slots(names.length, m.stored).map((slot) => ({ slot, name: names[slot] ?? null, value: m.vars[slot] })),
      output: [...m.output],
      error,
    });
    read = readTo;
  }
  return steps;
}
