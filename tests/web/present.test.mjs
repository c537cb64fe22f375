// The playground and the embed presented: the whole step in view in each frame Share offers and
// in large type on a projector's screen, links that set type and theme, the keys from the first
// moment, Share following the step, a reload and two tabs that keep the reader's place and
// drafts, results out of date, and links as people mistype them. Debian's chromium, driven by
// playwright-core, on the site from web/build served on 127.0.0.1.
//   node --test-reporter=tap tests/web/present.test.mjs
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { deflateRawSync } from 'node:zlib';
import { axe, launchChromium, serveSite } from './site.mjs';

let browser, server, url;
before(async () => {
  server = await serveSite();
  url = server.url;
  browser = await launchChromium();
});
after(async () => {
  await browser?.close();
  server?.close();
});

const byId = (p, id) => p.getByTestId(id);
const text = (p, id) => byId(p, id).textContent();
const runsDone = (p) => p.evaluate(() => performance.getEntriesByName('kel-run').length);
const code = (program) => deflateRawSync(Buffer.from(program)).toString('base64url');
const large = (p) => p.evaluate(() => document.documentElement.classList.contains('present'));

// A fresh browser (a context of its own) with a page open at link, its first result shown.
async function fresh(link, options = {}) {
  const context = await browser.newContext(options);
  const p = await context.newPage();
  await p.goto(link);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  return p;
}

async function type(p, program) {
  await byId(p, 'source').click();
  await p.keyboard.press('Control+a');
  await p.keyboard.insertText(program);
}

// The step parts that must be in view, each whole within the window and within every box around
// it that scrolls, with the page itself not scrolled and nothing to scroll it by.
const parts = ['step-command', 'step-explain', '.held-part', 'step-stack', 'step-vars', 'step-output'];
function outOfView(ids) {
  const whole = (e) => {
    const r = e.getBoundingClientRect();
    if (r.width === 0 || r.height === 0) return false;
    for (let a = e.parentElement; a; a = a.parentElement) {
      const s = getComputedStyle(a);
      if (!/auto|scroll|hidden/.test(s.overflowX + s.overflowY)) continue;
      const b = a.getBoundingClientRect();
      if (r.top < b.top - 1 || r.bottom > b.bottom + 1 || r.left < b.left - 1 || r.right > b.right + 1) return false;
    }
    return r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth;
  };
  const out = ids.filter((id) => !whole(document.querySelector(id.startsWith('.') ? id : `[data-testid=${id}]`)));
  if (scrollY !== 0 || document.documentElement.scrollHeight > innerHeight) out.push('the page scrolls');
  return out;
}

// Each step of the program shown, from the first, with what is out of view at it.
// (frame: a page's frame; its buttons are pressed as a click would, also where marked disabled).
async function everyStep(frame) {
  const press = (id) => frame.evaluate((b) => document.querySelector(`[data-testid=${b}]`).click(), id);
  await press('step-first');
  const found = [];
  for (;;) {
    const [k, n] = await frame.evaluate(() => document.querySelector('[data-testid=step-index]').textContent.split(' / '));
    const out = await frame.evaluate(outOfView, [...parts, '.cm-editor']);
    if (out.length) found.push(`step ${k}: ${out.join(', ')}`);
    if (k === n) return found;
    await press('step-next');
  }
}

// The examples with the most words at a step, the most variables and the most output.
const shown = ['runtime-error', 'booleans', 'variables', 'constants'];

test('each size Share offers has every step whole in its frame, as the embed code states it', async () => {
  const p = await fresh(`${url}#example=variables&step=3`);
  await byId(p, 'share').click();
  await byId(p, 'share-embed').waitFor();
  const sizes = await byId(p, 'share-size').locator('option').evaluateAll((os) => os.map((o) => o.value));
  assert.deepEqual(sizes, ['640x400', '960x600', '1280x720']);
  const deck = await (await browser.newContext()).newPage();
  let slide = '';
  await deck.route(`${url}deck.html`, (r) => r.fulfill({ contentType: 'text/html', body: slide }));
  for (const [size, large] of [...sizes.map((s) => [s, false]), [sizes.at(-1), true]]) {
    await byId(p, 'share-size').selectOption(size);
    if (large) await byId(p, 'share-large').check();
    const embed = await byId(p, 'share-embed').inputValue();
    const [w, h] = size.split('x');
    assert.match(embed, new RegExp(`^<iframe src="${url}embed\\.html#code=[\\w-]+&amp;step=3${large ? '&amp;large=1' : ''}" width="${w}" height="${h}" `));
    for (const name of shown) {
      slide = `<body style="margin: 0">${embed.replace(/embed\.html#code=[\w-]+&amp;step=3/, `embed.html#example=${name}`)}`;
      await deck.goto(`${url}deck.html`);
      const frame = deck.frames()[1];
      await frame.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
      assert.deepEqual(await everyStep(frame), [], `${name} at ${size}${large ? ', large type' : ''}`);
    }
  }
  await deck.context().close();
  await p.context().close();
});

test('large type on a projector\'s screen: every step whole, nothing scrolled, all type at least 1.4 times', async () => {
  for (const [width, height] of [[1280, 720], [1920, 1080]]) {
    const p = await fresh(`${url}#example=runtime-error&step=7`, { viewport: { width, height } });
    // The size of the type of each element with text of its own drawn, by its place in the page.
    const sizes = () => p.evaluate(() => Object.fromEntries([...document.querySelectorAll('main *')].map((e, i) => [i, e])
      .filter(([, e]) => e.checkVisibility() && [...e.childNodes].some((n) => n.nodeType === 3 && n.textContent.trim()))
      .map(([i, e]) => [`${i} ${e.tagName}.${e.className}`, parseFloat(getComputedStyle(e).fontSize)])));
    const normal = await sizes();
    await p.keyboard.press('L');
    const enlarged = await sizes();
    const small = Object.keys(normal).filter((k) => k in enlarged && enlarged[k] < 1.4 * normal[k] - 0.01);
    assert.deepEqual(small, [], `${width}×${height}`);
    assert.ok(Object.keys(enlarged).length > 30);
    assert.deepEqual(await axe(p), []);
    for (const name of shown) {
      const n = await runsDone(p);
      await byId(p, 'examples').selectOption(name);
      await p.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
      await byId(p, 'step').click();
      assert.deepEqual(await everyStep(p.mainFrame()), [], `${name} at ${width}×${height}`);
      assert.deepEqual(await p.evaluate(outOfView, ['codestore']), [], `${name} at ${width}×${height}`);
    }
    await p.context().close();
  }
});

test('what kel is holding: an assignment under way, a constant held back, an operation waiting and next', async () => {
  const p = await fresh(`${url}#code=${code('VAR x : INTEGER; y : INTEGER;\nBEGIN x := 8; WRITE 100 - x; y := -(x * 2) .')}&step=1`);
  for (const [k, command, held] of [
    [1, '0:  Val 8', ['x := under way']],
    [2, '5:  Sto 0', []],
    [3, '10:  Lod 0', ['WRITE under way', '100 held back', '- waits for its right operand']],
    [4, '15:  Val 100', ['WRITE under way', '- comes next']],
    [5, '20:  Bus', ['WRITE under way']],
    [7, '24:  Lod 0', ['y := under way', '- waits for its operand']],
    [8, '29:  Val 2', ['y := under way', '- waits for its operand', '* comes next']],
    [10, '36:  Neg', ['y := under way']],
  ]) {
    await byId(p, 'step-slider').fill(String(k));
    assert.deepEqual([await text(p, 'step-command'), await byId(p, 'step-held').locator('li').allTextContents()], [command, held], `step ${k}`);
    assert.equal(await p.locator('.held-none').isVisible(), held.length === 0, `step ${k}: nothing`);
  }
  await p.context().close();
});

test('an embed\'s link sets large type and the theme', async () => {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 }, colorScheme: 'dark' });
  const p = await context.newPage();
  const look = async (hash) => {
    await p.goto(`${url}embed.html#example=runtime-error&step=7${hash}`);
    await p.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
    return p.evaluate(() => [document.documentElement.classList.contains('present'), getComputedStyle(document.body).colorScheme,
      getComputedStyle(document.body).backgroundColor, parseFloat(getComputedStyle(document.querySelector('[data-testid=step-explain]')).fontSize)]);
  };
  const [, system, dark, normal] = await look('');
  const [on, light, white, big] = await look('&large=1&theme=light');
  assert.deepEqual([system, dark, on, light, white], ['dark', 'rgb(21, 23, 28)', true, 'light', 'rgb(255, 255, 255)']);
  assert.ok(big >= 1.4 * normal, `${big} against ${normal}`);
  assert.deepEqual(await p.evaluate(outOfView, parts), []);
  await p.emulateMedia({ colorScheme: 'light' });
  assert.equal((await look('&theme=dark'))[1], 'dark');
  await p.keyboard.press('?');
  assert.deepEqual(await axe(p), []);
  await context.close();
});

test('keys from the first moment, Space after a click, ? anywhere, Page Down left to the deck', async () => {
  const p = await fresh(`${url}#example=variables&step=3`);
  await p.keyboard.press('ArrowRight');
  assert.equal(await text(p, 'step-index'), '4 / 14');
  await p.goto('about:blank');
  await p.goto(`${url}#example=variables`);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  await p.keyboard.press('?');
  assert.ok(await byId(p, 'step-keys').isVisible(), '? with the step view closed');
  await p.keyboard.press('Escape');
  await p.keyboard.press('ArrowRight');
  assert.equal(await text(p, 'step-index'), '1 / 14');
  // Space plays and pauses; the button clicked last is not pressed again. (At one step in four
  // seconds, no step is played before the page is read.)
  await byId(p, 'step-speed').selectOption('0.25');
  for (const button of ['step-present', 'step-next']) {
    await byId(p, button).click();
    const [k, big] = [await text(p, 'step-index'), await large(p)];
    await p.keyboard.press(' ');
    assert.deepEqual([await text(p, 'step-play'), await text(p, 'step-index'), await large(p)], ['Pause', k, big], button);
    await p.keyboard.press(' ');
    assert.equal(await text(p, 'step-play'), 'Play', button);
  }
  assert.deepEqual(await byId(p, 'step-speed').locator('option').evaluateAll((os) => os.map((o) => [o.value, o.textContent])).then((o) => o.slice(0, 3)),
    [['0.25', '1 in 4 seconds'], ['0.5', '1 in 2 seconds'], ['1', '1 a second']]);
  // Typing is the editor's: ? is a character there.
  await type(p, 'BEGIN WRITE 1 ?');
  assert.equal(await byId(p, 'step-keys').isVisible(), false);
  // In an embed, Page Down goes to the deck around it, and the deck keeps the keys after it.
  await p.route(`${url}deck.html`, (r) => r.fulfill({ contentType: 'text/html', body:
    `<body><script>keys = []; addEventListener('keydown', (e) => keys.push(e.key));</script><iframe src="embed.html#example=variables&step=3" width="640" height="400"></iframe>` }));
  await p.goto(`${url}deck.html`);
  const frame = p.frames()[1];
  await frame.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
  await frame.locator('[data-testid=step-next]').click();
  await p.keyboard.press('PageDown');
  await p.keyboard.press('PageDown');
  assert.deepEqual([await p.evaluate(() => keys), await frame.locator('[data-testid=step-index]').textContent()], [['PageDown', 'PageDown'], '4 / 14']);
  await p.context().close();
});

test('Share follows the step shown, and offers no link of a program no longer shown', async () => {
  const p = await fresh(`${url}#example=variables&step=4`, { permissions: ['clipboard-read', 'clipboard-write'] });
  await byId(p, 'share').click();
  await p.waitForFunction(() => document.querySelector('[data-testid=share-note]').textContent !== '');
  assert.match(await byId(p, 'link').inputValue(), /&step=4$/);
  await byId(p, 'step-next').click();
  assert.match(await byId(p, 'link').inputValue(), /&step=5$/);
  assert.match(await byId(p, 'share-embed').inputValue(), /&amp;step=5" width="640" height="400"/);
  assert.match(await text(p, 'share-note'), /copy them again/);
  await byId(p, 'share-theme').selectOption('dark');
  assert.equal(await byId(p, 'share-large').isDisabled(), true, 'only the largest frame has room for large type');
  await byId(p, 'share-size').selectOption('1280x720');
  assert.match(await byId(p, 'share-embed').inputValue(), /&amp;step=5&amp;theme=dark" width="1280" height="720"/);
  await byId(p, 'share-large').check();
  assert.match(await byId(p, 'share-embed').inputValue(), /&amp;step=5&amp;large=1&amp;theme=dark" width="1280"/);
  const n = await runsDone(p);
  await p.evaluate(() => (location.hash = 'example=booleans'));
  await p.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
  assert.equal(await p.locator('#sharing').isVisible(), false);
  await p.context().close();
});

test('a reload keeps a draft\'s step and large type; two tabs keep a draft each, and offer the other\'s', async () => {
  const a = await fresh(url);
  const kept = () => a.waitForTimeout(400); // a draft is kept a moment after the last change
  await type(a, 'BEGIN WRITE 1; WRITE 2 .');
  await byId(a, 'step').click();
  await byId(a, 'step-next').click();
  await a.keyboard.press('L');
  await kept();
  await a.reload();
  await a.waitForFunction(() => document.querySelector('[data-testid=step-index]')?.textContent === '2 / 4');
  assert.deepEqual([await text(a, 'source'), await large(a)], ['BEGIN WRITE 1; WRITE 2 .', true]);
  const b = await a.context().newPage();
  await b.goto(url);
  await b.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await text(b, 'source'), 'BEGIN WRITE 1; WRITE 2 .', 'a new tab opens the newest draft');
  await type(b, 'BEGIN WRITE 9 .');
  await b.waitForTimeout(400);
  await a.reload();
  await a.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await text(a, 'source'), 'BEGIN WRITE 1; WRITE 2 .');
  assert.match(await text(a, 'other-draft'), /^Another draft is kept in this browser \(1 line, kept at/);
  assert.deepEqual(await axe(a), []);
  await byId(a, 'other-draft-open').click();
  await a.waitForFunction(() => document.querySelector('[data-testid=stdout]').textContent === '9\n');
  assert.equal(await text(a, 'source'), 'BEGIN WRITE 9 .');
  assert.ok(await byId(a, 'other-draft').isVisible(), 'its own draft is offered in turn');
  await b.reload();
  await b.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await text(b, 'source'), 'BEGIN WRITE 9 .');
  await a.context().close();
});

test('results out of date are marked; with Run as you type, a change runs again at the same step', async () => {
  const p = await fresh(url);
  await type(p, 'BEGIN WRITE 1; WRITE 2; WRITE 3 .');
  await byId(p, 'run').click();
  await byId(p, 'step').click();
  await byId(p, 'step-slider').fill('4');
  await byId(p, 'source').press('Control+End');
  await p.keyboard.insertText(' ');
  await byId(p, 'stale').waitFor();
  assert.deepEqual(await axe(p), []);
  assert.deepEqual([await byId(p, 'step-view').isVisible(), await p.locator('.kel-origin').count()], [true, 0]);
  await byId(p, 'run').click();
  await byId(p, 'stale').waitFor({ state: 'hidden' });
  assert.equal(await text(p, 'step-index'), '4 / 6');
  await p.locator('#live').check();
  for (const [program, index] of [['BEGIN WRITE 1; WRITE 2; WRITE 30 .', '4 / 6'], ['BEGIN WRITE 1 .', '2 / 2']]) {
    const n = await runsDone(p);
    await type(p, program);
    await p.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
    assert.deepEqual([await byId(p, 'stale').isVisible(), await text(p, 'step-index')], [false, index], program);
  }
  await p.context().close();
});

test('a link as people mistype it: read as meant, and what is not understood said', async () => {
  const c = code('BEGIN WRITE 1; WRITE 2 .');
  for (const [hash, index, id, said] of [
    [`code=${c}&step=3)`, '3 / 4'],
    [`code=${c}&step=3).`, '3 / 4'],
    [`code=${c}&step=2,`, '2 / 4'],
    [`code=${c}&step=2]`, '2 / 4'],
    [`code=${c.slice(0, 6)}%20${c.slice(6, 12)}%0A${c.slice(12)}&step=2`, '2 / 4'],
    [`code=${c}&stpe=2`, null, 'link-note', /^Not understood in this link, and left out: stpe=2\.$/],
    [`codee=${c}`, null, 'status', /^This link names no program: it has codee=[\w-]+, which is not understood; .* Nothing was run, and the editor is empty: this browser keeps no draft of yours\./],
  ]) {
    const p = await fresh(`${url}#${hash}`);
    if (index) assert.equal(await byId(p, 'step-view').waitFor().then(() => text(p, 'step-index')), index, hash);
    if (said) assert.match(await text(p, id), said, hash);
    assert.equal(await text(p, 'stdout'), id === 'status' ? '' : '1\n2\n', hash);
    await p.context().close();
  }
});
