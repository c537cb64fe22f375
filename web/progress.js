// The tour's progress, kept in this browser: which exercises of which lesson are done, by the
// lesson's file name and the exercise's number in it, so that it survives a reload. Without
// storage it lasts as long as the page.
const key = 'kel-learn-progress';

export function createProgress() {
  let done = {};
  try {
    const kept = JSON.parse(localStorage.getItem(key) ?? '{}');
    if (kept && typeof kept === 'object') done = kept;
  } catch {
    // Nothing kept, or what was kept is not ours: start afresh.
  }
  const save = () => {
    try {
      localStorage.setItem(key, JSON.stringify(done));
    } catch {
      // No storage: the progress lasts as long as the page.
    }
  };
  return {
    // Whether exercise i of lesson is done.
    has: (lesson, i) => Array.isArray(done[lesson]) && done[lesson].includes(i),
    // Exercise i of lesson is done.
    add(lesson, i) {
      const list = Array.isArray(done[lesson]) ? done[lesson] : [];
      if (!list.includes(i)) done[lesson] = [...list, i];
      save();
    },
    // Every exercise is to do again.
    reset() {
      done = {};
      save();
    },
  };
}
