// Linked into every program of the Web build with --js-library: the page's
// own yield after a frame is presented (OxPlatformWebYield). Asyncify
// unwinds the game's stack, a message the page posts to itself comes back
// as the browser's next task (a 0 ms timer set from a timer's callback, as
// every resumed frame is, would wait 4 ms), and the game resumes there. It
// resumes as the runtime's timers do, so that a main returning after it
// ends the runtime with its status.
mergeInto(LibraryManager.library, {
  OxWebYieldToBrowser__deps: ['$callUserCallback'],
  OxWebYieldToBrowser__sig: 'v',
  OxWebYieldToBrowser: function () {
    Asyncify.handleSleep(function (wakeUp) {
      if (!Module['oxYieldChannel']) {
        var channel = new MessageChannel();
        var waiting = [];
        channel.port1.onmessage = function () {
          waiting.shift()();
        };
        Module['oxYieldChannel'] = function (resume) {
          waiting.push(resume);
          channel.port2.postMessage(0);
        };
      }
      {{{ runtimeKeepalivePush() }}}
      Module['oxYieldChannel'](function () {
        {{{ runtimeKeepalivePop() }}}
        callUserCallback(wakeUp);
      });
    });
  },
});
