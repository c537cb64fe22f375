// The glossary's terms linked where the step view's words use them: words are text, and this
// finds the terms in it (glossary.js) and puts the text into an element as text, each term's
// first use in the element's group a link to its entry, with its definition on hover and focus
// (help.js). Nothing of the words is ever read as HTML.
import { el } from './dom.js';
import { glossary } from './glossary.js';

// One pattern for all terms, each its own group, in the glossary's order.
const pattern = new RegExp(glossary.map((g) => `(${g.forms.source.replace(/\((?!\?)/g, '(?:')})`).join('|'), 'gi');
const caseSensitive = glossary.map((g) => !g.forms.flags.includes('i'));

// Where a link to an entry leads: the tour's glossary, in a tab of its own from the playground
// and the embed; within the page on the tour itself (page '').
let glossaryPage = 'learn.html';
export function setGlossaryPage(page) {
  glossaryPage = page;
}

// text as nodes: strings, and a link for each term not in seen (a Set of ids, added to).
export function withTerms(text, seen) {
  const nodes = [];
  let at = 0;
  for (const m of text.matchAll(pattern)) {
    const k = m.slice(1).findIndex((g) => g !== undefined);
    const g = glossary[k];
    if (seen.has(g.id) || (caseSensitive[k] && !g.forms.test(m[0]))) continue;
    seen.add(g.id);
    if (m.index > at) nodes.push(text.slice(at, m.index));
    const away = glossaryPage ? { target: '_blank', rel: 'noopener' } : {};
    nodes.push(el('a', { className: 'term', href: `${glossaryPage}#glossary-${g.id}`, 'data-testid': 'term', 'data-term': g.id, ...away }, m[0]));
    at = m.index + m[0].length;
  }
  if (at < text.length) nodes.push(text.slice(at));
  return nodes;
}
