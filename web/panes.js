// The panes of what kel wrote: its standard output, its error output (the generation trace and
// diagnostics), and both in the order written, as a terminal shows them. Before each line stands
// the source line kel had read when it wrote it, a link that goes there; the trace pane marks the
// row of the command the step view shows.

// panes: the three elements { stdout, stderr, terminal }; onGoTo(line) when a line number is
// chosen.
export function createPanes(panes, { onGoTo }) {
  const { stdout, stderr, terminal } = panes;

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

  for (const pane of [stdout, stderr, terminal]) {
    pane.addEventListener('click', (e) => {
      const a = e.target.closest('a[data-line]');
      if (!a) return;
      e.preventDefault();
      onGoTo(Number(a.dataset.line));
    });
  }

  return {
    // rows: what web/worker.js made of kel's lines, { fd, text, from }.
    show(rows) {
      show(stdout, rows.filter((r) => r.fd === 1));
      show(stderr, rows.filter((r) => r.fd === 2));
      show(terminal, rows);
    },
    // Marks the trace pane's row i (from 0), or none for -1.
    markTraceRow(i) {
      stderr.querySelector('.current')?.classList.remove('current');
      const row = stderr.children[i];
      if (!row) return;
      row.classList.add('current');
      // Scrolled within the pane only, not the page.
      if (row.offsetTop < stderr.scrollTop || row.offsetTop + row.offsetHeight > stderr.scrollTop + stderr.clientHeight) {
        stderr.scrollTop = row.offsetTop - stderr.clientHeight / 2;
      }
    },
  };
}
