// What the page's modules share in the DOM: making an element, putting the step view's parts of
// text (core/words.js) into one as text, never as HTML, and scrolling a pane to a child without
// moving the page.

// An element with properties, attributes (names with a "-": aria-label, data-testid) and
// children.
export function el(tag, props = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(props)) {
    if (k.includes('-')) e.setAttribute(k, v);
    else e[k] = v;
  }
  e.append(...children);
  return e;
}

// parts: strings, { skipped } (text left out, "… 4,094 lines …"), { code } (a token) and
// { ahead } (the character kel looked at past a token, not yet a token itself); text(s) gives
// the nodes for a string of words (terms.js links terms in it), the string itself by default.
export function showParts(node, parts, text = (s) => [s]) {
  node.replaceChildren(...parts.flatMap((p) => {
    if (typeof p === 'string') return text(p);
    if (p.skipped) return el('span', { className: 'skipped' }, p.skipped);
    if (p.code !== undefined) return el('code', {}, p.code);
    return el('code', { className: 'ahead', title: 'looked at, not yet a token' }, p.ahead);
  }));
}

// Scrolls pane so that child is in view, within pane only; a child out of view goes to the
// middle.
export function scrollWithin(pane, child) {
  const p = pane.getBoundingClientRect();
  const c = child.getBoundingClientRect();
  if (c.top >= p.top && c.bottom <= p.bottom && c.left >= p.left && c.right <= p.right) return;
  if (c.top < p.top || c.bottom > p.bottom) pane.scrollTop += c.top - p.top - (pane.clientHeight - c.height) / 2;
  if (c.left < p.left || c.right > p.right) pane.scrollLeft += c.left - p.left - (pane.clientWidth - c.width) / 2;
}
