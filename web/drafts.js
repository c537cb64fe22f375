// The reader's drafts, one per tab, kept in the browser, so that two tabs never overwrite each
// other's: each tab has an id of its own (in its session storage, which a reload keeps) and
// keeps its draft under it (in local storage, which every tab of the site shares). A reloaded
// tab opens its own draft; a new tab opens the newest draft of any; a draft of another tab is
// offered, never put in the editor unasked, and a tab that takes one keeps its own draft under
// its old id, offered in turn. The newest drafts are kept, at most maxDrafts. Also kept per tab:
// the step shown and large type, which a reload restores.
const maxDrafts = 8;
const indexKey = 'kel-drafts'; // [{ id, time }], newest first
const draftKey = (id) => (id ? `kel-draft:${id}` : 'kel-draft'); // the id '' is a draft kept before drafts were per tab
const tabKey = 'kel-tab';
const stateKey = 'kel-state';

// Storage may be missing or refuse anything: then there are no drafts, and nothing is kept.
function get(storage, key) {
  try {
    return storage.getItem(key);
  } catch {
    return null;
  }
}

function set(storage, key, value) {
  try {
    storage.setItem(key, value);
    return true;
  } catch {
    return false;
  }
}

function remove(storage, key) {
  try {
    storage.removeItem(key);
  } catch {
    // nothing kept, nothing to remove
  }
}

const newId = () => `${Date.now().toString(36)}${Math.random().toString(36).slice(2, 8)}`;

// The drafts kept, newest first: { id, time }.
function index() {
  let list = [];
  try {
    list = JSON.parse(get(localStorage, indexKey) ?? '[]');
  } catch {
    // an index that cannot be read lists nothing; its drafts are still found by the old key
  }
  if (!Array.isArray(list)) list = [];
  if (get(localStorage, draftKey('')) !== null && !list.some((d) => d.id === '')) list.push({ id: '', time: 0 });
  return list;
}

export function createDrafts() {
  let tab = get(sessionStorage, tabKey);
  const reloaded = tab !== null;
  if (!reloaded) {
    tab = newId();
    set(sessionStorage, tabKey, tab);
  }
  const read = (id) => get(localStorage, draftKey(id));
  // A tab duplicated by the browser comes with the session, and so the id, of the tab it copies:
  // asked, that tab answers, and the copy takes an id of its own.
  const tabs = typeof BroadcastChannel === 'function' ? new BroadcastChannel('kel-tabs') : null;
  if (tabs) {
    tabs.onmessage = ({ data }) => {
      if (data.ask === tab) tabs.postMessage({ have: tab });
      else if (data.have === tab && reloaded) set(sessionStorage, tabKey, (tab = newId()));
    };
    if (reloaded) tabs.postMessage({ ask: tab });
  }

  return {
    // The text a tab opens with when no link names a program: after a reload its own draft, in
    // a new tab the newest of any; null when there is none.
    initial() {
      const own = reloaded ? read(tab) : null;
      if (own !== null) return own;
      for (const d of index()) {
        const text = read(d.id);
        if (text !== null) return text;
      }
      return null;
    },
    // The newest draft of another tab whose text is not text: { id, time, text }, or null.
    other(text) {
      for (const d of index()) {
        if (d.id === tab) continue;
        const t = read(d.id);
        if (t !== null && t !== text) return { ...d, text: t };
      }
      return null;
    },
    // Keeps text as this tab's draft; false when the browser would not keep it (then no older
    // draft of this tab is left to come back in its place).
    save(text) {
      const rest = index().filter((d) => d.id !== tab);
      if (!set(localStorage, draftKey(tab), text)) {
        remove(localStorage, draftKey(tab));
        set(localStorage, indexKey, JSON.stringify(rest));
        return false;
      }
      const list = [{ id: tab, time: Date.now() }, ...rest];
      for (const d of list.splice(maxDrafts)) remove(localStorage, draftKey(d.id));
      set(localStorage, indexKey, JSON.stringify(list));
      return true;
    },
    // This tab's draft is kept as it is: the tab's next draft goes under an id of its own.
    detach() {
      tab = newId();
      set(sessionStorage, tabKey, tab);
    },
    // This tab takes text, another tab's draft, keeping its own.
    adopt(text) {
      this.detach();
      return this.save(text);
    },
    // What this tab showed: { step, large }, kept for a reload.
    get state() {
      try {
        return { step: 0, large: false, ...JSON.parse(get(sessionStorage, stateKey) ?? '{}') };
      } catch {
        return { step: 0, large: false };
      }
    },
    keepState(state) {
      set(sessionStorage, stateKey, JSON.stringify({ ...this.state, ...state }));
    },
  };
}
