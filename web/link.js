// Share links: the program, compressed (deflate, raw) and in base64url, after #code=; or an
// example after #example=NAME; the step the step view shows after step=K, play=1 to play from
// there, predict=1 for predict mode, large=1 for large type and theme=light or theme=dark. A
// link is read as it was meant: punctuation that a mail or chat client put after it and white
// space within its code are ignored; whatever else is not understood is said. A link that holds
// no program is told apart from one that names none, with what is wrong with it. The page's
// address keeps naming the program the editor holds, and the step shown, until it is edited.
// The embed (embed.html) and the tour (learn.html) read the same links.
export const maxShared = 1 << 20; // a link carries at most 1 MiB of program

class DamagedLink extends Error {}

function base64url(bytes) {
  let bin = '';
  for (let i = 0; i < bytes.length; i += 0x8000) bin += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(bin).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

export async function pack(text) {
  const s = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  return base64url(new Uint8Array(await new Response(s).arrayBuffer()));
}

// Why a link holds no program (or lesson: what), by what its deflate data does; most is the
// most it carries, in words.
const damage = (what, most) => ({
  short: 'it was cut short',
  after: `it has more after the end of its ${what}: text was added to the link`,
  bad: `its ${what} is not compressed as a share link is`,
  large: `its ${what} is larger than ${most}, the most a link carries`,
});
const sizes = (max) => (max >= 1 << 20 ? `${max / (1 << 20)} MiB` : `${max / 1024} KiB`);

// Raw deflate data inflated: { parts } when it is one whole stream, else what is wrong with it
// (a key of damage): 'short' when it ends before the stream does, 'bad' when a byte is refused
// (not deflate, or more after the stream's end), 'large' past max bytes of output. A
// decompression stream refuses such a byte as it is written and a missing end as it is closed;
// that tells them apart, as the wording of its errors, each browser's own, could not.
async function inflate(bytes, max) {
  const { readable, writable } = new DecompressionStream('deflate-raw');
  const writer = writable.getWriter();
  const fed = writer.write(bytes).then(() => writer.close().then(() => 'whole', () => 'short'), () => 'bad');
  const reader = readable.getReader();
  const parts = [];
  let size = 0;
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      size += value.length;
      if (size > max) {
        reader.cancel().catch(() => {});
        return 'large';
      }
      parts.push(value);
    }
  } catch {
    // fed says why
  }
  const how = await fed;
  return how === 'whole' ? { parts } : how;
}

// What is wrong with deflate data that has a byte refused: 'after' when a part of it from its
// start is a whole stream (then more was added), found by halving: a shorter part ends before
// the stream does, a longer one has a byte refused.
async function refused(bytes, max) {
  let lo = 1;
  let hi = bytes.length - 1;
  while (lo <= hi) {
    const mid = (lo + hi) >> 1;
    const r = await inflate(bytes.subarray(0, mid), max);
    if (r === 'short') lo = mid + 1;
    else if (r === 'bad') hi = mid - 1;
    else return r === 'large' ? r : 'after';
  }
  return 'bad';
}

// The program in code (or the lesson, what, of at most max bytes, after key=), or a DamagedLink
// saying why there is none.
export async function unpack(code, { max = maxShared, what = 'program', key = 'code' } = {}) {
  if (code === '') throw new DamagedLink(`it has nothing after ${key}=`);
  if (!/^[A-Za-z0-9_-]*$/.test(code)) throw new DamagedLink('it is not in the encoding of a share link');
  if (code.length % 4 === 1) throw new DamagedLink('it was cut short, or has a character too many');
  const bytes = Uint8Array.from(atob(code.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));
  let r = await inflate(bytes, max);
  if (r === 'bad') r = await refused(bytes, max);
  if (typeof r === 'string') throw new DamagedLink(damage(what, sizes(max))[r]);
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(await new Blob(r.parts).arrayBuffer());
  } catch {
    throw new DamagedLink(`its ${what} is not text`);
  }
}

// What a mail or chat client leaves at the end of a link: ) . , ] and white space, as typed or
// as percent escapes.
const trailing = /(?:[\s).,\]]|%(?:2[09cCeE]|0[9aAdD]|5[dD]))+$/;

const count = (v) => (/^\d+$/.test(v) && Number(v) > 0 ? Number(v) : undefined);
const one = (v) => (v === '1' ? true : undefined);

// The parameters a link may have, each with what makes its value understood (lesson and md are
// the tour's).
const params = {
  code: (v) => v.replace(/\s+/g, ''),
  example: (v) => v.trim() || undefined,
  step: count,
  play: one,
  predict: one,
  large: one,
  theme: (v) => (v === 'light' || v === 'dark' ? v : undefined),
  lesson: count,
  md: (v) => v.replace(/\s+/g, ''),
};

// What a fragment names: { code, example, step, play, predict, large, theme, lesson, md }, each
// undefined when absent (play, predict and large true for =1), and unread, the parts not
// understood, as written.
export function parseHash(hash) {
  const text = hash.replace(/^#/, '').replace(trailing, '');
  const h = { unread: [] };
  for (const part of text.split('&')) {
    if (part === '') continue;
    const [key, value] = [...new URLSearchParams(part)][0] ?? [part, ''];
    const v = Object.hasOwn(params, key) ? params[key](value) : undefined;
    if (v === undefined) h.unread.push(part);
    else h[key] = v;
  }
  return h;
}

// The parts of a link that were not understood, as written but for percent escapes, each cut
// short when long.
function unreadParts(h) {
  return h.unread.map((p) => {
    let s = p;
    try {
      s = decodeURIComponent(p);
    } catch {
      // shown as written
    }
    return s.length > 40 ? `${s.slice(0, 40)}…` : s;
  }).join(', ');
}

// What of a link that names a program was not understood, in words; '' when all of it was.
export function unread(h) {
  return h.unread.length ? `Not understood in this link, and left out: ${unreadParts(h)}.` : '';
}

// The fragment for a program's link (code or example) and a step (0 for none), with the
// options given (play, predict, large, theme).
export function makeHash({ code, example }, step, { play, predict, large, theme } = {}) {
  const p = new URLSearchParams();
  if (code !== undefined) p.set('code', code);
  else if (example !== undefined) p.set('example', example);
  else return '';
  if (step) p.set('step', String(step));
  if (play) p.set('play', '1');
  if (predict) p.set('predict', '1');
  if (large) p.set('large', '1');
  if (theme) p.set('theme', theme);
  return '#' + p.toString();
}

// What the address names: { h (parseHash), named ({ code } or { example }), text }, text null
// when it names no program; or { h, trouble }, the report of a link that holds no program, names
// none in a way understood, or whose example cannot be loaded, naming the link and saying what
// was done instead.
export async function readAddress(instead) {
  const h = parseHash(location.hash);
  try {
    if (h.code === undefined && h.example === undefined) {
      if (h.unread.length === 0) return { h, text: null };
      const what = `This link names no program: it has ${unreadParts(h)}, which is not understood; a program's link has #code=… or #example=NAME`;
      return { h, trouble: report(what, location.href, instead) };
    }
    const text = h.code !== undefined ? await unpack(h.code) : await fetchExample(h.example);
    return { h, text, named: h.code !== undefined ? { code: h.code } : { example: h.example } };
  } catch (e) {
    return { h, trouble: linkTrouble(e, location.href, instead) };
  }
}

export async function fetchExample(name) {
  let r;
  try {
    r = await fetch(`examples/${encodeURIComponent(name)}.kel`);
  } catch (e) {
    throw new Error(`the example ${name} could not be loaded: ${e.message}`);
  }
  if (!r.ok) throw new Error(`the example ${name} could not be loaded (HTTP ${r.status})`);
  return r.text();
}

// What a link that holds no program (or lesson: what) is reported as, with what the page did
// instead, naming the link.
export function linkTrouble(e, href, instead, what = 'program') {
  return report(e instanceof DamagedLink ? `This link holds no ${what}: ${e.message}` : `This link's ${what} is missing: ${e.message}`, href, instead);
}

function report(why, href, instead) {
  const shown = href.length > 120 ? href.slice(0, 100) + '…' : href;
  return `${why}. ${instead} The link: ${shown}`;
}

// The sizes Share offers for an embed, in pixels: the embed lays itself out for each.
export const embedSizes = [[640, 400], [960, 600], [1280, 720]];

// The embed code for a program's link at a step: an iframe of embed.html beside page (the
// playground's address), ready to paste into slides or a course page, of the size given, with
// the options given (predict, large, theme).
export function embedCode(named, step, page, { width = 640, height = 400, ...options } = {}) {
  const src = new URL('embed.html' + makeHash(named, step, options), page).href;
  const attr = (s) => s.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');
  return `<iframe src="${attr(src)}" width="${width}" height="${height}" title="A kel program, step by step" style="border: 1px solid #8c8c8c" loading="lazy"></iframe>`;
}

// What the page's address names: the program's link ({ code } or { example }) while the editor
// holds it, else nothing; its fragment also names the step shown, and predict mode while on.
export function createAddress() {
  let named = {};
  let step = 0;
  let predict = false;
  const naming = () => named.code !== undefined || named.example !== undefined;
  // The address, while it names a program.
  const write = () => naming() && history.replaceState(null, '', makeHash(named, step, { predict }));
  return {
    // The editor now holds the program of link, shown at step k (0 for none).
    name(link, k = 0) {
      named = link;
      step = k;
      write();
    },
    // The step the step view shows (0 when closed), while the address names a program.
    showStep(k) {
      step = k;
      write();
    },
    // Predict mode is on or off.
    predict(on) {
      predict = on;
      write();
    },
    // The program's link, { code } or { example }, or {} while it names none.
    get named() {
      return named;
    },
    get naming() {
      return naming();
    },
    // Predict mode, as the address names it.
    get predicting() {
      return predict;
    },
    // The text was edited: the address names nothing any more.
    forget() {
      named = {};
      if (location.hash) history.replaceState(null, '', location.pathname + location.search);
    },
  };
}
