// Pismovar's engine in WebAssembly, for the browser and for Node: conversion between the 8-bit
// code pages of Czech and Slovak texts, UTF-8 and the three line ends, detection and repair.
// The module instantiates the engine itself (the SIMD build where the runtime has WebAssembly
// SIMD, the scalar build otherwise), so that importing it is all a caller does.

import { codePageNumber, lineEndNumber } from './names.js';

export * from './names.js';

// A conversion that `strict` refused: the text has characters the output lacks.
export class ReplacedError extends Error {
  constructor(replaced) {
    super(`${replaced} characters have no place in the output code page`);
    this.name = 'ReplacedError';
    this.replaced = replaced;
  }
}

const E2BIG = 1; // WASI's numbering, which Emscripten's C library follows
const kLeaveLineEnds = -1;
// Each call into the engine takes this much input, whatever size of chunk a caller gives.
const kStep = 1 << 20;
// Room for one step's output: three bytes per input byte at most, a byte-order mark and the
// loops' slack (Transcoder::OutputRoom).
const kStepOutput = 3 * kStep + 3 + 64;

// A tiny module that uses a SIMD instruction: whether this runtime has WebAssembly SIMD.
const simdProbe = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15,
  253, 98, 11,
]);
export const hasSimd = () => WebAssembly.validate(simdProbe);

async function wasmBytes(form) {
  const url = new URL(`./pismovar-${form}.wasm`, import.meta.url);
  if (url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  return response.arrayBuffer();
}

class Engine {
  constructor(instance, form) {
    this.form = form;
    this.exports = instance.exports;
    this.exports._initialize();
  }

  get memory() {
    return new Uint8Array(this.exports.memory.buffer);
  }
  get words() {
    return new Int32Array(this.exports.memory.buffer);
  }

  alloc(size) {
    const at = this.exports.malloc(Math.max(size, 1));
    if (at === 0) throw new RangeError('out of memory');
    return at;
  }

  // Calls `use(at)` with `bytes` copied into the engine's memory.
  withBytes(bytes, use) {
    const at = this.alloc(bytes.length);
    try {
      this.memory.set(bytes, at);
      return use(at);
    } finally {
      this.exports.free(at);
    }
  }

  version() {
    const at = this.exports.pismovar_version();
    const end = this.memory.indexOf(0, at);
    return new TextDecoder().decode(this.memory.subarray(at, end));
  }

  looksBinary(bytes) {
    return this.withBytes(bytes, (at) => this.exports.pismovar_web_looks_binary(at, bytes.length) !== 0);
  }

  detect(bytes, { start = false } = {}) {
    const guess = this.alloc(20);
    try {
      this.withBytes(bytes, (at) => {
        if (this.exports.pismovar_web_detect(at, bytes.length, start ? 0 : 1, guess) !== 0) {
          throw new RangeError('out of memory');
        }
      });
      const [codePage, lineEnd, confidence, wrong, right] = this.words.subarray(guess >> 2, (guess >> 2) + 5);
      return { codePage, lineEnd, confidence, damage: wrong < 0 ? null : { wrong, right } };
    } finally {
      this.exports.free(guess);
    }
  }

  repair(bytes, { encoding = 7 } = {}) {
    const code = codePageNumber(encoding);
    const outcome = this.withBytes(bytes, (at) => this.exports.pismovar_web_repair(at, bytes.length, code));
    if (outcome === 0) throw new RangeError(`repair does not take code page ${encoding}`);
    const e = this.exports;
    try {
      const text = e.pismovar_web_repair_text(outcome);
      return {
        bytes: this.memory.slice(text, text + e.pismovar_web_repair_size(outcome)),
        passes: e.pismovar_web_repair_passes(outcome),
        misreading: { wrong: e.pismovar_web_repair_wrong(outcome), right: e.pismovar_web_repair_right(outcome) },
        characters: e.pismovar_web_repair_characters(outcome),
      };
    } finally {
      e.pismovar_web_repair_free(outcome);
    }
  }
}

// A conversion of a text that comes in chunks: push each, then end. Each call returns the
// text converted so far and how many characters it replaced; `pushTo` and `endTo` hand the
// converted text to a function instead, piece by piece, as views of the engine's memory.
export class Converter {
  constructor(engine, { from, to, eolIn, eolOut, strict = false, bom = false } = {}) {
    this.engine = engine;
    this.strict = strict;
    this.replaced = 0;
    const e = engine.exports;
    const eolInNumber = eolIn === undefined || eolIn === null ? kLeaveLineEnds : lineEndNumber(eolIn);
    const eolOutNumber = eolOut === undefined || eolOut === null ? kLeaveLineEnds : lineEndNumber(eolOut);
    this.handle = e.pismovar_open(codePageNumber(from), codePageNumber(to), eolInNumber, eolOutNumber, bom ? 2 : 0);
    if (this.handle === 0) throw new RangeError('bad code page or line end');
    // in, inleft, out, outleft as the C interface moves them, then the buffers.
    this.cells = engine.alloc(16);
    this.input = engine.alloc(kStep);
    this.output = engine.alloc(kStepOutput);
  }

  // The text `bytes` (a Uint8Array) converts to, as far as it can be converted before the next.
  push(bytes) {
    const pieces = [];
    const replaced = this.pushTo(bytes, (piece) => pieces.push(piece.slice()));
    return { bytes: concat(pieces), replaced };
  }

  // What waits at the end of the text, converted; the converter is closed afterwards.
  end() {
    const pieces = [];
    const replaced = this.endTo((piece) => pieces.push(piece.slice()));
    return { bytes: concat(pieces), replaced };
  }

  // Converts `bytes` as push does and calls `use(piece)` for each piece of the result: a view
  // of the engine's memory, good until `use` returns. Returns how many characters it replaced.
  pushTo(bytes, use) {
    return this.run(bytes, false, use);
  }

  // As end, with the rest of the text handed to `use` as pushTo hands it.
  endTo(use) {
    try {
      return this.run(null, true, use);
    } finally {
      this.close();
    }
  }

  close() {
    if (this.handle === 0) return;
    const e = this.engine.exports;
    e.pismovar_close(this.handle);
    for (const at of [this.cells, this.input, this.output]) e.free(at);
    this.handle = 0;
  }

  run(bytes, last, use) {
    if (this.handle === 0) throw new Error('the converter is closed');
    const e = this.engine.exports;
    let replaced = 0;
    const call = (inPointer, inLeft) => {
      const cell = this.cells >> 2;
      const words = this.engine.words;
      words[cell] = inPointer;
      words[cell + 1] = inLeft;
      for (;;) {
        words[cell + 2] = this.output;
        words[cell + 3] = kStepOutput;
        const result = e.pismovar_convert(this.handle, inPointer ? this.cells : 0, this.cells + 4, this.cells + 8, this.cells + 12);
        const end = this.engine.words[cell + 2];
        if (end > this.output) use(this.engine.memory.subarray(this.output, end));
        if (result !== -1) {
          replaced += result >>> 0;
          return;
        }
        if (e.pismovar_web_errno() !== E2BIG) throw new RangeError('out of memory');
      }
    };
    if (last) {
      call(0, 0);
    } else {
      for (let i = 0; i < bytes.length; i += kStep) {
        const step = bytes.subarray(i, i + kStep);
        this.engine.memory.set(step, this.input);
        call(this.input, step.length);
      }
    }
    this.replaced += replaced;
    if (this.strict && replaced > 0) {
      this.close();
      throw new ReplacedError(this.replaced);
    }
    return replaced;
  }
}

function concat(pieces) {
  if (pieces.length === 1) return pieces[0];
  const all = new Uint8Array(pieces.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of pieces) {
    all.set(p, at);
    at += p.length;
  }
  return all;
}

// Loads the engine: the SIMD build where the runtime has WebAssembly SIMD (or `simd` says
// which), the scalar one otherwise.
export async function instantiate({ simd = hasSimd() } = {}) {
  const form = simd ? 'simd' : 'scalar';
  const imports = {
    env: { emscripten_notify_memory_growth() {} },
    wasi_snapshot_preview1: {
      proc_exit(code) {
        throw new Error(`the engine stopped (${code})`);
      },
    },
  };
  const { instance } = await WebAssembly.instantiate(await wasmBytes(form), imports);
  const engine = new Engine(instance, form);
  return {
    form,
    version: () => engine.version(),
    convert(bytes, options) {
      const converter = new Converter(engine, options);
      try {
        const body = converter.push(bytes);
        const tail = converter.end();
        return { bytes: concat([body.bytes, tail.bytes]), replaced: body.replaced + tail.replaced };
      } finally {
        converter.close();
      }
    },
    createConverter: (options) => new Converter(engine, options),
    detect: (bytes, options) => engine.detect(bytes, options),
    repair: (bytes, options) => engine.repair(bytes, options),
    looksBinary: (bytes) => engine.looksBinary(bytes),
  };
}

const engine = await instantiate();

// Converts `bytes` from code page `from` to `to` (numbers 0..7 or names such as "kam" and
// "utf8"), line ends from `eolIn` to `eolOut` (0..2 or "dos", "mac", "unix"; without `eolOut`
// they stay as they are, without `eolIn` every line end becomes `eolOut`). Returns the text
// and how many characters had to be replaced; with `strict` a replacement throws a
// ReplacedError instead.
export const convert = engine.convert;
// A converter for a text in chunks: `push(chunk)` for each, then `end()`.
export const createConverter = engine.createConverter;
// The code page and line end of `bytes`, and how sure the guess is (50..100); with
// `{start: true}` the bytes are the start of a longer text.
export const detect = engine.detect;
// Undoes a wrong reading of `bytes` (UTF-8 by default, or `{encoding}`).
export const repair = engine.repair;
// Whether `bytes`, the start of a file, look binary: a NUL, or many control characters.
export const looksBinary = engine.looksBinary;
// Which build runs: "simd" or "scalar".
export const form = engine.form;
export const version = engine.version;
