// The step view's controls: First, Back, Play, Next and Last, the slider, the speed (as slow as
// one step in four seconds), large type, the keys and Close, what each button and the slider
// does, and where the view stands among the steps. What a move or a play does is step.js's: it
// hands listen() its moves. The toggle of predict mode and its score are step-predict.js's,
// among these controls. The keys themselves, and their list, are keys.js's.
import { isLarge, onLarge, setLarge } from './appearance.js';
import { el } from './dom.js';
import { keysButton } from './keys.js';

const speeds = [0.25, 0.5, 1, 2, 4, 8]; // steps a second
const speedText = (v) => (v < 1 ? `1 in ${1 / v} seconds` : `${v} a second`);

const control = (root, id) => root.querySelector(`[data-testid="${id}"]`);

// The controls' elements. Without closable there is no Close.
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
      el('label', { className: 'step-speed' }, el('span', { className: 'speed-word' }, 'Speed '), el('select', { 'data-testid': 'step-speed' },
        ...speeds.map((v) => el('option', { value: v, selected: v === 2 }, speedText(v))))),
      button('step-present', 'Large type', { 'aria-pressed': String(isLarge()), 'aria-keyshortcuts': 'L' }),
      button('step-keys-button', '?', { 'aria-label': 'Keys', 'aria-expanded': 'false', 'aria-keyshortcuts': '?' }),
      ...(closable ? [button('step-close', 'Close', { className: 'step-close' })] : [])),
  ];
}

// Where the view stands: step `at` (s, or null at 0) of n (0 of 0 without steps).
export function drawPlace(root, at, n, s) {
  const slider = control(root, 'step-slider');
  control(root, 'step-index').textContent = `${at} / ${n}`;
  slider.max = String(Math.max(n, 1));
  slider.value = String(at);
  slider.disabled = n < 2;
  slider.setAttribute('aria-valuetext', s ? s.label : 'no command');
  // Marked, not disabled, at either end: a button that has the focus keeps it.
  for (const id of ['step-first', 'step-prev']) control(root, id).setAttribute('aria-disabled', String(at <= 1));
  for (const id of ['step-next', 'step-last']) control(root, id).setAttribute('aria-disabled', String(at >= n));
}

// The speed chosen, in steps a second.
export function stepsPerSecond(root) {
  return Number(control(root, 'step-speed').value);
}

// One speed faster (by 1) or slower (by -1), within the speeds there are.
export function faster(root, by) {
  const speed = control(root, 'step-speed');
  const i = Math.min(Math.max(speeds.indexOf(Number(speed.value)) + by, 0), speeds.length - 1);
  speed.value = String(speeds[i]);
}

// Whether Play shows Pause, as it does while playing.
export function showPlaying(root, playing) {
  control(root, 'step-play').textContent = playing ? 'Pause' : 'Play';
}

// Has the controls and a click on a command in the code store (data-step) make the view's moves:
// view is { active, at, count } (whether a run is open, the step shown, the number of steps)
// with go(k), playOrPause(), restart() (at the speed now chosen) and close(). Large type is the
// whole page's (appearance.js), and ? shows the keys (keys.js).
export function listen(root, view) {
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
    else if (id === 'step-present') setLarge(!isLarge());
    else if (id === 'step-close') view.close();
  });
  slider.addEventListener('input', () => view.go(Number(slider.value)));
  speed.addEventListener('change', () => view.restart());
  keysButton(control(root, 'step-keys-button'));
  onLarge((on) => control(root, 'step-present').setAttribute('aria-pressed', String(on)));
}
