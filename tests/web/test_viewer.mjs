// The viewer in a browser: the site of the browser build, in headless Chromium.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { countFrameRequests, decodePng, launch, serve } from './browser.mjs';

const CAPTION = 'soft by Orvelund - orvelund@trackball-viewer.org ';
const TEXT = ' mouse: touch the window image for movement----- ';
const BACKGROUND = [51, 26, 13];
const FOG_BACKGROUND = [128, 64, 64];

const server = await serve(`${process.env.WEB_BUILD}/site`);
const browser = await launch();
test.after(() => browser.close().then(server.close));

// The site on a page of its own; counts the animation frames it asks for.
async function open(t, options = {}, setUp = () => {}) {
  const context = await browser.newContext({ viewport: { width: 1024, height: 768 }, ...options });
  t.after(() => context.close());
  const page = await context.newPage();
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(e.message));
  t.after(() => assert.deepEqual(errors, []));
  await page.addInitScript(countFrameRequests);
  await page.addInitScript(setUp);
  await page.goto(`${server.url}/index.html`);
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
  const { pixels } = decodePng(await page.locator('#canvas').screenshot());
  return { pixels: pixels.toString('base64'), corner: Array.from(pixels.subarray(0, 3)) };
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

test('the box, then the model turned, stopped, fogged and drawn in lines; Esc ends it', async (t) => {
  const page = await open(t);
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

test('Space, Esc or a click on OK dismiss the box; the canvas in device pixels', async (t) => {
  let page;
  for (const [dismiss, scale] of [['Space', 2], ['Escape', 1], ['click', 1]]) {
    page = await open(t, { deviceScaleFactor: scale });
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
  const session = await page.context().newCDPSession(page);
  await session.send('Emulation.setDeviceMetricsOverride',
                     { width: 683, height: 512, deviceScaleFactor: 1.5, mobile: false });
  await page.waitForFunction(() => Math.abs(parseFloat(canvas.style.width) * 1.5 - canvas.width) < 0.01);
});

test('without WebGL 2 the error box comes, then the end', async (t) => {
  const page = await open(t, {}, () => {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
      return type === 'webgl2' ? null : getContext.call(this, type, ...rest);
    };
  });
  await box(page);
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('dialog.box [aria-hidden]') !== null);
  const error = await box(page);
  assert.deepEqual([error.role, error.name, error.text], ['alertdialog', 'Error', 'ChoosePixelFormat failed\n']);
  await page.keyboard.press('Enter');
  await page.locator('#ended').waitFor();
  assert.equal(await page.evaluate(() => Module.exitStatus), 1);
});

test('a finger turns the model, and on-screen keys type f and Esc', async (t) => {
  const page = await open(t, { hasTouch: true, isMobile: true });
  await box(page);
  await page.locator('dialog.box button').tap();
  const canvas = page.locator('#canvas');
  await canvas.waitFor();
  await waitForCorner(page, BACKGROUND);
  const { x, y } = await canvas.boundingBox();
  const session = await page.context().newCDPSession(page);
  const touch = (type, px, py) => session.send('Input.dispatchTouchEvent',
    { type, touchPoints: type === 'touchEnd' ? [] : [{ x: px, y: py }] });
  await touch('touchStart', x + 100, y + 100);
  await touch('touchEnd');
  assert.ok(await still(page), 'a tap stops it');
  const stopped = await picture(page);
  await touch('touchStart', x + 100, y + 100);
  for (let i = 1; i <= 4; ++i) await touch('touchMove', x + 100 + 30 * i, y + 100);
  await page.waitForTimeout(300);
  assert.notEqual((await picture(page)).pixels, stopped.pixels, 'a drag of a finger turns it');
  assert.equal(await page.evaluate(() => window.scrollY), 0);
  await touch('touchEnd');

  await page.getByRole('button', { name: 'f' }).tap();
  await waitForCorner(page, FOG_BACKGROUND);
  await page.getByRole('button', { name: 'Esc' }).tap();
  await page.locator('#ended').waitFor();
});
