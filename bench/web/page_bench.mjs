// Converts a 200 MB Kamenický text to UTF-8 with LF line ends in the page's worker, in headless
// Chromium, and with pismovar-cli, and prints both speeds. Figures only; nothing fails on time.
//   node bench/web/page_bench.mjs [megabytes]     (after scripts/build-wasm.sh)
import { execFileSync } from 'node:child_process';
import { mkdtemp, open, rm } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { cli, launchChromium, sample, serve } from '../../tests/web/support.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

const megabytes = Number(process.argv[2] ?? 200);
const work = await mkdtemp(join(tmpdir(), 'pismovar-page-bench-'));
const path = join(work, 'text.txt');
const unit = Buffer.from(sample(1, 0));
const size = megabytes * 1e6;
const file = await open(path, 'w');
const block = Buffer.concat(Array(Math.ceil((1 << 20) / unit.length)).fill(unit));
for (let written = 0; written < size; written += block.length) await file.write(block);
await file.close();
const bytes = Math.ceil(size / block.length) * block.length;

const cliStart = performance.now();
execFileSync('sh', ['-c', `"${cli}" -f kam -t utf8 --eol-out unix "${path}" > /dev/null`]);
const cliSeconds = (performance.now() - cliStart) / 1000;

const server = await serve();
const browser = await launchChromium(puppeteer, join(work, 'profile'));
try {
  const page = await browser.newPage();
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]');
  await (await page.$('#file-input')).uploadFile(path);
  await page.waitForFunction(() => !document.querySelector('#convert').disabled);
  await page.select('#to', '7');
  await page.select('#eol-out', '2');
  await page.$eval('#files .from', (s) => { s.value = '1'; s.dispatchEvent(new Event('change')); });
  const start = performance.now();
  await page.click('#convert');
  await page.waitForFunction(() => document.querySelector('#status').textContent !== '', { timeout: 0, polling: 50 });
  const pageSeconds = (performance.now() - start) / 1000;
  const heap = await page.metrics();
  const form = await page.$eval('#engine-form', (p) => p.textContent);
  const mb = bytes / 1e6;
  console.log(`text: ${mb.toFixed(0)} MB Kamenický, CR LF → UTF-8, LF`);
  console.log(`pismovar-cli:          ${(mb / cliSeconds).toFixed(0)} MB/s (${cliSeconds.toFixed(2)} s)`);
  console.log(`page's worker:         ${(mb / pageSeconds).toFixed(0)} MB/s (${pageSeconds.toFixed(2)} s), ${form}`);
  console.log(`share of the tool:     ${((100 * cliSeconds) / pageSeconds).toFixed(0)} %`);
  console.log(`page's JS heap after:  ${(heap.JSHeapUsedSize / 1e6).toFixed(1)} MB`);
} finally {
  await browser.close();
  await server.close();
  await rm(work, { recursive: true, force: true });
}
