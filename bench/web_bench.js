// The browser release's figures in headless Chromium on this machine: file sizes, time to the
// first frame, frame rate in the attract stage and in play, and the ticks a second, before and
// after the tab was hidden; then the frame cost in play with the canvas drawing 640x480,
// 1280x960 and 1920x1080 pixels (fullscreen, the picture 1440x1080 between bars); then the
// first frame on a phone under Lighthouse's mobile throttling, and Lighthouse's own figures;
// then the same on a copy of the page that leaves the strands undrawn, to show what software
// drawing of their 100000 line ends costs on a machine without a GPU.
//   node bench/web_bench.js SITE_FOLDER ZIP
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const [site, zip] = process.argv.slice(2);
const {open, holdKey, sleep, audit, describeAudit, lighthouseModule, blockingTime} = require('../tests/web/web_test.js');
const SPAN = 10; // seconds each rate is measured over
const STRAND_INDICES = 50000 * 6; // the strands' draw: two triangles for each strand

// What the page downloads before its first frame (the manifest's small icon Chromium fetches
// for the manifest), then what comes after it.
const FIRST_FRAME_FILES = ['index.html', 'haystack.js.gz', 'haystack.wasm.gz', 'fencea.png', 'clouda.png',
  'introa.png', 'outroa.png', 'favicon.png', 'manifest.webmanifest', 'icon-192.png'];
const LATER_FILES = ['intro.mp3', 'theme.mp3', 'outro.mp3', 'sw.js', 'icon-512.png'];

const kb = bytes => (bytes / 1000).toFixed(1) + ' kB';
function sizes() {
  console.log('| File | Size | Gzipped |\n|---|---:|---:|');
  const row = (name, bytes) => console.log(`| ${name} | ${kb(bytes.length)} | ${kb(zlib.gzipSync(bytes, {level: 9}).length)} |`);
  const first = FIRST_FRAME_FILES.map(f => fs.readFileSync(path.join(site, f)));
  FIRST_FRAME_FILES.forEach((f, k) => row(f, first[k]));
  row('**before the first frame**', Buffer.concat(first));
  for (const f of LATER_FILES) row(f + ' (after it)', fs.readFileSync(path.join(site, f)));
  row(path.basename(zip), fs.readFileSync(zip));
}

// From navigation to the first frame on the canvas, on a phone (Lighthouse's mobile screen)
// with DevTools' network and CPU throttling as Lighthouse's mobile preset applies them: slow 4G
// (562.5 ms a request, 1.47 Mbit/s down) and a CPU four times slower. Nothing is kept between
// runs: each is a first visit. {first, context, blocking, drawing}: ms to the first frame, the
// time the page was held making the WebGL context (which software drawing takes long over),
// and the blocking time of the long tasks until a second after the first frame, in all and
// the part of it the page spent waiting for the browser's drawing process.
async function throttledFirstFrame(folder = site) {
  const {throttling, screenEmulationMetrics: screen} = await lighthouseModule('core/config/constants.js');
  const slow = throttling.mobileSlow4G;
  const g = await open({folder, viewport: {...screen.mobile, isMobile: true, hasTouch: true},
    before: async g => {
      await g.session.send('Network.enable');
      await g.session.send('Network.emulateNetworkConditions', {offline: false, latency: slow.requestLatencyMs,
        downloadThroughput: slow.downloadThroughputKbps * 1024 / 8, uploadThroughput: slow.uploadThroughputKbps * 1024 / 8});
      await g.session.send('Emulation.setCPUThrottlingRate', {rate: slow.cpuSlowdownMultiplier});
      await g.page.tracing.start({categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'gpu']});
      await g.page.evaluateOnNewDocument(`new MutationObserver((changes, seen) => {
        window.firstFrameAt = performance.now(); seen.disconnect(); }).observe(document, {subtree: true, attributeFilter: ['data-frames']});
        const make = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function(...asked) {
          const from = performance.now(), context = make.apply(this, asked);
          window.contextTook = window.contextTook || performance.now() - from;
          return context;
        };`);
    }});
  await g.until(async () => await g.read('window.firstFrameAt') > 0, 120, 'the first frame');
  const times = {first: await g.read('window.firstFrameAt'), context: await g.read('window.contextTook'),
                 strandsLeftOut: await g.read('window.strandsLeftOut')};
  await sleep(1);
  Object.assign(times, blockingTime(JSON.parse(Buffer.from(await g.page.tracing.stop()).toString()).traceEvents));
  await g.close();
  return times;
}

// Frames and ticks a second over SPAN seconds.
async function rates(g) {
  const at = async () => [Number(await g.data('frames')), Number(await g.data('ticks')), Date.now()];
  const [f0, t0, s0] = await at();
  await sleep(SPAN);
  const [f1, t1, s1] = await at();
  const seconds = (s1 - s0) / 1000;
  return {fps: (f1 - f0) / seconds, ticks: (t1 - t0) / seconds};
}

async function main() {
  sizes();
  const g = await open({folder: site});
  await g.until(async () => await g.frames() >= 1, 60, 'the first frame');
  const first = await g.read('performance.now()');
  await sleep(3);
  const attract = await rates(g);
  await holdKey(g, 'Space');
  await sleep(2);
  const play = await rates(g);
  const other = await g.browser.newPage();
  await other.bringToFront();
  await sleep(3);
  await g.page.bringToFront();
  const before = Number(await g.data('ticks'));
  await sleep(1);
  const firstSecond = Number(await g.data('ticks')) - before;
  const back = await rates(g);
  console.log(`\n| In headless Chromium | |\n|---|---:|
| navigation to first frame | ${Math.round(first)} ms |
| attract: frames a second, frame cost | ${attract.fps.toFixed(1)}, ${(1000 / attract.fps).toFixed(0)} ms |
| play: frames a second, frame cost | ${play.fps.toFixed(1)}, ${(1000 / play.fps).toFixed(0)} ms |
| ticks a second (attract, play) | ${attract.ticks.toFixed(2)}, ${play.ticks.toFixed(2)} |
| ticks in the first second back from a hidden tab | ${firstSecond} |
| ticks a second after that | ${back.ticks.toFixed(2)} |`);
  await g.close();
  await bySize();
  await throttledFigures(site, 'As released', ['mobile', 'desktop']);
  await withoutStrands();
}

// Three first visits to the release in `folder` under Lighthouse's mobile throttling, then
// Lighthouse's audit with each of `presets`, each line headed `heading`; the visits' figures.
async function throttledFigures(folder, heading, presets) {
  const firsts = [];
  for (let k = 0; k < 3; k++) firsts.push(await throttledFirstFrame(folder));
  const seconds = key => firsts.map(t => (t[key] / 1000).toFixed(2) + ' s').join(', ');
  console.log(`\n${heading}: first frame under Lighthouse's mobile throttling, three first visits: ` +
      `${seconds('first')}; of which making the WebGL context: ${seconds('context')}; the long tasks' ` +
      `blocking time to a second after it: ${seconds('blocking')}, of which waiting for software ` +
      `drawing: ${seconds('drawing')}`);
  for (const preset of presets) console.log(`${heading}: ${describeAudit(await audit(folder, preset))}`);
  return firsts;
}

// The game as it is but for the strands' draw, which the page's WebGL call leaves out: the
// figures that software drawing of the mound keeps the page from here, where a GPU would draw
// it in a few milliseconds.
async function withoutStrands() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'haystack-undrawn-'));
  fs.cpSync(site, folder, {recursive: true});
  const index = path.join(folder, 'index.html');
  fs.writeFileSync(index, fs.readFileSync(index, 'utf8').replace('<script>', `<script>{
    const draw = WebGL2RenderingContext.prototype.drawElements;
    WebGL2RenderingContext.prototype.drawElements = function(mode, count, ...rest) {
      if (count < ${STRAND_INDICES}) draw.call(this, mode, count, ...rest);
      else window.strandsLeftOut = true;
    };}</script><script>`));
  const firsts = await throttledFigures(folder, 'The strands left undrawn', ['mobile', 'mobile']);
  if (!firsts.every(t => t.strandsLeftOut)) throw new Error('the strands were drawn: their draw call has changed');
  fs.rmSync(folder, {recursive: true, force: true});
}

// Frames a second in play, on the ground facing the mound, with the canvas drawing at each
// size: tabs whose width the picture fills, and a 1920x1080 screen fullscreen.
async function bySize() {
  const sizes = [['640x480', {width: 640, height: 600}], ['1280x960', {width: 1280, height: 1100}],
                 ['1920x1080', {width: 1920, height: 1080}, true]];
  const rows = [];
  for (const [name, viewport, fullscreen] of sizes) {
    const g = await open({folder: site, viewport});
    await g.until(async () => await g.frames() >= 1, 120, 'the first frame');
    if (fullscreen) await g.page.click('#fullscreen');
    await holdKey(g, 'Space');
    await sleep(2);
    const drawn = await g.read("canvas.width + 'x' + canvas.height");
    const play = await rates(g);
    rows.push(`| ${name} | ${drawn} | ${(1000 / play.fps).toFixed(0)} ms (${play.fps.toFixed(1)} a second) |`);
    await g.close();
  }
  console.log(`\n| Canvas, play | drawn at | frame cost, SwiftShader |\n|---|---|---:|\n${rows.join('\n')}`);
}
main().then(() => process.exit(0), e => { console.error(e.stack || e); process.exit(1); });
