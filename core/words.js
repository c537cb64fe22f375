// What the step view says: each command in words, with the values it took and gave, the reason
// kel generated it where the run's origins tell it (origins.js: folded, held back, exchanged),
// the token kel had just read, a failure in words, and long source text shortened. It puts into
// words what replay.js and origins.js found; it decides nothing about kel itself. No DOM: the
// worker calls it.
import { booleanTexts, codeSize, commands, maxInteger, operation, stackSize } from './facts.js';

// A value as kel writes it: TRUE or FALSE for a Boolean.
export const shown = (v, type) => (type === 'BOOLEAN' ? booleanTexts[+(v !== 0)] : String(v));

const count = (n, one, many = one + 's') => `${n.toLocaleString('en')} ${n === 1 ? one : many}`;

// A line longer than this keeps its start and its end.
const longLine = 160;
const lineEnds = 60;
// A text of more lines than this keeps its first and its last lines.
const headLines = 2;
const tailLines = 3;

// text, shortened when long, as parts: strings of the text itself and { skipped } for what was
// left out ("… 4,094 lines …"), so that a few lines stand for any length.
export function excerpt(text) {
  const parts = [];
  let from = 0;
  for (let k = 0; k < headLines && from >= 0; k++) from = next(text, from);
  let to = text.length;
  for (let k = 0; k < tailLines && to > 0; k++) to = text.lastIndexOf('\n', to - 1);
  // The lines from from up to the line feed at to, that one included, are left out.
  let skipped = 0;
  if (from > 0 && to >= from) for (let i = from; i <= to; i++) if (text.charCodeAt(i) === 10) skipped++;
  if (skipped < 2) {
    lines(text, parts);
  } else {
    lines(text.slice(0, from), parts);
    parts.push({ skipped: `… ${count(skipped, 'line')} …` });
    lines(text.slice(to), parts);
  }
  return parts;
}

// The index after the line feed that ends the line at from, or -1 for the last line.
function next(text, from) {
  const lf = text.indexOf('\n', from);
  return lf < 0 ? -1 : lf + 1;
}

// The lines of text into parts, each long one shortened to its two ends.
function lines(text, parts) {
  let at = 0;
  let kept = '';
  while (at < text.length) {
    const end = next(text, at) < 0 ? text.length : next(text, at);
    const line = text.slice(at, end);
    if (line.length <= longLine) {
      kept += line;
    } else {
      const tail = line.endsWith('\n') ? 1 : 0;
      parts.push(kept + line.slice(0, lineEnds));
      parts.push({ skipped: `… ${count(line.length - 2 * lineEnds - tail, 'character')} …` });
      kept = line.slice(line.length - lineEnds - tail);
    }
    at = end;
  }
  if (kept) parts.push(kept);
}

// The text of parts, as one line for a sentence: white space runs as one blank.
const inline = (parts) => parts.map((p) => (typeof p === 'string' ? p : ` ${p.skipped} `)).join('').replace(/\s+/g, ' ').trim();

// A character kel looked at: itself where it can be seen ({ code, note }), else { words, blank }:
// words naming it, and blank, what stands for it where it is drawn within the source (a tab and
// a line feed themselves, a blank for any other); '' is the end of the text.
export function character(text) {
  if (text === '') return { words: 'the end of the text', blank: ' ' };
  const c = text.codePointAt(0);
  const names = { 9: 'a tab', 10: 'a line feed', 13: 'a carriage return', 32: 'a blank' };
  const blank = c === 9 || c === 10 ? text[0] : ' ';
  if (names[c]) return { words: names[c], blank };
  if (c < 32 || c === 127) return { words: `the control character ${c}`, blank };
  return { code: text, note: c > 127 ? ' (beyond ASCII: white space to kel)' : '' };
}

const tokenKinds = { number: 'the number', name: 'the name', keyword: 'the keyword', symbol: 'the symbol' };

// The look-ahead of a command as parts (strings, { code } and { ahead }): the token kel had just
// read, of kind ('number', 'name', 'keyword', 'symbol' or 'end') and text, and the one character
// it had looked at past it, ahead, which is not yet a token.
export function lookAhead(kind, text, ahead) {
  if (kind === 'end') return ['the end of the text.'];
  const c = character(ahead);
  const shownAhead = c.words ?? { ahead: c.code };
  const start = [`${tokenKinds[kind]} `, { code: inline(excerpt(text)) }];
  if (kind === 'name' || kind === 'number') {
    return [...start, `; to know that it had ended, kel looked at the next character, `, shownAhead, c.note ?? '', ', which is not yet a token.'];
  }
  return [...start, '; kel has also looked at the next character, ', shownAhead, `${c.note ?? ''}.`];
}

// The symbols the words use for an operation's formula.
const symbols = {
  Add: '+', Sub: '-', Mul: '*', Div: '/', Bus: '-', Vid: '/', Eql: '=', Neq: '#', Lss: '<', Leq: '<=',
  Gtr: '>', Geq: '>=', Or: '|', And: '&',
};
const commutative = new Set(['Add', 'Mul', 'Eql', 'Neq', 'Or', 'And']);
const capital = (s) => s[0].toUpperCase() + s.slice(1);
// The named constants' values, "half = 20, k = 3", in parentheses; TRUE and FALSE need none.
function listed(constants) {
  const named = constants.filter((k) => k.name !== shown(k.value, k.type));
  return named.length ? ` (${named.map((k) => `${k.name} = ${shown(k.value, k.type)}`).join(', ')})` : '';
}

// A source text for a sentence: as written when it is short and on one line, else a pointer to
// where the step view shows it.
function quoted(parts) {
  const t = inline(parts);
  return parts.length === 1 && !parts[0].includes('\n') && t.length <= 60 ? t : 'the expression shown as its origin';
}

// The words for one step of the replay (replay.js) with what origins.js found for its command
// (why: null where origins are not shown). c gives the rest: originParts, its origin's text as
// parts (undefined without one); before, the types on the stack before the command (null where
// unknown); next, the next step's { name, originParts } or null; variable(slot), { name, type }
// of a slot; written, the number of lines written so far.
export function explain(s, why, c) {
  const type = why?.type;
  const sayCommand = {
    Val: () => valWords(s, why, c.originParts, c.next),
    Lod: () => `Push the value of ${slotName(s.operand, c)}: ${shown(s.taken[0] ?? 0, type)}. A variable's value is known only while the program runs.`,
    Sto: () => `Pop ${s.taken.length ? shown(s.taken[0], type) : 'the top'} and store it in ${slotName(s.operand, c)}: the assignment is done.`,
  }[s.name];
  let words = sayCommand ? sayCommand() : operationWords(s, why, c);
  if (s.error) words += ' ' + failure(s);
  return words;
}

function slotName(slot, c) {
  const v = c.variable(slot);
  return v ? `${v.name} (slot ${slot})` : `slot ${slot}`;
}

function valWords(s, why, originParts, next) {
  const v = shown(s.operand, why?.type);
  if (!why) return `Push the constant ${v}.`;
  let words;
  if (why.kind === 'folded') {
    words = `Push ${v}: kel folded ${quoted(originParts)}${listed(why.constants)} to ${v} while reading it, so no command computes it.`;
  } else if (why.kind === 'constant') {
    words = `Push ${v}, the value of the constant ${why.constants[0].name}${listed(why.constants)}: a constant is not computed, its value is the command's operand.`;
  } else {
    words = `Push the number ${v}, as written.`;
  }
  if (why.heldBack) {
    const op = next?.name ?? 'the operation';
    return `${words} It was held back until the other operand was on the stack, so it lies on top, and the next command, ${op}, takes its operands the other way round.`;
  }
  if (next?.name === 'Sto') return `${words} kel pushes a constant only when it is needed: here by the assignment.`;
  if (next?.name === 'Wrt' || next?.name === 'WrB') return `${words} kel pushes a constant only when it is needed: here by WRITE.`;
  const o = next && operation[next.name];
  if (o?.operands === 2) {
    return `${words} kel pushes a constant only when it meets an operand computed at run time: the left operand of ${inline(next.originParts ?? [])}, already on the stack.`;
  }
  return words;
}

function operationWords(s, why, c) {
  const name = s.name;
  const o = operation[name];
  if (!o?.code) return `The operation ${name}, which kel does not have.`;
  const before = c.before ? c.before.slice(c.before.length - o.operands) : [];
  const [x, y] = s.taken.map((v, k) => shown(v, before[k]));
  const result = s.pushed === null ? null : shown(s.pushed, o.result);
  if (name === 'Wrt' || name === 'WrB') {
    const line = s.error ? '' : `: line ${c.written} of the output`;
    return `Pop ${x ?? 'the top'} and write it as ${name === 'Wrt' ? 'a number' : 'a Boolean'}${line}, for this WRITE.`;
  }
  const does = capital(o.does);
  if (o.operands === 1) {
    const formula = x === undefined ? '' : `: ${name === 'Neg' ? `-(${x})` : `~${x}`}${result === null ? '' : ` gives ${result}`}`;
    return `${does}${formula}.`;
  }
  const sym = symbols[name];
  const [left, right] = name === 'Bus' || name === 'Vid' ? [y, x] : [x, y];
  const formula = x === undefined ? '' : `${left} ${sym} ${right}${result === null ? '' : ` gives ${result}`}`;
  if (!why?.exchanged) return `${does}${formula && ': ' + formula}.`;
  const written = inline(c.originParts ?? []);
  if (name === 'Bus' || name === 'Vid') {
    return `${name} works the other way round: the left operand of ${written} is a constant held back, which lies on top, so ${name} takes the top ${name === 'Bus' ? 'minus' : 'divided by'} the value below it${formula && ': ' + formula}.`;
  }
  if (commutative.has(name)) {
    return `${does}${formula && ': ' + formula}. The left operand, a constant held back, lies on top; for ${written} the order makes no difference.`;
  }
  return `${name} is ${written} turned round, since the left operand, a constant held back, lies on top${formula && ': ' + formula}.`;
}

// Why a command failed, in words, from kel's message.
function failure(s) {
  const e = s.error;
  const name = s.name;
  if (e === 'Comp: Division by zero.') {
    return `The divisor is 0. The machine tests every divisor itself and stops with its own message, ${e} (A division by zero in a constant expression, which kel folds while reading, ends it with Fatal error: Division by zero. instead.)`;
  }
  if (e === 'Fatal error: Negative divisor.') {
    const d = name === 'Vid' ? s.taken[0] : s.taken[1];
    return `The divisor is ${d}: kel divides only by a positive number, so the run ends with ${e}`;
  }
  if (e === 'Fatal error: Integer overflow.') {
    const [x, y] = s.taken.map(BigInt);
    const exact = { Neg: () => -x, Add: () => x + y, Sub: () => x - y, Mul: () => x * y, Bus: () => y - x }[name];
    const is = exact ? `The exact result, ${exact()}, ` : 'The exact result ';
    return `${is}does not fit in an INTEGER (${-maxInteger - 1} to ${maxInteger}), so the run ends with ${e}`;
  }
  if (e === 'Comp: Program too large.') {
    const need = (commands[name] ?? commands.Opr).size;
    return `The code store holds ${codeSize} bytes for the whole program. This command needs ${count(need, 'byte')}, and only ${count(Math.max(codeSize - s.codeFrom, 0), 'byte')} ${codeSize - s.codeFrom === 1 ? 'is' : 'are'} left, so kel stops: ${e}`;
  }
  if (e === 'Comp: Stack overflow.') {
    return `The stack holds ${stackSize} values, and all of them are in use: kel stops with ${e}`;
  }
  return `kel stops: ${e}`;
}

// The words for a fold that failed: { text, constants, operands, operator } of origins.js, with
// its origin's text as parts.
export function foldWords(f, originParts) {
  const named = listed(f.constants);
  const formula = f.operands.length === 1 ? `${f.operator}(${f.operands[0]})` : `${f.operands[0]} ${f.operator} ${f.operands[1]}`;
  const values = formula === inline(originParts) ? '' : `, that is ${formula}`;
  const start = `kel folds ${quoted(originParts)}${named} while reading it${values}. No command is generated for it, and the fold fails:`;
  if (f.text === 'Fatal error: Division by zero.') {
    return `${start} the divisor is 0. A division by zero met while folding ends kel at once with ${f.text} (When the machine divides by zero, it says Comp: Division by zero. instead.)`;
  }
  if (f.text === 'Fatal error: Negative divisor.') {
    return `${start} the divisor is negative, and kel divides only by a positive number: ${f.text}`;
  }
  if (f.text === 'Fatal error: Integer overflow.') {
    return `${start} the result does not fit in an INTEGER (${-maxInteger - 1} to ${maxInteger}): ${f.text}`;
  }
  return `${start} ${f.text}`;
}
