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
//   (or frame) in that time.
// Medians and extremes over the rounds. Nothing here passes or fails.
import { readFileSync } from 'node:fs';
import { launchChromium, root, serveSite } from '../tests/web/site.mjs';

const rounds = Number(process.argv[process.argv.indexOf('--rounds') + 1]) || 9;
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const ms = (x) => `${x.toFixed(1)} ms`;
const summary = (xs) => `median ${ms(median(xs))}, ${ms(Math.min(...xs))} to ${ms(Math.max(...xs))}`;
const firstResult = (p) => p.waitForFunction(() => performance.getEntriesByName('kel-first-result').length > 0);
const runsDone = (p) => p.evaluate(() => performance.getEntriesByName('kel-run').length);

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
  await p.evaluate((text) => localStorage.setItem('kel-draft', text), bigProgram());
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
  await context.close();
} finally {
  await browser.close();
  server.close();
}
console.log(`playground figures, ${new Date().toISOString().slice(0, 10)}, ${rounds} rounds, chromium ${browser.version()}:`);
for (const [what, figure] of Object.entries(figures)) console.log(`  ${what}: ${figure}`);
