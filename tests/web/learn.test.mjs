// The tour, learn.html, in a real browser (as browser.test.mjs drives the playground): a lesson
// done by keyboard, a wrong prediction explained, progress after a reload and its reset, a
// teacher's lesson from a link with hostile Markdown drawn inert, damaged links, the glossary and
// its links from the step view's words, predict mode's score in the playground and the embed,
// axe-core's WCAG 2 A and AA rules in light and dark with feedback shown, and a phone's width.
//   node --test-reporter=tap tests/web/learn.test.mjs
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { deflateRawSync } from 'node:zlib';
import { axe, launchChromium, root, serveSite } from './site.mjs';

const shots = new URL('build-wasm/screenshots/', root);
let browser, server, url, page;
before(async () => {
  server = await serveSite();
  url = server.url;
  browser = await launchChromium();
  page = await browser.newPage();
});
after(async () => {
  await browser?.close();
  server?.close();
});

const byId = (id, p = page) => p.getByTestId(id);
const text = (id, p = page) => byId(id, p).textContent();
const md = (s) => deflateRawSync(Buffer.from(s)).toString('base64url');

async function open(hash, p = page) {
  await p.goto('about:blank');
  await p.goto(`${url}learn.html${hash}`);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-lesson').length > 0);
}

test('the tour, linked from the playground, opens at its first lesson, with the lessons listed and the program run', async () => {
  await page.goto(url);
  await byId('tour-link').click();
  await page.waitForFunction(() => performance.getEntriesByName('kel-first-lesson').length > 0);
  const links = byId('lesson-link');
  assert.ok((await links.count()) >= 10);
  assert.equal(await links.first().textContent(), 'A program runs while it is read');
  assert.match(await text('lesson-text'), /^A program runs while it is read/);
  assert.deepEqual([await text('status'), await text('stdout')], ['Exit status 0', '42\n100\n']);
  assert.deepEqual(await axe(page), []);
});

// Lesson 7 asks for commands 3, 4, 5 and 13 of its program, and has a task.
test('a lesson done by keyboard: its predictions, its task, the list marking it done', async () => {
  await open('#lesson=7');
  const [predict, task] = [byId('exercise').first(), byId('exercise').nth(1)];
  await predict.getByRole('button', { name: 'Start' }).focus();
  await page.keyboard.press('Enter');
  for (const [k, answer] of [[3, 'Lod 0'], [4, 'Val 100'], [5, 'Bus'], [13, 'Gtr']]) {
    await page.waitForFunction(() => document.activeElement?.dataset.testid === 'choice');
    assert.equal(await text('step-index'), `${k - 1} / 14`, `command ${k} asked at the one before it`);
    while ((await page.evaluate(() => document.activeElement.textContent)) !== answer) await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    assert.deepEqual([await predict.getAttribute('data-result'), await text('step-index')], ['right', `${k} / 14`]);
    assert.equal(await predict.getByTestId('feedback').textContent(), `Right: kel generated ${answer}.`);
    assert.ok(await predict.getByTestId('choice').first().isDisabled());
    if (k !== 13) await page.keyboard.press('Enter'); // the next question, which has the focus
  }
  assert.match(await predict.textContent(), /Done: 4 of 4 predicted right/);
  // The task: a program typed, then checked.
  await byId('source').focus();
  await page.keyboard.press('Control+a');
  await page.keyboard.insertText('VAR x : INTEGER;\nBEGIN x := 4; WRITE 20 / x .');
  await task.getByRole('button', { name: 'Check the program in the editor' }).focus();
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelectorAll('[data-testid=exercise]')[1].hasAttribute('data-result'));
  assert.equal(await task.getAttribute('data-result'), 'right');
  assert.match(await task.getByTestId('feedback').textContent(), /Met: generates: Vid kel generated Vid as command 5\./);
  assert.equal(await byId('lesson-link').nth(6).getAttribute('data-done'), 'true');
});

test('a wrong prediction explained, then the step asked shown; a task not met says which condition', async () => {
  await open('#lesson=7');
  const predict = byId('exercise').first();
  await predict.getByRole('button', { name: 'Start' }).click();
  for (const choice of ['Lod 0', 'Val 100']) {
    await predict.getByTestId('choice').filter({ hasText: new RegExp(`^${choice}$`) }).click();
    await predict.getByRole('button', { name: /^Next question/ }).click();
  }
  await predict.getByTestId('choice').filter({ hasText: /^Sub$/ }).click();
  assert.equal(await predict.getAttribute('data-result'), 'wrong');
  assert.match(await predict.getByTestId('feedback').textContent(),
    /^kel did not generate Sub here: it generated Bus\. The left operand of this - is a constant held back/);
  assert.deepEqual([await text('step-index'), await text('step-command')], ['5 / 14', '20:  Bus']);
  assert.equal(await predict.getByTestId('choice').filter({ hasText: /^Sub$/ }).isDisabled(), true);
  assert.deepEqual(await axe(page), []);
  await page.emulateMedia({ colorScheme: 'dark' });
  assert.deepEqual(await axe(page), []);
  await page.screenshot({ path: new URL('learn-dark.png', shots).pathname, fullPage: true });
  await page.emulateMedia({ colorScheme: 'light' });
  // A task not met: which condition, in words from kel's run.
  const task = byId('exercise').nth(1);
  await task.getByRole('button', { name: 'Check the program in the editor' }).click();
  await page.waitForFunction(() => document.querySelectorAll('[data-testid=exercise]')[1].hasAttribute('data-result'));
  assert.equal(await task.getAttribute('data-result'), 'wrong');
  assert.match(await task.getByTestId('feedback').textContent(), /Not met: writes: 5 It wrote 96 \| 25 \| TRUE, not 5\./);
  assert.equal(await predict.getByTestId('choice').count(), 0, 'one exercise active at a time');
  assert.deepEqual(await axe(page), []);
});

test('progress survives a reload, and resets', async () => {
  await open('#lesson=7');
  assert.equal(await byId('lesson-link').nth(6).getAttribute('data-done'), 'true');
  assert.equal(await byId('lesson-link').nth(0).getAttribute('data-done'), 'false');
  await byId('lesson-reset').click();
  assert.equal(await byId('lesson-link').nth(6).getAttribute('data-done'), 'false');
  await page.reload();
  await page.waitForFunction(() => performance.getEntriesByName('kel-first-lesson').length > 0);
  assert.equal(await byId('lesson-link').nth(6).getAttribute('data-done'), 'false');
});

test('a lesson and a step are links: #lesson=N&step=K, and Share this lesson gives it', async () => {
  const other = await browser.newContext({ permissions: ['clipboard-read', 'clipboard-write'] });
  const p = await other.newPage();
  await open('#lesson=4&step=5', p);
  assert.match(await text('lesson-text', p), /^The stack machine and its commands/);
  assert.deepEqual([await text('step-index', p), await text('step-command', p)], ['5 / 8', '20:  Add']);
  await byId('step-next', p).click();
  await byId('lesson-share', p).click();
  await p.waitForFunction(() => document.querySelector('[data-testid=share-note]').textContent !== '');
  assert.equal(await p.evaluate(() => navigator.clipboard.readText()), `${url}learn.html#lesson=4&step=6`);
  await other.close();
});

// Everything a lesson from someone else could try, and a program and an exercise that work.
const hostile = `# A <b>bold</b> lesson <script>alert(1)</script>

<img src=x onerror="alert(2)"> <iframe src="javascript:alert(3)"></iframe>
[click](javascript:alert(4)) [data](data:text/html,<script>alert(5)</script>) [vb](vbscript:x)
<a href="javascript:alert(6)" onclick="alert(7)">raw link</a> ![pixel](https://example.org/p.png)
[a page](https://example.org/) [the glossary](#glossary-fold) <style>body{display:none}</style>

\`\`\`kel
BEGIN WRITE 6 * 7 .
\`\`\`

\`\`\`predict
steps: 1
\`\`\`
`;

test("a teacher's lesson from a link: hostile Markdown drawn inert, its exercise working, its link shared", async () => {
  const dialogs = [];
  page.on('dialog', (d) => dialogs.push(d.message()) && d.dismiss());
  await open(`#md=${md(hostile)}`);
  const lesson = byId('lesson-text');
  assert.equal(await lesson.locator('h2').first().textContent(), 'A <b>bold</b> lesson <script>alert(1)</script>');
  assert.equal(await lesson.locator('script, img, iframe, style, b, [onclick], [onerror]').count(), 0);
  assert.deepEqual(await lesson.locator('a').evaluateAll((as) => as.map((a) => a.href)),
    ['https://example.org/p.png', 'https://example.org/', `${url}learn.html#glossary-fold`]); // an image is only a link
  assert.match(await lesson.textContent(), /<img src=x onerror="alert\(2\)">/);
  assert.equal(await page.evaluate(() => document.body.style.display), '');
  await byId('exercise').getByRole('button', { name: 'Start' }).click();
  await byId('choice').filter({ hasText: /^Val 42$/ }).click();
  assert.equal(await byId('exercise').getAttribute('data-result'), 'right');
  await byId('lesson-share').click();
  await page.waitForFunction(() => document.querySelector('[data-testid=link]').value !== '');
  assert.equal(await byId('link').inputValue(), `${url}learn.html#md=${md(hostile)}&step=1`);
  await page.waitForTimeout(200);
  assert.deepEqual(dialogs, []);
  assert.deepEqual(await axe(page), []);
});

test('a damaged lesson link is reported as the playground reports one, and nothing runs', async () => {
  const cases = [
    ['bad encoding', 'md=ab*cd', /This link holds no lesson: it is not in the encoding of a share link\. Nothing was run\./],
    ['cut short', `md=${md(hostile).slice(0, 12)}`, /This link holds no lesson: it was cut short/],
    ['over 64 KiB', `md=${md(`# big\n\n${'x'.repeat(64 << 10)}`)}`, /its lesson is larger than 64 KiB, the most a link carries/],
  ];
  for (const [what, hash, why] of cases) {
    await page.goto('about:blank');
    await page.goto(`${url}learn.html#${hash}`);
    await page.waitForFunction(() => /link/.test(document.querySelector('[data-testid=status]').textContent));
    assert.match(await text('status'), why, what);
    assert.equal(await page.evaluate(() => performance.getEntriesByName('kel-run').length), 0, what);
  }
});

test('the glossary: an entry with an id for every term', async () => {
  await open('#glossary');
  const ids = await byId('glossary').locator('dt').evaluateAll((ds) => ds.map((d) => d.id));
  for (const id of ['token', 'look-ahead', 'scanner', 'parser', 'declaration', 'constant', 'variable', 'slot', 'command',
    'operand', 'operation', 'stack', 'fold', 'held-back', 'turned-round', 'code-store', 'capacity', 'hexadecimal', 'trace',
    'diagnostic', 'line-and-column', 'scnr', 'prsr', 'comp', 'fatal-error', 'exit-status']) assert.ok(ids.includes(`glossary-${id}`), id);
});

test('at phone width the tour fits, and its exercise works', async () => {
  const other = await browser.newContext({ viewport: { width: 390, height: 844 }, isMobile: true });
  const p = await other.newPage();
  await open('#lesson=3', p);
  await byId('exercise', p).first().getByRole('button', { name: 'Start' }).click();
  await byId('choice', p).filter({ hasText: /^Val 40$/ }).click();
  assert.equal(await text('step-index', p), '1 / 6');
  assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
  await p.screenshot({ path: new URL('learn-phone.png', shots).pathname, fullPage: true });
  await other.close();
});

// variables.kel: command 2 is Wrt, command 3 Val 42.
test("predict mode: each Next asks first, the score counts, the link and the embed keep it", async () => {
  await page.goto('about:blank');
  await page.goto(`${url}index.html#example=variables&step=1&predict=1`);
  await byId('step-view').waitFor();
  const toggle = byId('predict');
  assert.deepEqual([await toggle.getAttribute('aria-pressed'), await text('predict-score')], ['true', '0 of 0']);
  await byId('step-next').click();
  assert.equal(await text('step-index'), '1 / 14', 'asked, not yet shown');
  await byId('choice').filter({ hasText: /^Wrt$/ }).click();
  assert.deepEqual([await text('step-index'), await text('predict-score'), await text('feedback')], ['2 / 14', '1 of 1', 'Right: kel generated Wrt.']);
  await byId('step-next').click();
  await byId('choice').filter({ hasNotText: /^Val 42$/ }).first().click();
  assert.deepEqual([await text('step-index'), await text('predict-score')], ['3 / 14', '1 of 2']);
  assert.match(await text('feedback'), /^kel did not generate \w+( \d+)? here: it generated Val 42\. /);
  assert.deepEqual(await axe(page), []);
  await page.emulateMedia({ colorScheme: 'dark' });
  assert.deepEqual(await axe(page), []);
  await page.emulateMedia({ colorScheme: 'light' });
  assert.match(await page.evaluate(() => location.hash), /&step=3&predict=1$/);
  await byId('step-last').click(); // a jump shows its step without asking
  assert.deepEqual([await text('step-index'), await byId('choice').count()], ['14 / 14', 0]);
  await byId('step-view').focus();
  await page.keyboard.press('p');
  assert.deepEqual([await toggle.getAttribute('aria-pressed'), await byId('predict-score').isHidden()], ['false', true]);
  await page.keyboard.press('Home');
  await page.keyboard.press('ArrowRight');
  assert.equal(await text('step-index'), '2 / 14');
  // The embed: the same mode from its link, and its way back to the playground keeps it.
  const other = await browser.newContext({ viewport: { width: 640, height: 400 } });
  const p = await other.newPage();
  await p.goto(`${url}embed.html#example=variables&step=1&predict=1`);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
  await byId('step-next', p).click();
  await byId('choice', p).filter({ hasText: /^Wrt$/ }).click();
  assert.deepEqual([await text('step-index', p), await text('predict-score', p)], ['2 / 14', '1 of 1']);
  assert.equal(await byId('open-playground', p).getAttribute('href'), `${url}index.html#example=variables&step=2&predict=1`);
  assert.deepEqual(await axe(p), []);
  await other.close();
});

// variables.kel, command 12: Val 100, held back.
test("the glossary's terms in the step view's words: the first use a link, its definition on hover and focus", async () => {
  await page.goto('about:blank');
  await page.goto(`${url}index.html#example=variables&step=12`);
  await byId('step-view').waitFor();
  const terms = byId('step-explain').getByTestId('term');
  const ids = await terms.evaluateAll((as) => as.map((a) => a.dataset.term));
  assert.ok(ids.includes('held-back') && ids.includes('stack'), ids.join());
  assert.equal(new Set(ids).size, ids.length, 'each term linked once');
  const held = terms.filter({ hasText: /^held back$/ });
  assert.deepEqual([await held.getAttribute('href'), await held.getAttribute('target')], ['learn.html#glossary-held-back', '_blank']);
  await held.focus();
  assert.match(await page.locator('#op-help').textContent(), /^A constant that is the left operand of an operation waits/);
  await byId('step-lookahead').getByTestId('term').first().hover();
  assert.match(await page.locator('#op-help').textContent(), /^The one token kel has just read/);
  // On the tour, a term leads to its entry on the same page.
  await open('#lesson=7&step=5');
  const turned = byId('step-explain').getByTestId('term').filter({ hasText: /round/ });
  await turned.click();
  assert.equal(await page.evaluate(() => location.hash), '#glossary-turned-round');
  assert.ok(await page.locator('#glossary-turned-round').isVisible());
  assert.equal(await text('step-index'), '5 / 14', 'the lesson stays');
});
