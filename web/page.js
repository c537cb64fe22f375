// The playground page: wires the editor (editor.js), the runs of kel.wasm in a worker
// (runner.js, worker.js), the panes for what kel wrote (panes.js), the step view (step.js) and
// share links and the address (link.js). A program comes from the link (#code= or
// #example=NAME), else from the draft kept in this browser, else it is the example hello.
import { createEditor } from './editor.js';
import { DamagedLink, createAddress, pack, parseHash, unpack } from './link.js';
import { createPanes } from './panes.js';
import { createRunner } from './runner.js';
import { createStepView } from './step.js';

const $ = (id) => document.getElementById(id);
const enc = new TextEncoder();
const draftKey = 'kel-draft';

const runner = createRunner('kel.wasm', 'worker.js');
const address = createAddress();
let last = null; // the latest run shown: { text, result }

function setStatus(text, kind = '') {
  $('status').textContent = text;
  $('status').className = kind;
}

const editor = createEditor($('editor'), { onChange: edited, onRun: () => runNow() });
const panes = createPanes({ stdout: $('stdout'), stderr: $('stderr'), terminal: $('terminal') }, {
  onGoTo: (line) => editor.goTo(line),
});

const steps = createStepView($('step-view'), {
  onMove(step, k) {
    editor.showRead(step && { from: step.readFromChar, to: step.readToChar });
    panes.markTraceRow(step ? step.traceRow : -1);
    address.showStep(k);
  },
  onClose(byReader) {
    editor.showRead(null);
    panes.markTraceRow(-1);
    address.showStep(0);
    if (byReader) $('step').focus();
  },
});

// The lint mark for a run's diagnostic: the character at a source error's line and column, or
// the line kel had read when it stopped at run time.
function diagnosticMark(d) {
  if (!d || !(d.line > 0)) return null;
  if (d.kind === 'source') {
    let from = d.index;
    const ch = editor.charAt(from);
    if (ch === '' || ch[0] === '\n') from = Math.max(from - 1, 0); // at a line's end: the character before
    const c = editor.charAt(from);
    const to = from + (c === '' || c[0] === '\n' ? 0 : String.fromCodePoint(c.codePointAt(0)).length);
    return { from, to, message: d.text, line: d.line, col: d.col };
  }
  const line = editor.lineRange(d.line);
  return { from: line.from, to: line.to, message: d.text, line: d.line };
}

function showResult(text, r) {
  last = { text, result: r };
  panes.show(r.rows);
  const d = r.diagnostic;
  editor.setDiagnostic(r.status === 0 ? null : diagnosticMark(d));
  setStatus(`Exit status ${r.status}` + (d ? `: ${d.text}` + (d.kind === 'runtime' && d.line ? ` (stopped at line ${d.line})` : '') : ''),
    r.status === 0 ? 'ok' : 'failed');
  $('step').disabled = false;
  if (steps.isOpen) openSteps(steps.step);
}

function openSteps(k) {
  const text = last.text;
  steps.open({ ...last.result, sourceText: (from, to) => text.slice(from, to) }, k);
}

// Runs the editor's text; resolves to whether its result is shown (a newer run supersedes it).
async function runNow(started = performance.now()) {
  let text;
  // A long run says so; a short one does not flicker.
  const slow = setTimeout(() => setStatus('Running…'), 100);
  let r;
  try {
    r = await runner.run(() => enc.encode((text = editor.text())));
  } catch (e) {
    if (!e.superseded) setStatus(`kel could not run: ${e.message}.`, 'failed');
    return false;
  } finally {
    clearTimeout(slow);
  }
  showResult(text, r);
  performance.measure('kel-run', { start: started });
  return true;
}

let draftTimer = 0;
let liveTimer = 0;
// After every change of the text: what was shown of the last run no longer fits it. A change
// typed, rather than set by the page, is the draft, and the link no longer names it.
function edited(typed) {
  editor.setDiagnostic(null);
  steps.close();
  last = null;
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

function saveDraft() {
  try {
    localStorage.setItem(draftKey, editor.text());
  } catch {
    // A draft too large for the browser's storage is not kept.
  }
}

async function fetchExample(name) {
  let r;
  try {
    r = await fetch(`examples/${encodeURIComponent(name)}.kel`);
  } catch (e) {
    throw new Error(`the example ${name} could not be loaded: ${e.message}`);
  }
  if (!r.ok) throw new Error(`the example ${name} could not be loaded (HTTP ${r.status})`);
  return r.text();
}

// Puts a program in the editor as the address names it, keeping the link.
async function setProgram(text, named) {
  await editor.setText(text);
  address.name(named);
  $('examples').value = named.example ?? '';
}

// Shows what the link names and runs it, at the step it names. Returns false when the link
// names no program; a link that is damaged or whose example is missing is reported and nothing
// runs.
async function openLink() {
  const h = parseHash(location.hash);
  let text;
  try {
    if (h.code !== undefined) text = await unpack(h.code);
    else if (h.example !== undefined) text = await fetchExample(h.example);
    else return false;
  } catch (e) {
    const what = e instanceof DamagedLink ? `This link holds no program: ${e.message}` : `This link's program is missing: ${e.message}`;
    const shown = location.href.length > 120 ? location.href.slice(0, 100) + '…' : location.href;
    setStatus(`${what}. Nothing was run. The link: ${shown}`, 'failed');
    steps.close();
    return true;
  }
  await setProgram(text, h.code !== undefined ? { code: h.code } : { example: h.example });
  if (await runNow() && h.step) openSteps(h.step);
  return true;
}

async function load() {
  runner.ready.catch((e) => setStatus(`${e.message}, so nothing can run.`, 'failed'));
  if (!(await openLink())) {
    let text = null;
    try {
      text = localStorage.getItem(draftKey);
    } catch {
      // No storage: no draft.
    }
    try {
      text ??= await fetchExample('hello');
    } catch (e) {
      setStatus(`${e.message[0].toUpperCase()}${e.message.slice(1)}.`, 'failed');
      text = '';
    }
    await editor.setText(text);
    if (text) await runNow();
  }
  performance.mark('kel-first-result');
}

$('run').addEventListener('click', () => runNow());
$('step').addEventListener('click', async () => {
  if (!last || last.text !== editor.text()) {
    if (!(await runNow())) return;
  }
  openSteps(1);
  steps.focus();
});
$('examples').addEventListener('change', async (e) => {
  const name = e.target.value;
  if (!name) return;
  try {
    await setProgram(await fetchExample(name), { example: name });
  } catch (err) {
    setStatus(`${err.message[0].toUpperCase()}${err.message.slice(1)}.`, 'failed');
    return;
  }
  saveDraft();
  runNow();
});
$('share').addEventListener('click', async () => {
  address.name({ code: await pack(editor.text()) }, steps.isOpen ? steps.step : 0);
  $('link').value = location.href;
  $('sharing').hidden = false;
  $('link').select();
  navigator.clipboard?.writeText(location.href).catch(() => {});
});
window.addEventListener('hashchange', () => openLink());

load();
