// The playground in a real browser: Debian's chromium, driven by playwright-core from web/, on
// the site from web/build served here on 127.0.0.1. Screenshots go to build-wasm/screenshots/.
// The page's timings are measured by bench/playground.mjs, not here.
//   node --test-reporter=tap tests/web/browser.test.mjs
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync, readdirSync } from 'node:fs';
import { after, before, test } from 'node:test';
import { deflateRawSync, gzipSync } from 'node:zlib';
import { axe, launchChromium, root, serveSite, site } from './site.mjs';

const shots = new URL('build-wasm/screenshots/', root);
const example = (name, part) => readFileSync(new URL(`examples/${name}.${part}`, root));
const lf = (bytes) => bytes.toString().replaceAll('\r\n', '\n');

let browser, page, server, url;
before(async () => {
  server = await serveSite();
  url = server.url;
  mkdirSync(shots, { recursive: true });
  browser = await launchChromium();
  page = await browser.newPage(); // a fresh profile: no draft yet
});
after(async () => {
  await browser?.close();
  server?.close();
});

const byId = (id, p = page) => p.getByTestId(id);
const text = (id, p = page) => byId(id, p).textContent();
const shot = (name, p = page) => p.screenshot({ path: new URL(`${name}.png`, shots).pathname, fullPage: true });
const runsDone = (p = page) => p.evaluate(() => performance.getEntriesByName('kel-run').length);
const firstResult = (p = page) => p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);

// The editor's text, from its lines (all of them are drawn for a short program).
const source = (p = page) => byId('source', p).locator('.cm-line').evaluateAll((ls) => ls.map((l) => l.textContent).join('\n'));

// Puts program in the editor as a reader would: all of the text chosen, then the new typed over
// it. (Playwright's fill can leave the last empty line of the old text behind.)
async function type(program, p = page) {
  await byId('source', p).click();
  await p.keyboard.press('Control+a');
  await p.keyboard.insertText(program);
}

async function runProgram(program, p = page) {
  await type(program, p);
  const n = await runsDone(p);
  await byId('run', p).click();
  await p.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
}

// A load of its own: from a page of the site, a link that differs only after # would change the
// address in place, and the first result waited for would be the page's earlier one.
async function openAt(link, p = page) {
  await p.goto('about:blank');
  await p.goto(link);
  await firstResult(p);
}

test('the page opens with hello run, in a worker, with no WCAG A/AA violation', async () => {
  const workers = [];
  page.on('worker', (w) => workers.push(w));
  await openAt(url);
  assert.equal(await source(), example('hello', 'kel').toString());
  assert.equal(await text('stdout'), lf(example('hello', 'stdout')));
  assert.ok(workers.some((w) => w.url().endsWith('/worker.js')));
  assert.deepEqual(await axe(page), []);
});

test('every example through the page: its output, trace and status', async () => {
  const names = await page.$$eval('[data-testid=examples] option[value]:not([value=""])', (os) => os.map((o) => o.value));
  assert.equal(names.length, 8);
  for (const name of names) {
    const n = await runsDone();
    await byId('examples').selectOption(name);
    await page.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
    assert.equal(await text('stdout'), lf(example(name, 'stdout')), name);
    assert.equal(await text('stderr'), lf(example(name, 'stderr')), name);
    assert.match(await text('status'), new RegExp(`^Exit status ${example(name, 'status').toString().trim()}\\b`), name);
    assert.equal(await page.evaluate(() => location.hash), `#example=${name}`);
  }
});

test("kel's highlighting, with the page's colours", async () => {
  await type('BEGIN WRITE TRUE # 42; (* a (* b *) c *) x, y\n(* open\nWRITE');
  const colours = await page.evaluate(() => {
    const probe = document.body.appendChild(document.createElement('span'));
    const colour = (v) => ((probe.style.color = `var(${v})`), getComputedStyle(probe).color);
    const spans = [...document.querySelectorAll('[data-testid=source] span')];
    const of = (t) => getComputedStyle(spans.find((s) => s.textContent === t)).color;
    const r = {
      BEGIN: [of('BEGIN'), colour('--kw')], TRUE: [of('TRUE'), colour('--atom')], 42: [of('42'), colour('--num')],
      nested: [of('(* a (* b *) c *)'), colour('--comment')], refused: [of(','), colour('--bad')],
      unclosed: [getComputedStyle(spans.at(-1)).color, colour('--comment')],
    };
    probe.remove();
    return r;
  });
  for (const [what, [got, want]] of Object.entries(colours)) assert.equal(got, want, what);
});

test('a source error is a lint mark on the character at its line and column, counted in bytes', async () => {
  await runProgram('BEGIN\n  (* é *) WRITE 1, .\n');
  assert.equal(await text('stderr'), 'Scnr (2,19): Invalid character.\n');
  assert.equal(await text('status'), 'Exit status 9: Scnr (2,19): Invalid character.');
  const mark = byId('mark');
  assert.deepEqual([await mark.getAttribute('data-line'), await mark.getAttribute('data-column'), await mark.textContent()], ['2', '19', ',']);
  await mark.hover();
  assert.equal(await page.locator('.cm-tooltip-lint').textContent(), 'Scnr (2,19): Invalid character.');
  assert.deepEqual(await axe(page), []);
  await shot('syntax-error');
});

test('one program stepped through: what kel read, the command, the machine, the code store', async () => {
  const program = 'CONST k = 3;\nVAR a : INTEGER;\nBEGIN\n  a := k * 5;\n  WRITE a - 1\n.\n';
  await type(program);
  await byId('step').click(); // runs the program first
  const view = byId('step-view');
  await view.waitFor();
  const list = (id) => byId(id).locator('> *').allTextContents();
  const vars = () => byId('step-vars').locator('> *').evaluateAll((ls) => ls.map((l) => [...l.children].map((c) => c.textContent)));
  // k * 5 is folded: only Val 15 reaches the machine, generated once kel had read the ";" and
  // the character after it.
  assert.equal(await text('step-index'), '1 / 6');
  assert.equal(await text('step-read'), 'CONST k = 3;\nVAR a : INTEGER;\nBEGIN\n  a := k * 5;\n');
  assert.equal((await byId('read').allTextContents()).join('\n') + '\n', await text('step-read'));
  assert.equal(await text('step-command'), '0:  Val 15');
  assert.deepEqual(await list('step-stack'), ['15']);
  assert.deepEqual(await vars(), [['a', 'slot 0', 'INTEGER', '0']]);
  assert.deepEqual(await byId('codestore').locator('.cmd:visible').allTextContents(), ['01 0F 00 00 00']);
  assert.match(await text('codestore'), /\b5 of the store's 1024 bytes used/);
  assert.equal(await page.locator('[data-testid=stderr] .current').textContent(), 'Comp.DebugG:    0:  Val 15\n');
  await byId('step-next').click();
  assert.equal(await text('step-command'), '5:  Sto 0');
  assert.deepEqual(await list('step-stack'), []);
  assert.deepEqual(await vars(), [['a', 'slot 0', 'INTEGER', '15']]);
  assert.equal(await byId('codestore').locator('.current').textContent(), '03 00 00 00 00');
  // The keys: End, Home, and the arrows.
  await view.focus();
  for (const [key, index, command, stack] of [
    ['End', '6 / 6', '22:  Wrt', []], ['ArrowLeft', '5 / 6', '20:  Sub', ['14']], ['ArrowLeft', '4 / 6', '15:  Val 1', ['15', '1']],
    ['Home', '1 / 6', '0:  Val 15', ['15']], ['ArrowRight', '2 / 6', '5:  Sto 0', []],
  ]) {
    await page.keyboard.press(key);
    assert.deepEqual([await text('step-index'), await text('step-command'), await list('step-stack')], [index, command, stack], key);
  }
  // The output pane marks what is written so far.
  await byId('step-prev').click();
  assert.deepEqual([await page.locator('[data-testid=stdout] .later').count(), await text('output-note')],
    [1, 'Written at this step: 0 of the 1 line below; those not yet written come at later steps, shown faint and marked “not yet written”.']);
  assert.equal(await page.locator('[data-testid=stdout] .later').evaluate((r) => getComputedStyle(r, '::before').content), '"not yet written"');
  await byId('step-last').click();
  assert.equal(await text('step-output'), '14\n');
  assert.match(await text('codestore'), /24 of the store's 1024/);
  await byId('step-slider').fill('4');
  assert.equal(await text('step-index'), '4 / 6');
  assert.deepEqual(await axe(page), []);
  await shot('step-view');
  // The share link carries the step, and opens there.
  await page.getByRole('button', { name: 'Share' }).click();
  await byId('link').waitFor(); // shown once the link is made
  const link = await byId('link').inputValue();
  assert.match(link, /#code=[\w-]+&step=4$/);
  const other = await browser.newContext();
  const p = await other.newPage();
  await openAt(link, p);
  assert.equal(await source(p), program);
  await byId('step-view', p).waitFor();
  assert.deepEqual([await text('step-index', p), await text('step-command', p)], ['4 / 6', '15:  Val 1']);
  await other.close();
});

test('a run-time error ends the steps at the command that failed', async () => {
  const n = await runsDone();
  await byId('examples').selectOption('runtime-error');
  await page.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
  assert.equal(await text('status'), 'Exit status 9: Comp: Division by zero. (at line 9, column 12)');
  await byId('step').click();
  await byId('step-last').click();
  assert.deepEqual([await text('step-index'), await text('step-command'), await text('step-error')],
    ['7 / 7', '24:  Vid', 'This command failed: Comp: Division by zero.']);
  // It is marked at the origin of the command that failed.
  const mark = byId('mark');
  assert.deepEqual([await mark.getAttribute('data-line'), await mark.getAttribute('data-column'), await mark.textContent()], ['9', '12', '/']);
  assert.deepEqual(await axe(page), []);
  // A source error ends them after the last command generated before it.
  await runProgram(example('syntax-error', 'kel').toString());
  await byId('step').click();
  await byId('step-last').click();
  assert.deepEqual([await text('step-index'), await text('step-error')],
    ['4 / 4', 'kel stopped after this command: Prsr (8,3): Expected ";" or ".".']);
});

// Each step says what its command does and why, with the values; the origin is the source that
// made kel generate it.
test('the words of a step: folded, a named constant, held back, turned round, Booleans, failures', async () => {
  const program = 'CONST half = 20; limit = 40;\nVAR n : INTEGER; big : BOOLEAN;\nBEGIN\n  n := half * 2 + 2;\n' +
    '  WRITE 100 - n;\n  big := n > limit;\n  WRITE big\n.\n';
  const table = [
    [program, 1, '0:  Val 42', 'half * 2 + 2', '4,8', [/folded half \* 2 \+ 2 \(half = 20\) to 42/], ['42'], ['n slot 0 INTEGER 0', 'big slot 1 BOOLEAN FALSE']],
    [program, 4, '15:  Val 100', '100', '5,9', [/^Push the number 100/, /held back/, /Bus/], ['42', '100'], null],
    [program, 5, '20:  Bus', '-', '5,13', [/Bus is - turned round/, /100 - 42 gives 58/], ['58'], null],
    [program, 8, '29:  Val 40', 'limit', '6,14', [/the constant limit \(limit = 40\)/], ['42', '40'], null],
    [program, 9, '34:  Gtr', '>', '6,12', [/42 > 40 gives TRUE \(1\)/], ['TRUE'], null],
    [program, 12, '46:  WrB', 'WRITE', '7,3', [/^Pop TRUE \(1\) and write it as a Boolean/], [], ['n slot 0 INTEGER 42', 'big slot 1 BOOLEAN TRUE']],
    ['CONST k = 1 / 0;', 1, 'none: folding failed', '1 / 0', '1,11', [/the divisor is 0/, /Comp: Division by zero/], [], []],
    [`BEGIN${' WRITE 7;'.repeat(146)} WRITE 1 .`, 293, '1022:  Val 1', '1', '1,1327', [/needs 5 bytes, and only 2 bytes are left/], [], []],
  ];
  for (const [src, k, command, origin, at, words, stack, vars] of table) {
    await runProgram(src);
    await byId('step').click();
    if (k > 1) await byId('step-slider').fill(String(k));
    const o = byId('step-origin');
    const got = [await text('step-command'), await o.textContent(), `${await o.getAttribute('data-line')},${await o.getAttribute('data-col')}`,
      await byId('step-stack').locator('> *').allTextContents()];
    assert.deepEqual(got, [command, origin, at, stack], `${src.slice(0, 30)} ${k}`);
    for (const w of words) assert.match(await text('step-explain'), w, `${k}`);
    assert.match(await text('step-live'), command.startsWith('none') ? /^Folding failed before any command: no command\. kel folds/ : new RegExp(`^Command ${k} of \\d+`));
    if (vars) assert.deepEqual(await byId('step-vars').locator('> *').allTextContents(), vars);
    assert.equal(await page.getByTestId('origin').first().textContent(), origin, 'the origin in the editor');
  }
  // What kel had just read: a name, and the character after it apart, which is not yet a token.
  await runProgram(program);
  await byId('step').click();
  await byId('step-slider').fill('3');
  assert.deepEqual([await text('step-command'), await text('step-ahead'), await text('step-lookahead')], ['10:  Lod 0', ';',
    'The name “n”. To know that it had ended, kel looked at the next character, “;”, which is not yet a token.']);
  // A command's name tells what it does, on focus as on hover.
  await byId('step-command').locator('[data-op]').focus();
  assert.match(await page.locator('#op-help').textContent(), /^Lod: byte 02, then its operand in 4 bytes; push the value/);
  await byId('codestore').locator('[data-op=Val]').first().hover({ position: { x: 1, y: 1 } }); // beside its bytes, which have help of their own
  assert.match(await page.locator('#op-help').textContent(), /^Val: byte 01/);
});

// What a student tripped over: each row a program, the step to open (0: the last), and what the
// step view's elements then say.
test('a failed command, a statement left unfinished, no command at all, the newest output, hex bytes, help beside', async () => {
  const table = [
    ['VAR d : INTEGER;\nBEGIN WRITE 10 / d .', 0, {
      'step-stack': '0\n10', 'step-stack-note': 'Vid failed on these',
      'step-when': 'When the run ended', 'step-explain': /^Vid would have pushed the result of 10 \/ 0 .*, but it did not\./,
    }],
    ['BEGIN WRITE 1;\nWRITE 2\n? WRITE 3 .', 0, {
      'step-error': 'kel stopped after this command: Scnr (3,1): Invalid character.',
      'step-unfinished': /^The WRITE statement “WRITE 2” \(line 2\) was read but not finished, so none of its commands came\. The constant “2” was still held back/,
    }],
    ['BEGIN WRITE 2 ?', 1, {
      'step-index': '0 / 0', 'step-command': 'none', 'step-error': 'kel stopped before generating a command: Scnr (1,15): Invalid character.',
      'step-explain': /^kel stopped at line 1, column 15 before it generated any command\. The WRITE statement “WRITE 2”/,
    }],
    ['BEGIN WRITE 1; WRITE 7 / 0 .', 0, {
      'step-index': '3 / 3', 'step-lookahead': 'The symbol “.”. The text ends there.', 'step-read-on': /kel read on past the origin, up to “\.”/,
    }],
    [`BEGIN${' WRITE 1;'.repeat(30)} WRITE 2 .`, 0, { 'step-output': /1\n2\n$/, 'step-when': 'After this command', 'vars-title': 'Variables: name, slot, type, value' }],
  ];
  for (const [src, k, want] of table) {
    await runProgram(src);
    await byId('step').click();
    if (k === 0) await byId('step-last').click();
    for (const [id, w] of Object.entries(want)) {
      const got = id.endsWith('-title') ? await page.locator(`#${id}`).textContent()
        : id === 'step-stack' ? (await byId(id).locator('> *').allTextContents()).join('\n') : await text(id);
      if (w instanceof RegExp) assert.match(got, w, `${src.slice(0, 30)}: ${id}`);
      else assert.equal(got, w, `${src.slice(0, 30)}: ${id}`);
    }
    if (src.startsWith('VAR d')) {
      assert.equal(await byId('step-stack').locator('.failed-on').count(), 2);
      assert.deepEqual(await axe(page), []);
    }
    if (src.startsWith('BEGIN WRITE 2 ?')) assert.deepEqual([await byId('step-origin').isVisible(), await byId('codestore').isVisible()], [false, false]);
  }
  // The newest output is in view.
  assert.ok(await byId('step-output').evaluate((o) => o.scrollHeight > o.clientHeight && o.scrollTop + o.clientHeight >= o.scrollHeight - 1));
  // The code store's bytes are hexadecimal, each with its decimal value on hover; a command's
  // help, on focus, gives them all.
  await runProgram('BEGIN WRITE 21 .');
  await byId('step').click();
  assert.match(await byId('codestore').locator('.legend').textContent(), /^Bytes in hexadecimal/);
  await byId('codestore').locator('.cmd .arg span').first().hover();
  assert.equal(await page.locator('#op-help').textContent(), '15 in hexadecimal is 21 in decimal.');
  await byId('codestore').locator('.cmd').first().focus();
  assert.match(await page.locator('#op-help').textContent(), /^Val: byte 01, .* Here its bytes are 01 15 00 00 00 in hexadecimal, 1 21 0 0 0 in decimal\.$/);
  // A command's help stands beside it and leaves its words uncovered.
  await byId('step-command').locator('[data-op]').focus();
  const [tip, words] = await Promise.all([page.locator('#op-help').boundingBox(), byId('step-explain').boundingBox()]);
  assert.ok(tip.y + tip.height <= words.y || tip.y >= words.y + words.height || tip.x >= words.x + words.width, 'the help covers the words');
  // The trace's header and a diagnostic say what they mean, where they stand.
  assert.match(await text('trace-legend'), /Comp\.DebugG:.*pos.*\(3,9\)/s);
  await page.locator('[data-testid=stderr] [data-help]').first().focus();
  assert.match(await page.locator('#op-help').textContent(), /^Comp\.DebugG:  pos: .* pos heads the column of positions/);
  await runProgram('BEGIN WRITE 1;\n? .');
  await page.locator('[data-testid=stderr] [data-help]').last().focus();
  assert.match(await page.locator('#op-help').textContent(), /^Scnr \(2,1\): kel's scanner, .* at line 2, column 1; kel counts columns in bytes/);
  assert.match(await page.locator('header').textContent(), /exit status: 0 when .* 9 when an error stopped it\..*Prsr \(3,9\).* line 3, column 9/s);
});

test('a long header is shortened, an error at the end of the text has a mark one can see', async () => {
  await runProgram(`(*${' a line of a long header comment\n'.repeat(300)}*)\nVAR x : INTEGER;\nBEGIN\n  x := 6 * 7;\n  WRITE x\n`);
  assert.equal(await text('status'), 'Exit status 9: Prsr (306,1): Expected ";" or ".".');
  const mark = byId('mark');
  const box = await mark.boundingBox();
  assert.deepEqual([await mark.getAttribute('data-line'), await mark.getAttribute('data-column'), box.width > 20], ['306', '1', true]);
  await byId('step').click();
  assert.match(await text('step-read'), /^\(\* a line of a long header comment\n a line of a long header comment\n… 299 lines …\nVAR x : INTEGER;\nBEGIN\n  x := 6 \* 7;\n$/);
  const [view, command] = await Promise.all([byId('step-view').boundingBox(), byId('step-command').boundingBox()]);
  assert.ok(view.height < 1200 && command.y - view.y < 200, `the view is ${view.height} px tall`);
  await byId('step-last').click();
  assert.equal(await text('step-error'), 'kel stopped after this command: Prsr (306,1): Expected ";" or ".".');
});

test('play and pause, the keys, large type; a trace row, a command of the code store and a line number lead to their step', async () => {
  await openAt(`${url}#example=variables`);
  await page.locator('[data-testid=stderr] a[data-step="7"]').click();
  assert.deepEqual([await text('step-index'), await text('step-command')], ['7 / 14', '27:  Add']);
  await byId('codestore').locator('[data-step="3"]').click();
  assert.equal(await text('step-index'), '3 / 14');
  await page.locator('.cm-lineNumbers .cm-gutterElement', { hasText: /^12$/ }).click(); // WRITE y
  assert.deepEqual([await text('step-index'), await text('step-command')], ['9 / 14', '34:  Lod 1']);
  await byId('step-play').click();
  await page.waitForTimeout(1300);
  await byId('step-play').click();
  const played = Number((await text('step-index')).split(' ')[0]);
  assert.ok(played >= 11, `at ${played} after 1.3 s`);
  await page.waitForTimeout(700);
  assert.equal(Number((await text('step-index')).split(' ')[0]), played, 'paused');
  await byId('step-view').focus();
  for (const [key, keys, large] of [['?', true, false], ['l', true, true], ['Escape', false, true], ['L', false, false]]) {
    await page.keyboard.press(key);
    assert.deepEqual([await byId('step-keys').isVisible(), await page.evaluate(() => document.documentElement.classList.contains('present'))],
      [keys, large], key);
  }
  assert.ok(await byId('step-view').isVisible());
  await page.keyboard.press('?');
  assert.deepEqual(await axe(page), []);
  await page.keyboard.press('Escape');
});

// Each trace row stays in sight, and the marked one is scrolled to within its pane.
test('the trace pane: no row hidden, the marked one in view, the page never moved', async () => {
  await openAt(`${url}#example=booleans&step=1`);
  await byId('step-view').focus();
  const y = await page.evaluate(() => scrollY);
  for (let k = 1; k <= 26; k++) {
    const state = await page.evaluate(() => {
      const pane = document.querySelector('[data-testid=stderr]');
      const rows = [...pane.querySelectorAll('.row')].map((r) => r.getBoundingClientRect());
      const p = pane.getBoundingClientRect();
      const c = pane.querySelector('.current').getBoundingClientRect();
      return [rows.filter((r, i) => r.height === 0 || (i > 0 && r.top < rows[i - 1].bottom - 0.5)).length,
        c.top >= p.top && c.bottom <= p.bottom, scrollY];
    });
    assert.deepEqual(state, [0, true, y], `step ${k}`);
    await page.keyboard.press('ArrowRight');
  }
});

test('the embed at a step: a 640×400 frame with no scroll bar, the link back at the same step', async () => {
  const other = await browser.newContext({ viewport: { width: 640, height: 400 } });
  const p = await other.newPage();
  const code = deflateRawSync(example('variables', 'kel')).toString('base64url');
  await p.goto(`${url}embed.html#code=${code}&step=4`);
  await p.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
  const back = byId('open-playground', p);
  assert.deepEqual([await text('step-index', p), await back.getAttribute('href'), await back.getAttribute('target'),
    await byId('source', p).getAttribute('contenteditable'), await byId('step-close', p).count()],
  ['4 / 14', `${url}index.html#code=${code}&step=4`, '_blank', 'false', 0]);
  assert.ok(await p.evaluate(() => document.documentElement.scrollHeight <= innerHeight && document.documentElement.scrollWidth <= innerWidth));
  await byId('step-next', p).click();
  assert.equal(await back.getAttribute('href'), `${url}index.html#code=${code}&step=5`);
  // play=1 plays from the step named.
  await p.goto(`${url}embed.html#example=variables&step=12&play=1`);
  await p.waitForFunction(() => document.querySelector('[data-testid=step-index]').textContent === '14 / 14');
  assert.deepEqual(await axe(p), []);
  await shot('embed', p);
  // A damaged link given later is said to be so, and the steps shown before are closed.
  await p.evaluate(() => (location.hash = 'code=ab*cd'));
  await p.waitForFunction(() => document.querySelector('[data-testid=status]').textContent.includes('This link holds no program'));
  assert.deepEqual([await byId('step-view', p).isHidden(), await p.locator('.kel-origin, .kel-read').count()], [true, 0]);
  // Without a program, it says how to name one.
  await p.evaluate(() => (location.hash = ''));
  await p.waitForFunction(() => document.querySelector('[data-testid=status]').textContent.includes('names no program'));
  assert.match(await text('status', p), /#example=hello/);
  await other.close();
});

test('Share: the link and the embed code, copied; a program over 1 MiB refused; a draft too large to keep said so', async () => {
  const other = await browser.newContext({ permissions: ['clipboard-read', 'clipboard-write'] });
  const p = await other.newPage();
  await openAt(url, p);
  await runProgram('BEGIN WRITE 1; WRITE 2 .', p);
  await byId('step', p).click();
  await byId('step-next', p).click();
  await byId('share', p).click();
  await p.waitForFunction(() => document.querySelector('[data-testid=share-note]').textContent !== '');
  const link = await byId('link', p).inputValue();
  assert.match(link, /#code=[\w-]+&step=2$/);
  assert.deepEqual([await text('share-note', p), await p.evaluate(() => navigator.clipboard.readText())], ['Link copied.', link]);
  assert.ok((await byId('share-embed', p).inputValue()).startsWith(`<iframe src="${url}embed.html${link.slice(link.indexOf('#')).replace('&', '&amp;')}"`));
  assert.deepEqual(await axe(p), []);
  await type(`BEGIN WRITE 1 (* ${'x'.repeat(1 << 20)} *) .`, p);
  await byId('share', p).click();
  assert.match(await text('share-note', p), /^No link was made: this program is 1\.00 MiB, and a link carries at most 1 MiB\.$/);
  assert.equal(await byId('link', p).isVisible(), false);
  await p.evaluate(() => (Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); }));
  await type('BEGIN WRITE 3 .', p);
  await byId('draft-note', p).waitFor();
  await other.close();
});

test('dark: the step view and the lint tooltip in the page\'s colours, with no WCAG A/AA violation', async () => {
  await page.emulateMedia({ colorScheme: 'dark' });
  await openAt(`${url}#example=syntax-error&step=2`);
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).colorScheme), 'dark');
  await byId('mark').hover();
  const tip = page.locator('.cm-tooltip:has(.cm-tooltip-lint)');
  await tip.waitFor();
  const [colours, want] = await Promise.all([tip.evaluate((t) => [getComputedStyle(t).color, getComputedStyle(t).backgroundColor]),
    page.evaluate(() => [getComputedStyle(document.body).color, getComputedStyle(document.querySelector('.step-view')).backgroundColor])]);
  assert.deepEqual(colours, want);
  assert.deepEqual(await axe(page), []);
  await shot('dark');
  await page.emulateMedia({ colorScheme: 'light' });
});

test('Ctrl+Enter runs, and a draft survives a reload', async () => {
  await type('BEGIN WRITE 7 .');
  await byId('source').press('Control+Enter');
  await page.waitForFunction(() => document.querySelector('[data-testid=stdout]').textContent === '7\n');
  assert.equal(await source(), 'BEGIN WRITE 7 .'); // and started no new line
  await page.waitForTimeout(400); // the draft is kept a moment after the last change
  await page.reload();
  await firstResult();
  assert.equal(await source(), 'BEGIN WRITE 7 .');
});

// Lines wrap while none is longer than 10,000 characters: typing into a longer one leaves them
// unwrapped; breaking it, or taking enough out of it, wraps them again.
test('lines wrap only while none is longer than 10,000 characters', async () => {
  const wrapping = () => byId('source').evaluate((e) => e.classList.contains('cm-lineWrapping'));
  const keys = async (...ks) => {
    for (const k of ks) await page.keyboard.press(k);
    return wrapping();
  };
  await type(`BEGIN (*${'x'.repeat(9990)}*) .`); // 10,002 characters
  assert.deepEqual([await wrapping(), await keys('y'), await keys('Control+Home', ...Array(6).fill('ArrowRight'), 'Enter'),
    await keys('Backspace'), await keys('Backspace'), await keys('Control+a', 'Delete')], [false, false, true, false, false, true]);
});

test('a newer run ends an older one still running in its worker', async () => {
  let watch;
  const ended = new Promise((resolve) => (watch = (w) => w.on('close', () => resolve('a worker ended'))));
  page.workers().forEach(watch);
  page.on('worker', watch);
  // kel takes a while over a program of 3 MiB in its worker: the second run comes meanwhile.
  await type(`BEGIN WRITE 1 (* ${'x'.repeat(3 << 20)} *) .`);
  const n = await runsDone();
  await byId('run').click();
  await page.waitForTimeout(30);
  await byId('run').click();
  await page.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n);
  assert.equal(await text('stdout'), '1\n');
  await page.waitForTimeout(300);
  assert.equal(await runsDone(), n + 1, 'only the newer run ends');
  const timeout = new Promise((resolve) => setTimeout(() => resolve('no worker ended'), 5000));
  assert.equal(await Promise.race([ended, timeout]), 'a worker ended');
});

test('a damaged share link is reported, naming it and what is wrong; the draft stays and nothing runs', async () => {
  const good = deflateRawSync(Buffer.from('BEGIN WRITE 1; WRITE 2; WRITE 3 .\n')).toString('base64url');
  const big = deflateRawSync(Buffer.alloc((1 << 20) + 1, ' ')).toString('base64url');
  const cases = [
    ['bad encoding', 'code=ab*cd', /not in the encoding of a share link/],
    ['nothing', 'code=', /nothing after code=/],
    ['cut short', `code=${good.slice(0, 10)}`, /: it was cut short\./],
    ['more after its end', `code=${good}AAAA`, /more after the end of its program/],
    ['not deflate', 'code=____', /not compressed as a share link is/],
    ['over 1 MiB', `code=${big}`, /larger than 1 MiB/],
    ['no such example', 'example=nothing', /example nothing could not be loaded/],
  ];
  const other = await browser.newContext();
  const p = await other.newPage();
  await openAt(url, p);
  await p.evaluate(() => localStorage.setItem('kel-draft', 'BEGIN WRITE 99 .'));
  for (const [what, hash, why] of cases) {
    await p.goto('about:blank');
    await openAt(`${url}#${hash}`, p);
    const status = await text('status', p);
    assert.match(status, why, what);
    assert.ok(status.includes(`${url}#${hash}`.slice(0, 100)), `${what}: the link is named`);
    assert.deepEqual([await runsDone(p), await text('stdout', p), await source(p)], [0, '', 'BEGIN WRITE 99 .'], what);
  }
  await other.close();
  // On a later change of the address too: the program shown stays, and its output.
  await runProgram('BEGIN WRITE 5 .');
  const n = await runsDone();
  await page.evaluate(() => (location.hash = 'code=ab*cd'));
  await page.waitForFunction(() => document.querySelector('[data-testid=status]').textContent.includes('This link holds no program'));
  assert.equal(await runsDone(), n);
  assert.equal(await text('stdout'), '5\n');
  // Text from a link is text: a program of markup stays characters.
  await page.evaluate(async () => (location.hash = `example=${encodeURIComponent('<img src=x onerror=alert(1)>')}`));
  await page.waitForFunction(() => document.querySelector('[data-testid=status]').textContent.includes('<img'));
  assert.equal(await page.locator('#status img').count(), 0);
});

test('a failed load of kel.wasm or of an example says so', async () => {
  const other = await browser.newContext();
  const p = await other.newPage();
  await p.route('**/kel.wasm', (r) => r.fulfill({ status: 404 }));
  await p.route('**/examples/hello.kel', (r) => r.abort());
  await p.goto(url);
  await p.waitForFunction(() => /could not be loaded/.test(document.querySelector('[data-testid=status]').textContent));
  await p.waitForTimeout(200);
  const status = await text('status', p);
  assert.match(status, /could not be loaded/);
  assert.doesNotMatch(status, /Loading/);
  await other.close();
});

test('at phone width everything fits, and the step view works without moving the page', async () => {
  const other = await browser.newContext({ viewport: { width: 390, height: 844 }, isMobile: true });
  const p = await other.newPage();
  await openAt(`${url}#example=variables&step=3`, p);
  assert.equal(await text('stdout', p), lf(example('variables', 'stdout')));
  await byId('step-view', p).waitFor();
  assert.match(await text('step-index', p), /^3 \/ \d+$/);
  assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
  await shot('phone', p);
  // With the editor all but out of sight above the view, each step's origin is scrolled to
  // within the editor, and the page stays where the reader put it.
  await byId('step-first', p).click();
  await p.evaluate(() => scrollBy(0, document.querySelector('#editor').getBoundingClientRect().bottom - 60));
  const y = await p.evaluate(() => scrollY);
  for (let k = 0; k < 10; k++) await byId('step-next', p).click();
  assert.deepEqual([await text('step-index', p), await p.evaluate(() => scrollY)], ['11 / 14', y]);
  await other.close();
});

test('the whole site, the tour included, is within 300 KB gzipped', () => {
  const files = (dir) => readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? files(new URL(`${e.name}/`, dir)) : [new URL(e.name, dir)]);
  const size = files(site).reduce((s, f) => s + gzipSync(readFileSync(f), { level: 9 }).length, 0);
  assert.ok(size <= 300 * 1024, `${size} bytes`);
});
