// The exercises of the tour and of the step view's predict mode, derived from kel's own run: for
// each command, the question "Which command does kel generate next?" with kel's command as the
// answer and distractors made from what a learner gets wrong (the operation of an expression
// kel folded, Sub for Bus, a relation not turned round, a constant's name read as a load, the
// command of the statement's end too early), each with words that say why kel did not generate
// it; and a task's conditions checked against a run. Every answer is the command kel wrote in
// its trace; the words of a distractor rest only on facts of the run that the tests hold to
// kel (the replay's stack, the origins), so no program can make them wrong. No DOM.
import { maxInteger, operation, turnedRound, varCount } from './facts.js';
import { oprs } from './parser.js';
import { Scanner, Sym } from './tokens.js';
import { excerpt, kept, quoted, shown } from './words.js';

// A command as the trace writes it, without the blank that ends "Or ".
const commandText = (name, operand) => (operand === undefined ? name : `${name} ${operand}`);

const statementEnds = new Set(['Wrt', 'WrB', 'Sto']);

const decoder = new TextDecoder();

// The first operand and the first operator of a folded expression's text, as the trace would
// show them if kel computed it at run time: { first: value or undefined, op: name or undefined }.
// constants are the named constants in it, with their values.
function unfolded(text, constants) {
  const s = new Scanner((i) => text.charCodeAt(i), text.length);
  let first;
  let op;
  let start = true; // no operand read yet
  for (s.read(); s.sym !== Sym.EOF && s.error === null; s.read()) {
    if (start && s.sym === Sym.Num) first = s.num;
    else if (start && s.sym === Sym.Id) first = constants.find((c) => c.name === s.text())?.value;
    if (s.sym === Sym.Num || s.sym === Sym.Id) start = false;
    else if (op === undefined && s.sym === Sym.Minus && start) op = 'Neg';
    else if (op === undefined && s.sym === Sym.Not) op = 'Not';
    else if (op === undefined && oprs[s.sym]) op = oprs[s.sym][0];
  }
  return { first, op };
}

// The value of a Val answered, as the step view shows it: a Boolean with the machine's number.
const valueOf = (c) => kept(c.answer.operand, c.why?.type);

// The candidates of each kind, in the order they are offered: [command, words] pairs. c is the
// question's context (see questions below); a rule that does not apply gives none.
const rules = [
  // A folded Val: the learner computes at run time what kel folded while reading.
  (c) => {
    if (c.why?.kind !== 'folded') return [];
    const { first, op } = unfolded(c.origin, c.why.constants);
    const words = `${quoted(excerpt(c.origin))} is made of constants only, so kel folded it to ${valueOf(c)} while reading it: no command pushes its operands or computes it.`;
    return [first === undefined ? null : [commandText('Val', first), words], op ? [op, words] : null];
  },
  // A constant's name read as a load.
  (c) => {
    if (c.why?.kind !== 'constant' || c.slots === null) return [];
    const name = c.why.constants[0].name;
    return [[commandText('Lod', c.slots), `${name} is a constant, not a variable: it has no slot, and its value is the operand of a Val. Lod pushes the value of a variable from its slot.`]];
  },
  // A variable's value taken as known while kel reads.
  (c) => {
    if (c.answer.name !== 'Lod') return [];
    const v = c.holds(c.answer.operand);
    const now = c.why?.type === 'BOOLEAN' ? `${shown(v, 'BOOLEAN')}, kept as ${v}` : v;
    return [[commandText('Val', v), `${c.variable(c.answer.operand)} is a variable: kel does not write its value into a command, as it does a constant's. ${c.answer.text} pushes what slot ${c.answer.operand} holds when it runs (here ${now}).`]];
  },
  // Sub for Bus, a relation not turned round, and the other way: turned round without cause.
  (c) => {
    const other = turnedRound[c.answer.name];
    if (!other || !c.why) return [];
    if (c.why.exchanged) {
      return [[other, `The left operand of this ${quoted(excerpt(c.origin))} is a constant held back: it was pushed after the right operand and lies on top, so kel turns the operation round. ${other} would take the value below as its left operand.`]];
    }
    return [[other, `kel turns an operation round only when its left operand is a constant held back, which lies on top. Here the left operand was on the stack first, below the right one.`]];
  },
  // The constant to the left, pushed as written rather than held back.
  (c) => {
    const h = c.heldLater;
    if (!h) return [];
    return [[h.text, `${h.text} pushes a constant that stands before this command's origin in the source, but kel held it back until the other operand was on the stack: it comes later, as command ${h.index}.`]];
  },
  // The operation before the constant it waits for.
  (c) => {
    if (!c.why?.heldBack || !c.next) return [];
    return [[c.next.text, `${c.next.text} needs both operands on the stack, and the constant ${valueOf(c)}, held back until now, is not there yet: ${c.next.text} comes after this command, as command ${c.k + 1}.`]];
  },
  // The statement's end too early.
  (c) => {
    const e = c.end;
    if (!e) return [];
    const what = e.name === 'Sto' ? 'this assignment' : 'this WRITE';
    return [[e.text, `${e.text} ends ${what}, after every command of its expression: kel generates it later, as command ${e.index}.`]];
  },
  // The other way of ending a statement.
  (c) => {
    const t = c.why?.type;
    if (c.answer.name === 'Wrt' || c.answer.name === 'WrB') {
      const other = c.answer.name === 'Wrt' ? 'WrB' : 'Wrt';
      const kinds = { Wrt: 'an INTEGER, as a number', WrB: 'a Boolean, as TRUE or FALSE' };
      return t ? [[other, `${other} writes ${kinds[other]}; the value of this WRITE is ${t === 'INTEGER' ? 'an INTEGER' : 'a Boolean'}.`]] : [];
    }
    if (c.answer.name === 'Sto' && c.why) {
      return [[t === 'BOOLEAN' ? 'WrB' : 'Wrt', `This statement is an assignment to ${c.variable(c.answer.operand)}: it ends with a Sto, which stores the value in slot ${c.answer.operand}. Only a WRITE ends with a command that writes.`]];
    }
    return [];
  },
  // The command after this one.
  (c) => (c.next ? [[c.next.text, `${c.next.text} comes after this command, as command ${c.k + 1}.`]] : []),
  // Commands that need more values than the stack holds, or that would leave it unfinished.
  (c) => {
    const holds = c.n === 0 ? 'the stack is empty' : `the stack holds only ${c.n === 1 ? 'one value' : c.n}`;
    const needs = (name, k) => [name, `${name} takes ${k === 1 ? 'the value on top of the stack' : 'two values from the stack'}, and ${holds} before this command.`];
    if (c.n === 0) return [needs('Wrt', 1), needs('Add', 2), needs('Sto 0', 1)];
    if (c.n === 1) return [needs('Add', 2), needs('Mul', 2), needs('Sub', 2)];
    const end = (name) => [name, `${name} would end a statement by taking its one value, and every statement leaves the stack empty; before this command it holds ${c.n} values, so the statement is not finished.`];
    return [end('Wrt'), end('WrB'), end('Sto 0')];
  },
];

const most = 3; // distractors a question offers

// The question for each step of a run, or null for a step without a command (a failed fold):
// { answer, choices }, choices in a fixed order, each { command, right, words }, words for a
// wrong one only. steps are the replay's (replay.js), o the run's origins (origins.js), input
// the source's bytes.
export function questions(steps, o, input) {
  const texts = steps.map((s) => (s.name ? commandText(s.name, s.operand) : null));
  const variables = o.declarations.filter((d) => d.kind === 'variable');
  const slots = o.body ? variables.length : null;
  const variable = (slot) => variables.find((v) => v.slot === slot)?.name ?? `the variable in slot ${slot}`;
  return steps.map((s, i) => {
    if (!s.name) return null;
    const why = o.commands[i] ?? null;
    const at = (j) => (texts[j] ? { text: texts[j], name: steps[j].name, index: j + 1 } : null);
    const endAt = statementEnds.has(s.name) ? -1 : steps.findIndex((x, j) => j > i && statementEnds.has(x.name));
    const laterHeld = why && o.commands.findIndex((x, j) => j > i && x.heldBack && x.origin.from < why.origin.from);
    const c = {
      k: i + 1,
      answer: { name: s.name, operand: s.operand, text: texts[i] },
      n: i === 0 ? 0 : steps[i - 1].stack.length,
      why,
      origin: why ? decoder.decode(input.subarray(why.origin.from, why.origin.to)) : '',
      holds: (slot) => s.vars.find((v) => v.slot === slot)?.value ?? 0, // also where the Lod failed
      slots,
      variable,
      next: at(i + 1),
      end: endAt > i ? at(endAt) : null,
      heldLater: laterHeld > i ? at(laterHeld) : null,
    };
    return { answer: texts[i], choices: choose(c) };
  });
}

// kel's command and up to `most` distractors, each once and none equal to kel's command, in the
// order of their texts (so the place of the answer tells nothing).
function choose(c) {
  const seen = new Set([c.answer.text]);
  const wrong = [];
  for (const rule of rules) {
    for (const pair of rule(c)) {
      if (!pair || seen.has(pair[0]) || wrong.length === most) continue;
      seen.add(pair[0]);
      wrong.push({ command: pair[0], right: false, words: `kel did not generate ${pair[0]} here: it generated ${c.answer.text}. ${pair[1]}` });
    }
  }
  const all = [{ command: c.answer.text, right: true, words: null }, ...wrong];
  return all.sort((a, b) => (a.command < b.command ? -1 : a.command > b.command ? 1 : 0));
}

// Whether a command of the trace (name and operand) is the one a task names: a name alone
// stands for it with any operand.
function matches(wanted, name, operand) {
  const [n, v] = wanted.split(' ');
  return n === name && (v === undefined || Number(v) === operand);
}

// A task's conditions against a run: task is { writes (lines, or undefined), generates and
// avoids (commands as the trace writes them, a name alone for any operand), status (or
// undefined) }; run is { status, output (the lines of standard output), commands ([{ name,
// operand }] in the trace's order), diagnostic (kel's last line, or null) }. Returns one
// { condition, met, words } per condition, in the order above.
export function checkTask(task, run) {
  const found = (wanted) => run.commands.findIndex((x) => matches(wanted, x.name, x.operand));
  const lines = (ls) => (ls.length ? ls.join(' | ') : 'nothing');
  const out = [];
  if (task.writes) {
    const met = task.writes.length === run.output.length && task.writes.every((l, i) => l === run.output[i]);
    out.push({ condition: `writes: ${lines(task.writes)}`, met, words: met ? `It wrote ${lines(run.output)}.` : `It wrote ${lines(run.output)}, not ${lines(task.writes)}.` });
  }
  for (const g of task.generates ?? []) {
    const k = found(g);
    out.push({ condition: `generates: ${g}`, met: k >= 0, words: k >= 0 ? `kel generated ${commandText(run.commands[k].name, run.commands[k].operand)} as command ${k + 1}.` : `kel generated no ${g}.` });
  }
  for (const a of task.avoids ?? []) {
    const k = found(a);
    out.push({ condition: `avoids: ${a}`, met: k < 0, words: k < 0 ? `kel generated no ${a}.` : `kel generated ${commandText(run.commands[k].name, run.commands[k].operand)} as command ${k + 1}.` });
  }
  if (task.status !== undefined) {
    const met = run.status === task.status;
    const said = `kel ended with exit status ${run.status}${!met && run.diagnostic ? `: ${run.diagnostic}` : ''}`;
    out.push({ condition: `status: ${task.status}`, met, words: said.endsWith('.') ? said : `${said}.` }); // kel's line ends with one
  }
  return out;
}

// Whether a command a task names is one kel can generate: Val, Lod or Sto, with or without an
// operand, or an operation kel has.
export function isCommand(text) {
  const m = /^(Val|Lod|Sto)(?: (-?\d+))?$/.exec(text);
  if (!m) return Boolean(operation[text]?.code);
  if (m[2] === undefined) return true;
  const n = Number(m[2]);
  return m[1] === 'Val' ? n >= -maxInteger - 1 && n <= maxInteger : !m[2].startsWith('-') && n < varCount;
}
