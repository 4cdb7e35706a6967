// The board the page sends won searches to, and whose field of the day it shows beside the game:
// the board that serves the page, or one the player chose (the page's storage, haystack.board).
'use strict';
const BOARD_WAIT = 5000;        // ms a send or a look at the board waits for its answer
const DAY_RUNS_SHOWN = 10;      // runs of the day's board shown beside the game
const PAD_BACK = 8, PAD_START = 9; // the standard gamepad's Back and Start buttons
const BOARD_NAME = /^[A-Za-z0-9 _.-]{1,16}$/; // the names the board takes
const UNREACHABLE = 'The board cannot be reached'; // said when no answer came in time
const sendButton = document.getElementById('send'), sent = document.getElementById('sent');
const naming = document.getElementById('naming'), nameBox = document.getElementById('name');
const day = document.getElementById('day'), dayRuns = document.getElementById('day-runs');
let boardAddress = null; // the board's address, ending in '/', once found; null for none
let sendable = false;    // a search of a numbered field was won here and may be sent
let sending = false;     // a send waits for the board's answer
let backHeld = false;    // a pad's Back button was down at the last look

// The page's storage's `key`, or null where the browser keeps none.
function kept(key) {
  try { return localStorage.getItem(key); } catch (refused) { return null; }
}
function keep(key, value) {
  try { localStorage.setItem(key, value); } catch (refused) { /* not kept: asked again */ }
}

// `path` at the board, given up on after BOARD_WAIT.
function askBoard(path, init = {}) {
  const giveUp = new AbortController();
  const timer = setTimeout(() => giveUp.abort(), BOARD_WAIT);
  return fetch(new URL(path, boardAddress), {...init, signal: giveUp.signal, cache: 'no-store'})
      .finally(() => clearTimeout(timer));
}

// The board: the one the player chose, else this page's server when it is a board. A board
// serves the page under a content policy of its own, so only a server that sends a policy is
// asked for its health; a plain one is not asked for what it does not have.
async function findBoard() {
  const chosen = kept('haystack.board');
  if (chosen) return new URL(chosen, location.href).href;
  const page = await fetch(location.href, {method: 'HEAD', cache: 'no-store'});
  if (!page.headers.has('Content-Security-Policy')) return null;
  boardAddress = location.origin + '/';
  const health = await askBoard('healthz');
  return health.ok && (await health.json()).status === 'ok' ? boardAddress : null;
}

// Today's field, numbered by its date in UTC: 20261209.
function todaysField() {
  const now = new Date(Date.now());
  return String(now.getUTCFullYear() * 10000 + (now.getUTCMonth() + 1) * 100 + now.getUTCDate());
}

// The field of the day's board, fetched anew and shown as a table, each name as text.
async function showDay() {
  const field = todaysField();
  const answer = await askBoard(`api/fields/${field}?limit=${DAY_RUNS_SHOWN}`);
  if (!answer.ok) return;
  const runs = (await answer.json()).runs || [];
  document.getElementById('day-title').textContent = `Field of the day, ${field}`;
  dayRuns.replaceChildren(...runs.map(run => row([`${run.rank}`, run.name, run.time])));
  if (!runs.length) dayRuns.append(row(['', 'No runs yet', '']));
  day.hidden = false;
}
function row(cells) {
  const tr = document.createElement('tr');
  for (const text of cells) tr.appendChild(document.createElement('td')).textContent = text;
  return tr;
}

// The answer said in the live region and beside Send.
function sayAnswer(line) {
  sayResult(line);
  sent.textContent = line;
  sent.hidden = false;
}

// The player's token for the board, 128 random bits in hex, made at the first send.
function boardToken() {
  let token = kept('haystack.token');
  if (!/^[0-9a-f]{32}$/.test(token || '')) {
    token = Array.from(crypto.getRandomValues(new Uint8Array(16)),
                       b => b.toString(16).padStart(2, '0')).join('');
    keep('haystack.token', token);
  }
  return token;
}

// The search last won, the replay the page keeps as last.hsr, as bytes.
function lastSearch() {
  const text = kept('haystack.replay.last.hsr');
  return text && Uint8Array.from(atob(text), c => c.charCodeAt(0));
}

// Sends the search won to the board, asking first for a name when none is kept; the game plays
// on meanwhile. The board's answer: the search's rank on its field, or why it refused it.
async function sendSearch() {
  if (!sendable || sending) return;
  const name = kept('haystack.name') || '';
  if (!BOARD_NAME.test(name)) {
    naming.hidden = false;
    nameBox.focus();
    return;
  }
  const search = lastSearch();
  if (!search) return sayAnswer('No search is kept to send');
  sending = true;
  try {
    const answer = await askBoard(`api/runs?name=${encodeURIComponent(name)}`, {method: 'POST',
      headers: {'Authorization': 'Bearer ' + boardToken(), 'Content-Type': 'application/octet-stream'},
      body: search});
    const said = await answer.json().catch(() => ({}));
    sayAnswer(answer.status === 201 ? `#${said.rank} OF ${said.of}` :
              said.error || `The board refused the search (${answer.status})`);
  } catch (unanswered) {
    sayAnswer(UNREACHABLE);
  }
  sending = false;
  showDay().catch(() => {});
}

// The name given, kept, and the search sent under it.
naming.addEventListener('submit', e => {
  e.preventDefault();
  if (!BOARD_NAME.test(nameBox.value)) return;
  keep('haystack.name', nameBox.value);
  naming.hidden = true;
  nameBox.blur();
  sendSearch();
});
// Keys typed into the name are the name's, never the game's.
for (const type of ['keydown', 'keyup']) naming.addEventListener(type, e => e.stopPropagation());
sendButton.addEventListener('click', () => { sendButton.blur(); sendSearch(); });
// U sends, as the pad's Back does; its letter never lands in the name asked for.
window.addEventListener('keydown', e => {
  if (e.code !== 'KeyU' || e.repeat || !sendable) return;
  e.preventDefault();
  sendSearch();
});

// A pad's Back pressed alone (with Start it quits) sends, while a search can be sent.
function watchPadBack() {
  if (!sendable) return;
  const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
  const back = pads.some(p => p && p.buttons[PAD_BACK] && p.buttons[PAD_BACK].pressed &&
                              !(p.buttons[PAD_START] && p.buttons[PAD_START].pressed));
  if (back && !backHeld) sendSearch();
  backHeld = back;
  requestAnimationFrame(watchPadBack);
}

// Send shows after the player's own win on a numbered field, where a board is.
function followStageForBoard(stage) {
  const was = sendable;
  sendable = boardAddress !== null && stage === 'won' && !REPLAY &&
      canvas.dataset.field !== '0';
  sendButton.hidden = !sendable;
  if (!sendable) naming.hidden = sent.hidden = true;
  if (sendable && !was) requestAnimationFrame(watchPadBack);
}

nameBox.value = kept('haystack.name') || '';
findBoard().then(found => {
  boardAddress = found;
  if (canvas.dataset.stage) followStageForBoard(canvas.dataset.stage);
  if (found) showDay().catch(() => {});
}, () => { boardAddress = null; });
