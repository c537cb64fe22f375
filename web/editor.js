// The program editor: CodeMirror with kel's language, the diagnostic of the last run as a lint
// mark, and what the step view shows of a step: the source kel had read for it (faint), its
// origin (strong) and the character kel had looked at past its token.
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { Compartment, EditorSelection, EditorState, StateEffect, StateField, Transaction } from '@codemirror/state';
import {
  Decoration, EditorView, WidgetType, drawSelection, highlightActiveLine, highlightSpecialChars, keymap, lineNumbers,
} from '@codemirror/view';
import { setDiagnostics } from '@codemirror/lint';
import { kel, kelHighlight } from './lang.js';

// Marks over ranges of the text, set again by each effect: an array of { from, to, attributes }
// (an empty range at the end of the text is a widget there, so that it can be seen).
function marksField() {
  const set = StateEffect.define();
  const field = StateField.define({
    create: () => Decoration.none,
    update(deco, tr) {
      deco = deco.map(tr.changes);
      for (const e of tr.effects) {
        if (!e.is(set)) continue;
        const ranges = e.value.filter((m) => m.to > m.from || m.widget).sort((a, b) => a.from - b.from);
        deco = Decoration.set(ranges.map((m) => (m.widget
          ? Decoration.widget({ widget: new EndMark(m.attributes), side: 1 }).range(m.from)
          : Decoration.mark({ attributes: m.attributes }).range(m.from, m.to))), true);
      }
      return deco;
    },
    provide: (f) => EditorView.decorations.from(f),
  });
  return { set, field };
}

// The mark of an error at the end of the text, where there is no character to mark.
class EndMark extends WidgetType {
  constructor(attributes) {
    super();
    this.attributes = attributes;
  }

  eq(other) {
    return JSON.stringify(other.attributes) === JSON.stringify(this.attributes);
  }

  toDOM() {
    const e = document.createElement('span');
    for (const [k, v] of Object.entries(this.attributes)) e.setAttribute(k, v);
    e.textContent = 'end of text';
    return e;
  }
}

const diagnosticMark = marksField();
const stepMarks = marksField();

// Lines wrap, but not while a line is longer than this: a line of megabytes costs seconds to
// draw wrapped, and shows no more.
const wrapLimit = 10000;

// Whether the lines of doc from..to (all of them by default) hold one longer than wrapLimit.
function longLine(doc, from = 0, to = doc.length) {
  let length = 0;
  for (const it = doc.iterRange(doc.lineAt(from).from, doc.lineAt(to).to); !it.next().done; ) {
    if (it.lineBreak) length = 0;
    else if ((length += it.value.length) > wrapLimit) return true;
  }
  return false;
}

// Whether lines wrap after update u, given whether they wrapped before it. Only the changed lines
// can have become too long. All of them may have become short, but only by a change that takes
// text away or breaks a line: typing into a long line (of megabytes, perhaps) needs no look at
// the rest.
function wrapsAfter(u, wrapped) {
  let long = false;
  if (wrapped) {
    u.changes.iterChangedRanges((fa, ta, from, to) => (long ||= longLine(u.state.doc, from, to)));
  } else {
    let shorter = false;
    u.changes.iterChanges((fa, ta, fb, tb, text) => (shorter ||= ta > fa || text.lines > 1));
    long = !shorter || longLine(u.state.doc);
  }
  return !long;
}

// Scrolls the editor, and it alone, so that position pos is in view, a third of the way down
// when it was not. Measured where pos is drawn: CodeMirror's own measuring is not open during an
// update.
function scrollWithinEditor(v, pos) {
  const { node, offset } = v.domAtPos(pos);
  const at = document.createRange();
  at.setStart(node, offset);
  const r = at.getClientRects()[0] ?? (node.nodeType === 1 ? node : node.parentElement).getBoundingClientRect();
  const box = v.scrollDOM.getBoundingClientRect();
  if (r && (r.top < box.top || r.bottom > box.bottom)) v.scrollDOM.scrollTop += r.top - box.top - v.scrollDOM.clientHeight / 3;
}

// Ctrl/Cmd+Enter within parent runs: taken before the editor sees it, so that it never also starts
// a new line.
function runOnCtrlEnter(parent, onRun) {
  parent.addEventListener('keydown', (e) => {
    if (e.key !== 'Enter' || !(e.ctrlKey || e.metaKey)) return;
    e.preventDefault();
    e.stopPropagation();
    onRun();
  }, { capture: true });
}

// Where setText's piece of text that starts at from ends: at a line's end where there is one,
// and never inside a surrogate pair. The first piece is small: the editor's first drawing of a
// text costs the most.
function pieceEnd(text, from) {
  const to = Math.min(from + (from ? 1 << 18 : 1 << 14), text.length);
  const lf = text.lastIndexOf('\n', to);
  if (to < text.length && lf > from) return lf + 1;
  if (to < text.length && /[\ud800-\udbff]/.test(text[to - 1])) return to - 1;
  return to;
}

// Makes the editor in parent. onChange(typed) follows every change, after its update, typed
// false for a text set by the page; onRun() is Ctrl/Cmd+Enter; onLineNumber(line, from) is a
// click on the number of kel's line line, which starts at from, and returns whether it was
// taken. readOnly makes an editor that shows a program and takes no typing (the embed).
export function createEditor(parent, { onChange = () => {}, onRun = () => {}, onLineNumber = () => false, readOnly = false }) {
  let quiet = false;
  let version = 0;
  let stepAt = -1; // where showStep scrolls to, within the editor alone
  const wrapping = new Compartment();
  let wrapped = true;
  const view = new EditorView({
    parent,
    state: EditorState.create({
      extensions: [
        // Only a line feed starts a line in kel; a CR stays in the text, as kel reads it.
        EditorState.lineSeparator.of('\n'),
        lineNumbers({
          domEventHandlers: {
            mousedown: (v, line) => onLineNumber(v.state.doc.lineAt(line.from).number, line.from),
          },
        }),
        highlightSpecialChars(),
        wrapping.of(EditorView.lineWrapping),
        ...(readOnly ? [EditorState.readOnly.of(true), EditorView.editable.of(false)] : [history(), drawSelection(), highlightActiveLine()]),
        kel,
        kelHighlight,
        diagnosticMark.field,
        stepMarks.field,
        keymap.of([...defaultKeymap, ...(readOnly ? [] : historyKeymap)]),
        EditorView.contentAttributes.of({
          'data-testid': 'source', 'aria-label': 'Program source', 'aria-describedby': 'status',
          spellcheck: 'false', autocapitalize: 'off', autocorrect: 'off',
        }),
        // Scrolled to in the same update as the marks are drawn, so that a jump of megabytes is
        // drawn once; and within the editor only, so that the page stays where the reader is.
        EditorView.scrollHandler.of((v, range) => {
          if (range.head !== stepAt) return false;
          stepAt = -1;
          scrollWithinEditor(v, range.head);
          return true;
        }),
        EditorView.updateListener.of((u) => {
          if (!u.docChanged) return;
          version++;
          const wraps = wrapsAfter(u, wrapped);
          if (wraps !== wrapped) {
            wrapped = wraps;
            queueMicrotask(() => view.dispatch({ effects: wrapping.reconfigure(wrapped ? EditorView.lineWrapping : []) }));
          }
          const typed = !quiet;
          queueMicrotask(() => onChange(typed));
        }),
      ],
    }),
  });
  if (!readOnly) runOnCtrlEnter(parent, onRun);
  // A region that scrolls is reachable by keyboard.
  view.scrollDOM.tabIndex = 0;
  view.scrollDOM.setAttribute('aria-label', 'Program source, scrolled');

  return {
    text: () => view.state.doc.toString(),
    // Counts the changes of the text: the same version, the same text.
    get version() {
      return version;
    },
    // Puts text in place of the editor's in pieces (pieceEnd), one task each, so that a program
    // of megabytes never holds up the page; resolves when all of it is in.
    async setText(text) {
      let from = 0;
      do {
        const to = pieceEnd(text, from);
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
    // The mark of a run's diagnostic d (web/result.js), or none for null: on the text d.mark is
    // about (core/diagnostic.js decides it), an empty one at the end of the text.
    showDiagnostic(d) {
      const end = view.state.doc.length;
      const m = d?.mark && { ...d.mark, from: Math.min(d.mark.from, end), to: Math.min(d.mark.to, end) };
      const attributes = m && {
        'data-testid': 'mark', class: m.to > m.from ? 'kel-mark' : 'kel-mark kel-end', 'data-line': String(m.line),
        ...(m.col ? { 'data-column': String(m.col) } : {}),
      };
      view.dispatch(
        setDiagnostics(view.state, m ? [{ from: m.from, to: m.to, severity: 'error', message: d.text }] : []),
        { effects: diagnosticMark.set.of(m ? [{ from: m.from, to: m.to, widget: m.to === m.from, attributes }] : []) },
      );
    },
    // What the step view shows of step s (web/worker.js), or nothing for null: the source read,
    // the origin, the character looked at past the token; the origin is scrolled into view, else
    // the end of what was read, unless scroll is false (the reader is at work elsewhere in it).
    showStep(s, { scroll = true } = {}) {
      const mark = (range, name) => range && { from: range.from, to: range.to, attributes: { 'data-testid': name, class: `kel-${name}` } };
      const marks = s ? [mark(s.read, 'read'), mark(s.origin, 'origin'), mark(s.ahead, 'ahead')].filter(Boolean) : [];
      const effects = [stepMarks.set.of(marks)];
      if (s && scroll) {
        stepAt = s.origin ? s.origin.from : Math.max(s.read.to - 1, s.read.from);
        effects.push(EditorView.scrollIntoView(stepAt));
      }
      view.dispatch({ effects });
    },
    // The cursor to the start of line l, kept within the text, in the middle of the view.
    goTo(l) {
      const doc = view.state.doc;
      const line = doc.line(Math.min(Math.max(l, 1), doc.lines));
      view.dispatch({ selection: EditorSelection.cursor(line.from), effects: EditorView.scrollIntoView(line.from, { y: 'center' }) });
      view.focus();
    },
  };
}
