// The keys of the step view, taken anywhere on the page from the moment it opens, with no click
// first, but where the reader types (the editor, a field, a menu, a checkbox), and the one panel
// that lists them, which ? shows anywhere. Space plays and pauses wherever it is taken: it never
// presses the button last clicked again. In an embed, the keys a slide deck needs (Page Up, Page
// Down) are handed to the deck around it.
import { el } from './dom.js';
import { isLarge, setLarge } from './appearance.js';

const keys = [
  ['← →', 'the previous or the next command'],
  ['Home End', 'the first or the last command'],
  ['Space', 'play or pause'],
  ['+ −', 'play faster or slower'],
  ['L', 'large type, or normal type again'],
  ['P', 'predict mode: each Next asks for the command first'],
  ['?', 'show or hide these keys'],
  ['Esc', 'hide these keys, or close the step view'],
];

let panel = null;
const buttons = []; // the buttons that show the panel, told whether it is shown

function keysPanel() {
  panel ??= document.body.appendChild(el('section', { id: 'step-keys', className: 'step-keys', hidden: true, 'aria-labelledby': 'step-keys-title', 'data-testid': 'step-keys' },
    el('h2', { id: 'step-keys-title' }, 'Keys of the step view'),
    el('dl', {}, ...keys.flatMap(([k, what]) => [el('dt', {}, el('kbd', {}, k)), el('dd', {}, what)]))));
  return panel;
}

// Shows the panel of keys, or hides it; toggles it without open.
function toggleKeys(open = keysPanel().hidden) {
  keysPanel().hidden = !open;
  for (const b of buttons) b.setAttribute('aria-expanded', String(open));
}

const keysShown = () => panel !== null && !panel.hidden;

// button shows and hides the panel.
export function keysButton(button) {
  keysPanel();
  buttons.push(button);
  button.setAttribute('aria-controls', 'step-keys');
  button.addEventListener('click', () => toggleKeys());
}

// Where keys are the reader's own: typing, a slider's and a menu's arrows, a checkbox's Space.
const ownKeys = (t) => t.closest?.('input, textarea, select, [contenteditable="true"]');

// Hands Page Up or Page Down to the page around the embed, the deck, and the focus with it, so
// that the deck's next keys reach it directly: as a key to a deck of the same site, else as a
// message ({ kel: 'key', key }), since no page may send keys to one of another site.
function toDeck(e) {
  e.preventDefault();
  document.activeElement?.blur();
  try {
    const doc = window.parent.document;
    (doc.activeElement ?? doc.body).dispatchEvent(new KeyboardEvent('keydown', { key: e.key, code: e.code, bubbles: true, cancelable: true }));
  } catch {
    window.parent.postMessage({ kel: 'key', key: e.key }, '*');
  }
  window.parent.focus();
}

// Takes the keys for steps, the step view (web/step.js). open(k, play) opens it when it is
// closed: the first step for → Home and Space (then playing), the last for End; without it, the
// view's keys wait for the view. embed: the page is an embed.
export function listenKeys(steps, { open = null, embed = false } = {}) {
  let spaceTaken = false;
  const closed = { ArrowRight: [1], Home: [1], End: [Infinity], ' ': [1, true] };

  function act(key) {
    if (key === '?') toggleKeys();
    else if (key === 'Escape' && keysShown()) toggleKeys(false);
    else if (key === 'l' || key === 'L') setLarge(!isLarge());
    else if (!steps.isOpen) {
      if (!open || !(key in closed) || document.activeElement !== document.body) return false;
      open(...closed[key]);
    } else {
      const moves = { ArrowLeft: steps.step - 1, ArrowRight: steps.step + 1, Home: 1, End: steps.steps.length };
      if (key in moves) steps.go(moves[key]);
      else if (key === ' ') steps.playPause();
      else if (key === '+') steps.faster(1);
      else if (key === '-') steps.faster(-1);
      else if (key === 'p' || key === 'P') steps.predict();
      else if (key === 'Escape' && steps.closable) steps.close(true);
      else return false;
    }
    return true;
  }

  document.addEventListener('keydown', (e) => {
    spaceTaken = false;
    if (e.defaultPrevented || e.altKey || e.ctrlKey || e.metaKey) return;
    if (embed && window.parent !== window && (e.key === 'PageUp' || e.key === 'PageDown')) return toDeck(e);
    if (ownKeys(e.target) || !act(e.key)) return;
    e.preventDefault();
    spaceTaken = e.key === ' ';
  });
  // A browser presses a button that has the focus when Space comes up.
  document.addEventListener('keyup', (e) => {
    if (e.key === ' ' && spaceTaken) e.preventDefault();
  });
}
