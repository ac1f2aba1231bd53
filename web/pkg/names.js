// The code pages and line ends by the numbers and names of the command-line tool, apart from
// the engine, so that a page can list them without loading it. registry.js is the engine's own
// list, which the build writes from it.
import { codePageTable, lineEndTable } from './registry.js';

const entries = (table) => Object.freeze(table.map(({ number, caption, names }) =>
  Object.freeze({ number, name: names[0], caption, names: Object.freeze([...names]) })));

export const codePages = entries(codePageTable);
export const lineEnds = entries(lineEndTable);

// Letter case, diacritics and punctuation do not count in a name, as in the command-line
// tool's: "ISO_8859-2" is "iso88592", "koi8-čs" is "koi8cs".
const plain = (name) => name.normalize('NFD').toLowerCase().replace(/[^a-z0-9]/g, '');

function lookUp(value, table, what) {
  if (typeof value === 'number' && table.some((entry) => entry.number === value)) return value;
  if (typeof value === 'string') {
    // A digit is a number; "852" is a name.
    if (/^\d$/.test(value) && Number(value) < table.length) return Number(value);
    const name = plain(value);
    // A caption goes as it is spelled: "Latin-2" is code page 852, but "latin2" is glibc's
    // name of ISO 8859-2, which the command-line tool refuses as ambiguous.
    const entry = table.find((e) => e.caption.toLowerCase() === value.toLowerCase() ||
      (name !== '' && e.names.some((n) => plain(n) === name)));
    if (entry) return entry.number;
  }
  throw new RangeError(`unknown ${what}: ${value}`);
}

export const codePageNumber = (value) => lookUp(value, codePages, 'code page');
export const lineEndNumber = (value) => lookUp(value, lineEnds, 'line end');
