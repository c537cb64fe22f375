// Where each command kel generates comes from, and what the program's names are. A mirror of
// kel's scanner (tokens.js) and parser (parser.js, over kel's state in mirror.js), with kel's one
// token of look-ahead, its folding (arith.js), its exchanged operations, limits and messages,
// predicts every command with its origin: the source text that made kel generate it. Every
// prediction is checked here against kel's own run of the same text (core/kel.js): the command's
// name, operand and place in the code store, and how far kel had read when it wrote its trace
// line; then the way kel ended. Only what agreed is given: from the first disagreement on,
// nothing. kel.wasm is the authority; this module never shows a guess that nothing checked. No
// DOM: the worker and node use it alike.
import { once, Parser } from './parser.js';
import { linesAndColumns } from './positions.js';

const same = (p, t) => p.name === t.name && p.operand === t.operand && p.pos === t.pos && p.read === t.read;

// The origins of a run of kel (core/kel.js's result) on input, checked against it and against
// what it wrote (written: core/lines.js's traceOf of its chunks). Ranges are byte offsets
// from..to, with line and col, kel's line and column of from (from 1, in bytes).
// - commands: one per command of kel's trace, in its order, while prediction and trace agree,
//   none from the first disagreement on: { name, operand, pos, read, origin, token, ahead, type,
//   types, held }, where origin is the source that made kel generate it, token the token kel
//   had just read (kind 'number', 'name', 'keyword', 'symbol' or 'end'), ahead the character it
//   had looked at past it (empty at the end), type the type of the value pushed, stored or
//   written, types the types on the stack after it ran (as before it where the code store or
//   the stack had no room for it), and held what kel held after it, read but not yet a command
//   (held.js). A Val also has kind ('literal', 'constant' or 'folded'), constants (the named
//   constants in its origin, each once: { name, value, type, decl }), heldBack (a left operand
//   pushed after the right one) and rounded (the divisions folded into it whose quotient was
//   rounded down: { first, count }, the first three, { x, y, q }, and how many; null for none);
//   an operation has exchanged (taken for a held-back left operand: Bus, Vid, Gtr for "<", ...);
//   a Wrt or WrB also has expressionEnd, where the expression it writes ends.
// - failedFold: { text, read, origin, constants, operands, operator, held, token, ahead } of the
//   fold that ended kel, no command generated for it, or null; operands are the values it folded,
//   operator the text of its operator, held what kel held besides, token and ahead as a
//   command's.
// - unfinished: where a source error ended kel inside a statement, { statement, commands, held }:
//   the statement's text up to the token before the one kel stopped at (kind 'assignment' or
//   'WRITE'), how many of its commands kel generated, and the constants it still held back
//   ({ from, to, value, type }, in source order); else null.
// - declarations: kel's object table, by index: the predeclared names ({ name, kind, type,
//   value, predeclared }), then the program's as kel counted them: a constant { name, kind,
//   range, type, value, expr, folded }, a variable { name, kind, range, type, slot }.
//   references: each use of a name that kel accepted, { range, decl }. Both end where the
//   commands do; after is how many commands came before each.
// - body: the range of BEGIN, or null; complete: whether kel's run agreed to its end;
//   disagreement: null, or { at (the command's index), predicted, actual (kel's line) }.
export function origins(input, result, written) {
  const m = new Parser(input);
  const end = m.run();
  const { trace, diagnostic: d } = written;
  const p = m.commands;
  let agreed = 0;
  while (agreed < trace.length && agreed < p.length && same(p[agreed], trace[agreed])) agreed++;
  const position = (at) => linesAndColumns(input, [at])[0];
  if (end.kind === 'source') {
    const { line, col } = position(end.at);
    end.text = `${end.who} (${line},${col}): ${end.msg}.`;
  }
  let complete = false;
  let kelEnds = false; // kel ended where the mirror did, not at a failure of its machine
  if (agreed === trace.length) {
    if (agreed === p.length && d === null) {
      complete = kelEnds = end.kind === 'end' && result.status === 0 && result.read === end.read;
    } else if (agreed === p.length && d?.text === end.text && d.read === end.read) {
      complete = kelEnds = true;
    } else if (agreed > 0 && d?.kind === 'runtime' && d.read === trace[agreed - 1].read) {
      complete = true; // the machine failed at the last command, on values the mirror does not know
    }
  }
  const kept = (x) => x.predeclared || kelEnds || x.after < agreed;
  const out = {
    commands: p.slice(0, agreed),
    failedFold: kelEnds && end.kind === 'fold'
      ? {
        text: end.text, read: end.read, origin: end.origin, constants: once(end.names), operands: end.operands,
        operator: end.operator, held: end.held, token: end.token, ahead: end.ahead,
      }
      : null,
    unfinished: kelEnds && end.kind === 'source' && end.statement ? unfinished(end, p.length) : null,
    declarations: m.objects.filter(kept),
    references: m.references.filter(kept),
    body: kelEnds || agreed > 0 ? m.body : null,
    complete,
    disagreement: complete ? null : {
      at: agreed,
      predicted: agreed < p.length ? p[agreed] : end,
      actual: agreed < trace.length ? trace[agreed].text : d?.text ?? null,
    },
  };
  addPositions(input, out);
  return out;
}

// What a source error's end left unfinished, with the number of commands generated in all.
function unfinished(end, commands) {
  const { write, from, to, after } = end.statement;
  const held = end.held.map(({ from, to, value, type }) => ({ from, to, value, type }));
  return { statement: { kind: write ? 'WRITE' : 'assignment', from, to }, commands: commands - after, held };
}

// kel's line and column at the start of every range given.
function addPositions(input, out) {
  const ranges = [];
  for (const c of out.commands) ranges.push(c.origin);
  if (out.failedFold) ranges.push(out.failedFold.origin);
  if (out.unfinished) ranges.push(out.unfinished.statement, ...out.unfinished.held);
  for (const o of out.declarations) {
    if (o.predeclared) continue;
    ranges.push(o);
    if (o.expr) ranges.push(o.expr);
  }
  for (const r of out.references) ranges.push(r); // one by one: they may be more than a call takes arguments
  const at = linesAndColumns(input, ranges.map((r) => r.from));
  ranges.forEach((r, k) => Object.assign(r, at[k]));
}
