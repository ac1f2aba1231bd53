// The page's work off the page's thread: reading files, detection, conversion chunk by
// chunk and repair. It takes one request at a time per id and answers by messages; a cancel
// is noticed between chunks. A long file converts in parts side by side, the first here and
// each other one in another instance of this worker.
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
// A long file converts in parts side by side, each at least this long; a part's start is looked
// for this far past its even share.
const kPartSize = 32 << 20;
const kCutWindow = 64 << 10;

// Repair holds a whole file in memory, several times over: a longer file is left to the
// command-line tool. The preview shows the start of the text.
const kRepairSize = 32 << 20;
const kPreviewLength = 20000;

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

// Converts `file` on this worker's thread and its reading thread, with `onProgress(done)` after
// each chunk.
async function convertPart({ id, file, options }, onProgress) {
  const converter = pismovar.createConverter(options);
  const result = await openResult();
  const chunks = readChunks(id, file);
  let done = 0;
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
      onProgress(done);
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

// The other workers that convert parts of a long file, started as they are needed: more
// instances of this one.
const helpers = [];
// The helpers at work on a request, to which a cancel goes too.
const helping = new Map();

function helper(index) {
  helpers[index] ??= new Promise((resolve, reject) => {
    const worker = new Worker(new URL(import.meta.url), { type: 'module' });
    worker.addEventListener('message', ({ data }) => { if (data.kind === 'ready') resolve(worker); });
    worker.addEventListener('error', () => reject(new Error('a worker did not start')));
  });
  return helpers[index];
}

function ask(worker, request, onProgress) {
  return new Promise((resolve) => {
    const listen = ({ data }) => {
      if (data.id !== request.id) return;
      if (data.kind === 'progress') {
        onProgress(data.done);
        return;
      }
      worker.removeEventListener('message', listen);
      resolve(data);
    };
    worker.addEventListener('message', listen);
    worker.postMessage(request);
  });
}

// Where the parts of `file` begin: one part a processor, each at least kPartSize long. A part
// begins after an ASCII byte that is not a CR and before another ASCII byte, so that no CR LF
// pair or UTF-8 sequence is cut and each part converts as it does within the whole text; the
// first such place in the kCutWindow bytes from a part's even share.
async function partStarts(file) {
  const count = Math.min(navigator.hardwareConcurrency || 1, Math.floor(file.size / kPartSize));
  const starts = [0];
  for (let part = 1; part < count; part++) {
    const from = Math.floor((file.size * part) / count) - 1;
    const bytes = new Uint8Array(await file.slice(from, from + kCutWindow).arrayBuffer().catch(() => new ArrayBuffer(0)));
    const cut = bytes.findIndex((byte, i) => i > 0 && byte < 0x80 && bytes[i - 1] < 0x80 && bytes[i - 1] !== 13);
    if (cut > 0) starts.push(from + cut);
  }
  return starts;
}

// Results in the private file system that are of no use, removed by name.
async function removeResults(names) {
  const folder = await navigator.storage.getDirectory().catch(() => null);
  for (const name of names) if (name?.startsWith('result-')) await folder?.removeEntry(name).catch(() => {});
}

// A long file converts in parts side by side, the first here and each other one in a helper;
// the result is the parts' results one after another, kept in the files named in `files`. One
// part that cannot be converted stops the others. The files of the result this one replaces
// (`previous`) are removed first: nothing can reach them any more, and the disk's cache takes
// back their memory for the new one.
async function convert(request) {
  const { id, file, options } = request;
  await removeResults(request.previous ?? []);
  let lastProgress = 0;
  const progress = [];
  const report = (part) => (done) => {
    progress[part] = done;
    const now = performance.now();
    if (now - lastProgress < kProgressInterval) return;
    lastProgress = now;
    postMessage({ id, kind: 'progress', done: progress.reduce((sum, d) => sum + d, 0), total: file.size });
  };
  const starts = request.part ? [0] : await partStarts(file);
  const workers = await Promise.all(starts.slice(1).map((_, index) => helper(index)));
  helping.set(id, workers);
  const stop = () => {
    cancelled.add(id);
    for (const worker of workers) worker.postMessage({ kind: 'cancel', id });
  };
  const answers = await Promise.all(starts.map(async (start, part) => {
    const piece = { id, file: file.slice(start, starts[part + 1] ?? file.size), options: { ...options, bom: options.bom && part === 0 } };
    const answer = await (part === 0
      ? convertPart(piece, report(0))
      : ask(workers[part - 1], { ...piece, kind: 'convert', part: true }, report(part))).catch((error) => failure(id, error));
    if (answer.kind !== 'converted') stop();
    return answer;
  }));
  helping.delete(id);
  cancelled.delete(id);
  const failed = ['failed', 'refused', 'cancelled'].map((kind) => answers.find((a) => a.kind === kind)).find(Boolean);
  if (failed) {
    await removeResults(answers.filter((a) => a.kind === 'converted').map((a) => a.blob.name));
    return { ...failed, replaced: answers.reduce((sum, a) => sum + (a.kind === 'refused' ? a.replaced : 0), 0) };
  }
  const blob = answers.length === 1 ? answers[0].blob : new Blob(answers.map((a) => a.blob));
  const files = answers.map((a) => a.blob.name).filter(Boolean);
  return { id, kind: 'converted', blob, files, replaced: answers.reduce((sum, a) => sum + a.replaced, 0) };
}

// Repairs pasted text (`bytes`) or a whole file; the answer holds the repaired bytes and the
// start of the text before and after.
async function repair({ id, bytes, file, encoding }) {
  if (file) {
    if (file.size > kRepairSize) return { id, kind: 'failed', tooLarge: true };
    const read = await file.arrayBuffer().catch(() => null);
    if (read === null) return { id, kind: 'failed', unreadable: true };
    bytes = new Uint8Array(read);
  }
  const repaired = pismovar.repair(bytes, { encoding });
  const asText = (b) => {
    const text = new TextDecoder().decode(encoding === 7 ? b : pismovar.convert(b, { from: encoding, to: 7 }).bytes);
    return text.length > kPreviewLength ? `${text.slice(0, kPreviewLength)}…` : text;
  };
  const answer = {
    id,
    kind: 'repaired',
    before: asText(bytes),
    after: asText(repaired.bytes),
    passes: repaired.passes,
    misreading: repaired.misreading,
    characters: repaired.characters,
    bytes: repaired.bytes,
  };
  return [answer, [repaired.bytes.buffer]];
}

const handlers = { inspect, convert, repair };
const failure = (id, error) => ({ id, kind: 'failed', unreadable: false, reason: String(error?.message ?? error) });

onmessage = async ({ data }) => {
  if (data.kind === 'cancel') {
    cancelled.add(data.id);
    for (const worker of helping.get(data.id) ?? []) worker.postMessage(data);
    return;
  }
  try {
    const answer = await handlers[data.kind](data);
    if (Array.isArray(answer)) {
      postMessage(...answer);
    } else {
      postMessage(answer);
    }
  } catch (error) {
    postMessage(failure(data.id, error));
  }
};

await removeOldResults();
postMessage({ kind: 'ready', form: pismovar.form });
