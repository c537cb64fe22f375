// Positions in a source given as bytes: where a byte offset, or kel's line and column, lies in
// the text those bytes decode to (UTF-16 string indices), as the editor counts; and kel's line
// and column of a byte offset. kel counts bytes, and only a line feed starts a line.

// Where each non-ASCII character of the source lies, in bytes (from, to) and in the decoded
// text (at), as the page's decoder sees it: a malformed sequence becomes one U+FFFD. Only a whole
// four-byte sequence takes two UTF-16 units. Kept per input.
const charMaps = new WeakMap();

function charMap(input) {
  let map = charMaps.get(input);
  if (map) return map;
  let size = 0;
  let from = new Int32Array(64);
  let to = new Int32Array(64);
  let at = new Int32Array(64);
  let index = 0;
  for (let i = 0; i < input.length; ) {
    const b = input[i];
    if (b < 0x80) {
      i++;
      index++;
      continue;
    }
    // The number of continuation bytes, and the range the first of them must lie in.
    let need = 0;
    let lo = 0x80;
    let hi = 0xbf;
    if (b >= 0xc2 && b <= 0xdf) need = 1;
    else if (b >= 0xe0 && b <= 0xef) need = 2;
    else if (b >= 0xf0 && b <= 0xf4) need = 3;
    if (b === 0xe0) lo = 0xa0;
    else if (b === 0xed) hi = 0x9f;
    else if (b === 0xf0) lo = 0x90;
    else if (b === 0xf4) hi = 0x8f;
    let j = i + 1;
    for (; j - i <= need && j < input.length; j++) {
      const c = input[j];
      if (j === i + 1 ? c < lo || c > hi : c < 0x80 || c > 0xbf) break;
    }
    if (size === from.length) [from, to, at] = [from, to, at].map((a) => grow(a));
    from[size] = i;
    to[size] = j;
    at[size] = index;
    size++;
    index += j - i === 4 ? 2 : 1;
    i = j;
  }
  map = { size, from, to, at };
  charMaps.set(input, map);
  return map;
}

function grow(a) {
  const b = new Int32Array(a.length * 2);
  b.set(a);
  return b;
}

// The string index, in the source decoded as UTF-8 (a byte-order mark counts as a character, as
// in the text the bytes were encoded from), of the byte at byteOffset; a byte inside a character
// gives that character's start. Offsets past the end give the end.
export function charIndex(input, byteOffset) {
  const b = Math.max(0, Math.min(byteOffset, input.length));
  const map = charMap(input);
  let lo = 0;
  let hi = map.size; // the first character that starts after b
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (map.from[mid] <= b) lo = mid + 1;
    else hi = mid;
  }
  if (lo === 0) return b;
  const c = lo - 1;
  if (b < map.to[c]) return map.at[c];
  return map.at[c] + (map.to[c] - map.from[c] === 4 ? 2 : 1) + (b - map.to[c]);
}

// The byte offset where the character that starts at byteOffset ends (the one byte, for a
// malformed sequence), as the page's decoder sees it.
export function charEnd(input, byteOffset) {
  if (byteOffset >= input.length) return input.length;
  const at = charIndex(input, byteOffset);
  let end = byteOffset + 1;
  while (end < input.length && charIndex(input, end) === at) end++;
  return end;
}

// The byte offset of kel's position (line and column from 1, counted in bytes; only a line feed
// starts a line), kept within the source.
export function positionOffset(input, line, col) {
  let start = 0;
  for (let l = 1; l < line; l++) {
    const lf = input.indexOf(10, start);
    if (lf < 0) return input.length;
    start = lf + 1;
  }
  return Math.min(start + Math.max(col, 1) - 1, input.length);
}

// kel's line and column (from 1) of each byte offset in offsets, given in any order, as
// { line, col } in the same order: one pass over the source for all of them.
export function linesAndColumns(input, offsets) {
  const order = offsets.map((_, k) => k).sort((a, b) => offsets[a] - offsets[b]);
  const out = new Array(offsets.length);
  let line = 1;
  let start = 0; // where line starts
  let i = 0;
  for (const k of order) {
    for (const to = Math.min(offsets[k], input.length); i < to; i++) {
      if (input[i] === 10) {
        line++;
        start = i + 1;
      }
    }
    out[k] = { line, col: offsets[k] - start + 1 };
  }
  return out;
}
