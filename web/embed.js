// The embed (embed.html): one program from its link (#code=… or #example=NAME, &step=K, &play=1,
// &predict=1 for predict mode, &large=1, &theme=light or dark), in a frame of slides or a course
// page, laid out for the frame's size (style.css): the source, read-only, and the step view at
// that step, with a link back to the playground at the same program and step, which opens in a
// new tab. Its keys work once the frame has the focus; those a deck needs are handed to it
// (keys.js).
import { statusLine } from './status.js';
import { setLarge, setTheme } from './appearance.js';
import { createEditor } from './editor.js';
import { makeHash, readAddress, unread } from './link.js';
import { createRunner } from './runner.js';
import { createStepView } from './step.js';

const $ = (id) => document.getElementById(id);
const runner = createRunner('kel.wasm', 'worker.js');
const editor = createEditor($('editor'), { readOnly: true });
const back = $('open-playground');
let named = {};
let at = 0;

const playground = (k) => new URL('index.html' + makeHash(named, k, { predict: steps.predicting }), location.href).href;
const steps = createStepView($('step-view'), {
  closable: false,
  keys: { embed: true },
  onMove(step, k) {
    at = k;
    editor.showStep(step);
    back.href = playground(k);
  },
  onClose() {
    at = 0;
    editor.showStep(null);
    back.href = playground(0);
  },
  onPredict: () => (back.href = playground(at)),
});

async function load() {
  const link = await readAddress('Nothing was run.');
  setTheme(link.h.theme);
  setLarge(Boolean(link.h.large));
  if (link.trouble || link.text === null) {
    steps.close(); // the steps of a program shown before are not this link's
    $('status').textContent = link.trouble ?? 'This frame names no program. To show one, end its address with #example= and the name of one of kel\'s examples (#example=hello), or use the embed code that Share in the playground makes, which holds the program as #code=….';
    return;
  }
  const { h, text } = link;
  named = link.named;
  back.href = playground(0);
  await editor.setText(text);
  let r;
  try {
    r = await runner.run(() => new TextEncoder().encode(text));
  } catch (e) {
    if (!e.superseded) $('status').textContent = `kel could not run: ${e.message}.`;
    return;
  }
  editor.showDiagnostic(r.status === 0 ? null : r.diagnostic);
  $('status').textContent = [statusLine(r.status, r.diagnostic), unread(link.h)].join(' ').trim();
  steps.open(r, h.step ?? 1, { play: h.play, predict: Boolean(h.predict) });
  performance.mark('kel-first-step');
}

window.addEventListener('hashchange', load);
load();
