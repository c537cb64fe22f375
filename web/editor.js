// The program editor: CodeMirror with kel's language, the diagnostic of the last run as a lint
// mark, and the source kel had read for the command shown in the step view.
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { EditorSelection, EditorState, StateEffect, StateField, Transaction } from '@codemirror/state';
import {
  Decoration, EditorView, drawSelection, highlightActiveLine, highlightSpecialChars, keymap, lineNumbers,
} from '@codemirror/view';
import { setDiagnostics } from '@codemirror/lint';
import { kel, kelHighlight } from './lang.js';

// A mark over a range of the text, set again by each effect (null clears it).
function markField(attributes) {
  const set = StateEffect.define();
  const field = StateField.define({
    create: () => Decoration.none,
    update(deco, tr) {
      deco = deco.map(tr.changes);
      for (const e of tr.effects) {
        if (e.is(set)) {
          deco = e.value && e.value.to > e.value.from
            ? Decoration.set([Decoration.mark({ attributes: { ...attributes, ...e.value.attributes } }).range(e.value.from, e.value.to)])
            : Decoration.none;
        }
      }
      return deco;
    },
    provide: (f) => EditorView.decorations.from(f),
  });
  return { set, field };
}

const diagnosticMark = markField({ 'data-testid': 'mark', class: 'kel-mark' });
const readMark = markField({ 'data-testid': 'read', class: 'kel-read' });

// Makes the editor in parent. onChange(typed) follows every change, after its update, typed
// false for a text set by the page; onRun() is Ctrl/Cmd+Enter.
export function createEditor(parent, { onChange, onRun }) {
  let quiet = false;
  const view = new EditorView({
    parent,
    state: EditorState.create({
      extensions: [
        // Only a line feed starts a line in kel; a CR stays in the text, as kel reads it.
        EditorState.lineSeparator.of('\n'),
        lineNumbers(),
        highlightSpecialChars(),
        history(),
        drawSelection(),
        highlightActiveLine(),
        kel,
        kelHighlight,
        diagnosticMark.field,
        readMark.field,
        keymap.of([...defaultKeymap, ...historyKeymap]),
        EditorView.contentAttributes.of({
          'data-testid': 'source', 'aria-label': 'Program source', 'aria-describedby': 'status',
          spellcheck: 'false', autocapitalize: 'off', autocorrect: 'off',
        }),
        EditorView.updateListener.of((u) => {
          const typed = !quiet;
          if (u.docChanged) queueMicrotask(() => onChange(typed));
        }),
      ],
    }),
  });
  // Ctrl/Cmd+Enter runs, and is taken before the editor sees it, so that it never also starts a
  // new line.
  parent.addEventListener('keydown', (e) => {
    if (e.key !== 'Enter' || !(e.ctrlKey || e.metaKey)) return;
    e.preventDefault();
    e.stopPropagation();
    onRun();
  }, { capture: true });
  // A region that scrolls is reachable by keyboard.
  view.scrollDOM.tabIndex = 0;
  view.scrollDOM.setAttribute('aria-label', 'Program source, scrolled');

  return {
    view,
    text: () => view.state.doc.toString(),
    // Puts text in place of the editor's in pieces, one task each, so that a program of
    // megabytes never holds up the page; resolves when all of it is in. The first piece is
    // small: the editor's first drawing of a text costs the most.
    async setText(text) {
      let from = 0;
      do {
        let to = Math.min(from + (from ? 1 << 18 : 1 << 14), text.length);
        const lf = text.lastIndexOf('\n', to);
        if (to < text.length && lf > from) to = lf + 1;
        else if (to < text.length && /[\ud800-\udbff]/.test(text[to - 1])) to--; // not inside a pair
        quiet = true;
        try {
          view.dispatch({
            changes: from === 0 ? { from: 0, to: view.state.doc.length, insert: text.slice(0, to) } : { from, insert: text.slice(from, to) },
            selection: from === 0 ? { anchor: 0 } : undefined,
            annotations: Transaction.addToHistory.of(false),
          });
        } finally {
          quiet = false;
        }
        from = to;
        if (from < text.length) await new Promise((resolve) => setTimeout(resolve));
      } while (from < text.length);
    },
    // d = { from, to, message, line, col } in editor positions, or null.
    setDiagnostic(d) {
      const effects = [diagnosticMark.set.of(d && {
        from: d.from, to: d.to, attributes: { 'data-line': String(d.line), ...(d.col ? { 'data-column': String(d.col) } : {}) },
      })];
      view.dispatch(setDiagnostics(view.state, d ? [{ from: d.from, to: d.to, severity: 'error', message: d.message }] : []), { effects });
    },
    // The source kel had read, from..to in editor positions, or null.
    showRead(range) {
      const effects = [readMark.set.of(range)];
      if (range) effects.push(EditorView.scrollIntoView(range.to > range.from ? range.to - 1 : range.from, { y: 'nearest' }));
      view.dispatch({ effects });
    },
    // The position of kel's line l (from 1), kept within the text.
    lineRange(l) {
      const doc = view.state.doc;
      return doc.line(Math.min(Math.max(l, 1), doc.lines));
    },
    goTo(l) {
      const line = this.lineRange(l);
      view.dispatch({ selection: EditorSelection.cursor(line.from), effects: EditorView.scrollIntoView(line.from, { y: 'center' }) });
      view.focus();
    },
    charAt: (pos) => view.state.doc.sliceString(pos, pos + 2),
    length: () => view.state.doc.length,
  };
}
