// A lesson's exercises on the tour's page. A predict exercise shows the step view up to the
// command before the one asked, asks for it (question.js) and then shows it, for each command it
// names; a task runs the program in the editor and says which of its conditions kel's run met
// (core/exercises.js). Each is an element of the lesson's text; one of them at a time is the
// active one, and shows its questions and feedback.
import { checkTask } from '../core/index.js';
import { el } from './dom.js';
import { askQuestion } from './question.js';

const list = (steps) => (steps.length === 1 ? `command ${steps[0]}` : `commands ${steps.slice(0, -1).join(', ')} and ${steps.at(-1)}`);

// The element for exercise e, number i of the lesson. page gives: lessonRun(), which puts the
// lesson's program in the editor and runs it, resolving to the worker's result or null;
// editorRun(), the same for the editor's text as it is; showStep(k), the step view at step k
// (0: closed, nothing generated yet); activate(exercise), this one becomes the active one; done(i),
// the exercise is done.
export function createExercise(e, i, page) {
  const title = el('h3', {}, e.kind === 'predict' ? `Predict ${list(e.steps)}` : 'Task');
  const body = el('div', { className: 'exercise-body' });
  const box = el('section', { className: `exercise ${e.kind}`, 'data-testid': 'exercise', 'data-kind': e.kind, 'aria-label': `Exercise ${i + 1}` }, title, body);
  // stop(why) ends the questions being asked, saying why; collapse() leaves only the summary.
  const self = {
    element: box,
    stop() {},
    collapse() {
      self.stop('Another exercise is active: Start again to go on with this one.');
      for (const n of body.querySelectorAll('.asked, .feedback')) n.remove();
    },
  };
  if (e.kind === 'problem') {
    box.append(el('p', { className: 'failed' }, `This exercise cannot be done: ${e.problem}.`));
    return self;
  }
  const start = el('button', { type: 'button', className: 'start' }, e.kind === 'predict' ? 'Start' : 'Check the program in the editor');
  const summary = el('p', { className: 'summary', role: 'status' });
  if (e.kind === 'task') body.append(el('ul', { className: 'conditions' }, ...conditions(e).map((c) => el('li', {}, el('code', {}, c)))));
  body.before(summary);
  box.append(start);
  const result = (r) => box.setAttribute('data-result', r ? 'right' : 'wrong');
  const predict = () => predictFlow(e, i, page, { box, body, summary, start, result });
  start.addEventListener('click', async () => {
    page.activate(self);
    self.stop();
    if (e.kind === 'predict') {
      self.stop = await predict();
      return;
    }
    const r = await page.editorRun();
    if (r) checked(e, i, r, page, { body, summary, result });
  });
  return self;
}

// A task's conditions as the lesson states them.
function conditions(e) {
  const c = [];
  if (e.writes) c.push(`writes: ${e.writes.length ? e.writes.join(' | ') : 'nothing'}`);
  for (const g of e.generates) c.push(`generates: ${g}`);
  for (const a of e.avoids) c.push(`avoids: ${a}`);
  if (e.status !== undefined) c.push(`status: ${e.status}`);
  return c;
}

// A task checked against the run r of the editor's text.
function checked(e, i, r, page, { body, summary, result }) {
  const got = checkTask(e, {
    status: r.status,
    output: r.rows.filter((row) => row.fd === 1).map((row) => row.text),
    commands: r.steps.filter((s) => s.name).map((s) => ({ name: s.name, operand: s.operand })),
    diagnostic: r.diagnostic?.text ?? null,
  });
  const met = got.every((c) => c.met);
  body.querySelector('.feedback')?.remove();
  body.append(el('ul', { className: `feedback ${met ? 'ok' : 'failed'}`, 'data-testid': 'feedback' },
    ...got.map((c) => el('li', { className: c.met ? 'met' : 'unmet' }, el('strong', {}, c.met ? 'Met: ' : 'Not met: '), el('code', {}, c.condition), ` ${c.words}`))));
  summary.textContent = met ? 'Done: your program meets every condition.' : `Your program meets ${got.filter((c) => c.met).length} of ${got.length} conditions.`;
  result(met);
  if (met) page.done(i);
}

// Asks the predictions of exercise e, one after the other; resolves to a function that stops
// it (when the program changes).
async function predictFlow(e, i, page, { box, body, summary, start, result }) {
  start.hidden = true;
  summary.textContent = 'Running the lesson\'s program…';
  const r = await page.lessonRun();
  if (!r) {
    summary.textContent = 'The lesson\'s program could not be run.';
    start.hidden = false;
    return () => {};
  }
  const missing = e.steps.find((k) => !r.steps[k - 1]?.question);
  if (missing) {
    summary.textContent = `This exercise asks for command ${missing}, and kel generated ${r.steps.filter((s) => s.name).length} commands for the lesson's program.`;
    start.hidden = false;
    return () => {};
  }
  const right = [];
  let stopped = false;
  const ask = (n) => {
    const k = e.steps[n];
    page.showStep(k - 1);
    summary.textContent = `Question ${n + 1} of ${e.steps.length}.`;
    const area = el('div', { className: 'asked' });
    body.replaceChildren(area);
    const q = askQuestion(area, r.steps[k - 1].question, k, (ok) => {
      right.push(ok);
      result(ok);
      page.showStep(k);
      if (n + 1 < e.steps.length) {
        const next = el('button', { type: 'button', className: 'next' }, `Next question: command ${e.steps[n + 1]}`);
        next.addEventListener('click', () => !stopped && ask(n + 1));
        area.append(next);
        next.focus();
      } else {
        finish();
      }
    });
    q.focus();
  };
  const finish = () => {
    const n = right.filter(Boolean).length;
    summary.textContent = `Done: ${n} of ${e.steps.length} predicted right. The step view shows command ${e.steps.at(-1)}.`;
    start.textContent = 'Start again';
    start.hidden = false;
    page.done(i);
    summary.focus();
  };
  summary.tabIndex = -1;
  box.removeAttribute('data-result');
  ask(0);
  return (why) => {
    if (stopped || !start.hidden) return;
    stopped = true;
    if (why) summary.textContent = why;
    body.replaceChildren();
    start.textContent = 'Start again';
    start.hidden = false;
  };
}
