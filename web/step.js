// The step view: one command kel generated at a time, with the source kel had read for it, the
// command and what it does, the machine after it ran, and the code store so far. It draws the
// steps web/worker.js worked out; the page is told of every move, to mark the editor and the
// trace pane to match.
import { codeSize } from './facts.js';

const el = (tag, props = {}, ...children) => {
  const e = Object.assign(document.createElement(tag), props);
  e.append(...children);
  return e;
};
const hex = (bytes) => Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');
const testid = (id) => `[data-testid="${id}"]`;

// root holds the view's elements (index.html); onMove(step, k) is called at every move, with
// step null when there is none; onClose(byReader) when it closes, byReader true when the reader
// closed it.
export function createStepView(root, { onMove, onClose }) {
  const $ = (id) => root.querySelector(testid(id));
  const slider = $('step-slider');
  let run = null; // { steps, diagnostic, sourceText(from, to) }
  let at = 0;

  function codeStore(k) {
    const box = $('codestore');
    const bytes = box.querySelector('.bytes');
    bytes.replaceChildren();
    for (let i = 0; i < k; i++) {
      const s = run.steps[i];
      const appended = s.bytes.subarray(0, s.codeTo - s.codeFrom);
      const cmd = el('span', { className: 'cmd', title: `${s.pos}: ${s.command.replace(/^\d+:\s+/, '')}` }, hex(appended));
      if (i === k - 1) {
        cmd.classList.add('current');
        cmd.setAttribute('aria-current', 'true');
      }
      bytes.append(cmd, ' ');
    }
    const used = k > 0 ? run.steps[k - 1].codeTo : 0;
    box.querySelector('.used').textContent = `${used} / ${codeSize}`;
    bytes.querySelector('.current')?.scrollIntoView({ block: 'nearest', inline: 'nearest' });
  }

  function show(k) {
    const n = run.steps.length;
    at = Math.min(Math.max(k, n ? 1 : 0), n);
    const s = at ? run.steps[at - 1] : null;
    $('step-index').textContent = `${at} / ${n}`;
    slider.max = String(Math.max(n, 1));
    slider.value = String(at);
    slider.disabled = n < 2;
    slider.setAttribute('aria-valuetext', `command ${at} of ${n}`);
    // Marked, not disabled, at either end: a button that has the focus keeps it.
    for (const id of ['step-first', 'step-prev']) $(id).setAttribute('aria-disabled', String(at <= 1));
    for (const id of ['step-next', 'step-last']) $(id).setAttribute('aria-disabled', String(at >= n));

    const read = s ? run.sourceText(s.readFromChar, s.readToChar) : '';
    $('step-read').textContent = read;
    root.querySelector('.read-none').hidden = !s || read !== '';
    $('step-command').textContent = s ? s.command : '';
    $('step-explain').textContent = s ? s.explain : 'kel generated no command.';
    $('step-stack').replaceChildren(...(s ? s.stack : []).map((v) => el('li', {}, String(v))));
    $('step-vars').replaceChildren(...(s ? s.vars : []).map((v) => el('li', {},
      el('span', { className: 'slot' }, String(v.slot)), ' ',
      el('span', { className: 'name' }, v.name ?? '?'), ' ',
      el('span', { className: 'value' }, String(v.value)))));
    $('step-output').textContent = s ? s.output.map((l) => l + '\n').join('') : '';
    codeStore(at);

    // A diagnostic ends the steps where it happened.
    const d = run.diagnostic;
    const stopped = d && at === d.at ? d : null;
    $('step-error').hidden = !stopped;
    $('step-error').textContent = !stopped ? ''
      : s?.error ? `This command failed: ${d.text}`
      : `kel stopped after this command: ${d.text}`;
    if (stopped && at === 0) $('step-error').textContent = `kel stopped before generating a command: ${d.text}`;
    onMove(s, at);
  }

  root.addEventListener('click', (e) => {
    const id = e.target.closest('button')?.dataset.testid;
    if (id === 'step-first') show(1);
    else if (id === 'step-prev') show(at - 1);
    else if (id === 'step-next') show(at + 1);
    else if (id === 'step-last') show(run.steps.length);
    else if (id === 'step-close') close(true);
  });
  slider.addEventListener('input', () => show(Number(slider.value)));
  root.addEventListener('keydown', (e) => {
    if (e.target === slider || e.altKey || e.ctrlKey || e.metaKey) return; // the slider moves itself
    const k = { ArrowLeft: at - 1, ArrowRight: at + 1, Home: 1, End: run.steps.length }[e.key];
    if (k === undefined) {
      if (e.key === 'Escape') close(true);
      return;
    }
    e.preventDefault();
    show(k);
  });

  function close(byReader = false) {
    if (root.hidden) return;
    root.hidden = true;
    run = null;
    onClose(byReader);
  }

  return {
    // Opens the view on a run at step k (from 1).
    open(r, k = 1) {
      run = r;
      root.hidden = false;
      show(k);
    },
    close,
    get isOpen() {
      return !root.hidden;
    },
    get step() {
      return at;
    },
    focus: () => root.focus(),
  };
}
