// Headless Chromium from Debian, driven by playwright-core, on pages served from
// 127.0.0.1: a .wasm file loads only over HTTP.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import { inflateSync } from 'node:zlib';
import { chromium } from 'playwright-core';

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
