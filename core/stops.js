// What the step view says where kel stopped other than at a command it ran: a fold that failed,
// for which no command is generated; a statement that a source error left read but not
// finished; and a run with no command at all. Words as words.js makes them, from what origins.js
// found; no DOM.
import { maxInteger } from './facts.js';
import { count, inline, listed, quoted, shown } from './words.js';

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

// A source text for a sentence, in quotation marks: shortened in the middle when long.
function brief(text) {
  const t = inline([text]);
  return `“${t.length <= 60 ? t : `${t.slice(0, 40)} … ${t.slice(-15)}`}”`;
}

// The words for a statement that a source error left unfinished: origins.js's unfinished, with
// text(x), the source's text of a range. It names the statement, says which of its commands
// never came, and the constants kel still held back, which it had not pushed yet.
export function unfinishedWords(u, text) {
  const s = u.statement;
  const what = s.kind === 'WRITE' ? 'The WRITE statement' : 'The assignment';
  const first = u.commands === 1 ? 'first command' : `first ${count(u.commands, 'command')}`;
  const came = u.commands === 0 ? 'none of its commands came' : `only its ${first} came, not those that finish it`;
  let words = `${what} ${brief(text(s))} (line ${s.line}) was read but not finished, so ${came}.`;
  if (u.held.length) {
    const each = u.held.map((h) => {
      const t = brief(text(h));
      return t === `“${shown(h.value, h.type)}”` ? t : `${t} (${shown(h.value, h.type)})`;
    });
    const list = each.length === 1 ? each[0] : `${each.slice(0, -1).join(', ')} and ${each.at(-1)}`;
    words += ` The ${each.length === 1 ? 'constant' : 'constants'} ${list} ${each.length === 1 ? 'was' : 'were'} still held back: kel holds a constant back until it has read far enough to know whether to fold it or push it, and it stopped before that.`;
  }
  return words;
}

// The words for a run in which kel generated no command: status and kel's diagnostic d (lines.js)
// or null, and the words for what it left unfinished (null for nothing). kel's message itself is
// shown beside them.
export function noCommandWords(status, d, unfinished) {
  if (!d) return status === 0 ? 'kel generated no command: the program has only empty statements, so there was nothing to run.' : 'kel generated no command.';
  const where = d.kind === 'source' ? ` at line ${d.line}, column ${d.col}` : '';
  return `kel stopped${where} before it generated any command.${unfinished ? ' ' + unfinished : ''}`;
}

// What the stack shows at a command that failed (replay.js's step s), where the run ended: the
// stack the command met, whose top n values are those it took, or would have taken, as its
// operands, marked. A few words: they stand beside the stack's values.
export function failedStackWords(s, n) {
  const these = n === 1 ? 'this' : 'these';
  if (s.error === 'Comp: Stack overflow.') return `full: ${s.name} pushed nothing`;
  if (s.name !== 'Lod' && s.taken.length) return `${s.name} failed on ${these}`;
  return n ? `${s.name} never ran, but would take ${these}` : `${s.name} never ran`;
}
