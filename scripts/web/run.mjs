// Runs a program of the engine's Web build in headless Chromium (software
// WebGL through SwiftShader) and turns the page back into a process: the
// program's console lines go to standard output (console.log) and standard
// error (console.error, console.warn) as they come, and the runner exits with
// the program's exit status. Start it through run.sh, which installs
// puppeteer-core first.
//
// Command forms
//   run.sh PROGRAM.js [ARG...]
//       Runs PROGRAM.html, the page beside PROGRAM.js, with the arguments
//       (PROGRAM.html may be named instead). A program linked to a .js file
//       without a page of its own gets one made from cmake/web/shell.html.
//       This is the form CMake's CROSSCOMPILING_EMULATOR uses for test
//       programs (ctest, GoogleTest's --gtest_list_tests discovery).
//   run.sh --page URL_OR_FILE [--screenshot OUT.png] [--save PATH=HOSTFILE]...
//          [--frames-wait N] [--timeout SECONDS]
//       Runs a page, e.g. out/index.html?args=600 (a folder means its
//       index.html; an http:// or https:// URL is loaded as it is).
//       --screenshot saves a PNG of the canvas once the program has ended, or
//       at the timeout, after N more animation frames (--frames-wait,
//       default 2) so that the last frame drawn is the one on screen.
//       --save copies the file PATH from the program's in-memory file system
//       to HOSTFILE after the program ended (repeatable).
// A page given as a file is served, with its folder, from an HTTP server on
// 127.0.0.1 inside this process: pages and their .wasm and .data files do not
// load from file:// URLs. The page starts out as the focused tab; files it
// downloads (window.oxDownload) land in the working folder.
//
// Programs link with: -sASYNCIFY -sEXIT_RUNTIME=1
//   --shell-file cmake/web/shell.html --pre-js cmake/web/exit-status.js
// (and -sMINIFY_HTML=0 when linking a .html file at -O1 and above).
//
// Exit status: the program's exit status (main's return value or exit()'s
// argument); 134 when it aborted (abort(), a trap, an uncaught error) or the
// page crashed; 124 when it has not ended OX_WEB_TIMEOUT seconds (default
// 120; --timeout overrides both) after the runner started; 1 when the page
// or its script failed to load, the browser did not start or a --save or
// --screenshot failed; 128 + N on signal N (the browser is closed first).
//
// Page protocol (cmake/web/shell.html implements it)
//   URL: the `args` query value is the comma-separated list of the
//     arguments, each one percent-encoded (encodeURIComponent), so that
//     commas, spaces and "&" inside an argument survive. No `args`, no
//     arguments.
//   window.oxStatus: {done: false} while the program runs, then
//     {done: true, code: N}; the page dispatches an "oxstatus" event on
//     window when it changes.
//
// Test host API: while the program runs, the page has window.oxHost, whose
// functions drive the browser's real input (the same events a person's
// keyboard and mouse give) and return a Promise:
//   oxHost.key(action, key)             action "down", "up" or "press"; key a
//       key name such as "KeyA", "Digit1", "Space", "Enter", "ArrowLeft",
//       "Escape", "F11", "ShiftLeft". A key held down stays down (and acts
//       as a modifier) until its "up".
//   oxHost.mouse(action, x, y, button)  action "move", "down", "up", "click"
//       or "wheel"; x, y in pixels from the canvas's top-left corner (the
//       pointer moves there first); button "left" (default), "middle",
//       "right" or the DOM numbers 0, 1, 2. For "wheel" the fourth argument
//       is the vertical scroll in pixels instead (positive scrolls down,
//       default 100).
//   oxHost.focus(on)                    false: the page loses the focus as
//       when the user switches to another tab ("blur" on the canvas and the
//       window, then "visibilitychange" to hidden; requestAnimationFrame
//       stops, timers go on); true: the page comes back to the front and the
//       canvas takes the keyboard focus.
//   oxHost.saveFile(hostName, base64)   writes the bytes to hostName, a
//       relative path inside the runner's working folder (for pictures the
//       test compares).
// The promise resolves once the browser has handled the input and rejects,
// with the reason printed to standard error, on a bad argument. The input
// is carried out between the page's tasks, so a program must give control
// back to the browser (the engine's frame end does, with Asyncify;
// emscripten_sleep does too) until the promise has settled, for example by
// setting a flag in its then() and sleeping until the flag is set: a program
// that waits in a busy loop never lets it happen.
//
// OX_WEB_VERBOSE=1 prints the runner's timings and uncaught page errors to
// standard error.

import http from 'node:http';
import fs from 'node:fs';
import fsp from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_ARGS = [
  '--no-sandbox',
  '--use-angle=swiftshader',
  '--enable-unsafe-swiftshader',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
  '--disable-quic',
  '--autoplay-policy=no-user-gesture-required',
];
const VIEWPORT = { width: 1920, height: 1080, deviceScaleFactor: 1 };
const MIME_TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.mem': 'application/octet-stream',
  '.json': 'application/json',
  '.map': 'application/json',
  '.css': 'text/css; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.ico': 'image/x-icon',
};
const EXIT_LOAD_FAILED = 1;
const EXIT_ABORTED = 134;
const EXIT_TIMEOUT = 124;

const startTime = performance.now();
const verbose = process.env.OX_WEB_VERBOSE === '1';

class UsageError extends Error {}

function log(message) {
  process.stderr.write(`run.mjs: ${message}\n`);
}

function elapsed() {
  return `${((performance.now() - startTime) / 1000).toFixed(3)} s`;
}

function timing(message) {
  if (verbose) log(`[${elapsed()}] ${message}`);
}

// The `args` query value: each argument percent-encoded, joined by commas.
function encodeArgs(args) {
  return args.map(encodeURIComponent).join(',');
}

function parseCommandLine(argv) {
  const options = { saves: [], framesWait: 2, screenshot: null, timeout: null };
  if (argv.length === 0) throw new UsageError('no program given');
  if (argv[0] !== '--page') {
    const program = path.resolve(argv[0]);
    const extension = path.extname(program);
    if (extension !== '.js' && extension !== '.html') {
      throw new UsageError(`${argv[0]}: expected a .js or .html file`);
    }
    const name = path.basename(program, extension);
    options.root = path.dirname(program);
    options.script = name + '.js';
    const args = argv.slice(1);
    options.pagePath = encodeURIComponent(name + '.html') + (args.length ? `?args=${encodeArgs(args)}` : '');
    return options;
  }
  let i = 1;
  const target = argv[i++];
  if (target === undefined) throw new UsageError('--page needs a URL or a file');
  for (; i < argv.length; i++) {
    const option = argv[i];
    const value = argv[i + 1];
    if (value === undefined) throw new UsageError(`${option} needs a value`);
    i++;
    if (option === '--screenshot') {
      options.screenshot = path.resolve(value);
    } else if (option === '--save') {
      const split = value.indexOf('=');
      if (split <= 0 || split === value.length - 1) {
        throw new UsageError(`--save ${value}: expected PATH=HOSTFILE`);
      }
      options.saves.push({ from: value.slice(0, split), to: path.resolve(value.slice(split + 1)) });
    } else if (option === '--frames-wait') {
      options.framesWait = Number.parseInt(value, 10);
      if (!(options.framesWait >= 0)) throw new UsageError(`--frames-wait ${value}: expected a count`);
    } else if (option === '--timeout') {
      options.timeout = Number(value);
      if (!(options.timeout > 0)) throw new UsageError(`--timeout ${value}: expected seconds`);
    } else {
      throw new UsageError(`unknown option ${option}`);
    }
  }
  if (/^https?:\/\//.test(target)) {
    options.url = target;
    return options;
  }
  // A file, with its query string (the file's name has no "?").
  let file = target.replace(/^file:\/\//, '');
  const query = file.indexOf('?');
  const search = query >= 0 ? file.slice(query) : '';
  if (query >= 0) file = file.slice(0, query);
  file = path.resolve(file);
  if (fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, 'index.html');
  options.root = path.dirname(file);
  options.pagePath = encodeURIComponent(path.basename(file)) + search;
  return options;
}

function timeoutSeconds(options) {
  if (options.timeout !== null) return options.timeout;
  const fromEnvironment = Number(process.env.OX_WEB_TIMEOUT);
  return fromEnvironment > 0 ? fromEnvironment : 120;
}

// The page for a program linked to a .js file without its own page: the
// shell with the program's script in it.
function shellPage(script) {
  const shell = fs.readFileSync(new URL('../../cmake/web/shell.html', import.meta.url), 'utf8');
  const tag = `<script async type="text/javascript" src="${encodeURIComponent(script)}"></script>`;
  return shell.replace('{{{ SCRIPT }}}', () => tag);
}

// Serves the files of one folder (no listings, no parent folders). With a
// script name, a missing page of the same name is made from the shell.
function startServer(root, script) {
  const generatedPage = script ? '/' + path.basename(script, '.js') + '.html' : null;
  const server = http.createServer((request, response) => {
    const fail = (status) => {
      response.writeHead(status, { 'Content-Type': 'text/plain' });
      response.end(`${status}\n`);
    };
    if (request.method !== 'GET' && request.method !== 'HEAD') return fail(405);
    let relative;
    try {
      relative = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    } catch {
      return fail(400);
    }
    const file = path.join(root, path.normalize(relative));
    if (file !== root && !file.startsWith(root + path.sep)) return fail(403);
    fs.stat(file, (error, stats) => {
      if (error && error.code === 'ENOENT' && relative === generatedPage) {
        const page = Buffer.from(shellPage(script));
        response.writeHead(200, {
          'Content-Type': MIME_TYPES['.html'],
          'Content-Length': page.length,
          'Cache-Control': 'no-store',
        });
        return response.end(request.method === 'HEAD' ? undefined : page);
      }
      if (error || !stats.isFile()) return fail(404);
      response.writeHead(200, {
        'Content-Type': MIME_TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream',
        'Content-Length': stats.size,
        'Cache-Control': 'no-store',
      });
      if (request.method === 'HEAD') return response.end();
      fs.createReadStream(file).pipe(response);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve(server));
  });
}

function loadPuppeteer() {
  const modules = process.env.OX_WEB_NODE_MODULES;
  const require = createRequire(modules ? path.join(modules, 'resolve.cjs') : import.meta.url);
  return require('puppeteer-core');
}

const MOUSE_BUTTONS = { 0: 'left', 1: 'middle', 2: 'right', left: 'left', middle: 'middle', right: 'right' };

// The functions behind window.oxHost.
class Host {
  constructor(browser, page) {
    this.browser = browser;
    this.page = page;
    this.otherPage = null;
  }

  async call(method, args) {
    if (!Array.isArray(args)) args = [];
    switch (method) {
      case 'key': return this.key(...args);
      case 'mouse': return this.mouse(...args);
      case 'focus': return this.focus(...args);
      case 'saveFile': return this.saveFile(...args);
      default: throw new Error(`oxHost has no function ${method}`);
    }
  }

  async key(action, key) {
    if (typeof key !== 'string') throw new Error(`oxHost.key: bad key ${key}`);
    const keyboard = this.page.keyboard;
    if (action === 'down') await keyboard.down(key);
    else if (action === 'up') await keyboard.up(key);
    else if (action === 'press') await keyboard.press(key);
    else throw new Error(`oxHost.key: bad action ${action}`);
  }

  async mouse(action, x, y, button) {
    if (!Number.isFinite(x) || !Number.isFinite(y)) throw new Error(`oxHost.mouse: bad position ${x}, ${y}`);
    const box = await this.page.evaluate(() => {
      const canvas = (window.Module && window.Module.canvas) || document.getElementById('canvas');
      const rect = canvas ? canvas.getBoundingClientRect() : { left: 0, top: 0 };
      return { left: rect.left, top: rect.top };
    });
    const mouse = this.page.mouse;
    const px = box.left + x;
    const py = box.top + y;
    if (action === 'wheel') {
      const deltaY = button === undefined ? 100 : Number(button);
      if (!Number.isFinite(deltaY)) throw new Error(`oxHost.mouse: bad wheel delta ${button}`);
      await mouse.move(px, py);
      await mouse.wheel({ deltaY });
      return;
    }
    const name = button === undefined || button === null ? 'left' : MOUSE_BUTTONS[button];
    if (!name) throw new Error(`oxHost.mouse: bad button ${button}`);
    if (action === 'move') await mouse.move(px, py);
    else if (action === 'down') { await mouse.move(px, py); await mouse.down({ button: name }); }
    else if (action === 'up') { await mouse.move(px, py); await mouse.up({ button: name }); }
    else if (action === 'click') await mouse.click(px, py, { button: name });
    else throw new Error(`oxHost.mouse: bad action ${action}`);
  }

  async focus(on) {
    if (on) {
      await this.page.bringToFront();
      await this.page.evaluate(() => {
        const canvas = (window.Module && window.Module.canvas) || document.getElementById('canvas');
        if (canvas) canvas.focus();
      });
      return;
    }
    // Another tab in front takes the focus from the program's page.
    if (!this.otherPage) this.otherPage = await this.browser.newPage();
    await this.otherPage.bringToFront();
  }

  async saveFile(hostName, base64) {
    if (typeof hostName !== 'string' || typeof base64 !== 'string') {
      throw new Error('oxHost.saveFile: expected a file name and base64 data');
    }
    const cwd = process.cwd();
    const file = path.resolve(cwd, hostName);
    if (path.isAbsolute(hostName) || !file.startsWith(cwd + path.sep)) {
      throw new Error(`oxHost.saveFile: ${hostName} is not a relative path inside the working folder`);
    }
    await fsp.mkdir(path.dirname(file), { recursive: true });
    await fsp.writeFile(file, Buffer.from(base64, 'base64'));
  }
}

// Runs in the page before its own scripts: window.oxHost forwards to the
// runner, and the shell's "oxstatus" event tells the runner the program ended.
function pageInit() {
  const call = (method) => (...args) => window.__oxHostCall(method, args);
  window.oxHost = Object.freeze({
    key: call('key'),
    mouse: call('mouse'),
    focus: call('focus'),
    saveFile: call('saveFile'),
  });
  window.addEventListener('oxstatus', (event) => {
    if (event.detail && event.detail.done) {
      const { code, started, ended } = event.detail;
      window.__oxHostEnded({ code, started, ended });
    }
  });
}

const STDOUT_TYPES = new Set(['log', 'info', 'debug', 'dir', 'dirxml', 'table', 'trace', 'count', 'timeEnd']);

async function readFromMemfs(page, memfsPath) {
  return page.evaluate((file) => {
    const fileSystem = typeof FS !== 'undefined' ? FS : window.Module && window.Module.FS;
    if (!fileSystem) throw new Error('the program has no file system (FS)');
    const data = fileSystem.readFile(file);
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }, memfsPath);
}

async function screenshotCanvas(page, file, framesWait) {
  // Frames go on after the program ended: wait for the compositor to show the
  // last one drawn (bounded, as a hidden page draws no frames).
  await page.evaluate((frames) => new Promise((resolve) => {
    let left = frames;
    const timer = setTimeout(resolve, 1000 + frames * 50);
    const step = () => {
      if (left-- <= 0) { clearTimeout(timer); resolve(); } else requestAnimationFrame(step);
    };
    step();
  }), framesWait);
  const canvas = await page.$('#canvas');
  const box = canvas ? await canvas.boundingBox() : null;
  await fsp.mkdir(path.dirname(file), { recursive: true });
  if (box && box.width > 0 && box.height > 0) {
    await canvas.screenshot({ path: file, type: 'png' });
  } else {
    log('no canvas with a size on the page: saving the whole page');
    await page.screenshot({ path: file, type: 'png' });
  }
}

// Settles with the promise's value, or with `fallback` after `ms`.
function within(promise, ms, fallback) {
  let timer;
  return Promise.race([
    promise.finally(() => clearTimeout(timer)),
    new Promise((resolve) => { timer = setTimeout(() => resolve(fallback), ms); }),
  ]);
}

async function run(options) {
  if (options.script && !fs.existsSync(path.join(options.root, options.script))) {
    log(`${path.join(options.root, options.script)}: no such file`);
    return EXIT_LOAD_FAILED;
  }
  const seconds = timeoutSeconds(options);
  // Everything that happens until the program ends counts against the
  // timeout, starting the browser too.
  let settle;
  const outcome = new Promise((resolve) => { settle = resolve; });
  const deadline = setTimeout(() => settle({ kind: 'timeout' }), seconds * 1000);
  const puppeteer = loadPuppeteer();
  const profile = await fsp.mkdtemp(path.join(os.tmpdir(), 'oxlen-web-'));
  let browser = null;
  let server = null;
  const cleanup = async () => {
    clearTimeout(deadline);
    if (browser) {
      // Chromium closes in about a second; one that does not is killed.
      const closing = browser;
      browser = null;
      const closed = await within(closing.close().then(() => true, () => true), 10000, false);
      if (!closed && closing.process()) closing.process().kill('SIGKILL');
    }
    if (server) server.close();
    server = null;
    await fsp.rm(profile, { recursive: true, force: true }).catch(() => {});
  };
  // A signal ends the run as a timeout does, and the runner with 128 + its
  // number, once the browser is closed and its profile removed.
  let signalled = 0;
  for (const [signal, number] of [['SIGINT', 2], ['SIGTERM', 15], ['SIGHUP', 1]]) {
    process.on(signal, () => {
      signalled = signalled || number;
      settle({ kind: 'signal' });
    });
  }

  try {
    let url = options.url;
    if (!url) {
      server = await startServer(options.root, options.script);
      url = `http://127.0.0.1:${server.address().port}/${options.pagePath}`;
    }
    const launching = puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      pipe: true,
      args: [...CHROMIUM_ARGS, `--user-data-dir=${profile}`],
      defaultViewport: VIEWPORT,
      handleSIGINT: false,
      handleSIGTERM: false,
      handleSIGHUP: false,
      timeout: seconds * 1000,
      protocolTimeout: Math.max(180, seconds + 60) * 1000,
    });
    const launched = await Promise.race([
      launching.then((started) => ({ kind: 'launched', browser: started }),
        (error) => ({ kind: 'launch-failed', message: error.message })),
      outcome,
    ]);
    if (launched.kind !== 'launched') {
      // A launch that is still going on ends by its own timeout.
      browser = await launching.catch(() => null);
      if (launched.kind === 'signal') return 128 + signalled;
      if (launched.kind === 'timeout') {
        log(`Chromium did not start within ${seconds} s`);
        return EXIT_TIMEOUT;
      }
      log(`Chromium did not start: ${launched.message}`);
      return EXIT_LOAD_FAILED;
    }
    browser = launched.browser;
    timing('browser started');
    const page = (await browser.pages())[0] || (await browser.newPage());
    timing('page opened');
    const host = new Host(browser, page);

    page.on('console', (message) => {
      const stream = STDOUT_TYPES.has(message.type()) ? process.stdout : process.stderr;
      stream.write(message.text() + '\n');
    });
    page.on('pageerror', (error) => {
      if (verbose) log(`page error: ${error.message}`);
    });
    page.on('error', (error) => settle({ kind: 'crashed', message: error.message }));
    browser.on('disconnected', () => settle({ kind: 'crashed', message: 'the browser went away' }));
    page.on('requestfailed', (request) => {
      if (!/^https?:/.test(request.url())) return;  // Downloads of blob: URLs end this way.
      const failure = request.failure();
      log(`${request.url()}: ${failure ? failure.errorText : 'failed'}`);
      if (request.resourceType() === 'document' || request.resourceType() === 'script') {
        settle({ kind: 'load-failed', message: `${request.url()} did not load` });
      }
    });
    page.on('response', (response) => {
      if (response.status() < 400) return;
      log(`${response.url()}: HTTP ${response.status()}`);
      const type = response.request().resourceType();
      if (type === 'document' || type === 'script') {
        settle({ kind: 'load-failed', message: `${response.url()} did not load` });
      }
    });
    await page.exposeFunction('__oxHostCall', async (method, args) => {
      try {
        return await host.call(method, args);
      } catch (error) {
        log(`oxHost.${method}: ${error.message}`);
        throw error;
      }
    });
    await page.exposeFunction('__oxHostEnded', (status) => settle({ kind: 'ended', ...status }));
    await page.evaluateOnNewDocument(pageInit);
    // Downloads (window.oxDownload) land in the working folder.
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: process.cwd() });
    // The page starts out as the focused tab, as one a person opened.
    await page.bringToFront();

    timing(`loading ${url}`);
    page.goto(url, { waitUntil: 'domcontentloaded', timeout: 0 })
      .then(() => timing('page loaded'))
      .catch((error) => settle({ kind: 'load-failed', message: error.message }));

    const result = await outcome;
    clearTimeout(deadline);
    let code;
    if (result.kind === 'ended') {
      // The page's console events arrive before the answer to this call:
      // none of the program's last lines is left behind.
      await within(page.evaluate(() => 0).catch(() => {}), 5000);
      const started = typeof result.started === 'number'
        ? `; main ran from ${Math.round(result.started)} to ${Math.round(result.ended)} ms after the navigation began`
        : '';
      timing(`program ended with ${result.code}${started}`);
      code = result.code & 0xff;
    } else if (result.kind === 'timeout') {
      log(`the program did not end within ${seconds} s`);
      code = EXIT_TIMEOUT;
    } else if (result.kind === 'signal') {
      return 128 + signalled;
    } else if (result.kind === 'crashed') {
      log(`the page crashed: ${result.message}`);
      return EXIT_ABORTED;
    } else {
      log(`the page failed to load: ${result.message}`);
      return EXIT_LOAD_FAILED;
    }

    // A page that hangs without yielding cannot answer: each step is bounded.
    const AFTER_RUN_MS = 20000;
    if (options.screenshot) {
      try {
        // A page left in the background draws no frames.
        if (host.otherPage) await within(page.bringToFront().catch(() => {}), AFTER_RUN_MS);
        const done = await within(screenshotCanvas(page, options.screenshot, options.framesWait)
          .then(() => true), AFTER_RUN_MS, false);
        if (!done) throw new Error('the page did not answer');
        timing(`saved ${options.screenshot}`);
      } catch (error) {
        log(`screenshot failed: ${error.message}`);
        if (code === 0) code = EXIT_LOAD_FAILED;
      }
    }
    for (const save of options.saves) {
      try {
        const base64 = await within(readFromMemfs(page, save.from), AFTER_RUN_MS, null);
        if (base64 === null) throw new Error('the page did not answer');
        await fsp.mkdir(path.dirname(save.to), { recursive: true });
        await fsp.writeFile(save.to, Buffer.from(base64, 'base64'));
        timing(`saved ${save.from} to ${save.to}`);
      } catch (error) {
        log(`--save ${save.from}: ${error.message}`);
        if (code === 0) code = EXIT_LOAD_FAILED;
      }
    }
    return code;
  } finally {
    await cleanup();
    timing('browser closed');
  }
}

async function main() {
  let options;
  try {
    options = parseCommandLine(process.argv.slice(2));
  } catch (error) {
    if (!(error instanceof UsageError)) throw error;
    log(error.message);
    log('usage: run.sh PROGRAM.js [ARG...]');
    log('       run.sh --page URL_OR_FILE [--screenshot OUT.png] [--save PATH=HOSTFILE]... '
      + '[--frames-wait N] [--timeout SECONDS]');
    return 2;
  }
  return run(options);
}

main().then(
  (code) => process.exit(code),
  (error) => {
    log(error.stack || String(error));
    process.exit(EXIT_LOAD_FAILED);
  },
);
