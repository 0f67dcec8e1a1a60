// The command-line program under node sees the host's environment (HOME, XDG_*, ADVPLAY_*), as the
// native one does; Emscripten gives a program an environment of its own otherwise.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  if (typeof process !== 'undefined' && process.env) {
    Object.assign(ENV, process.env);
  }
});
