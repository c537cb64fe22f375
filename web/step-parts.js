// The parts of the step view that show one step of a run (web/result.js's steps): the facts of
// its command (what it is, what it does and why, its origin, the source read for it and the token
// kel had just read), where a diagnostic ended the steps and what it left unfinished, what kel is
// holding, the machine after it ran or when the run ended (stack, variables, output so far), and
// the code store, its bytes hexadecimal with their decimal values on hover and focus. Each part
// is made once, and drawn again at every move; step.js puts them under its controls and moves
// between the steps. The glossary's terms in the step's words link to their entries (terms.js):
// seen, shared by the parts of one step, holds the terms linked already, so that only a term's
// first use is a link.
import { el, scrollWithin, showParts } from './dom.js';
import { codeSize, commands } from '../core/index.js';
import { byteHelp, diagnosticHelp, hex, storedHelp } from './glosses.js';
import { withTerms } from './terms.js';

const part = (root, id) => root.querySelector(`[data-testid="${id}"]`);

// The parts' elements, in the order the view shows them. Nothing in them comes from kel or a
// link: that is put in as text when a step is drawn.
export function buildParts() {
  const title = (id, text) => el('h3', { id }, text);
  const perStep = { className: 'per-step' }; // what only a step has: hidden in a run without one
  return [
    el('dl', { className: 'step-facts' },
      el('dt', {}, 'Command'), el('dd', {}, el('code', { 'data-testid': 'step-command' })),
      el('dt', {}, 'What it does, and why'), el('dd', { 'data-testid': 'step-explain' }),
      el('dt', perStep, 'Origin'),
      el('dd', perStep, el('code', { className: 'step-origin', 'data-testid': 'step-origin' }), ' ', el('span', { className: 'where' })),
      el('dt', perStep, 'Read since the previous command'),
      el('dd', perStep, el('code', { className: 'step-read', 'data-testid': 'step-read' }),
        el('span', { className: 'read-none', hidden: true }, 'nothing new: this command comes from what was read before'),
        el('span', { className: 'read-on', 'data-testid': 'step-read-on' })),
      el('dt', perStep, 'kel had just read'), el('dd', { className: 'step-lookahead per-step', 'data-testid': 'step-lookahead' })),
    el('div', { className: 'step-stop' },
      el('p', { className: 'step-error', hidden: true, 'data-testid': 'step-error' }),
      el('p', { className: 'step-unfinished', hidden: true, 'data-testid': 'step-unfinished' })),
    el('div', { className: 'machine per-step' },
      el('p', { className: 'machine-when', 'data-testid': 'step-when' }),
      el('div', { className: 'held-part' }, title('held-title', 'kel is holding'),
        el('ul', { className: 'held', 'aria-labelledby': 'held-title', 'data-testid': 'step-held' }),
        el('p', { className: 'held-none' })),
      el('div', {}, title('stack-title', 'Stack, bottom to top'),
        el('div', { className: 'stack-line' },
          el('ol', { className: 'stack', 'aria-labelledby': 'stack-title', 'data-testid': 'step-stack' }),
          el('span', { className: 'stack-note', hidden: true, 'data-testid': 'step-stack-note' }))),
      el('div', {}, title('vars-title', 'Variables: name, slot, type, value'),
        el('ul', { className: 'vars', 'aria-labelledby': 'vars-title', 'data-testid': 'step-vars' })),
      el('div', {}, title('out-title', 'Output so far'),
        el('pre', { className: 'step-output', tabIndex: 0, 'aria-labelledby': 'out-title', 'data-testid': 'step-output' }))),
    el('h3', { id: 'code-title', ...perStep }, 'Code store'),
    el('div', { className: 'codestore per-step', 'aria-labelledby': 'code-title', 'data-testid': 'codestore' },
      el('div', { className: 'bytes', tabIndex: 0, 'aria-label': 'The commands in the code store; choose one to go to its step' }),
      el('p', { className: 'legend' },
        'Bytes in hexadecimal, base 16 (0F is 15, 15 is 21); point at a byte, or focus a command, for decimal. ',
        el('span', { className: 'fct' }, 'command byte'), ' then ', el('span', { className: 'arg' }, 'operand bytes'),
        `, least significant first: ${Object.entries(commands).map(([n, c]) => `${n} ${hex([c.code])} is 1 + ${c.size - 1}`).join(', ')} bytes.`),
      el('p', {}, el('span', { className: 'used' }), ` of the store's ${codeSize} bytes used: its capacity, for the whole program.`)),
  ];
}

// The facts of step s's command; s is null in a run without a step, of which none says what
// happened.
function drawFacts(root, s, none, seen) {
  const command = part(root, 'step-command');
  if (s?.name) {
    // The name, with what it does on hover and on focus, within the trace's text.
    const [before, after] = s.command.split(s.name);
    command.replaceChildren(before, el('span', { className: 'op', tabIndex: 0, 'data-op': s.name }, s.name), after ?? '');
  } else {
    command.textContent = s ? 'none: folding failed' : 'none';
  }
  part(root, 'step-explain').replaceChildren(...withTerms(s ? s.explain : none, seen));
  for (const e of root.querySelectorAll('.per-step')) e.hidden = !s;
  const origin = part(root, 'step-origin');
  showParts(origin, s?.origin ? s.origin.parts : []);
  for (const [key, v] of [['line', s?.origin?.line], ['col', s?.origin?.col]]) {
    if (v) origin.dataset[key] = v;
    else delete origin.dataset[key];
  }
  root.querySelector('.where').textContent = s?.origin ? `line ${s.origin.line}, column ${s.origin.col}` : s ? 'not known' : '';
  const read = part(root, 'step-read');
  showParts(read, s ? s.read.parts : []);
  if (s?.read.ahead) {
    const a = s.read.ahead;
    read.append(el('span', {
      className: a.code === undefined ? 'ahead blank' : 'ahead', title: `looked at, not yet a token${a.words ? ': ' + a.words : ''}`, 'data-testid': 'step-ahead',
    }, a.code ?? a.blank));
  }
  root.querySelector('.read-none').hidden = !s || read.textContent !== '';
  showParts(part(root, 'step-read-on'), s?.read.on ?? [], (t) => withTerms(t, seen));
  showParts(part(root, 'step-lookahead'), s?.lookAhead ?? [s ? 'not known' : ''], (t) => withTerms(t, seen));
}

// Where the diagnostic of run r ended the steps, shown at step `at` (s, or null at 0) when it is
// there, kel's line with what it means on hover and focus, and a statement it left unfinished:
// their text, '' elsewhere.
function drawError(root, s, at, r, seen) {
  const d = r.diagnostic;
  const error = part(root, 'step-error');
  const stopped = d && at === d.at ? d : null;
  error.hidden = !stopped;
  const said = !stopped ? ''
    : at === 0 ? 'kel stopped before generating a command: '
    : s.error && !s.name ? 'Folding failed: '
    : s.error ? 'This command failed: '
    : 'kel stopped after this command: ';
  const help = stopped && diagnosticHelp(d.text);
  const line = !stopped ? [] : help ? [el('span', { tabIndex: 0, 'data-help': help }, ...withTerms(d.text, seen))] : withTerms(d.text, seen);
  error.replaceChildren(...withTerms(said, seen), ...line);
  const unfinished = part(root, 'step-unfinished');
  unfinished.hidden = !stopped || !s || !r.unfinished;
  unfinished.replaceChildren(...withTerms(unfinished.hidden ? '' : r.unfinished, seen));
  return `${error.textContent}${unfinished.textContent && ' ' + unfinished.textContent}`;
}

// What kel is holding after step s's command: each thing's source text, then what it is; "not
// known" where the origins stopped agreeing with kel.
function drawHeld(root, s) {
  const held = s?.held ?? null;
  part(root, 'step-held').replaceChildren(...(held ?? []).map((h) => {
    const text = el('code', {});
    showParts(text, h.parts);
    return el('li', { className: h.kind }, text, ' ', h.words);
  }));
  const none = root.querySelector('.held-none');
  none.hidden = held?.length > 0;
  none.textContent = held ? 'nothing' : 'not known';
}

// What kel is holding, and the machine after step s's command ran, or, where it failed, as it
// stood when the run ended: the stack with the operands the command failed on marked, the
// variables by name, and the output, its newest line in view.
function drawMachine(root, s) {
  drawHeld(root, s);
  part(root, 'step-when').textContent = s?.error ? 'When the run ended' : 'After this command';
  const stack = s ? s.stack : [];
  const failedFrom = stack.length - (s?.failedOn ?? 0);
  part(root, 'step-stack').replaceChildren(...stack.map((v, k) => el('li', k >= failedFrom ? { className: 'failed-on' } : {}, v)));
  const note = part(root, 'step-stack-note');
  note.hidden = !s?.stackNote;
  note.textContent = s?.stackNote ?? '';
  part(root, 'step-vars').replaceChildren(...(s ? s.vars : []).map((v) => el('li', {},
    el('span', { className: 'name' }, v.name ?? '?'), ' ',
    el('span', { className: 'slot' }, `slot ${v.slot}`), ' ',
    el('span', { className: 'type' }, v.type ?? ''), ' ',
    el('span', { className: 'value' }, v.value))));
  const out = part(root, 'step-output');
  out.textContent = s ? s.output.map((l) => l + '\n').join('') : '';
  out.scrollTop = out.scrollHeight;
}

// A code store's bytes, in hexadecimal, each with its decimal value on hover.
const bytesOf = (bytes) => Array.from(bytes).flatMap((b, k) => [k ? ' ' : '', el('span', { 'data-help': byteHelp(b) }, hex([b]))]);

// The code store's commands, made once per run; a step shows those generated so far.
export function fillCodeStore(root, steps) {
  const bytes = root.querySelector('.codestore .bytes');
  bytes.replaceChildren(...steps.filter((s) => s.name).map((s) => {
    const shown = s.bytes.subarray(0, s.codeTo - s.codeFrom);
    return el('button', {
      type: 'button', className: 'cmd', 'aria-label': `${s.command}: ${hex(shown)}`, 'data-step': s.index, 'data-op': s.name,
      'data-help': storedHelp(s.name, shown),
    }, el('span', { className: 'fct' }, ...bytesOf(shown.subarray(0, 1))), shown.length > 1 ? ' ' : '',
    el('span', { className: 'arg' }, ...bytesOf(shown.subarray(1))));
  }));
}

// The code store at step `at` (s, or null at 0): the commands generated up to it, its own marked.
function drawCodeStore(root, s, at) {
  const box = root.querySelector('.codestore .bytes');
  for (const b of box.children) {
    const k = Number(b.dataset.step);
    b.hidden = k > at;
    b.classList.toggle('current', k === at);
    if (k === at) b.setAttribute('aria-current', 'step');
    else b.removeAttribute('aria-current');
  }
  root.querySelector('.codestore .used').textContent = `${s ? s.codeTo : 0}`;
  const current = box.querySelector('.current');
  if (current) scrollWithin(box, current);
}

// Draws step s, number at of run's steps (null and 0 for none), in every part, and tells a screen
// reader what it is.
export function drawStep(root, run, s, at) {
  const seen = new Set(); // the glossary's terms linked in this step's words
  drawFacts(root, s, run.none, seen);
  drawMachine(root, s);
  drawCodeStore(root, s, at);
  // A diagnostic ends the steps where it happened.
  const stopped = drawError(root, s, at, run, seen);
  root.querySelector('[data-testid="step-live"]').textContent =
    `${s ? `${s.label}${s.command ? ': ' + s.command : ''}. ${s.explain}` : run.none}${stopped && ' ' + stopped}`;
}
