// The page's start: the program and the pictures asked for at once, and a replay asked for by the address.
"use strict";
const PACKED = typeof DecompressionStream === 'function'; // this browser unpacks gzip
// The program (its JavaScript and its WebAssembly, packed by gzip where the browser can unpack
// them) and the pictures, fetched by the page itself: a file preloaded by a link here, then
// read by the program, now and then failed to arrive in Chromium. A failure is reported as the
// files are used.
const FIRST_FILES = {
  script: unpacked(fetch(PACKED ? 'haystack.js.gz' : 'haystack.js')),
  program: unpacked(fetch(PACKED ? 'haystack.wasm.gz' : 'haystack.wasm')),
  pictures: ['fencea', 'clouda', 'introa', 'outroa'].map(name => ({name, png: fetch(name + '.png')})),
};
[FIRST_FILES.script, FIRST_FILES.program, ...FIRST_FILES.pictures.map(p => p.png)]
    .forEach(file => file.catch(() => {}));
// ?replay=URL: the replay file at that address (this page's own, or any the browser lets it
// fetch), fetched at once beside them; the game then watches it.
const REPLAY_ASKED = new URLSearchParams(location.search).get('replay'); // its URL, or null
const REPLAY = REPLAY_ASKED === null ? null : Promise.resolve() // its bytes, once they came
    .then(() => fetch(new URL(REPLAY_ASKED, location.href)))
    .then(response => {
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`.trim());
      return response.arrayBuffer();
    }).then(buffer => new Uint8Array(buffer));
if (REPLAY) REPLAY.catch(() => {});

// The bytes of the file `fetched`, unpacked when they are gzip's (a server or the browser may
// have unpacked them on the way).
function unpacked(fetched) {
  return fetched.then(response => {
    if (!response.ok) throw new Error(response.url + ': ' + response.status);
    return response.arrayBuffer();
  }).then(buffer => {
    const bytes = new Uint8Array(buffer);
    if (bytes[0] !== 0x1f || bytes[1] !== 0x8b) return bytes;
    const unpacking = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Response(unpacking).arrayBuffer().then(whole => new Uint8Array(whole));
  });
}
