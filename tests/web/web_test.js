// The browser release played in headless Chromium as a person would, one case a run:
//   node web_test.js CASE SITE_FOLDER SCREENSHOT_FOLDER [the desktop build's world_digest tool,
//     its record_search tool and its game]
// (bench/web_bench.js opens the page its way, with a folder of its own.)
// The page's state is read through a DevTools session without a user gesture, so that reading
// it never lets the page sound.
'use strict';
const puppeteer = require('puppeteer-core');
const http = require('http');
const crypto = require('crypto');
const zlib = require('zlib');
const fs = require('fs');
const path = require('path');

const [caseName, site, shots, digestTool, recordTool, linuxGame] = process.argv.slice(2);
const W = 640, H = 480;                             // the game's picture, game pixels
const SKY = [102, 153, 204];                        // its clear colour
const BLUE = [0, 0, 255];                           // the needle, the only pure blue
const TARGET_ON_TOP = Date.UTC(2026, 0, 1, 2, 25);  // a world whose needle lies by the top
const FIELD_ON_TOP = 2906;                          // a numbered field whose needle stands on top
const BLUE_END = [13, 10];                          // the cross's blue end from its middle, game pixels
// Seconds to walk back after a throw at the needle missed. A throw's hit is first tested two of
// its steps out: 20 units straight ahead, up to 39 toward the picture's corners. From nearer
// than that less 10, a throw at the needle's very middle passes it untested, and so would every
// throw from there. Walking up the mound can end that near (13 units, measured), so a miss steps
// back about 15 units (a unit a tick).
const BACK_AFTER_MISS = 0.5;
const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.png': 'image/png', '.webmanifest': 'application/manifest+json', '.txt': 'text/plain',
               '.css': 'text/css'};

if (shots) fs.mkdirSync(shots, {recursive: true});
const sleep = s => new Promise(r => setTimeout(r, s * 1000));
const check = (ok, what) => { if (!ok) throw new Error(what); };

// The folder served on the loopback address (its `folder` may change); `refuse` names files
// answered with 404. A request for `hang` is held unanswered in `held`; one for a file that
// `hold` names waits in `waiting` until its answer is called. With `encoded`, .gz files are
// sent as gzip-encoded, for the browser to unpack on the way. `files` adds files by their paths
// ({'/x.hsr': bytes}).
function serve(site, refuse = [], hold = [], encoded = false, files = {}) {
  const server = http.createServer((req, res) => {
    site = server.folder;
    const added = files[req.url.split('?')[0]];
    if (added) return res.writeHead(200, {'Content-Type': 'application/octet-stream'}).end(added);
    if (req.url.endsWith('/hang')) return server.held.push(res);
    if (hold.some(h => req.url.endsWith(h)) && !server.waiting.done)
      return server.waiting.push(() => server.emit('request', req, res));
    if (req.url.startsWith('/framed.html')) // the game in a frame, as game-hosting pages show it
      return res.writeHead(200, {'Content-Type': 'text/html'}).end(
          '<body style="margin:0"><iframe src="./" style="border:0;width:500px;height:420px"></iframe>');
    const file = path.join(site, decodeURIComponent(req.url.split('?')[0]).replace(/\/$/, '/index.html'));
    if (refuse.some(r => file.endsWith(r)) || !fs.existsSync(file)) return res.writeHead(404).end();
    res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                        ...(encoded && file.endsWith('.gz') ? {'Content-Encoding': 'gzip'} : {})});
    fs.createReadStream(file).pipe(res);
  });
  server.folder = site;
  server.held = [];
  server.waiting = [];
  return new Promise(r => server.listen(0, '127.0.0.1', () => r(server)));
}

// The page at `query` in a fresh headless Chromium, from `folder`, with the clock fixed at
// `clock` (ms) when given; by default in a tab whose width the picture fills at 640x480.
// `before(g)` is awaited before the page is opened.
// `origin` opens the page there (a board's) instead.
async function open({clock, init, args = [], refuse, hold, encoded, files, before, viewport = {width: 640, height: 600}, folder = site, query = '', origin} = {}) {
  const server = origin ? null : await serve(folder, refuse, hold, encoded, files);
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...args]});
  const page = await browser.newPage();
  await page.setViewport(viewport);
  if (clock) await page.evaluateOnNewDocument(`Date.now = () => ${clock};`); // a still clock
  if (init) await page.evaluateOnNewDocument(init); // the browser made otherwise, before the page
  const session = await page.createCDPSession();
  const g = {page, browser, server, session};
  g.read = async expr => (await session.send('Runtime.evaluate',
      {expression: expr, returnByValue: true, awaitPromise: true, userGesture: false})).result.value;
  g.data = async key => g.read(`document.getElementById('canvas').dataset.${key}`);
  g.frames = async () => Number(await g.data('frames')) || 0;
  g.level = () => g.read('Module.music ? Module.music.level() : -1');
  g.until = async (test, seconds, what) => {
    for (const end = Date.now() + seconds * 1000; Date.now() < end; await sleep(0.1))
      if (await test()) return;
    throw new Error('timed out waiting for ' + what);
  };
  g.close = async () => { await browser.close(); if (server) server.close(); };
  if (origin) { // a board's policy keeps its page from fetching data: URLs
    const blank = await (await browser.newPage()).createCDPSession();
    g.decoder = async expr => (await blank.send('Runtime.evaluate',
        {expression: expr, returnByValue: true, awaitPromise: true})).result.value;
    await page.bringToFront(); // a hidden tab pauses the game
  }
  if (before) await before(g);
  g.origin = origin || `http://127.0.0.1:${server.address().port}`;
  await page.goto(`${g.origin}/${query}`);
  return g;
}

// Waits for the game to draw `n` more frames, so that whole ticks and frames saw the input.
async function framesPass(g, n = 2) {
  const from = await g.frames();
  await g.until(async () => await g.frames() >= from + n, 30 * n, n + ' frames');
}

// Whether a throw just made won, once its shot has flown past anything inside the fence: 283
// units away at most, at 10 or more a tick, so 29 ticks.
async function thrownAndWon(g) {
  const from = Number(await g.data('ticks'));
  await g.until(async () => Number(await g.data('ticks')) >= from + 29, 30, "the throw's flight");
  return await g.data('track') === 'outro.mp3';
}

// Holds `key` until two new frames were drawn (at least `seconds`).
async function holdKey(g, key, seconds = 0) {
  await g.page.keyboard.down(key);
  await Promise.all([sleep(seconds), framesPass(g)]);
  await g.page.keyboard.up(key);
}

// The canvas's pixels now, at the device's pixels, or those of `part` of it ({x, y, width,
// height}, CSS pixels from its top left): {w, h, at(x, y) -> [r, g, b]}; saved as `name`.png.
async function grab(g, name, part) {
  const box = await (await g.page.$('#canvas')).boundingBox();
  const clip = part ? {...part, x: box.x + part.x, y: box.y + part.y} : box;
  const png = await g.page.screenshot({clip, encoding: 'base64', captureBeyondViewport: false});
  if (name) fs.writeFileSync(path.join(shots, `web_${name}.png`), Buffer.from(png, 'base64'));
  return decode(g, png);
}

// A PNG's pixels, decoded by the page, or by a blank page where its policy forbids data: URLs.
async function decode(g, png) {
  const [w, h, rgba] = await (g.decoder || g.read)(`(async () => { const b = await createImageBitmap(await (await
    fetch('data:image/png;base64,${png}')).blob()); const c = new OffscreenCanvas(b.width, b.height);
    const x = c.getContext('2d'); x.drawImage(b, 0, 0);
    const d = x.getImageData(0, 0, b.width, b.height).data; let s = '';
    for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
    return [b.width, b.height, btoa(s)]; })()`);
  const bytes = Buffer.from(rgba, 'base64');
  return {w, h, at: (x, y) => { const i = 4 * (y * w + x); return [bytes[i], bytes[i + 1], bytes[i + 2]]; }};
}

const same = (p, q) => p[0] === q[0] && p[1] === q[1] && p[2] === q[2];
// The share of the box's pixels passing `test`.
function share(f, x0, y0, x1, y1, test) {
  let n = 0;
  for (let y = y0; y < y1; y++) for (let x = x0; x < x1; x++) n += test(f.at(x, y)) ? 1 : 0;
  return n / ((x1 - x0) * (y1 - y0));
}
const isSky = p => same(p, SKY);
// Mean difference, 0..255, of two frames' 40x40 blocks' mean levels: blind to single strands.
function layoutDistance(f, h, y0 = 0, y1 = H) {
  let sum = 0, blocks = 0;
  for (let by = y0; by + 40 <= y1; by += 40) for (let bx = 0; bx < W; bx += 40, blocks++) {
    let d = 0;
    for (let y = by; y < by + 40; y++) for (let x = bx; x < bx + 40; x++)
      d += f.at(x, y).reduce((a, b) => a + b) - h.at(x, y).reduce((a, b) => a + b);
    sum += Math.abs(d) / (40 * 40 * 3);
  }
  return sum / blocks;
}
const isGreenStrand = p => p[1] > p[0] + 40 && p[1] > p[2] + 20;

// The centre of the needle's pure blue pixels, away from the cursor cross's blue end.
// `whole`: not so near that its middle on the screen is far from its middle in the world, nor
// cut by the frame's edge.
function needle(f, cx, cy, reach = 30) {
  let n = 0, sx = 0, sy = 0, left = f.w, right = 0, cut = false;
  for (let y = 0; y < f.h; y++) for (let x = 0; x < f.w; x++)
    if (same(f.at(x, y), BLUE) && (Math.abs(x - cx) > reach || Math.abs(y - cy) > reach)) {
      n++, sx += x, sy += y, left = Math.min(left, x), right = Math.max(right, x);
      cut = cut || x < 2 || y < 2 || x >= f.w - 2 || y >= f.h - 2;
    }
  return {n, x: sx / n, y: sy / n, whole: !cut && right - left < f.w / 4};
}

// Moves the pointer to the game's pixel (x, y) on the canvas as the page shows it.
async function aim(g, x, y) {
  const box = await (await g.page.$('#canvas')).boundingBox();
  await g.page.mouse.move(box.x + x + 0.5, box.y + y + 0.5);
}

// The title card over the attract stage: its opaque bands hide the sky, its cut-out window
// shows the scene; the tracks come and are decoded after the first frame, with no gesture, yet
// the sound (and its audio context) waits for one, then the intro plays. (A screenshot counts as a gesture to Chromium, which lets a
// track that comes later sound: the tracks are awaited first.)
async function titleCardAndIntro() {
  const g = await open();
  await g.until(async () => await g.frames() >= 3, 60, 'the first frames');
  await g.until(async () => await g.read('Module.music.tracks.every(t => t.buffer)'), 30, 'the tracks');
  check(await g.read('Module.music.context') === null, 'no sound device opened before a gesture');
  const f = await grab(g, 'title_card');
  check(share(f, 0, 0, W, 100, isSky) < 0.01, 'the title card covers the top');
  check(share(f, 0, 380, W, 450, isSky) < 0.01, 'and the bottom');
  check(share(f, 0, 140, W, 290, isSky) > 0.05, 'the sky shows through its window');
  check(await g.data('track') === 'intro.mp3', 'the intro is the track asked for');
  await sleep(1);
  check(await g.level() === 0, 'silence before any gesture');
  check(await g.read("getComputedStyle(document.getElementById('sound')).display") !== 'none',
        'the page asks for a click or a key for sound');
  await g.page.mouse.click(5, 5);
  await g.until(async () => await g.level() > 0.01, 10, 'the intro to sound after a click');
  await g.close();
}

// Put in the page before the game: the textures given pixels, and the SHA-256 of the texels
// of those still alive that are `width`x`height`, each read through a framebuffer of its own.
const RECORD_TEXTURES = `{
  const upload = WebGL2RenderingContext.prototype.texImage2D, uploads = [];
  WebGL2RenderingContext.prototype.texImage2D = function(...a) {
    upload.apply(this, a);
    const size = a.length === 6 ? [a[5].width, a[5].height] : [a[3], a[4]];
    uploads.push({gl: this, texture: this.getParameter(this.TEXTURE_BINDING_2D), size});
  };
  window.textureDigests = (width, height) => Promise.all(uploads.filter(u => u.gl.isTexture(u.texture) &&
      u.size[0] === width && u.size[1] === height).map(({gl, texture}) => {
    const was = gl.getParameter(gl.FRAMEBUFFER_BINDING), frame = gl.createFramebuffer(), texels = new Uint8Array(width * height * 4);
    gl.bindFramebuffer(gl.FRAMEBUFFER, frame);
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, texels);
    gl.bindFramebuffer(gl.FRAMEBUFFER, was);
    gl.deleteFramebuffer(frame);
    return crypto.subtle.digest('SHA-256', texels).then(d => [...new Uint8Array(d)].map(b => b.toString(16).padStart(2, '0')).join(''));
  }));
}`;

// A plain 32-bit TGA file's rows of red, green, blue and alpha, top row first.
function tgaRows(file) {
  const tga = fs.readFileSync(file), width = tga.readUInt16LE(12), height = tga.readUInt16LE(14);
  const rows = [];
  for (let y = 0; y < height; y++) {
    const row = Buffer.from(tga.subarray(18 + y * width * 4, 18 + (y + 1) * width * 4));
    for (let i = 0; i < row.length; i += 4) [row[i], row[i + 2]] = [row[i + 2], row[i]];
    rows.push(row);
  }
  if (!(tga[17] & 0x20)) rows.reverse();
  return {width, height, rows};
}

// The first frame waits for no track: with every track held back, the game draws, its four
// pictures' textures each texel as the desktop's image loader makes them from the TGA files
// (the fence's upside down). The tracks are asked for without a gesture; a click and Space
// meanwhile ask for the intro, then the theme, and once the tracks come the theme alone sounds.
// The WebGL context the page makes before the game starts is the one the game asks for.
async function picturesAndLateMusic() {
  const g = await open({hold: ['.mp3'], before: g => g.page.evaluateOnNewDocument(RECORD_TEXTURES)});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  const made = await g.read("canvas.getContext('webgl2').getContextAttributes()");
  check(!made.alpha && made.depth && !made.antialias && !made.stencil, 'the game\'s own context: ' + JSON.stringify(made));
  for (const [name, upsideDown] of [['fencea', true], ['clouda'], ['introa'], ['outroa']]) {
    const {width, height, rows} = tgaRows(path.join(__dirname, '../../data', name + '.tga'));
    if (upsideDown) rows.reverse();
    const desktop = crypto.createHash('sha256').update(Buffer.concat(rows)).digest('hex');
    const ours = await g.read(`textureDigests(${width}, ${height})`);
    check(ours.length === 1 && ours[0] === desktop, `${name}'s texture is the desktop's: ${ours.length} of ${width}x${height}`);
  }
  await g.until(async () => g.server.waiting.length === 3, 30, 'the three tracks to be asked for');
  await g.page.mouse.click(5, 5);
  await g.page.keyboard.press('Space');
  await g.until(async () => await g.data('track') === 'theme.mp3', 10, 'the theme');
  await framesPass(g);
  check(await g.level() === 0, 'silence while the tracks are held');
  g.server.waiting.done = true;
  g.server.waiting.forEach(answer => answer());
  await g.until(async () => await g.level() > 0.01, 30, 'the theme to sound once it came');
  check(await g.read("Module.music.tracks.filter(t => t.source).map(t => t.name).join()") === 'theme.mp3',
        'the theme alone sounds');
  await g.close();
}

// An instant tap of Space starts play and the theme; the arrows walk; Escape ends the game
// and its music.
async function spaceWalkEscape() {
  const g = await open();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await g.page.keyboard.press('Space'); // down and up between two frames: the latch keeps it
  await g.until(async () => await g.data('track') === 'theme.mp3', 10, 'the theme');
  await g.until(async () => await g.level() > 0.01, 10, 'the theme to sound');
  // The view comes up level from the orbit's downward look at the game's pace, however few
  // frames a busy machine draws meanwhile; then the title card has gone and the sky shows over
  // the mound. How much sky depends on the world and on where the orbit left the player: a
  // share of 0.34 to 0.65 of the top rows, measured at nine places round one world.
  await g.until(async () => (await view(g))[3] <= 0, 10, 'a level view');
  await framesPass(g);
  const before = await grab(g, 'play_start');
  const sky = share(before, 0, 0, W, 100, isSky);
  check(sky > 0.1, `the title card has gone and the sky shows (${sky})`);
  await holdKey(g, 'ArrowUp', 1);
  const after = await grab(g, 'walked');
  const walked = layoutDistance(before, after);
  check(walked > 2, `walking up the mound changes the view (${walked})`);
  await g.page.keyboard.press('Escape'); // a tap: Escape has a latch of its own
  await g.until(async () => /has ended/.test(await g.read("document.getElementById('notice-text').textContent")),
                10, 'the page to say the game ended');
  check(await g.read('Module.music.context.state') === 'closed', 'the music stopped');
  const frames = await g.frames();
  await sleep(1);
  check(await g.frames() === frames, 'no frame after the end');
  await g.close();
}

// With the clock fixed: Space, N doing nothing before the win, up the mound, an instant click at
// the needle, the outro, the banner and the strands turning green; then N starts a new field.
async function playThrough() {
  const g = await open({clock: TARGET_ON_TOP});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await aim(g, W - 1, H - 1);
  await holdKey(g, 'Space');
  const first = await g.data('world');
  await holdKey(g, 'KeyN');
  const won = await searchAndWin(g);
  check(won && await g.data('world') === first, 'three throws at the needle all missed');
  check(needle(won, W - 1, H - 1).n === 0, 'the needle hides from the hit on');
  await g.until(async () => await g.level() > 0.01, 10, 'the outro to sound');
  check(share(won, 0, 0, W, 90, isSky) < 0.05, 'the end banner tops the canvas');
  // A hundred strand ends a frame turn green, so a slow browser takes its time.
  const green = share(won, 0, H / 4, W, H, isGreenStrand);
  await g.until(async () => share(await grab(g, 'won_greening'), 0, H / 4, W, H, isGreenStrand) >
                green + 0.01, 60, 'the strands to turn green');
  check(await shown(g, '#new-field') && !await shown(g, '#share'), 'New field, and no Share in a field the clock chose');
  await g.page.keyboard.press('KeyN');
  await newFieldShown(g, first);
  await g.close();
}

// Play just begun in a world whose needle lies by the mound's top, the cursor in the picture's
// corner: a search by keys and the mouse; the frame of the win, or null after three misses.
async function searchAndWin(g) {
  // Facing the mound's centre from where the orbit was: once the view is level again, up the
  // mound toward its top, where the needle lies.
  await framesPass(g, 3);
  await holdKey(g, 'ArrowUp', 2.3);
  // Should the needle still hide: turn, and now and then walk on, until it shows plainly; then
  // throw, up to three times, stepping back after a miss (see BACK_AFTER_MISS).
  let won = null;
  for (let look = 0, throws = 0; !won && throws < 3; look++) {
    check(look < 40, 'the needle never came into view');
    const seen = needle(await grab(g, 'looking'), W - 1, H - 1);
    if (seen.n < 20 || !seen.whole) { // out of sight, or not whole: turn, or walk, on or back
      const [step, seconds] = seen.n >= 20 ? ['ArrowDown', 0.3] : look % 10 === 9 ? ['ArrowUp', 1] : ['ArrowRight', 0.2];
      await holdKey(g, step, seconds);
      continue;
    }
    throws++;
    await aim(g, Math.round(seen.x), Math.round(seen.y));
    await g.page.mouse.down(); // a click between two frames throws
    await g.page.mouse.up();
    await framesPass(g);
    await aim(g, W - 1, H - 1);
    if (await thrownAndWon(g)) won = await grab(g, 'won_' + throws);
    else await holdKey(g, 'ArrowDown', BACK_AFTER_MISS);
  }
  return won;
}

const shown = (g, selector) => g.read(`!document.querySelector('${selector}').hidden`);
// After a win, a new field: a world the clock chose, the title card and intro, and no Share.
async function newFieldShown(g, before) {
  await g.until(async () => await g.data('world') !== before, 10, 'a new world');
  check(await g.data('stage') === 'title' && await g.data('track') === 'intro.mp3' && await g.data('field') === '0' &&
        !await shown(g, '#new-field') && !await shown(g, '#share'), 'the title card and the intro again, and no Share');
}

// Without WebGL the page says so in words.
async function noWebgl() {
  const g = await open({args: ['--disable-3d-apis']});
  await g.until(async () => /WebGL/.test(await g.read("document.getElementById('notice').hidden ? '' : document.getElementById('notice-text').textContent")),
                30, 'a notice naming WebGL');
  await g.close();
}

// A data file that cannot be downloaded gives a notice, not a blank page.
// The program travels packed by gzip. A browser that cannot unpack gzip asks for the plain
// files alone, and a host that has the browser unpack them on the way (Content-Encoding: gzip)
// serves a game that plays as well.
async function programPackedOrNot() {
  for (const [how, options, asked] of [['without DecompressionStream', {init: 'delete window.DecompressionStream;'}, /\.(js|wasm)$/],
                                       ['from a host that encodes .gz', {encoded: true}, /\.(js|wasm)\.gz$/]]) {
    const g = await open(options);
    await g.until(async () => await g.frames() >= 2, 60, 'the first frames ' + how);
    const program = (await g.read("performance.getEntriesByType('resource').map(e => e.name)")).filter(n => /\/haystack\./.test(n));
    check(program.length === 2 && program.every(n => asked.test(n)), `the program's files ${how}: ${program}`);
    await g.close();
  }
}

async function downloadFails() {
  const g = await open({refuse: ['introa.png']});
  await g.until(async () => /could not be downloaded/.test(await g.read("document.getElementById('notice-text').textContent")) &&
                !(await g.read("document.getElementById('notice').hidden")), 30, 'a notice');
  await g.close();
}

// A browser that refuses service workers and storage outright, as some private windows do by
// throwing at the very property: the game loads and plays as it did before it kept itself
// offline, and a setting changed on the options screen (Tab, Enter) lasts the visit.
async function serviceWorkersRefused() {
  const g = await open({init: `for (const [o, name] of [[Navigator.prototype, 'serviceWorker'], [window, 'localStorage']])
    Object.defineProperty(o, name, {get() { throw new DOMException('refused', 'SecurityError'); }});`});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  for (const key of ['Tab', 'Enter']) await g.page.keyboard.press(key), await framesPass(g);
  await framesPass(g); // the game goes on drawing after storage refused the setting
  check(await g.read("document.getElementById('notice').hidden"), 'no notice over the game');
  await g.close();
}

// --- The options screen -------------------------------------------------------------------

const kept = g => g.read("localStorage.getItem('haystack.conf')"); // the settings kept
// Whether the options screen shows in the frame: its dark panel down the picture's left edge,
// and its title's light lettering.
function optionsShown(f) {
  const x = v => Math.round(v * f.w / W), y = v => Math.round(v * f.h / H);
  return share(f, x(26), y(10), x(31), y(470), p => Math.max(...p) < 60) > 0.95 &&
      share(f, x(250), y(14), x(390), y(35), p => Math.min(...p) > 200) > 0.05;
}

// The keyboard: Tab opens the options screen over the orbit, which stands still while it
// shows; Enter on the music turns it off, and Tab closes the screen. The page's storage keeps
// the music off, which after a reload is silence at the analyser; M brings it back, and turns
// it off again; W walks. (Chromium's analyser may stop taking in sound that turned silent while
// the screen held the music, keeping the sound from before as its last, so the silence is
// heard after the reload, where the analyser has never taken in any sound.)
async function keyboardOptions() {
  const g = await open();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  check(!optionsShown(await grab(g)), 'no options screen at first');
  await g.page.mouse.click(5, 5);
  await g.until(async () => await g.level() > 0.01, 10, 'the intro to sound after a click');
  await g.page.keyboard.press('Tab');
  await framesPass(g);
  const shown = await grab(g, 'options'), v = await g.data('view');
  check(optionsShown(shown), 'Tab opens the options screen');
  await framesPass(g, 3);
  check(await g.data('view') === v && layoutDistance(shown, await grab(g)) === 0, 'the orbit stands still');
  for (const key of ['ArrowDown', 'ArrowUp', 'Enter', 'Tab']) // music, from 100 % on to off
    await g.page.keyboard.press(key), await framesPass(g); // a key a frame, as a player's
  check(!optionsShown(await grab(g)), 'Tab closes the options screen');
  await g.page.reload();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames after a reload');
  check(/^music=0$/m.test(await kept(g)), 'the page\'s storage keeps the music off: ' + await kept(g));
  await g.page.keyboard.press('Space');
  await g.until(async () => await g.read("Module.music.context.state === 'running' && Module.music.tracks.some(t => t.source)"),
                10, 'the theme to play');
  await framesPass(g, 3);
  check(await g.level() === 0, 'the music stays off after a reload');
  await g.page.keyboard.press('KeyM');
  await g.until(async () => await g.level() > 0.01, 10, 'M to bring the music back');
  await g.page.keyboard.press('KeyM');
  await g.until(async () => await g.level() === 0, 10, 'M to turn it off, silent');
  const before = await view(g);
  await holdKey(g, 'KeyW', 1);
  const after = await view(g);
  check(Math.hypot(after[0] - before[0], after[1] - before[1]) > 5, 'W walks');
  await g.close();
}

// Touch on a phone whose player keeps Q for looking down: the Options control opens the
// options screen on the title card, a tap on its "Look down mode" row makes looking down a
// toggle, which is kept, and starts no play; Options closes it, and then a tap on Look down
// (the action Q is bound to) looks down until the next tap.
async function phoneOptions() {
  const g = await open({viewport: PHONE, init: "localStorage.setItem('haystack.conf', 'key.look=Q\\n')"});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  const c = await rect(g, '#canvas'), options = middle(await rect(g, '#options'));
  await tap(g, ...options); // its click may come after the tap has been dispatched
  await g.until(async () => optionsShown(await grab(g, 'phone_options')), 10, 'the Options control to open the screen');
  await tap(g, c.x + 200 * c.w / W, c.y + 72 * c.h / H); // the second row's middle
  await g.until(async () => /^look=toggle$/m.test(await kept(g)), 10, 'a tap to make looking down a toggle');
  check(/^key\.look=Q$/m.test(await kept(g)), 'the key kept before is kept still');
  check(await g.data('track') === 'intro.mp3', 'a tap on the options screen starts no play');
  await tap(g, ...options);
  await g.until(async () => !optionsShown(await grab(g)), 10, 'Options to close the screen');
  await tap(g, ...middle(c));
  await g.until(async () => await g.data('track') === 'theme.mp3', 10, 'a tap to start play');
  await g.until(async () => (await view(g))[3] <= 0, 10, 'a level view');
  const look = middle(await rect(g, '#look'));
  await tap(g, ...look);
  await g.until(async () => (await view(g))[3] > 0.3, 10, 'a tap on Look down to look down');
  await framesPass(g, 3);
  check((await view(g))[3] > 0.3, 'the view stays down');
  await tap(g, ...look);
  await g.until(async () => (await view(g))[3] <= 0, 10, 'the next tap to look up again');
  await g.close();
}

// A hidden tab stops the ticks; back, they go on at 30 a second without catching up.
async function hiddenTab() {
  const g = await open();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  const other = await g.browser.newPage();
  await other.bringToFront();
  await g.until(async () => await g.read('document.hidden'), 10, 'the tab to be hidden');
  const hidden = Number(await g.data('ticks'));
  await sleep(3);
  check(Number(await g.data('ticks')) - hidden <= 1, 'no ticks while hidden');
  await g.page.bringToFront();
  await framesPass(g, 1);
  const back = Number(await g.data('ticks'));
  check(back - hidden < 30, `no burst of ticks on return (${back - hidden})`);
  await sleep(3);
  const rate = (Number(await g.data('ticks')) - back) / 3;
  check(rate > 20 && rate < 40, `about 30 ticks a second after the return (${rate})`);
  await g.close();
}

// The same world from the same orbit as the desktop's (DesktopOrbitForTheBrowser): the view
// through the title card's window in the best of five browser frames is within 1.5 levels of
// 255 of a desktop frame, as near as frames a tick or two apart are (the camera turns 1.1
// degrees a tick; the desktop's frames, taken under load, are that far apart at best), while
// most desktop frames, showing the mound from elsewhere, are 5 or more levels away. The same
// world drawn with one-pixel strands came no nearer than 2.3 levels.
async function sameAsDesktop() {
  const desktop = fs.readdirSync(shots).filter(f => /^desktop_orbit_\d+\.png$/.test(f));
  check(desktop.length > 10, 'the desktop\'s frames of the orbit');
  const g = await open({clock: TARGET_ON_TOP});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await aim(g, W - 1, H - 1);
  const theirs = [];
  for (const f of desktop)
    theirs.push(await decode(g, fs.readFileSync(path.join(shots, f)).toString('base64')));
  let best = Infinity, median = 0;
  for (let k = 0; k < 5; k++, await sleep(1)) {
    const ours = await grab(g, 'orbit_' + k);
    const d = theirs.map(t => layoutDistance(ours, t, 140, 280)).sort((a, b) => a - b);
    if (d[0] < best) best = d[0], median = d[d.length >> 1];
  }
  console.log(`nearest desktop frame ${best.toFixed(2)} levels away, median ${median.toFixed(2)}`);
  check(best < 1.5 && median > 5, 'the browser draws what the desktop draws');
  await g.close();
}

// When the browser drops the graphics context the page says so and offers to reload.
async function lostContext() {
  const g = await open();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await g.read("canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext()");
  await g.until(async () => /WebGL context was lost/.test(await g.read("document.getElementById('notice').hidden ? '' : document.getElementById('notice-text').textContent")) &&
                !(await g.read("document.getElementById('again').hidden")), 10, 'a notice with a reload');
  await g.close();
}

// ?field=1 and ?field=20261209 are the worlds Linux makes (its world_digest tool), and the
// latter the field of the day on 9 December 2026 in UTC, by the Field of the day control and by
// ?daily; a field that is no number is passed over. The control throws no search away.
async function numberedFields() {
  const linux = Object.fromEntries(require('child_process').execFileSync(digestTool, ['1', '20261209'],
    {encoding: 'utf8'}).match(/\d+: \w{16}/g).map(line => line.split(': ')));
  const g = await open({clock: Date.UTC(2026, 11, 9, 23, 59)});
  await g.page.emulateTimezone('Pacific/Kiritimati'); // 14 hours ahead: 10 December there
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await Promise.all([g.page.waitForNavigation(), g.page.click('#daily')]);
  for (const [query, field] of [['', '20261209'], ['?field=12x', '0'], ['?field=1', '1'], ['?field=20261209', '20261209'], ['?daily', '20261209']]) {
    if (query) await g.page.goto(g.origin + '/' + query);
    await g.until(async () => await g.data('field') === field, 60, `field ${field} by ${query || 'the control'}`);
    check(field === '0' || await g.data('world') === linux[field], `${query}: ${await g.data('world')}, on Linux ${linux[field]}`);
  }
  await g.page.keyboard.press('Space');
  await g.until(async () => await g.read("document.getElementById('daily').disabled"), 10, 'the control to wait');
  await g.close();
}

// --- Replays ------------------------------------------------------------------------------

const {execFileSync} = require('child_process');
// The time the Linux game's --verify proves for the replay file `file`, "0:41.3"; it throws
// unless the game finds the needle (exit status 0).
const linuxTime = file => / found in (\d+:\d\d\.\d) \(\d+ ticks\)$/m.exec(
    execFileSync(linuxGame, ['--verify', file], {encoding: 'utf8'}))[1];
// The live region's last line, once `pattern` matches it: the match.
async function said(g, pattern, what) {
  let match = null;
  await g.until(async () => (match = pattern.exec(await g.read(
      "document.getElementById('results').lastElementChild?.textContent ?? ''"))), 90, what);
  return match;
}
// Watching a replay: once it plays, Right three times, eight times the usual speed.
async function speedUp(g) {
  await g.until(async () => await g.data('stage') === 'replay', 60, 'the replay to play');
  for (let k = 0; k < 3; k++) await g.page.keyboard.press('ArrowRight'), await framesPass(g, 1);
}
const noticeSays = g => g.read("document.getElementById('notice').hidden ? '' : document.getElementById('notice-text').textContent");

// A search recorded by Linux (record_search), served with the site, watched through ?replay=:
// the live region ends with the very time Linux's --verify proves, so the browser ran Linux's
// ticks. A replay that cannot be fetched, or is none, is said in a line, and no game starts.
async function replayFromLinux() {
  const folder = fs.mkdtempSync(path.join(require('os').tmpdir(), 'haystack-replay-'));
  const file = path.join(folder, 'linux.hsr');
  execFileSync(recordTool, [file, '--field', '20261209']);
  const time = linuxTime(file);
  const g = await open({query: '?replay=linux.hsr', files: {'/linux.hsr': fs.readFileSync(file),
                                                            '/broken.hsr': Buffer.alloc(100, 'x')}});
  await speedUp(g);
  check(await g.data('field') === '20261209', 'the replay\'s field');
  const [, watched] = await said(g, /^Replay: found in (.+)$/, "the replay's end");
  check(watched === time, `the browser's replay found the needle in ${watched}, Linux's --verify in ${time}`);
  for (const [name, line] of [['missing', /^The replay missing\.hsr could not be fetched \(404 Not Found\)\.$/],
                              ['broken', /^The replay broken\.hsr cannot be watched: not a replay file\.$/]]) {
    await g.page.goto(`${g.origin}/?replay=${name}.hsr`);
    await g.until(async () => line.test(await noticeSays(g)), 60, 'the line for the ' + name + ' replay');
    await sleep(1);
    check(await g.frames() === 0, 'no game starts on the ' + name + ' replay');
  }
  await g.close();
  fs.rmSync(folder, {recursive: true});
}

// A numbered field won in the browser: the live region says the time; the replay the page keeps,
// read back from its storage, proves that time on Linux; Watch, shown after the win alone,
// watches it to the same time; and a reload gives the kept replays back to the program.
async function winThenWatch() {
  const g = await open({query: '?field=' + FIELD_ON_TOP});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await aim(g, W - 1, H - 1);
  await holdKey(g, 'Space');
  check(!await shown(g, '#watch'), 'no Watch before a win');
  check(await searchAndWin(g), 'three throws at the needle all missed');
  const [, time] = await said(g, /^Found in (.+)$/, "the search's end");
  const kept = await g.read(`[localStorage.getItem('haystack.replay.last.hsr'), localStorage.getItem('haystack.replay.field-${FIELD_ON_TOP}.hsr')]`);
  check(kept[0] && kept[1] === kept[0], 'the search kept as last.hsr and as the field\'s best');
  const folder = fs.mkdtempSync(path.join(require('os').tmpdir(), 'haystack-replay-'));
  fs.writeFileSync(path.join(folder, 'browser.hsr'), Buffer.from(kept[0], 'base64'));
  const linux = linuxTime(path.join(folder, 'browser.hsr'));
  check(linux === time, `Linux's --verify proves ${linux} of the browser's search, found in ${time}`);
  await g.until(async () => await shown(g, '#watch'), 10, 'Watch after the win');
  await g.page.click('#watch');
  await speedUp(g);
  check(!await shown(g, '#watch'), 'no Watch while the replay plays');
  const [, watched] = await said(g, /^Replay: found in (.+)$/, "the replay's end");
  check(watched === time, `the replay found the needle in ${watched}, the search in ${time}`);
  await g.page.reload();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames after a reload');
  const bytes = await g.read("Array.from(FS.readFile('/replays/last.hsr')).join()");
  check(bytes === [...Buffer.from(kept[0], 'base64')].join(), 'the kept replay is the program\'s file again');
  await g.close();
  fs.rmSync(folder, {recursive: true});
}

// The page served by a board (at the address after the case's tools), whose clock and the page's
// stand on DAY_ON_TOP: the field of the day won by keys, U asks for a name (typed with keys
// the game takes), Enter sends, the live region says the rank the board's answer gives, and
// the day's board beside the picture lists the name.
const DAY_ON_TOP = Date.UTC(2031, 10, 23, 12); // a day whose field's needle stands on top
async function sendToBoard() {
  const g = await open({origin: process.argv[8], query: '?daily', clock: DAY_ON_TOP,
                        viewport: {width: 1100, height: 600}});
  await g.until(async () => await g.data('field') === '20311123', 60, 'the field of the day');
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await aim(g, W - 1, H - 1);
  await holdKey(g, 'Space');
  check(await searchAndWin(g), 'three throws at the needle all missed');
  await g.until(async () => await shown(g, '#send'), 10, 'Send after the win');
  await g.page.keyboard.press('KeyU');
  await g.until(async () => await shown(g, '#naming'), 10, 'the name asked for');
  await g.page.type('#name', 'Sam W.');
  const posted = g.page.waitForResponse(r => r.url().includes('/api/runs?name=Sam%20W.'));
  await g.page.keyboard.press('Enter');
  const answer = await posted;
  const run = await answer.json();
  check(answer.status() === 201, `the board refused the search: ${JSON.stringify(run)}`);
  await said(g, new RegExp(`^#${run.rank} OF ${run.of}$`), "the board's rank");
  await g.until(async () => /^1Sam W\.\d+:\d\d\.\d$/.test(await g.read(
      "document.querySelector('#day-runs tr')?.textContent ?? ''")), 10, "the day's board to list the run");
  const box = await rect(g, '#day'), picture = await rect(g, '#screen');
  check(box.w > 100 && box.x >= picture.x + picture.w, "the day's board beside the picture");
  await g.close();
}

// --- Screens of every size, and fingers ---------------------------------------------------

const PHONE = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
// An element's box, CSS pixels, in the page or in its frame (`inFrame`).
const rect = (g, selector, inFrame) => g.read(`(() => { const d = ${inFrame ?
  "document.querySelector('iframe').contentDocument" : 'document'}; const b = d.querySelector('${selector}')
  .getBoundingClientRect(); return {x: b.x, y: b.y, w: b.width, h: b.height}; })()`);
// Where the player stands and looks: [x, z, heading, pitch].
const view = async g => (await g.data('view')).split(',').map(Number);
// Fingers on the screen now, {id: [x, y]} in CSS pixels; none lifts the last.
const fingers = (g, type, points = {}) => g.session.send('Input.dispatchTouchEvent', {type,
  touchPoints: Object.entries(points).map(([id, [x, y]]) => ({x, y, id: Number(id)}))});
async function tap(g, x, y) {
  await fingers(g, 'touchStart', {0: [x, y]});
  await fingers(g, 'touchEnd');
}
const middle = b => [b.x + b.w / 2, b.y + b.h / 2];

// The picture lies whole in the viewport (or the frame), which shows no scrollbars, drawn at
// the device's pixels: its box, CSS pixels.
async function fitsWhole(g, ratio, inFrame) {
  const doc = inFrame ? "document.querySelector('iframe').contentDocument" : 'document';
  const [vw, vh, sw, sh, cw, ch] = await g.read(`(() => { const e = ${doc}.documentElement, c =
    ${doc}.getElementById('canvas'); return [e.clientWidth, e.clientHeight, e.scrollWidth,
    e.scrollHeight, c.width, c.height]; })()`);
  const c = await rect(g, '#canvas', inFrame);
  check(sw <= vw && sh <= vh, `no overflow: ${sw}x${sh} in ${vw}x${vh}`);
  check(c.x >= 0 && c.y >= 0 && c.x + c.w <= vw && c.y + c.h <= vh, `the picture inside ${vw}x${vh}: ${JSON.stringify(c)}`);
  check(Math.abs(c.w * 3 - c.h * 4) < 4 / ratio, 'the picture is 4:3');
  check(cw === Math.round(c.w * ratio) && ch === Math.round(c.h * ratio),
        `a ${cw}x${ch} canvas drawn at ratio ${ratio} for ${c.w}x${c.h}`);
  return {...c, vw, vh};
}

// The width the cursor cross's lines are drawn at, device pixels: the middle one of the runs
// of its first line's colours (red to green) down the columns it crosses. Not the longest: a
// strand of a like colour beside the line lengthens the run in the few columns it touches.
function crossLineWidth(f) {
  const runs = [];
  for (let x = 0; x < f.w; x++) {
    let longest = 0;
    for (let y = 0, run = 0; y < f.h; y++) {
      const [r, gr, b] = f.at(x, y);
      run = b <= 2 && Math.abs(r + gr - 255) <= 3 ? run + 1 : 0;
      longest = Math.max(longest, run);
    }
    if (longest) runs.push(longest);
  }
  return runs.sort((p, q) => p - q)[runs.length >> 1] || 0;
}

// The pointer at the middle of game pixel (x, y) of a picture drawn `scale` CSS pixels a game
// pixel from (left, top) aims at that pixel.
async function aimsExactly(g, left, top, scale, points) {
  for (const [x, y] of points) {
    await g.page.mouse.move(left + (x + 0.5) * scale, top + (y + 0.5) * scale);
    await framesPass(g, 1);
    check(await g.data('mouse') === `${x},${y}`, `the pointer over (${x}, ${y}) aims there, not ${await g.data('mouse')}`);
  }
}

// A phone upright, touch alone, in numbered field FIELD_ON_TOP: the game plays, its picture
// across the screen at the phone's pixels; a tap starts it and its music, the stick walks and
// turns, Look down looks down, a finger aims while another walks, a tap on the needle wins, Share
// copies the line to post, New field starts a new field, and End asks before it ends.
async function phonePortrait() {
  const g = await open({viewport: PHONE, query: '?field=' + FIELD_ON_TOP});
  await g.browser.defaultBrowserContext().overridePermissions(g.origin, ['clipboard-read', 'clipboard-sanitized-write']);
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  check(await g.read("document.getElementById('notice').hidden"), 'no notice turns the phone away');
  const c = await fitsWhole(g, 3);
  check(c.w > PHONE.width - 1 && c.y === 0, 'the picture spans the width at the top');
  const [stick, look] = [await rect(g, '#stick'), await rect(g, '#look')];
  check(stick.y >= c.y + c.h && look.y >= c.y + c.h && look.y + look.h <= c.vh, 'the controls below it');
  check(/Tap/.test(await g.read("document.getElementById('sound').textContent")), 'the sound line asks for a tap');
  check(await g.level() === 0, 'silence before any touch');
  await tap(g, ...middle(c));
  await g.until(async () => await g.data('track') === 'theme.mp3', 10, 'a tap to start play');
  await g.until(async () => await g.level() > 0.01, 10, 'the theme to sound');
  await framesPass(g, 3);
  // The stick, put down in its middle and slid, for `seconds` or until that test holds: up walks
  // ahead (up the mound, toward its top), a tap to the left turns left, and its dead zone does
  // nothing.
  const [sx, sy] = middle(stick), r = stick.w / 2;
  const push = async (dx, dy, seconds, aimAt) => {
    const v = await view(g);
    await fingers(g, 'touchStart', {1: [sx, sy]});
    await fingers(g, 'touchMove', {1: [sx + dx * r, sy + dy * r]});
    if (aimAt) { // a second finger aims at the same time
      await fingers(g, 'touchMove', {1: [sx + dx * r, sy + dy * r], 2: aimAt});
      await framesPass(g, 1);
    }
    if (typeof seconds === 'function') await g.until(seconds, 10, 'the stick held long enough');
    else await sleep(seconds);
    await fingers(g, 'touchEnd');
    await framesPass(g, 2);
    const w = await view(g);
    return {ahead: (w[0] - v[0]) * Math.cos(v[2]) + (w[1] - v[1]) * Math.sin(v[2]), turned: w[2] - v[2]};
  };
  // Up the mound 69 units (2.3 s of ticks), as far as the view says rather than for a time: a
  // busy machine takes the finger off late, and a longer walk may end on the needle's very spot.
  const from = await view(g);
  const far = async () => Math.hypot(...(await view(g)).slice(0, 2).map((v, k) => v - from[k])) >= 69;
  let m = await push(0.05, -0.9, far);
  check(m.ahead > 10 && m.turned === 0, 'up walks ahead: ' + JSON.stringify(m));
  m = await push(-0.8, 0.1, 0);
  check(m.ahead === 0 && m.turned < 0, 'left turns left: ' + JSON.stringify(m));
  m = await push(0.1, -0.1, 0.5);
  check(m.ahead === 0 && m.turned === 0, 'the dead zone: ' + JSON.stringify(m));
  await fingers(g, 'touchStart', {3: middle(look)});
  await g.until(async () => (await view(g))[3] > 0.3, 30, 'Look down to look down');
  await fingers(g, 'touchEnd');
  await g.until(async () => (await view(g))[3] <= 0, 30, 'the view to come up again');
  // Turn on with the stick until the needle shows plainly, then tap it, up to three times; a
  // miss steps back (see BACK_AFTER_MISS), keeps the picture it aimed by and says where it tapped.
  // The turns go toward the side the needle was last seen on: a needle by the picture's edge
  // that a step back takes out of sight is then found again at once, not after a whole circle.
  let won = false, side = 1;
  const missed = [], looked = [];
  for (let look = 0, throws = 0; !won && throws < 3; look++) {
    check(look < 40, 'the needle never came into view; the views looked from: ' + looked.join(' '));
    looked.push(await g.data('view'));
    const f = await grab(g, 'phone_looking'), [ax, ay] = (await g.data('mouse')).split(',');
    const seen = needle(f, (+ax + BLUE_END[0]) * f.w / W, (+ay + BLUE_END[1]) * f.h / H, 4 * f.w / W);
    if (seen.n > 0) side = seen.x < f.w / 2 ? -1 : 1;
    if (seen.n < 100 || !seen.whole) { // out of sight, or not whole: turn, or walk, on or back
      const [dx, dy, seconds] = seen.n >= 100 ? [0, 0.8, 0.3] : look % 10 === 9 ? [0, -0.8, 1] : [0.8 * side, 0, 0.2];
      await push(dx, dy, seconds);
      continue;
    }
    throws++;
    await tap(g, c.x + (seen.x + 0.5) * c.w / f.w, c.y + (seen.y + 0.5) * c.h / f.h);
    won = await thrownAndWon(g);
    if (won) continue;
    fs.copyFileSync(path.join(shots, 'web_phone_looking.png'), path.join(shots, `web_phone_missed_${throws}.png`));
    missed.push(`at (${await g.data('mouse')}), the needle's ${seen.n} pixels round (${(seen.x * W / f.w).toFixed(1)}, ${(seen.y * H / f.h).toFixed(1)}), from ${await g.data('view')}`);
    await push(0, 0.8, BACK_AFTER_MISS);
  }
  check(won, 'three taps on the needle all missed: ' + missed.join('; '));
  await grab(g, 'phone_won');
  // Walking on with the stick while a second finger aims.
  m = await push(0, -0.9, 0.5, [c.x + 100.5 * c.w / W, c.y + 50.5 * c.h / H]);
  check(m.ahead > 0 && await g.data('mouse') === '100,50', 'a second finger aims while the first walks');
  // Share copies the line to post, whose time the page keeps as the field's best.
  const first = await g.data('world');
  await tap(g, ...middle(await rect(g, '#share')));
  await g.until(async () => await shown(g, '#shared'), 10, 'the word that it was copied');
  const line = await g.read('navigator.clipboard.readText()'), time = / found in (\d+):(\d\d)\.(\d)$/.exec(line) || [];
  const tenths = time[1] * 600 + time[2] * 10 + Number(time[3]); // the walk alone took 2.3 s
  check(line.startsWith(`Haystack field ${FIELD_ON_TOP}: `) && tenths >= 23, 'the line to post: ' + line);
  const best = new RegExp(`^field\\.${FIELD_ON_TOP}=(\\d+)$`, 'm').exec(await g.read("localStorage.getItem('haystack.times')"));
  check(best && Math.floor(best[1] / 3) === tenths, "the page keeps the time as the field's best: " + best); // 3 ticks a tenth
  await tap(g, ...middle(await rect(g, '#new-field')));
  await newFieldShown(g, first);
  // End: asked first; kept playing, then ended. Taps on the page's buttons leave the aim.
  const aimed = await g.data('mouse');
  await tap(g, ...middle(await rect(g, '#end')));
  await tap(g, ...middle(await rect(g, '#end-no')));
  await framesPass(g, 2);
  check(await g.read("document.getElementById('notice').hidden"), 'Keep playing keeps playing');
  check(await g.data('mouse') === aimed, 'taps on buttons do not move the aim');
  await tap(g, ...middle(await rect(g, '#end')));
  await tap(g, ...middle(await rect(g, '#end-yes')));
  await g.until(async () => /has ended/.test(await g.read("document.getElementById('notice-text').textContent")) &&
                !(await g.read("document.getElementById('again').hidden")), 10, 'the end notice with Play again');
  await g.close();
}

// The page lets people zoom, but not on the game: a pinch (two fingers spread from 20 to 220
// pixels apart) over the picture or over the stick, or a double tap on the picture, leaves the
// phone's view unscaled. The same pinch zooms a page without `touch-action: none` fivefold.
async function pinchOnPhone() {
  const g = await open({viewport: PHONE});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  const [picture, stick] = [middle(await rect(g, '#canvas')), middle(await rect(g, '#stick'))];
  for (const [x, y] of [picture, stick]) {
    await fingers(g, 'touchStart', {5: [x - 10, y], 6: [x + 10, y]});
    for (let d = 15; d <= 110; d += 5, await sleep(0.016))
      await fingers(g, 'touchMove', {5: [x - d, y], 6: [x + d, y]});
    await fingers(g, 'touchEnd');
  }
  await tap(g, ...picture);
  await tap(g, ...picture);
  await framesPass(g);
  check(await g.read('visualViewport.scale') === 1, 'no zoom: ' + await g.read('visualViewport.scale'));
  await g.close();
}

// A phone on its side: the picture fills the height, the controls lie over the bars; turned
// upright, small, or in a game-hosting page's frame of any size, the picture fits again.
async function landscapeResize() {
  const g = await open({viewport: {...PHONE, width: 844, height: 390, isLandscape: true}});
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  let c = await fitsWhole(g, 3);
  check(c.h > 389, 'the picture fills the height');
  const [stick, look] = [await rect(g, '#stick'), await rect(g, '#look')];
  check(stick.x + stick.w <= c.x && look.x >= c.x + c.w, 'the controls lie over the bars');
  for (const size of [{width: 390, height: 844}, {width: 320, height: 480}, {width: 1024, height: 768}]) {
    await g.page.setViewport({...PHONE, ...size});
    await framesPass(g, 2);
    c = await fitsWhole(g, 3);
    check(c.w > size.width - 1 || c.h > size.height - 200, `the picture fills ${size.width}x${size.height}`);
    for (const control of ['#stick', '#look', '#end', '#fullscreen', '#options']) {
      const b = await rect(g, control);
      check(b.x >= 0 && b.y >= 0 && b.x + b.w <= size.width && b.y + b.h <= size.height, `${control} is on the screen`);
    }
  }
  await g.page.setViewport({width: 800, height: 600});
  await g.page.goto(g.page.url() + 'framed.html');
  await g.until(async () => Number(await g.read("document.querySelector('iframe').contentDocument.getElementById('canvas').dataset.frames")) >= 2,
                60, 'the framed game\'s first frames');
  c = await fitsWhole(g, 1, true);
  const bar = await rect(g, '#bar', true);
  check(c.h + bar.h >= 420 - 3 && bar.y >= c.y + c.h, 'the picture fills the frame above its help line'); // 4:3 in whole pixels
  await g.read("document.querySelector('iframe').style.width = '300px'");
  // The picture is fitted again at the game's next frame, which a loaded machine draws late.
  const fitted = async () => { try { c = await fitsWhole(g, 1, true); return true; } catch (e) { return false; } };
  await g.until(fitted, 30, 'the picture fitted to the narrowed frame');
  check(c.w > 299, 'and fits it again once narrowed');
  await g.close();
}

// A 1920x1080 tab at ratio 2, then fullscreen: the canvas at the device's pixels, lines as
// thick as the picture is large, and the pointer aiming exactly; in fullscreen the picture
// fills the screen's height between black bars, a pointer over a bar aiming at its nearest
// edge. Software WebGL draws these sizes at a frame in several seconds.
async function largeScreenFullscreen() {
  const g = await open({viewport: {width: 1920, height: 1080, deviceScaleFactor: 2}});
  await g.until(async () => await g.frames() >= 2, 120, 'the first frames');
  const c = await fitsWhole(g, 2);
  check(c.w > 1300, 'the picture fills the tab: ' + c.w);
  await aimsExactly(g, c.x, c.y, c.w / W, [[601, 397], [639, 479]]);
  await g.page.keyboard.press('Space');
  // The cross's lines: 5 pixels wide at 640 across, in proportion at every other width.
  const crossAt = async (x, y, name, part) => {
    await g.page.mouse.move(x, y);
    await framesPass(g, 1);
    return grab(g, name, part);
  };
  let f = await crossAt(c.x + c.w / 2, c.y + c.h / 10, 'cross_tab', {x: c.w / 2 - 40, y: c.h / 10 - 40, width: 80, height: 80});
  check(Math.abs(crossLineWidth(f) - 5 * 2 * c.w / W) <= 1, `lines ${crossLineWidth(f)} pixels wide in a ${c.w}-pixel picture`);
  await g.page.click('#fullscreen');
  await g.until(async () => await g.read('document.fullscreenElement !== null'), 30, 'fullscreen');
  await g.until(async () => await g.read('canvas.width') === 3840, 60, 'the canvas at the screen\'s pixels');
  check(await g.read('canvas.height') === 2160, 'all of them');
  const scale = 1080 / H, left = (1920 - W * scale) / 2;
  await aimsExactly(g, left, 0, scale, [[601, 397], [0, 0]]);
  await g.page.mouse.move(left / 2, 540.5);
  await framesPass(g, 1);
  check(await g.data('mouse') === '0,240', 'a pointer over the bar aims at the edge');
  f = await crossAt(left + 40 * scale, 48 * scale, 'cross_fullscreen', {x: left - 40, y: 48 * scale - 40, width: 170, height: 80});
  check(Math.abs(crossLineWidth(f) - 22.5) <= 1, `lines ${crossLineWidth(f)} pixels wide fullscreen, 22.5 at 2160`);
  check(share(f, 0, 0, 80, f.h, p => same(p, [0, 0, 0])) === 1, 'a black bar beside the picture');
  await g.close();
}

// --- Installed, and offline --------------------------------------------------------------

// The page is an app: its manifest parses and both its icons are the sizes it says. Its
// service worker keeps the release, so that a reload with the network off plays. A newer
// release served over it is kept; while another tab's request holds the older release, a
// reload plays the older after a wait, and the newer takes over once that request is
// answered, without restarting the game under way, and plays whole at the next reload.
async function installOffline() {
  const newer = fs.mkdtempSync(path.join(require('os').tmpdir(), 'haystack-newer-'));
  fs.cpSync(site, newer, {recursive: true});
  const program = path.join(newer, 'haystack.js.gz'); // marked as it runs
  fs.writeFileSync(program, zlib.gzipSync(Buffer.concat([zlib.gunzipSync(fs.readFileSync(program)),
                                                         Buffer.from('\nwindow.newerRelease = true;\n')])));
  const worker = path.join(newer, 'sw.js');
  fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8').replace(/-web-[0-9a-f]+'/, "-web-newer'"));
  const g = await open();
  const manifest = await g.session.send('Page.getAppManifest');
  check(manifest.errors.length === 0 && manifest.data, 'the manifest parses: ' + JSON.stringify(manifest.errors));
  const icons = JSON.parse(manifest.data).icons;
  const sizes = await g.read(`Promise.all(${JSON.stringify(icons)}.map(async i => { const b = await
    createImageBitmap(await (await fetch(i.src)).blob()); return b.width + 'x' + b.height === i.sizes; }))`);
  check(icons.length === 2 && sizes.every(s => s), 'both icons load at their sizes');
  await g.until(async () => await g.read("navigator.serviceWorker.getRegistration().then(r => r && r.active && r.active.state)") === 'activated',
                60, 'the service worker');
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  const caches = () => g.read('caches.keys()');
  const offline = on => g.session.send('Network.emulateNetworkConditions', {offline: on, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
  await offline(true);
  await g.page.reload();
  await g.until(async () => await g.frames() >= 2, 60, 'the game to play offline');
  await g.page.mouse.click(5, 5);
  await g.until(async () => await g.level() > 0.01, 30, 'the intro to sound offline');
  await g.page.goto(g.origin + '/?field=' + FIELD_ON_TOP); // a numbered field's address
  await g.until(async () => await g.data('field') === String(FIELD_ON_TOP), 60, 'a numbered field to play offline');
  await g.page.goto(g.origin + '/');
  await offline(false);
  const older = await caches();
  g.server.folder = newer;
  await g.page.reload(); // the page finds the newer release and keeps it, while the older plays
  await g.until(async () => await g.read("navigator.serviceWorker.getRegistration().then(r => !!r.waiting)"), 60, 'the newer release kept');
  const newerPlays = async () => await g.read('window.newerRelease') === true;
  const other = await g.browser.newPage();
  await other.goto(g.page.url() + 'LICENSE.txt');
  await other.evaluate("fetch('hang'), 0");
  await g.page.bringToFront(); // a tab behind another draws nothing
  await g.until(async () => g.server.held.length === 1, 30, 'the other tab\'s request');
  await g.page.reload(); // the page's wait, 5 s, and the game's start, seconds, in a minute
  await g.until(async () => await g.frames() >= 2, 5 + 60, 'the older release to play');
  check(!await newerPlays(), 'the older release plays while the newer waits');
  await g.read('window.stayed = true');
  g.server.held.forEach(res => res.end());
  await g.until(async () => { const now = await caches(); return now.length === 1 && /-web-newer /.test(now[0]); }, 60, 'the newer release alone');
  await framesPass(g);
  check(await g.read('window.stayed') === true, 'the game under way goes on');
  await g.page.reload();
  await g.until(async () => await g.frames() >= 2, 60, 'the newer release to play');
  check(await newerPlays(), 'the newer release plays, from its files');
  check(older.length === 1 && !/-web-newer /.test(older[0]), 'one release was kept before');
  await g.close();
  fs.rmSync(newer, {recursive: true});
}

// --- Lighthouse ------------------------------------------------------------------------------

const AUDITED = ['accessibility', 'best-practices', 'seo']; // the categories that must score 100
// Lighthouse 12 (an ES module, found where require finds the test's modules) and its settings.
const lighthouseModule = file => import(require('url').pathToFileURL(require.resolve('lighthouse/' + file)));

// Lighthouse's audit of the release in `folder`, served on the loopback address, with its
// `preset` ('mobile': slow 4G and a CPU four times slower, or 'desktop'), in a headless Chromium
// of its own: {preset, performance, lcp (ms), each of AUDITED, short: the audits they lack}.
// Lighthouse's total blocking time, over the page's main thread in a trace: each task's time,
// times `slowdown` (the CPU slowdown Lighthouse's simulation applies to an unthrottled trace),
// beyond 50 ms. `drawing`: the same, counting only the time spent waiting for the browser's
// drawing process (software drawing here): to make the context, to answer a call, or, as the
// page before is taken down, to finish that page's drawing.
const WAITS = ['GpuChannelHost::CreateViewCommandBuffer', 'CommandBufferHelper::Finish', 'ProxyMain::Stop'];
function blockingTime(events, slowdown = 1) {
  const tasks = events.filter(e => e.name === 'RunTask' && e.ph === 'X');
  const busiest = events.filter(e => e.name === 'thread_name' && e.args.name === 'CrRendererMain')
      .map(t => [t, tasks.filter(e => e.pid === t.pid && e.tid === t.tid).reduce((sum, e) => sum + e.dur, 0)])
      .sort((a, b) => b[1] - a[1])[0][0]; // the game's page, not the blank one before it
  const on = events.filter(e => e.pid === busiest.pid && e.tid === busiest.tid && e.ph === 'X');
  let blocking = 0, drawing = 0;
  for (const task of on.filter(e => e.name === 'RunTask' && e.dur * slowdown > 50000)) {
    const waits = on.filter(e => WAITS.includes(e.name) && e.ts >= task.ts && e.ts < task.ts + task.dur);
    const waited = waits.filter(w => !waits.some(o => o !== w && o.ts <= w.ts && o.ts + o.dur >= w.ts + w.dur))
        .reduce((sum, w) => sum + w.dur, 0);
    blocking += task.dur * slowdown - 50000;
    drawing += Math.min(waited * slowdown, task.dur * slowdown - 50000);
  }
  return {blocking: blocking / 1000, drawing: drawing / 1000};
}

async function audit(folder, preset) {
  const {default: run} = await lighthouseModule('core/index.js');
  const config = preset === 'desktop' ? (await lighthouseModule('core/config/desktop-config.js')).default : undefined;
  const server = await serve(folder);
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader']});
  try {
    const {lhr, artifacts} = await run(`http://127.0.0.1:${server.address().port}/`, {hostname: '127.0.0.1',
      port: Number(new URL(browser.wsEndpoint()).port), logLevel: 'error', additionalTraceCategories: 'gpu',
      onlyCategories: ['performance', ...AUDITED]}, config);
    const score = c => lhr.categories[c].score === null ? NaN : Math.round(lhr.categories[c].score * 100);
    const traced = artifacts.Trace ? blockingTime(artifacts.Trace.traceEvents, lhr.configSettings.throttling.cpuSlowdownMultiplier)
                                   : {blocking: NaN, drawing: NaN}; // no page loaded
    const short = AUDITED.flatMap(c => lhr.categories[c].auditRefs.map(r => lhr.audits[r.id]))
        .filter(a => a.score !== null && a.score < 1).map(a => a.id);
    return {preset, performance: score('performance'), lcp: lhr.audits['largest-contentful-paint'].numericValue,
            tbt: lhr.audits['total-blocking-time'].numericValue,
            traced, unwaited: await scoreUnwaited(lhr, traced),
            ...Object.fromEntries(AUDITED.map(c => [c, score(c)])), short};
  } finally {
    await browser.close();
    server.close();
  }
}
// The performance score by Lighthouse's own weights and curves, with its total blocking time
// short of the share that its trace spent waiting for software drawing: an estimate of the
// score where a GPU answers at once.
async function scoreUnwaited(lhr, traced) {
  const {Audit} = await lighthouseModule('core/audits/audit.js');
  const tbt = lhr.audits['total-blocking-time'];
  const unwaited = tbt.numericValue * (traced.blocking > 0 ? 1 - traced.drawing / traced.blocking : 1);
  const scoreOf = r => r.id === tbt.id ? Audit.computeLogNormalScore(tbt.scoringOptions, unwaited) : lhr.audits[r.id].score;
  const refs = lhr.categories.performance.auditRefs.filter(r => r.weight > 0);
  return Math.round(100 * refs.reduce((sum, r) => sum + r.weight * scoreOf(r), 0) / refs.reduce((sum, r) => sum + r.weight, 0));
}

// The audit in a line. The total blocking time is Lighthouse's; its own trace, with the CPU
// slowed as Lighthouse counts it, says how much of the long tasks' time beyond 50 ms the page
// spent waiting for software drawing.
const describeAudit = a => `Lighthouse ${a.preset}: performance ${a.performance}, largest contentful paint ` +
    `${(a.lcp / 1000).toFixed(1)} s, total blocking time ${(a.tbt / 1000).toFixed(1)} s (in its trace ` +
    `${(a.traced.blocking / 1000).toFixed(1)} s, of which waiting for software drawing ` +
    `${(a.traced.drawing / 1000).toFixed(1)} s; without those waits, performance about ${a.unwaited}), ${AUDITED.map(c => `${c} ${a[c]}`).join(', ')}`;

// Accessibility, best practices and SEO score 100 with both presets. The performance score and
// the largest contentful paint are timings on a shared machine: printed, never judged.
async function lighthouse() {
  const faults = [];
  for (const preset of ['mobile', 'desktop']) {
    const a = await audit(site, preset);
    console.log(describeAudit(a));
    if (AUDITED.some(c => a[c] !== 100)) faults.push(`${preset}: ${a.short.join(', ')}`);
  }
  check(faults.length === 0, 'audits short of 100: ' + faults.join('; '));
}

const cases = {lostContext, sameAsDesktop, titleCardAndIntro, picturesAndLateMusic, pinchOnPhone, lighthouse,
               spaceWalkEscape, playThrough, noWebgl, downloadFails, hiddenTab,
               programPackedOrNot, phonePortrait, landscapeResize, largeScreenFullscreen, installOffline,
               gamepadPlayThrough, serviceWorkersRefused,
               keyboardOptions, phoneOptions, numberedFields, replayFromLinux, winThenWatch, sendToBoard};
if (require.main === module)
  cases[caseName]().then(() => process.exit(0), e => { console.error(e.stack || e); process.exit(1); });
module.exports = {open, holdKey, sleep, audit, describeAudit, lighthouseModule, blockingTime};

// A standard gamepad given to the page before it loads, which the test sets through `testPad`.
const PAD = `window.testPad = {id: 'Test pad', index: 0, connected: true, mapping: 'standard',
  timestamp: 0, axes: [0, 0, 0, 0], buttons: [...Array(17)].map(() => ({pressed: false, touched: false, value: 0}))};
  navigator.getGamepads = () => [testPad];
  addEventListener('load', () => dispatchEvent(new Event('gamepadconnected')));`;
const padAxis = (g, n, v) => g.read(`testPad.axes[${n}] = ${v}; testPad.timestamp++`);
const padButton = (g, n, down) => g.read(`testPad.buttons[${n}].pressed = ${down};
  testPad.buttons[${n}].value = ${down ? 1 : 0}; testPad.timestamp++`);
// Holds button `n` until two new frames were drawn (at least `seconds`).
async function holdPad(g, n, seconds = 0) {
  await padButton(g, n, true);
  await Promise.all([sleep(seconds), framesPass(g)]);
  await padButton(g, n, false);
}
// The centre of the cross's blue-to-yellow arm, (t, t, 1 - t): nothing else has red equal to green.
function cross(f) {
  let n = 0, sx = 0, sy = 0;
  for (let y = 0; y < H; y++) for (let x = 0; x < W; x++) {
    const [r, gr, b] = f.at(x, y);
    if (Math.abs(r - gr) <= 1 && Math.abs(r + b - 255) <= 2 && b > 20 && b < 235) n++, sx += x, sy += y;
  }
  return {n, x: sx / n, y: sy / n};
}

// With the clock fixed, a gamepad alone: Start, the left stick up the mound, the d-pad's right
// until the needle shows, the right stick steering the cross onto it, A throwing, and the outro.
async function gamepadPlayThrough() {
  const g = await open({clock: TARGET_ON_TOP});
  await g.page.evaluateOnNewDocument(PAD);
  await g.page.reload();
  await g.until(async () => await g.frames() >= 2, 60, 'the first frames');
  await holdPad(g, 9); // Start
  await g.until(async () => await g.data('track') === 'theme.mp3', 10, 'the theme');
  await framesPass(g, 3);
  await padAxis(g, 1, -1);
  await Promise.all([sleep(2.3), framesPass(g)]);
  await padAxis(g, 1, 0);
  let won = false, target = null; // where the needle was last seen whole, away from the cross
  for (let step = 0, throws = 0; !won && throws < 3; step++) {
    check(step < 80, 'the cross never reached the needle');
    const f = await grab(g, 'pad_steering'), c = cross(f), seen = needle(f, c.x + BLUE_END[0], c.y + BLUE_END[1]);
    check(c.n > 10, 'the cross is in view');
    if (seen.n >= 20) target = seen; // once the cross covers it, the needle counts as where it was
    if (!target) {
      await holdPad(g, step % 10 === 9 ? 12 : 15, 0.2); // the d-pad: right, now and then up
      continue;
    }
    const dx = target.x - c.x, dy = target.y - c.y;
    if (Math.hypot(dx, dy) >= 8) { // a push to cover about a twentieth of the way a tick
      const push = (off, size) => Math.sign(off) * (0.25 + 0.75 * Math.min(1, Math.sqrt(Math.abs(off) / 20 / (size / 30))));
      await padAxis(g, 2, push(dx, W)), await padAxis(g, 3, push(dy, H));
      await framesPass(g);
      await padAxis(g, 2, 0), await padAxis(g, 3, 0);
      await framesPass(g);
      continue;
    }
    throws++;
    await holdPad(g, 0, 0.2); // A
    won = await thrownAndWon(g);
    if (!won) { // back, and look for the needle anew from there
      await padAxis(g, 1, 1);
      await Promise.all([sleep(BACK_AFTER_MISS), framesPass(g)]);
      await padAxis(g, 1, 0);
      target = null;
    }
  }
  check(won, 'three throws at the needle all missed');
  await g.close();
}
