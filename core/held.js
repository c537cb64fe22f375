// What kel is holding at a step: what it has read but not yet made into commands, in source
// order. kel's parser keeps it in its recursion: a statement begun (an assignment or a WRITE,
// whose Sto or Wrt ends it), an operation whose operator it has read (whose command comes once
// its right operand is complete), and a constant left operand held back until that right operand
// is known not to be constant too. The mirror of the parser keeps the same, as frames that
// parser.js begins and ends on mirror.js, which asks holding() at each command it predicts;
// tests/web/held.test.mjs holds the result to kel's trace. No DOM: the worker calls it.
import { shown } from './words.js';

// What kel holds, from the mirror's frames begun and not done, outermost first, which is source
// order; the frames of an operation whose command failed to fold are left out (ready: both its
// operands read). Each is a range of the source, from..to, and
// - { kind: 'statement', name }: the statement under way, name the variable assigned, none for
//   a WRITE (its range is `x :=` or `WRITE`);
// - { kind: 'constant', value, type, how }: a left operand that is a constant, held back; how is
//   'literal', 'constant' (a name) or 'folded';
// - { kind: 'operation', unary, next }: an operator read, its command not generated; next when
//   its operands are complete and on the stack, so that its command comes next.
export function holding(frames) {
  const held = [];
  for (const f of frames) held.push(...(f.held[+f.ready] ??= heldBy(f)));
  return held;
}

// What frame f holds, made once for each state of f (ready or not): every command predicted while
// f is pending shares these objects, so a step costs a reference per thing held, however deep
// the nesting, and the page receives each thing once.
function heldBy(f) {
  if (f.kind === 'statement') return [{ kind: 'statement', from: f.from, to: f.to, ...(f.name !== undefined && { name: f.name }) }];
  const held = [];
  const left = f.left;
  if (left?.c && !f.ready) {
    held.push({ kind: 'constant', from: left.from, to: left.to, value: left.v, type: left.t, how: left.folded ? 'folded' : left.kind });
  }
  held.push({ kind: 'operation', from: f.from, to: f.to, unary: Boolean(f.unary), next: f.ready });
  return held;
}

// What a thing held is, in a few words after its source text: the step view shows them at a
// glance, and the words of the steps that use them say more.
export function heldWords(h) {
  if (h.kind === 'statement') return 'under way';
  if (h.kind === 'constant') return `${h.how === 'literal' ? '' : `(= ${shown(h.value, h.type)}) `}held back`;
  if (h.next) return 'comes next';
  return `waits for its ${h.unary ? '' : 'right '}operand`;
}
