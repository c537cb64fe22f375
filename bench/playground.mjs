// The playground's figures, in headless chromium on the site of web/build (build it first):
//   node bench/playground.mjs [--rounds N]
// - load to first result: from the start of a page load to the first run's result on screen
//   (hello, a fresh profile each time);
// - click to result: from a click on Run to the result on screen (variables.kel);
// - one step: a click on Next in the step view until the view is drawn and laid out, on a
//   program that fills the code store (146 WRITEs);
// - the longest stall of the page's thread on a 4 MiB program: while the page opens with it as
//   the draft kept in the browser, and from a click on Run to its result. A probe on the page's
//   thread posts itself a message over and over; the longest gap between two is the longest task
//   (or frame) in that time;
// - the longest stall while the step view opens on 4 MiB of blank lines before a command (Step,
//   then Next, Last and First: every move);
// - a program of 1 MiB, one constant expression that kel folds while reading, every division of
//   it rounding down: from a click on Run to its result;
// - the longest stall of a paste of 1 MiB of program into the editor, until the draft is kept;
// - embed load to first step, at each size Share offers (640×400, 960×600, 1280×720): from the
//   start of the embed's load to its step view drawn at step 3 of variables.kel (a fresh
//   profile each time);
// - reload at a step: a draft shown at step 7 in large type, reloaded; from the start of the
//   load to the draft run and its step view drawn at step 7 again;
// - tour load to first lesson: from the start of learn.html's load to its first lesson drawn,
//   with its program run (a fresh profile each time);
// - a prediction: from a click on a choice of a predict exercise (lesson 7) to the step asked
//   drawn and laid out in the step view.
// Medians and extremes over the rounds. Nothing here passes or fails.
import { readFileSync } from 'node:fs';
import { embedSizes } from '../web/link.js';
import { launchChromium, root, serveSite } from '../tests/web/site.mjs';

const rounds = Number(process.argv[process.argv.indexOf('--rounds') + 1]) || 9;
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const ms = (x) => `${x.toFixed(1)} ms`;
const summary = (xs) => `median ${ms(median(xs))}, ${ms(Math.min(...xs))} to ${ms(Math.max(...xs))}`;
const firstResult = (p) => p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
const runsDone = (p) => p.evaluate(() => performance.getEntriesByName('kel-run').length);
// Makes text the only draft kept in the browser, for the next load of the page to open.
const onlyDraft = (p, text) => p.evaluate((t) => {
  localStorage.clear();
  sessionStorage.clear();
  if (t !== null) localStorage.setItem('kel-draft', t);
}, text);

async function clickRun(p) {
  const n = await runsDone(p);
  await p.getByTestId('run').click();
  await p.waitForFunction((k) => performance.getEntriesByName('kel-run').length > k, n, { timeout: 60000 });
  return p.evaluate(() => performance.getEntriesByName('kel-run').at(-1).duration);
}

// Starts the probe of the page's thread, in the page; stopProbe() resolves to the longest gap
// since.
function startProbe() {
  const channel = new MessageChannel();
  let last = performance.now();
  window.longest = 0;
  window.probing = true;
  channel.port1.onmessage = () => {
    const now = performance.now();
    window.longest = Math.max(window.longest, now - last);
    last = now;
    if (window.probing) channel.port2.postMessage(0);
  };
  channel.port2.postMessage(0);
}
const stopProbe = (p) => p.evaluate(() => ((window.probing = false), window.longest));

// A program of 4 MiB: comment lines of 64 bytes, then a statement.
function bigProgram() {
  const line = `(* ${'four mebibytes of source, kel reads all of it '.padEnd(57, '.')} *)\n`;
  const tail = 'BEGIN WRITE 4 * 1024 * 1024 .\n';
  return line.repeat(Math.floor(((4 << 20) - tail.length) / line.length)) + tail;
}

const server = await serveSite();
const browser = await launchChromium();
const figures = {};
try {
  const load = [];
  for (let i = 0; i < rounds; i++) {
    const context = await browser.newContext();
    const p = await context.newPage();
    await p.goto(server.url);
    await firstResult(p);
    load.push(await p.evaluate(() => performance.getEntriesByName('kel-first-result')[0].startTime));
    await context.close();
  }
  figures['load to first result'] = summary(load);

  const context = await browser.newContext();
  const p = await context.newPage();
  await p.goto(server.url);
  await firstResult(p);
  await p.getByTestId('source').fill(readFileSync(new URL('examples/variables.kel', root), 'utf8'));
  const click = [];
  for (let i = 0; i < rounds * 3; i++) click.push(await clickRun(p));
  figures['click to result'] = `${summary(click)} (variables.kel)`;

  await p.getByTestId('source').fill(`BEGIN\n${'  WRITE 7;\n'.repeat(146)}.\n`);
  await p.getByTestId('step').click();
  await p.getByTestId('step-view').waitFor();
  const step = [];
  for (let i = 0; i < rounds * 3; i++) {
    step.push(await p.evaluate(() => {
      const start = performance.now();
      document.querySelector('[data-testid=step-next]').click();
      void document.body.offsetHeight; // laid out
      return performance.now() - start;
    }));
  }
  figures['one step'] = `${summary(step)} (146 WRITEs)`;

  // The 4 MiB program is the draft of a page that opens: the probe starts with the page.
  await onlyDraft(p, bigProgram());
  await p.addInitScript(startProbe);
  const open = [];
  const run = [];
  for (let i = 0; i < Math.min(rounds, 5); i++) {
    await p.reload();
    await firstResult(p);
    await p.waitForTimeout(1000); // what the editor does after the change
    open.push(await stopProbe(p));
    await p.evaluate(startProbe);
    const took = await clickRun(p);
    await p.waitForTimeout(200);
    run.push(await stopProbe(p));
    if (i === 0) figures['4 MiB program, click to result'] = ms(took);
  }
  figures['longest stall, page opening with a 4 MiB program'] = summary(open);
  figures['longest stall, 4 MiB program run'] = summary(run);

  // 1 MiB of one constant expression, every division of it rounding down: the mirror of kel's
  // parser folds it as kel does, for the origin of its one command and the words of its rounding.
  await p.getByTestId('source').fill(`CONST m = -1;\nBEGIN WRITE m${' / 2'.repeat((1 << 20) / 4 - 10)} .\n`);
  figures['1 MiB folded expression, click to result'] = ms(await clickRun(p));

  // 4 MiB of blank lines, then the program: all of it is read before the first command.
  const blank = 'BEGIN WRITE 1; WRITE 2 .\n';
  await onlyDraft(p, '\n'.repeat((4 << 20) - blank.length) + blank);
  const opening = [];
  for (let i = 0; i < Math.min(rounds, 5); i++) {
    await p.reload();
    await firstResult(p);
    await p.waitForTimeout(1000);
    await p.evaluate(startProbe);
    await p.getByTestId('step').click();
    await p.getByTestId('step-view').waitFor();
    for (const id of ['step-next', 'step-last', 'step-first']) await p.getByTestId(id).click();
    await p.waitForTimeout(300);
    opening.push(await stopProbe(p));
  }
  figures['longest stall, Step on 4 MiB of blank lines and every move'] = summary(opening);

  // A paste of 1 MiB: comment lines of 64 bytes, as the clipboard gives them to the editor.
  const pasted = bigProgram().slice(-(1 << 20));
  const paste = [];
  for (let i = 0; i < Math.min(rounds, 5); i++) {
    await onlyDraft(p, null);
    await p.reload();
    await firstResult(p);
    await p.getByTestId('source').click();
    await p.keyboard.press('Control+a');
    await p.evaluate(startProbe);
    await p.evaluate((text) => {
      const data = new DataTransfer();
      data.setData('text/plain', text);
      document.querySelector('[data-testid=source]').dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true }));
    }, pasted);
    await p.waitForTimeout(1000); // the draft is kept 300 ms after the change
    paste.push(await stopProbe(p));
  }
  figures['longest stall, paste of 1 MiB'] = summary(paste);
  await context.close();

  for (const [width, height] of embedSizes) {
    const embed = [];
    for (let i = 0; i < rounds; i++) {
      const c = await browser.newContext({ viewport: { width, height } });
      const e = await c.newPage();
      await e.goto(`${server.url}embed.html#example=variables&step=3`);
      await e.waitForFunction(() => performance.getEntriesByName('kel-first-step').length > 0);
      embed.push(await e.evaluate(() => performance.getEntriesByName('kel-first-step')[0].startTime));
      await c.close();
    }
    figures[`embed load to first step, ${width}×${height}`] = `${summary(embed)} (variables.kel, step 3)`;
  }

  // A draft at step 7, in large type; the page's own kel-first-result comes once the step is drawn.
  const tab = await (await browser.newContext()).newPage();
  await tab.goto(server.url);
  await firstResult(tab);
  await tab.getByTestId('source').fill(readFileSync(new URL('examples/variables.kel', root), 'utf8'));
  await tab.getByTestId('step').click();
  await tab.getByTestId('step-slider').fill('7');
  await tab.keyboard.press('L');
  await tab.waitForTimeout(500); // the draft is kept 300 ms after the change
  const reload = [];
  for (let i = 0; i < rounds; i++) {
    await tab.reload();
    await firstResult(tab);
    if ((await tab.getByTestId('step-index').textContent()) !== '7 / 14') throw new Error('the reload lost the step');
    reload.push(await tab.evaluate(() => performance.getEntriesByName('kel-first-result')[0].startTime));
  }
  figures['reload at a step'] = `${summary(reload)} (variables.kel as a draft, step 7, large type)`;
  await tab.context().close();

  const tour = [];
  const predict = [];
  for (let i = 0; i < rounds; i++) {
    const c = await browser.newContext();
    const t = await c.newPage();
    await t.goto(`${server.url}learn.html`);
    await t.waitForFunction(() => performance.getEntriesByName('kel-first-lesson').length > 0);
    tour.push(await t.evaluate(() => performance.getEntriesByName('kel-first-lesson')[0].startTime));
    await t.goto('about:blank');
    await t.goto(`${server.url}learn.html#lesson=7`);
    await t.waitForFunction(() => performance.getEntriesByName('kel-first-lesson').length > 0);
    await t.getByTestId('exercise').first().getByRole('button', { name: 'Start' }).click();
    await t.getByTestId('choice').first().waitFor();
    predict.push(await t.evaluate(() => new Promise((done) => {
      const index = document.querySelector('[data-testid=step-index]');
      const start = performance.now();
      new MutationObserver(() => {
        if (index.textContent !== '3 / 14') return;
        void document.body.offsetHeight; // laid out
        done(performance.now() - start);
      }).observe(index, { childList: true, characterData: true, subtree: true });
      document.querySelector('[data-testid=choice]').click();
    })));
    await c.close();
  }
  figures['tour load to first lesson'] = `${summary(tour)} (its program run)`;
  figures['a prediction, choice to step drawn'] = `${summary(predict)} (lesson 7, command 3)`;
} finally {
  await browser.close();
  server.close();
}
console.log(`playground figures, ${new Date().toISOString().slice(0, 10)}, ${rounds} rounds, chromium ${browser.version()}:`);
for (const [what, figure] of Object.entries(figures)) console.log(`  ${what}: ${figure}`);
