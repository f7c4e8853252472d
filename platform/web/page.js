// Corvane's page: starts the program (corvane.js) with the pictures from the browser's
// storage or the shipped ones, builds the menu bar from the program's menu table, shows its
// message boxes and title, sends it the keys and the canvas's size, and says when it ended.
// URL parameters (size, frames, step-ms, command, key) run a script, as corvane-snapshot.
'use strict';
const $ = (id) => document.getElementById(id);
const canvas = $('canvas');
const kPictures = ['wood.bmp', 'floor.bmp', 'stained.bmp'];
// The program's key numbers (platform::Key) by KeyboardEvent.code.
const kKeys = { Escape: 1, Space: 2, Pause: 3, ArrowLeft: 16, ArrowRight: 17, ArrowUp: 18,
  ArrowDown: 19, Home: 20, End: 21 };
for (let n = 1; n <= 12; ++n) kKeys['F' + n] = 3 + n;
const keysSeen = window.corvaneKeysSeen = new Set();  // codes that reached the page

function notice(text) { $('notice').textContent = text; $('notice').hidden = false; }

// ---- The menu bar: built from the program's entries (item, separator, popup, end) ----
const menuStack = [$('menubar')];
const menuItems = new Map();  // command id -> its button

function menuAdd(kind, text, id) {
  const parent = menuStack[menuStack.length - 1];
  if (kind === 3) { menuStack.pop(); return; }
  const li = document.createElement('li');
  parent.append(li);
  if (kind === 1) { li.append(document.createElement('hr')); return; }
  // '&' marks the mnemonic ("&&" is a plain '&'); the shortcut text follows a tab.
  const [label, accel = ''] = text.replace(/&(&?)/g, '$1').split('\t');
  const button = document.createElement('button');
  button.type = 'button';
  button.setAttribute('role', 'menuitem');
  button.innerHTML = '<span class="check"></span><span class="label"></span><span class="accel"></span>';
  button.children[1].textContent = label.trim();
  button.children[2].textContent = accel.trim();
  li.append(button);
  if (kind === 2) {
    const ul = document.createElement('ul');
    ul.setAttribute('role', 'menu');
    li.append(ul);
    if (parent !== menuStack[0]) li.classList.add('sub');
    menuStack.push(ul);
    return;
  }
  menuItems.set(id, button);
  button.addEventListener('click', () => {
    closeMenus();
    Module._web_command(id);
  });
}

function menuItem(id, checked, enabled, checkable) {
  const button = menuItems.get(id);
  if (!button) return;
  button.disabled = !enabled;
  button.children[0].textContent = checked ? '\u2713' : '';
  if (checkable) button.setAttribute('aria-checked', String(checked));
}

function closeMenus() { canvas.focus(); }

// Arrows move through a menu's items; Escape leaves the menu for the canvas.
$('menubar').addEventListener('keydown', (event) => {
  const here = event.target.closest('li');
  const step = { ArrowDown: 'nextElementSibling', ArrowUp: 'previousElementSibling' }[event.key];
  let next = null;
  if (event.key === 'Escape') closeMenus();
  else if (step) for (next = here[step]; next && !next.querySelector('button:enabled'); next = next[step]);
  else if (event.key === 'ArrowRight') next = here.querySelector('ul > li');
  if (next) next.querySelector('button').focus();
  if (step || event.key === 'Escape' || event.key === 'ArrowRight') event.preventDefault();
});

// ---- Message boxes: modal, answered with OK, Yes or No ----
function messageBox(text, caption, yesNo, icon, answer) {
  const box = $('box');
  $('box-caption').textContent = caption;
  $('box-text').textContent = text;
  box.className = 'icon' + icon;
  $('box-ok').hidden = yesNo;
  $('box-yes').hidden = $('box-no').hidden = !yesNo;
  box.onclose = () => { canvas.focus(); answer(Number(box.returnValue || 1)); };
  box.oncancel = (event) => { if (yesNo) event.preventDefault(); };  // Esc: OK, never Yes
  box.returnValue = '';
  box.showModal();
  (yesNo ? $('box-yes') : $('box-ok')).focus();
}

function ended(code) {
  $('exit-code').textContent = code;
  $('ended').hidden = false;
  document.title = 'Corvane has ended';
}

// ---- Keys: the program's keys while the page has the focus, out of menus and boxes ----
function onKey(event) {
  const key = kKeys[event.code];
  if (!key || event.altKey || event.ctrlKey || event.metaKey || !Module._web_key ||
      event.target.closest('#menubar, dialog, footer')) return;
  event.preventDefault();
  if (event.type === 'keydown') keysSeen.add(event.code);
  Module._web_key(key, event.type === 'keydown' ? 1 : 0);
}
addEventListener('keydown', onKey);
addEventListener('keyup', onKey);
addEventListener('blur', () => Module._web_release_keys && Module._web_release_keys());
$('keynote').textContent = 'F11 may be kept by the browser (full screen): Options \u25B8 ' +
  'Spot Light 2 \u25B8 Move does the same.';

// ---- Pictures: the user's, kept in IndexedDB by name, else the shipped ones ----
function pictureStore(mode, work) {
  return new Promise((resolve, reject) => {
    const open = indexedDB.open('corvane', 1);
    open.onupgradeneeded = () => open.result.createObjectStore('pictures');
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
      const transaction = open.result.transaction('pictures', mode);
      const request = work(transaction.objectStore('pictures'));
      transaction.oncomplete = () => resolve(request && request.result);
      transaction.onerror = () => reject(transaction.error);
    };
  });
}

async function storePictures(files) {
  const chosen = [...files].filter((file) => kPictures.includes(file.name.toLowerCase()));
  const others = [...files].filter((file) => !chosen.includes(file)).map((file) => file.name);
  for (const file of chosen) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    await pictureStore('readwrite', (store) => store.put(bytes, file.name.toLowerCase()));
  }
  $('picture-note').textContent = (chosen.length ? 'Kept ' + chosen.map((f) => f.name).join(', ') +
    ' for the next start. ' : '') + (others.length ? 'Not one of the three names: ' +
    others.join(', ') + '.' : '');
}

async function readPictures() {
  for (const name of kPictures) {
    let bytes = null;
    try { bytes = await pictureStore('readonly', (store) => store.get(name)); } catch (e) { }
    if (!bytes) {
      const response = await fetch(name);
      bytes = response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
    }
    if (bytes) Module.FS.writeFile(name, bytes);
  }
}

$('picture-files').addEventListener('change', (event) => storePictures(event.target.files));
$('shipped').addEventListener('click', async () => {
  await pictureStore('readwrite', (store) => store.clear());
  $('picture-note').textContent = 'The shipped pictures are used from the next start.';
});
addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
addEventListener('dragleave', () => document.body.classList.remove('dragging'));
addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  storePictures(event.dataTransfer.files);
});
$('again').addEventListener('click', () => location.reload());

// ---- Start-up ----
const params = new URLSearchParams(location.search);
const args = [];
for (const [name, value] of params)
  if (['size', 'frames', 'step-ms', 'command', 'key'].includes(name)) args.push('--' + name, value);
const scripted = args.length > 0;
document.body.classList.toggle('scripted', scripted);

function fitCanvas() {
  if (scripted) return;
  canvas.width = Math.max(1, canvas.clientWidth);
  canvas.height = Math.max(1, canvas.clientHeight);
  if (Module._web_resized) Module._web_resized();
}
addEventListener('resize', fitCanvas);

var Module = {
  canvas: canvas,
  page: { menuAdd, menuItem, messageBox, ended, title: (text) => {
    document.title = text;
    $('title').textContent = text;
  }, scriptedDone: () => { document.body.dataset.scripted = 'done'; } },
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onAbort: (what) => notice('Corvane could not start: ' + what),
  onRuntimeInitialized: async () => {
    fitCanvas();
    await readPictures();
    canvas.focus();
    Module.callMain(args);
  },
};

if (location.protocol === 'file:') {
  notice('A browser will not load corvane.wasm from a file: serve this folder, e.g. ' +
    'scripts/run-web.sh, or python3 -m http.server here, and open http://127.0.0.1:8000/.');
} else {
  const script = document.createElement('script');
  script.src = 'corvane.js';
  document.body.append(script);
}
