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
// A file is converted in chunks of this size, which the reading thread reads into this many
// buffers while the chunk before converts.
const kReadSize = 4 << 20;
const kReadBuffers = 3;

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
      // Closed without a flush: the result is read back soon and need not outlive a crash,
      // and a flush waits for the disk.
      async finish() {
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
      piece.push(bytes.slice());
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

// The reading thread, started with the first conversion.
let readThread = null;

// The chunks of `file` from the reading thread: `next()` gives the next one (null at the end,
// and throws when the file cannot be read), `recycle(chunk)` lends its buffer back, `stop()`
// ends the reading.
function readChunks(id, file) {
  readThread ??= new Worker(new URL('reader.js', import.meta.url), { type: 'module' });
  const arrived = [];
  let wake = null;
  const listen = ({ data }) => {
    if (data.id !== id) return;
    arrived.push(data);
    wake?.();
  };
  readThread.addEventListener('message', listen);
  const buffers = Array.from({ length: kReadBuffers }, () => new ArrayBuffer(kReadSize));
  readThread.postMessage({ kind: 'read', id, file, buffers }, buffers);
  return {
    async next() {
      while (arrived.length === 0) await new Promise((resolve) => { wake = resolve; });
      const message = arrived.shift();
      if (message.kind === 'failed') throw new Error('unreadable');
      return message.kind === 'end' ? null : message.chunk;
    },
    recycle(chunk) {
      readThread.postMessage({ kind: 'recycle', id, buffer: chunk.buffer }, [chunk.buffer]);
    },
    stop() {
      readThread.removeEventListener('message', listen);
      readThread.postMessage({ kind: 'cancel', id });
    },
  };
}

async function convert({ id, file, options }) {
  const converter = pismovar.createConverter(options);
  const result = await openResult();
  const chunks = readChunks(id, file);
  let done = 0;
  let lastProgress = 0;
  let finished = false;
  try {
    for (;;) {
      // The chunks come as messages, between which a cancel is read.
      const chunk = await chunks.next().catch(() => undefined);
      if (chunk === undefined) return { id, kind: 'failed', unreadable: true };
      if (chunk === null) break;
      if (cancelled.has(id)) return { id, kind: 'cancelled' };
      // Converted text goes from the engine's memory straight to the result.
      converter.pushTo(chunk, result.keep);
      done += chunk.length;
      chunks.recycle(chunk);
      const now = performance.now();
      if (now - lastProgress >= kProgressInterval) {
        lastProgress = now;
        postMessage({ id, kind: 'progress', done, total: file.size });
      }
    }
    converter.endTo(result.keep);
    finished = true;
  } catch (error) {
    if (error instanceof pismovar.ReplacedError) return { id, kind: 'refused', replaced: error.replaced };
    throw error;
  } finally {
    chunks.stop();
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
