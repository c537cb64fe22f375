// What the browser tests and bench/playground.mjs share: the site from web/build served on
// 127.0.0.1, Debian's chromium (KEL_CHROMIUM names another) driven by playwright-core from
// web/node_modules, and axe-core's check of a page.
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { extname } from 'node:path';

export const root = new URL('../../', import.meta.url);
export const site = new URL('build-wasm/site/', root);
export const webRequire = createRequire(new URL('web/package.json', root));

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

// Resolves to { url, close }.
export async function serveSite() {
  const server = createServer((req, res) => {
    const path = new URL(req.url, 'http://x').pathname.replace(/\/$/, '/index.html');
    let body;
    try {
      if (path.includes('..')) throw new Error('outside the site');
      body = readFileSync(new URL('.' + path, site));
    } catch {
      return res.writeHead(404).end();
    }
    res.writeHead(200, { 'content-type': types[extname(path)] ?? 'text/plain' }).end(body);
  });
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

export function launchChromium() {
  return webRequire('playwright-core').chromium.launch({
    executablePath: process.env.KEL_CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// What axe-core finds against the WCAG 2 A and AA rules in page p as it is: one line a rule
// broken, with the elements that break it.
export async function axe(p) {
  if (!(await p.evaluate(() => 'axe' in window))) await p.addScriptTag({ path: webRequire.resolve('axe-core/axe.min.js') });
  const r = await p.evaluate(() => axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa'] } }));
  return r.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}
