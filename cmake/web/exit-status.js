// Linked into every program of the Web build with --pre-js (beside
// --shell-file shell.html). With Asyncify, a main that slept (the engine's
// frame end, emscripten_sleep) returns its value to the JavaScript that
// resumed it, which drops it: the runtime then ends with status 0 whatever
// main returned. This keeps main's return value as the exit status, so a
// program that fails after its first frame does not end as a success.
Module['preRun'] = [].concat(Module['preRun'] || [], function () {
  if (typeof Asyncify === 'undefined' || !Module['_main']) return;
  var main = Module['_main'];
  var mainRewind = null;
  Module['_main'] = function () {
    var ret = main.apply(null, arguments);
    // Main went to sleep: later rewinds of its stack end in its real return.
    if (Asyncify.currData) mainRewind = Asyncify.getDataRewindFunc(Asyncify.currData);
    return ret;
  };
  var doRewind = Asyncify.doRewind;
  Asyncify.doRewind = function (ptr) {
    var isMain = mainRewind !== null && Asyncify.getDataRewindFunc(ptr) === mainRewind;
    var ret = doRewind(ptr);
    // No data left: main returned rather than sleeping again. The runtime
    // exits with EXITSTATUS once the callback that resumed main is over.
    if (isMain && !Asyncify.currData) EXITSTATUS = ret;
    return ret;
  };
});
