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

export async function serve(folder) {
  const server = createServer(async (request, response) => {
    let path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    if (path.endsWith('/')) path += 'index.html';
    try {
      const body = await readFile(join(folder, path));
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
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  return { url: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
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
// those of the frame test.
export const engines = ['chromium', 'firefox', 'webkit'];
export const playwrightEngines = ['chromium', 'firefox'];

// A browser of that engine, with WebGL 2 on the machine's renderer. Firefox and WebKit
// show their windows on the X display: headless Firefox offers no WebGL 2 here.
export function openBrowser(engine) {
  if (engine === 'chromium') return launch();
  if (engine === 'firefox') {
    return firefox.launch({ channel: 'moz-firefox', executablePath: '/usr/bin/firefox-esr',
                            headless: false });
  }
  return webKit();
}

// WebKitGTK's MiniBrowser through WebKitWebDriver (Playwright's WebKit needs a patched
// build of its own). Its pages answer the calls the tests make of Playwright's, over W3C
// WebDriver in plain HTTP; each page is a session, and so a browser, of its own.
async function webKit() {
  const port = await new Promise((found) => {
    const probe = createServer().listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => found(port));
    });
  });
  // WebKitGTK's DMA-BUF renderer crashes its compositor thread in Mesa's software
  // driver now and then, here in about one run of the frame cases in three; the renderer
  // it falls back to does not.
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], {
    stdio: 'ignore', env: { ...process.env, WEBKIT_DISABLE_DMABUF_RENDERER: '1' } });
  const sessions = new Set();
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
        await new Promise((wait) => setTimeout(wait, 50));
      }
    }
  };
  return {
    async newPage() {
      const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': {
          binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] },
      } } });
      const session = `/session/${sessionId}`;
      sessions.add(session);
      const page = {
        goto: (url) => call('POST', `${session}/url`, { url }),
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
            await new Promise((wait) => setTimeout(wait, 50));
          }
        },
        close: () => sessions.delete(session) && call('DELETE', session),
      };
      return page;
    },
    async close() {
      await Promise.allSettled([...sessions].map((session) => call('DELETE', session)));
      driver.kill();
    },
  };
}

// The canvas's own RGBA pixels, bottom row first, whatever size the page shows it at
// (its context must keep its drawing buffer).
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
