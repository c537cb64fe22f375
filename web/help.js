// Help on hover and on focus, in the one tooltip of the page, which describes the element while
// it shows: an element with data-help shows that text; one with data-op, a command's name as
// kel's trace gives it, shows what that command does (facts.js commandHelp); one with data-term,
// a glossary term, its definition (glossary.js). The tooltip stands beside the element, or above
// it, so that it does not cover the words below it. Escape hides it.
import { commandHelp } from '../core/index.js';
import { el } from './dom.js';
import { definition } from './glossary.js';

const helped = '[data-help], [data-op], [data-term]';
let tip = null;
let target = null;

function show(t) {
  const text = t.dataset.help ?? (t.dataset.op ? commandHelp(t.dataset.op) : definition(t.dataset.term));
  if (!text) return;
  if (!tip) {
    tip = document.body.appendChild(el('div', { id: 'op-help', className: 'op-help', role: 'tooltip', hidden: true }));
    tip.addEventListener('mouseleave', (e) => target?.contains(e.relatedTarget) || hide());
  }
  target?.removeAttribute('aria-describedby');
  target = t;
  tip.textContent = text;
  tip.hidden = false;
  t.setAttribute('aria-describedby', 'op-help');
  place(t.getBoundingClientRect());
}

// To the right of the element r, its foot level with r's, where the tooltip fits; else above r,
// else below it; always within the window.
function place(r) {
  const w = tip.offsetWidth;
  const h = tip.offsetHeight;
  const gap = 6;
  let left = r.right + gap;
  let top = r.bottom - h;
  if (left + w > innerWidth - 4 || top < 0) {
    left = r.left;
    top = r.top - gap - h >= 0 ? r.top - gap - h : r.bottom + gap;
  }
  tip.style.top = `${Math.max(Math.min(top, innerHeight - h - 4), 0)}px`;
  tip.style.left = `${Math.max(Math.min(left, innerWidth - w - 4), 0)}px`;
}

function hide() {
  if (!tip || !target) return;
  tip.hidden = true;
  target.removeAttribute('aria-describedby');
  target = null;
}

// Shows the help for every element with data-help, data-op or data-term within root; before any
// other keydown listener on root, so that Escape hides the help first.
export function attachHelp(root) {
  const over = (e) => {
    const t = e.target.closest?.(helped);
    if (t && root.contains(t)) show(t);
  };
  const out = (e) => {
    const t = e.target.closest?.(helped);
    if (t && t === target && !t.contains(e.relatedTarget) && !tip.contains(e.relatedTarget)) hide();
  };
  root.addEventListener('mouseover', over);
  root.addEventListener('focusin', over);
  root.addEventListener('mouseout', out);
  root.addEventListener('focusout', out);
  root.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && target) {
      hide();
      e.stopImmediatePropagation(); // it closes no more than the help
    }
  });
}
