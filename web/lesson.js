// A lesson of the tour, from its Markdown (lessons/README.md says how a teacher writes one),
// parsed by markdown-it with raw HTML off: its title (the first "# " heading), its program (the
// first block of language kel), its exercises (blocks of language predict and task) and the
// tokens the page draws (markdown.js). It only reads: what a lesson asks for is answered by
// kel's own run (core/exercises.js). No DOM: node's tests parse every lesson with it too.
import MarkdownIt from 'markdown-it';
import { isCommand } from '../core/index.js';

// No raw HTML, no images (a lesson from a link fetches nothing), no links made from bare text.
const md = new MarkdownIt({ html: false, linkify: false, typographer: false }).disable('image');

export const maxLesson = 64 << 10; // a lesson from a link holds at most 64 KiB of Markdown

// A fenced block's language: the first word of its info string.
export const language = (token) => token.info.trim().split(/\s+/)[0];

// The exercise a predict block asks: "steps: 3, 4, 5", command numbers from 1.
function predict(body) {
  const m = /^\s*steps\s*:\s*(\d+(?:\s*,\s*\d+)*)\s*$/.exec(body);
  if (!m) return { problem: 'a predict block holds one line, steps: and command numbers, as in steps: 3, 4, 5' };
  const steps = m[1].split(',').map(Number);
  if (steps.some((k) => k < 1)) return { problem: 'command numbers count from 1' };
  return { kind: 'predict', steps };
}

// The exercise a task block asks: lines "writes: 12 | 13", "generates: Bus", "avoids: Add",
// "status: 0"; generates and avoids may repeat.
function task(body) {
  const t = { kind: 'task', writes: undefined, generates: [], avoids: [], status: undefined };
  for (const line of body.split('\n')) {
    if (line.trim() === '') continue;
    const m = /^\s*(writes|generates|avoids|status)\s*:\s*(.*?)\s*$/.exec(line);
    if (!m) return { problem: `a task block's lines are writes:, generates:, avoids: or status:, not ${line.trim()}` };
    const [, key, value] = m;
    if (key === 'writes') {
      t.writes = value === '' ? [] : value.split('|').map((l) => l.trim());
    } else if (key === 'status') {
      if (!/^\d+$/.test(value)) return { problem: `status: takes an exit status, a number, not ${value}` };
      t.status = Number(value);
    } else if (!isCommand(value)) {
      return { problem: `${key}: takes a command as the trace writes it (Bus, Val 5, Lod), not ${value}` };
    } else {
      t[key].push(value);
    }
  }
  if (t.writes === undefined && t.status === undefined && !t.generates.length && !t.avoids.length) {
    return { problem: 'a task block asks for at least one of writes:, generates:, avoids:, status:' };
  }
  return t;
}

const readers = { predict, task };

// The words of prose: every word of text outside code blocks, the title's too.
function proseWords(tokens) {
  let n = 0;
  for (const t of tokens) {
    if (t.type !== 'inline') continue;
    for (const c of t.children) if (c.type === 'text' || c.type === 'code_inline') n += c.content.split(/\s+/).filter(Boolean).length;
  }
  return n;
}

// The lesson in markdown: { title, program, exercises, tokens, words, problems }. title is the
// text of the first "# " heading (null without one); program the first kel block's text (null
// without one); exercises, in order, { kind: 'predict', steps } or { kind: 'task', writes,
// generates, avoids, status }, each block's token having meta.exercise, its index, and a block
// that does not read as its kind { kind: 'problem', problem }; words, the prose's words;
// problems, what a teacher should mend, in words.
export function parseLesson(markdown) {
  const tokens = md.parse(markdown, {});
  let title = null;
  let program = null;
  const exercises = [];
  const problems = [];
  tokens.forEach((t, i) => {
    if (title === null && t.type === 'heading_open' && t.tag === 'h1') title = tokens[i + 1].content;
    if (t.type !== 'fence') return;
    const lang = language(t);
    if (lang === 'kel' && program === null) program = t.content;
    const read = readers[lang];
    if (!read) return;
    const e = read(t.content);
    t.meta = { exercise: exercises.length };
    if (e.problem) problems.push(`Exercise ${exercises.length + 1}: ${e.problem}.`);
    exercises.push(e.problem ? { kind: 'problem', problem: e.problem } : e);
  });
  if (title === null) problems.push('The lesson has no title: its first heading "# " gives it one.');
  if (program === null && exercises.some((e) => e.kind === 'predict')) {
    problems.push('A predict exercise asks about the lesson\'s program, and the lesson has none: a block of language kel.');
  }
  return { title, program, exercises, tokens, words: proseWords(tokens), problems };
}
