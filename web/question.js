// One prediction asked: "Which command does kel generate next?", with the choices the worker
// derived for the step (core/exercises.js), one button each, and the feedback once one is
// chosen: right, or why kel did not generate the chosen command and what it generated. The
// step view's predict mode and the tour's exercises ask with it alike.
import { el } from './dom.js';

let asked = 0; // numbers the questions' ids within the page

// Draws the question for step k (from 1) of a run into container, replacing what it held;
// onAnswer(right) is called once, when a choice is made. Returns { focus }.
export function askQuestion(container, question, k, onAnswer) {
  const id = `question-${++asked}`;
  const feedback = el('p', { className: 'feedback', 'data-testid': 'feedback', role: 'status' });
  const choices = question.choices.map((c) => el('button', { type: 'button', className: 'choice', 'data-testid': 'choice' }, c.command));
  const box = el('div', { className: 'question' },
    el('p', { id, className: 'ask' }, `Which command does kel generate next? Command ${k}:`),
    el('div', { className: 'choices', role: 'group', 'aria-labelledby': id }, ...choices),
    feedback);
  container.replaceChildren(box);
  choices.forEach((b, i) => b.addEventListener('click', () => {
    const c = question.choices[i];
    for (const other of choices) other.disabled = true;
    b.classList.add(c.right ? 'right' : 'wrong');
    b.setAttribute('aria-pressed', 'true');
    choices[question.choices.findIndex((x) => x.right)].classList.add('answer');
    feedback.className = `feedback ${c.right ? 'ok' : 'failed'}`;
    feedback.textContent = c.right ? `Right: kel generated ${question.answer}.` : c.words;
    onAnswer(c.right);
  }));
  return { focus: () => choices[0]?.focus() };
}
