// What the page's and the package's tests share: the folders, the command-line tool as the
// oracle, the sample texts, and a local server for the page that remembers every request.
import { execFileSync } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
export const webDir = process.env.PISMOVAR_WEB_DIR ?? join(root, 'build/web');
export const cli = process.env.PISMOVAR_CLI ?? join(root, 'build/bin/pismovar-cli');

// Every letter with a diacritic of both languages, capital and small, with typographic quotes
// and a dash, which some code pages lack.
export const sampleText = [
  'Příliš žluťoučký kůň úpěl ďábelské ódy.',
  'PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY.',
  'Kŕdeľ šťastných ďatľov učí pri ústí Váhu mĺkveho koňa obhrýzať kôru a žrať čerstvé mäso.',
  'KŔDEĽ ŠŤASTNÝCH ĎATĽOV UČÍ PRI ÚSTÍ VÁHU MĹKVEHO KOŇA OBHRÝZAŤ KÔRU A ŽRAŤ ČERSTVÉ MÄSO.',
  'Pěšáci „stáli“ u řeky – Ťažké Ľudovítovo ľúbostné rozprávanie.',
  'Dobrý den, milá Anežko, dnes večer přijedu vlakem do Českých Budějovic a zítra ráno pojedeme spolu k babičce na chalupu, kde budeme celý týden sušit seno, sbírat houby a číst staré dopisy z půdy.',
].join('\n') + '\n';

// The command-line tool's conversion of `input`, the reference the engine in WebAssembly
// must give byte for byte.
export function cliConvert(input, args) {
  return new Uint8Array(execFileSync(cli, args, { input, maxBuffer: 1 << 30, stdio: ['pipe', 'pipe', 'ignore'] }));
}

// `sampleText` in code page `codePage` (0..7) with line end `lineEnd` (0..2), as the
// command-line tool writes it.
export function sample(codePage, lineEnd) {
  return cliConvert(Buffer.from(sampleText), ['-f', 'utf8', '-t', String(codePage), '--eol-out', String(lineEnd)]);
}

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
};

// Serves `dir` on a free port of 127.0.0.1; `requests` lists the paths asked for.
export async function serve(dir = webDir) {
  const requests = [];
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    requests.push(path);
    const file = join(dir, path.endsWith('/') ? `${path}index.html` : path);
    try {
      const body = await readFile(file);
      response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/`;
  return { url, requests, close: () => new Promise((resolve) => server.close(resolve)) };
}

// Headless Chromium from Debian, with a fresh profile, speaking `language`, with `args` more.
export async function launchChromium(puppeteer, profile, language = 'en-US', args = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    env: { ...process.env, LANGUAGE: language.replace('-', '_') },
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`, `--lang=${language}`, ...args,
    ],
  });
}
