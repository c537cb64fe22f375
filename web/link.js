// Share links: the program, compressed (deflate, raw) and in base64url, after #code=; or an
// example after #example=NAME; the step the step view shows after step=K, and play=1 to play
// from there. A link that holds no program is told apart from one that names none, with what is
// wrong with it. The page's address keeps naming the program the editor holds, and the step
// shown, until it is edited. The embed (embed.html) reads the same links.
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

const count = (v) => (Number.isInteger(Number(v)) && Number(v) > 0 ? Number(v) : undefined);

// What the address's fragment names: { code, example, step, play, predict, lesson, md }, each
// undefined when absent (play and predict true for =1; lesson and md are the tour's).
export function parseHash(hash) {
  const p = new URLSearchParams(hash.replace(/^#/, ''));
  return {
    code: p.get('code') ?? undefined,
    example: p.get('example') ?? undefined,
    step: count(p.get('step')),
    play: p.get('play') === '1' || undefined,
    predict: p.get('predict') === '1' || undefined,
    lesson: count(p.get('lesson')),
    md: p.get('md') ?? undefined,
  };
}

// The fragment for a program's link (code or example), a step (0 for none) and predict mode.
export function makeHash({ code, example }, step, predict = false) {
  const p = new URLSearchParams();
  if (code !== undefined) p.set('code', code);
  else if (example !== undefined) p.set('example', example);
  else return '';
  if (step) p.set('step', String(step));
  if (predict) p.set('predict', '1');
  return '#' + p.toString();
}

// What the address names: { h (parseHash), named ({ code } or { example }), text }, text null
// when it names no program; or { h, trouble }, the report of a link that holds no program or
// whose example cannot be loaded, naming the link and saying what was done instead.
export async function readAddress(instead) {
  const h = parseHash(location.hash);
  try {
    const text = h.code !== undefined ? await unpack(h.code) : h.example !== undefined ? await fetchExample(h.example) : null;
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
  const why = e instanceof DamagedLink ? `This link holds no ${what}: ${e.message}` : `This link's ${what} is missing: ${e.message}`;
  const shown = href.length > 120 ? href.slice(0, 100) + '…' : href;
  return `${why}. ${instead} The link: ${shown}`;
}

// The embed code for a program's link at a step, in predict mode or not: an iframe of embed.html
// beside page (the playground's address), ready to paste into slides or a course page.
export function embedCode(named, step, page, predict = false) {
  const src = new URL('embed.html' + makeHash(named, step, predict), page).href;
  const attr = (s) => s.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');
  return `<iframe src="${attr(src)}" width="640" height="400" title="A kel program, step by step" style="border: 1px solid #8c8c8c" loading="lazy"></iframe>`;
}

// What the page's address names: the program's link ({ code } or { example }) while the editor
// holds it, else nothing; its fragment also names the step shown, and predict mode while on.
export function createAddress() {
  let named = {};
  let step = 0;
  let predict = false;
  const naming = () => named.code !== undefined || named.example !== undefined;
  return {
    // The editor now holds the program of link, shown at step k (0 for none).
    name(link, k = 0) {
      named = link;
      step = k;
      history.replaceState(null, '', makeHash(named, step, predict));
    },
    // The step the step view shows (0 when closed), while the address names a program.
    showStep(k) {
      step = k;
      if (naming()) history.replaceState(null, '', makeHash(named, step, predict));
    },
    // Predict mode is on or off.
    predict(on) {
      predict = on;
      if (naming()) history.replaceState(null, '', makeHash(named, step, predict));
    },
    // The text was edited: the address names nothing any more.
    forget() {
      named = {};
      if (location.hash) history.replaceState(null, '', location.pathname + location.search);
    },
  };
}
