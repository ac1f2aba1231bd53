// The page's work off the page's thread: reading files, detection, conversion chunk by
// chunk and repair. It takes one request at a time per id and answers by messages; a cancel
// is noticed between chunks.
import * as pismovar from './pkg/index.js';

// Detection reads the start of a long file; a file this small is read whole.
const kDetectSize = 4 << 20;
// How much of a file's start decides whether it looks binary, as the command-line tool does.
const kBinaryCheckSize = 32 << 10;
// Without the private file system, converted text is gathered into pieces of this size
// before it becomes part of the result Blob, so that a long file makes few pieces.
const kPieceSize = 4 << 20;
// Progress goes to the page at most this often.
const kProgressInterval = 100;

const cancelled = new Set();

async function inspect({ id, file }) {
  if (file.size === 0) return { id, kind: 'inspected', empty: true };
  const read = await file.slice(0, kDetectSize).arrayBuffer().catch(() => null);
  if (read === null) return { id, kind: 'failed', unreadable: true };
  const start = new Uint8Array(read);
  const binary = pismovar.looksBinary(start.subarray(0, kBinaryCheckSize));
  const guess = pismovar.detect(start, { start: file.size > kDetectSize });
  return { id, kind: 'inspected', empty: false, binary, guess };
}

// Where converted text goes: a file in the origin's private file system where the browser
// has one (written as it comes, so that memory holds one chunk whatever the file's size),
// otherwise pieces of a Blob.
async function openResult() {
  try {
    const folder = await navigator.storage.getDirectory();
    const name = `result-${crypto.randomUUID()}`;
    const handle = await folder.getFileHandle(name, { create: true });
    const access = await handle.createSyncAccessHandle();
    access.truncate(0);
    let at = 0;
    return {
      keep(bytes) {
        at += access.write(bytes, { at });
      },
      async finish() {
        access.flush();
        access.close();
        return handle.getFile();
      },
      discard() {
        access.close();
        folder.removeEntry(name).catch(() => {});
      },
    };
  } catch {
    return blobResult();
  }
}

function blobResult() {
  const pieces = [];
  let piece = [];
  let pieceSize = 0;
  return {
    keep(bytes) {
      piece.push(bytes);
      pieceSize += bytes.length;
      if (pieceSize >= kPieceSize) {
        pieces.push(new Blob(piece));
        piece = [];
        pieceSize = 0;
      }
    },
    async finish() {
      pieces.push(new Blob(piece));
      return new Blob(pieces);
    },
    discard() {},
  };
}

// Results a day old are of no use to any page still open; newer ones may be another tab's.
const kResultLifetime = 24 * 60 * 60 * 1000;
async function removeOldResults() {
  try {
    const folder = await navigator.storage.getDirectory();
    for await (const [name, handle] of folder.entries()) {
      if (!name.startsWith('result-') || handle.kind !== 'file') continue;
      const { lastModified } = await handle.getFile();
      if (Date.now() - lastModified > kResultLifetime) await folder.removeEntry(name);
    }
  } catch {
    // Without the private file system the results are Blobs, which go with the page.
  }
}

async function convert({ id, file, options }) {
  const converter = pismovar.createConverter(options);
  const result = await openResult();
  let done = 0;
  let lastProgress = 0;
  let finished = false;
  const keep = (bytes) => {
    if (bytes.length > 0) result.keep(bytes);
  };
  try {
    const reader = file.stream().getReader();
    for (;;) {
      const { value, done: end } = await reader.read().catch(() => ({ unreadable: true }));
      if (value === undefined && !end) return { id, kind: 'failed', unreadable: true };
      if (end) break;
      if (cancelled.has(id)) {
        await reader.cancel();
        return { id, kind: 'cancelled' };
      }
      keep(converter.push(value).bytes);
      done += value.length;
      const now = performance.now();
      if (now - lastProgress >= kProgressInterval) {
        lastProgress = now;
        postMessage({ id, kind: 'progress', done, total: file.size });
        // The file's chunks can arrive without a pause in which a cancel is read.
        await new Promise((resolve) => setTimeout(resolve, 0));
      }
    }
    keep(converter.end().bytes);
    finished = true;
  } catch (error) {
    if (error instanceof pismovar.ReplacedError) return { id, kind: 'refused', replaced: error.replaced };
    throw error;
  } finally {
    converter.close();
    cancelled.delete(id);
    if (!finished) result.discard();
  }
  return { id, kind: 'converted', blob: await result.finish(), replaced: converter.replaced };
}

function repair({ id, bytes, encoding }) {
  const repaired = pismovar.repair(bytes, { encoding });
  const asText = (b) => new TextDecoder().decode(encoding === 7 ? b : pismovar.convert(b, { from: encoding, to: 7 }).bytes);
  return {
    id,
    kind: 'repaired',
    before: asText(bytes),
    after: asText(repaired.bytes),
    passes: repaired.passes,
    misreading: repaired.misreading,
    characters: repaired.characters,
  };
}

const handlers = { inspect, convert, repair };

onmessage = async ({ data }) => {
  if (data.kind === 'cancel') {
    cancelled.add(data.id);
    return;
  }
  try {
    postMessage(await handlers[data.kind](data));
  } catch (error) {
    postMessage({ id: data.id, kind: 'failed', unreadable: false, reason: String(error?.message ?? error) });
  }
};

await removeOldResults();
postMessage({ kind: 'ready', form: pismovar.form });
