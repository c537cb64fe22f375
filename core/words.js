// What the step view says: each command in words, with the values it took and gave, the reason
// kel generated it where the run's origins tell it (origins.js: folded, held back, exchanged),
// the token kel had just read, a failure in words, and long source text shortened. It puts into
// words what replay.js and origins.js found; it decides nothing about kel itself. No DOM: the
// worker calls it.
import { booleanTexts, codeSize, commands, maxInteger, operation, stackSize, turnedRound } from './facts.js';

// A value as kel writes it: TRUE or FALSE for a Boolean.
export const shown = (v, type) => (type === 'BOOLEAN' ? booleanTexts[+(v !== 0)] : String(v));

export const count = (n, one, many = one + 's') => `${n.toLocaleString('en')} ${n === 1 ? one : many}`;

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
export const inline = (parts) => parts.map((p) => (typeof p === 'string' ? p : ` ${p.skipped} `)).join('').replace(/\s+/g, ' ').trim();

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

const tokenKinds = { number: 'The number', name: 'The name', keyword: 'The keyword', symbol: 'The symbol' };

// The look-ahead of a command as sentences, in parts (strings, { code } and { ahead }): the token
// kel had just read, of kind ('number', 'name', 'keyword', 'symbol' or 'end') and text, and the
// one character it had looked at past it, ahead, which is not yet a token. Token and character
// stand in quotation marks, so that copied or read aloud, "the symbol ;" is not punctuation.
export function lookAhead(kind, text, ahead) {
  if (kind === 'end') return ['The end of the text.'];
  const start = [`${tokenKinds[kind]} “`, { code: inline(excerpt(text)) }, '”. '];
  const ended = kind === 'name' || kind === 'number';
  if (ahead === '') return [...start, ended ? 'To know that it had ended, kel looked past it: the text ends there.' : 'The text ends there.'];
  const c = character(ahead);
  const looked = c.words ? [c.words] : ['“', { ahead: c.code }, `”${c.note}`];
  const why = ended ? 'To know that it had ended, kel looked at the next character, ' : 'kel also looked at the next character, ';
  return [...start, why, ...looked, ', which is not yet a token.'];
}

// Why the text read for a command goes on past its origin, as parts, where the token kel had just
// read (kind and text as for lookAhead) lies past the origin: kel reads one token further.
export function readOn(kind, text) {
  const to = kind === 'end' ? ['to the end of the text'] : ['up to “', { code: inline(excerpt(text)) }, '”'];
  return [' kel read on past the origin, ', ...to, ': only the token after an operand or an expression tells kel that it has ended.'];
}

// The symbols the words use for an operation's formula.
const symbols = {
  Add: '+', Sub: '-', Mul: '*', Div: '/', Bus: '-', Vid: '/', Eql: '=', Neq: '#', Lss: '<', Leq: '<=',
  Gtr: '>', Geq: '>=', Or: '|', And: '&',
};
const capital = (s) => s[0].toUpperCase() + s.slice(1);

// A value on the machine, where the machine is the subject: a Boolean as kel writes it, with the
// number the machine keeps for it, TRUE (1).
export const kept = (v, type) => (type === 'BOOLEAN' ? `${shown(v, type)} (${v})` : String(v));

// The named constants' values, "half = 20, k = 3", in parentheses; TRUE and FALSE need none.
export function listed(constants) {
  const named = constants.filter((k) => k.name !== shown(k.value, k.type));
  return named.length ? ` (${named.map((k) => `${k.name} = ${shown(k.value, k.type)}`).join(', ')})` : '';
}

// A source text for a sentence: as written when it is short and on one line, else a pointer to
// where the step view shows it.
export function quoted(parts) {
  const t = inline(parts);
  return parts.length === 1 && !parts[0].includes('\n') && t.length <= 60 ? t : 'the expression shown as its origin';
}

// The words for one step of the replay (replay.js) with what origins.js found for its command
// (why: null where origins are not shown). c gives the rest: originParts, its origin's text as
// parts (undefined without one); before, the types on the stack before the command (null where
// unknown); next, the next step's { name, originParts } or null; variable(slot), { name, type }
// of a slot; written, the number of lines written so far. A command that failed did nothing:
// its words say what it would have done, that it did not, and why.
export function explain(s, why, c) {
  const type = why?.type;
  if (s.error) return `${wouldWords(s, why, c)}, but it did not${s.name === 'Sto' ? ', and the assignment is not done' : ''}. ${failure(s)}`;
  if (s.name === 'Val') return valWords(s, why, c);
  if (s.name === 'Lod') return `Push the value of ${slotName(s.operand, c)}: ${kept(s.taken[0], type)}. A variable's value is known only while the program runs.`;
  if (s.name === 'Sto') return `Pop ${kept(s.taken[0], type)} and store it in ${slotName(s.operand, c)}: the assignment is done.`;
  return operationWords(s, why, c);
}

function slotName(slot, c) {
  const v = c.variable(slot);
  return v ? `${v.name} (slot ${slot})` : `slot ${slot}`;
}

// Where a Val's value comes from: the number as written, a constant, or a fold.
function valSource(s, why, originParts) {
  const v = kept(s.operand, why?.type);
  if (!why) return `the constant ${v}`;
  if (why.kind === 'folded') return `the value of ${quoted(originParts)}${listed(why.constants)}, which kel folded to ${v} while reading it`;
  if (why.kind === 'constant') return `the value of the constant ${why.constants[0].name}${listed(why.constants)}`;
  const written = inline(originParts ?? []);
  return written === String(s.operand) ? `the number ${v}, as written` : `the value of ${quoted(originParts)} as written`;
}

// The divisions folded into a value that rounded down (origins.js's rounded), as a sentence.
function roundedWords(rounded) {
  if (!rounded) return '';
  const each = rounded.first.map(({ x, y, q }) => `${x} / ${y} gave ${q}`);
  const more = rounded.count > each.length ? `, and ${(rounded.count - each.length).toLocaleString('en')} more` : '';
  return ` Division rounds down, towards minus infinity: ${each.join(', ')}${more}.`;
}

function valWords(s, why, c) {
  const v = kept(s.operand, why?.type);
  let words;
  if (why?.kind === 'folded') {
    words = `Push ${v}: kel folded ${quoted(c.originParts)}${listed(why.constants)} to ${v} while reading it, so no command computes it.${roundedWords(why.rounded)}`;
  } else if (why?.kind === 'constant') {
    words = `Push ${v}, ${valSource(s, why, c.originParts)}: a constant is not computed, its value is the command's operand.`;
  } else if (why) {
    const source = valSource(s, why, c.originParts);
    words = source.startsWith('the number') ? `Push ${source}.` : `Push ${v}, ${source}.`;
  } else {
    words = `Push the constant ${v}.`;
  }
  if (why?.type === 'BOOLEAN') words += ' The machine keeps TRUE as 1 and FALSE as 0.';
  const next = c.next;
  if (why?.heldBack) {
    const held = `${words} It was held back until the other operand was on the stack, so it lies on top although it is the left operand`;
    if (!next || !operation[next.name]) return `${held}.`;
    if (next.name in turnedRound) return `${held}: the next command, ${next.name}, is ${inline(next.originParts ?? [])} turned round.`;
    return `${held}: for the next command, ${next.name}, the order makes no difference.`;
  }
  if (next?.name === 'Sto') return `${words} kel pushes a constant only when it is needed: here by the assignment.`;
  if (next?.name === 'Wrt' || next?.name === 'WrB') return `${words} kel pushes a constant only when it is needed: here by WRITE.`;
  const o = next && operation[next.name];
  if (o?.operands === 2) {
    return `${words} kel pushes a constant only when it meets an operand computed at run time: the left operand of ${inline(next.originParts ?? [])}, already on the stack.`;
  }
  return words;
}

// The n operands of a command, bottom first, as kel writes them (form: shown or kept): those it
// took, or for a command that never ran, those on top of the stack it would have taken; none
// where they are not known.
function operandsOf(s, c, n, form = shown) {
  const values = s.taken.length || !s.error ? s.taken : s.stack.slice(-n);
  const types = c.before ? c.before.slice(c.before.length - n) : [];
  return values.length === n ? values.map((v, k) => form(v, types[k])) : [];
}

// Whether a division gave a quotient rounded down: Vid divides the top by the value below it.
function rounds(name, [x, y]) {
  if (name === 'Div') return x % y !== 0;
  return name === 'Vid' && y % x !== 0;
}

// x op y as written in the source: a turned operation takes the top as its left operand.
function formula(name, [x, y]) {
  const [left, right] = name === 'Bus' || name === 'Vid' ? [y, x] : [x, y];
  return `${left} ${symbols[name]} ${right}`;
}

function operationWords(s, why, c) {
  const name = s.name;
  const o = operation[name];
  if (!o?.code) return `The operation ${name}, which kel does not have.`;
  const [x, y] = operandsOf(s, c, o.operands);
  const result = s.pushed === null ? null : kept(s.pushed, o.result);
  if (name === 'Wrt' || name === 'WrB') {
    const [top = 'the top'] = operandsOf(s, c, 1, kept);
    return `Pop ${top} and write it as ${name === 'Wrt' ? 'a number' : 'a Boolean'}: line ${c.written} of the output, for this WRITE.`;
  }
  const does = capital(o.does);
  if (o.operands === 1) {
    const f = x === undefined ? '' : `: ${name === 'Neg' ? `-(${x})` : `~${x}`} gives ${result}`;
    return `${does}${f}.`;
  }
  const down = s.pushed !== null && rounds(name, s.taken) ? ', rounded down, towards minus infinity' : '';
  const f = x === undefined ? '' : `${formula(name, [x, y])} gives ${result}${down}`;
  if (!why?.exchanged) return `${does}${f && ': ' + f}.`;
  const written = inline(c.originParts ?? []);
  if (name === 'Bus' || name === 'Vid') {
    return `${name} is ${written} turned round: the left operand of ${written}, a constant held back, lies on top, so ${name} takes the top ${name === 'Bus' ? 'minus' : 'divided by'} the value below it${f && ': ' + f}.`;
  }
  if (!(name in turnedRound)) return `${does}${f && ': ' + f}. The left operand, a constant held back, lies on top; for ${written} the order makes no difference.`;
  return `${name} is ${written} turned round, since the left operand, a constant held back, lies on top${f && ': ' + f}.`;
}

// What a command that failed would have done, as the start of a sentence.
function wouldWords(s, why, c) {
  const type = why?.type;
  const command = s.operand === undefined ? s.name : `${s.name} ${s.operand}`;
  if (s.name === 'Val') {
    const source = valSource(s, why, c.originParts);
    return `${command} would have pushed ${source.startsWith('the number') ? source : `${kept(s.operand, type)}, ${source}`}`;
  }
  if (s.name === 'Lod') {
    const v = s.vars.find((x) => x.slot === s.operand);
    return `${command} would have pushed the value of ${slotName(s.operand, c)}${v ? `, ${kept(v.value, type)}` : ''}`;
  }
  const o = operation[s.name];
  const n = s.name === 'Sto' ? 1 : o?.operands ?? 0;
  const [x, y] = operandsOf(s, c, n);
  const [top = 'the top'] = operandsOf(s, c, n, kept);
  if (s.name === 'Sto') return `${command} would have popped ${top} and stored it in ${slotName(s.operand, c)}`;
  if (s.name === 'Wrt' || s.name === 'WrB') return `${command} would have popped ${top} and written it, for this WRITE`;
  if (!o?.code) return `${command}, an operation kel does not have, would have run`;
  if (n === 1) return `${command} would have pushed ${x === undefined ? 'its result' : `the result of ${s.name === 'Neg' ? `-(${x})` : `~${x}`}`}`;
  const turnedWords = why?.exchanged && s.name in turnedRound ? ` (${s.name} is ${inline(c.originParts ?? [])} turned round: the left operand, a constant held back, lies on top)` : '';
  return `${command} would have pushed ${x === undefined ? 'its result' : `the result of ${formula(s.name, [x, y])}`}${turnedWords}`;
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
    const left = Math.max(codeSize - s.codeFrom, 0);
    return `The code store holds ${codeSize} bytes for the whole program. This command needs ${count(need, 'byte')}, and only ${count(left, 'byte')} ${left === 1 ? 'is' : 'are'} left, so kel stops: ${e}`;
  }
  if (e === 'Comp: Stack overflow.') {
    return `The stack holds ${stackSize} values, and all of them are in use: kel stops with ${e}`;
  }
  return `kel stops: ${e}`;
}
