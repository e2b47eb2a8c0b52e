// Drives the page built in build/web/ in headless Chromium as a user would, and compares every
// download with what the native program wrote for the same input (tests/web/inputs.py).
// Usage: node tests/web/run.mjs PAGE_DIR CASES_DIR
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { chromium } from 'playwright-core';

const require = createRequire(import.meta.url);
const { unzipSync } = require('../../web/node_modules/fflate');
const [pageDir, casesDir] = process.argv.slice(2);
const manifest = JSON.parse(readFileSync(path.join(casesDir, 'manifest.json')));
let passed = 0;
let failed = 0;
function check(ok, what, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok' : 'FAIL'} - ${what}${ok || !detail ? '' : `: ${detail}`}`);
}

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = createServer((request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).slice(1) || 'index.html';
  try {
    const body = readFileSync(path.join(pageDir, path.basename(name)));
    response.writeHead(200, { 'content-type': TYPES[path.extname(name)] ?? 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

const profile = mkdtempSync(path.join(tmpdir(), 'wpconv-web-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  acceptDownloads: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const requests = [];
context.on('request', (request) => requests.push(request.url()));
// Nothing may leave the origin; should the page try, the request is logged and stopped here.
await context.route((url) => url.origin !== origin, (route) => route.abort());
const errors = [];
const page = await context.newPage();
page.setDefaultTimeout(60000);
page.on('pageerror', (error) => errors.push(String(error)));
page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));

async function open() {
  await page.goto(`${origin}/`);
  await page.waitForSelector('#files:not([disabled])', { timeout: 30000 });
}

async function waitUntilDone(rows) {
  await page.waitForFunction((n) => document.querySelectorAll('#results li').length >= n
    && !document.querySelector('#zip').disabled, rows, { timeout: 120000 });
}

// The download of a link. Chromium lets a burst of a dozen downloads go and quietly drops the
// next one, as a person clicking a hundred links in a row would see too: the click is tried again.
async function click(link) {
  for (let tries = 1; ; tries++) {
    try {
      const [download] = await Promise.all([page.waitForEvent('download', { timeout: 3000 }), link.click()]);
      return download;
    } catch (error) {
      if (tries === 3) throw error;
    }
  }
}

// Checks the rows from `first` on against `expected`: [{outputs: [file], message}], each link's
// download byte for byte, its name the output's.
async function compareRows(first, expected, what) {
  const rows = await page.locator('#results li').all();
  let same = rows.length - first === expected.length;
  let detail = same ? '' : `${rows.length - first} rows for ${expected.length} inputs`;
  for (let i = 0; same && i < expected.length; i++) {
    const row = rows[first + i];
    const links = await row.locator('a[download]').all();
    const want = expected[i].outputs;
    if (links.length !== want.length) {
      same = false;
      detail = `${await row.textContent()}: ${links.length} links, native wrote ${want.length}`;
      break;
    }
    for (const [j, link] of links.entries()) {
      const download = await click(link);
      const got = readFileSync(await download.path());
      const name = download.suggestedFilename();
      if (name !== path.basename(want[j]) || !got.equals(readFileSync(want[j]))) {
        same = false;
        detail = `${name} differs from ${want[j]}`;
        break;
      }
    }
    const message = await row.evaluate((li) => li.querySelector('.refused')?.textContent ?? '');
    if (message !== expected[i].message) {
      same = false;
      detail = `${await row.textContent()}: message '${message}', native '${expected[i].message}'`;
    }
  }
  check(same, what, detail);
}

try {
  await open();
  check((await page.textContent('body')).includes('sends nothing anywhere'), 'the page says it sends nothing');

  // Every input picked at once in the file input.
  const inputs = manifest.inputs.map((c) => ({
    outputs: c.outputs.map((o) => path.join(casesDir, o)), message: c.message,
  }));
  await page.setInputFiles('#files', manifest.inputs.map((c) => path.join(casesDir, c.input)));
  await waitUntilDone(inputs.length);
  await compareRows(0, inputs, `${inputs.length} picked files: every download as the native program wrote it`);
  check((await page.textContent('#results')).includes('OASYS file open error'), 'a refused file is listed with its message');

  // A folder dropped on the page, as the system's file manager drops one.
  await page.locator('#drop').scrollIntoViewIfNeeded();
  const box = await page.locator('#drop').boundingBox();
  const cdp = await context.newCDPSession(page);
  const drag = { items: [], files: [path.resolve(casesDir, 'tree')], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await cdp.send('Input.dispatchDragEvent', { type, x: box.x + 20, y: box.y + 20, data: drag });
  }
  const tree = manifest.tree.map((o) => path.join(casesDir, 'native-tree', o));
  const folderRows = [...tree.map((o) => ({ outputs: [o], message: '' })),
    { outputs: [], message: 'OASYS file open error' }];
  await waitUntilDone(inputs.length + folderRows.length);
  await compareRows(inputs.length, folderRows, 'a dropped folder: the files wpconv-batch picks, converted as it does');
  const folderLinks = await page.locator('#results li a').evaluateAll((links) => links.map((a) => a.textContent));
  check(manifest.tree.every((o) => folderLinks.includes(o)), 'outputs in a folder keep their folder');

  // Download all: one zip, with the folders.
  const zip = await click(page.locator('#zip'));
  const entries = unzipSync(readFileSync(await zip.path()));
  check(manifest.tree.every((o) => Buffer.from(entries[o] ?? []).equals(readFileSync(path.join(casesDir, 'native-tree', o))))
    && Object.keys(entries).length === folderLinks.length, 'download all: a zip of every output, folders kept');

  // Keyboard alone: Tab reaches the file input.
  await open();
  let reached = false;
  for (let i = 0; i < 10 && !reached; i++) {
    await page.keyboard.press('Tab');
    reached = await page.evaluate(() => document.activeElement?.id === 'files');
  }
  check(reached, 'the file input is reached with the keyboard');

  // Japanese labels for a browser in Japanese.
  const japanese = await context.newPage();
  await japanese.addInitScript(() => Object.defineProperty(navigator, 'languages', { get: () => ['ja-JP'] }));
  await japanese.goto(`${origin}/`);
  check((await japanese.getAttribute('html', 'lang')) === 'ja'
    && (await japanese.textContent('#drop')).includes('ドロップ'), 'labels in Japanese for a browser in Japanese');
  await japanese.close();

  // Without a network after the first visit.
  await page.evaluate(() => navigator.serviceWorker.ready);
  await context.setOffline(true);
  server.close();
  await open();
  const small = manifest.inputs.find((c) => c.outputs.length === 2);
  await page.setInputFiles('#files', path.join(casesDir, small.input));
  await waitUntilDone(1);
  await compareRows(0, [{ outputs: small.outputs.map((o) => path.join(casesDir, o)), message: '' }],
    'converts offline after the first visit');
  await context.setOffline(false);
} catch (error) {
  check(false, 'the page runs through', error.stack);
} finally {
  const away = requests.filter((url) => !url.startsWith(`${origin}/`) && !url.startsWith('blob:'));
  check(requests.length > 0 && away.length === 0, `no request leaves the origin (${requests.length} requests)`, away.join(' '));
  check(errors.length === 0, 'no page errors', errors.join('; '));
  await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
