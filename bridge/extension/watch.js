// Runs in every frame from the moment its document starts, in the extension's isolated world. It
// keeps times only: when the window last lost the focus or the tab was last hidden (what a page sees
// of a fill gesture), and when the page last changed what could show or hide a form control (the
// control's or an ancestor's attributes, its insertion, its place in the layout, in Chromium the
// browser's own judgement whether it is seen). The collector leaves out every control that changed
// after such a shift: a page that shows boxes once it notices the gesture gets nothing into them.
// Nothing of the page's text is kept, and nothing leaves the frame.
'use strict';
(() => {
  if (globalThis.formixWatch) return;
  const WATCHED = 'input, select, textarea, iframe, frame, object, embed';
  const watch = {
    shiftAt: 0,              // Date.now() when the window last lost the focus or the tab was last hidden
    sheetsAt: 0,             // of the last change to the page's style sheets
    coversAt: 0,             // of the last removal of an element, or change of a placed one (an overlay's)
    changed: new WeakMap(),  // element -> Date.now() of its last change that may show or hide it
    visibility: null,        // Chromium: element -> { visible, intersecting } as the browser last judged it
    version: 0,              // counts the changes taken: equal counts, nothing changed in between
    flush: () => {},         // takes the changes the page made since its script last gave way
  };
  globalThis.formixWatch = watch;
  const now = () => Date.now();
  const mark = (el, t) => {
    watch.changed.set(el, t);
    watch.version++;
  };

  // What a gesture can make a page see before the read: the window losing the focus (a blur while
  // no frame of the page keeps it; moving the caret between boxes or into a frame is no shift), the
  // tab being hidden. The person's coming back to the page (a focus, the tab shown) is none. These
  // listeners come before any of the page's, which start later.
  const onFocusLost = () => {
    if (!document.hasFocus()) watch.shiftAt = now();
  };
  for (const type of ['blur', 'focusout']) addEventListener(type, onFocusLost, true);
  addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden') watch.shiftAt = now();
  }, true);

  // Where each watched element lies (the whole page its frame lays out, not only what is scrolled
  // into view): a change of it is a change, the first report is not, nor any before the page has
  // settled (loaded, or a second after its document was parsed), while it is still laid out.
  let settled = false;
  const settle = () => { settled = true; };
  addEventListener('load', settle, { once: true, capture: true });
  document.addEventListener('DOMContentLoaded', () => setTimeout(settle, 1000), { once: true });
  const layout = new WeakMap();
  const place = (e) => (e.isIntersecting ? Math.round(e.intersectionRatio * 4) : -1);
  let onPage = null;
  try {
    onPage = new IntersectionObserver((entries) => {
      const t = now();
      for (const e of entries) {
        const was = layout.get(e.target);
        if (settled && was !== undefined && was !== place(e)) mark(e.target, t);
        layout.set(e.target, place(e));
      }
    }, { root: document, rootMargin: '100000px', threshold: [0, 0.25, 0.5, 0.75, 1] });
  } catch (e) {
    onPage = null;
  }
  // Chromium judges whether an element is painted where it can be seen: no opacity, filter, mask
  // or 3-D transform on the way up, and nothing drawn over it, through every frame.
  let seenByBrowser = null;
  if (typeof IntersectionObserverEntry !== 'undefined' && 'isVisible' in IntersectionObserverEntry.prototype) {
    watch.visibility = new WeakMap();
    seenByBrowser = new IntersectionObserver((entries) => {
      const t = now();
      for (const e of entries) {
        const was = watch.visibility.get(e.target);
        if (was && was.visible !== e.isVisible) mark(e.target, t);
        watch.visibility.set(e.target, { visible: e.isVisible, intersecting: e.isIntersecting });
      }
    }, { trackVisibility: true, delay: 100, threshold: [0] });
  }
  const observe = (el) => {
    if (onPage) onPage.observe(el);
    if (seenByBrowser) seenByBrowser.observe(el);
  };
  const observeWithin = (node) => {
    if (node.matches(WATCHED)) observe(node);
    for (const el of node.querySelectorAll(WATCHED)) observe(el);
  };
  const isSheet = (n) => n.nodeType === 1 && (n.localName === 'style' || (n.localName === 'link' && /stylesheet/i.test(n.rel)));

  // Until the document is parsed its insertions are no change: the page is being built. (The
  // parser's last records may come after readyState has moved on, not after this event.)
  let parsed = document.readyState !== 'loading';
  document.addEventListener('DOMContentLoaded', () => { parsed = true; }, { once: true, capture: true });
  const onRecords = (records) => {
    const t = now();
    const parsing = !parsed;
    for (const r of records) {
      if (r.type === 'attributes') {
        if (parsing) continue;
        mark(r.target, t);
        if (isSheet(r.target)) watch.sheetsAt = t;
        // A placed element may lie over boxes that are none of its own.
        if (r.target.isConnected && getComputedStyle(r.target).position !== 'static') watch.coversAt = t;
        continue;
      }
      for (const n of r.addedNodes) {
        if (n.nodeType !== 1) continue;
        observeWithin(n);
        if (parsing) continue;
        mark(n, t);
        if (isSheet(n)) watch.sheetsAt = t;
      }
      if (parsing) continue;
      if (isSheet(r.target)) watch.sheetsAt = t;
      for (const n of r.removedNodes) {
        if (n.nodeType !== 1) continue;
        if (isSheet(n)) watch.sheetsAt = t;
        watch.coversAt = t;
        watch.version++;
      }
    }
  };
  const changes = new MutationObserver(onRecords);
  changes.observe(document, { subtree: true, childList: true, attributes: true });
  watch.flush = () => onRecords(changes.takeRecords());
  if (document.documentElement) observeWithin(document.documentElement);
})();
