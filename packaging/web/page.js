// The page around the game: its layout, its controls, the game's start and its offline copy.
"use strict";
const canvas = document.getElementById('canvas');
const screenBox = document.getElementById('screen');
const notice = document.getElementById('notice');
const noticeText = document.getElementById('notice-text');
const progress = document.getElementById('progress');
const again = document.getElementById('again');
const sound = document.getElementById('sound');
const bar = document.getElementById('bar');
const pad = document.getElementById('pad');
const options = document.getElementById('options');
const daily = document.getElementById('daily');
const PAD_HEIGHT = 140;     // CSS pixels below an upright phone's picture for the controls
const NARROW_BARS = 120;    // CSS pixels: bars narrower than this leave out the help line
const ROOM_FOR_BOARD = 200; // CSS pixels: bars as wide as this show the day's board beside the picture
const DEAD_ZONE = 0.3;      // of the stick's radius, where a finger walks and turns nowhere
const TOUCH_HELP = 'Tap the picture to start · the stick walks and turns · hold Look down ' +
    'to look down · a finger on the picture aims, lifting it throws · End ends';
const SHOWN_SHARED = 3000; // ms the word that the line was copied or shared stays
let started = false; // the game has drawn, or said why it cannot
let gameFilesIn = false; // all the game's files have come, from one release
let keepOnceIn = null; // on a first visit, what keeps the release once the game's files are in
const GAME_CONTEXT = {alpha: false, depth: true, stencil: false, antialias: false,
  premultipliedAlpha: true, preserveDrawingBuffer: false}; // the WebGL 2 context the game asks for
const TAKE_OVER_WAIT = 5000; // ms a newer release kept earlier has to take over before the
                             // older plays: five times the second it takes here when it can

// Covers the page with `text`; `offerAgain` adds the button that reloads the page.
function say(text, offerAgain) {
  noticeText.textContent = text;
  progress.hidden = true;
  again.hidden = !offerAgain;
  notice.hidden = false;
  started = true;
}
again.addEventListener('click', () => location.reload());

// Lays the page out for the viewport now: the picture as the largest 4:3 area that fits beside
// the page's own controls, its size and place whole device pixels, so that the canvas, drawn
// at the device's pixels, is shown pixel for pixel. With fingers, upright, the picture spans
// the top and the controls sit below it; on its side, the picture fills the height and the
// controls lie over the bars beside it.
function fit() {
  const width = document.documentElement.clientWidth, height = document.documentElement.clientHeight;
  const ratio = devicePixelRatio, touch = !pad.hidden;
  const landscape = touch && width > height;
  document.body.className = !touch ? 'desktop' : landscape ? 'landscape' : 'portrait';
  const barHeight = landscape ? 0 : bar.offsetHeight;
  const room = height - barHeight - (touch && !landscape ? PAD_HEIGHT : 0);
  const across = Math.max(4, Math.floor(Math.min(width, room * 4 / 3) * ratio / 4) * 4);
  const w = across / ratio, h = across * 3 / 4 / ratio;
  const left = Math.floor((width - w) / 2 * ratio) / ratio;
  const top = touch && !landscape ? 0 :
      Math.max(0, Math.floor((height - h - barHeight) / 2 * ratio) / ratio);
  Object.assign(screenBox.style, {left: left + 'px', top: top + 'px', width: w + 'px', height: h + 'px'});
  const style = document.body.style;
  style.setProperty('--picture-left', left + 'px');
  style.setProperty('--picture-bottom', top + h + 'px');
  style.setProperty('--bar-height', barHeight + 'px');
  document.body.classList.toggle('narrow', left < NARROW_BARS);
  document.body.classList.toggle('roomy', left >= ROOM_FOR_BOARD);
}
window.addEventListener('resize', fit);
document.addEventListener('fullscreenchange', fit);

// The controls for fingers, shown from the start on a phone or tablet and from the first touch
// anywhere else; the help and sound lines then speak of taps.
function offerTouch() {
  if (!pad.hidden) return;
  pad.hidden = false;
  document.getElementById('menu').append(document.getElementById('fullscreen'), options, daily);
  document.getElementById('help').textContent = TOUCH_HELP;
  sound.textContent = 'Tap for sound';
  fit();
}
if (matchMedia('(pointer: coarse)').matches) offerTouch();
window.addEventListener('touchstart', offerTouch, {capture: true, passive: true});

// Does one of the game's actions, as a key bound to it would, or stops doing it.
const holdAction = (name, down) => { if (Module.holdAction) Module.holdAction(name, down); };

// A control held by one finger (or the mouse) at a time: `move(event)` as it is put down and
// slid, `lift()` as it is let go. Pointer events stand for mouse and touch alike, and taking
// the pointer keeps it with the control wherever the finger slides.
function holdable(element, move, lift) {
  let holder = null;
  element.addEventListener('pointerdown', e => {
    e.preventDefault();
    if (holder !== null) return;
    holder = e.pointerId;
    element.setPointerCapture(holder);
    move(e);
  });
  element.addEventListener('pointermove', e => { if (e.pointerId === holder) move(e); });
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture'])
    element.addEventListener(type, e => {
      if (e.pointerId !== holder) return;
      holder = null;
      lift();
    });
}

// The stick: pushed up or down it walks, left or right it turns, as the walking keys do, beyond
// a dead zone round its middle; its knob follows the finger.
const stick = document.getElementById('stick'), knob = document.getElementById('knob');
function steer(dx, dy) {
  holdAction('forward', dy < -DEAD_ZONE);
  holdAction('back', dy > DEAD_ZONE);
  holdAction('left', dx < -DEAD_ZONE);
  holdAction('right', dx > DEAD_ZONE);
  knob.style.transform = `translate(${dx * 75}%, ${dy * 75}%)`;
}
holdable(stick, e => {
  const box = stick.getBoundingClientRect(), r = box.width / 2;
  let dx = (e.clientX - box.left - r) / r, dy = (e.clientY - box.top - r) / r;
  const length = Math.hypot(dx, dy);
  if (length > 1) dx /= length, dy /= length;
  steer(dx, dy);
}, () => steer(0, 0));

// Look down, held as its key is held: a tap toggles it where the options say so.
const look = document.getElementById('look');
holdable(look, () => { look.classList.add('held'); holdAction('look', true); },
         () => { look.classList.remove('held'); holdAction('look', false); });

// Options opens the game's options screen, or closes it; the button lets the focus go, so
// that Enter and Space go on to the game rather than pressing it again.
options.addEventListener('click', () => {
  options.blur();
  if (Module.askForOptions) Module.askForOptions();
});

// End asks first, so that a stray touch does not end the game; yes ends it, as Escape does.
const end = document.getElementById('end'), confirmEnd = document.getElementById('confirm');
end.addEventListener('click', () => { confirmEnd.hidden = false; });
document.getElementById('end-no').addEventListener('click', () => { confirmEnd.hidden = true; });
document.getElementById('end-yes').addEventListener('click', () => {
  confirmEnd.hidden = true;
  if (Module.endGame) Module.endGame();
});

// The sound notice goes with the first key press, click or tap, which lets the page sound.
for (const type of ['keydown', 'mousedown', 'touchend'])
  window.addEventListener(type, () => { sound.hidden = true; }, true);
window.addEventListener('contextmenu', e => e.preventDefault());
// Fullscreen: the canvas alone, drawn at the screen's own pixels between black bars; with
// fingers, the whole page, so that its controls come along.
document.getElementById('fullscreen').addEventListener('click', () => {
  const whole = pad.hidden ? canvas : document.documentElement;
  if (whole.requestFullscreen) whole.requestFullscreen();
});
// The game's command line from the page's address: ?replay=URL watches that replay, as --replay
// does, its bytes in the program's file REPLAY_FILE; else ?field=N plays numbered field N, as
// --field N does, and ?daily the field of the day, as --daily does. A field that is no whole
// number from 1 to 99999999 is passed over with a line on the console, and the clock chooses.
const REPLAY_FILE = '/watched.hsr'; // the replay the page fetched, in the program's files
function gameArguments() {
  const query = new URLSearchParams(location.search), field = query.get('field');
  if (REPLAY && (field !== null || query.has('daily')))
    console.warn('Haystack: watching the replay; the field asked for beside it is passed over');
  if (REPLAY) return ['--replay', REPLAY_FILE];
  if (field !== null && /^0*[1-9][0-9]{0,7}$/.test(field)) return ['--field', field];
  if (field !== null)
    console.warn(`Haystack: no field numbered '${field}' (give a whole number from 1 to ` +
                 '99999999); playing a field the clock chooses');
  return query.has('daily') ? ['--daily'] : [];
}

// The controls for the fields follow the game's stage: Field of the day works on the title card
// and after a win, never throwing a search away; New field shows after a win, Watch after a win
// with a search to watch (`watchable`), and Share after a win in a numbered field, whose line
// the game has given (Module.lineToShare); a new field takes the line away.
const newField = document.getElementById('new-field'), watchButton = document.getElementById('watch');
const shareButton = document.getElementById('share'), shared = document.getElementById('shared');
let sharedShown = 0; // the timer that takes the word away
function followStage(stage, watchable) {
  if (stage === 'title') Module.lineToShare = null;
  daily.disabled = stage !== 'title' && stage !== 'won';
  newField.hidden = stage !== 'won';
  watchButton.hidden = stage !== 'won' || !watchable;
  shareButton.hidden = stage !== 'won' || !Module.lineToShare;
  if (stage !== 'won') shared.hidden = true;
  followStageForBoard(stage);
}
// Field of the day starts the page again on it, which plays offline too.
daily.addEventListener('click', () => location.assign('?daily'));
// New field starts a new field, as N does; the button lets the focus go.
newField.addEventListener('click', () => {
  newField.blur();
  holdAction('new_field', true);
  holdAction('new_field', false);
});
// Watch watches the search from its start, as R does; the button lets the focus go.
watchButton.addEventListener('click', () => {
  watchButton.blur();
  if (Module.watchSearch) Module.watchSearch();
});
// The live region says each search's end and each replay's as the game tells it, newest last;
// each a new line, so that the same words twice are said twice.
const results = document.getElementById('results');
const RESULTS_KEPT = 4; // lines the region keeps
function sayResult(line) {
  const said = document.createElement('p');
  said.textContent = line;
  results.append(said);
  while (results.childElementCount > RESULTS_KEPT) results.firstElementChild.remove();
}
// Says `text` beside Share: a short while for a word, until the next field for the line itself.
function sayShared(text, briefly) {
  shared.textContent = text;
  shared.hidden = false;
  clearTimeout(sharedShown);
  if (briefly) sharedShown = setTimeout(() => { shared.hidden = true; }, SHOWN_SHARED);
}
// Share hands the line to the system's sharing where the browser offers it, else copies it;
// where neither works, the line shows, to be copied by hand. A share the player called off
// says nothing.
shareButton.addEventListener('click', async () => {
  shareButton.blur();
  const text = Module.lineToShare;
  if (!text) return;
  if (navigator.share) {
    try {
      await navigator.share({text});
      return sayShared('Shared', true);
    } catch (e) {
      if (e.name === 'AbortError') return;
    }
  }
  try {
    await navigator.clipboard.writeText(text);
    sayShared('Copied', true);
  } catch (refused) {
    console.warn('Haystack: the line could not be copied:', refused.message);
    sayShared(text, false);
  }
});

canvas.addEventListener('webglcontextlost', e => {
  e.preventDefault();
  if (Module.music && Module.music.context) Module.music.context.close();
  say('The browser took the game\'s graphics away (its WebGL context was lost), so the ' +
      'game has stopped. Reload the page to play again.', true);
});

var Module = {
  arguments: gameArguments(),
  program: FIRST_FILES.program,
  pictures: FIRST_FILES.pictures,
  canvas: canvas,
  onStage: followStage,
  onResult: sayResult,
  monitorRunDependencies(left) {
    if (left === 0) gameFilesIn = true;
    if (left === 0 && keepOnceIn) keepOnceIn();
    if (left === 0 && !started) notice.hidden = true;
  },
  showMessage(text) { say(text, false); },
  // A problem that keeps the game from starting: for the replay asked for, why it cannot be
  // watched, in a line.
  onProblem(text) {
    const about = `haystack: ${REPLAY_FILE}: `;
    say(REPLAY && text.startsWith(about) ?
        `The replay ${REPLAY_ASKED} cannot be watched: ${text.slice(about.length).trim()}.` : text.trim(), false);
  },
  onWindowClosed() {
    if (Module.music && Module.music.context) Module.music.context.close();
    say('The game has ended.', true);
  },
  onAbort() { failed(); },
};

// The page's counterpart of a failed start: what went wrong and what to try.
function failed() {
  if (!started)
    say('The game\'s files could not be downloaded or started. Check the connection and ' +
        'reload the page.', true);
}
window.addEventListener('error', failed);

// The game, once the replay asked for is in, which goes into its files before it starts; a
// replay that cannot be fetched is said in a line, and the game does not start.
function loadGame() {
  if (!REPLAY) return runGame();
  REPLAY.then(bytes => {
    Module.preRun = [() => FS.writeFile(REPLAY_FILE, bytes)];
    runGame();
  }, reason => say(`The replay ${REPLAY_ASKED} could not be fetched (${reason.message}).`, false));
}
// The game's program, run once its JavaScript is in; it waits in turn for its WebAssembly and
// its pictures.
function runGame() {
  FIRST_FILES.script.then(bytes => {
    // Run from a blob of the page's own, which a board's policy allows where it forbids a
    // script written into the page.
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([bytes], {type: 'text/javascript'}));
    script.addEventListener('error', failed);
    document.body.appendChild(script);
  }).catch(failed);
}

// The service worker keeps the release's files for the next visit and for playing offline.
// Each visit looks for a newer release (a browser does not always look on its own when the page
// came from a kept release). Where a newer release was kept on an earlier visit, it is asked to
// take over, and the page starts again from it before the game loads, so that the game never
// mixes two releases' files.
// The older release must first give way, which a browser may put off for half a minute and
// more (Chromium does when a request of this page wakes it again as it stops); after a few
// seconds the older release plays, and the newer one takes over once the older is idle, or on
// the next visit. Should it take over while the game's files still come in, the page starts
// again from it. On a first visit the release is kept only once the files the first frame needs
// are in, so that they have the network to themselves. Where there are no service workers
// (plain http away from this machine, some private windows, old browsers), or the browser
// refuses them outright by throwing, the game loads as it always did.
function keepForOffline() {
  const workers = navigator.serviceWorker;
  if (!workers.controller) {
    keepOnceIn = () => {
      keepOnceIn = null;
      workers.register('sw.js').catch(() => {});
    };
    return Promise.resolve(false);
  }
  const registered = workers.register('sw.js');
  registered.catch(() => {});
  registered.then(registration => registration.update()).catch(() => {}); // a newer release?
  return registered.then(registration => {
    if (!registration.waiting) return false;
    return new Promise(restarting => {
      workers.addEventListener('controllerchange', () => {
        if (gameFilesIn) return;
        restarting(true);
        location.reload();
      });
      registration.waiting.postMessage('take over');
      setTimeout(() => restarting(false), TAKE_OVER_WAIT);
    });
  }, () => false);
}

// Making a WebGL context can hold the page for a second and more (software drawing takes that
// long to start): the canvas's context is made once the page has shown, while the program
// still downloads, and the game is given the same one when it asks.
function makeGameContext() {
  canvas.getContext('webgl2', GAME_CONTEXT);
}

fit();
requestAnimationFrame(() => setTimeout(makeGameContext));
if (typeof WebAssembly !== 'object') {
  say('This browser cannot run WebAssembly, which the game is made of. Try a current ' +
      'Firefox, Chrome, Edge or Safari.', false);
} else if ('serviceWorker' in navigator) {
  new Promise(resolve => resolve(keepForOffline()))
    .then(restarting => { if (!restarting) loadGame(); }, loadGame);
} else {
  loadGame();
}
