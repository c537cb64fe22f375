// The playground page: wires the editor (editor.js), the runs of kel.wasm in a worker
// (runner.js, worker.js), the panes for what kel wrote, the step view (step.js) and share links
// (link.js). A program comes from the link (#code= or #example=NAME), else from the draft kept in
// this browser, else it is the example hello.
import { createEditor } from './editor.js';
import { DamagedLink, makeHash, pack, parseHash, unpack } from './link.js';
import { createRunner } from './runner.js';
import { createStepView } from './step.js';

const $ = (id) => document.getElementById(id);
const enc = new TextEncoder();
const draftKey = 'kel-draft';

const runner = createRunner('kel.wasm', 'worker.js');
let runs = 0; // the number of the latest run; an older one that ends later is dropped
let last = null; // the latest run shown: { text, result }
let link = {}; // what the address names: { code, example }, while the editor holds it

function setStatus(text, kind = '') {
  $('status').textContent = text;
  $('status').className = kind;
}

const editor = createEditor($('editor'), { onChange: edited, onRun: () => runNow() });

const steps = createStepView($('step-view'), {
  onMove(step, k) {
    editor.showRead(step && { from: step.readFromChar, to: step.readToChar });
    markTraceRow(step ? step.traceRow : -1);
    if (link.code !== undefined || link.example !== undefined) history.replaceState(null, '', makeHash(link, k));
  },
  onClose(byReader) {
    editor.showRead(null);
    markTraceRow(-1);
    if (link.code !== undefined || link.example !== undefined) history.replaceState(null, '', makeHash(link, 0));
    if (byReader) $('step').focus();
  },
});

// The panes: each line kel wrote, after the source line kel had read when it wrote it.
function show(pane, rows) {
  pane.replaceChildren(...rows.map((r) => {
    const row = document.createElement('span');
    row.className = r.fd === 2 ? 'row err' : 'row';
    // The line number is drawn by the style sheet, so that a pane's text is kel's text alone.
    const ln = document.createElement(r.from > 0 ? 'a' : 'span');
    ln.className = 'ln';
    if (r.from > 0) {
      ln.href = '#';
      ln.dataset.line = r.from;
      ln.setAttribute('aria-label', `source line ${r.from}`);
    }
    row.append(ln, r.text, '\n');
    return row;
  }));
}

function markTraceRow(i) {
  const pane = $('stderr');
  pane.querySelector('.current')?.classList.remove('current');
  const row = pane.children[i];
  if (!row) return;
  row.classList.add('current');
  // Scrolled within the pane only, not the page.
  if (row.offsetTop < pane.scrollTop || row.offsetTop + row.offsetHeight > pane.scrollTop + pane.clientHeight) {
    pane.scrollTop = row.offsetTop - pane.clientHeight / 2;
  }
}

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
  show($('stdout'), r.rows.filter((x) => x.fd === 1));
  show($('stderr'), r.rows.filter((x) => x.fd === 2));
  show($('terminal'), r.rows);
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

async function runNow(started = performance.now()) {
  const n = ++runs;
  await new Promise((resolve) => setTimeout(resolve)); // a task of its own: the text may be long
  if (n !== runs) return false;
  const text = editor.text();
  // A long run says so; a short one does not flicker.
  const slow = setTimeout(() => n === runs && setStatus('Running…'), 100);
  let r;
  try {
    r = await runner.run(enc.encode(text));
  } catch (e) {
    clearTimeout(slow);
    if (e.superseded || n !== runs) return false;
    setStatus(`kel could not run: ${e.message}.`, 'failed');
    return false;
  }
  clearTimeout(slow);
  if (n !== runs) return false;
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
  if (location.hash) history.replaceState(null, '', location.pathname + location.search);
  link = {};
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
  link = named;
  $('examples').value = named.example ?? '';
  history.replaceState(null, '', makeHash(named, 0));
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
    link = {};
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
  link = { code: await pack(editor.text()) };
  history.replaceState(null, '', makeHash(link, steps.isOpen ? steps.step : 0));
  $('link').value = location.href;
  $('sharing').hidden = false;
  $('link').select();
  navigator.clipboard?.writeText(location.href).catch(() => {});
});
for (const pane of ['stdout', 'stderr', 'terminal']) {
  $(pane).addEventListener('click', (e) => {
    const a = e.target.closest('a[data-line]');
    if (!a) return;
    e.preventDefault();
    editor.goTo(Number(a.dataset.line));
  });
}
window.addEventListener('hashchange', () => openLink());

load();
