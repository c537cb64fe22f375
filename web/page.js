// The playground page: wires the editor (editor.js), the runs of kel.wasm in a worker
// (runner.js, worker.js), the panes for what kel wrote (panes.js), the step view (step.js) and
// share links and the address (link.js). A program comes from the link (#code= or
// #example=NAME), else from the draft kept in this browser, else it is the example hello.
import { statusLine } from './status.js';
import { createEditor } from './editor.js';
import { createAddress, embedCode, fetchExample, maxShared, pack, readAddress } from './link.js';
import { createPanes } from './panes.js';
import { createRunner } from './runner.js';
import { createStepView } from './step.js';

const $ = (id) => document.getElementById(id);
const enc = new TextEncoder();
const draftKey = 'kel-draft';

const runner = createRunner('kel.wasm', 'worker.js');
const address = createAddress();
let last = null; // the latest run shown: { version, result }, version the editor's when it ran

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
    editor.showStep(step);
    panes.markTraceRow(step ? step.traceRow : -1);
    panes.markWritten(step ? step.output.length : -1);
    address.showStep(k);
  },
  onClose(byReader) {
    editor.showStep(null);
    panes.markTraceRow(-1);
    panes.markWritten(-1);
    address.showStep(0);
    if (byReader) $('step').focus();
  },
  onPredict: (on) => address.predict(on),
});

// A click on the number of a line (from at its start) while the step view is open goes to the
// line's first command: the first whose origin is on it, else the first kel generated once it
// had read into it.
function toLine(line, from) {
  if (!steps.isOpen) return false;
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
  if (steps.isOpen) steps.open(r, steps.step);
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
  const started = performance.now();
  let version;
  // A long run says so; a short one does not flicker.
  const slow = setTimeout(() => setStatus('Running…'), 100);
  let r;
  try {
    r = await runner.run(() => {
      version = editor.version;
      return enc.encode(editor.text());
    });
  } catch (e) {
    if (!e.superseded) setStatus(`kel could not run: ${e.message}.`, 'failed');
    return false;
  } finally {
    clearTimeout(slow);
  }
  showResult(version, r);
  performance.measure('kel-run', { start: started });
  return true;
}

let draftTimer = 0;
let liveTimer = 0;
// After every change of the text: what was shown of the last run no longer fits it. A change
// typed, rather than set by the page, is the draft, and the link no longer names it.
function edited(typed) {
  editor.showDiagnostic(null);
  steps.close();
  if (!typed) return;
  clearTimeout(draftTimer);
  draftTimer = setTimeout(saveDraft, 300);
  address.forget();
  $('examples').value = '';
  $('sharing').hidden = true;
  if ($('live').checked) {
    clearTimeout(liveTimer);
    liveTimer = setTimeout(runNow, 150);
  }
}

// Keeps the editor's text as the draft; one too large for the browser's storage is not kept,
// and the page says so (an older draft is not left to come back in its place).
function saveDraft() {
  let kept = true;
  try {
    localStorage.setItem(draftKey, editor.text());
  } catch {
    kept = false;
    try {
      localStorage.removeItem(draftKey);
    } catch {
      // No storage at all.
    }
  }
  $('draft-note').hidden = kept;
}

function draft() {
  try {
    return localStorage.getItem(draftKey);
  } catch {
    return null; // no storage: no draft
  }
}

// Puts a program in the editor as the address names it, keeping the link.
async function setProgram(text, named) {
  await editor.setText(text);
  address.name(named);
  $('examples').value = named.example ?? '';
}

// Shows what the link names and runs it, at the step it names. Resolves to 'opened', 'none'
// when it names no program, or 'damaged' when it holds none or its example is missing: that is
// reported, naming the link, and nothing runs in its place.
async function openLink() {
  const link = await readAddress('Nothing was run; the editor holds your draft.');
  if (link.trouble) {
    setStatus(link.trouble, 'failed');
    steps.close();
    return 'damaged';
  }
  if (link.text === null) return 'none';
  await setProgram(link.text, link.named);
  if ((await runNow()) && (link.h.step || link.h.predict)) openSteps(link.h.step ?? 1, { play: link.h.play, predict: Boolean(link.h.predict) });
  return 'opened';
}

async function load() {
  runner.ready.catch((e) => setStatus(`${e.message}, so nothing can run.`, 'failed'));
  const link = await openLink();
  if (link !== 'opened') {
    let text = draft();
    if (text === null && link === 'none') {
      try {
        text = await fetchExample('hello');
      } catch (e) {
        setStatus(sentence(e.message), 'failed');
      }
    }
    await editor.setText(text ?? '');
    if (text && link === 'none') await runNow();
  }
  performance.mark('kel-first-result');
}

// Share: the link to the program at the step shown, copied, and the embed code; a program over
// what a link carries is refused, saying so.
async function share() {
  const text = editor.text();
  const size = enc.encode(text).length;
  const note = $('share-note');
  $('share-fields').hidden = size > maxShared;
  if (size > maxShared) {
    note.textContent = `No link was made: this program is ${(size / (1 << 20)).toFixed(2)} MiB, and a link carries at most 1 MiB.`;
    note.className = 'failed';
    $('sharing').hidden = false;
    return;
  }
  const named = { code: await pack(text) };
  const step = steps.isOpen ? steps.step : 0;
  address.name(named, step);
  $('link').value = location.href;
  $('share-embed').value = embedCode(named, step, location.href, steps.predicting);
  note.textContent = '';
  $('sharing').hidden = false;
  let copied = false;
  try {
    await navigator.clipboard.writeText(location.href);
    copied = true;
  } catch {
    // The browser did not allow it: the link is there to copy by hand.
  }
  note.textContent = copied ? 'Link copied.' : 'Copy the link below: this browser did not let the page copy it.';
  note.className = copied ? 'ok' : '';
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
$('share').addEventListener('click', share);
for (const id of ['link', 'share-embed']) $(id).addEventListener('focus', (e) => e.target.select());
window.addEventListener('hashchange', () => openLink());

load();
