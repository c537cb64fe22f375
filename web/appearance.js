// How the page looks: large type (html.present, every size in rem enlarged 1.4 times, and the
// presentation layout of style.css) and the theme (light, dark, or without one the system's
// setting). Set by the reader, by a link (large=1, theme=) or by the tab's saved state; whoever
// shows the state of large type (the step view's button) is told of every change.
const html = document.documentElement;
const watchers = [];

export const isLarge = () => html.classList.contains('present');

export function setLarge(on) {
  if (on === isLarge()) return;
  html.classList.toggle('present', on);
  for (const f of watchers) f(on);
}

// f(on) after every change of large type.
export function onLarge(f) {
  watchers.push(f);
}

// 'light', 'dark', or undefined for the system's setting.
export function setTheme(theme) {
  if (theme) html.dataset.theme = theme;
  else delete html.dataset.theme;
}
