// The conversion worker's reading thread: it reads a file in chunks into the buffers the
// conversion worker lends it and sends each chunk over as it fills, so that the copying of the
// file's bytes out of the browser goes on while the conversion worker converts the chunk
// before. A buffer comes back once its chunk is converted: the chunks under way are never more
// than the buffers lent.

// The reads of the conversions under way, by their ids; the conversion worker ends each with a
// cancel, whether or not the file was read to its end.
const jobs = new Map();

// Where the browser's file stream is a byte stream, each read fills a lent buffer; otherwise
// each chunk is a slice of the file read into a buffer of its own.
function openFile(file) {
  try {
    const reader = file.stream().getReader({ mode: 'byob' });
    return {
      async read(buffer) {
        // The last chunk may come with the stream's end, and the end after it empty.
        const { value } = await reader.read(new Uint8Array(buffer), { min: buffer.byteLength });
        return value?.byteLength > 0 ? value : null;
      },
      cancel: () => reader.cancel(),
    };
  } catch {
    let at = 0;
    return {
      async read(buffer) {
        if (at >= file.size) return null;
        return new Uint8Array(await file.slice(at, (at += buffer.byteLength)).arrayBuffer());
      },
      cancel: async () => {},
    };
  }
}

async function read({ id, file, buffers }) {
  const mine = { file: openFile(file), free: buffers, wake: null, cancelled: false };
  jobs.set(id, mine);
  const wait = () => new Promise((resolve) => { mine.wake = resolve; });
  try {
    for (;;) {
      while (mine.free.length === 0 && !mine.cancelled) await wait();
      if (mine.cancelled) return;
      const chunk = await mine.file.read(mine.free.pop());
      if (mine.cancelled) return;
      if (chunk === null) {
        postMessage({ id, kind: 'end' });
        return;
      }
      postMessage({ id, kind: 'chunk', chunk }, [chunk.buffer]);
    }
  } catch {
    if (!mine.cancelled) postMessage({ id, kind: 'failed' });
  }
}

onmessage = ({ data }) => {
  if (data.kind === 'read') {
    read(data);
    return;
  }
  const job = jobs.get(data.id);
  if (!job) return;
  if (data.kind === 'recycle') {
    job.free.push(data.buffer);
  } else if (data.kind === 'cancel') {
    jobs.delete(data.id);
    job.cancelled = true;
    job.file.cancel().catch(() => {});
  }
  job.wake?.();
};
