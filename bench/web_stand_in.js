// What Lighthouse's mobile score would be were the game drawn from a worker, and what software
// drawing costs it: a stand-in page that works a quarter of a second (the program's start)
// and then draws 100000 coloured line ends a frame, as the game draws its strands, measured
// four ways: on the page's main thread or in a worker on an OffscreenCanvas, drawing the lines
// or only two of them.
//   node bench/web_stand_in.js [RUNS]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {audit} = require('../tests/web/web_test.js');
const RUNS = Number(process.argv[2] || 2); // Lighthouse runs of each way
const LINE_ENDS = 100000;                   // the strands' line ends, two a strand

// The stand-in's start and frames, on whatever canvas it is handed.
const DRAW = `
function busy(ms) { const end = performance.now() + ms; let x = 0; while (performance.now() < end) x += Math.sqrt(x + 1); return x; }
function start(canvas) {
  busy(150);
  const gl = canvas.getContext('webgl2', {alpha: false, antialias: false});
  const shader = (type, text) => { const s = gl.createShader(type); gl.shaderSource(s, '#version 300 es\\n' + text); gl.compileShader(s); return s; };
  const program = gl.createProgram();
  gl.attachShader(program, shader(gl.VERTEX_SHADER, 'in vec3 p; in vec3 c; out vec3 v; void main() { v = c; gl_Position = vec4(p * 0.01 - 1.0, 1.0); }'));
  gl.attachShader(program, shader(gl.FRAGMENT_SHADER, 'precision mediump float; in vec3 v; out vec4 o; void main() { o = vec4(v, 1.0); }'));
  gl.bindAttribLocation(program, 0, 'p');
  gl.bindAttribLocation(program, 1, 'c');
  gl.linkProgram(program);
  if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error('the shaders did not link');
  gl.useProgram(program);
  const places = new Float32Array(${LINE_ENDS} * 3), colours = new Float32Array(${LINE_ENDS} * 3);
  for (let i = 0; i < places.length; i++) { places[i] = Math.random() * 200; colours[i] = Math.random(); }
  busy(100);
  for (const [at, data] of [[0, places], [1, colours]]) {
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, data, gl.STATIC_DRAW);
    gl.enableVertexAttribArray(at);
    gl.vertexAttribPointer(at, 3, gl.FLOAT, false, 0, 0);
  }
  const frame = () => {
    gl.clearColor(0.4, 0.6, 0.9, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.drawArrays(gl.LINES, 0, LINES_DRAWN);
    busy(5);
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
}
if (typeof document === 'undefined') onmessage = e => start(e.data.canvas);
`;

const page = script => `<!doctype html><html lang=en><head><meta charset=utf-8>
<meta name=viewport content="width=device-width, initial-scale=1"><link rel=icon href="data:,">
<title>Strands</title><meta name=description content="A stand-in for the game's page."></head>
<body><main><h1>Strands</h1><canvas id=c width=640 height=480 style="width:100%;max-width:640px"></canvas>
<p>The arrows walk and a click throws: the page's words, shown at once.</p></main>${script}</body></html>`;
const WAYS = {
  'main thread': '<script src=draw.js></script><script>start(document.getElementById(\'c\'));</script>',
  'worker': '<script>const c = document.getElementById(\'c\').transferControlToOffscreen(); ' +
            'new Worker(\'draw.js\').postMessage({canvas: c}, [c]);</script>',
};

(async () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'stand-in-'));
  console.log('| way | lines drawn a frame | performance | total blocking time |\n|---|---:|---|---|');
  for (const [way, script] of Object.entries(WAYS))
    for (const drawn of [LINE_ENDS, 2]) {
      const folder = path.join(root, `${way.replace(' ', '-')}-${drawn}`);
      fs.mkdirSync(folder);
      fs.writeFileSync(path.join(folder, 'index.html'), page(script));
      fs.writeFileSync(path.join(folder, 'draw.js'), `const LINES_DRAWN = ${drawn};\n` + DRAW);
      const runs = [];
      for (let run = 0; run < RUNS; run++) runs.push(await audit(folder, 'mobile'));
      const range = (f, unit) => [Math.min(...runs.map(f)), Math.max(...runs.map(f))].join(' to ') + unit;
      console.log(`| ${way} | ${drawn} | ${range(a => a.performance, '')} | ${range(a => (a.tbt / 1000).toFixed(1), ' s')} |`);
    }
  fs.rmSync(root, {recursive: true, force: true});
  process.exit(0);
})();
