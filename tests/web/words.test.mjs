// What the step view says of a run (web/result.js, in words by core/words.js) against kel.wasm
// itself. For every example and every end-to-end case that gives kel nothing but standard input
// (inputs.mjs): every step has an origin; a WRITE's words name the line kel wrote; a Boolean
// result on the stack is TRUE or FALSE; the text read for a step, shortened or not, begins and
// ends as the source read does, and a shortened one leaves out as many lines as it says. Then
// the shortening at its edges, and a table of what the words say of programs a student tried.
//   node --test-reporter=tap tests/web/words.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { excerpt, operation } from '../../core/index.js';
import { result } from '../../web/result.js';
import { caseFiles, eachInput, example, examples, kel } from './inputs.mjs';

const dec = new TextDecoder('utf-8', { ignoreBOM: true }); // as the editor holds the text
const lineFeeds = (s) => s.split('\n').length - 1;

async function agrees(input) {
  const r = await result(kel, input);
  const source = dec.decode(input);
  const written = r.rows.filter((row) => row.fd === 1).map((row) => row.text);
  for (const s of r.steps) {
    const what = `step ${s.index}, ${s.command}`;
    assert.ok(s.origin, `${what}: an origin`);
    if ((s.name === 'Wrt' || s.name === 'WrB') && !s.error) assert.match(s.explain, new RegExp(`^Pop ${written[s.output.length - 1]}( \\([01]\\))? and write it`), what);
    if (operation[s.name]?.result === 'BOOLEAN' && !s.error) assert.match(s.stack.at(-1), /^(TRUE|FALSE)$/, what);
    const read = source.slice(s.read.from, s.read.to - (s.read.ahead ? 1 : 0));
    const texts = s.read.parts.filter((p) => typeof p === 'string');
    const skipped = s.read.parts.filter((p) => typeof p !== 'string').map((p) => p.skipped);
    if (skipped.length === 0) assert.equal(texts.join(''), read, what);
    else assert.ok(read.startsWith(texts[0]) && read.endsWith(texts.at(-1)), what);
    const lines = skipped.length === 1 && /^… ([\d,]+) lines …$/.exec(skipped[0]);
    if (lines) assert.equal(lineFeeds(texts[0]) + Number(lines[1].replace(/,/g, '')) + lineFeeds(texts[1]) - 1, lineFeeds(read), what);
  }
}

for (const name of examples) test(`words of example ${name}`, () => agrees(example(name)));
test('words of a source that begins with a byte-order mark', () => agrees(Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), example('variables.kel')])));

test('words of the stdin-only cases', async () => {
  for (const file of caseFiles) await eachInput(file, agrees);
});

test('a long text keeps its first two lines and last three, a long line its two ends', () => {
  const x = (n) => 'x'.repeat(n);
  const table = [
    ['', []],
    ['1\n2\n3\n4\n5\n6', ['1\n2\n3\n4\n5\n6']],
    ['1\n2\n3\n4\n5\n6\n7\n8', ['1\n2\n', { skipped: '… 3 lines …' }, '\n6\n7\n8']],
    ['1\n2\n3\n4\n5\n6\n7\n8\n', ['1\n2\n', { skipped: '… 4 lines …' }, '\n7\n8\n']],
    [x(160), [x(160)]],
    [`${x(161)}\n`, [x(60), { skipped: '… 41 characters …' }, `${x(60)}\n`]],
    [`a\n${x(2000)}`, [`a\n${x(60)}`, { skipped: '… 1,880 characters …' }, x(60)]],
  ];
  for (const [text, parts] of table) assert.deepEqual(excerpt(text), parts, JSON.stringify(text.slice(0, 20)));
});

// Each row: a program, the step (from 1; 0 for the run as a whole), a field of it, and what the
// field holds (a string, parts flattened to a string) or matches (a RegExp).
test('what the words say: Booleans, numbers as written, rounding, turned round, failures, stops, look-ahead', async () => {
  const x = 'VAR x : INTEGER;\n';
  const table = [
    ['BEGIN WRITE TRUE .', 1, 'explain', /^Push TRUE \(1\), the value of the constant TRUE: .* The machine keeps TRUE as 1 and FALSE as 0\./],
    ['BEGIN WRITE TRUE .', 2, 'explain', /^Pop TRUE \(1\) and write it as a Boolean/],
    ['BEGIN WRITE +7; WRITE 0007; WRITE 7 .', 1, 'explain', /^Push 7, the value of \+7 as written\./],
    ['BEGIN WRITE +7; WRITE 0007; WRITE 7 .', 3, 'explain', /^Push 7, the value of 0007 as written\./],
    ['BEGIN WRITE +7; WRITE 0007; WRITE 7 .', 5, 'explain', /^Push the number 7, as written\./],
    ['BEGIN WRITE (-7) / 2 + 9 / 3 .', 1, 'explain', /folded .* to -1 .* Division rounds down, towards minus infinity: -7 \/ 2 gave -4\. /],
    // The first three in the order kel folded them, parentheses too, and how many more.
    ['BEGIN WRITE 7 / 2 + (-7) / 2 * (5 / 3 / 1) + 9 / 4 .', 1, 'explain', /: 7 \/ 2 gave 3, -7 \/ 2 gave -4, 5 \/ 3 gave 1, and 1 more\. /],
    [`BEGIN WRITE (0 - 1)${' / 2'.repeat(5000)} .`, 1, 'explain', /: -1 \/ 2 gave -1, -1 \/ 2 gave -1, -1 \/ 2 gave -1, and 4,997 more\. /],
    [`${x}BEGIN x := -7; WRITE x / 2 .`, 5, 'explain', /: -7 \/ 2 gives -4, rounded down, towards minus infinity\.$/],
    [`${x}BEGIN WRITE 100 - x .`, 2, 'explain', /lies on top although it is the left operand: the next command, Bus, is - turned round\.$/],
    [`${x}BEGIN WRITE 100 - x .`, 3, 'explain', /^Bus is - turned round: .*100 - 0 gives 100\.$/],
    [`${x}BEGIN WRITE 1 + x .`, 2, 'explain', /: for the next command, Add, the order makes no difference\.$/],
    // A failed command says what it would have done, and that it did not.
    [`${x}BEGIN x := x${'+x'.repeat(145)} .`, 292, 'explain',
      /^Sto 0 would have popped 0 and stored it in x \(slot 0\), but it did not, and the assignment is not done\. The code store holds 1024 bytes.* only 4 bytes are left/],
    [`${x}BEGIN x := x${'+x'.repeat(145)} .`, 292, 'stackNote', 'Sto never ran, but would take this'],
    [`${x}BEGIN WRITE ${'x+('.repeat(31)}(1-x)${')'.repeat(31)} .`, 33, 'explain',
      /^Val 1 would have pushed the number 1, as written, but it did not\. The stack holds 32 values/],
    [`${x}BEGIN WRITE ${'x+('.repeat(31)}(1-x)${')'.repeat(31)} .`, 33, 'stackNote', 'full: Val pushed nothing'],
    [`${x}BEGIN WRITE 10 / x .`, 3, 'explain', /^Vid would have pushed the result of 10 \/ 0 \(Vid is \/ turned round: .*\), but it did not\. The divisor is 0\./],
    [`${x}BEGIN WRITE 10 / x .`, 3, 'stack', ['0', '10']],
    [`${x}BEGIN WRITE 10 / x .`, 3, 'stackNote', 'Vid failed on these'],
    [`${x}BEGIN WRITE 10 / x .`, 3, 'label', 'Command 3 of 3'],
    // A fold that failed is a step with no command, and kel had read past its origin.
    ['BEGIN WRITE 1; WRITE 2 / 0 .', 3, 'label', 'After command 2 of 2, folding failed: no command'],
    ['BEGIN WRITE 1; WRITE 2 / 0 .', 3, 'lookAhead', 'The symbol “.”. The text ends there.'],
    ['BEGIN WRITE 1; WRITE 2 / 0 .', 3, 'read.on', ' kel read on past the origin, up to “.”: only the token after an operand or an expression tells kel that it has ended.'],
    // The look-ahead, as sentences.
    [`${x}BEGIN WRITE x;\n.`, 1, 'lookAhead', 'The name “x”. To know that it had ended, kel looked at the next character, “;”, which is not yet a token.'],
    [`${x}BEGIN WRITE x;\n.`, 2, 'lookAhead', 'The symbol “;”. kel also looked at the next character, a line feed, which is not yet a token.'],
    [`${x}BEGIN WRITE x`, 2, 'lookAhead', ['The end of the text.']],
    // Where kel stopped without finishing a statement, or before any command.
    ['BEGIN WRITE 1;\nWRITE 2\n? WRITE 3 .', 0, 'unfinished',
      'The WRITE statement “WRITE 2” (line 2) was read but not finished, so none of its commands came. ' +
      'The constant “2” was still held back: kel holds a constant back until it has read far enough to know whether to fold it or push it, and it stopped before that.'],
    [`${x}BEGIN x := x + ?`, 0, 'unfinished', /^The assignment “x := x \+” \(line 2\) was read but not finished, so only its first command came, not those that finish it\.$/],
    [`CONST k = 3;\n${x}BEGIN x := k < 2 ?`, 0, 'unfinished', /The constants “k” \(3\) and “2” were still held back/],
    [`${x}BEGIN WRITE x WRITE 2 .`, 0, 'unfinished', null],
    ['BEGIN WRITE 2 ?', 0, 'none', /^kel stopped at line 1, column 15 before it generated any command\. The WRITE statement “WRITE 2” \(line 1\) was read/],
    ['BEGIN ; .', 0, 'none', 'kel generated no command: the program has only empty statements, so there was nothing to run.'],
  ];
  const flat = (v) => (Array.isArray(v) && v.some((p) => typeof p !== 'string') ? v.map((p) => (typeof p === 'string' ? p : p.code ?? p.ahead)).join('') : v);
  for (const [src, k, field, want] of table) {
    const r = await result(kel, Buffer.from(src));
    const got = flat(field.split('.').reduce((v, f) => v?.[f], k ? r.steps[k - 1] : r));
    if (want instanceof RegExp) assert.match(got, want, `${src.slice(0, 40)} step ${k} ${field}`);
    else assert.deepEqual(got, want, `${src.slice(0, 40)} step ${k} ${field}`);
  }
});
