// What the step view says of a run (web/result.js, in words by core/words.js) against kel.wasm
// itself. For every example and every end-to-end case that gives kel nothing but standard input
// (inputs.mjs): every step has an origin; a WRITE's words name the line kel wrote; a Boolean
// result on the stack is TRUE or FALSE; the text read for a step, shortened or not, begins and
// ends as the source read does, and a shortened one leaves out as many lines as it says. Then
// the shortening at its edges.
//   node --test-reporter=tap tests/web/words.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { excerpt, operation } from '../../core/index.js';
import { result } from '../../web/result.js';
import { caseFiles, caseInputs, example, examples, kel } from './inputs.mjs';

const dec = new TextDecoder('utf-8', { ignoreBOM: true }); // as the editor holds the text
const lineFeeds = (s) => s.split('\n').length - 1;

async function agrees(input) {
  const r = await result(kel, input);
  const source = dec.decode(input);
  const written = r.rows.filter((row) => row.fd === 1).map((row) => row.text);
  for (const s of r.steps) {
    const what = `step ${s.index}, ${s.command}`;
    assert.ok(s.origin, `${what}: an origin`);
    if ((s.name === 'Wrt' || s.name === 'WrB') && !s.error) assert.ok(s.explain.startsWith(`Pop ${written[s.output.length - 1]} and write it`), what);
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
  for (const file of caseFiles) {
    for (const [i, input] of caseInputs(file).entries()) {
      await agrees(input).catch((e) => {
        e.message = `${file} input ${i} (${JSON.stringify(dec.decode(input.subarray(0, 80)))}): ${e.message}`;
        throw e;
      });
    }
  }
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
