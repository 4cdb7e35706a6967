// The browser release's figures in headless Chromium on this machine: file sizes, time to the
// first frame, frame rate in the attract stage and in play, and the ticks a second, before and
// after the tab was hidden; then the frame cost in play with the canvas drawing 640x480,
// 1280x960 and 1920x1080 pixels (fullscreen, the picture 1440x1080 between bars).
//   node bench/web_bench.js SITE_FOLDER ZIP
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const [site, zip] = process.argv.slice(2);
const {open, holdKey, sleep} = require('../tests/web/web_test.js');
const SPAN = 10; // seconds each rate is measured over

const kb = bytes => (bytes / 1000).toFixed(1) + ' kB';
function sizes() {
  console.log('| File | Size | Gzipped |\n|---|---:|---:|');
  for (const f of ['haystack.wasm', 'haystack.js', 'haystack.data', 'index.html', 'sw.js', zip]) {
    const bytes = fs.readFileSync(f === zip ? zip : path.join(site, f));
    console.log(`| ${path.basename(f)} | ${kb(bytes.length)} | ${kb(zlib.gzipSync(bytes, {level: 9}).length)} |`);
  }
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
