// The instruction reference on hover and on focus: an element with data-op, a command's name as
// kel's trace gives it, shows what that command does (facts.js commandHelp), and one with
// data-term, a glossary term, its definition (glossary.js), in the one tooltip of the page,
// which describes the element while it shows. Escape hides it.
import { commandHelp } from '../core/index.js';
import { el } from './dom.js';
import { definition } from './glossary.js';

let tip = null;
let target = null;

function show(t) {
  const text = t.dataset.op ? commandHelp(t.dataset.op) : definition(t.dataset.term);
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
  // Below the element, or above it when there is no room, and always within the window.
  const r = t.getBoundingClientRect();
  const h = tip.offsetHeight;
  const top = r.bottom + 4 + h <= innerHeight ? r.bottom + 4 : Math.max(r.top - 4 - h, 0);
  tip.style.top = `${top}px`;
  tip.style.left = `${Math.max(Math.min(r.left, innerWidth - tip.offsetWidth - 4), 0)}px`;
}

function hide() {
  if (!tip || !target) return;
  tip.hidden = true;
  target.removeAttribute('aria-describedby');
  target = null;
}

// Shows the help for every element with data-op or data-term within root; before any other
// keydown listener on root, so that Escape hides the help first.
export function attachHelp(root) {
  const over = (e) => {
    const t = e.target.closest?.('[data-op], [data-term]');
    if (t && root.contains(t)) show(t);
  };
  const out = (e) => {
    const t = e.target.closest?.('[data-op], [data-term]');
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
