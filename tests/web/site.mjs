// What the browser test and bench/playground.mjs share: the site from web/build served on
// 127.0.0.1, and Debian's chromium (KEL_CHROMIUM names another) driven by playwright-core from
// web/node_modules.
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
