// Haystack's service worker: keeps one release's files together in a cache of their own, so that
// the game starts again without downloading them and plays with the network off.
'use strict';
const RELEASE = 'release-not-stamped'; // the release: its folder's name and its files' checksum
const CACHE = `haystack ${RELEASE} ${self.registration.scope}`; // this release's files, here
const PROGRAM = typeof DecompressionStream === 'function' ? ['haystack.js.gz', 'haystack.wasm.gz'] :
    ['haystack.js', 'haystack.wasm']; // the program's files as the page asks for them
const FILES = ['./', 'start.js', 'page.js', 'board.js', 'page.css', ...PROGRAM, 'fencea.png', 'clouda.png', 'introa.png',
               'outroa.png', 'intro.mp3', 'theme.mp3', 'outro.mp3', 'favicon.png',
               'manifest.webmanifest', 'icon-192.png', 'icon-512.png']; // all a game needs

// Keeps the whole release before it serves any of it: should one file fail, none is kept.
self.addEventListener('install', event => {
  event.waitUntil(caches.open(CACHE).then(cache => cache.addAll(FILES)));
});

// Once it serves, the caches of other releases here go, and the page may ask it to take over
// from an older release before the game loads.
self.addEventListener('activate', event => {
  event.waitUntil(caches.keys().then(names => Promise.all(names.filter(name =>
      name.startsWith('haystack ') && name.endsWith(' ' + self.registration.scope) &&
      name !== CACHE).map(name => caches.delete(name)))));
});
self.addEventListener('message', event => {
  if (event.data === 'take over') self.skipWaiting();
});

// The release's files from its cache (the page by either of its names), anything else from
// the network.
self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET') return;
  const isPage = request.mode === 'navigate' && /\/(index\.html)?$/.test(new URL(request.url).pathname);
  const page = isPage ? './' : request;
  event.respondWith(caches.open(CACHE)
      .then(cache => cache.match(page, {ignoreSearch: true}))
      .then(kept => kept || fetch(request)));
});
