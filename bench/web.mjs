// Times the page's worker in headless Chromium and the native program on the same inputs.
// Usage: node bench/web.mjs PAGE_DIR INPUT_DIR NATIVE_WPCONV RUNS
import { createServer } from 'node:http';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const { chromium } = require('../tests/web/node_modules/playwright-core');
const [pageDir, inputDir, nativeGiven, runsText] = process.argv.slice(2);
const native = path.resolve(nativeGiven);
const runs = Number(runsText);
const median = (times) => times.sort((a, b) => a - b)[Math.floor(times.length / 2)];

const server = createServer((request, response) => {
  const name = path.basename(new URL(request.url, 'http://x').pathname) || 'index.html';
  const folder = request.url.startsWith('/input/') ? inputDir : pageDir;
  try {
    const type = name.endsWith('.wasm') ? 'application/wasm' : name.endsWith('.js') ? 'text/javascript' : 'text/html';
    response.writeHead(200, { 'content-type': type }).end(readFileSync(path.join(folder, name)));
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const page = await browser.newPage();
await page.goto(`${origin}/`);

console.log('| input | MB | native | Chromium | × native | Chromium MB/s |');
console.log('|---|---:|---:|---:|---:|---:|');
const scratch = mkdtempSync(path.join(tmpdir(), 'wpconv-web-bench-'));
for (const name of readdirSync(inputDir).sort()) {
  const size = readFileSync(path.join(inputDir, name)).length;
  const nativeTimes = [];
  for (let i = 0; i <= runs; i++) {
    copyFileSync(path.join(inputDir, name), path.join(scratch, name));
    const start = process.hrtime.bigint();
    const done = spawnSync(native, [name], { cwd: scratch });
    if (done.status !== 0) throw new Error(`${native} ${name}: ${done.stderr}`);
    if (i > 0) nativeTimes.push(Number(process.hrtime.bigint() - start) / 1e6);
  }
  // In the page: the input as a File, as the file input gives it, through the page's own worker.
  const pageTimes = await page.evaluate(async ([url, name, runs]) => {
    const file = new File([await (await fetch(url)).blob()], name);
    const worker = new Worker('worker.js');
    const next = (type) => new Promise((resolve) => {
      worker.onmessage = ({ data }) => data.type === type && resolve(data);
    });
    await next('ready');
    const times = [];
    for (let i = 0; i <= runs; i++) {
      const done = next('done');
      const start = performance.now();
      worker.postMessage({ type: 'convert', id: i, file, path: name, inFolder: false });
      const result = await done;
      if (result.message) throw new Error(result.message);
      if (i > 0) times.push(performance.now() - start);
    }
    worker.terminate();
    return times;
  }, [`${origin}/input/${name}`, name, runs]);
  const n = median(nativeTimes);
  const c = median(pageTimes);
  console.log(`| ${name} | ${(size / 1e6).toFixed(1)} | ${n.toFixed(0)} ms | ${c.toFixed(0)} ms | ${(c / n).toFixed(2)} | ${(size / 1e3 / c).toFixed(0)} |`);
}
rmSync(scratch, { recursive: true, force: true });
await browser.close();
server.close();
