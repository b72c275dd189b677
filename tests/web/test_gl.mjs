// The browser's OpenGL draws the renderer's frames as Mesa does: the same cases drawn
// by Mesa offscreen (gl_reference) and by the test page on WebGL 2, compared.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { apart, canvasPixels, engines, openBrowser, pageErrors, serve } from './browser.mjs';

const size = 512;
const cases = ['first', 'fog', 'wireframe', 'drag', 'turned-lights', 'textured',
               'replaced-culled-perspective', 'changed-vertices'];

const references = new Map();
function reference(name) {
  if (references.has(name)) return references.get(name);
  const out = execFileSync(process.env.GL_REFERENCE, [name], { maxBuffer: 1 << 24 });
  const pixels = out.subarray(0, size * size * 4);
  const tail = out.subarray(size * size * 4);
  const matrix = new Float32Array(tail.buffer.slice(tail.byteOffset, tail.byteOffset + 64));
  references.set(name, { pixels, matrix: Array.from(matrix) });
  return references.get(name);
}

const server = await serve(process.env.WEB_BUILD);
test.after(server.close);

for (const engine of engines) test(`${engine} draws what Mesa draws`, async (t) => {
  const browser = await openBrowser(engine);
  t.after(() => browser.close());
  const page = await browser.newPage();
  const errors = pageErrors(page);
  await page.goto(`${server.url}/gl_page.html`);
  await page.waitForFunction(() => window.pageReady);

  for (const name of cases) {
    const matrix = await page.evaluate(async ([name, size]) => {
      const matrix = await Module.ccall('drawCase', 'number', ['string', 'number'], [name, size],
                                        { async: true });
      return Array.from(Module.HEAPF32.subarray(matrix / 4, matrix / 4 + 16));
    }, [name, size]);
    const expected = reference(name);
    // 99 % of pixels within 8 levels in every channel.
    const share = apart(await canvasPixels(page), expected.pixels);
    t.diagnostic(`${name}: ${(100 * share).toFixed(3)} % of pixels differ`);
    assert.ok(share <= 0.01, `${name}: ${(100 * share).toFixed(2)} % of pixels differ from Mesa's`);
    matrix.forEach((value, i) =>
      assert.ok(Math.abs(value - expected.matrix[i]) <= 1e-5, `${name}: model matrix [${i}]`));
  }
  assert.deepEqual(await errors(), []);
});
