// A run of kel as the page shows it, worked out in the worker (web/worker.js) so that the page
// only draws it, whatever the program's size: the lines kel wrote (core/lines.js), with the source
// line kel had read when it wrote each, and the step view's data: the machine (core/replay.js),
// each command's origin and what explains it (core/origins.js), in words (core/words.js), their
// byte offsets turned into positions in the decoded text (core/positions.js). No DOM.
import {
  character, charIndex, diagnosticRange, excerpt, explain, failedStackWords, foldWords, heldWords, linesAndColumns,
  lookAhead, noCommandWords, operation, origins, questions, readOn, replay, run, shown, traceOf, unfinishedWords,
} from '../core/index.js';

// A byte-order mark stays a character of the text, as in the editor's text the bytes came from.
const decoder = new TextDecoder('utf-8', { ignoreBOM: true });
const decoded = new WeakMap(); // each source's text, decoded once

// The lines kel wrote (traceOf's), each with the source line kel had read up to when it wrote
// it: the line of the last byte read, 0 before any input.
function lines(kelLines, input) {
  const last = linesAndColumns(input, kelLines.map((l) => l.read - 1));
  return kelLines.map(({ fd, text, read }, k) => ({ fd, text, from: read > 0 ? last[k].line : 0 }));
}

// The result of a run of kel (the compiled kel.wasm) on input, for the page: { status, rows,
// steps, diagnostic, declarations, unfinished, none }. rows are kel's lines ({ fd, text, from },
// and step, the step a trace line or the failed fold's line belongs to, with op, its command's
// name, null for the fold); diagnostic is kel's, { text, kind, at (the number of steps before
// it), mark (the text it is about, { from, to, line, col }, or null) }, or null. Each step is
// what the step view draws (step.js), worked out here: positions as indices in the editor's text,
// source text shortened (words.js excerpt), words, what kel is holding (held: { kind, parts,
// words } in source order, null where not known), values as kel writes them, and the question a
// prediction of its command asks (core/exercises.js); label counts the commands. A fold that
// ended kel is a step of its own, the last, with no command. At a command that failed, the stack
// is the one the command met, its top failedOn values those it took or would have taken, and
// stackNote says so. unfinished: the words for a statement that a source error left unfinished,
// or null; none: the words for a run without a command, or null.
export async function result(kel, input) {
  const r = await run(kel, input);
  const written = traceOf(r.chunks);
  const rows = lines(written.lines, input);
  const errRows = rows.filter((row) => row.fd === 2);
  const o = origins(input, r, written);
  const variables = o.declarations.filter((d) => d.kind === 'variable'); // in slot order
  const steps = replay(written, variables.map((v) => v.name));
  const origin = (x) => ({ ...at(input, x), parts: excerpt(textOf(input, x.from, x.to)) });
  const variable = (slot) => variables[slot];
  const shownOrigins = steps.map((_, i) => (o.commands[i] ? origin(o.commands[i].origin) : null)); // each shortened once
  // Each thing kel holds, as shown, once: the steps it is held over share it.
  const shownHeld = new Map();
  const heldOf = (h) => shownHeld.get(h) ?? shownHeld.set(h, held(input, h)).get(h);
  const n = steps.length;
  const asked = questions(steps, o, input);
  const view = steps.map((s, i) => {
    const why = o.commands[i] ?? null;
    const next = steps[i + 1] && { name: steps[i + 1].name, originParts: shownOrigins[i + 1]?.parts };
    const shownOrigin = shownOrigins[i];
    const before = i === 0 ? [] : o.commands[i - 1]?.types ?? null;
    const c = { before, next, variable, written: s.output.length, originParts: shownOrigin?.parts };
    return {
      ...common(input, s, s.readFrom, s.readTo, why, why?.types ?? null, variable),
      ...(s.error && failedStack(s, i ? steps[i - 1].stack : [], before)),
      label: `Command ${i + 1} of ${n}`,
      traceRow: s.traceRow,
      command: s.command,
      name: s.name,
      operand: s.operand,
      bytes: s.bytes,
      codeFrom: s.codeFrom,
      codeTo: s.codeTo,
      origin: shownOrigin,
      explain: explain(s, why, c),
      held: why && why.held.map(heldOf),
      question: asked[i],
      error: s.error,
    };
  });
  if (o.failedFold) {
    const f = o.failedFold;
    const last = steps.at(-1);
    const shownOrigin = origin(f.origin);
    view.push({
      ...common(input, last ?? { stack: [], vars: variables.map((v, slot) => ({ slot, name: v.name, value: 0 })), output: [] },
        last?.readTo ?? 0, f.read, f, o.commands.at(-1)?.types ?? [], variable),
      label: n ? `After command ${n} of ${n}, folding failed: no command` : 'Folding failed before any command: no command',
      traceRow: written.diagnostic.row, // the fold's line is kel's diagnostic
      command: null,
      name: null,
      question: null,
      bytes: new Uint8Array(0),
      codeFrom: last?.codeTo ?? 0,
      codeTo: last?.codeTo ?? 0,
      origin: shownOrigin,
      explain: foldWords(f, shownOrigin.parts),
      held: f.held.map(heldOf),
      error: f.text,
    });
  }
  view.forEach((s, i) => (s.index = i + 1));
  // Each trace row, and the failed fold's line, knows its step and the step's command.
  for (const s of view) if (errRows[s.traceRow]) Object.assign(errRows[s.traceRow], { step: s.index, op: s.name });
  // kel's diagnostic, after the last step, with the text it is about (core/diagnostic.js).
  const d = written.diagnostic;
  const mark = d && diagnosticRange(input, d, o);
  const diagnostic = d && { text: d.text, kind: d.kind, at: view.length, mark: mark && at(input, mark) };
  const declarations = o.declarations.map((d) => (d.predeclared ? d : { ...at(input, d), ...(d.expr && { expr: at(input, d.expr) }) }));
  const unfinished = o.unfinished && unfinishedWords(o.unfinished, (x) => textOf(input, x.from, x.to));
  const none = view.length ? null : noCommandWords(r.status, d, unfinished);
  return { status: r.status, rows, steps: view, diagnostic, declarations, unfinished, none };
}

// The stack that a command that failed met (stack, the one after the step before it, of the
// types before), with the values it took or would have taken from it marked.
function failedStack(s, stack, types) {
  const failedOn = s.name === 'Sto' ? 1 : operation[s.name]?.operands ?? 0;
  return { stack: stack.map((v, k) => shown(v, types?.[k])), failedOn, stackNote: failedStackWords(s, failedOn) };
}

// What a step shows of the source read and of the machine: the source read from..to (bytes),
// as the editor's range and as the text new to this step, with the character kel looked at past
// its token apart, and why it goes on past the origin; the look-ahead; the stack, variables and
// output as kel writes values (types: the stack's types, bottom first, where known). why is the
// command's or the failed fold's origins (origin, token, ahead), or null.
function common(input, s, from, to, why, types, variable) {
  // The character looked at past the token (none at the end of the text), and whether it is new
  // to this step.
  const ahead = why && why.ahead.to > why.ahead.from ? why.ahead : null;
  const aheadNew = ahead !== null && ahead.from >= from;
  const token = why && textOf(input, why.token.from, why.token.to);
  const read = {
    ...at(input, { from, to }),
    parts: excerpt(textOf(input, from, aheadNew ? ahead.from : to)),
    ahead: aheadNew ? character(textOf(input, ahead.from, ahead.to)) : null,
    on: why && why.token.to > from && why.token.from >= why.origin.to ? readOn(why.token.kind, token) : null,
  };
  return {
    read,
    ahead: ahead && at(input, ahead),
    lookAhead: why && lookAhead(why.token.kind, token, textOf(input, why.ahead.from, why.ahead.to)),
    stack: s.stack.map((v, k) => shown(v, types?.[k])),
    vars: s.vars.map((v) => ({ slot: v.slot, name: v.name, type: variable(v.slot)?.type ?? null, value: shown(v.value, variable(v.slot)?.type) })),
    output: s.output,
  };
}

// A thing kel holds (core/held.js), as the step view shows it: its source text, shortened, and
// what it is, in words.
function held(input, h) {
  return { kind: h.kind, parts: excerpt(textOf(input, h.from, h.to)), words: heldWords(h) };
}

// x, a range of the source's bytes from..to, as a range of indices in the editor's text.
function at(input, x) {
  return { ...x, from: charIndex(input, x.from), to: charIndex(input, x.to) };
}

// The text of the source's bytes from..to, as the page's decoder shows it (core/positions.js):
// a byte within a character stands for the whole character.
function textOf(input, from, to) {
  const text = decoded.get(input) ?? decoded.set(input, decoder.decode(input)).get(input);
  const a = charIndex(input, from);
  const b = charIndex(input, to);
  return b > a || from === to ? text.slice(a, b) : String.fromCodePoint(text.codePointAt(a));
}
