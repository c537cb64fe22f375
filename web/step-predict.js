// The step view's predict mode, for any program, in the playground, the tour and the embed: while
// it is on, each Next first asks which command kel generates next (question.js, with the choices
// the worker derived from kel's run), and shows the step once a choice is made; a score says how
// many were right so far. A move that is no Next (Last, the slider, a trace row) shows its step
// without asking.
import { el } from './dom.js';
import { askQuestion } from './question.js';

// controls: where the toggle and the score go; area: where a question is asked; move(k) shows
// step k without asking; onToggle(on) is told of every change of the mode.
export function createPredict({ controls, area, move, onToggle = () => {} }) {
  const toggle = el('button', { type: 'button', 'data-testid': 'predict', 'aria-pressed': 'false', title: 'Predict mode: each Next first asks which command kel generates next' }, 'Predict');
  const score = el('span', { className: 'predict-score', 'data-testid': 'predict-score', 'aria-live': 'polite', hidden: true });
  controls.insertBefore(score, controls.querySelector('.step-close'));
  controls.insertBefore(toggle, score);
  let on = false;
  let seen = 0; // the furthest step shown: a Next beyond it asks
  let asking = 0; // the step asked, or 0
  let right = 0;
  let answered = 0;

  const showScore = () => {
    score.textContent = `${right} of ${answered}`;
    score.setAttribute('aria-label', `Predictions right: ${right} of ${answered}`);
  };

  function set(value) {
    on = value;
    toggle.setAttribute('aria-pressed', String(on));
    score.hidden = !on;
    if (!on) drop();
    showScore();
    onToggle(on);
  }

  function drop() {
    asking = 0;
    area.replaceChildren();
    area.hidden = true;
  }

  toggle.addEventListener('click', () => set(!on));

  return {
    get on() {
      return on;
    },
    set,
    // A new run, shown at step k: the score starts again.
    reset(k) {
      seen = k;
      right = 0;
      answered = 0;
      drop();
      showScore();
    },
    // The view is to move from step at to step k of steps: true when a question is asked
    // instead (a Next beyond the furthest step shown, while the mode is on).
    intercept(k, at, steps) {
      const q = steps[k - 1]?.question;
      if (!on || k !== at + 1 || k <= seen || !q) {
        if (k !== asking) drop();
        seen = Math.max(seen, k);
        return false;
      }
      if (asking === k) return true;
      asking = k;
      area.hidden = false;
      askQuestion(area, q, k, (ok) => {
        answered++;
        if (ok) right++;
        showScore();
        asking = 0;
        seen = k;
        move(k);
      }).focus();
      return true;
    },
  };
}
