// The tour (learn.html): the lessons of lessons/ (web/build gathers them into lessons.json), one
// at a time with its program in the editor, the same runs and step view as the playground, the
// exercises (exercise.js) and the progress kept in this browser (progress.js), and the glossary.
// The address names the lesson and the step shown (#lesson=N&step=K), or holds a teacher's
// lesson (#md=…, compressed as a share link is); a lesson from a link runs nothing but kel.
import { statusLine } from './status.js';
import { createEditor } from './editor.js';
import { setGlossaryPage } from './terms.js';
import { createExercise } from './exercise.js';
import { glossary } from './glossary.js';
import { language, maxLesson, parseLesson } from './lesson.js';
import { linkTrouble, pack, parseHash, unpack } from './link.js';
import { drawMarkdown } from './markdown.js';
import { createPanes } from './panes.js';
import { createProgress } from './progress.js';
import { createRunner, runEditor } from './runner.js';
import { createStepView } from './step.js';
import { el } from './dom.js';

const $ = (id) => document.getElementById(id);
setGlossaryPage(''); // the glossary is on this page
const runner = createRunner('kel.wasm', 'worker.js');
const progress = createProgress();

let lessons = []; // { file, text, parsed } in order
// The lesson shown: { n (from 1; 0 for a link's), file, parsed, link (a link's lesson: its md=),
// exercises }.
let shown = null;
let last = null; // the latest run shown: { version, result }

function setStatus(text, kind = '') {
  $('status').textContent = text;
  $('status').className = kind;
}

const editor = createEditor($('editor'), { onChange: edited, onRun: () => runNow() });
const panes = createPanes({ stdout: $('stdout'), stderr: $('stderr'), note: $('output-note') }, {
  onGoTo: (line) => editor.goTo(line),
  onStep: (k) => openSteps(k),
});
const steps = createStepView($('step-view'), {
  onMove(step, k) {
    editor.showStep(step);
    panes.markTraceRow(step ? step.traceRow : -1);
    panes.markWritten(step ? step.output.length : -1);
    address(k);
  },
  onClose() {
    editor.showStep(null);
    panes.markTraceRow(-1);
    panes.markWritten(-1);
    address(0);
  },
});

// The fragment naming the lesson shown, a lesson of the tour by its number and a link's by the
// link's own text, and the step shown (0 for none).
function naming(step) {
  const p = new URLSearchParams(shown.n > 0 ? { lesson: String(shown.n) } : { md: shown.link });
  if (step) p.set('step', String(step));
  return `#${p}`;
}

// The address names the lesson shown and the step shown.
function address(step) {
  if (shown) history.replaceState(null, '', naming(step));
}

// Runs the editor's text; resolves to the worker's result, or null when it is not shown.
async function runNow() {
  const run = await runEditor(runner, editor, setStatus);
  if (!run) return null;
  const { version, result: r } = run;
  last = { version, result: r };
  panes.show(r.rows);
  editor.showDiagnostic(r.status === 0 ? null : r.diagnostic);
  setStatus(statusLine(r.status, r.diagnostic), r.status === 0 ? 'ok' : 'failed');
  $('step').disabled = false;
  if (steps.isOpen) steps.open(r, steps.step);
  performance.measure('kel-run', { start: run.started });
  return r;
}

// The run of the editor's text as it is, run again only when it changed.
async function current() {
  return last && last.version === editor.version ? last.result : runNow();
}

async function openSteps(k) {
  const r = await current();
  if (r) steps.open(r, k);
  return r;
}

let active = null; // the exercise being done
function edited() {
  editor.showDiagnostic(null);
  steps.close();
  active?.stop('The program in the editor changed: Start again to predict the lesson\'s program.');
}

// What the exercises of the lesson shown ask of the page.
const exercisePage = {
  async lessonRun() {
    if (editor.text() !== shown.parsed.program) await editor.setText(shown.parsed.program);
    return current();
  },
  editorRun: () => current(),
  async showStep(k) {
    if (k === 0) steps.close();
    else await openSteps(k);
  },
  activate(x) {
    for (const other of shown.exercises) if (other !== x) other.collapse();
    active = x;
  },
  done(i) {
    if (shown.n > 0) progress.add(shown.file, i);
    markDone();
  },
};

// The lesson list, each lesson marked done when all its exercises are.
function drawList() {
  $('lessons').replaceChildren(...lessons.map((l, i) => el('li', {},
    el('a', { href: `#lesson=${i + 1}`, 'data-testid': 'lesson-link' }, l.parsed.title ?? l.file))));
  markDone();
}

function markDone() {
  [...$('lessons').querySelectorAll('[data-testid=lesson-link]')].forEach((a, i) => {
    const l = lessons[i];
    const all = l.parsed.exercises.length > 0 && l.parsed.exercises.every((_, k) => progress.has(l.file, k));
    a.setAttribute('data-done', String(all));
    a.setAttribute('aria-label', `${a.textContent}${all ? ', done' : ''}`);
    if (shown && shown.n === i + 1) a.setAttribute('aria-current', 'page');
    else a.removeAttribute('aria-current');
  });
}

// Shows a lesson: its text with its exercises, its program in the editor, run, and the step
// view at step (0 for closed).
async function showLesson(lesson, step) {
  const parsed = lesson.parsed;
  steps.close();
  active = null;
  shown = { ...lesson, exercises: [] };
  const text = $('lesson-text');
  text.replaceChildren();
  for (const p of parsed.problems) text.append(el('p', { className: 'failed' }, `This lesson has a fault: ${p}`));
  let programs = 0;
  drawMarkdown(text, parsed.tokens, {
    base: location.href,
    shift: 1, // the page's own title is the h1
    fence: (t) => fence(t, language(t) === 'kel' && programs++ === 0),
  });
  if (lesson.n > 0) text.append(neighbours(lesson.n));
  document.title = `${parsed.title ?? 'A lesson'}: learn kel`;
  markDone();
  $('restore').disabled = parsed.program === null;
  $('sharing').hidden = true;
  await editor.setText(parsed.program ?? '');
  const r = await runNow();
  if (r && step) steps.open(r, step);
}

// A fenced block of the lesson: an exercise, or a program (the first is the one in the editor;
// another may be put there).
function fence(t, first) {
  if (t.meta?.exercise !== undefined) {
    const x = createExercise(shown.parsed.exercises[t.meta.exercise], t.meta.exercise, exercisePage);
    shown.exercises.push(x);
    return x.element;
  }
  const code = el('pre', { className: `block ${language(t) === 'kel' ? 'kel' : ''}` }, el('code', {}, t.content));
  if (language(t) !== 'kel') return code;
  if (first) return el('figure', { className: 'program-text' }, code, el('figcaption', {}, 'The lesson\'s program, in the editor.'));
  const put = el('button', { type: 'button' }, 'Put this program in the editor');
  put.addEventListener('click', async () => {
    await editor.setText(t.content);
    runNow();
  });
  return el('figure', { className: 'program-text' }, code, el('figcaption', {}, put));
}

// Links to the lessons before and after lesson n.
function neighbours(n) {
  const nav = el('nav', { className: 'neighbours', 'aria-label': 'Next and previous lesson' });
  if (n > 1) nav.append(el('a', { href: `#lesson=${n - 1}`, rel: 'prev' }, `← ${lessons[n - 2].parsed.title}`));
  if (n < lessons.length) nav.append(el('a', { href: `#lesson=${n + 1}`, rel: 'next' }, `${lessons[n].parsed.title} →`));
  return nav;
}

// Shows what the address names: a lesson from a link (#md=), or lesson N (the first by default),
// at the step it names; resolves to whether it showed one. A link's damaged lesson is reported,
// and nothing runs.
async function route() {
  const h = parseHash(location.hash);
  if (h.md !== undefined) {
    let md;
    try {
      md = await unpack(h.md, { max: maxLesson, what: 'lesson', key: 'md' });
    } catch (e) {
      setStatus(linkTrouble(e, location.href, 'Nothing was run.', 'lesson'), 'failed');
      steps.close();
      return false;
    }
    await showLesson({ n: 0, file: null, link: h.md, parsed: parseLesson(md) }, h.step);
    return true;
  }
  if (h.lesson === undefined && shown && /^#glossary/.test(location.hash)) return false; // a link within the page
  const n = Math.min(h.lesson ?? 1, lessons.length);
  await showLesson({ n, ...lessons[n - 1] }, h.step);
  return true;
}

// Share this lesson: a lesson of the tour by its number, a link's lesson as its link; with the
// step shown.
async function share() {
  const link = new URL(naming(steps.isOpen ? steps.step : 0), location.href).href;
  $('link').value = link;
  $('sharing').hidden = false;
  let copied = false;
  try {
    await navigator.clipboard.writeText(link);
    copied = true;
  } catch {
    // The browser did not allow it: the link is there to copy by hand.
  }
  $('share-note').textContent = copied ? 'Link copied.' : 'Copy the link below: this browser did not let the page copy it.';
}

function drawGlossary() {
  const sorted = [...glossary].sort((a, b) => a.term.localeCompare(b.term, 'en', { sensitivity: 'base' }));
  $('glossary-list').replaceChildren(...sorted.flatMap((g) => [
    el('dt', { id: `glossary-${g.id}`, tabIndex: -1 }, g.term),
    el('dd', {}, g.definition),
  ]));
}

async function load() {
  runner.ready.catch((e) => setStatus(`${e.message}, so nothing can run.`, 'failed'));
  drawGlossary();
  try {
    const r = await fetch('lessons.json');
    if (!r.ok) throw new Error(`HTTP ${r.status}`);
    lessons = (await r.json()).map((l) => ({ ...l, parsed: parseLesson(l.text) }));
  } catch (e) {
    setStatus(`The lessons could not be loaded (${e.message}).`, 'failed');
  }
  drawList();
  if (lessons.length || location.hash.includes('md=')) await route();
  performance.mark('kel-first-lesson');
}

$('run').addEventListener('click', () => runNow());
$('step').addEventListener('click', async () => {
  if (await openSteps(1)) steps.focus();
});
$('restore').addEventListener('click', async () => {
  await editor.setText(shown.parsed.program);
  runNow();
});
$('lesson-share').addEventListener('click', share);
$('link').addEventListener('focus', (e) => e.target.select());
$('lesson-reset').addEventListener('click', () => {
  progress.reset();
  markDone();
  $('progress-note').textContent = 'Progress reset: every exercise is to do again.';
});
$('own-open').addEventListener('click', async () => {
  const md = $('own-md').value;
  const size = new TextEncoder().encode(md).length;
  $('own-note').textContent = size > maxLesson ? `This lesson is ${(size / 1024).toFixed(1)} KiB, and a link holds at most 64 KiB.` : '';
  if (size <= maxLesson) location.hash = `md=${await pack(md)}`;
});
// A lesson chosen: the reader goes on reading at its start.
window.addEventListener('hashchange', async () => {
  if (await route()) $('lesson-text').focus();
});

load();
