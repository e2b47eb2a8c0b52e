// The page: takes files and folders, hands them to the worker one by one, and lists what comes
// back as links to download. Nothing leaves the page: every file is read and written here.
const TEXTS = {
  en: {
    title: 'wpconv: OASYS documents and HTML, in your browser',
    intro: 'OASYS documents to HTML and HTML to OASYS documents.',
    private: 'Your files stay on this computer: the conversion runs in this page, and the page sends nothing anywhere.',
    drop: 'Drop files or folders here, or choose them:',
    pickFiles: 'Files',
    pickFolder: 'A folder',
    inFolders: 'In folders, convert',
    toHtml: 'documents (.OA2, .DOC) to HTML',
    toDoc: 'HTML (.htm, .html) to documents',
    direction: 'A file\'s extension gives the direction: one beginning with H is HTML and becomes a .DOC and a .FMT file; any other is a document and becomes an .HTM file.',
    loading: 'Loading the converter…',
    ready: (version) => `Ready (wpconv ${version}).`,
    broken: 'The converter could not be loaded.',
    working: (done, total, name, percent) => `Converting ${done + 1} of ${total}: ${name}${percent}`,
    finished: (converted, refused, skipped) =>
      `Done: ${converted} converted, ${refused} refused${skipped ? `, ${skipped} skipped in folders` : ''}.`,
    zip: 'Download all (.zip)',
    zipping: 'Making the zip…',
  },
  ja: {
    title: 'wpconv: OASYS 文書と HTML の変換（ブラウザー版）',
    intro: 'OASYS の文書を HTML に、HTML を OASYS の文書に変換します。',
    private: 'ファイルはこのコンピューターから出ません。変換はこのページの中で行われ、このページはどこにも何も送信しません。',
    drop: 'ファイルやフォルダーをここにドロップするか、選んでください：',
    pickFiles: 'ファイル',
    pickFolder: 'フォルダー',
    inFolders: 'フォルダーの中で変換するもの',
    toHtml: '文書（.OA2、.DOC）を HTML に',
    toDoc: 'HTML（.htm、.html）を文書に',
    direction: '変換の向きは拡張子で決まります。H で始まる拡張子は HTML として .DOC と .FMT に、それ以外は文書として .HTM に変換します。',
    loading: '変換プログラムを読み込んでいます…',
    ready: (version) => `準備ができました（wpconv ${version}）。`,
    broken: '変換プログラムを読み込めませんでした。',
    working: (done, total, name, percent) => `変換中 ${done + 1} / ${total}：${name}${percent}`,
    finished: (converted, refused, skipped) =>
      `完了：変換 ${converted} 件、変換できなかったもの ${refused} 件${skipped ? `、フォルダー内で対象外 ${skipped} 件` : ''}。`,
    zip: 'すべてダウンロード（.zip）',
    zipping: 'zip を作っています…',
  },
};
const language = (navigator.languages?.[0] ?? navigator.language ?? '').toLowerCase();
const text = language.startsWith('ja') ? TEXTS.ja : TEXTS.en;
document.documentElement.lang = text === TEXTS.ja ? 'ja' : 'en';
document.title = text.title;
for (const element of document.querySelectorAll('[data-text]')) {
  element.textContent = text[element.dataset.text];
}

const $ = (id) => document.getElementById(id);
const status = $('status');
const results = $('results');
const pickers = [$('files'), $('folder')];
const worker = new Worker('worker.js');
let ready = false;
const outputs = []; // {path, blob} of every output so far, for the zip
const queue = new Map(); // id -> {path, item}, in the order sent
let nextId = 0;
const LARGE = 4 << 20;
const counts = { total: 0, finished: 0, converted: 0, refused: 0, skipped: 0 };

function finalName(path) {
  return path.slice(path.lastIndexOf('/') + 1);
}

// Sends one input to the worker; `inFolder` when it was found in a folder, where only the files
// wpconv-batch would pick are converted.
function add(file, path, inFolder) {
  const id = nextId++;
  const item = document.createElement('li');
  queue.set(id, { path, item });
  counts.total++;
  $('zip').disabled = true; // until every output is in
  worker.postMessage({
    type: 'convert', id, file, path, inFolder, toDocuments: $('in-folders').value === 'doc',
  });
}

// The progress line; a share of the file only for one large enough to take a while.
function showProgress(id, done = 0, size = 0) {
  const percent = size >= LARGE ? ` (${Math.floor((done / size) * 100)} %)` : '';
  status.textContent = text.working(counts.finished, counts.total, queue.get(id).path, percent);
}

function finish(id, done) {
  const { path, item } = queue.get(id);
  queue.delete(id);
  counts.finished++;
  if (done.type === 'skipped') {
    counts.skipped++;
  } else {
    item.append(`${path} → `);
    for (const output of done.outputs) {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(output.blob);
      link.download = finalName(output.path);
      link.textContent = output.path;
      item.append(link);
      outputs.push(output);
    }
    if (done.message) {
      const refusal = document.createElement('span');
      refusal.className = 'refused';
      refusal.textContent = done.message.trim();
      item.append(refusal);
      counts.refused++;
    } else {
      counts.converted++;
    }
    results.append(item);
  }
  if (queue.size === 0) {
    status.textContent = text.finished(counts.converted, counts.refused, counts.skipped);
    $('zip').disabled = outputs.length === 0;
  } else {
    showProgress(queue.keys().next().value);
  }
}

worker.onmessage = ({ data }) => {
  switch (data.type) {
    case 'ready':
      ready = true;
      for (const picker of pickers) picker.disabled = false;
      status.textContent = text.ready(data.version);
      break;
    case 'broken':
      status.textContent = text.broken;
      break;
    case 'progress':
      showProgress(data.id, data.done, data.size);
      break;
    case 'zipped': {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(data.blob);
      link.download = 'wpconv.zip';
      link.click();
      status.textContent = text.finished(counts.converted, counts.refused, counts.skipped);
      break;
    }
    default:
      finish(data.id, data);
  }
};

// Should the module ever stop short, say so rather than wait for ever.
worker.onerror = () => {
  status.textContent = text.broken;
};

$('files').addEventListener('change', (event) => {
  for (const file of event.target.files) add(file, file.name, false);
  event.target.value = '';
});
$('folder').addEventListener('change', (event) => {
  const files = [...event.target.files].sort((a, b) => compare(a.webkitRelativePath, b.webkitRelativePath));
  for (const file of files) add(file, file.webkitRelativePath, true);
  event.target.value = '';
});
$('zip').addEventListener('click', () => {
  status.textContent = text.zipping;
  worker.postMessage({ type: 'zip', entries: outputs });
});

// By bytes, as wpconv-batch orders a folder's entries.
function compare(a, b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// Every file under a dropped folder, by its path from the folder's parent.
async function walk(entry, found) {
  if (entry.isFile) {
    found.push({ file: await new Promise((resolve, reject) => entry.file(resolve, reject)), path: entry.fullPath.slice(1) });
    return;
  }
  const reader = entry.createReader();
  const entries = [];
  for (let batch; (batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject))).length;) {
    entries.push(...batch);
  }
  entries.sort((a, b) => compare(a.name, b.name));
  for (const child of entries) await walk(child, found);
}

const drop = $('drop');
drop.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', async (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  if (!ready) return;
  const entries = [...event.dataTransfer.items].map((item) => item.webkitGetAsEntry?.()).filter(Boolean);
  if (entries.length === 0) {
    for (const file of event.dataTransfer.files) add(file, file.name, false);
    return;
  }
  for (const entry of entries) {
    if (entry.isFile) {
      add(await new Promise((resolve, reject) => entry.file(resolve, reject)), entry.name, false);
    } else {
      const found = [];
      await walk(entry, found);
      for (const { file, path } of found) add(file, path, true);
    }
  }
});

if ('serviceWorker' in navigator && window.isSecureContext) {
  // Keeps the page's files for use without a network; registering fails harmlessly elsewhere.
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
