// Between the module's script and the page's. It says in the page, in words
// for a teacher, why ZORVA cannot start when it cannot; on a server, it adds
// the manifest for installing and registers the worker that keeps the page for
// use offline. Written for old browsers too (no arrow functions, no let or
// const, no promises of its own), since an old browser is one that needs the
// message.
(function () {
  'use strict';

  var NO_WEBASSEMBLY = 'This browser cannot run ZORVA: it has no WebAssembly. ' +
    'Use a current Chrome, Edge, Firefox or Safari.';
  var MODULE_MISSING = 'ZORVA could not start: its file zorva.js is missing or did not load. ' +
    'Put all of ZORVA\'s files back together in one folder, then reload this page.';
  var MODULE_FAILED = 'ZORVA could not start in this browser. ' +
    'Close other tabs and reload this page; if this message comes back, ' +
    'use a current Chrome, Edge, Firefox or Safari.';

  // Over the whole page, which shows nothing else of use.
  function showNotice(text) {
    var notice = document.createElement('div');
    notice.className = 'notice';
    notice.setAttribute('role', 'alert');
    var sentence = document.createElement('p');
    sentence.appendChild(document.createTextNode(text));
    notice.appendChild(sentence);
    document.body.appendChild(notice);
  }

  // A module that never comes: the page script's start waits for it, and the
  // notice has said why.
  function noModule() {
    return {then: function () { return this; }};
  }

  var createModule = window.createZorva;
  if (typeof WebAssembly !== 'object') {
    showNotice(NO_WEBASSEMBLY);
    window.createZorva = noModule;
  } else if (typeof createModule !== 'function') {
    // The script's load failed (missing, cut short, refused): nothing defined it.
    showNotice(MODULE_MISSING);
    window.createZorva = noModule;
  } else {
    // The module's own words on a failure are for developers: they go to the
    // console, and the page says the teacher's.
    var failed = function (error) {
      if (window.console) {
        console.warn('ZORVA: the module did not start:', error);
      }
      showNotice(MODULE_FAILED);
      return noModule();
    };
    window.createZorva = function (options) {
      try {
        return createModule(options).then(null, failed);
      } catch (error) {
        return failed(error);
      }
    };
  }

  // Installing and use offline need a server: a page opened as a file may
  // read neither the manifest nor a worker. Only a secure context (https, or
  // this computer's own addresses) has service workers.
  if (/^https?:$/.test(location.protocol)) {
    var manifest = document.createElement('link');
    manifest.rel = 'manifest';
    manifest.href = 'zorva.webmanifest';
    document.head.appendChild(manifest);
    if ('serviceWorker' in navigator) {
      window.addEventListener('load', function () {
        navigator.serviceWorker.register('zorva_sw.js').then(null, function (error) {
          if (window.console) {
            console.warn('ZORVA: no copy for use offline:', error);
          }
        });
      });
    }
  }
})();
