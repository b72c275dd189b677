// The browser build's figures in each engine, for run_benchmark.py: frames a second
// while the model spins at 819 px beside the floor of bare WebGL 2, and the page's own
// main-thread work in each frame (median, from each frame callback's start to the next
// frame request), each over RUNS loads interleaved with the floor's; milliseconds from
// navigation to the box, in a browser that has shown pages before (warm) and in one
// just started (cold), with the part of a cold one before the page's document starts,
// each beside the floor of a page that shows the same dialog from an inline script;
// and the bytes a browser downloads. Prints CSV rows:
// figure,where,median,min,max.
// Usage: node web_benchmark.mjs SITE FLOOR_FOLDER RUNS SECONDS
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { countFrameRequests, engines, openBrowser, serve } from '../tests/web/browser.mjs';

const [site, floor, runs, seconds] = process.argv.slice(2);
const median = (values) => {
  const v = [...values].sort((a, b) => a - b), half = Math.floor(v.length / 2);
  return v.length % 2 ? v[half] : (v[half - 1] + v[half]) / 2;
};
const row = (name, where, values) =>
  console.log([name, where, median(values), Math.min(...values), Math.max(...values)].join(','));

const servers = [await serve(site), await serve(floor)];
// A 1280x1024 page gives the 819-px canvas of a 1024-pixel-high screen. Each page in a
// context of its own, so nothing comes from the cache of the run before.
async function newPage(browser) {
  const page = await browser.newContext({ viewport: { width: 1280, height: 1024 } }).then((c) => c.newPage());
  await page.addInitScript(countFrameRequests);
  await page.addInitScript(() => {
    // Before any of the page's own scripts: what the engine spends before the document.
    window.documentAt = performance.now();
    new MutationObserver((_, observer) => {
      if (document.querySelector('dialog.box')) {
        window.boxShownAt = performance.now();
        observer.disconnect();
      }
    }).observe(document, { childList: true, subtree: true });
  });
  return page;
}

// Milliseconds from navigation to a page's box.
async function boxTime(browser, url) {
  const page = await newPage(browser);
  await page.goto(url);
  await page.locator('dialog.box').waitFor();
  const shown = await page.evaluate(() => window.boxShownAt);
  await page.context().close();
  return shown;
}

// Frames a second over the measured seconds, and the median work of those frames.
async function spin(page) {
  await page.waitForTimeout(1000);
  const before = await page.evaluate(() => [window.frameRequests, window.frameWork.length]);
  await page.waitForTimeout(seconds * 1000);
  const [requests, work] = await page.evaluate(
    (from) => [window.frameRequests, window.frameWork.slice(from)], before[1]);
  return { fps: (requests - before[0]) / seconds, work: median(work) };
}

// Each engine in turn.
for (const engine of engines) {
  const browser = await openBrowser(engine, { unpaced: true });
  const page = { fps: [], work: [] }, bare = { fps: [], work: [] }, box = [], bareBox = [];
  const record = (into, figures) => Object.keys(into).forEach((key) => into[key].push(figures[key]));
  // The floor first: the browser's own first start is not the page's.
  for (let run = 0; run < runs; ++run) {
    const floorPage = await newPage(browser);
    await floorPage.goto(`${servers[1].url}/web_floor.html`);
    record(bare, await spin(floorPage));
    await floorPage.context().close();
    bareBox.push(await boxTime(browser, `${servers[1].url}/box_floor.html`));

    const viewer = await newPage(browser);
    await viewer.goto(`${servers[0].url}/index.html`);
    await viewer.locator('dialog.box').waitFor();
    box.push(await viewer.evaluate(() => window.boxShownAt));
    await viewer.keyboard.press('Enter');
    await viewer.locator('#canvas').waitFor();
    record(page, await spin(viewer));
    await viewer.context().close();
  }
  await browser.close();
  // A first visit in a browser just started, with a profile of its own, the page's
  // alternating with the floor's.
  const cold = [], started = [], bareCold = [];
  for (let run = 0; run < runs; ++run) {
    const fresh = await openBrowser(engine);
    const viewer = await newPage(fresh);
    await viewer.goto(`${servers[0].url}/index.html`);
    await viewer.locator('dialog.box').waitFor();
    const [at, box] = await viewer.evaluate(() => [window.documentAt, window.boxShownAt]);
    started.push(at);
    cold.push(box);
    await fresh.close();
    const freshFloor = await openBrowser(engine);
    bareCold.push(await boxTime(freshFloor, `${servers[1].url}/box_floor.html`));
    await freshFloor.close();
  }
  // WebKitGTK's frames keep to the display's rate: its figures are the page's at that rate.
  const at = engine === 'webkit' ? '819px display-paced' : '819px';
  row(`fps spinning ${engine}`, at, page.fps);
  row(`fps spinning ${engine} floor`, at, bare.fps);
  row(`fps ratio ${engine}/floor`, at, [median(page.fps) / median(bare.fps)]);
  row(`frame work ms ${engine}`, at, page.work);
  row(`frame work ms ${engine} floor`, at, bare.work);
  row(`box ms ${engine}`, 'warm', box);
  row(`box ms ${engine} floor`, 'warm', bareBox);
  row(`box ms ${engine}`, 'cold', cold);
  row(`box ms ${engine} floor`, 'cold', bareCold);
  row(`document ms ${engine}`, 'cold', started);
}
const bytes = ['trackball-viewer.wasm', 'trackball-viewer.js', 'sw.js']
  .map((file) => gzipSync(readFileSync(`${site}/${file}`), { level: 9 }).length)
  .reduce((a, b) => a + b);
row('download KB gzipped browser', 'wasm+js+sw', [bytes / 1000]);
servers.forEach((server) => server.close());
