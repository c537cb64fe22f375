// The playground page: wires the editor (editor.js), the runs of kel.wasm in a worker
// (runner.js, worker.js), the panes for what kel wrote (panes.js), the step view (step.js, with
// its keys), share links and the address (link.js, share.js), the tab's draft (drafts.js) and
// large type and the theme (appearance.js). A program comes from the link
// (#code= or #example=NAME), else from this tab's draft, else from the newest draft kept in this
// browser, else it is the example hello. Results of a text since changed are marked out of
// date; with Run as you type, a change runs again and the step view stays at its step.
import { statusLine } from './status.js';
import { onLarge, setLarge, setTheme } from './appearance.js';
import { createDrafts } from './drafts.js';
import { createEditor } from './editor.js';
import { createAddress, fetchExample, readAddress, unread } from './link.js';
import { createPanes } from './panes.js';
import { createRunner, runEditor } from './runner.js';
import { createShare } from './share.js';
import { createStepView } from './step.js';

const $ = (id) => document.getElementById(id);

const runner = createRunner('kel.wasm', 'worker.js');
const address = createAddress();
const drafts = createDrafts();
let last = null; // the latest run shown: { version, result }, version the editor's when it ran
let rerun = false; // the step view is being drawn again on a new run
const stale = () => last !== null && last.version !== editor.version;
setLarge(drafts.state.large);
onLarge((large) => drafts.keepState({ large }));

function setStatus(text, kind = '') {
  $('status').textContent = text;
  $('status').className = kind;
}

// An error's message as a sentence of its own.
const sentence = (message) => `${message[0].toUpperCase()}${message.slice(1)}.`;

const editor = createEditor($('editor'), { onChange: edited, onRun: () => runNow(), onLineNumber: toLine });
const panes = createPanes({ stdout: $('stdout'), stderr: $('stderr'), terminal: $('terminal'), note: $('output-note') }, {
  onGoTo: (line) => editor.goTo(line),
  onStep: (k) => openSteps(k),
});

const steps = createStepView($('step-view'), {
  onMove(step, k) {
    // A step's places are in the text it ran; after a run again of a text changed, the editor
    // stays where the reader is.
    editor.showStep(stale() ? null : step, { scroll: !rerun });
    panes.markTraceRow(step ? step.traceRow : -1);
    panes.markWritten(step ? step.output.length : -1);
    address.showStep(k);
    sharing.follow();
    drafts.keepState({ step: k });
  },
  onClose(byReader) {
    editor.showStep(null);
    panes.markTraceRow(-1);
    panes.markWritten(-1);
    address.showStep(0);
    sharing.follow();
    drafts.keepState({ step: 0 });
    if (byReader) $('step').focus();
  },
  keys: { open: (k, play) => openSteps(k, { play }) },
  onPredict(on) {
    address.predict(on);
    sharing.follow();
  },
});
const sharing = createShare($, { editor, address, step: () => (steps.isOpen && !stale() ? steps.step : 0) });

// A click on the number of a line (from at its start) while the step view is open goes to the
// line's first command: the first whose origin is on it, else the first kel generated once it
// had read into it.
function toLine(line, from) {
  if (!steps.isOpen || stale()) return false;
  const all = steps.steps;
  const s = all.find((x) => x.origin?.line === line) ?? all.find((x) => x.read.to > from);
  if (s) steps.go(s.index);
  return Boolean(s);
}

function showResult(version, r) {
  last = { version, result: r };
  panes.show(r.rows);
  const d = r.diagnostic;
  editor.showDiagnostic(r.status === 0 ? null : d);
  setStatus(statusLine(r.status, d), r.status === 0 ? 'ok' : 'failed');
  $('step').disabled = false;
  markStale();
  rerun = true;
  if (steps.isOpen) steps.open(r, steps.step);
  rerun = false;
}

// Whether what is shown is of the text as it is, said while it is not.
function markStale() {
  const out = stale();
  $('stale').hidden = !out;
  $('stale').textContent = $('live').checked
    ? 'Out of date: what is shown below is of the text before your last change, which runs in a moment.'
    : 'Out of date: what is shown below is of the text before your last change. Run (Ctrl+Enter) to bring it up to date.';
  document.querySelector('.results').classList.toggle('stale', out);
}

// Opens the step view at step k on the run of the editor's text, running it first if need be.
async function openSteps(k, options) {
  if (!last || last.version !== editor.version) {
    if (!(await runNow())) return false;
  }
  steps.open(last.result, k, options);
  return true;
}

// Runs the editor's text; resolves to whether its result is shown (a newer run supersedes it).
async function runNow() {
  const run = await runEditor(runner, editor, setStatus);
  if (!run) return false;
  showResult(run.version, run.result);
  performance.measure('kel-run', { start: run.started });
  return true;
}

let draftTimer = 0;
let liveTimer = 0;
// After every change of the text: what was shown of the last run no longer fits it, and is
// marked so; a program set by the page is another program, and closes the step view. A change
// typed, rather than set by the page, is the draft, and the link no longer names it.
function edited(typed) {
  editor.showDiagnostic(null);
  markStale();
  if (!typed) {
    steps.close();
    return;
  }
  editor.showStep(null);
  clearTimeout(draftTimer);
  draftTimer = setTimeout(saveDraft, 300);
  address.forget();
  $('examples').value = '';
  $('link-note').hidden = true;
  sharing.hide();
  if ($('live').checked) {
    clearTimeout(liveTimer);
    liveTimer = setTimeout(runNow, 150);
  }
}

// Keeps the editor's text as this tab's draft; one too large for the browser's storage is not
// kept, and the page says so.
function saveDraft() {
  $('draft-note').hidden = drafts.save(editor.text());
}

// Offers the newest draft of this browser that the editor does not hold, if there is one.
function offerDraft() {
  const other = drafts.other(editor.text());
  $('other-draft').hidden = !other;
  if (!other) return;
  const lines = other.text.split('\n').length;
  const when = other.time ? `, kept at ${new Date(other.time).toLocaleTimeString([], { hour: '2-digit', minute: '2-digit' })}` : '';
  $('other-draft').firstChild.textContent = `Another draft is kept in this browser (${lines} ${lines === 1 ? 'line' : 'lines'}${when}), from another tab or from before. `;
  $('other-draft').onclick = async (e) => {
    if (!e.target.closest('button')) return;
    $('other-draft').hidden = true;
    $('draft-note').hidden = drafts.adopt(other.text);
    await editor.setText(other.text);
    address.forget();
    await runNow();
    offerDraft();
  };
}

// Puts a program in the editor as the address names it, keeping the link.
async function setProgram(text, named) {
  drafts.detach(); // this tab's draft stays kept, and offered, whatever becomes of this program
  $('other-draft').hidden = true;
  sharing.hide();
  await editor.setText(text);
  address.name(named);
  $('examples').value = named.example ?? '';
}

// Shows what the link names and runs it, at the step it names, in the type and theme it names.
// Resolves to 'opened', 'none' when it names no program, or 'damaged' when it holds none or its
// example is missing: that is reported, naming the link, saying what is in the editor instead,
// and nothing runs in its place.
async function openLink(instead) {
  const link = await readAddress(instead);
  $('link-note').hidden = true;
  setTheme(link.h.theme);
  if (link.h.large) setLarge(true);
  if (link.trouble) {
    setStatus(link.trouble, 'failed');
    steps.close();
    return 'damaged';
  }
  if (link.text === null) return 'none';
  await setProgram(link.text, link.named);
  $('link-note').textContent = unread(link.h);
  $('link-note').hidden = link.h.unread.length === 0;
  if ((await runNow()) && (link.h.step || link.h.predict)) openSteps(link.h.step ?? 1, { play: link.h.play, predict: Boolean(link.h.predict) });
  return 'opened';
}

async function load() {
  runner.ready.catch((e) => setStatus(`${e.message}, so nothing can run.`, 'failed'));
  let text = drafts.initial();
  const link = await openLink(text === null
    ? 'Nothing was run, and the editor is empty: this browser keeps no draft of yours.'
    : 'Nothing was run; the editor holds your draft.');
  if (link !== 'opened') {
    if (text === null && link === 'none') {
      try {
        text = await fetchExample('hello');
      } catch (e) {
        setStatus(sentence(e.message), 'failed');
      }
    }
    await editor.setText(text ?? '');
    offerDraft();
    const { step } = drafts.state;
    if (text && link === 'none' && (await runNow()) && step) await openSteps(step);
  }
  performance.mark('kel-first-result');
}

$('run').addEventListener('click', () => runNow());
$('step').addEventListener('click', async () => {
  if (await openSteps(1)) steps.focus();
});
$('examples').addEventListener('change', async (e) => {
  const name = e.target.value;
  if (!name) return;
  try {
    await setProgram(await fetchExample(name), { example: name });
  } catch (err) {
    setStatus(sentence(err.message), 'failed');
    return;
  }
  saveDraft();
  runNow();
});
$('share').addEventListener('click', () => sharing.share());
for (const id of ['link', 'share-embed']) $(id).addEventListener('focus', (e) => e.target.select());
window.addEventListener('hashchange', () => openLink('Nothing was run; the editor holds the program it held.'));

load();
