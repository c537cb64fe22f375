// A lesson's Markdown drawn into the page from markdown-it's tokens (lesson.js), element by
// element: only the elements prose needs, their text always as text, and no attribute taken from
// the lesson but a link's address, and that only when it leads to a web page or a mail address.
// A lesson from a link is someone else's text: it can put nothing on the page that runs, loads or
// looks like the page's own controls. Fenced blocks are drawn by the caller (exercises, programs).
import { el } from './dom.js';

// Tokens that open and close an element, by markdown-it's names, and the element drawn.
const elements = new Set([
  'p', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'ul', 'ol', 'li', 'blockquote', 'em', 'strong', 's', 'a',
  'table', 'thead', 'tbody', 'tr', 'th', 'td',
]);

// The address of a link, or null when it is not one a lesson may hold: only http:, https: and
// mailto:, and addresses within the page's own site (no other scheme, so no javascript: or data:).
function safeHref(href, base) {
  let url;
  try {
    url = new URL(href, base);
  } catch {
    return null;
  }
  return ['http:', 'https:', 'mailto:'].includes(url.protocol) ? url.href : null;
}

// Draws tokens into parent. fence(token) gives the element for a fenced block (or null for
// none); a heading's level is lowered by shift (the page has its own h1).
export function drawMarkdown(parent, tokens, { fence, base, shift = 0 }) {
  const stack = [parent];
  const top = () => stack.at(-1);
  for (const t of tokens) {
    if (t.type === 'inline') {
      drawInline(top(), t.children, base);
    } else if (t.type === 'fence') {
      const e = fence(t);
      if (e) top().append(e);
    } else if (t.type === 'code_block') {
      top().append(el('pre', {}, el('code', {}, t.content)));
    } else if (t.type === 'hr') {
      top().append(el('hr'));
    } else if (t.nesting === 1 && elements.has(t.tag)) {
      const level = /^h(\d)$/.exec(t.tag);
      const tag = level ? `h${Math.min(Number(level[1]) + shift, 6)}` : t.tag;
      const e = el(tag);
      const start = t.tag === 'ol' && t.attrGet('start');
      if (start && /^\d+$/.test(start)) e.start = Number(start);
      top().append(e);
      stack.push(e);
    } else if (t.nesting === -1 && elements.has(t.tag) && stack.length > 1) {
      stack.pop();
    }
  }
}

// The inline tokens of a paragraph or heading: text, code, emphasis, links, line breaks.
function drawInline(parent, children, base) {
  const stack = [parent];
  const top = () => stack.at(-1);
  for (const c of children) {
    if (c.type === 'text') {
      top().append(c.content);
    } else if (c.type === 'code_inline') {
      top().append(el('code', {}, c.content));
    } else if (c.type === 'softbreak') {
      top().append('\n');
    } else if (c.type === 'hardbreak') {
      top().append(el('br'));
    } else if (c.type === 'link_open') {
      const href = safeHref(c.attrGet('href') ?? '', base);
      // A link to somewhere a lesson may not lead is drawn as its text alone.
      const e = href ? el('a', { href, rel: 'noopener noreferrer' }) : el('span', { className: 'no-link' });
      top().append(e);
      stack.push(e);
    } else if (c.nesting === 1 && elements.has(c.tag)) {
      const e = el(c.tag);
      top().append(e);
      stack.push(e);
    } else if (c.nesting === -1 && stack.length > 1) {
      stack.pop();
    }
  }
}
