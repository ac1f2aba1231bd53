/** A code page by number (0 Windows 1250, 1 Kamenický, 2 Latin-2, 3 ISO 8859-2,
 * 4 Macintosh, 5 KOI8-ČS, 6 ASCII, 7 UTF-8) or short name ("win", "kam", "lat", "iso", "mac",
 * "koi8cs", "asc", "utf8", or another name the command-line tool takes). */
export type CodePage = number | string;
/** A line end by number (0 CR LF, 1 CR, 2 LF) or name ("dos", "mac", "unix"). */
export type LineEnd = number | string;

export interface NamedValue {
  readonly number: number;
  readonly name: string;
  readonly caption: string;
}
export const codePages: readonly NamedValue[];
export const lineEnds: readonly NamedValue[];
export function codePageNumber(value: CodePage): number;
export function lineEndNumber(value: LineEnd): number;

export interface ConvertOptions {
  from: CodePage;
  to: CodePage;
  /** Without it (and with eolOut), every line end becomes eolOut. */
  eolIn?: LineEnd | null;
  /** Without it, line ends stay as they are. */
  eolOut?: LineEnd | null;
  /** Throw a ReplacedError rather than replace a character the output lacks. */
  strict?: boolean;
  /** UTF-8 output starts with a byte-order mark. */
  bom?: boolean;
}

export interface Converted {
  bytes: Uint8Array;
  /** Characters the output lacks, bytes the input leaves undefined, malformed UTF-8. */
  replaced: number;
}

export class ReplacedError extends Error {
  readonly replaced: number;
}

export interface Converter {
  /** The text so far; a CR or the start of a UTF-8 sequence at the end waits for the next. */
  push(bytes: Uint8Array): Converted;
  /** The rest of the text; closes the converter. */
  end(): Converted;
  /** As push, but each piece of the text goes to `use` as a view of the engine's memory,
   * good until `use` returns, without a copy; returns how many characters were replaced. */
  pushTo(bytes: Uint8Array, use: (piece: Uint8Array) => void): number;
  /** As end, with the rest handed to `use` as pushTo hands it. */
  endTo(use: (piece: Uint8Array) => void): number;
  /** Frees the converter without converting what waits. */
  close(): void;
  readonly replaced: number;
}

export interface Guess {
  codePage: number;
  lineEnd: number;
  /** 50..100 */
  confidence: number;
}

export interface Repaired {
  bytes: Uint8Array;
  /** How many wrong readings were undone: 0 when the text was left as it was. */
  passes: number;
  /** The first wrong reading: bytes of `right` read as `wrong`. */
  misreading: { wrong: number; right: number };
  /** Letters beyond ASCII in the repaired words. */
  characters: number;
}

export interface Pismovar {
  readonly form: 'simd' | 'scalar';
  version(): string;
  convert(bytes: Uint8Array, options: ConvertOptions): Converted;
  createConverter(options: ConvertOptions): Converter;
  detect(bytes: Uint8Array, options?: { start?: boolean }): Guess;
  repair(bytes: Uint8Array, options?: { encoding?: CodePage }): Repaired;
  looksBinary(bytes: Uint8Array): boolean;
}

/** Whether this runtime has WebAssembly SIMD. */
export function hasSimd(): boolean;
/** A fresh engine: the SIMD build unless `simd` is false or the runtime lacks SIMD. */
export function instantiate(options?: { simd?: boolean }): Promise<Pismovar>;

export const form: Pismovar['form'];
export const version: Pismovar['version'];
export const convert: Pismovar['convert'];
export const createConverter: Pismovar['createConverter'];
export const detect: Pismovar['detect'];
export const repair: Pismovar['repair'];
export const looksBinary: Pismovar['looksBinary'];
