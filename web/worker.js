// Runs the converter's WebAssembly module away from the page, one file at a time, so that the
// page stays responsive. Messages in: {type: 'convert', id, file, path, inFolder, toDocuments}
// and {type: 'zip', id, entries: [{path, blob}]}; out: 'ready' or 'broken' once, then
// 'progress', 'done', 'skipped' and 'zipped'.
importScripts('wpconv.js', 'fflate.js');

const CHUNK = 1 << 20; // bytes read from a file at a time
const INPUT = 0;       // which input the module reads, as in wpconv_web.cpp
let wasm;
let template;

Promise.all([
  createWpconv(),
  fetch('wpconv.FMT').then((response) => {
    if (!response.ok) throw new Error(`wpconv.FMT: ${response.status}`);
    return response.arrayBuffer();
  }),
]).then(([module, bytes]) => {
  wasm = module;
  template = new Uint8Array(bytes);
  postMessage({ type: 'ready', version: wasm.ccall('wpconv_version', 'string', [], []) });
}, (error) => postMessage({ type: 'broken', error: String(error) }));

// Hands out `bytes` a piece at a time; -1 once the file can no longer be read.
function reader(id, file) {
  const sync = new FileReaderSync();
  let chunk = new Uint8Array(0);
  let start = 0; // where `chunk` begins in the file
  let offset = 0;
  return (view) => {
    if (offset === start + chunk.length) {
      if (offset >= file.size) return 0;
      try {
        chunk = new Uint8Array(sync.readAsArrayBuffer(file.slice(offset, offset + CHUNK)));
      } catch {
        return -1;
      }
      start = offset;
      if (chunk.length === 0) return 0;
      postMessage({ type: 'progress', id, done: offset, size: file.size });
    }
    const n = Math.min(view.length, start + chunk.length - offset);
    view.set(chunk.subarray(offset - start, offset - start + n));
    offset += n;
    return n;
  };
}

function convert({ id, file, path, inFolder, toDocuments }) {
  if (inFolder && !wasm.ccall('wpconv_wanted_in_folder', 'number', ['string', 'number'],
    [path, toDocuments ? 1 : 0])) {
    postMessage({ type: 'skipped', id });
    return;
  }
  let readInput = reader(id, file);
  let templateOffset = 0;
  const outputs = [];
  wasm.wpconvRead = (which, view) => {
    if (which === INPUT) return readInput(view);
    const n = Math.min(view.length, template.length - templateOffset);
    view.set(template.subarray(templateOffset, templateOffset + n));
    templateOffset += n;
    return n;
  };
  // HTML is read twice: once to choose its reader, then to convert it.
  wasm.wpconvRewind = (which) => {
    if (which === INPUT) readInput = reader(id, file);
    else templateOffset = 0;
    return true;
  };
  // A name made again begins anew: HTML found half-way to be of another dialect.
  wasm.wpconvCreate = (name) => {
    const again = outputs.findIndex((output) => output.name === name);
    if (again < 0) return outputs.push({ name, parts: [] }) - 1;
    outputs[again].parts = [];
    return again;
  };
  wasm.wpconvWrite = (output, bytes) => {
    outputs[output].parts.push(bytes);
    return true;
  };
  const complete = wasm.ccall('wpconv_convert', 'number', ['string'], [path]);
  postMessage({
    type: 'done',
    id,
    outputs: outputs.slice(0, complete).map(({ name, parts }) => ({
      path: name,
      blob: new Blob(parts, { type: 'application/octet-stream' }),
    })),
    message: wasm.ccall('wpconv_message', 'string', [], []),
  });
}

function zip({ id, entries }) {
  const sync = new FileReaderSync();
  const files = {};
  for (const { path, blob } of entries) {
    // Files of the same name picked from different folders each keep their output.
    let unique = path;
    for (let n = 2; unique in files; n++) unique = path.replace(/(\.[^./]*)?$/, ` (${n})$1`);
    files[unique] = new Uint8Array(sync.readAsArrayBuffer(blob));
  }
  const bytes = fflate.zipSync(files, { level: 6 });
  postMessage({ type: 'zipped', id, blob: new Blob([bytes], { type: 'application/zip' }) });
}

onmessage = ({ data }) => (data.type === 'zip' ? zip(data) : convert(data));
