// The three browser engines from Debian, on pages served from 127.0.0.1 (a .wasm file
// loads only over HTTP): Chromium and Firefox driven by playwright-core, WebKit by its
// own WebDriver.
import { spawn } from 'node:child_process';
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import { inflateSync } from 'node:zlib';
import { chromium, firefox } from 'playwright-core';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.webmanifest': 'application/manifest+json', '.png': 'image/png' };

// Scripts to run before a page's own, for the pages of a driver that runs none (see
// webKitPage), by number: a page asked for with ?init=N has them first in its head.
const initScripts = [];
function register(scripts) {
  initScripts.push(scripts.map(([fn, arg]) => `(${fn})(${JSON.stringify(arg)});`).join('\n'));
  return initScripts.length - 1;
}

export async function serve(folder, port = 0) {
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, 'http://x');
    let path = normalize(decodeURIComponent(url.pathname));
    if (path.endsWith('/')) path += 'index.html';
    const init = url.searchParams.get('init');
    try {
      let body = path.startsWith('/.init/') ? initScripts[parseInt(path.slice(7), 10)]
                                            : await readFile(join(folder, path));
      if (body === undefined) throw new Error(`no script ${path}`);
      if (init !== null && path.endsWith('.html')) {
        body = body.toString().replace('<head>', `<head><script src="/.init/${init}.js"></script>`);
      }
      // Cross-origin isolated, a page's clock reads in microseconds rather than a tenth
      // of a millisecond: every file is the site's own, so nothing else changes.
      response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream',
                                'Cross-Origin-Opener-Policy': 'same-origin',
                                'Cross-Origin-Embedder-Policy': 'require-corp' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((done) => server.listen(port, '127.0.0.1', done));
  ({ port } = server.address());
  return { url: `http://127.0.0.1:${port}`, port, close() {
    server.close();
    server.closeAllConnections();
  } };
}

// For a page's init script: counts the animation frames the page asks for, in
// window.frameRequests (a still page asks for none), and times the page's own work in
// each, from the frame callback's start to its next request, in window.frameWork (ms).
export function countFrameRequests() {
  window.frameRequests = 0;
  window.frameWork = [];
  let started = null;
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    if (started !== null) window.frameWork.push(performance.now() - started);
    started = null;
    ++window.frameRequests;
    return request((time) => {
      started = performance.now();
      callback(time);
    });
  };
}

// WebGL 2 on SwiftShader, the one renderer a headless machine has.
export function launch(args = [], options = {}) {
  return chromium.launch({
    ...options,
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...args],
  });
}

// Every engine the page must work in: Chromium; Firefox; and WebKit, which every iPhone
// browser is. Pages of the first two take every call of Playwright's; WebKit's answer
// those the tests make.
export const engines = ['chromium', 'firefox', 'webkit'];

// A browser of that engine, with WebGL 2 on the machine's renderer. Firefox and WebKit
// show their windows on the X display: headless Firefox offers no WebGL 2 here.
// Chromium shows its own there when asked to, where a page sees the display's mouse.
// Unpaced, animation frames come as fast as pages draw them, where the engine lets them:
// WebKitGTK keeps to the display's rate.
export function openBrowser(engine, { onDisplay = false, unpaced = false } = {}) {
  if (engine === 'chromium') {
    return launch(unpaced ? ['--disable-frame-rate-limit', '--disable-gpu-vsync'] : [],
                  { headless: !onDisplay });
  }
  if (engine === 'firefox') {
    return firefox.launch({ channel: 'moz-firefox', executablePath: '/usr/bin/firefox-esr',
                            headless: false,
                            firefoxUserPrefs: unpaced ? { 'layout.frame_rate': 0 } : {} });
  }
  return webKit();
}

// The devtools protocol for a page, where its engine speaks it (Chromium): zoom,
// touches, installability and the service worker's events. Firefox's driver
// gives no touches at all, and WebKitGTK's gives a touch as the mouse.
export function devtools(page) {
  const browser = page.context().browser?.();
  return browser?.browserType().name() === 'chromium' ? page.context().newCDPSession(page) : null;
}

// Whether the page's driver puts the mouse at whole CSS pixels only, whatever point it is
// asked for: Firefox's rounds, WebKitGTK's truncates.
export function mouseAtWholePixels(page) {
  return page.context().browser?.().browserType().name() !== 'chromium';
}

// WebKitGTK's MiniBrowser through WebKitWebDriver (Playwright's WebKit needs a patched
// build of its own). Its contexts and pages answer the calls the tests make of
// Playwright's, over W3C WebDriver in plain HTTP. Each page has a driver of its own: a
// driver holds one session at a time, and GTK takes a whole device scale for the
// process alone.
function webKit() {
  const pages = new Set();
  const browser = {
    async newContext({ viewport = { width: 1280, height: 720 }, deviceScaleFactor = 1 } = {}) {
      if (!Number.isInteger(deviceScaleFactor)) throw new Error('WebKitGTK scales by whole pixels');
      const own = new Set();
      const context = {
        async newPage() {
          const page = await webKitPage(context, viewport, deviceScaleFactor);
          pages.add(page);
          own.add(page);
          return page;
        },
        close: () => Promise.all([...own].map((page) => page.close())),
      };
      return context;
    },
    newPage: async () => (await browser.newContext()).newPage(),
    close: () => Promise.all([...pages].map((page) => page.close())),
  };
  return browser;
}

const sleep = (ms) => new Promise((wait) => setTimeout(wait, ms));

async function webKitDriver(scale) {
  const port = await new Promise((found) => {
    const probe = createServer().listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => found(port));
    });
  });
  // WebKitGTK's DMA-BUF renderer crashes its compositor thread in Mesa's software
  // driver now and then, here in about one run of the frame cases in three; the renderer
  // it falls back to does not.
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore', env: {
    ...process.env, WEBKIT_DISABLE_DMABUF_RENDERER: '1', GDK_SCALE: String(scale) } });
  const call = async (method, path, body) => {
    for (let tries = 0; ; ++tries) {
      try {
        const reply = await fetch(`http://127.0.0.1:${port}${path}`, {
          method, headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
        const { value } = await reply.json();
        if (value?.error) throw new Error(`WebDriver ${path}: ${value.error}: ${value.message}`);
        return value;
      } catch (error) {
        // The driver takes a moment to listen.
        if (error.cause?.code !== 'ECONNREFUSED' || tries === 100) throw error;
        await sleep(50);
      }
    }
  };
  return { call, stop: () => driver.kill() };
}

const keys = { Enter: '\uE007', Escape: '\uE00C', Space: ' ', Control: '\uE009', Alt: '\uE00A' };

async function webKitPage(context, { ...viewport }, scale) {
  const { call, stop } = await webKitDriver(scale);
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    browserName: 'MiniBrowser',
    'webkitgtk:browserOptions': {
      binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] },
  } } }).catch((error) => {
    stop();
    throw error;
  });
  const session = `/session/${sessionId}`;
  let open = true;
  const pageScripts = [];
  const element = async (selector) =>
    Object.values(await call('POST', `${session}/element`, { using: 'css selector', value: selector }))[0];
  // The mouse stays where the last action left it, as a real one does.
  const pointer = { x: 0, y: 0 };
  const act = (type, actions) => call('POST', `${session}/actions`, { actions: [
    type === 'key' ? { type, id: 'keyboard', actions }
                   : { type, id: 'mouse', parameters: { pointerType: 'mouse' }, actions }] });
  // The errors of the documents before this one. A page that the site's worker answers
  // from its cache comes without the scripts put in, and its errors go unseen.
  const earlier = [];
  const shownErrors = async () => (await page.evaluate(() => window.pageErrors)) ?? [];
  const page = {
    async goto(url) {
      // Classic WebDriver runs no script before a page's own: the server puts them in.
      const at = new URL(url);
      at.searchParams.set('init', String(register([[recordPageErrors], ...pageScripts])));
      earlier.push(...await shownErrors());
      await call('POST', `${session}/url`, { url: at.href });
    },
    async reload() {
      earlier.push(...await shownErrors());
      await call('POST', `${session}/refresh`, {});
    },
    errors: async () => [...earlier, ...await shownErrors()],
    addInitScript: (script, arg) => pageScripts.push([script, arg]),
    title: () => call('GET', `${session}/title`),
    context: () => context,
    async evaluate(fn, arg = null) {
      const { value, error } = await call('POST', `${session}/execute/async`, {
        script: `const done = arguments[1];
                 Promise.resolve(arguments[0]).then(${fn})
                   .then((value) => done({ value }), (error) => done({ error: String(error) }));`,
        args: [arg] });
      if (error !== undefined) throw new Error(error);
      return value;
    },
    async waitForFunction(fn, arg) {
      for (const deadline = Date.now() + 30000; !(await page.evaluate(fn, arg));) {
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${fn}`);
        await sleep(50);
      }
    },
    waitForTimeout: sleep,
    // The window's own bars take their share: sized again by what is left, once the
    // window has taken its size. A window has a least width of its own, as a phone's
    // browser has none: below it the page keeps the width nearest, as viewportSize says.
    async setViewportSize({ width, height }) {
      const inner = () => page.evaluate(() => [innerWidth, innerHeight]);
      let rect = { width, height }, before = null;
      for (let tries = 0; ; ++tries) {
        await call('POST', `${session}/window/rect`, rect);
        let shown = await inner();
        for (let last = null; String(shown) !== String(last); await sleep(100)) [last, shown] = [shown, await inner()];
        if ((shown[0] === width && shown[1] === height) || String(shown) === String(before)) {
          [viewport.width, viewport.height] = shown;
          return;
        }
        if (tries === 5) throw new Error(`a window of ${rect.width}x${rect.height} shows a page of ${shown}`);
        before = shown;
        rect = { width: rect.width + width - shown[0], height: rect.height + height - shown[1] };
      }
    },
    viewportSize: () => ({ ...viewport }),
    keyboard: {
      press(combination) {
        const names = combination.split('+').map((name) => keys[name] ?? name);
        return act('key', [...names.map((value) => ({ type: 'keyDown', value })),
                           ...names.reverse().map((value) => ({ type: 'keyUp', value }))]);
      },
    },
    mouse: {
      move(x, y, { steps = 1 } = {}) {
        const from = { ...pointer };
        Object.assign(pointer, { x, y });
        return act('pointer', Array.from({ length: steps }, (_, i) => ({
          type: 'pointerMove', origin: 'viewport',
          x: from.x + (x - from.x) * (i + 1) / steps,
          y: from.y + (y - from.y) * (i + 1) / steps })));
      },
      down: () => act('pointer', [{ type: 'pointerDown', button: 0 }]),
      up: () => act('pointer', [{ type: 'pointerUp', button: 0 }]),
      async click(x, y) {
        await page.mouse.move(x, y);
        await act('pointer', [{ type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]);
      },
    },
    locator: (selector) => ({
      async waitFor({ state = 'visible' } = {}) {
        await page.waitForFunction(([selector, visible]) => {
          const found = document.querySelector(selector);
          return (found !== null && found.getClientRects().length > 0) === visible;
        }, [selector, state === 'visible']);
      },
      evaluate: (fn, arg) => page.evaluate(
        `([selector, arg]) => (${fn})(document.querySelector(selector), arg)`, [selector, arg]),
      boundingBox: () => page.evaluate((selector) => {
        const { x, y, width, height } = document.querySelector(selector).getBoundingClientRect();
        return { x, y, width, height };
      }, selector),
      isVisible: () => page.evaluate((selector) =>
        (document.querySelector(selector)?.getClientRects().length ?? 0) > 0, selector),
      textContent: () => page.evaluate((selector) => document.querySelector(selector).textContent, selector),
      async click() {
        await call('POST', `${session}/element/${await element(selector)}/click`, {});
      },
      // WebKit takes the picture at the page's next rendering update, which a still page
      // never has: a pixel in the page's corner changes for as long as it takes.
      async screenshot() {
        const id = await element(selector);
        await page.evaluate(() => {
          window.pictureTaken = document.createElement('div');
          pictureTaken.style.cssText = 'position: fixed; right: 0; bottom: 0; width: 1px; height: 1px';
          pictureTaken.animate([{ background: '#000' }, { background: '#fff' }], { duration: 100, iterations: Infinity });
          document.body.append(pictureTaken);
        });
        const png = await call('GET', `${session}/element/${id}/screenshot`);
        await page.evaluate(() => pictureTaken.remove());
        return Buffer.from(png, 'base64');
      },
    }),
    async close() {
      if (!open) return;
      open = false;
      await call('DELETE', session).finally(stop);
    },
  };
  try {
    await page.setViewportSize({ ...viewport });
  } catch (error) {
    await page.close();
    throw error;
  }
  return page;
}

// What a page reports as an error, in window.pageErrors: for the pages of a driver that
// tells of none.
function recordPageErrors() {
  window.pageErrors = [];
  addEventListener('error', (event) => pageErrors.push(event.message));
  addEventListener('unhandledrejection', (event) => pageErrors.push(String(event.reason)));
  const consoleError = console.error;
  console.error = (...words) => { pageErrors.push(words.join(' ')); consoleError(...words); };
}

// The errors a page has reported since it was opened, when asked; the page must still
// be open.
export function pageErrors(page) {
  if (!page.on) return page.errors;
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(e.message));
  return () => errors;
}

// The canvas's own RGBA pixels, bottom row first, whatever size the page shows it at
// (its context keeps its drawing buffer).
export async function canvasPixels(page) {
  const text = await page.evaluate(() => {
    const canvas = document.getElementById('canvas'), gl = canvas.getContext('webgl2');
    const pixels = new Uint8Array(canvas.width * canvas.height * 4);
    gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    let text = '';
    for (let i = 0; i < pixels.length; i += 0x8000) text += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return Buffer.from(text, 'base64');
}

// The share of pixels of two RGBA pictures of one size more than 8 levels apart in a
// colour channel: rasterisers may part at edges.
export function apart(a, b) {
  let off = 0;
  for (let i = 0; i < a.length; i += 4) {
    if ([0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > 8)) ++off;
  }
  return off / (a.length / 4);
}

// The RGBA pixels of a PNG as Chromium writes its screenshots: 8 bits a channel, not
// interlaced.
export function decodePng(png) {
  const width = png.readUInt32BE(16), height = png.readUInt32BE(20);
  const channels = { 2: 3, 6: 4 }[png[25]];
  const chunks = [];
  for (let at = 8; at < png.length; at += png.readUInt32BE(at) + 12) {
    if (png.toString('ascii', at + 4, at + 8) === 'IDAT') {
      chunks.push(png.subarray(at + 8, at + 8 + png.readUInt32BE(at)));
    }
  }
  const raw = inflateSync(Buffer.concat(chunks));
  const stride = width * channels, out = Buffer.alloc(width * height * 4, 255);
  let previous = Buffer.alloc(stride), row = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? row[i - channels] : 0, up = previous[i];
      const corner = i >= channels ? previous[i - channels] : 0;
      const p = left + up - corner;
      const paeth = Math.abs(p - left) <= Math.abs(p - up) && Math.abs(p - left) <= Math.abs(p - corner)
        ? left : (Math.abs(p - up) <= Math.abs(p - corner) ? up : corner);
      row[i] = line[i] + [0, left, up, (left + up) >> 1, paeth][filter];
    }
    for (let x = 0; x < width; ++x) row.copy(out, (y * width + x) * 4, x * channels, x * channels + 3);
    [previous, row] = [row, previous];
  }
  return { width, height, pixels: out };
}
