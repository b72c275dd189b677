// The viewer in a browser: the site of the browser build, every case in each engine.
// Where an engine's driver cannot give an input, the case says so and checks the rest.
import { execFileSync } from 'node:child_process';
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { apart, canvasPixels, countFrameRequests, decodePng, devtools, engines, mouseAtWholePixels,
         openBrowser, pageErrors, serve } from './browser.mjs';

const CAPTION = 'soft by Orvelund - orvelund@trackball-viewer.org ';
const TEXT = ' mouse: touch the window image for movement----- ';
const BACKGROUND = [51, 26, 13];
const FOG_BACKGROUND = [128, 64, 64];

const server = await serve(`${process.env.WEB_BUILD}/site`);
// A browser of each engine, opened when first asked for.
const browsers = new Map();
test.after(() => Promise.all([...browsers.values()].map((b) => b.close())).then(server.close));
async function browserOf(engine) {
  if (!browsers.has(engine)) browsers.set(engine, await openBrowser(engine));
  return browsers.get(engine);
}
// Each case in each engine, one after another.
const eachEngine = (name, body) => engines.forEach((engine) => test(`${name}: ${engine}`, (t) => body(t, engine)));

// The site on a page of its own, which must report no error; counts the animation
// frames it asks for.
async function open(t, engine, options = {}, setUp = () => {}, url = server.url) {
  const context = await (await browserOf(engine)).newContext({ viewport: { width: 1024, height: 768 },
                                                               ...options });
  const page = await context.newPage();
  const errors = pageErrors(page);
  t.after(async () => {
    const seen = await errors();
    await context.close();
    assert.deepEqual(seen, []);
  });
  await page.addInitScript(countFrameRequests);
  await page.addInitScript(setUp);
  await page.goto(`${url}/index.html`);
  return page;
}

// The site's service worker made again for the files in the folder, by the build's step.
function makeServiceWorker(folder) {
  const source = fileURLToPath(new URL('../..', import.meta.url));
  const kept = readFileSync(join(folder, 'sw.js'), 'utf8').match(/const FILES = \[(.*)\];/)[1];
  const files = [...kept.matchAll(/'([^']+)'/g)].map((m) => m[1]).filter((f) => f !== './');
  execFileSync('cmake', [`-DSITE=${folder}`, `-DFILES=${files.join(',')}`,
    `-DTEMPLATE=${source}/site/sw.js`, '-P', `${source}/cmake/make_service_worker.cmake`]);
}

// The box dismissed, the model drawn and stopped by a click in its middle.
async function stopped(t, engine, options, setUp) {
  const page = await open(t, engine, options, setUp);
  await box(page);
  await page.keyboard.press('Enter');
  await waitForCorner(page, BACKGROUND);
  const { x, y, width } = await page.locator('#canvas').boundingBox();
  await page.mouse.click(x + width / 2, y + width / 2);
  assert.ok(await still(page));
  return page;
}

async function box(page) {
  const dialog = page.locator('dialog.box');
  await dialog.waitFor();
  return page.evaluate(() => {
    const d = document.querySelector('dialog.box');
    const name = document.getElementById(d.getAttribute('aria-labelledby')).textContent;
    const text = document.getElementById(d.getAttribute('aria-describedby')).textContent;
    return { role: d.getAttribute('role'), modal: d.matches(':modal'), name, text,
             focused: document.activeElement.textContent, canvas: !!document.getElementById('canvas') };
  });
}

// The canvas's picture as the page shows it, and the colour of its corner.
async function picture(page) {
  const { pixels, width } = decodePng(await page.locator('#canvas').screenshot());
  // A few pixels in: a canvas at a fraction of a CSS pixel shares its edge with the page.
  const corner = 4 * (4 * width + 4);
  return { pixels: pixels.toString('base64'), corner: Array.from(pixels.subarray(corner, corner + 3)) };
}

async function waitForCorner(page, colour) {
  for (let i = 0; i < 50; ++i) {
    if ((await picture(page)).corner.join() === colour.join()) return;
    await page.waitForTimeout(100);
  }
  assert.fail(`the corner never showed ${colour}`);
}

async function still(page) {
  await page.waitForTimeout(300);
  const [first, frames] = [await picture(page), await page.evaluate(() => window.frameRequests)];
  await page.waitForTimeout(500);
  return (await picture(page)).pixels === first.pixels &&
         (await page.evaluate(() => window.frameRequests)) === frames;
}

eachEngine('the box, then the model turned, stopped, fogged and drawn in lines; Esc ends it', async (t, engine) => {
  const page = await open(t, engine);
  assert.deepEqual(await box(page), { role: 'dialog', modal: true, name: CAPTION, text: TEXT,
                                      focused: 'OK', canvas: false });
  await page.keyboard.press('Enter');
  const canvas = page.locator('#canvas');
  await canvas.waitFor();
  // The page's title drops the blanks at its ends, as every document title does.
  assert.equal(await page.title(), 'soft by Orvelund - press \u00b4p\u00b4 key');
  assert.deepEqual(await canvas.evaluate((c) => [c.width, c.height, c.style.left, c.style.width]),
                   [614, 614, '50px', '614px']);
  await waitForCorner(page, BACKGROUND);
  const bounds = await canvas.boundingBox();
  const centre = [bounds.x + 307, bounds.y + 307];
  const first = await picture(page);
  await page.waitForTimeout(300);
  assert.notEqual((await picture(page)).pixels, first.pixels, 'it turns from the start');

  await page.mouse.click(...centre);
  assert.ok(await still(page), 'a click in place stops it, and the page asks for no frames');
  const stopped = await picture(page);
  await page.mouse.down();
  await page.mouse.move(centre[0] + 120, centre[1] + 40, { steps: 4 });
  await page.waitForTimeout(300);
  assert.notEqual((await picture(page)).pixels, stopped.pixels, 'a drag turns it');
  // Released outside the canvas while moving: the capture brings the release back.
  await page.mouse.move(bounds.x + bounds.width + 60, centre[1] + 80, { steps: 2 });
  await page.mouse.up();
  assert.ok(!(await still(page)), 'a flick leaves it spinning');
  await page.mouse.click(...centre);
  assert.ok(await still(page));

  await page.keyboard.press('f');
  await waitForCorner(page, FOG_BACKGROUND);
  await page.keyboard.press('f');
  await waitForCorner(page, BACKGROUND);
  const filled = await picture(page);
  await page.keyboard.press('p');
  await page.waitForTimeout(500);
  assert.notEqual((await picture(page)).pixels, filled.pixels, 'p draws lines');

  await page.keyboard.press('Escape');
  await page.locator('#ended').waitFor();
  assert.equal(await page.evaluate(() => Module.exitStatus), 0);
  const frames = await page.evaluate(() => window.frameRequests);
  await page.waitForTimeout(500);
  assert.equal(await page.evaluate(() => window.frameRequests), frames, 'nothing runs after');
});

eachEngine('Space, Esc or a click on OK dismiss the box; the canvas in device pixels', async (t, engine) => {
  let page;
  for (const [dismiss, scale] of [['Space', 2], ['Escape', 1], ['click', 1]]) {
    page = await open(t, engine, { deviceScaleFactor: scale });
    await box(page);
    if (dismiss === 'click') await page.locator('dialog.box button').click();
    else await page.keyboard.press(dismiss);
    const canvas = page.locator('#canvas');
    await canvas.waitFor();
    // 80 % of the page's 768 CSS pixels, each `scale` device pixels across.
    assert.deepEqual(await canvas.evaluate((c) => [c.width, c.style.width]),
                     [Math.trunc(768 * scale * 0.8), `${Math.trunc(768 * scale * 0.8) / scale}px`]);
    // Keys reach the viewer at once, with no click on it first.
    await page.keyboard.press('f');
    await waitForCorner(page, FOG_BACKGROUND);
  }
  // Zoomed to 150 %, the page has fewer CSS pixels, and the canvas keeps its device pixels.
  const session = await devtools(page);
  if (!session) return t.diagnostic(`${engine}: its driver cannot zoom a page; whole ratios only`);
  await session.send('Emulation.setDeviceMetricsOverride',
                     { width: 683, height: 512, deviceScaleFactor: 1.5, mobile: false });
  await page.waitForFunction(() => Math.abs(parseFloat(canvas.style.width) * 1.5 - canvas.width) < 0.01);
});

eachEngine('without WebGL 2, or with one that cannot link the program, the error box comes, then the end', async (t, engine) => {
  const noWebGL2 = () => {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
      return type === 'webgl2' ? null : getContext.call(this, type, ...rest);
    };
  };
  const noLinking = () => { WebGL2RenderingContext.prototype.linkProgram = () => {}; };
  for (const setUp of [noWebGL2, noLinking]) {
    const page = await open(t, engine, {}, setUp);
    await box(page);
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('dialog.box [aria-hidden]') !== null);
    const error = await box(page);
    assert.deepEqual([error.role, error.name, error.text], ['alertdialog', 'Error', 'ChoosePixelFormat failed\n']);
    assert.equal(await page.locator('#canvas').isVisible(), false, 'no blank canvas');
    await page.keyboard.press('Enter');
    await page.locator('#ended').waitFor();
    assert.equal(await page.evaluate(() => Module.exitStatus), 1);
  }
});

eachEngine('on a phone: the whole box, a finger turns the model and no page gesture takes it, keys type f and Esc', async (t, engine) => {
  const page = await open(t, engine, { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
                                       hasTouch: true, isMobile: true });
  const { width } = page.viewportSize();
  if (width !== 390) t.diagnostic(`${engine}: its window shows no page narrower than ${width} CSS pixels; the box's fit there`);
  await box(page);
  // Every character of the text within the dialog, and the dialog within the page.
  assert.ok(await page.evaluate(() => {
    const dialog = document.querySelector('dialog.box').getBoundingClientRect();
    const inside = (r, b) => r.left >= b.left && r.right <= b.right && r.top >= b.top && r.bottom <= b.bottom;
    const text = document.getElementById('box-text').firstChild, range = document.createRange();
    for (let i = 0; i < text.length; ++i) {
      range.setStart(text, i);
      range.setEnd(text, i + 1);
      if (![...range.getClientRects()].every((r) => inside(r, dialog))) return false;
    }
    return inside(dialog, { left: 0, top: 0, right: innerWidth, bottom: innerHeight });
  }), 'the box and its text fit the page');
  const session = await devtools(page);
  if (!session) return t.diagnostic(`${engine}: its driver gives no touches; the box's fit alone`);
  await page.locator('dialog.box button').tap();
  const canvas = page.locator('#canvas');
  await canvas.waitFor();
  await waitForCorner(page, BACKGROUND);
  const { x, y } = await canvas.boundingBox();
  const touch = (type, ...points) => session.send('Input.dispatchTouchEvent',
    { type, touchPoints: points.map(([px, py], id) => ({ x: px, y: py, id })) });
  await touch('touchStart', [x + 100, y + 100]);
  await touch('touchEnd');
  assert.ok(await still(page), 'a tap stops it');
  const stopped = await picture(page);
  await page.evaluate(() => {
    window.seen = { moves: 0, cancels: 0 };
    canvas.addEventListener('pointermove', () => ++seen.moves);
    canvas.addEventListener('pointercancel', () => ++seen.cancels);
  });
  // Down from the canvas's top edge, where a page would pull to refresh or scroll.
  await touch('touchStart', [x + 100, y + 2]);
  for (let i = 1; i <= 8; ++i) await touch('touchMove', [x + 100, y + 2 + 25 * i]);
  await touch('touchEnd');
  assert.deepEqual(await page.evaluate(() => seen), { moves: 8, cancels: 0 }, 'every move reaches the viewer');
  assert.notEqual((await picture(page)).pixels, stopped.pixels, 'a drag of a finger turns it');
  // Two fingers spreading on the picture do not zoom the page.
  await touch('touchStart', [x + 120, y + 150], [x + 160, y + 150]);
  for (let i = 1; i <= 6; ++i) await touch('touchMove', [x + 120 - 15 * i, y + 150], [x + 160 + 15 * i, y + 150]);
  await touch('touchEnd');
  assert.deepEqual(await page.evaluate(() => [visualViewport.scale, scrollY]), [1, 0]);

  await page.getByRole('button', { name: 'f' }).tap();
  await waitForCorner(page, FOG_BACKGROUND);
  await page.getByRole('button', { name: 'Esc' }).tap();
  await page.locator('#ended').waitFor();
});

eachEngine('a cancelled pointer or a lost capture ends the drag; Ctrl+F and Alt+P reach the viewer as nothing', async (t, engine) => {
  const page = await stopped(t, engine);
  const pointer = (type, dx, dy, buttons) => page.evaluate(([type, dx, dy, buttons]) => {
    const { left, top } = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new PointerEvent(type, { pointerId: 7, button: type === 'pointermove' ? -1 : 0,
                                                  buttons, clientX: left + dx, clientY: top + dy }));
  }, [type, dx, dy, buttons]);
  // Pressed, moved and back where pressed, then cancelled or its capture taken away (an
  // alert, a tab switch): released there, which leaves it still. A move without the
  // button then turns nothing, as it would if the drag were still held.
  for (const end of ['pointercancel', 'lostpointercapture']) {
    await pointer('pointerdown', 200, 200, 1);
    await pointer('pointermove', 260, 230, 1);
    await pointer('pointermove', 200, 200, 1);
    await pointer(end, 200, 200, 0);
    assert.ok(await still(page), end);
    const ended = await picture(page);
    await pointer('pointermove', 320, 120, 0);
    assert.ok(await still(page) && (await picture(page)).pixels === ended.pixels, `${end}: no turn after`);
  }
  const before = await picture(page);
  await page.keyboard.press('Control+f');
  await page.keyboard.press('Alt+p');
  assert.ok(await still(page));
  assert.ok((await picture(page)).pixels === before.pixels, 'no fog, no lines');
});

eachEngine('on a desktop with a mouse the key strip stays hidden', async (t, engine) => {
  const desktop = await openBrowser(engine, { onDisplay: true });
  t.after(() => desktop.close());
  const page = await desktop.newPage();
  await page.goto(`${server.url}/index.html`);
  await box(page);
  assert.ok(await page.evaluate(() => matchMedia('(any-pointer: fine)').matches), 'the X pointer is a mouse');
  assert.equal(await page.locator('#keys').isVisible(), false);
});

eachEngine('offline after a first visit; installable; a new build taken whole at the next visit', async (t, engine) => {
  const folder = mkdtempSync(join(tmpdir(), 'viewer-site-'));
  cpSync(`${process.env.WEB_BUILD}/site`, folder, { recursive: true });
  let site = await serve(folder);
  t.after(() => site.close());
  let page = await open(t, engine, {}, () => {}, site.url);
  const context = page.context();
  await page.evaluate(() => navigator.serviceWorker.ready);
  // No network: the site's server gone, then back where it was.
  site.close();
  await page.reload();
  await box(page);
  await page.keyboard.press('Enter');
  await waitForCorner(page, BACKGROUND);
  site = await serve(folder, site.port);
  const session = await devtools(page);
  if (!session) {
    return t.diagnostic(`${engine}: installability and the hand-over to a new build are read through the devtools protocol alone`);
  }
  // Playwright's contexts are incognito ones, which no page can be installed from.
  const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors.filter((e) => e.errorId !== 'in-incognito'), []);

  // A new build: its program and its page, and the worker that the build's own step
  // makes for them, which browsers must see as new.
  appendFileSync(join(folder, 'trackball-viewer.js'), '\n// build 2\n');
  const index = readFileSync(join(folder, 'index.html'), 'utf8');
  writeFileSync(join(folder, 'index.html'), index.replace('<head>', '<head><meta name="build" content="2">'));
  const cacheName = () => readFileSync(join(folder, 'sw.js'), 'utf8').match(/'(trackball-viewer-[^']*)'/)[1];
  const firstBuild = cacheName();
  makeServiceWorker(folder);
  assert.notEqual(cacheName(), firstBuild, 'a new cache name for new files');
  const build = () => page.evaluate(async () => [document.querySelector('meta[name=build]')?.content ?? '1',
    (await (await fetch('trackball-viewer.js')).text()).endsWith('// build 2\n') ? '2' : '1']);
  // This visit keeps the build it began with; the new one waits beside it.
  await page.reload();
  await box(page);
  assert.deepEqual(await build(), ['1', '1']);
  await page.waitForFunction(async () => (await navigator.serviceWorker.getRegistration()).waiting !== null);
  // Once the last page of the old build is closed, the new worker takes over.
  const blank = await context.newPage();
  const workers = await devtools(blank);
  const activated = new Promise((done) => workers.on('ServiceWorker.workerVersionUpdated', (e) => {
    if (e.versions.some((v) => v.versionId !== '0' && v.status === 'activated')) done();
  }));
  await workers.send('ServiceWorker.enable');
  await page.close();
  await activated;
  page = await context.newPage();
  await page.goto(`${site.url}/index.html`);
  await box(page);
  assert.deepEqual(await build(), ['2', '2']);
});

eachEngine('a lost context comes back with the same picture, filled or in lines, spinning or not; Esc ends the viewer meanwhile', async (t, engine) => {
  const page = await stopped(t, engine);
  const lose = () => page.evaluate(() => {
    window.loss = document.getElementById('canvas').getContext('webgl2').getExtension('WEBGL_lose_context');
    window.loss.loseContext();
  });
  const restore = () => page.evaluate(() => window.loss.restoreContext());
  // The share of the picture that is the model, not the fog's background.
  const model = ({ pixels }) => {
    const rgba = Buffer.from(pixels, 'base64'), background = Buffer.alloc(rgba.length);
    for (let i = 0; i < rgba.length; i += 4) background.set([...FOG_BACKGROUND, 255], i);
    return apart(rgba, background);
  };
  await page.keyboard.press('f');
  await waitForCorner(page, FOG_BACKGROUND);
  // Filled triangles come from the vertices sent to the new context, lines from the
  // state record alone: each mode is drawn again as it was.
  for (const mode of ['filled', 'lines']) {
    if (mode === 'lines') await page.keyboard.press('p');
    await page.waitForTimeout(300);
    const before = await picture(page);
    await lose();
    await page.locator('#lost').waitFor();
    assert.match(await page.locator('#lost').textContent(), /picture away.*Reload the page/);
    await restore();
    await page.locator('#lost').waitFor({ state: 'hidden' });
    assert.ok(await still(page), `${mode}: drawn again once, and no frames after`);
    const after = (await picture(page)).pixels;
    assert.ok(apart(Buffer.from(after, 'base64'), Buffer.from(before.pixels, 'base64')) <= 0.01,
              `${mode}: the same picture`);
  }

  await page.keyboard.press('p');
  await page.waitForTimeout(300);
  const filled = model(await picture(page));
  const { x, y } = await page.locator('#canvas').boundingBox();
  await page.mouse.move(x + 200, y + 200);
  await page.mouse.down();
  await page.mouse.move(x + 260, y + 220, { steps: 3 });
  await page.mouse.up();
  await lose();
  await restore();
  assert.ok(!(await still(page)), 'a spinning model keeps spinning');
  assert.ok(model(await picture(page)) > filled / 2, 'and its frames show it filled');
  await lose();
  await page.keyboard.press('Escape');
  await page.locator('#ended').waitFor();
  assert.equal(await page.evaluate(() => Module.exitStatus), 0);
});

eachEngine('on a page that shrinks the canvas stays whole, and a drag turns it alike at every size and ratio', async (t, engine) => {
  // A page of 750 CSS pixels gives a canvas of 600 at every ratio, whole pixels all.
  for (const scale of [1, 2, 3]) {
    const page = await stopped(t, engine, { viewport: { width: 1000, height: 750 }, deviceScaleFactor: scale });
    const canvas = page.locator('#canvas');
    // A driver that points at whole CSS pixels only is pointed at pixels' corners, and
    // only where both sizes have them at whole CSS pixels: at a ratio of 3 they have not.
    const inset = mouseAtWholePixels(page) ? 0 : 0.5;
    let exact = true;
    // Pressed at one pixel of the canvas, moved to another and back, released where
    // pressed: the picture in between, and the model left as it was.
    const turn = async () => {
      const [bounds, side] = [await canvas.boundingBox(), await canvas.evaluate((c) => c.width)];
      const at = (p) => [bounds.x + (p[0] + inset) * bounds.width / side, bounds.y + (p[1] + inset) * bounds.height / side];
      const [from, to] = [[side / 2, side / 2], [side * 0.75, side * 0.3]].map((p) => p.map(Math.round));
      exact &&= inset > 0 || [...at(from), ...at(to)].every(Number.isInteger);
      await page.mouse.move(...at(from));
      await page.mouse.down();
      await page.mouse.move(...at(to));
      await page.waitForTimeout(200);
      const turned = await canvasPixels(page);
      await page.mouse.move(...at(from));
      await page.mouse.up();
      return turned;
    };
    const whole = await turn();
    // A page narrower than the canvas, then one lower as well (a landscape phone, a
    // short window): each cuts the canvas as it was shown before, until it fits whole.
    for (const [width, height] of [[500, 900], [520, 440]]) {
      await page.setViewportSize({ width, height });
      await page.waitForFunction(() => {
        const { left, top, right, bottom } = canvas.getBoundingClientRect();
        return left >= 0 && top >= 0 && right <= innerWidth && bottom <= innerHeight;
      });
      const [pageWidth, pageHeight] = await page.evaluate(() => [innerWidth, innerHeight]);
      const shown = await canvas.boundingBox();
      assert.ok(Math.abs(shown.x + shown.width / 2 - pageWidth / 2) < 1 &&
                Math.abs(shown.y + shown.height / 2 - pageHeight / 2) < 1, `in the middle of ${pageWidth}x${pageHeight}`);
    }
    const turned = await turn();
    if (exact) assert.ok(apart(turned, whole) <= 0.01, `the same turn at ratio ${scale}`);
    else t.diagnostic(`${engine}: its driver points at whole CSS pixels; the turns at ratio ${scale} not compared`);
    await page.setViewportSize({ width: 1000, height: 750 });
    // Back at one device pixel a pixel, at the program's (50, 50).
    await page.waitForFunction(() => Math.abs(parseFloat(canvas.style.left) * devicePixelRatio - 50) < 0.01 &&
                               Math.abs(parseFloat(canvas.style.width) * devicePixelRatio - canvas.width) < 0.01);
  }
});
