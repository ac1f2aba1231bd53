// The page in headless Chromium, served from the build folder: it guesses the samples of every
// code page and line end, chosen or dropped, converts them to the same bytes as pismovar-cli
// and hands them out as downloads, refuses a lossy conversion when strict, warns of empty and
// binary files, cancels a long conversion cleanly, repairs a damaged text or file, asks nothing of the
// network once loaded, works offline, and falls back to the scalar engine without SIMD.
import assert from 'node:assert/strict';
import { mkdtemp, open, readdir, readFile, rm, writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { cliConvert, launchChromium, sample, sampleText, serve } from './support.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
const { unzipSync } = require('fflate');

let server, browser, page, work;
const foreignRequests = [];

before(async () => {
  work = await mkdtemp(join(tmpdir(), 'pismovar-page-'));
  server = await serve();
  browser = await launchChromium(puppeteer, join(work, 'profile'));
  page = await browser.newPage();
  page.on('request', (request) => {
    if (!request.url().startsWith(server.url) && !request.url().startsWith('blob:')) foreignRequests.push(request.url());
  });
  const cdp = await page.createCDPSession();
  await cdp.send('Page.setDownloadBehavior', { behavior: 'allow', downloadPath: join(work, 'downloads') });
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]');
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (work) await rm(work, { recursive: true, force: true });
});

// The last samples are dropped on the page rather than chosen.
const kSamples = [];
for (let cp = 0; cp < 8; cp++) {
  for (let le = 0; le < 3; le++) kSamples.push({ cp, le, name: `sample-${cp}-${le}.txt`, dropped: cp >= 6 });
}

async function rowsState() {
  return page.$$eval('#files tbody tr', (trs) => trs.map((tr) => ({
    name: tr.querySelector('th').textContent,
    guess: tr.children[1].textContent,
    from: Number(tr.querySelector('.from').value),
    eolIn: Number(tr.querySelector('.eol-in').value),
    result: tr.querySelector('.result').textContent,
  })));
}

async function convertAll({ to, eolOut = '', strict = false }) {
  await page.select('#to', String(to));
  await page.select('#eol-out', String(eolOut));
  await page.$eval('#strict', (box, on) => { box.checked = on; }, strict);
  // The click empties the status line, and the end of the run fills it.
  await page.click('#convert');
  await page.waitForFunction(() => document.querySelector('#status').textContent !== '');
}

// Waits until Chromium has written the download `name` and returns its bytes.
async function downloaded(name) {
  const dir = join(work, 'downloads');
  for (;;) {
    const present = await readdir(dir).catch(() => []);
    if (present.includes(name) && !present.some((n) => n.endsWith('.crdownload'))) break;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  const bytes = new Uint8Array(await readFile(join(dir, name)));
  await rm(join(dir, name));
  return bytes;
}

// Every result, through the page's ZIP of them all.
async function downloadAll() {
  await page.click('#download-all');
  return unzipSync(await downloaded('converted.zip'));
}

test('the page guesses, converts and hands out every sample as pismovar-cli converts it', async () => {
  const files = [];
  for (const { cp, le, name } of kSamples.filter((s) => !s.dropped)) {
    const path = join(work, name);
    await writeFile(path, sample(cp, le));
    files.push(path);
  }
  const input = await page.$('#file-input');
  await input.uploadFile(...files);
  await page.waitForFunction((n) => document.querySelectorAll('#files tbody tr').length === n, {}, files.length);
  // The rest arrive as a file manager drops them on the drop area.
  const dropped = kSamples.filter((s) => s.dropped).map(({ cp, le, name }) => ({ name, bytes: [...sample(cp, le)] }));
  await page.$eval('#drop', (area, files) => {
    const transfer = new DataTransfer();
    for (const { name, bytes } of files) transfer.items.add(new File([new Uint8Array(bytes)], name));
    for (const type of ['dragenter', 'dragover', 'drop']) {
      area.dispatchEvent(new DragEvent(type, { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }
  }, dropped);
  await page.waitForFunction((n) => document.querySelectorAll('#files tbody tr').length === n &&
    !document.querySelector('#convert').disabled, {}, kSamples.length);
  await page.waitForFunction(() => [...document.querySelectorAll('#files tbody tr')].every((tr) => tr.children[1].textContent !== 'reading…'));
  const rows = await rowsState();
  for (const [i, { cp, le, name }] of kSamples.entries()) {
    assert.equal(rows[i].name, name);
    assert.deepEqual([rows[i].from, rows[i].eolIn], [cp, le], `guess of ${name}: ${rows[i].guess}`);
    assert.match(rows[i].guess, /\(\d+ %\)/);
  }

  // Every code page and line end out, each from every sample.
  for (const target of [{ to: 7, eolOut: 2 }, { to: 1, eolOut: 0 }, { to: 4, eolOut: 1 }, { to: 3, eolOut: '' }, { to: 6, eolOut: 2 }]) {
    await convertAll(target);
    const got = await downloadAll();
    for (const { cp, le, name } of kSamples) {
      const args = ['-f', String(cp), '-t', String(target.to)];
      if (target.eolOut !== '') args.push('--eol-in', String(le), '--eol-out', String(target.eolOut));
      assert.deepEqual(got[name], cliConvert(sample(cp, le), args), `${name} ${args.join(' ')}`);
    }
  }
  const toAscii = await rowsState();
  assert.match(toAscii[0].result, /\d+ characters had no place/);
});

test('strict refuses a conversion that would replace characters', async () => {
  await convertAll({ to: 6, eolOut: 2, strict: true });
  const rows = await rowsState();
  assert.match(rows[0].result, /Not converted: \d+ characters/);
  assert.equal(await page.$$eval('#files a.download', (links) => links.length), kSamples.filter((s) => s.cp === 6).length);
});

test('an empty file, a binary one and one that cannot be read are named as such, and the binary one waits for a yes', async () => {
  await page.$$eval('#files tbody button', (buttons) => buttons.forEach((b) => b.click()));
  const empty = join(work, 'empty.txt');
  const binary = join(work, 'binary.dat');
  await writeFile(empty, '');
  const gone = join(work, 'gone.txt');
  await writeFile(binary, Buffer.from([0x50, 0x4b, 3, 4, 0, 0, 1, 2, 0x9c, 0x9f]));
  await writeFile(gone, sampleText);
  await (await page.$('#file-input')).uploadFile(empty, binary, gone);
  await page.waitForFunction(() => document.querySelectorAll('#files tbody .result p').length === 2 &&
    !document.querySelector('#convert').disabled);
  const rows = await rowsState();
  assert.match(rows[0].result, /empty/);
  assert.match(rows[1].result, /looks binary/);
  await rm(gone);
  await convertAll({ to: 7 });
  assert.equal(await page.$$eval('#files a.download', (links) => links.length), 0);
  assert.match((await rowsState())[2].result, /cannot read this file/);
  await page.click('#files .force');
  await convertAll({ to: 7 });
  await page.click('#files a.download');
  assert.deepEqual(await downloaded('binary.dat'), cliConvert(await readFile(binary), ['-f', '0', '-t', '7']));
});

test('a long file converts in parts as pismovar-cli converts it whole, and converting it again and cancelling leaves no result', async () => {
  await page.$$eval('#files tbody button', (buttons) => buttons.forEach((b) => b.click()));
  // 200 MB of UTF-8 whose middle byte lies within a UTF-8 sequence, which a cut there would
  // split.
  const big = join(work, 'big.txt');
  const block = Buffer.from(sampleText.repeat(Math.ceil((1 << 20) / sampleText.length)));
  const within = (at) => (block[at % block.length] & 0xc0) === 0x80;
  let size = 200e6;
  while (!within(Math.floor(size / 2)) || within(size)) size++;
  const handle = await open(big, 'w');
  for (let written = 0; written < size; written += block.length) await handle.write(block.subarray(0, size - written));
  await handle.close();
  await (await page.$('#file-input')).uploadFile(big);
  await page.waitForFunction(() => !document.querySelector('#convert').disabled);
  // Where the engine puts a converter's buffers, the same after the cancel as before the
  // second conversion; and the results kept in the private file system, the same as before
  // the first: the second removes the first's result, and the cancel its own.
  const [worker] = page.workers().filter((w) => w.url().endsWith('/worker.js'));
  const freeAt = () => worker.evaluate(async () => {
    const converter = (await import(new URL('pkg/index.js', location.href))).createConverter({ from: 0, to: 0 });
    converter.close();
    return [converter.cells, converter.input, converter.output];
  });
  const results = () => page.evaluate(async () => {
    const names = [];
    for await (const name of (await navigator.storage.getDirectory()).keys()) names.push(name);
    return names.sort();
  });

  const resultsBefore = await results();
  await convertAll({ to: 1, eolOut: 0 });
  await page.click('#files a.download');
  const expected = cliConvert(await readFile(big), ['-f', '7', '-t', '1', '--eol-in', '2', '--eol-out', '0']);
  assert.ok(Buffer.from(await downloaded('big.txt')).equals(expected), 'the result differs from pismovar-cli\'s');

  const buffersBefore = await freeAt();
  await page.click('#convert');
  await page.waitForFunction(() => /[1-9]\d* %/.test(document.querySelector('#files .result').textContent), { polling: 'mutation' });
  await page.click('#cancel');
  await page.waitForFunction(() => document.querySelector('#status').textContent !== '');
  assert.equal(await page.$eval('#status', (p) => p.textContent), 'The conversion was cancelled.');
  assert.equal((await rowsState())[0].result, 'cancelled');
  assert.equal(await page.$$eval('#files a.download', (links) => links.length), 0);
  assert.deepEqual(await freeAt(), buffersBefore);
  for (let tries = 0; JSON.stringify(await results()) !== JSON.stringify(resultsBefore); tries++) {
    assert.ok(tries < 100, 'a result stays in the private file system');
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  await page.$eval('#files tbody button', (button) => button.click());
  await page.$eval('#paste', (area) => { area.value = 'Příliš žluťoučký kůň\n'; });
  await page.click('#add-paste');
  await page.waitForFunction(() => !document.querySelector('#convert').disabled);
  await convertAll({ to: 1 });
  await page.click('#files a.download');
  assert.deepEqual(await downloaded('pasted text.txt'), cliConvert(Buffer.from('Příliš žluťoučký kůň\n'), ['-f', '7', '-t', '1']));
  await rm(big);
});

test('repair shows the damaged text and the text it gives back, pasted or in a file it finds damaged', async () => {
  const damaged = Buffer.from(cliConvert(Buffer.from(sampleText), ['-f', 'win', '-t', 'utf8'])).toString();
  await page.$eval('#repair-input', (area, text) => { area.value = text; }, damaged);
  await page.click('#repair');
  await page.waitForFunction(() => document.querySelector('#repair-after').textContent !== '');
  assert.equal(await page.$eval('#repair-before', (pre) => pre.textContent), damaged);
  assert.equal(await page.$eval('#repair-after', (pre) => pre.textContent), sampleText);
  assert.match(await page.$eval('#repair-summary', (p) => p.textContent), /UTF-8 read as Windows 1250/);

  // A file: its row says what damaged it, and the repaired text takes its place on the list.
  await page.$$eval('#files tbody button', (buttons) => buttons.forEach((b) => b.click()));
  await page.$eval('#repair-after', (pre) => { pre.textContent = ''; });
  const file = join(work, 'damaged.txt');
  await writeFile(file, damaged);
  await (await page.$('#file-input')).uploadFile(file);
  await page.waitForFunction(() => /read as Windows 1250 and saved again/.test(document.querySelector('#files .result')?.textContent));
  await page.click('#files .result button');
  await page.waitForFunction(() => /Repaired \d+ letters/.test(document.querySelector('#files .result').textContent));
  assert.equal(await page.$eval('#repair-after', (pre) => pre.textContent), sampleText);
  assert.match((await rowsState())[0].guess, /^UTF-8/);
  await convertAll({ to: 7 });
  await page.click('#files a.download');
  assert.equal(Buffer.from(await downloaded('damaged.txt')).toString(), sampleText);
  await rm(file);
});

test('nothing is asked of the network once the page is loaded', async () => {
  const loaded = server.requests.length;
  await page.$eval('#repair-input', (area) => { area.value = 'ĹľluĹĄouÄŤkĂ˝'; });
  await page.click('#repair');
  await convertAll({ to: 0 });
  assert.deepEqual(server.requests.slice(loaded), []);
  assert.deepEqual(foreignRequests, []);
  const policy = await page.$eval('meta[http-equiv="Content-Security-Policy"]', (meta) => meta.content);
  assert.match(policy, /default-src 'none'/);
  assert.doesNotMatch(policy, /https?:/);
});

test('the page opens and converts offline after the first visit', async () => {
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  await page.setOfflineMode(true);
  try {
    await page.reload();
    await page.waitForSelector('body[data-ready="true"]');
    await page.$eval('#paste', (area) => { area.value = 'Příliš žluťoučký kůň\n'; });
    await page.click('#add-paste');
    await page.waitForFunction(() => !document.querySelector('#convert').disabled);
    await convertAll({ to: 1, eolOut: 0 });
    await page.click('#files a.download');
    assert.deepEqual(await downloaded('pasted text.txt'), cliConvert(Buffer.from('Příliš žluťoučký kůň\n'), ['-f', '7', '-t', '1', '--eol-in', '2', '--eol-out', '0']));
  } finally {
    await page.setOfflineMode(false);
  }
});

test('a browser without WebAssembly SIMD gets the scalar engine, which converts as pismovar-cli does', async () => {
  // V8 that may not use SSE4.1 has no WebAssembly SIMD.
  const scalar = await launchChromium(puppeteer, join(work, 'profile-scalar'), 'en-US', ['--js-flags=--no-enable-sse4-1']);
  try {
    const other = await scalar.newPage();
    const cdp = await other.createCDPSession();
    await cdp.send('Page.setDownloadBehavior', { behavior: 'allow', downloadPath: join(work, 'downloads') });
    await other.goto(server.url);
    await other.waitForSelector('body[data-ready="true"]');
    assert.match(await other.$eval('#engine-form', (p) => p.textContent), /without SIMD/);
    const path = join(work, 'scalar.txt');
    await writeFile(path, sample(2, 0));
    await (await other.$('#file-input')).uploadFile(path);
    await other.waitForFunction(() => !document.querySelector('#convert').disabled);
    await other.click('#convert');
    await other.waitForSelector('#files a.download');
    await other.click('#files a.download');
    assert.deepEqual(await downloaded('scalar.txt'), cliConvert(sample(2, 0), ['-f', '2', '-t', '7']));
  } finally {
    await scalar.close();
  }
});
