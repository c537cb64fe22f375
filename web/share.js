// Share: the link to the program the editor holds, at the step shown, copied, and the code to
// embed it (web/link.js), of a size, a theme and a type the reader chooses. What the box offers
// follows the step shown; a program that is no longer the one shared (edited, or another link
// opened) takes the box away, so a wrong link or embed is never the one offered. A program over
// what a link carries is refused, saying so.
import { el } from './dom.js';
import { embedCode, embedSizes, maxShared, pack } from './link.js';

const enc = new TextEncoder();

// $: the page's elements by id; editor and address: the page's (web/editor.js, link.js);
// step(): the step shown of the text held, 0 for none.
export function createShare($, { editor, address, step }) {
  let copied = null; // the link copied, while the box offers a link
  let copying = false;
  const size = $('share-size');
  size.replaceChildren(...embedSizes.map(([w, h], i) => el('option', { value: `${w}x${h}` }, `${w} × ${h}${i === 0 ? ', compact' : ''}`)));

  // The link and the embed code of the address as it is now, with a note of what was copied.
  function fill() {
    const [width, height] = size.value.split('x').map(Number);
    const large = $('share-large');
    large.disabled = width < embedSizes.at(-1)[0]; // only the largest frame has room for large type
    const options = { width, height, large: large.checked && !large.disabled, theme: $('share-theme').value || undefined };
    $('link').value = location.href;
    $('share-embed').value = embedCode(address.named, step(), location.href, { ...options, predict: address.predicting });
    const note = $('share-note');
    note.textContent = copying ? ''
      : copied === location.href ? 'Link copied.'
      : copied ? 'The link and the embed code now name the step shown: copy them again to share it.'
      : 'Copy the link below: this browser did not let the page copy it.';
    note.className = copied === location.href ? 'ok' : '';
  }

  async function share() {
    const text = editor.text();
    const bytes = enc.encode(text).length;
    const note = $('share-note');
    $('share-fields').hidden = bytes > maxShared;
    $('sharing').hidden = false;
    copied = null;
    if (bytes > maxShared) {
      note.textContent = `No link was made: this program is ${(bytes / (1 << 20)).toFixed(2)} MiB, and a link carries at most 1 MiB.`;
      note.className = 'failed';
      return;
    }
    const version = editor.version;
    const code = await pack(text);
    if (editor.version !== version) return; // edited meanwhile: that text is not the one held
    address.name({ code }, step());
    copying = true;
    fill();
    try {
      await navigator.clipboard.writeText(location.href);
      copied = location.href;
    } catch {
      // The browser did not allow it: the link is there to copy by hand.
    }
    copying = false;
    fill();
  }

  for (const id of ['share-size', 'share-theme', 'share-large']) $(id).addEventListener('change', () => $('sharing').hidden || fill());

  return {
    share,
    // The step shown has changed: the box follows it.
    follow() {
      if (!$('sharing').hidden && !$('share-fields').hidden && address.naming) fill();
    },
    // The editor no longer holds the program shared.
    hide() {
      $('sharing').hidden = true;
      copied = null;
    },
  };
}
