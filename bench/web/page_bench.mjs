// Converts a 200 MB Kamenický text to UTF-8 with LF line ends in the page's worker, in headless
// Chromium, and with pismovar-cli (to /dev/null and to a file), round by round in rotating
// order, and prints the medians. Then it times each part of the page's work alone in the
// worker, on the same file: reading it (as the reading thread does, with the messages that
// bring the chunks, in the stream's own chunks, and by slices), copying into the engine's
// memory, converting, writing to the private file system.
// Figures only; nothing fails on time.
//   node bench/web/page_bench.mjs [megabytes] [rounds]     (after scripts/build-wasm.sh)
import { execFileSync } from 'node:child_process';
import { mkdtemp, open, readFile, rm } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { loadavg, tmpdir } from 'node:os';
import { join } from 'node:path';

import { cli, launchChromium, sample, serve } from '../../tests/web/support.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

const megabytes = Number(process.argv[2] ?? 200);
const rounds = Number(process.argv[3] ?? 5);
const work = await mkdtemp(join(tmpdir(), 'pismovar-page-bench-'));
const path = join(work, 'text.txt');
const unit = Buffer.from(sample(1, 0));
const size = megabytes * 1e6;
const file = await open(path, 'w');
const block = Buffer.concat(Array(Math.ceil((1 << 20) / unit.length)).fill(unit));
for (let written = 0; written < size; written += block.length) await file.write(block);
await file.close();
const mb = (Math.ceil(size / block.length) * block.length) / 1e6;

const load = () => loadavg().map((l) => l.toFixed(2)).join(' ');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const flags = (await readFile('/proc/cpuinfo', 'utf8')).match(/^flags\s*:(.*)$/m)[1].split(' ');
const features = ['sse4_2', 'avx2', 'avx512f', 'avx512bw', 'avx512vl', 'avx512vbmi', 'avx512_vbmi2'].filter((f) => flags.includes(f));
console.log(`text: ${mb.toFixed(0)} MB Kamenický, CR LF → UTF-8, LF; ${rounds} rounds, medians`);
console.log(`processor: ${features.join(' ')}; load before: ${load()}`);

// The highest resident memory of Chromium's renderers so far: the page's and its workers'.
async function rendererPeak(browser) {
  const pids = execFileSync('pgrep', ['-P', String(browser.process().pid)]).toString().split('\n').filter(Boolean);
  const all = [...pids];
  for (const pid of pids) all.push(...execFileSync('sh', ['-c', `pgrep -P ${pid} || true`]).toString().split('\n').filter(Boolean));
  let peak = 0;
  for (const pid of all) {
    const cmdline = await readFile(`/proc/${pid}/cmdline`, 'utf8').catch(() => '');
    if (!cmdline.includes('--type=renderer')) continue;
    const status = await readFile(`/proc/${pid}/status`, 'utf8');
    peak = Math.max(peak, Number(status.match(/VmHWM:\s*(\d+)/)[1]) / 1024);
  }
  return peak;
}

// What the worker does alone, on the file the page gave it; each returns seconds.
const stages = {
  'read, 4 MB reads into lent buffers': async (file) => {
    const reader = file.stream().getReader({ mode: 'byob' });
    let buffer = new ArrayBuffer(4 << 20);
    const start = performance.now();
    for (;;) {
      const { value } = await reader.read(new Uint8Array(buffer), { min: buffer.byteLength });
      if (!(value?.byteLength > 0)) break;
      buffer = value.buffer;
    }
    return (performance.now() - start) / 1000;
  },
  "read, in the stream's own chunks": async (file) => {
    const reader = file.stream().getReader();
    const start = performance.now();
    while (!(await reader.read()).done);
    return (performance.now() - start) / 1000;
  },
  'read by a reading thread, chunks sent over and back': async (file) => {
    const reader = new Worker(new URL('reader.js', location.href), { type: 'module' });
    const buffers = Array.from({ length: 3 }, () => new ArrayBuffer(4 << 20));
    const start = performance.now();
    await new Promise((resolve) => {
      reader.onmessage = ({ data }) => {
        if (data.kind !== 'chunk') return resolve();
        reader.postMessage({ kind: 'recycle', id: 0, buffer: data.chunk.buffer }, [data.chunk.buffer]);
      };
      reader.postMessage({ kind: 'read', id: 0, file, buffers }, buffers);
    });
    const seconds = (performance.now() - start) / 1000;
    reader.terminate();
    return seconds;
  },
  'read, 4 MB slices': async (file) => {
    const start = performance.now();
    for (let at = 0; at < file.size; at += 4 << 20) await file.slice(at, at + (4 << 20)).arrayBuffer();
    return (performance.now() - start) / 1000;
  },
  'copy into the engine, 1 MB at a time': async (file, pismovar) => {
    const chunk = new Uint8Array(await file.slice(0, 1 << 20).arrayBuffer());
    const converter = pismovar.createConverter({ from: 1, to: 7 });
    const memory = new Uint8Array(converter.engine.exports.memory.buffer);
    const start = performance.now();
    for (let at = 0; at < file.size; at += chunk.length) memory.set(chunk, converter.input);
    const seconds = (performance.now() - start) / 1000;
    converter.close();
    return seconds;
  },
  'convert in the engine (with the copy in)': async (file, pismovar) => {
    const chunk = new Uint8Array(await file.slice(0, 4 << 20).arrayBuffer());
    const converter = pismovar.createConverter({ from: 1, to: 7, eolIn: 0, eolOut: 2 });
    const start = performance.now();
    for (let at = 0; at < file.size; at += chunk.length) converter.pushTo(chunk, () => {});
    converter.endTo(() => {});
    return (performance.now() - start) / 1000;
  },
  'write the converted text to the private file system': async (file, pismovar) => {
    const pieces = [];
    const chunk = new Uint8Array(await file.slice(0, 4 << 20).arrayBuffer());
    const converter = pismovar.createConverter({ from: 1, to: 7, eolIn: 0, eolOut: 2 });
    converter.pushTo(chunk, (piece) => pieces.push(piece.slice()));
    converter.close();
    const folder = await navigator.storage.getDirectory();
    const name = `bench-${crypto.randomUUID()}`;
    const access = await (await folder.getFileHandle(name, { create: true })).createSyncAccessHandle();
    const total = (file.size * pieces.reduce((n, p) => n + p.length, 0)) / chunk.length;
    const start = performance.now();
    for (let at = 0; at < total; ) for (const piece of pieces) at += access.write(piece, { at });
    access.flush();
    const seconds = (performance.now() - start) / 1000;
    access.close();
    await folder.removeEntry(name);
    return seconds;
  },
};

const server = await serve();
const browser = await launchChromium(puppeteer, join(work, 'profile'));
try {
  const page = await browser.newPage();
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]');
  // The worker keeps the file the page sends it to inspect, for the parts timed alone.
  const [worker] = page.workers().filter((w) => w.url().endsWith('/worker.js'));
  await worker.evaluate(() => {
    const answer = self.onmessage;
    self.onmessage = (event) => {
      if (event.data.kind === 'inspect') self.benchFile = event.data.file;
      return answer(event);
    };
  });
  await (await page.$('#file-input')).uploadFile(path);
  await page.waitForFunction(() => !document.querySelector('#convert').disabled);
  await page.select('#to', '7');
  await page.select('#eol-out', '2');
  await page.$eval('#files .from', (s) => { s.value = '1'; s.dispatchEvent(new Event('change')); });

  const runs = {
    'pismovar-cli to /dev/null': async () => {
      const start = performance.now();
      execFileSync('sh', ['-c', `"${cli}" -f kam -t utf8 --eol-out unix "${path}" > /dev/null`]);
      return (performance.now() - start) / 1000;
    },
    'pismovar-cli to a file': async () => {
      const start = performance.now();
      execFileSync('sh', ['-c', `"${cli}" -f kam -t utf8 --eol-out unix "${path}" > "${path}.out"`]);
      const seconds = (performance.now() - start) / 1000;
      await rm(`${path}.out`);
      return seconds;
    },
    "page's worker": async () => {
      const start = performance.now();
      await page.click('#convert');
      await page.waitForFunction(() => document.querySelector('#status').textContent !== '', { timeout: 0, polling: 10 });
      return (performance.now() - start) / 1000;
    },
  };
  const names = Object.keys(runs);
  const times = Object.fromEntries(names.map((name) => [name, []]));
  for (let round = 0; round < rounds; round++) {
    for (let k = 0; k < names.length; k++) {
      const name = names[(round + k) % names.length];
      times[name].push(await runs[name]());
    }
  }
  const cliFile = median(times['pismovar-cli to a file']);
  const cliNull = median(times['pismovar-cli to /dev/null']);
  for (const name of names) {
    const seconds = median(times[name]);
    console.log(`${name.padEnd(28)} ${(mb / seconds).toFixed(0).padStart(5)} MB/s (${seconds.toFixed(2)} s)`);
  }
  const pageSeconds = median(times["page's worker"]);
  console.log(`page's share of the tool:     ${((100 * cliNull) / pageSeconds).toFixed(0)} % (to /dev/null), ${((100 * cliFile) / pageSeconds).toFixed(0)} % (to a file)`);
  console.log(`engine: ${await page.$eval('#engine-form', (p) => p.textContent)}`);
  console.log(`renderers' peak resident memory: ${(await rendererPeak(browser)).toFixed(0)} MB`);
  console.log(`load after the conversions: ${load()}`);

  console.log(`each part alone, in the page's worker (${rounds} rounds each):`);
  for (const [name, stage] of Object.entries(stages)) {
    const seconds = [];
    for (let round = 0; round < rounds; round++) {
      seconds.push(await worker.evaluate(
        async (source) => {
          const pismovar = await import(new URL('pkg/index.js', location.href));
          return (0, eval)(`(${source})`)(self.benchFile, pismovar);
        },
        stage.toString(),
      ));
    }
    console.log(`  ${name.padEnd(52)} ${(mb / median(seconds)).toFixed(0).padStart(5)} MB/s`);
  }
  console.log(`load after: ${load()}`);
} finally {
  await browser.close();
  await server.close();
  await rm(work, { recursive: true, force: true });
}
