// The step view: one command kel generated at a time, with its origin (the source that made kel
// generate it), the source kel had read for it and the token it had just read, the command and
// what it does and why, in words, the machine after it ran, and the code store so far. It draws
// the steps web/worker.js worked out, and makes its own elements in the root it is given, for
// the playground, the tour and the embed alike: its controls (step-controls.js) and the parts
// that show a step (step-parts.js). It holds the run open and the step shown, moves between the
// steps, and plays them, stepping on by itself; in predict mode (step-predict.js) a Next first
// asks for the command. Its keys work on the whole page (keys.js). The page is told of every
// move, to mark the editor and the panes to match.
import { el } from './dom.js';
import { attachHelp } from './help.js';
import { listenKeys } from './keys.js';
import { createPredict } from './step-predict.js';
import { buildControls, drawPlace, faster, listen, showPlaying, stepsPerSecond } from './step-controls.js';
import { buildParts, drawStep, fillCodeStore } from './step-parts.js';

// root is the view's element; onMove(step, k) is called at every move, with step null when there
// is none; onClose(byReader) when it closes, byReader true when the reader closed it; onPredict(on)
// when predict mode is turned on or off. Without closable there is no Close (the embed). keys
// gives keys.js its options.
export function createStepView(root, { onMove, onClose = () => {}, onPredict = () => {}, closable = true, keys = {} }) {
  root.replaceChildren(
    ...buildControls(closable),
    el('div', { className: 'predict-area', hidden: true }),
    el('p', { className: 'sr-only', 'aria-live': 'polite', 'data-testid': 'step-live' }),
    ...buildParts(),
  );
  attachHelp(root);
  let run = null; // the worker's result: { steps, diagnostic, unfinished, none }
  let at = 0;
  let timer = 0;
  const predict = createPredict({
    controls: root.querySelector('.step-controls'),
    area: root.querySelector('.predict-area'),
    move(k) {
      show(k, true);
      root.focus();
    },
    onToggle: onPredict,
  });

  // Shows step k; in predict mode a Next asks first, unless told not to (asked: it was asked).
  function show(k, asked = false) {
    const n = run.steps.length;
    const to = Math.min(Math.max(k, n ? 1 : 0), n);
    if (!asked && predict.intercept(to, at, run.steps)) return pause();
    at = to;
    const s = at ? run.steps[at - 1] : null;
    drawPlace(root, at, n, s);
    drawStep(root, run, s, at);
    if (at >= n) pause();
    onMove(s, at);
  }

  function play() {
    if (!run || timer) return;
    if (at >= run.steps.length) show(1);
    timer = setInterval(() => show(at + 1), 1000 / stepsPerSecond(root));
    showPlaying(root, true);
  }

  function pause() {
    clearInterval(timer);
    timer = 0;
    showPlaying(root, false);
  }

  const moves = {
    get active() {
      return run !== null;
    },
    get at() {
      return at;
    },
    get count() {
      return run.steps.length;
    },
    go: show,
    playOrPause: () => (timer ? pause : play)(),
    predict: () => predict.set(!predict.on),
    restart() {
      if (!timer) return;
      pause();
      play();
    },
    close: () => close(true),
  };
  listen(root, moves);

  function close(byReader = false) {
    if (root.hidden) return;
    pause();
    root.hidden = true;
    run = null;
    onClose(byReader);
  }

  const view = {
    // Opens the view on a run at step k (from 1), playing when play is true, in predict mode when
    // predicting is true (false: off; undefined: as it was).
    open(r, k = 1, { play: playing = false, predict: predicting } = {}) {
      pause();
      run = r;
      root.hidden = false;
      fillCodeStore(root, run.steps);
      if (predicting !== undefined) predict.set(predicting);
      predict.reset(k);
      show(k, true);
      if (playing) play();
    },
    // Goes to step k of the run open.
    go(k) {
      if (run) show(k);
    },
    close,
    closable,
    playPause: moves.playOrPause,
    predict: moves.predict,
    // One speed faster (by 1) or slower (by -1).
    faster(by) {
      faster(root, by);
      moves.restart();
    },
    get isOpen() {
      return !root.hidden;
    },
    get step() {
      return at;
    },
    get predicting() {
      return predict.on;
    },
    get steps() {
      return run ? run.steps : [];
    },
    focus: () => root.focus(),
  };
  listenKeys(view, keys);
  return view;
}
