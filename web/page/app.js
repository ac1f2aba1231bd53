// The page: files in, the guess and the user's final say for each, conversion in the worker
// with progress and cancel, downloads one by one or as a ZIP, and repair with a preview.
import { t, translatePage } from './i18n.js';
import { codePages, lineEnds } from './pkg/names.js';

const $ = (selector) => document.querySelector(selector);
const kUtf8 = 7;

translatePage();

// A request to the worker, answered by one final message; progress messages go to `onProgress`.
let worker = null;
let nextId = 1;
const pending = new Map();
function ask(message, onProgress = () => {}, transfer = []) {
  const id = nextId++;
  return {
    id,
    answer: new Promise((resolve) => {
      pending.set(id, { resolve, onProgress });
      worker.postMessage({ ...message, id }, transfer);
    }),
  };
}

function startWorker() {
  if (typeof WebAssembly !== 'object') {
    $('#no-wasm').hidden = false;
    return;
  }
  worker = new Worker('worker.js', { type: 'module' });
  worker.onerror = () => {
    $('#no-wasm').hidden = false;
  };
  worker.onmessage = ({ data }) => {
    if (data.kind === 'ready') {
      $('#engine-form').textContent = t(data.form === 'simd' ? 'formSimd' : 'formScalar');
      document.body.dataset.ready = 'true';
      return;
    }
    const request = pending.get(data.id);
    if (!request) return;
    if (data.kind === 'progress') {
      request.onProgress(data);
      return;
    }
    pending.delete(data.id);
    request.resolve(data);
  };
}

function fillSelect(select, values, selected, extra) {
  select.replaceChildren();
  if (extra) select.append(new Option(extra.caption, extra.value));
  for (const { number, caption } of values) select.append(new Option(t(caption), String(number)));
  select.value = String(selected);
}

fillSelect($('#to'), codePages, kUtf8);
fillSelect($('#eol-out'), lineEnds, '', { caption: t('eolKeep'), value: '' });

// The files on the list, each with its row in the table.
const rows = [];

function status(text) {
  $('#status').textContent = text;
}

function updateButtons(busy = false) {
  const convertible = rows.some((row) => row.inspected && !row.empty && !row.unreadable);
  $('#convert').disabled = busy || !convertible;
  $('#cancel').disabled = !busy;
  $('#download-all').disabled = busy || rows.filter((row) => row.blob).length < 2;
  $('#files').hidden = rows.length === 0;
  $('#empty-list').hidden = rows.length > 0;
}

function addRow(file) {
  const row = { file, name: file.name, from: 0, eolIn: 0, inspected: false };
  const tr = document.createElement('tr');
  const name = document.createElement('th');
  name.scope = 'row';
  name.textContent = file.name;
  const guess = document.createElement('td');
  guess.textContent = t('reading');
  const from = document.createElement('select');
  from.setAttribute('aria-label', t('guessLabel', { name: file.name }));
  from.className = 'from';
  fillSelect(from, codePages, 0);
  from.onchange = () => { row.from = Number(from.value); };
  const eolIn = document.createElement('select');
  eolIn.setAttribute('aria-label', t('eolInLabel', { name: file.name }));
  eolIn.className = 'eol-in';
  fillSelect(eolIn, lineEnds, 0);
  eolIn.onchange = () => { row.eolIn = Number(eolIn.value); };
  const result = document.createElement('td');
  result.className = 'result';
  const remove = document.createElement('button');
  remove.type = 'button';
  remove.textContent = '×';
  remove.setAttribute('aria-label', t('remove', { name: file.name }));
  remove.onclick = () => {
    rows.splice(rows.indexOf(row), 1);
    if (row.url) URL.revokeObjectURL(row.url);
    tr.remove();
    updateButtons();
  };
  const cell = (child) => {
    const td = document.createElement('td');
    td.append(child);
    return td;
  };
  tr.append(name, guess, cell(from), cell(eolIn), result, cell(remove));
  $('#files tbody').append(tr);
  Object.assign(row, { tr, guessCell: guess, fromSelect: from, eolSelect: eolIn, result });
  rows.push(row);
  return row;
}

function showResult(row, ...children) {
  row.result.replaceChildren(...children);
}

function paragraph(text, className = '') {
  const p = document.createElement('p');
  p.textContent = text;
  if (className) p.className = className;
  return p;
}

async function inspect(row) {
  const answer = await ask({ kind: 'inspect', file: row.file }).answer;
  row.inspected = true;
  if (answer.kind === 'failed') {
    row.unreadable = true;
    row.guessCell.textContent = '';
    showResult(row, paragraph(t('unreadable'), 'error'));
  } else if (answer.empty) {
    row.empty = true;
    row.guessCell.textContent = '';
    showResult(row, paragraph(t('empty'), 'warn'));
  } else {
    const { codePage, lineEnd, confidence } = answer.guess;
    row.guessCell.textContent = t('guess', {
      codePage: t(codePages[codePage].caption),
      lineEnd: t(lineEnds[lineEnd].caption),
      confidence,
    });
    row.from = codePage;
    row.eolIn = lineEnd;
    row.fromSelect.value = String(codePage);
    row.eolSelect.value = String(lineEnd);
    if (answer.guess.damage) offerRepair(row, answer.guess.damage);
    if (answer.binary) {
      row.binary = true;
      const force = document.createElement('input');
      force.type = 'checkbox';
      force.className = 'force';
      force.onchange = () => { row.force = force.checked; };
      const label = document.createElement('label');
      label.append(force, ' ', t('binaryForce'));
      showResult(row, paragraph(t('binary'), 'warn'), label);
    }
  }
  updateButtons();
}

// The repair section shows a repair's text before and after, and what it undid.
function showRepair(answer) {
  $('#repair-before').textContent = answer.before;
  $('#repair-after').textContent = answer.after;
  $('#repair-summary').textContent =
    answer.passes === 0
      ? t('repairNone')
      : t('repairDone', {
          characters: answer.characters,
          right: t(codePages[answer.misreading.right].caption),
          wrong: t(codePages[answer.misreading.wrong].caption),
        });
}

// A file whose text looks damaged by a wrong reading says so and offers the repair, shown
// before and after; the repaired text then takes the file's place on the list.
function offerRepair(row, damage) {
  const button = document.createElement('button');
  button.type = 'button';
  button.textContent = t('repair');
  button.setAttribute('aria-label', t('repairFileLabel', { name: row.name }));
  button.onclick = async () => {
    button.disabled = true;
    const answer = await ask({ kind: 'repair', file: row.file, encoding: kUtf8 }).answer;
    if (answer.kind === 'failed') {
      showResult(row, paragraph(answer.tooLarge ? t('repairTooLarge') : t('unreadable'), 'error'));
      return;
    }
    showRepair(answer);
    $('#repair-summary').scrollIntoView({ block: 'nearest' });
    row.file = new File([answer.bytes], row.name, { type: 'text/plain' });
    row.inspected = false;
    row.guessCell.textContent = t('reading');
    showResult(row);
    await inspect(row);
    if (!row.result.hasChildNodes()) showResult(row, paragraph($('#repair-summary').textContent));
  };
  showResult(row, paragraph(t('damaged', {
    right: t(codePages[damage.right].caption),
    wrong: t(codePages[damage.wrong].caption),
  }), 'warn'), button);
}

function addFiles(files) {
  const added = [...files].map(addRow);
  status(t('statusAdded', { count: added.length }));
  updateButtons();
  return Promise.all(added.map(inspect));
}

// Opening files: the drop area, the keyboard and the file chooser.
const drop = $('#drop');
const chooser = $('#file-input');
drop.onclick = () => chooser.click();
drop.onkeydown = (event) => {
  if (event.key === 'Enter' || event.key === ' ') {
    event.preventDefault();
    chooser.click();
  }
};
chooser.onchange = () => {
  addFiles(chooser.files);
  chooser.value = '';
};
drop.ondragover = (event) => {
  event.preventDefault();
  drop.classList.add('over');
};
drop.ondragleave = () => drop.classList.remove('over');
drop.ondrop = (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  addFiles(event.dataTransfer.files);
};
$('#add-paste').onclick = () => {
  const text = $('#paste').value;
  if (text === '') return;
  addFiles([new File([text], t('pastedName'), { type: 'text/plain' })]);
  $('#paste').value = '';
};

// Converting every file on the list, one after another.
let current = null;
async function onConvert() {
  const to = Number($('#to').value);
  const eolOut = $('#eol-out').value === '' ? undefined : Number($('#eol-out').value);
  const strict = $('#strict').checked;
  const todo = rows.filter((row) => row.inspected && !row.empty && !row.unreadable && (!row.binary || row.force));
  const total = todo.reduce((sum, row) => sum + row.file.size, 0) || 1;
  let before = 0;
  let converted = 0;
  const progress = $('#progress');
  progress.hidden = false;
  progress.value = 0;
  updateButtons(true);
  for (const row of todo) {
    if (row.url) URL.revokeObjectURL(row.url);
    const previous = row.files ?? [];
    row.blob = row.url = row.files = null;
    showResult(row, paragraph(t('converting', { percent: 0 })));
    const options = { from: row.from, to, eolIn: eolOut === undefined ? undefined : row.eolIn, eolOut, strict };
    current = ask({ kind: 'convert', file: row.file, options, previous }, ({ done }) => {
      progress.value = (before + done) / total;
      row.result.firstChild.textContent = t('converting', { percent: Math.floor((100 * done) / row.file.size) });
    });
    const answer = await current.answer;
    before += row.file.size;
    if (answer.kind === 'cancelled') {
      showResult(row, paragraph(t('cancelled')));
      status(t('statusCancelled'));
      break;
    }
    if (answer.kind === 'refused') {
      showResult(row, paragraph(t('refused', { count: answer.replaced }), 'error'));
    } else if (answer.kind === 'failed') {
      showResult(row, paragraph(answer.unreadable ? t('unreadable') : t('failed', { reason: answer.reason }), 'error'));
    } else {
      row.blob = answer.blob;
      row.files = answer.files;
      row.url = URL.createObjectURL(answer.blob);
      const link = document.createElement('a');
      link.href = row.url;
      link.download = row.name;
      link.className = 'download';
      link.textContent = t('download', { name: row.name });
      const children = [paragraph(t('done')), link];
      if (answer.replaced > 0) children.splice(1, 0, paragraph(t('replaced', { count: answer.replaced }), 'warn'));
      showResult(row, ...children);
      converted++;
    }
  }
  current = null;
  progress.value = 1;
  if (!$('#status').textContent.startsWith(t('statusCancelled'))) status(t('statusDone', { count: converted }));
  updateButtons();
}
$('#convert').onclick = () => {
  status('');
  onConvert();
};
$('#cancel').onclick = () => {
  if (current) worker.postMessage({ kind: 'cancel', id: current.id });
};

// Several results as one ZIP, written piece by piece by fflate without compression: text
// compresses well, but storing keeps a large result as fast as the conversion.
$('#download-all').onclick = async () => {
  const { Zip, ZipPassThrough } = await import('./vendor/fflate.js');
  const parts = [];
  const finished = new Promise((resolve, reject) => {
    const zip = new Zip((error, data, final) => {
      if (error) return reject(error);
      parts.push(data);
      if (final) resolve();
    });
    (async () => {
      const used = new Set();
      for (const row of rows.filter((r) => r.blob)) {
        let name = row.name;
        for (let n = 2; used.has(name); n++) name = `${n} ${row.name}`;
        used.add(name);
        const entry = new ZipPassThrough(name);
        zip.add(entry);
        const reader = row.blob.stream().getReader();
        for (;;) {
          const { value, done } = await reader.read();
          if (done) break;
          entry.push(value);
        }
        entry.push(new Uint8Array(0), true);
      }
      zip.end();
    })().catch(reject);
  });
  await finished;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob(parts, { type: 'application/zip' }));
  link.download = t('zipName');
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60_000);
};

// Repair with the text before and after.
$('#repair').onclick = async () => {
  const text = $('#repair-input').value;
  if (text === '') {
    $('#repair-summary').textContent = t('repairEmpty');
    return;
  }
  const bytes = new TextEncoder().encode(text);
  const answer = await ask({ kind: 'repair', bytes, encoding: kUtf8 }, undefined, [bytes.buffer]).answer;
  if (answer.kind === 'failed') {
    $('#repair-summary').textContent = t('failed', { reason: answer.reason });
    return;
  }
  showRepair(answer);
};

startWorker();
updateButtons();

// Offline after the first visit: the service worker keeps the page's files.
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
