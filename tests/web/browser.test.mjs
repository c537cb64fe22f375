// The playground in a real browser: Debian's chromium, driven by playwright-core from web/, on
// the site from web/build served here on 127.0.0.1. Screenshots go to build-wasm/screenshots/.
// Prints the page's own timings: load to first result, and click to result.
//   node --test-reporter=tap tests/web/browser.test.mjs
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { extname } from 'node:path';
import { after, before, test } from 'node:test';

const root = new URL('../../', import.meta.url);
const site = new URL('build-wasm/site/', root);
const shots = new URL('build-wasm/screenshots/', root);
const { chromium } = createRequire(new URL('web/package.json', root))('playwright-core');
const example = (name, part) => readFileSync(new URL(`examples/${name}.${part}`, root));
const lf = (bytes) => bytes.toString().replaceAll('\r\n', '\n');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = createServer((req, res) => {
  const path = new URL(req.url, 'http://x').pathname.replace(/\/$/, '/index.html');
  try {
    if (path.includes('..')) throw new Error('outside the site');
    const body = readFileSync(new URL('.' + path, site));
    res.writeHead(200, { 'content-type': types[extname(path)] ?? 'text/plain' }).end(body);
  } catch {
    res.writeHead(404).end();
  }
});

let browser, page, url;
before(async () => {
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  url = `http://127.0.0.1:${server.address().port}/`;
  mkdirSync(shots, { recursive: true });
  browser = await chromium.launch({
    executablePath: process.env.KEL_CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await browser.newPage(); // a fresh profile: no draft yet
});
after(async () => {
  await browser?.close();
  server.close();
});

const pane = (id) => page.getByTestId(id).textContent();
const status = () => page.getByTestId('status').textContent();
const shot = (name, p = page) => p.screenshot({ path: new URL(`${name}.png`, shots).pathname, fullPage: true });

async function runProgram(text) {
  await page.getByTestId('source').fill(text);
  const before = await page.evaluate(() => performance.getEntriesByName('kel-run').length);
  await page.getByTestId('run').click();
  await page.waitForFunction((n) => performance.getEntriesByName('kel-run').length > n, before);
}

test('the page opens with hello run', async () => {
  await page.goto(url);
  await page.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await page.getByTestId('source').inputValue(), example('hello', 'kel').toString());
  assert.equal(await pane('stdout'), lf(example('hello', 'stdout')));
  const ms = await page.evaluate(() => performance.getEntriesByName('kel-first-result')[0].startTime);
  console.log(`# load to first result: ${ms.toFixed(0)} ms`);
});

test('the host in the browser gives every example its bytes', async () => {
  const names = await page.$$eval('[data-testid=examples] option[value]:not([value=""])', (os) => os.map((o) => o.value));
  assert.equal(names.length, 8);
  for (const name of names) {
    const r = await page.evaluate(async (src) => {
      const { run } = await import('./kel.js');
      const kel = await WebAssembly.compile(await (await fetch('kel.wasm')).arrayBuffer());
      const r = await run(kel, new TextEncoder().encode(src));
      return { status: r.status, stdout: [...r.stdout], stderr: [...r.stderr] };
    }, example(name, 'kel').toString());
    assert.deepEqual(Buffer.from(r.stdout), example(name, 'stdout'), name);
    assert.deepEqual(Buffer.from(r.stderr), example(name, 'stderr'), name);
    assert.equal(`${r.status}\n`, example(name, 'status').toString(), name);
  }
});

test('a typed program runs and fills the panes', async () => {
  const text = 'VAR x : INTEGER;\nBEGIN\n  x := 6 * 7;\n  WRITE x; WRITE x = 42\n.\n';
  await runProgram(text);
  assert.equal(await pane('stdout'), '42\nTRUE\n');
  assert.match(await pane('stderr'), /^Comp\.DebugG: {2}pos\nComp\.DebugG: {4}0: {2}Val 42\n/);
  assert.match(await status(), /\b0\b/);
  // Each trace line leads to the line kel had read when it wrote it.
  await page.locator('[data-testid=stderr] a[data-line="4"]').first().click();
  assert.equal(await page.getByTestId('source').evaluate((t) => t.selectionStart), text.indexOf('  WRITE'));
  await shot('typed');
});

test('an example from the menu', async () => {
  await page.getByTestId('examples').selectOption('runtime-error');
  await page.waitForFunction(() => location.hash === '#example=runtime-error');
  await page.waitForFunction(() => document.querySelector('[data-testid=status]').textContent.includes('9'));
  assert.equal(await pane('stdout'), lf(example('runtime-error', 'stdout')));
  assert.equal(await pane('stderr'), lf(example('runtime-error', 'stderr')));
  // What a console shows, as README.md has it.
  const trace = (lines) => lines.map((l) => `Comp.DebugG:  ${l}\n`).join('');
  assert.equal(await pane('terminal'), trace(['pos', '  0:  Val 1', '  5:  Wrt']) + '1\n' +
    trace(['  7:  Val 2', ' 12:  Wrt']) + '2\n' + trace([' 14:  Lod 0', ' 19:  Val 10', ' 24:  Vid']) +
    'Comp: Division by zero.\n');
  // The run stopped in the statement that divides by zero, on line 9.
  assert.equal(await page.getByTestId('mark').getAttribute('data-line'), '9');
  await shot('runtime-error');
});

test('a syntax error is marked where kel found it, its column counted in bytes', async () => {
  await runProgram('BEGIN\n  (* é *) WRITE 1, .\n');
  assert.equal(await pane('stderr'), 'Scnr (2,19): Invalid character.\n');
  assert.match(await status(), /\b9\b/);
  const mark = page.getByTestId('mark');
  assert.deepEqual([await mark.getAttribute('data-line'), await mark.getAttribute('data-column'), await mark.textContent()], ['2', '19', ',']);
  await shot('syntax-error');
});

test('Ctrl+Enter runs, and a draft survives a reload', async () => {
  await page.getByTestId('source').fill('BEGIN WRITE 7 .');
  await page.getByTestId('source').press('Control+Enter');
  await page.waitForFunction(() => document.querySelector('[data-testid=stdout]').textContent === '7\n');
  await page.reload();
  await page.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await page.getByTestId('source').inputValue(), 'BEGIN WRITE 7 .');
});

test('a share link opens the program in a fresh browser', async () => {
  const text = 'CONST big = 1000000;\nBEGIN WRITE big * big .\n';
  await page.getByTestId('source').fill(text);
  await page.getByRole('button', { name: 'Share' }).click();
  await page.getByTestId('link').waitFor(); // shown once the link is made
  const link = await page.getByTestId('link').inputValue();
  assert.match(link, /#code=[\w-]+$/);
  const other = await browser.newContext();
  const p = await other.newPage();
  await p.goto(link);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await p.getByTestId('source').inputValue(), text);
  assert.equal(await p.getByTestId('stderr').textContent(), 'Fatal error: Integer overflow.\n');
  await other.close();
});

test('at phone width everything fits and runs', async () => {
  const other = await browser.newContext({ viewport: { width: 360, height: 740 }, isMobile: true });
  const p = await other.newPage();
  await p.goto(`${url}#example=booleans`);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
  assert.equal(await p.getByTestId('stdout').textContent(), lf(example('booleans', 'stdout')));
  assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
  await shot('phone', p);
  await other.close();
});

test('click to result', async () => {
  const times = [];
  for (let i = 0; i < 21; i++) {
    await runProgram(example('variables', 'kel').toString());
    times.push(await page.evaluate(() => performance.getEntriesByName('kel-run').pop().duration));
  }
  times.sort((a, b) => a - b);
  console.log(`# click to result: median ${times[10].toFixed(1)} ms, slowest ${times[20].toFixed(1)} ms (21 runs of variables)`);
});
