// The game's pictures in a browser: they travel as PNG, and the browser decodes each into a
// picture that goes straight into the game's texture (picture_web.cpp), every texel as stored.
// Joined to the start of haystack.js (--pre-js).

// Each picture, decoded, by the name of the game's file: fencea.tga for fencea.png.
// The page asks for them at once, beside the program, as Module.pictures ({name, png: the
// fetch's promise}).
const picturesDecoded = Promise.all(Module.pictures.map(({name, png}) => png
    .then(response => {
      if (!response.ok) throw new Error(name + '.png: ' + response.status);
      return response.blob();
    })
    .then(png => createImageBitmap(png, {premultiplyAlpha: 'none', colorSpaceConversion: 'none'}))
    .then(bitmap => [name + '.tga', bitmap])));

// The game starts once its pictures are decoded; a picture that cannot be had stops the page's
// start as a program that cannot be had does.
Module.preRun = [].concat(Module.preRun || [], () => {
  addRunDependency('pictures');
  picturesDecoded.then(pictures => {
    Module.pictureBitmaps = Object.fromEntries(pictures);
    removeRunDependency('pictures');
  }, reason => abort(reason));
});
