// The browser release's figures in headless Chromium on this machine: file sizes, time to the
// first frame, frame rate in the attract stage and in play, and the ticks a second, before and
// after the tab was hidden.   node bench/web_bench.js SITE_FOLDER ZIP
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
  for (const f of ['haystack.wasm', 'haystack.js', 'haystack.data', 'index.html', zip]) {
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
}
main().then(() => process.exit(0), e => { console.error(e.stack || e); process.exit(1); });
