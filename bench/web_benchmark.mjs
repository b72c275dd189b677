// The browser build's figures, for run_benchmark.py: frames a second while the model
// spins at 819 px beside the floor of bare WebGL 2, milliseconds from navigation to the
// box, and the bytes a browser downloads. Prints CSV rows: figure,where,median,min,max.
// Usage: node web_benchmark.mjs SITE FLOOR_FOLDER RUNS SECONDS
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { countFrameRequests, launch, serve } from '../tests/web/browser.mjs';

const [site, floor, runs, seconds] = process.argv.slice(2);
const median = (values) => {
  const v = [...values].sort((a, b) => a - b), half = Math.floor(v.length / 2);
  return v.length % 2 ? v[half] : (v[half - 1] + v[half]) / 2;
};
const row = (name, where, values) =>
  console.log([name, where, median(values), Math.min(...values), Math.max(...values)].join(','));

// Chromium otherwise holds animation frames to the display's 60 a second.
const browser = await launch(['--disable-frame-rate-limit', '--disable-gpu-vsync']);
const servers = [await serve(site), await serve(floor)];
// A 1280x1024 page gives the 819-px canvas of a 1024-pixel-high screen. Each page in a
// context of its own, so nothing comes from the cache of the run before.
async function newPage() {
  const context = await browser.newContext({ viewport: { width: 1280, height: 1024 } });
  await context.addInitScript(countFrameRequests);
  await context.addInitScript(() => {
    new MutationObserver((_, observer) => {
      if (document.querySelector('dialog.box')) {
        window.boxShownAt = performance.now();
        observer.disconnect();
      }
    }).observe(document, { childList: true, subtree: true });
  });
  return context.newPage();
}

async function framesPerSecond(page) {
  await page.waitForTimeout(1000);
  const before = await page.evaluate(() => window.frameRequests);
  await page.waitForTimeout(seconds * 1000);
  return ((await page.evaluate(() => window.frameRequests)) - before) / seconds;
}

const fps = [], floorFps = [], box = [];
// The floor first: the browser's own first start is not the page's.
for (let run = 0; run < runs; ++run) {
  const bare = await newPage();
  await bare.goto(`${servers[1].url}/web_floor.html`);
  floorFps.push(await framesPerSecond(bare));
  await bare.context().close();

  const page = await newPage();
  await page.goto(`${servers[0].url}/index.html`);
  await page.waitForSelector('dialog.box');
  box.push(await page.evaluate(() => window.boxShownAt));
  await page.keyboard.press('Enter');
  await page.waitForSelector('#canvas:not([hidden])');
  fps.push(await framesPerSecond(page));
  await page.context().close();
}
row('fps spinning browser', '819px', fps);
row('fps spinning browser floor', '819px', floorFps);
const ratio = median(fps) / median(floorFps);
row('fps ratio browser/floor', '819px', [ratio]);
row('box ms browser', 'local', box);
const bytes = ['trackball-viewer.wasm', 'trackball-viewer.js']
  .map((file) => gzipSync(readFileSync(`${site}/${file}`), { level: 9 }).length)
  .reduce((a, b) => a + b);
row('download KB gzipped browser', 'wasm+js', [bytes / 1000]);
await browser.close();
servers.forEach((server) => server.close());
