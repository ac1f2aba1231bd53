// The npm package under Node, both builds of the engine, against the command-line tool.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { test } from 'node:test';
import { join } from 'node:path';

import { cli, cliConvert, sample, sampleText, webDir } from './support.mjs';

const pismovar = await import(join(webDir, 'pkg/index.js'));
const builds = [await pismovar.instantiate({ simd: true }), await pismovar.instantiate({ simd: false })];

test('every code page and line end converts to the same bytes as pismovar-cli, in both builds', () => {
  const texts = Array.from({ length: 8 }, (_, cp) => sample(cp, 2));
  for (const engine of builds) {
    for (let from = 0; from < 8; from++) {
      for (let to = 0; to < 8; to++) {
        for (const [eolIn, eolOut] of [[null, null], [2, 0], [null, 1]]) {
          const args = ['-f', String(from), '-t', String(to)];
          if (eolIn !== null) args.push('--eol-in', String(eolIn));
          if (eolOut !== null) args.push('--eol-out', String(eolOut));
          const got = engine.convert(texts[from], { from, to, eolIn, eolOut });
          assert.deepEqual(got.bytes, cliConvert(texts[from], args), `${engine.form} ${args.join(' ')}`);
        }
      }
    }
  }
});

test('a text pushed in pieces converts as it does whole, whatever the cut', () => {
  // A CR LF pair and UTF-8 sequences of two and three bytes, cut at every place.
  const text = new TextEncoder().encode('a\r\nčř„x“\r\rž\n\r\n');
  for (const engine of builds) {
    for (const [from, to] of [[7, 1], [7, 7], [0, 7]]) {
      const options = { from, to, eolOut: 2 };
      const whole = engine.convert(text, options);
      for (let cut = 0; cut <= text.length; cut++) {
        const converter = engine.createConverter(options);
        const parts = [converter.push(text.subarray(0, cut)), converter.push(text.subarray(cut)), converter.end()];
        assert.deepEqual(Buffer.concat(parts.map((p) => p.bytes)), Buffer.from(whole.bytes), `${engine.form} ${from}→${to} cut ${cut}`);
        assert.equal(parts.reduce((n, p) => n + p.replaced, 0), whole.replaced);
      }
    }
  }
});

test('a text longer than one step of the engine converts whole', () => {
  const big = Buffer.from(sampleText.repeat(40000)); // about 10 MB, ten steps and more
  const got = pismovar.convert(big, { from: 'utf8', to: 'kam', eolOut: 'dos' });
  assert.deepEqual(got.bytes, cliConvert(big, ['-f', 'utf8', '-t', 'kam', '--eol-out', 'dos']));
});

test('replaced characters are counted, and strict refuses them', () => {
  const text = Buffer.from(sampleText);
  const { replaced } = pismovar.convert(text, { from: 'utf8', to: 'ascii' });
  assert.ok(replaced > 0);
  assert.throws(() => pismovar.convert(text, { from: 'utf8', to: 'ascii', strict: true }),
    (error) => error instanceof pismovar.ReplacedError && error.replaced > 0);
  assert.equal(pismovar.convert(text, { from: 'utf8', to: 'win', strict: true }).replaced, 0);
});

test('code pages and line ends go by the numbers and names of pismovar-cli --list', () => {
  // The package's lists, as the tool lists its own.
  const listed = execFileSync(cli, ['--list'], { env: { ...process.env, LANGUAGE: 'en', LC_ALL: 'C.UTF-8' } }).toString();
  const ours = [...pismovar.codePages, ...pismovar.lineEnds]
    .map(({ number, caption, names }) => `  ${number}  ${caption.padEnd(14)}${names.join(', ')}`);
  assert.deepEqual(ours, listed.split('\n').filter((line) => line.startsWith('  ')));
  for (const { number, names } of pismovar.codePages) for (const name of names) assert.equal(pismovar.codePageNumber(name), number, name);
  const rows = [
    ['win', 0], ['KAM', 1], ['Kamenický', 1], ['cp852', 2], ['852', 2], ['Latin-2', 2], ['ISO_8859-2', 3], ['mac', 4],
    ['koi8-čs', 5], ['asc', 6], ['utf-8', 7], ['3', 3],
  ];
  for (const [name, number] of rows) assert.equal(pismovar.codePageNumber(name), number, name);
  assert.deepEqual(['dos', 'mac', 'unix', 'lf', 'CR-LF'].map(pismovar.lineEndNumber), [0, 1, 2, 2, 0]);
  for (const bad of ['latin2', 8, '8', -1, 'ebcdic', '']) assert.throws(() => pismovar.codePageNumber(bad), RangeError, String(bad));
  assert.throws(() => pismovar.convert(new Uint8Array(1), { from: 0, to: 9 }), RangeError);
});

test('detection names the code page and line end of each sample, and no damage', () => {
  for (const engine of builds) {
    for (let cp = 0; cp < 8; cp++) {
      for (let le = 0; le < 3; le++) {
        const guess = engine.detect(sample(cp, le));
        assert.deepEqual([guess.codePage, guess.lineEnd], [cp, le], `${engine.form} ${cp} ${le}`);
        assert.ok(guess.confidence >= 50 && guess.confidence <= 100);
        assert.equal(guess.damage, null);
      }
    }
  }
});

test('detection finds the damage that repair undoes as pismovar-cli --repair does', () => {
  const text = Buffer.from(sampleText);
  const damaged = cliConvert(cliConvert(text, ['-f', 'utf8', '-t', 'utf8']), ['-f', 'win', '-t', 'utf8']);
  const repaired = pismovar.repair(damaged);
  assert.deepEqual(repaired.bytes, cliConvert(damaged, ['--repair']));
  assert.deepEqual(Buffer.from(repaired.bytes), text);
  assert.deepEqual(repaired.misreading, { wrong: 0, right: 7 });
  assert.deepEqual(pismovar.detect(damaged).damage, { wrong: 0, right: 7 });
});
