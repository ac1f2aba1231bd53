// The code pages and line ends by the numbers and names of the command-line tool, apart from
// the engine, so that a page can list them without loading it.

export const codePages = Object.freeze([
  { number: 0, name: 'win', caption: 'Windows 1250' },
  { number: 1, name: 'kam', caption: 'Kamenických' },
  { number: 2, name: 'lat', caption: 'Latin-2' },
  { number: 3, name: 'iso', caption: 'ISO Latin-2' },
  { number: 4, name: 'mac', caption: 'Macintosh' },
  { number: 5, name: 'koi8cs', caption: 'KOI8-ČS' },
  { number: 6, name: 'asc', caption: 'ASCII' },
  { number: 7, name: 'utf8', caption: 'UTF-8' },
]);

export const lineEnds = Object.freeze([
  { number: 0, name: 'dos', caption: 'DOS/Windows' },
  { number: 1, name: 'mac', caption: 'Macintosh' },
  { number: 2, name: 'unix', caption: 'Unix/Linux' },
]);

// The command-line tool's other names of the same code pages and line ends.
const codePageAliases = {
  cp1250: 0, 'windows-1250': 0, kamenicky: 1, keybcs2: 1, cp852: 2, ibm852: 2,
  'iso-8859-2': 3, 'mac-centraleurope': 4, koi: 5, 'koi8-cs': 5, ascii: 6, 'us-ascii': 6, 'utf-8': 7,
};
const lineEndAliases = { crlf: 0, cr: 1, lf: 2 };

function lookUp(value, table, aliases, what) {
  if (typeof value === 'number' && table.some((entry) => entry.number === value)) return value;
  if (typeof value === 'string') {
    const name = value.toLowerCase();
    const entry = table.find((e) => e.name === name || e.caption.toLowerCase() === name);
    if (entry) return entry.number;
    if (name in aliases) return aliases[name];
    if (/^\d+$/.test(name)) return lookUp(Number(name), table, aliases, what);
  }
  throw new RangeError(`unknown ${what}: ${value}`);
}

export const codePageNumber = (value) => lookUp(value, codePages, codePageAliases, 'code page');
export const lineEndNumber = (value) => lookUp(value, lineEnds, lineEndAliases, 'line end');
