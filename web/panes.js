// The panes of what kel wrote: its standard output, its error output (the generation trace and
// diagnostics), and both in the order written, as a terminal shows them. Before each line stands
// the source line kel had read when it wrote it, a link that goes there. A trace line is a link
// to its step in the step view, with what its command does on hover and on focus, as the trace's
// header and a diagnostic say what they mean; the trace pane marks the row of the step shown, and
// the output pane the lines written so far.
import { traceHeader } from '../core/index.js';
import { el, scrollWithin } from './dom.js';
import { diagnosticHelp, traceHeaderHelp } from './glosses.js';
import { attachHelp } from './help.js';

// panes: the three elements { stdout, stderr, terminal } (the tour has no terminal), and note, the element that says how
// much of the output the step shown has written; onGoTo(line) when a line number is chosen,
// onStep(k) when a trace line is.
export function createPanes(panes, { onGoTo, onStep }) {
  const { stdout, stderr, terminal, note } = panes;

  function show(pane, rows, links) {
    pane.replaceChildren(...rows.map((r) => {
      // The line number is drawn by the style sheet, so that a pane's text is kel's text alone.
      const ln = r.from > 0
        ? el('a', { className: 'ln', href: '#', 'data-line': r.from, 'aria-label': `source line ${r.from}` })
        : el('span', { className: 'ln' });
      const help = links && (r.text === traceHeader ? traceHeaderHelp : r.op ? null : diagnosticHelp(r.text));
      let text = r.text;
      if (links && r.step) text = el('a', { className: 'to-step', href: '#', 'data-step': r.step, ...(r.op ? { 'data-op': r.op } : help && { 'data-help': help }) }, r.text);
      else if (help) text = el('span', { tabIndex: 0, 'data-help': help }, r.text);
      return el('span', { className: r.fd === 2 ? 'row err' : 'row' }, ln, text, '\n');
    }));
  }

  for (const pane of [stdout, stderr, terminal].filter(Boolean)) {
    pane.addEventListener('click', (e) => {
      const a = e.target.closest('a');
      if (!a) return;
      e.preventDefault();
      if (a.dataset.line) onGoTo(Number(a.dataset.line));
      else if (a.dataset.step) onStep(Number(a.dataset.step));
    });
  }
  attachHelp(stderr);

  return {
    // rows: what web/worker.js made of kel's lines, { fd, text, from, step, op }.
    show(rows) {
      show(stdout, rows.filter((r) => r.fd === 1));
      show(stderr, rows.filter((r) => r.fd === 2), true);
      if (terminal) show(terminal, rows);
      this.markWritten(-1);
    },
    // Marks the trace pane's row i (from 0), or none for -1.
    markTraceRow(i) {
      stderr.querySelector('.current')?.classList.remove('current');
      const row = stderr.children[i];
      if (!row) return;
      row.classList.add('current');
      scrollWithin(stderr, row);
    },
    // Marks the output's first n lines as written so far, and the rest as not yet; all of them
    // for -1.
    markWritten(n) {
      const rows = stdout.children;
      for (let i = 0; i < rows.length; i++) rows[i].classList.toggle('later', n >= 0 && i >= n);
      note.hidden = n < 0;
      const lines = rows.length === 1 ? 'line' : 'lines';
      note.textContent = n < 0 ? '' : `Written at this step: ${n} of the ${rows.length} ${lines} below; those not yet written come at later steps, shown faint and marked “not yet written”.`;
    },
  };
}
