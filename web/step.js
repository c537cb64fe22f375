// The step view: one command kel generated at a time, with its origin (the source that made kel
// generate it), the source kel had read for it and the token it had just read, the command and
// what it does and why, in words, the machine after it ran, and the code store so far. It draws
// the steps web/worker.js worked out, and makes its own elements in the root it is given, for
// the playground and the embed alike. Play steps on by itself, as slowly as one step in four
// seconds; large type is for a lecture hall. Its keys are web/keys.js's. The page is told of
// every move, to mark the editor and the panes to match.
import { el, scrollWithin, showParts } from './dom.js';
import { codeSize, commands } from '../core/index.js';
import { isLarge, onLarge, setLarge } from './appearance.js';
import { attachHelp } from './help.js';
import { keysButton, listenKeys } from './keys.js';

const hex = (bytes) => Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');
const speeds = [0.25, 0.5, 1, 2, 4, 8]; // steps a second
const speedText = (v) => (v < 1 ? `1 every ${1 / v} seconds` : `${v} a second`);

// The view's elements. Nothing in it comes from kel or a link: that is put in as text later.
function build(root, closable) {
  const button = (id, text, more = {}) => el('button', { type: 'button', 'data-testid': id, ...more }, text);
  const title = (id, text) => el('h3', { id }, text);
  root.replaceChildren(
    el('div', { className: 'step-controls' },
      button('step-first', 'First'),
      button('step-prev', 'Back'),
      button('step-play', 'Play', { 'aria-keyshortcuts': 'Space' }),
      button('step-next', 'Next'),
      button('step-last', 'Last'),
      el('input', { type: 'range', min: 1, max: 1, value: 1, 'aria-label': 'Command', 'data-testid': 'step-slider' }),
      el('span', { className: 'step-index', 'data-testid': 'step-index' }),
      el('label', { className: 'step-speed' }, 'Speed ', el('select', { 'data-testid': 'step-speed' },
        ...speeds.map((v) => el('option', { value: v, selected: v === 2 }, speedText(v))))),
      button('step-present', 'Large type', { 'aria-pressed': String(isLarge()), 'aria-keyshortcuts': 'L' }),
      button('step-keys-button', '?', { 'aria-label': 'Keys', 'aria-expanded': 'false', 'aria-keyshortcuts': '?' }),
      ...(closable ? [button('step-close', 'Close', { className: 'step-close' })] : [])),
    el('p', { className: 'sr-only', 'aria-live': 'polite', 'data-testid': 'step-live' }),
    el('dl', { className: 'step-facts' },
      el('dt', {}, 'Command'), el('dd', {}, el('code', { 'data-testid': 'step-command' })),
      el('dt', {}, 'What it does, and why'), el('dd', { 'data-testid': 'step-explain' }),
      el('dt', {}, 'Origin'),
      el('dd', {}, el('code', { className: 'step-origin', 'data-testid': 'step-origin' }), ' ', el('span', { className: 'where' })),
      el('dt', {}, 'Read since the previous command'),
      el('dd', {}, el('code', { className: 'step-read', 'data-testid': 'step-read' }),
        el('span', { className: 'read-none', hidden: true }, 'nothing new: this command comes from what was read before')),
      el('dt', {}, 'kel had just read'), el('dd', { className: 'step-lookahead', 'data-testid': 'step-lookahead' })),
    el('p', { className: 'step-error', hidden: true, 'data-testid': 'step-error' }),
    el('div', { className: 'machine' },
      el('div', { className: 'held-part' }, title('held-title', 'kel is holding'),
        el('ul', { className: 'held', 'aria-labelledby': 'held-title', 'data-testid': 'step-held' }),
        el('p', { className: 'held-none' })),
      el('div', {}, title('stack-title', 'Stack, bottom to top'),
        el('ol', { className: 'stack', 'aria-labelledby': 'stack-title', 'data-testid': 'step-stack' })),
      el('div', {}, title('vars-title', 'Variables: slot, name, type, value'),
        el('ul', { className: 'vars', 'aria-labelledby': 'vars-title', 'data-testid': 'step-vars' })),
      el('div', {}, title('out-title', 'Output so far'),
        el('pre', { className: 'step-output', tabIndex: 0, 'aria-labelledby': 'out-title', 'data-testid': 'step-output' }))),
    title('code-title', 'Code store'),
    el('div', { className: 'codestore', 'aria-labelledby': 'code-title', 'data-testid': 'codestore' },
      el('div', { className: 'bytes', tabIndex: 0, 'aria-label': 'The commands in the code store; choose one to go to its step' }),
      el('p', { className: 'legend' },
        el('span', { className: 'fct' }, 'command byte'), ' then ', el('span', { className: 'arg' }, 'operand bytes'),
        `, least significant first: ${Object.entries(commands).map(([n, c]) => `${n} ${hex([c.code])} is 1 + ${c.size - 1}`).join(', ')} bytes.`),
      el('p', {}, el('span', { className: 'used' }), ` of the store's ${codeSize} bytes used: its capacity, for the whole program.`)),
  );
}

// root is the view's element; onMove(step, k) is called at every move, with step null when there
// is none; onClose(byReader) when it closes, byReader true when the reader closed it. Without
// closable there is no Close (the embed). Its keys work on the whole page (keys.js, which keys
// gives its options).
export function createStepView(root, { onMove, onClose = () => {}, closable = true, keys = {} }) {
  build(root, closable);
  attachHelp(root);
  const $ = (id) => root.querySelector(`[data-testid="${id}"]`);
  keysButton($('step-keys-button'));
  onLarge((on) => $('step-present').setAttribute('aria-pressed', String(on)));
  const slider = $('step-slider');
  const speed = $('step-speed');
  let run = null; // the worker's result: { steps, diagnostic }
  let at = 0;
  let timer = 0;

  // The code store's commands, made once per run; a step shows those generated so far.
  function fillCodeStore() {
    const bytes = root.querySelector('.codestore .bytes');
    bytes.replaceChildren(...run.steps.filter((s) => s.name).map((s) => {
      const shown = s.bytes.subarray(0, s.codeTo - s.codeFrom);
      return el('button', { type: 'button', className: 'cmd', 'aria-label': `${s.command}: ${hex(shown)}`, 'data-step': s.index, 'data-op': s.name },
        el('span', { className: 'fct' }, hex(shown.subarray(0, 1))), shown.length > 1 ? ' ' : '',
        el('span', { className: 'arg' }, hex(shown.subarray(1))));
    }));
  }

  function codeStore(s) {
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

  function show(k) {
    const n = run.steps.length;
    at = Math.min(Math.max(k, n ? 1 : 0), n);
    const s = at ? run.steps[at - 1] : null;
    $('step-index').textContent = `${at} / ${n}`;
    slider.max = String(Math.max(n, 1));
    slider.value = String(at);
    slider.disabled = n < 2;
    slider.setAttribute('aria-valuetext', `command ${at} of ${n}`);
    // Marked, not disabled, at either end: a button that has the focus keeps it.
    for (const id of ['step-first', 'step-prev']) $(id).setAttribute('aria-disabled', String(at <= 1));
    for (const id of ['step-next', 'step-last']) $(id).setAttribute('aria-disabled', String(at >= n));

    const command = $('step-command');
    if (s?.name) {
      // The name, with what it does on hover and on focus, within the trace's text.
      const [before, after] = s.command.split(s.name);
      command.replaceChildren(before, el('span', { className: 'op', tabIndex: 0, 'data-op': s.name }, s.name), after ?? '');
    } else {
      command.textContent = s ? 'none: folding failed' : '';
    }
    $('step-explain').textContent = s ? s.explain : 'kel generated no command.';
    const origin = $('step-origin');
    showParts(origin, s?.origin ? s.origin.parts : []);
    for (const [key, v] of [['line', s?.origin?.line], ['col', s?.origin?.col]]) {
      if (v) origin.dataset[key] = v;
      else delete origin.dataset[key];
    }
    root.querySelector('.where').textContent = s?.origin ? `line ${s.origin.line}, column ${s.origin.col}` : s ? 'not known' : '';
    const read = $('step-read');
    showParts(read, s ? s.read.parts : []);
    if (s?.read.ahead) {
      const a = s.read.ahead;
      read.append(el('span', {
        className: a.code === undefined ? 'ahead blank' : 'ahead', title: `looked at, not yet a token${a.words ? ': ' + a.words : ''}`, 'data-testid': 'step-ahead',
      }, a.code ?? a.blank));
    }
    root.querySelector('.read-none').hidden = !s || read.textContent !== '';
    const look = $('step-lookahead');
    showParts(look, s?.lookAhead ?? [s ? 'not known' : '']);
    showHeld(s?.held ?? null);
    $('step-stack').replaceChildren(...(s ? s.stack : []).map((v) => el('li', {}, v)));
    $('step-vars').replaceChildren(...(s ? s.vars : []).map((v) => el('li', {},
      el('span', { className: 'slot' }, String(v.slot)), ' ',
      el('span', { className: 'name' }, v.name ?? '?'), ' ',
      el('span', { className: 'type' }, v.type ?? ''), ' ',
      el('span', { className: 'value' }, v.value))));
    $('step-output').textContent = s ? s.output.map((l) => l + '\n').join('') : '';
    codeStore(s);

    // A diagnostic ends the steps where it happened.
    const d = run.diagnostic;
    const error = $('step-error');
    const stopped = d && at === d.at ? d : null;
    error.hidden = !stopped;
    error.textContent = !stopped ? ''
      : at === 0 ? `kel stopped before generating a command: ${d.text}`
      : s.error && !s.name ? `Folding failed: ${d.text}`
      : s.error ? `This command failed: ${d.text}`
      : `kel stopped after this command: ${d.text}`;
    $('step-live').textContent = s ? `Command ${at} of ${n}: ${s.command ?? 'folding'}. ${s.explain}${stopped ? ' ' + error.textContent : ''}` : '';
    if (at >= n) pause();
    onMove(s, at);
  }

  // What kel is holding: each thing's source text, then what it is; null when not known.
  function showHeld(held) {
    $('step-held').replaceChildren(...(held ?? []).map((h) => {
      const text = el('code', {});
      showParts(text, h.parts);
      return el('li', { className: h.kind }, text, ' ', h.words);
    }));
    const none = root.querySelector('.held-none');
    none.hidden = held?.length > 0;
    none.textContent = held ? 'nothing' : 'not known';
  }

  function play() {
    if (!run || timer) return;
    if (at >= run.steps.length) show(1);
    timer = setInterval(() => show(at + 1), 1000 / Number(speed.value));
    $('step-play').textContent = 'Pause';
  }

  function pause() {
    clearInterval(timer);
    timer = 0;
    $('step-play').textContent = 'Play';
  }

  function faster(by) {
    const i = Math.min(Math.max(speeds.indexOf(Number(speed.value)) + by, 0), speeds.length - 1);
    speed.value = String(speeds[i]);
    restart();
  }

  function restart() {
    if (!timer) return;
    pause();
    play();
  }

  root.addEventListener('click', (e) => {
    const b = e.target.closest('button');
    if (!b || !run) return;
    const id = b.dataset.testid;
    if (b.dataset.step) show(Number(b.dataset.step));
    else if (id === 'step-first') show(1);
    else if (id === 'step-prev') show(at - 1);
    else if (id === 'step-next') show(at + 1);
    else if (id === 'step-last') show(run.steps.length);
    else if (id === 'step-play') (timer ? pause : play)();
    else if (id === 'step-present') setLarge(!isLarge());
    else if (id === 'step-close') close(true);
  });
  slider.addEventListener('input', () => show(Number(slider.value)));
  speed.addEventListener('change', restart);
  function close(byReader = false) {
    if (root.hidden) return;
    pause();
    root.hidden = true;
    run = null;
    onClose(byReader);
  }

  const view = {
    // Opens the view on a run at step k (from 1), playing when play is true.
    open(r, k = 1, { play: playing = false } = {}) {
      pause();
      run = r;
      root.hidden = false;
      fillCodeStore();
      show(k);
      if (playing) play();
    },
    // Goes to step k of the run open.
    go(k) {
      if (run) show(k);
    },
    close,
    closable,
    playPause: () => (timer ? pause : play)(),
    faster,
    get isOpen() {
      return !root.hidden;
    },
    get step() {
      return at;
    },
    get steps() {
      return run ? run.steps : [];
    },
    focus: () => root.focus(),
  };
  listenKeys(view, keys);
  return view;
}
