// The step view's controls: First, Back, Play, Next and Last, the slider, the speed, large type,
// the keys and Close, what each button, key and the slider does, and where the view stands
// among the steps. What a move or a play does is step.js's: it hands listen() its moves. The
// toggle of predict mode and its score are step-predict.js's, among these controls.
import { el } from './dom.js';

const speeds = [1, 2, 4, 8]; // steps a second
const keys = [
  ['← →', 'the previous or the next command'],
  ['Home End', 'the first or the last command'],
  ['Space', 'play or pause'],
  ['+ −', 'play faster or slower'],
  ['L', 'large type, or normal type again'],
  ['P', 'predict mode: each Next asks for the command first'],
  ['?', 'show or hide these keys'],
  ['Esc', 'hide these keys, or close the view'],
];

const control = (root, id) => root.querySelector(`[data-testid="${id}"]`);

// The controls' elements and the list of keys, hidden. Without closable there is no Close.
export function buildControls(closable) {
  const button = (id, text, more = {}) => el('button', { type: 'button', 'data-testid': id, ...more }, text);
  return [
    el('div', { className: 'step-controls' },
      button('step-first', 'First'),
      button('step-prev', 'Back'),
      button('step-play', 'Play', { 'aria-keyshortcuts': 'Space' }),
      button('step-next', 'Next'),
      button('step-last', 'Last'),
      el('input', { type: 'range', min: 1, max: 1, value: 1, 'aria-label': 'Command', 'data-testid': 'step-slider' }),
      el('span', { className: 'step-index', 'data-testid': 'step-index' }),
      el('label', { className: 'step-speed' }, 'Speed ', el('select', { 'data-testid': 'step-speed' },
        ...speeds.map((v) => el('option', { value: v, selected: v === 2 }, `${v} a second`)))),
      button('step-present', 'Large type', { 'aria-pressed': 'false', 'aria-keyshortcuts': 'L' }),
      button('step-keys-button', '?', { 'aria-label': 'Keys', 'aria-expanded': 'false', 'aria-keyshortcuts': '?' }),
      ...(closable ? [button('step-close', 'Close', { className: 'step-close' })] : [])),
    el('div', { className: 'step-keys', hidden: true, 'data-testid': 'step-keys' },
      el('h3', {}, 'Keys of the step view'),
      el('dl', {}, ...keys.flatMap(([k, what]) => [el('dt', {}, el('kbd', {}, k)), el('dd', {}, what)]))),
  ];
}

// Where the view stands: step `at` of n (0 of 0 without steps).
export function drawPlace(root, at, n) {
  const slider = control(root, 'step-slider');
  control(root, 'step-index').textContent = `${at} / ${n}`;
  slider.max = String(Math.max(n, 1));
  slider.value = String(at);
  slider.disabled = n < 2;
  slider.setAttribute('aria-valuetext', `command ${at} of ${n}`);
  // Marked, not disabled, at either end: a button that has the focus keeps it.
  for (const id of ['step-first', 'step-prev']) control(root, id).setAttribute('aria-disabled', String(at <= 1));
  for (const id of ['step-next', 'step-last']) control(root, id).setAttribute('aria-disabled', String(at >= n));
}

// The speed chosen, in steps a second.
export function stepsPerSecond(root) {
  return Number(control(root, 'step-speed').value);
}

// One speed faster (by 1) or slower (by -1), within the speeds there are.
function faster(root, by) {
  const speed = control(root, 'step-speed');
  const i = Math.min(Math.max(speeds.indexOf(Number(speed.value)) + by, 0), speeds.length - 1);
  speed.value = String(speeds[i]);
}

// Whether Play shows Pause, as it does while playing.
export function showPlaying(root, playing) {
  control(root, 'step-play').textContent = playing ? 'Pause' : 'Play';
}

// Large type, for a lecture hall, or normal type again: for the whole page.
function present(root) {
  const on = document.documentElement.classList.toggle('present');
  control(root, 'step-present').setAttribute('aria-pressed', String(on));
}

function toggleKeys(root, open = control(root, 'step-keys').hidden) {
  control(root, 'step-keys').hidden = !open;
  control(root, 'step-keys-button').setAttribute('aria-expanded', String(open));
}

// Has the controls, the keys and a click on a command in the code store (data-step) make the
// view's moves: view is { active, at, count } (whether a run is open, the step shown, the
// number of steps) with go(k), playOrPause(), restart() (at the speed now chosen), predict()
// (predict mode on or off) and close().
export function listen(root, closable, view) {
  const slider = control(root, 'step-slider');
  const speed = control(root, 'step-speed');
  root.addEventListener('click', (e) => {
    const b = e.target.closest('button');
    if (!b || !view.active) return;
    const id = b.dataset.testid;
    if (b.dataset.step) view.go(Number(b.dataset.step));
    else if (id === 'step-first') view.go(1);
    else if (id === 'step-prev') view.go(view.at - 1);
    else if (id === 'step-next') view.go(view.at + 1);
    else if (id === 'step-last') view.go(view.count);
    else if (id === 'step-play') view.playOrPause();
    else if (id === 'step-present') present(root);
    else if (id === 'step-keys-button') toggleKeys(root);
    else if (id === 'step-close') view.close();
  });
  slider.addEventListener('input', () => view.go(Number(slider.value)));
  speed.addEventListener('change', () => view.restart());
  root.addEventListener('keydown', (e) => {
    if (!view.active || e.altKey || e.ctrlKey || e.metaKey) return;
    const t = e.target;
    if (t === slider || t === speed) return; // they move themselves
    const onButton = t.closest('button');
    const moves = { ArrowLeft: view.at - 1, ArrowRight: view.at + 1, Home: 1, End: view.count };
    if (e.key in moves) view.go(moves[e.key]);
    else if (e.key === ' ' && !onButton) view.playOrPause();
    else if (e.key === '+' || e.key === '-') {
      faster(root, e.key === '+' ? 1 : -1);
      view.restart();
    }
    else if (e.key === 'l' || e.key === 'L') present(root);
    else if (e.key === 'p' || e.key === 'P') view.predict();
    else if (e.key === '?') toggleKeys(root);
    else if (e.key === 'Escape' && !control(root, 'step-keys').hidden) toggleKeys(root, false);
    else if (e.key === 'Escape' && closable) view.close();
    else return;
    e.preventDefault();
  });
}
