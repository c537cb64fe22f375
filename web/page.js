// The playground page: an editor, a run of kel.wasm per request, and panes for what kel wrote.
// A program comes from the link (#code=, compressed, or #example=NAME), else from the draft kept
// in this browser, else it is the example hello.
import { run } from './kel.js';

const $ = (id) => document.getElementById(id);
const source = $('source');
const enc = new TextEncoder();
const dec = new TextDecoder();
const draftKey = 'kel-draft';
const maxShared = 1 << 20; // a link carries at most 1 MiB of program

const kel = fetch('kel.wasm')
  .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject(new Error(`kel.wasm: ${r.status}`))))
  .then((b) => WebAssembly.compile(b));
let runs = 0; // the number of the latest run; an older one that ends later is dropped

// Where each source line starts, in bytes: kel counts lines and columns in bytes.
function lineStarts(input) {
  const starts = [0];
  input.forEach((b, i) => b === 10 && starts.push(i + 1));
  return starts;
}

// The string index of byte b of the source.
const indexAt = (input, b) => dec.decode(input.subarray(0, b)).length;

// The string indices where line l (from 1) starts and ends, its LF left out.
function lineSpan(input, l) {
  const starts = lineStarts(input);
  l = Math.min(Math.max(l, 1), starts.length);
  const end = l < starts.length ? starts[l] - 1 : input.length;
  return [indexAt(input, starts[l - 1]), indexAt(input, end)];
}

// What kel wrote, as lines: the text of each up to its CR LF, its channel, and the source line
// kel had read up to when it wrote it (0 before any input).
function lines(chunks, input) {
  const starts = lineStarts(input);
  const out = [];
  const open = { 1: '', 2: '' }; // per channel, the line not yet ended
  let line = 0; // reads only go forward
  for (const c of chunks) {
    while (line < starts.length && starts[line] < c.read) line++;
    const parts = dec.decode(c.bytes).split('\r\n');
    open[c.fd] += parts[0];
    for (const p of parts.slice(1)) {
      out.push({ fd: c.fd, text: open[c.fd], from: line });
      open[c.fd] = p;
    }
  }
  for (const fd of [1, 2]) if (open[fd]) out.push({ fd, text: open[fd], from: 0 });
  return out;
}

function show(pane, rows) {
  pane.replaceChildren();
  for (const r of rows) {
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
    pane.append(row);
  }
}

let mark = null; // { start, end, kind, line, column }

function paint() {
  const text = source.value;
  const n = text.split('\n').length;
  $('gutter').textContent = Array.from({ length: n }, (_, i) => i + 1).join('\n') + '\n ';
  const back = $('backdrop');
  back.replaceChildren();
  if (mark) {
    const m = document.createElement('mark');
    m.className = mark.kind;
    m.dataset.testid = 'mark';
    m.dataset.line = mark.line;
    if (mark.column) m.dataset.column = mark.column;
    // A mark at a line end or at the end of the text still shows, as a blank.
    m.textContent = text.slice(mark.start, mark.end) || ' ';
    back.append(text.slice(0, mark.start), m, text.slice(mark.end));
  } else {
    back.append(text);
  }
  back.append(' ');
  sync();
}

function sync() {
  $('backdrop').scrollTop = $('gutter').scrollTop = source.scrollTop;
  $('backdrop').scrollLeft = source.scrollLeft;
}

function goTo(line) {
  const [start, end] = lineSpan(enc.encode(source.value), line);
  mark = { start, end, kind: 'link', line };
  paint();
  source.focus();
  source.setSelectionRange(start, start);
}

// Where a run that failed stopped: the line and column of a source error, else the source line
// kel had read when it wrote its last diagnostic.
function failure(rows, input) {
  for (const r of rows) {
    const m = r.fd === 2 && /^(Scnr|Prsr) \((\d+),(\d+)\): /.exec(r.text);
    if (!m) continue;
    const [line, column] = [Number(m[2]), Number(m[3])];
    const [first, last] = lineSpan(input, line);
    const start = Math.min(first + indexAt(enc.encode(source.value.slice(first)), column - 1), last);
    const end = start + (start < last ? String.fromCodePoint(source.value.codePointAt(start)).length : 0);
    return { start, end, kind: 'error', line, column, what: `${m[1]} error at line ${line}, column ${column}` };
  }
  const last = rows.filter((r) => r.fd === 2 && r.from > 0).pop();
  if (!last) return null;
  const [start, end] = lineSpan(input, last.from);
  return { start, end, kind: 'stop', line: last.from, what: `stopped at line ${last.from}` };
}

async function runNow(started = performance.now()) {
  const n = ++runs;
  const input = enc.encode(source.value);
  let r;
  try {
    r = await run(await kel, input);
  } catch (e) {
    if (n === runs) $('status').textContent = `kel could not run: ${e.message}`;
    return;
  }
  if (n !== runs) return;
  const rows = lines(r.chunks, input);
  show($('stdout'), rows.filter((x) => x.fd === 1));
  show($('stderr'), rows.filter((x) => x.fd === 2));
  show($('terminal'), rows);
  mark = r.status === 0 ? null : failure(rows, input);
  $('status').textContent = `Exit status ${r.status}` + (mark ? ` (${mark.what})` : '');
  $('status').className = r.status === 0 ? 'ok' : 'failed';
  paint();
  performance.measure('kel-run', { start: started });
}

function setSource(text) {
  source.value = text;
  mark = null;
  paint();
}

async function fetchExample(name) {
  const r = await fetch(`examples/${encodeURIComponent(name)}.kel`);
  if (!r.ok) throw new Error(`no example ${name}`);
  $('examples').value = name;
  return r.text();
}

function base64url(bytes) {
  let bin = '';
  for (const b of bytes) bin += String.fromCharCode(b);
  return btoa(bin).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

async function pack(text) {
  const s = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  return base64url(new Uint8Array(await new Response(s).arrayBuffer()));
}

async function unpack(code) {
  const bin = atob(code.replace(/-/g, '+').replace(/_/g, '/'));
  const bytes = Uint8Array.from(bin, (c) => c.charCodeAt(0));
  const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const parts = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    size += value.length;
    if (size > maxShared) {
      reader.cancel();
      throw new Error('the program in this link is larger than 1 MiB');
    }
    parts.push(value);
  }
  return new Blob(parts).text();
}

// The program the link names, or null when it names none.
async function fromLink() {
  const p = new URLSearchParams(location.hash.slice(1));
  if (p.has('code')) return unpack(p.get('code'));
  if (p.has('example')) return fetchExample(p.get('example'));
  return null;
}

function dropLink() {
  if (location.hash) history.replaceState(null, '', location.pathname + location.search);
}

async function load() {
  let text;
  let notice = '';
  try {
    text = await fromLink();
  } catch (e) {
    notice = `; this link holds no program: ${e.message}`;
  }
  text ??= localStorage.getItem(draftKey) ?? (await fetchExample('hello'));
  setSource(text);
  await runNow();
  $('status').textContent += notice;
  performance.mark('kel-first-result');
}

let timer = 0;
source.addEventListener('input', () => {
  localStorage.setItem(draftKey, source.value);
  dropLink();
  $('examples').value = '';
  $('sharing').hidden = true;
  mark = null;
  paint();
  if ($('live').checked) {
    clearTimeout(timer);
    timer = setTimeout(runNow, 150);
  }
});
source.addEventListener('scroll', sync);
source.addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
    e.preventDefault();
    runNow();
  }
});
$('run').addEventListener('click', () => runNow());
$('examples').addEventListener('change', async (e) => {
  const name = e.target.value;
  if (!name) return;
  setSource(await fetchExample(name));
  history.replaceState(null, '', `#example=${encodeURIComponent(name)}`);
  localStorage.setItem(draftKey, source.value);
  runNow();
});
$('share').addEventListener('click', async () => {
  history.replaceState(null, '', `#code=${await pack(source.value)}`);
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
    goTo(Number(a.dataset.line));
  });
}
window.addEventListener('hashchange', async () => {
  const text = await fromLink().catch(() => null);
  if (text === null) return;
  setSource(text);
  runNow();
});

load();
