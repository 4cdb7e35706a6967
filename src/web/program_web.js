// The program's WebAssembly in a browser: the page fetches it at once, packed by gzip to less
// than half its size where the browser can unpack it, and hands over its bytes unpacked, as
// Module.program (a promise). Joined to the start of haystack.js (--pre-js).

// The program compiled and started from the page's download; one that cannot be had stops the
// page's start as a missing picture does.
Module.instantiateWasm = (imports, receive) => {
  Module.program.then(program => WebAssembly.instantiate(program, imports))
      .then(({instance, module}) => receive(instance, module), reason => abort(reason));
  return {};
};
