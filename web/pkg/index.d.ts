/** A code page by number or by any of its names in `codePages`: the command-line tool's,
 * such as "kam" or "iso-8859-2", letter case and punctuation aside. */
export type CodePage = number | string;
/** A line end by number or by any of its names in `lineEnds`, such as "dos" or "lf". */
export type LineEnd = number | string;

/** A code page or line end as the engine lists it (`pismovar-cli --list`). */
export interface NamedValue {
  readonly number: number;
  /** The short name. */
  readonly name: string;
  readonly caption: string;
  /** Every name it goes by, the short name first. */
  readonly names: readonly string[];
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
  /** Where the text looks damaged by a wrong reading: bytes of `right` read as `wrong` and
   * saved again, which `repair` undoes. */
  damage: { wrong: number; right: number } | null;
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
