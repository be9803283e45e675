// The extension's background: keeps a native-messaging connection to Formix's relay and answers
// Formix's requests (tell the focused window, collect the facts of the active tab's controls,
// fill controls, undo the last fill; in Firefox also mark the window's title). It does nothing on
// its own: no page is read except on Formix's request, what is read goes to the relay only, and
// nothing is ever written into a page except the values of a fill and, on the person's undo (from
// Formix or the toolbar button), what the fill replaced.
'use strict';

// Chromium also has `browser` now; only Firefox can tell about itself.
const firefox = typeof globalThis.browser !== 'undefined' && typeof globalThis.browser.runtime.getBrowserInfo === 'function';
const api = firefox ? globalThis.browser : globalThis.chrome;
if (typeof formixFacts === 'undefined') importScripts('facts.js');

const HOST = 'formix.bridge';
const PROTOCOL_VERSION = 2;
// Formix refuses larger messages; a page that big is answered with an error instead.
const MAX_MESSAGE = 32 * 1024 * 1024;
// Frames one read reports; those after them in document order are left out.
const MAX_FRAMES = 256;
// A change to a control after the window lost the focus or the tab was hidden this recently is taken
// for the page's answer to the fill gesture, and the control for not seen.
const SHIFT_WINDOW = 2000;

let port = null;
let retryDelay = 500;
let retryTimer = null;
let mark = null;       // the window whose title carries a marker (Firefox), and how to take it off
const reads = new Map(); // read id -> tab id, for the latest few reads
// tab id -> the read its last fill wrote (null: nothing to undo). The page's frames keep what
// the fill changed; this says which fill is the last. Kept in session storage too, where there
// is one, so that a service worker that was stopped still knows.
const lastFills = new Map();
const session = api.storage && api.storage.session;

class RequestError extends Error {
  constructor(code, message) {
    super(message);
    this.code = code;
  }
}

function connect() {
  if (port) return;
  clearTimeout(retryTimer);
  retryTimer = null;
  try {
    port = api.runtime.connectNative(HOST);
  } catch (e) {
    port = null;
    scheduleConnect();
    return;
  }
  port.onMessage.addListener((message) => { handle(message); });
  port.onDisconnect.addListener(() => {
    port = null;
    reads.clear();
    scheduleConnect();
  });
  port.postMessage({ type: 'hello', version: PROTOCOL_VERSION, browser: firefox ? 'firefox' : 'chromium',
    extension: api.runtime.getManifest().version });
}

// The relay ended (Formix closed, or the relay was stopped): start a new one a little later.
function scheduleConnect() {
  if (retryTimer !== null) return;
  retryTimer = setTimeout(() => { retryTimer = null; connect(); }, retryDelay);
  retryDelay = Math.min(retryDelay * 2, 30000);
}

function reply(message) {
  if (port) port.postMessage(message);
}

async function handle(message) {
  if (!message || typeof message !== 'object') return;
  if (message.type === 'welcome') {
    retryDelay = 500;
    return;
  }
  if (message.type === 'error') {
    console.warn('Formix:', message.error, message.message);
    return;
  }
  const id = message.id;
  if (!Number.isSafeInteger(id) || id <= 0) return;
  try {
    switch (message.type) {
      case 'focus': reply(await describeFocus(id)); break;
      case 'collect': reply(await collectFacts(id, message.window)); break;
      case 'fill': reply(await fillControls(id, message)); break;
      case 'undo': reply(await undoInWindow(id, message.window)); break;
      case 'mark': reply(await markWindow(id, message.marker)); break;
      case 'unmark': reply(await unmarkWindow(id)); break;
      default: throw new RequestError('unknown-request', 'unknown request type');
    }
  } catch (e) {
    reply({ type: 'error', id, error: e instanceof RequestError ? e.code : 'failed', message: String(e && e.message) });
  }
}

async function activeTab(windowId) {
  const [tab] = await api.tabs.query({ active: true, windowId });
  if (!tab) throw new RequestError('no-tab', 'the window has no active tab');
  return tab;
}

async function focusedWindow(withTabs = false) {
  let win;
  try {
    win = await api.windows.getLastFocused({ windowTypes: ['normal'], populate: withTabs });
  } catch (e) {
    throw new RequestError('no-window', 'no browser window');
  }
  if (!win || win.id === undefined || win.id < 0) throw new RequestError('no-window', 'no browser window');
  return win;
}

// When each window last lost the keyboard focus (Date.now()), where the browser tells of it (a
// focus change to no window or another one). A desktop that tells no program which window is in
// front (Wayland) leaves it to the browsers' own word about their focus.
const focusLostAt = new Map();
let focusedNow = null;
api.windows.onFocusChanged.addListener((windowId) => {
  if (focusedNow !== null && focusedNow !== windowId) focusLostAt.set(focusedNow, Date.now());
  focusedNow = windowId >= 0 ? windowId : null;
});
api.windows.onRemoved.addListener((windowId) => focusLostAt.delete(windowId));

// The focused window, and what tells it from the browser's other windows on the desktop: its
// active tab's title (which the window's title starts with), its bounds, whether it has the
// keyboard focus now and when it last lost it.
async function describeFocus(id) {
  const win = await focusedWindow(true);
  // A window without an active tab has a title of the browser's own.
  const tab = (win.tabs || []).find((t) => t.active);
  const title = (tab && tab.title) || '';
  const answer = { type: 'focused', id, window: win.id, title: title.slice(0, 1000), hasFocus: win.focused === true };
  if ([win.left, win.top, win.width, win.height].every(Number.isSafeInteger)) {
    answer.bounds = { left: win.left, top: win.top, width: win.width, height: win.height };
  }
  const lost = await lostFocusAt(win, tab);
  if (lost > 0) answer.focusLostAt = lost;
  return answer;
}

// When the window last lost the focus: the later of what the background saw and, in a window
// without the focus, what the page's watcher saw (Chromium on Wayland tells the background
// nothing when another program takes the focus, while its pages see the blur).
async function lostFocusAt(win, tab) {
  let at = focusLostAt.get(win.id) || 0;
  if (win.focused || !tab) return at;
  try {
    const [seen] = await api.scripting.executeScript({ target: { tabId: tab.id, frameIds: [0] },
      func: () => (globalThis.formixWatch ? globalThis.formixWatch.shiftAt : 0), injectImmediately: true });
    if (seen && Number.isSafeInteger(seen.result)) at = Math.max(at, seen.result);
  } catch (e) {
    // A page that cannot be scripted tells nothing.
  }
  return at;
}

// Each frame's content script has loaded the collector and the filler already: calling those
// spares sending them and compiling them again on every read and fill. A loaded copy is used
// only when it is this extension's own text, never one left in a page by an earlier version; a
// frame without it (a page opened before the extension was loaded, a document content scripts
// do not reach) is sent the function. The facts come back as one JSON text: Firefox copies a
// string across to the background several times faster than the same facts as objects.
const COLLECTOR = String(formixFacts);
const NOT_LOADED = 'formix:collector-not-loaded';
function callLoadedCollector(read, source, notLoaded) {
  return typeof formixFacts === 'function' && String(formixFacts) === source ? JSON.stringify(formixFacts(read)) : notLoaded;
}
// A frame's answer: the loaded collector's JSON text, or the facts of a collector sent along.
function factsOf(result) {
  if (typeof result !== 'string') return result;
  try {
    return JSON.parse(result);
  } catch (e) {
    return null;
  }
}

const FILLER = String(formixFill);
function callLoadedFiller(read, fills, source, notLoaded) {
  return typeof formixFill === 'function' && String(formixFill) === source ? formixFill(read, fills) : notLoaded;
}

async function runCollector(tabId, read) {
  let results;
  try {
    // The page has loaded already (a person looks at it): the script need not wait for it.
    results = await api.scripting.executeScript({ target: { tabId, allFrames: true }, func: callLoadedCollector,
      args: [read, COLLECTOR, NOT_LOADED], injectImmediately: true });
  } catch (e) {
    throw new RequestError('not-scriptable', 'the page cannot be reached');
  }
  results = results || [];
  const missing = results.filter((r) => r && r.result === NOT_LOADED && Number.isSafeInteger(r.frameId)).map((r) => r.frameId);
  for (const r of results) if (r && r.result !== NOT_LOADED) r.result = factsOf(r.result);
  if (missing.length === 0) return results;
  let sent = [];
  try {
    sent = await api.scripting.executeScript({ target: { tabId, frameIds: missing }, func: formixFacts, args: [read],
      injectImmediately: true });
  } catch (e) {
    // Those frames went meanwhile: they are not reached.
  }
  const byFrame = new Map((sent || []).filter((r) => r && Number.isSafeInteger(r.frameId)).map((r) => [r.frameId, r]));
  return results.filter((r) => !(r && r.result === NOT_LOADED)).concat(missing.filter((f) => byFrame.has(f)).map((f) => byFrame.get(f)));
}

// The facts of every frame of the window's active tab that the extension can reach, top first and
// then in document order. A frame's `visible` holds only when its frame element and every one
// above it can be seen; a frame whose element is not known is not visible.
async function collectFacts(id, windowId) {
  if (!Number.isSafeInteger(windowId)) throw new RequestError('bad-request', 'no window');
  const tab = await activeTab(windowId);
  const read = Math.floor(Math.random() * 2 ** 48) + 1;
  const started = performance.now();
  const asked = Date.now();
  const results = await runCollector(tab.id, read);
  // Frames by their path; a path two frames claim (or one with an unknown step) leads nowhere.
  const reached = [];
  const byPath = new Map();
  let collecting = 0;
  for (const r of results || []) {
    const f = r && r.result;
    if (!f || !Array.isArray(f.path) || !Array.isArray(f.controls) || !Number.isSafeInteger(r.frameId)) continue;
    collecting = Math.max(collecting, f.took || 0);
    const key = f.path.join('/');
    byPath.set(key, byPath.has(key) || f.path.includes(-1) ? null : { frameId: r.frameId, facts: f });
    reached.push({ frameId: r.frameId, facts: f });
  }
  const top = byPath.get('');
  if (!top) throw new RequestError('not-scriptable', 'the page cannot be reached');
  // The last time any frame saw the window lose the focus or the tab hidden: what changed
  // after it, shortly before this read, is what the page did on noticing the gesture.
  const shift = Math.max(0, ...reached.map((r) => r.facts.shiftAt || 0));
  const after = (t) => shift > 0 && asked - shift < SHIFT_WINDOW && t >= shift;
  const frames = [];
  for (const { frameId, facts } of reached) {
    let visible = true;
    let sharedAutofill = false;
    let onFocusPath = true;
    // From the top down: each frame element on the way must be seen (and have been seen before
    // the shift), and for the caret to count, hold the focus of its document.
    for (let depth = 1; depth <= facts.path.length; depth++) {
      const parent = byPath.get(facts.path.slice(0, depth - 1).join('/'));
      const element = parent && parent.facts.children[facts.path[depth - 1]];
      visible = visible && Boolean(element && element.visible && !after(element.changedAt || 0));
      onFocusPath = onFocusPath && Boolean(element && element.active);
      if (depth === facts.path.length) sharedAutofill = Boolean(element && element.sharedAutofill);
    }
    for (const c of facts.controls) {
      if (after(c.changedAt || 0)) c.visible = false;
      if (!onFocusPath) c.focused = false;
      delete c.changedAt;
    }
    const frame = { path: facts.path, frame: frameId, origin: facts.origin, sharedAutofill, visible, controls: facts.controls };
    if (facts.dropped) frame.dropped = facts.dropped;
    frames.push(frame);
  }
  // Document order; frames at an unknown place last.
  const step = (k) => (k < 0 ? Infinity : k);
  const order = (a, b) => {
    for (let k = 0; k < Math.min(a.length, b.length); k++) if (a[k] !== b[k]) return step(a[k]) - step(b[k]) || 0;
    return a.length - b.length;
  };
  frames.sort((a, b) => order(a.path, b.path) || a.frame - b.frame);
  for (const f of frames) delete f.path;
  // A flood of frames loses its last ones, never the page.
  const framesDropped = Math.max(0, frames.length - MAX_FRAMES);
  frames.length = Math.min(frames.length, MAX_FRAMES);
  reads.set(read, tab.id);
  while (reads.size > 4) reads.delete(reads.keys().next().value);
  const answer = { type: 'facts', id, read, origin: top.facts.origin, frames,
    took: { collect: collecting, script: performance.now() - started } };
  if (framesDropped > 0) answer.framesDropped = framesDropped;
  // Too much to send: the frames of most controls lose them first; the top document's last.
  const bySize = frames.slice(1).sort((a, b) => b.controls.length - a.controls.length).concat(frames.slice(0, 1));
  for (const f of bySize) {
    if (JSON.stringify(answer).length <= MAX_MESSAGE / 4) break;
    f.dropped = f.controls.length + ' controls, too large to send';
    f.controls = [];
    if (f === frames[0]) throw new RequestError('too-large', 'the page is too large');
  }
  return answer;
}

// Fills controls of a read, frame by frame; each frame checks its controls again first.
async function fillControls(id, message) {
  const tabId = reads.get(message.read);
  if (tabId === undefined) throw new RequestError('stale-read', 'the page was read before');
  if (!Array.isArray(message.fills)) throw new RequestError('bad-request', 'no fills');
  const byFrame = new Map();
  let skipped = 0;
  for (const fill of message.fills) {
    if (!fill || !Number.isSafeInteger(fill.frame)) { skipped++; continue; }
    if (!byFrame.has(fill.frame)) byFrame.set(fill.frame, []);
    byFrame.get(fill.frame).push(fill);
  }
  let applied = 0;
  let stale = 0;
  await Promise.all(Array.from(byFrame, async ([frame, fills]) => {
    let outcome = null;
    try {
      // The frame's loaded copy of the filler, as for the read; sent only when it has none.
      const target = { tabId, frameIds: [frame] };
      let results = await api.scripting.executeScript({ target, func: callLoadedFiller,
        args: [message.read, fills, FILLER, NOT_LOADED], injectImmediately: true });
      if (results && results[0] && results[0].result === NOT_LOADED) {
        results = await api.scripting.executeScript({ target, func: formixFill, args: [message.read, fills], injectImmediately: true });
      }
      outcome = results && results[0] && results[0].result;
    } catch (e) {
      outcome = null;
    }
    if (!outcome || outcome.stale) {
      stale++;
      skipped += fills.length;
    } else {
      applied += outcome.applied;
      skipped += outcome.skipped;
    }
  }));
  reads.delete(message.read);
  rememberFill(tabId, message.read);
  if (byFrame.size > 0 && stale === byFrame.size) throw new RequestError('stale-read', 'the page changed since it was read');
  return { type: 'filled', id, applied, skipped };
}

// ---- Undo ----

function rememberFill(tabId, read) {
  lastFills.set(tabId, read);
  if (session) session.set({ ['fill:' + tabId]: read }).catch(() => {});
}

function forgetFill(tabId) {
  lastFills.set(tabId, null);
  if (session) session.remove('fill:' + tabId).catch(() => {});
}

async function lastFillOf(tabId) {
  if (lastFills.has(tabId)) return lastFills.get(tabId);
  if (!session) return null;
  try {
    const key = 'fill:' + tabId;
    const stored = await session.get(key);
    return Number.isSafeInteger(stored[key]) ? stored[key] : null;
  } catch (e) {
    return null;
  }
}

// Puts back what the tab's last fill changed, in every frame that still holds it; a second undo
// finds nothing.
async function undoTab(tabId) {
  const read = await lastFillOf(tabId);
  if (read === null) return { applied: 0, skipped: 0 };
  forgetFill(tabId);
  let results;
  try {
    results = await api.scripting.executeScript({ target: { tabId, allFrames: true }, func: formixUndo, args: [read],
      injectImmediately: true });
  } catch (e) {
    throw new RequestError('not-scriptable', 'the page cannot be reached');
  }
  let applied = 0;
  let skipped = 0;
  for (const r of results || []) {
    const outcome = r && r.result;
    if (!outcome || !Number.isSafeInteger(outcome.applied) || !Number.isSafeInteger(outcome.skipped)) continue;
    applied += outcome.applied;
    skipped += outcome.skipped;
  }
  return { applied, skipped };
}

async function undoInWindow(id, windowId) {
  if (!Number.isSafeInteger(windowId)) throw new RequestError('bad-request', 'no window');
  const tab = await activeTab(windowId);
  return { type: 'undone', id, ...(await undoTab(tab.id)) };
}

// A page that goes (a load, another address) takes its fill with it; so does a closed tab.
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status === 'loading' || change.url !== undefined) forgetFill(tabId);
});
api.tabs.onRemoved.addListener((tabId) => {
  lastFills.delete(tabId);
  if (session) session.remove('fill:' + tabId).catch(() => {});
});
// The toolbar button undoes the last fill of the tab it was clicked in.
(api.action || api.browserAction).onClicked.addListener((tab) => {
  if (tab && Number.isSafeInteger(tab.id)) undoTab(tab.id).catch(() => {});
});

// Firefox shows a title preface in front of a window's title, outside every page: Formix finds
// the window by it when the desktop cannot name the browser's windows. Chromium has no such
// preface, and a page's own title is not touched.
async function markWindow(id, marker) {
  if (typeof marker !== 'string' || !/^\[formix:[0-9a-f]{16}\]$/.test(marker)) {
    throw new RequestError('bad-request', 'malformed marker');
  }
  if (!firefox) throw new RequestError('unknown-request', 'this browser shows no title preface');
  if (mark) await unmarkWindow(0);
  const win = await focusedWindow();
  await api.windows.update(win.id, { titlePreface: marker + ' ' });
  mark = { window: win.id, marker };
  return { type: 'marked', id, window: win.id };
}

async function unmarkWindow(id) {
  const done = mark;
  mark = null;
  if (done) {
    try {
      await api.windows.update(done.window, { titlePreface: '' });
    } catch (e) {
      // The window closed meanwhile: its title is gone with it.
    }
  }
  return { type: 'unmarked', id };
}

// A service worker may be stopped while no relay runs; the alarm brings it back to try again.
api.alarms.create('formix-connect', { periodInMinutes: 1 });
api.alarms.onAlarm.addListener(() => connect());
api.runtime.onStartup.addListener(() => connect());
connect();
