// The game's pictures in a browser: they travel as PNG, and the browser decodes each back into
// the 32-bit TGA file, top row first, that the game opens, byte for byte the desktop's own.
// Joined to the start of haystack.js (--pre-js).
const TGA_TOP_FIRST = 0x28; // TGA descriptor: 8 alpha bits, the top row stored first

// The picture as a TGA file: the fixed header, then blue, green, red and alpha of each pixel.
function pictureAsTga(bitmap) {
  const canvas = document.createElement('canvas');
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  const drawing = canvas.getContext('2d', {willReadFrequently: true});
  drawing.drawImage(bitmap, 0, 0);
  const rgba = drawing.getImageData(0, 0, bitmap.width, bitmap.height).data;
  const tga = new Uint8Array(18 + rgba.length);
  tga.set([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, bitmap.width & 255, bitmap.width >> 8,
           bitmap.height & 255, bitmap.height >> 8, 32, TGA_TOP_FIRST]);
  for (let i = 0; i < rgba.length; i += 4) {
    tga[18 + i] = rgba[i + 2];
    tga[19 + i] = rgba[i + 1];
    tga[20 + i] = rgba[i];
    tga[21 + i] = rgba[i + 3];
  }
  return tga;
}

// Each picture's TGA file, {name, bytes}, once all four are fetched and decoded.
// The page asks for them at once, beside the program, as Module.pictures ({name, png: the
// fetch's promise}).
const picturesDecoded = Promise.all(Module.pictures.map(({name, png}) => png
    .then(response => {
      if (!response.ok) throw new Error(name + '.png: ' + response.status);
      return response.blob();
    })
    .then(png => createImageBitmap(png, {premultiplyAlpha: 'none', colorSpaceConversion: 'none'}))
    .then(bitmap => ({name: name + '.tga', bytes: pictureAsTga(bitmap)}))));

// The game starts once its pictures are in its file system; a picture that cannot be had
// stops the page's start as a program that cannot be had does.
Module.preRun = [].concat(Module.preRun || [], () => {
  addRunDependency('pictures');
  picturesDecoded.then(files => {
    files.forEach(file => FS.writeFile(file.name, file.bytes));
    removeRunDependency('pictures');
  }, reason => abort(reason));
});
