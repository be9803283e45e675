// What the extension tells Formix about the form controls of a frame, how it applies a fill, and
// how it undoes the last one.
// Each function is handed to the browser's executeScript on its own (and formix-tool capture
// inlines formixFacts into a page), so it must not use anything from outside its body. They run
// in the extension's isolated world: the page's scripts see neither their variables nor the
// controls they remember between the read and the fill.
'use strict';

// The facts of the frame's controls, in document order, and of the frames inside it. Remembers
// the controls and their state under `readId` for formixFill. Texts are what a person reads:
// white space folded, at most 200 UTF-16 units each.
function formixFacts(readId) {
  const started = performance.now();
  const MAX_TEXT = 200;
  const MAX_CONTROLS = 5000;
  const fold = (s) => s.replace(/[\s\u00a0\u3000]+/g, ' ').trim();
  // Cut at a code-unit bound without leaving half of a surrogate pair.
  const cut = (s) => {
    if (s.length <= MAX_TEXT) return s;
    const end = /[\uD800-\uDBFF]/.test(s[MAX_TEXT - 1]) ? MAX_TEXT - 1 : MAX_TEXT;
    return s.slice(0, end);
  };
  // For texts before a control the nearest words count: the end is kept.
  const cutFromEnd = (s) => {
    if (s.length <= MAX_TEXT) return s;
    const start = /[\uDC00-\uDFFF]/.test(s[s.length - MAX_TEXT]) ? s.length - MAX_TEXT + 1 : s.length - MAX_TEXT;
    return s.slice(start);
  };
  const text = (s) => cut(fold(s || ''));
  const wellFormed = (s) => (typeof s.toWellFormed === 'function' ? s.toWellFormed() : s);

  const NOT_FILLED = new Set(['hidden', 'submit', 'reset', 'button', 'image']);
  const SKIPPED = new Set(['script', 'style', 'noscript', 'template', 'head', 'title', 'datalist', 'option', 'optgroup']);
  // Elements that start a new block of text: a cell, a row, an item, a paragraph, a line.
  const BLOCKS = new Set(['address', 'article', 'aside', 'blockquote', 'br', 'caption', 'center', 'dd', 'details',
    'dialog', 'div', 'dl', 'dt', 'fieldset', 'figcaption', 'figure', 'footer', 'form', 'h1', 'h2', 'h3', 'h4', 'h5',
    'h6', 'header', 'hr', 'legend', 'li', 'main', 'nav', 'ol', 'p', 'pre', 'section', 'summary', 'table', 'tbody',
    'td', 'tfoot', 'th', 'thead', 'tr', 'ul', 'iframe', 'object', 'embed', 'frame', 'frameset']);
  const styles = new Map();
  const style = (el) => {
    let s = styles.get(el);
    if (!s) {
      s = getComputedStyle(el);
      styles.set(el, s);
    }
    return s;
  };

  // ---- Whether a person can see an element ----
  // A box counts as seen only when it is painted where a person sees it or can scroll to it: at
  // least MIN_BOX x MIN_BOX CSS pixels of it, in the page's reachable area, under no opaque
  // element, with the effects of every element above it in the flat tree (slots and shadow hosts
  // included) leaving it readable.
  const MIN_BOX = 8;          // a box a person can click into and read
  const MIN_OPACITY = 0.1;    // what the opacities on the way up may multiply to
  const MAX_BLUR = 3;         // pixels of blur a person still reads through
  const watch = globalThis.formixWatch;
  const px = (v, whole) => {
    v = v.trim();
    if (v.endsWith('%')) return (parseFloat(v) / 100) * whole;
    const n = parseFloat(v);
    return Number.isFinite(n) ? n : 0;
  };
  const alphaOf = (color) => {
    if (!color || color === 'transparent') return 0;
    let m = /\/\s*([\d.]+)(%?)\s*\)$/.exec(color);
    if (!m) m = /^rgba\([^,]+,[^,]+,[^,]+,\s*([\d.]+)(%?)\s*\)$/.exec(color);
    return m ? parseFloat(m[1]) / (m[2] ? 100 : 1) : 1;
  };
  // An area in the frame's client coordinates.
  const area = (left, top, right, bottom) => ({ left, top, right, bottom });
  const EVERYWHERE = area(-Infinity, -Infinity, Infinity, Infinity);
  const meet = (a, b) => area(Math.max(a.left, b.left), Math.max(a.top, b.top), Math.min(a.right, b.right), Math.min(a.bottom, b.bottom));
  const usable = (a) => a.right - a.left >= MIN_BOX && a.bottom - a.top >= MIN_BOX;

  // Where a position inside a box lies ("left", "50%", "-2000px").
  const KEYWORDS = { left: '0%', top: '0%', center: '50%', right: '100%', bottom: '100%' };
  const along = (v, whole) => px(KEYWORDS[v] || v, whole);
  // What of the page a clip-path lets through, for the shapes pages use, placed where the shape
  // lies; null when it lets nothing through (any other shape counts as that, so a page cannot
  // hide a field behind one).
  function clipPathArea(value, r) {
    if (value === 'none' || value === '') return EVERYWHERE;
    value = value.replace(/\b(border-box|padding-box|content-box|margin-box|fill-box|stroke-box|view-box)\b/g, '').trim();
    if (value === '') return EVERYWHERE;
    const w = r.width, h = r.height;
    let m = /^inset\(([^)]*)\)$/.exec(value);
    if (m) {
      const [t, rt = t, b = t, l = rt] = m[1].split(/\s+round\s+/)[0].trim().split(/\s+/);
      return area(r.left + px(l, w), r.top + px(t, h), r.right - px(rt, w), r.bottom - px(b, h));
    }
    m = /^(circle|ellipse)\(([^)]*)\)$/.exec(value);
    if (m) {
      const [size, at = 'center'] = m[2].split(/\bat\b/).map((s) => s.trim());
      const [x = 'center', y = 'center'] = at.split(/\s+/);
      const swapped = x === 'top' || x === 'bottom' || y === 'left' || y === 'right';
      const cx = r.left + along(swapped ? y : x, w), cy = r.top + along(swapped ? x : y, h);
      const sides = { x: [cx - r.left, r.right - cx].map(Math.abs), y: [cy - r.top, r.bottom - cy].map(Math.abs) };
      const radius = (v, axis, whole) => (!v || v === 'closest-side' ? Math.min(...sides[axis])
        : v === 'farthest-side' ? Math.max(...sides[axis]) : px(v, whole));
      const parts = size.split(/\s+/).filter(Boolean);
      let rx, ry;
      if (m[1] === 'circle') {
        const closest = Math.min(...sides.x, ...sides.y), farthest = Math.max(...sides.x, ...sides.y);
        rx = ry = !parts[0] || parts[0] === 'closest-side' ? closest : parts[0] === 'farthest-side' ? farthest
          : px(parts[0], Math.hypot(w, h) / Math.SQRT2);
      } else {
        rx = radius(parts[0], 'x', w);
        ry = radius(parts[1], 'y', h);
      }
      return area(cx - rx, cy - ry, cx + rx, cy + ry);
    }
    m = /^polygon\((?:\s*(?:nonzero|evenodd)\s*,)?([^)]*)\)$/.exec(value);
    if (m) {
      const xs = [], ys = [];
      for (const point of m[1].split(',')) {
        const [x, y] = point.trim().split(/\s+/);
        xs.push(r.left + px(x || '0', w));
        ys.push(r.top + px(y || '0', h));
      }
      return area(Math.min(...xs), Math.min(...ys), Math.max(...xs), Math.max(...ys));
    }
    m = /^xywh\(([^)]*)\)$/.exec(value);
    if (m) {
      const [x, y, cw, ch] = m[1].split(/\s+round\s+/)[0].trim().split(/\s+/);
      return area(r.left + px(x, w), r.top + px(y, h), r.left + px(x, w) + px(cw || '0', w), r.top + px(y, h) + px(ch || '0', h));
    }
    m = /^rect\(([^)]*)\)$/.exec(value);
    if (m) return clipArea(value, r);
    return null;
  }
  // clip: rect(top, right, bottom, left) of an absolutely placed element, from its top left corner.
  function clipArea(value, r) {
    const m = /^rect\(([^)]*)\)$/.exec(value);
    if (!m) return EVERYWHERE;
    const edge = (v, auto) => (v === 'auto' || v === undefined ? auto : parseFloat(v));
    const [t, rt, b, l] = m[1].split(/\s+round\s+/)[0].split(/[\s,]+/).filter(Boolean);
    return area(r.left + edge(l, 0), r.top + edge(t, 0), r.left + edge(rt, r.width), r.top + edge(b, r.height));
  }

  // What the filters on an element leave of its opacity; 0 when they blur it past reading or
  // draw it through a filter of the page's own (url()), which may hide anything.
  function filterOpacity(value) {
    if (!value || value === 'none') return 1;
    if (/url\(/.test(value)) return 0;
    let opacity = 1;
    for (const m of value.matchAll(/([a-z-]+)\(([^()]*)\)/g)) {
      const v = m[2].trim();
      if (m[1] === 'opacity') opacity *= v === '' ? 1 : px(v, 1);
      if (m[1] === 'blur' && px(v || '0', 1) > MAX_BLUR) return 0;
    }
    return opacity;
  }
  const angle = (v) => {
    const n = parseFloat(v);
    if (v.endsWith('rad')) return (n * 180) / Math.PI;
    if (v.endsWith('grad')) return n * 0.9;
    if (v.endsWith('turn')) return n * 360;
    return n || 0;
  };
  // The element's own transform, its individual translate, rotate and scale included.
  function transformOf(s) {
    let m = new DOMMatrix();
    if (s.translate && s.translate !== 'none') {
      const [x = '0', y = '0', z = '0'] = s.translate.split(/\s+/);
      m = m.translate(parseFloat(x) || 0, parseFloat(y) || 0, parseFloat(z) || 0);
    }
    if (s.rotate && s.rotate !== 'none') {
      const parts = s.rotate.split(/\s+/);
      const deg = angle(parts.pop());
      const axis = { x: [1, 0, 0], y: [0, 1, 0], z: [0, 0, 1] }[parts[0]] || (parts.length === 3 ? parts.map(Number) : [0, 0, 1]);
      m = m.rotateAxisAngle(axis[0], axis[1], axis[2], deg);
    }
    if (s.scale && s.scale !== 'none') {
      const [x, y = x, z = '1'] = s.scale.split(/\s+/);
      m = m.scale(px(x, 1), px(y, 1), px(z, 1));
    }
    if (s.transform && s.transform !== 'none') {
      try { m = m.multiply(new DOMMatrix(s.transform)); } catch (e) { /* a transform the matrix cannot take */ }
    }
    return m;
  }
  // A 3-D transform that turns the element's back to the person (while its back is hidden), or
  // that places a corner of it at or behind the person's eye under its parent's perspective.
  const untransformed = (s) => (!s.transform || s.transform === 'none') && (!s.rotate || s.rotate === 'none') &&
    (!s.translate || s.translate === 'none') && (!s.scale || s.scale === 'none');
  function turnedAway(a, s, parent) {
    if (untransformed(s) && s.backfaceVisibility !== 'hidden') return false;
    const own = transformOf(s);
    if (s.backfaceVisibility === 'hidden') {
      let m = own;
      for (let p = parent; p && style(p).transformStyle === 'preserve-3d'; p = flatParent(p)) m = transformOf(style(p)).multiply(m);
      if (m.m33 < 0) return true;
    }
    if (own.is2D) return false;
    const depth = parent ? parseFloat(style(parent).perspective) : NaN;
    const w = a.offsetWidth || 0, h = a.offsetHeight || 0;
    for (const [x, y] of [[-w / 2, -h / 2], [w / 2, -h / 2], [-w / 2, h / 2], [w / 2, h / 2]]) {
      const p = own.transformPoint(new DOMPoint(x, y, 0, 1));
      const eye = Number.isFinite(depth) && depth > 0 ? p.w - p.z / depth : p.w;
      if (eye <= 0) return true;
    }
    return false;
  }
  // An element's text, background and border all transparent: nothing of it shows.
  function inkless(s) {
    if (alphaOf(s.color) > 0.05 && alphaOf(s.webkitTextFillColor || s.color) > 0.05) return false;
    if (alphaOf(s.backgroundColor) > 0.05 || (s.backgroundImage && s.backgroundImage !== 'none')) return false;
    for (const side of ['Top', 'Right', 'Bottom', 'Left']) {
      if (parseFloat(s['border' + side + 'Width']) > 0 && !/none|hidden/.test(s['border' + side + 'Style']) &&
          alphaOf(s['border' + side + 'Color']) > 0.05) {
        return false;
      }
    }
    if (s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) > 0 && alphaOf(s.outlineColor) > 0.05) return false;
    return !s.boxShadow || s.boxShadow === 'none';
  }
  // An element that a person cannot see through where it lies over another.
  const OPAQUE_ELEMENTS = new Set(['img', 'video', 'canvas', 'svg', 'iframe', 'frame', 'embed', 'object', 'input',
    'select', 'textarea', 'button']);
  function opaque(n) {
    const s = style(n);
    if (s.visibility !== 'visible' || parseFloat(s.opacity) < 0.5) return false;
    if (OPAQUE_ELEMENTS.has(n.localName)) return true;
    return alphaOf(s.backgroundColor) >= 0.5 || (s.backgroundImage && s.backgroundImage !== 'none');
  }

  // The element's parent in the flat tree: the slot that shows it, the host of its shadow root.
  const shadowRootOf = (host) => {
    try {
      if (typeof chrome !== 'undefined' && chrome.dom && chrome.dom.openOrClosedShadowRoot) return chrome.dom.openOrClosedShadowRoot(host);
      // Firefox's, a property for its content scripts.
      if ('openOrClosedShadowRoot' in host) return host.openOrClosedShadowRoot;
    } catch (e) {
      // Not a host.
    }
    return host.shadowRoot;
  };
  // What is worked out once per element for all the boxes inside it; a fill that finds the page
  // changed forgets it all.
  let parents = new Map(), looks = new Map(), steps = new Map(), texts = new Map();
  const forget = () => {
    parents = new Map();
    looks = new Map();
    steps = new Map();
    texts = new Map();
  };
  function flatParent(n) {
    let p = parents.get(n);
    if (p === undefined) {
      p = findFlatParent(n);
      parents.set(n, p);
    }
    return p;
  }
  function findFlatParent(n) {
    if (n.assignedSlot) return n.assignedSlot;
    const p = n.parentNode;
    if (!p) return null;
    if (p.nodeType === 11) return p.host || null;
    if (p.nodeType !== 1) return null;
    const root = shadowRootOf(p);
    if (root) {
      // A closed shadow root does not tell a light child its slot.
      for (const slot of root.querySelectorAll('slot')) if (slot.assignedElements().includes(n)) return slot;
    }
    return p;
  }

  const view = area(0, 0, window.innerWidth, window.innerHeight);
  const pageWidth = Math.max(document.documentElement.scrollWidth, document.body ? document.body.scrollWidth : 0);
  const pageHeight = Math.max(document.documentElement.scrollHeight, document.body ? document.body.scrollHeight : 0);
  // What a person can bring into view: the whole page, or on an axis the page does not let them
  // scroll (overflow hidden on its root), what is in view now.
  const reachable = (() => {
    const root = style(document.documentElement);
    const from = root.overflowX === 'visible' && root.overflowY === 'visible' && document.body ? style(document.body) : root;
    const stuck = (v) => v === 'hidden' || v === 'clip';
    const x = window.scrollX, y = window.scrollY;
    return area(stuck(from.overflowX) ? view.left : -x, stuck(from.overflowY) ? view.top : -y,
      stuck(from.overflowX) ? view.right : pageWidth - x, stuck(from.overflowY) ? view.bottom : pageHeight - y);
  })();
  // An element that makes itself the containing block of fixed descendants: they scroll with it.
  const holdsFixed = (s) => (s.transform && s.transform !== 'none') || (s.perspective && s.perspective !== 'none') ||
    (s.filter && s.filter !== 'none') || /paint|layout|strict|content/.test(s.contain || '') || /transform|perspective|filter/.test(s.willChange || '');

  // Whether nothing opaque lies over the element at a point: the element itself, its own label or
  // something see-through is topmost there. An ancestor listed above it paints over it (a box
  // behind its parent's background).
  function clearAt(el, x, y) {
    let labels = null;
    const ofLabel = (n) => {
      if (labels === null) labels = el.labels ? Array.from(el.labels) : [];
      return labels.some((l) => l === n || l.contains(n));
    };
    const own = (n) => n === el || el.contains(n) || ofLabel(n);
    // Mostly the box itself is on top; only otherwise is the whole stack needed.
    const top = document.elementFromPoint(x, y);
    if (top && own(top)) return true;
    const stack = document.elementsFromPoint(x, y);
    const at = stack.indexOf(el);
    const over = at >= 0 ? stack.slice(0, at) : stack.filter((n) => !n.contains(el));
    return !over.some((n) => !own(n) && opaque(n));
  }
  // Nothing opaque over the middle of what shows of it, or over two of four points around.
  function uncovered(el, shown) {
    const part = meet(shown, view);
    if (!(part.right - part.left > 0 && part.bottom - part.top > 0)) return true;
    const x = (f) => part.left + (part.right - part.left) * f, y = (f) => part.top + (part.bottom - part.top) * f;
    if (clearAt(el, x(0.5), y(0.5))) return true;
    let clear = 0;
    for (const [fx, fy] of [[0.25, 0.25], [0.75, 0.25], [0.25, 0.75], [0.75, 0.75]]) if (clearAt(el, x(fx), y(fy)) && ++clear >= 2) return true;
    return false;
  }

  // How an element paints what is inside it: the opacity it leaves (0 when a mask, a filter or a
  // turned back hides it all), where it lies, what its clip-path and clip let through.
  function lookOf(a, s, parent) {
    let look = looks.get(a);
    if (look) return look;
    const masked = (s.maskImage && s.maskImage !== 'none') || (s.webkitMaskImage && s.webkitMaskImage !== 'none') ||
      (s.webkitMaskBoxImageSource && s.webkitMaskBoxImageSource !== 'none');
    const fade = masked || turnedAway(a, s, parent) ? 0 : parseFloat(s.opacity) * filterOpacity(s.filter);
    const rect = a.getBoundingClientRect();
    const clip = s.position === 'absolute' || s.position === 'fixed' ? clipArea(s.clip, rect) : EVERYWHERE;
    look = { fade, rect, path: clipPathArea(s.clipPath, rect), clip };
    looks.set(a, look);
    return look;
  }

  // What an element does to every box inside it, read once for all of them: whether it shows at
  // all, whether it has a box of its own, whether it clips them (overflow, paint containment),
  // whether it is fixed. Filled in as the walk up first needs each.
  function stepOf(a) {
    let step = steps.get(a);
    if (step === undefined) {
      const s = style(a);
      const display = s.display;
      step = { s, parent: flatParent(a), none: display === 'none', contents: display === 'contents', clipsX: undefined,
        clipsY: undefined, fixed: undefined, holdsFixed: undefined };
      steps.set(a, step);
    }
    return step;
  }

  function seen(el) {
    if (el.closest('[hidden], [inert]')) return false;
    const details = el.closest('details:not([open])');
    if (details && !(el.closest('summary') && el.closest('summary').parentElement === details)) return false;
    if (typeof el.checkVisibility === 'function' && !el.checkVisibility({ checkOpacity: true, checkVisibilityCSS: true,
      opacityProperty: true, visibilityProperty: true, contentVisibilityAuto: true })) {
      return false;
    }
    const own = style(el);
    if (own.display === 'none' || own.visibility !== 'visible' || own.contentVisibility === 'hidden') return false;
    if (el.localName !== 'iframe' && el.localName !== 'frame' && el.localName !== 'object' && el.localName !== 'embed' && inkless(own)) return false;
    // The browser's own word, where it gives one: painted unoccluded and without effects.
    const judged = watch && watch.visibility && watch.visibility.get(el);
    if (judged && judged.intersecting && !judged.visible) return false;
    const box = el.getBoundingClientRect();
    let shown = area(box.left, box.top, box.right, box.bottom);
    if (!usable(shown)) return false;
    let opacity = 1;
    let fixed = false;
    for (let a = el; a && a.nodeType === 1; ) {
      const step = stepOf(a);
      if (step.none) return false;
      // No box of its own: nothing of it paints or clips.
      if (!step.contents) {
        const s = step.s;
        const look = lookOf(a, s, step.parent);
        opacity *= look.fade;
        if (opacity < MIN_OPACITY || look.path === null) return false;
        const r = look.rect;
        shown = meet(meet(shown, look.path), look.clip);
        // A fixed box escapes its ancestors' clipping, up to one that holds it in place.
        if (a !== el && fixed) {
          if (step.holdsFixed === undefined) step.holdsFixed = Boolean(holdsFixed(s));
          if (step.holdsFixed) fixed = false;
        }
        if (a !== el && !fixed && a !== document.body && a !== document.documentElement) {
          // What an ancestor that clips its content leaves of the box (scrolling ones clip too);
          // paint containment clips like overflow.
          if (step.clipsX === undefined) {
            const contained = /paint|strict|content/.test(s.contain || '');
            step.clipsX = s.overflowX !== 'visible' || contained;
            step.clipsY = s.overflowY !== 'visible' || contained;
          }
          if (step.clipsX) shown = meet(shown, area(r.left, -Infinity, r.right, Infinity));
          if (step.clipsY) shown = meet(shown, area(-Infinity, r.top, Infinity, r.bottom));
        }
        if (!usable(shown)) return false;
        if (step.fixed === undefined) step.fixed = s.position === 'fixed';
        if (step.fixed) fixed = true;
      }
      a = step.parent;
    }
    // Within what a person can reach: a fixed box stays where it is in the window.
    shown = meet(shown, fixed ? view : reachable);
    if (!usable(shown)) return false;
    return uncovered(el, shown);
  }

  // ---- Texts ----
  // The text of a subtree as a person reads it: controls, lists and hidden parts left out, an
  // image's alt text in.
  function textOf(root) {
    if (!root) return '';
    let words = texts.get(root);
    if (words === undefined) {
      words = readText(root);
      texts.set(root, words);
    }
    return words;
  }
  function readText(root) {
    let out = '';
    const walk = (node) => {
      for (let n = node.firstChild; n; n = n.nextSibling) {
        if (n.nodeType === 3) out += n.data;
        else if (n.nodeType === 1) {
          const name = n.localName;
          if (SKIPPED.has(name) || name === 'select' || name === 'textarea' || name === 'input' || name === 'button') continue;
          if (name === 'img' || name === 'area') {
            out += ' ' + (n.getAttribute('alt') || '') + ' ';
            continue;
          }
          if (n.hidden || style(n).display === 'none') continue;
          if (BLOCKS.has(name)) out += ' ';
          walk(n);
          if (BLOCKS.has(name)) out += ' ';
        }
      }
    };
    walk(root);
    return fold(out);
  }

  const body = document.body;
  const controls = [];
  // The frame's text in reading order: text runs, controls (their index), stops (a control that
  // is not filled, such as a button) and breaks (the edges of blocks). A control's texts before
  // and after it, and the block before its own, are read from this sequence. A subtree that adds
  // nothing but text stands in it as one placeholder (LATER) until a control's texts reach it.
  let tokens = [];
  const BREAK = 0, STOP = 1, TEXT = 2, CONTROL = 3, LATER = 4;
  const controlToken = [];
  const frameElements = [];
  // The headings that govern each control, outermost first (see `sectionsOf`).
  const outline = [];
  const controlSections = [];
  function push(kind, value, el) {
    const last = tokens[tokens.length - 1];
    if (kind === BREAK && last && last.kind === BREAK) return;
    tokens.push({ kind, value, el });
  }
  // Whether a text's element shows (looked at only for the texts a control's facts use): text a
  // person cannot see is no label. An element of display: contents has no box of its own; its
  // parent decides.
  const renderedCache = new Map();
  function rendered(el) {
    let r = renderedCache.get(el);
    if (r === undefined) {
      let e = el;
      while (e && e.parentElement && style(e).display === 'contents') e = e.parentElement;
      r = !e || (typeof e.checkVisibility === 'function'
        ? e.checkVisibility({ visibilityProperty: true, checkVisibilityCSS: true })
        : style(e).display !== 'none' && style(e).visibility === 'visible');
      renderedCache.set(el, r);
    }
    return r;
  }
  function visit(node) {
    for (let n = node.firstChild; n; n = n.nextSibling) visitNode(n, node);
  }
  function visitNode(n, parent) {
    const type = n.nodeType;
    if (type === 3) {
      const data = n.data;
      push(TEXT, data.trim() !== '' ? data : ' ', parent);
      return;
    }
    if (type !== 1) return;
    const name = n.localName;
    if (SKIPPED.has(name)) return;
    if (name === 'iframe' || name === 'frame' || name === 'object' || name === 'embed') {
      frameElements.push(n);
      push(BREAK);
      if (name === 'object') visit(n);  // its fallback content
      return;
    }
    if (name === 'input' || name === 'select' || name === 'textarea') {
      if (name === 'input' && NOT_FILLED.has(n.type)) {
        if (n.type !== 'hidden') push(STOP);
        return;
      }
      controlToken.push(tokens.length);
      tokens.push({ kind: CONTROL, value: controls.length });
      controls.push(n);
      for (const h of outline) h.controls++;
      controlSections.push(outline.map((h) => h.words));
      return;
    }
    if (name === 'button') {
      push(STOP);
      return;
    }
    if (name === 'img' || name === 'area') {
      const alt = n.getAttribute('alt');
      if (alt && alt.trim() !== '') push(TEXT, ' ' + alt + ' ', n);
      return;
    }
    if (needed !== null && !needed.has(n)) {
      tokens.push({ kind: LATER, el: n });
      return;
    }
    const block = BLOCKS.has(name);
    if (block) push(BREAK);
    const rank = headingRank(n, name);
    if (rank > 0) openSection(rank, textOf(n), n);
    const scoped = name === 'table' || name === 'fieldset' ? scopedHeading(n) : '';
    if (scoped !== '') outline.push({ rank: SCOPED, words: scoped, controls: 0, inside: n });
    visit(n);
    if (outline.length > 0) closeSections(n);
    if (block) push(BREAK);
  }

  // ---- Sections: whose details a control asks for ----
  // A heading opens a section that lasts until a heading of the same or a higher rank (h1 highest,
  // then h2 ... h6, then a block styled as a heading), or until the element that holds both it and
  // the controls under it ends. A table's caption and a fieldset's legend head their own element.
  const SCOPED = 9, STYLED = 7;
  const INLINE_ONLY = /^(b|strong|em|span|font|i|u|small|big|img|br|a|sup|sub|mark)$/;
  const HEADINGS = new Map([['h1', 1], ['h2', 2], ['h3', 3], ['h4', 4], ['h5', 5], ['h6', 6]]);
  // The elements that may say they are headings (a role attribute of any namespace), found at
  // once rather than asked one by one.
  const roleHeadings = new Set(document.querySelectorAll('[*|role="heading"]'));
  // The cheap tests come first: most blocks of a long page are no heading.
  function headingRank(el, name) {
    const rank = HEADINGS.get(name);
    if (rank !== undefined) return rank;
    if (roleHeadings.has(el) && el.getAttribute('role') === 'heading') {
      const level = Number(el.getAttribute('aria-level'));
      return level >= 1 && level <= 6 ? level : 2;
    }
    // A short block of text that stands out (bold or larger than the body's text) and holds no
    // control: the heading of a group on pages without heading elements. A row of one cell that
    // spans its table is one too.
    const row = name === 'tr';
    if (row) {
      if (el.cells.length !== 1 || el.cells[0].colSpan < 2) return 0;
      el = el.cells[0];
    } else if (name !== 'div' && name !== 'p') {
      return 0;
    }
    const count = el.childElementCount;
    if (count > 4) return 0;
    if (count > 0) for (let c = el.firstElementChild; c; c = c.nextElementSibling) if (!INLINE_ONLY.test(c.localName)) return 0;
    const words = el.textContent;
    if (words.length > 60) return 0;
    const folded = fold(words);
    if (folded.length === 0 || folded.length > 30) return 0;
    if (!row && el.closest('label, th, dt, li')) return 0;
    const own = style(el);
    const strong = Number(own.fontWeight) >= 600 ||
      (el.firstElementChild && el.childElementCount === 1 && /^(b|strong)$/.test(el.firstElementChild.localName) &&
       fold(el.firstElementChild.textContent) === folded);
    const large = body && parseFloat(own.fontSize) >= 1.2 * parseFloat(style(body).fontSize);
    return strong || large ? STYLED : 0;
  }
  function openSection(rank, words, el) {
    while (outline.length && outline[outline.length - 1].rank !== SCOPED && outline[outline.length - 1].rank >= rank) {
      outline.pop();
    }
    if (fold(words) !== '') outline.push({ rank, words: cut(fold(words)), controls: 0, inside: el.parentElement });
  }
  // The caption of a table, the legend of a fieldset.
  function scopedHeading(el) {
    let c = null;
    if (el.localName === 'table') c = el.caption;
    else if (el.localName === 'fieldset') {
      for (c = el.firstElementChild; c && c.localName !== 'legend'; c = c.nextElementSibling);
    }
    return c ? cut(textOf(c)) : '';
  }
  // Leaving `el`: its own scoped heading ends, and so does every heading opened inside it whose
  // controls were inside it too (a heading alone in a wrapper of its own heads what follows).
  function closeSections(el) {
    for (let k = outline.length - 1; k >= 0; k--) {
      const h = outline[k];
      if (h.rank === SCOPED ? h.inside === el : h.controls > 0 && el.contains(h.inside)) outline.splice(k, 1);
    }
  }
  // A header cell that spans this row and others (a group's name beside its rows).
  function spanningHeader(el) {
    const cell = el.closest('td, th');
    const row = cell && cell.parentElement;
    if (!row || row.localName !== 'tr' || !row.parentElement) return '';
    const rows = row.parentElement.rows || row.parentElement.children;
    let index = row.parentElement.rows ? row.sectionRowIndex : Array.prototype.indexOf.call(rows, row);
    for (let back = 0; index >= 0 && back < 12; index--, back++) {
      for (const c of cellsOf(rows[index])) {
        if (c.cell === cell) break;
        if (c.header && c.rowSpan > back) return cut(textOf(c.cell));
      }
    }
    return '';
  }
  // A row's cells, each with whether it is a header cell spanning rows below it that holds no
  // control; read once per row for all the controls beside it.
  const rowCells = new Map();
  function cellsOf(row) {
    let cells = rowCells.get(row);
    if (cells === undefined) {
      cells = [];
      for (const c of row.cells || []) {
        const rowSpan = c.rowSpan;
        cells.push({ cell: c, rowSpan, header: c.localName === 'th' && rowSpan > 1 && !c.querySelector('input, select, textarea') });
      }
      rowCells.set(row, cells);
    }
    return cells;
  }
  function sectionsOf(k, el) {
    const chain = controlSections[k].slice(-5);
    const spanning = spanningHeader(el);
    if (spanning !== '') chain.push(spanning);
    return chain.map(wellFormed);
  }
  // ---- What the walk must enter ----
  // Only the texts next to a control are ever read, so a subtree without a control, a button, a
  // frame or anything that may be a heading is left as one placeholder, and walked only when a
  // control's texts reach it: the terms, news and footers of a long page mostly never are. Its
  // elements are found by the document's own engines, without a call from here for each element
  // of the page. What may be a heading is a superset of what headingRank takes: an h1-h6, an
  // element with a heading role, and a div, p or table row whose text is short enough (counted
  // in characters, never more than its UTF-16 units; white space removed, never more than what
  // folding leaves). null: the whole page is walked.
  const SPACES = '\t\n\v\f\r \u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a' +
    '\u2028\u2029\u202f\u205f\u3000\ufeff';
  const short = `count(*) <= 4 and string-length(.) <= 60 and string-length(translate(., "${SPACES}", "")) <= 30`;
  const named = (...names) => names.map((n) => `local-name() = "${n}"`).join(' or ');
  const MAYBE_HEADING = `.//*[${named('h1', 'h2', 'h3', 'h4', 'h5', 'h6')} or ((${named('div', 'p')}) and ${short}) or ` +
    `(local-name() = "tr" and (namespace-uri() != "http://www.w3.org/1999/xhtml" or *[(${named('td', 'th')}) and ${short}]))]`;
  function neededElements() {
    if (!body) return null;
    const marks = [];
    try {
      for (const el of body.querySelectorAll('input, select, textarea, button, iframe, frame, object, embed')) marks.push(el);
      for (const el of roleHeadings) marks.push(el);
      const found = document.evaluate(MAYBE_HEADING, body, null, XPathResult.UNORDERED_NODE_SNAPSHOT_TYPE, null);
      for (let k = 0; k < found.snapshotLength; k++) marks.push(found.snapshotItem(k));
    } catch (e) {
      return null;
    }
    const elements = new Set();
    for (let el of marks) for (; el && !elements.has(el); el = el.parentNode) elements.add(el);
    return elements;
  }
  let needed = neededElements();

  // Walks the placeholder at `k` where it stands, as the first walk would have (a break next to
  // a break is one break); the controls after it move along. Each walk moves the tokens after it:
  // once that has cost about as much as walking the rest, every placeholder left is walked at once.
  let moved = 0;
  const MOVE_LIMIT = 200000;
  function expand(k) {
    if (moved > MOVE_LIMIT) {
      expandAll();
      return;
    }
    moved += tokens.length;
    const el = tokens[k].el;
    const all = tokens;
    const prior = k > 0 ? all[k - 1] : undefined;
    const open = outline.slice();
    tokens = prior ? [prior] : [];
    const walkOnly = needed;
    needed = null;
    try {
      visitNode(el, el.parentNode);
    } finally {
      needed = walkOnly;
      outline.length = 0;
      outline.push(...open);
    }
    const part = prior ? tokens.slice(1) : tokens;
    const last = part.length > 0 ? part[part.length - 1] : prior;
    const next = all[k + 1];
    const joined = last && last.kind === BREAK && next && next.kind === BREAK ? 1 : 0;
    tokens = all.slice(0, k).concat(part, all.slice(k + 1 + joined));
    for (let i = k; i < tokens.length; i++) if (tokens[i].kind === CONTROL) controlToken[tokens[i].value] = i;
  }
  function expandAll() {
    const all = tokens;
    const open = outline.slice();
    tokens = [];
    needed = null;
    try {
      for (const t of all) {
        if (t.kind === LATER) visitNode(t.el, t.el.parentNode);
        else if (t.kind === BREAK) push(BREAK);
        else tokens.push(t);
      }
    } finally {
      outline.length = 0;
      outline.push(...open);
    }
    for (let i = 0; i < tokens.length; i++) if (tokens[i].kind === CONTROL) controlToken[tokens[i].value] = i;
  }
  // The token at `k` for the reads below; a placeholder ends the read, which `scanned` does
  // again once the placeholder is walked.
  const reachedLater = { at: -1 };
  function tok(k) {
    const t = tokens[k];
    if (t.kind === LATER) {
      reachedLater.at = k;
      throw reachedLater;
    }
    return t;
  }
  function scanned(read) {
    for (;;) {
      try {
        return read();
      } catch (e) {
        if (e !== reachedLater) throw e;
        expand(e.at);
      }
    }
  }

  if (body) visit(body);

  // The text from token `at` backwards (step -1) or forwards (+1) up to a break or a control.
  function run(at, step) {
    let out = '';
    for (let k = at; k >= 0 && k < tokens.length; k += step) {
      const t = tok(k);
      if (t.kind !== TEXT) break;
      if (!rendered(t.el)) continue;
      out = step < 0 ? t.value + out : out + t.value;
    }
    return fold(out);
  }
  // The text of the nearest block before the control's own that holds text and no control.
  function blockBefore(at) {
    let k = at - 1;
    while (k >= 0 && tok(k).kind === TEXT) k--;
    for (; k >= 0; k--) {
      const t = tok(k);
      if (t.kind === CONTROL || t.kind === STOP) return '';
      if (t.kind === TEXT) {
        let start = k;
        while (start > 0 && tok(start - 1).kind === TEXT) start--;
        // Text that follows a control in its block is that control's.
        if (start > 0 && tok(start - 1).kind !== BREAK) return '';
        const words = run(k, -1);
        if (words !== '') return words;
        k = start;
      }
    }
    return '';
  }

  // The text after the control's own block, across blocks, up to the next control: a note under
  // it. Nothing when another control follows on the control's own line; a button there (an
  // address search beside a postal code box) is the box's own and ends nothing.
  function blockAfter(at) {
    let k = at + 1;
    while (k < tokens.length && (tok(k).kind === TEXT || tok(k).kind === STOP)) k++;
    if (k >= tokens.length || tok(k).kind !== BREAK) return '';
    let out = '';
    for (; k < tokens.length && out.length < 4 * MAX_TEXT; k++) {
      const t = tok(k);
      if (t.kind === CONTROL || t.kind === STOP) break;
      out += t.kind !== TEXT ? ' ' : rendered(t.el) ? t.value : '';
    }
    return fold(out);
  }

  // The first cell of the control's row (or the header cell before its own), the <dt> of its
  // <dd>, or a label column beside it.
  function rowHeader(el) {
    const cell = el.closest('td, th');
    if (cell && cell.parentElement && cell.parentElement.localName === 'tr') {
      let header = null;
      for (let c = cell.previousElementSibling; c; c = c.previousElementSibling) {
        if (c.localName === 'th') { header = c; break; }
      }
      if (!header) {
        const first = cell.parentElement.firstElementChild;
        if (first && first !== cell) header = first;
      }
      if (header && !header.querySelector('input, select, textarea')) return textOf(header);
    }
    const dd = el.closest('dd');
    if (dd) {
      for (let c = dd.previousElementSibling; c; c = c.previousElementSibling) {
        if (c.localName === 'dt') return textOf(c);
      }
    }
    // A label column: an element beside the block holding the control, to its left on the same
    // line, with text and no controls of its own.
    const box = el.getBoundingClientRect();
    for (let a = el.parentElement, depth = 0; a && a !== body && depth < 6; a = a.parentElement, depth++) {
      const display = style(a).display;
      if (display === 'inline' || display === 'contents') continue;
      const before = a.previousElementSibling;
      if (!before) continue;
      if (before.querySelector('input, select, textarea') || /^(input|select|textarea)$/.test(before.localName)) return '';
      const r = before.getBoundingClientRect();
      if (r.width > 0 && r.right <= box.left + 1 && r.top < box.bottom && r.bottom > box.top) {
        const words = textOf(before);
        if (words !== '') return words;
      }
    }
    return '';
  }

  // The header cell above the control in its table's column.
  function columnHeader(el) {
    const cell = el.closest('td, th');
    if (!cell || !cell.parentElement || cell.parentElement.localName !== 'tr') return '';
    const table = cell.closest('table');
    if (!table) return '';
    let column = 0;
    for (let c = cell.previousElementSibling; c; c = c.previousElementSibling) column += c.colSpan || 1;
    // Only a header row above the control's own row names its column.
    const head = headRowOf(table);
    const own = cell.parentElement.rowIndex;
    if (head === null || (own >= 0 && own < head.index)) return '';
    let at = 0;
    for (const c of head.row.cells) {
      if (column >= at && column < at + (c.colSpan || 1)) return c.localName === 'th' ? textOf(c) : '';
      at += c.colSpan || 1;
    }
    return '';
  }
  // The first row of a table with header cells and no controls, and its index among the table's
  // rows; looked for once per table.
  const headRows = new Map();
  function headRowOf(table) {
    let head = headRows.get(table);
    if (head === undefined) {
      head = null;
      const rows = table.rows;
      for (let k = 0; k < rows.length; k++) {
        if (rows[k].querySelector('th') && !rows[k].querySelector('input, select, textarea')) {
          head = { row: rows[k], index: k };
          break;
        }
      }
      headRows.set(table, head);
    }
    return head;
  }

  function legendOf(el) {
    const fieldset = el.closest('fieldset');
    if (!fieldset) return '';
    for (let c = fieldset.firstElementChild; c; c = c.nextElementSibling) {
      if (c.localName === 'legend') return textOf(c);
    }
    return '';
  }

  function labelOf(el) {
    const words = [];
    if (el.labels) for (const label of el.labels) words.push(textOf(label));
    return fold(words.join(' '));
  }

  function ariaOf(el) {
    const own = el.getAttribute('aria-label');
    if (own && own.trim() !== '') return own;
    const ids = (el.getAttribute('aria-labelledby') || '').split(/\s+/).filter(Boolean);
    return ids.map((id) => { const e = document.getElementById(id); return e ? e.textContent : ''; }).join(' ');
  }

  // Radio buttons and check boxes hidden for a drawn replacement are worked through their label:
  // a person sees the label.
  function choiceSeen(el) {
    if (seen(el)) return true;
    if (!el.labels) return false;
    for (const label of el.labels) {
      if (seen(label) && textOf(label) !== '') return true;
    }
    return false;
  }

  // The option a list showed when the page loaded.
  function loadedSelection(el) {
    let index = el.multiple || el.size > 1 ? -1 : 0;
    for (let k = 0; k < el.options.length; k++) if (el.options[k].defaultSelected) index = k;
    return index;
  }
  function edited(el) {
    if (el.localName === 'select') {
      if (el.multiple) return Array.from(el.options).some((o) => o.selected !== o.defaultSelected);
      return el.options.length > 0 && el.selectedIndex !== loadedSelection(el);
    }
    if (el.type === 'checkbox' || el.type === 'radio') return el.checked !== el.defaultChecked;
    return el.value !== el.defaultValue;
  }
  function stateOf(el) {
    if (el.localName === 'select') return 'select:' + Array.from(el.options, (o) => (o.selected ? '1' : '0')).join('');
    if (el.localName === 'input' && (el.type === 'checkbox' || el.type === 'radio')) return el.type + ':' + el.checked;
    return el.localName + ':' + el.type + ':' + el.value;
  }
  const number = (el, name, value) => (el.hasAttribute(name) && Number.isInteger(value) && value >= 0 && value <= 1e9 ? value : -1);

  const forms = Array.from(document.forms);
  const formIndex = new Map(forms.map((f, k) => [f, k]));
  // The caret's box counts as focused whether or not the window has the focus now: the fill
  // gesture itself may have taken it. Which frame holds the caret, the background tells.
  const focusedElement = document.activeElement;
  // When each control last changed in a way that may show or hide it (its own attributes or an
  // ancestor's, its insertion, its place, the style sheets); the background leaves out what changed
  // after the window lost the focus or the tab was hidden.
  const changedAt = (el) => {
    if (!watch) return 0;
    let t = Math.max(watch.sheetsAt, watch.coversAt);
    for (let a = el; a && a.nodeType === 1; a = flatParent(a)) t = Math.max(t, watch.changed.get(a) || 0);
    return t;
  };
  // A frame of more controls than Formix takes (an advertisement's flood) is left out whole.
  const dropped = controls.length > MAX_CONTROLS ? controls.length + ' controls, more than ' + MAX_CONTROLS : '';
  if (dropped) controls.length = 0;
  const facts = controls.map((el, k) => {
    const choice = el.localName === 'input' && (el.type === 'checkbox' || el.type === 'radio');
    const secret = el.localName === 'input' && (el.type === 'password' || el.type === 'file');
    const label = labelOf(el);
    const before = scanned(() => cutFromEnd(run(controlToken[k] - 1, -1)));
    const after = scanned(() => text(run(controlToken[k] + 1, 1)));
    const f = {
      control: k,
      tag: el.localName,
      type: el.localName === 'textarea' ? 'textarea' : String(el.type).toLowerCase(),
      name: text(el.getAttribute('name')),
      id: text(el.id),
      autocomplete: text(el.getAttribute('autocomplete')).toLowerCase(),
      inputMode: text(el.getAttribute('inputmode')),
      maxLength: number(el, 'maxlength', el.maxLength),
      size: number(el, 'size', el.size),
      pattern: text(el.getAttribute('pattern')),
      placeholder: text(el.getAttribute('placeholder')),
      title: text(el.getAttribute('title')),
      ariaLabel: text(ariaOf(el)),
      label: cut(label),
      before,
      after,
      rowHeader: cut(rowHeader(el)),
      columnHeader: cut(columnHeader(el)),
      legend: cut(legendOf(el)),
      block: scanned(() => cutFromEnd(blockBefore(controlToken[k]))),
      below: scanned(() => cut(blockAfter(controlToken[k]))),
      beside: choice ? cut(label || after || before) : '',
      // What a person typed does not leave the page: of a box only how long its text is; of
      // a list its choice, of a radio button or check box its value attribute.
      value: choice || el.localName === 'select' ? text(el.value) : '',
      valueLength: choice || el.localName === 'select' || secret ? 0 : el.value.length,
      checked: choice ? el.checked : false,
      userEdited: edited(el),
      visible: choice ? choiceSeen(el) : seen(el),
      enabled: !el.matches(':disabled'),
      editable: !(el.readOnly === true),
      focused: el === focusedElement,
      // A honeypot's marks: hidden from assistive technology, or from the tab order.
      ariaHidden: el.closest('[aria-hidden="true"]') !== null,
      tabIndex: el.tabIndex < 0 ? -1 : Math.min(el.tabIndex, 32767),
      changedAt: changedAt(el),
      form: el.form && formIndex.has(el.form) ? formIndex.get(el.form) : -1,
      sections: sectionsOf(k, el),
    };
    if (el.localName === 'select') {
      f.options = Array.from(el.options).slice(0, 2000).map((o) => ({ text: text(o.text), value: text(o.value),
        selected: o.selected }));
    }
    for (const key of Object.keys(f)) if (typeof f[key] === 'string') f[key] = wellFormed(f[key]);
    if (f.options) for (const o of f.options) { o.text = wellFormed(o.text); o.value = wellFormed(o.value); }
    return f;
  });

  // The frames inside this one, by their index among the window's child frames: whether a
  // person can see each, and whether it may take a fill of this frame's page.
  const children = [];
  const owned = new Set();
  for (const el of frameElements) if (el.localName !== 'embed' && el.contentWindow) owned.add(el.contentWindow);
  let index = 0;
  for (const el of frameElements) {
    if (index >= window.length) break;
    const child = window[index];
    const mine = el.localName === 'embed' ? !owned.has(child) : el.contentWindow === child;
    if (!mine) continue;
    const allow = (el.getAttribute('allow') || '').split(';').map((d) => d.trim().split(/\s+/)[0]);
    children[index] = { visible: seen(el), sharedAutofill: allow.includes('shared-autofill'), changedAt: changedAt(el),
      active: el === focusedElement };
    index++;
  }
  for (let k = 0; k < window.length; k++) if (!children[k]) children[k] = { visible: false, sharedAutofill: false, changedAt: 0, active: false };

  // Where this frame sits: child indexes from the top document. A frame its parent does not list
  // among its child frames (Chromium leaves out those of <object> and <embed>) is at -1 there: its
  // frame element cannot be told, so it counts as not visible.
  let path = [];
  try {
    for (let w = window; w !== w.parent; w = w.parent) {
      const parent = w.parent;
      let i = 0;
      while (i < parent.length && parent[i] !== w) i++;
      path.unshift(i < parent.length ? i : -1);
    }
  } catch (e) {
    path = null;
  }

  // What the read saw, and the watcher's count of changes then: while it stays the same, what was
  // seen then is seen still, and the fill need not lay the page out again to look.
  if (watch) watch.flush();
  globalThis.formixLastFacts = { id: readId, elements: controls, states: controls.map(stateOf), stateOf, seen, choiceSeen, forget,
    shown: facts.map((f) => f.visible), version: watch ? watch.version : NaN };
  const answer = { path, origin: String(self.origin), children, controls: facts, shiftAt: watch ? watch.shiftAt : 0,
    took: performance.now() - started };
  if (dropped) answer.dropped = dropped;
  return answer;
}

// Applies a fill's changes to the controls of the frame's last read, one by one, as a person's
// typing would: the value through the element's own setter, then "input" and "change" events so
// that scripts keeping their own state see it; a radio button or check box by a click; a list by
// its option's index. Each control is looked at again first: it must still be in the page,
// visible, enabled, editable and as it was when read; a password, file or card field is never
// written. Anything else is skipped.
function formixFill(readId, fills) {
  const read = globalThis.formixLastFacts;
  if (!read || read.id !== readId || !Array.isArray(fills)) {
    return { applied: 0, skipped: Array.isArray(fills) ? fills.length : 0, stale: true };
  }
  const TEXT_TYPES = new Set(['text', 'search', 'email', 'tel', 'url', 'number', 'date', 'month', 'week', 'time',
    'datetime-local', '']);
  const fire = (el) => {
    el.dispatchEvent(new Event('input', { bubbles: true }));
    el.dispatchEvent(new Event('change', { bubbles: true }));
  };
  const isChoice = (el) => el.localName === 'input' && (el.type === 'checkbox' || el.type === 'radio');
  const forbidden = (el) => (el.localName === 'input' && (el.type === 'password' || el.type === 'file')) ||
    /(^|\s)cc-/.test((el.getAttribute('autocomplete') || '').toLowerCase());
  // The value's forms, the one asked for first; a form that is not text is not tried.
  const formsOf = (fill) => [fill.value].concat(Array.isArray(fill.alternatives) ? fill.alternatives : [])
    .filter((v, k, all) => typeof v === 'string' && all.indexOf(v) === k);
  // Whether the box, holding `v`, keeps it as given and passes its own rules. The length is
  // checked here: a value set by a script never counts as too long or too short to the browser.
  const accepts = (el, v) => {
    if ((el.maxLength >= 0 && v.length > el.maxLength) || (el.minLength > 0 && v.length < el.minLength)) return false;
    el.value = v;
    if (el.value !== v) return false;  // the box's type cleaned it (a number box, a date box)
    const k = el.validity;
    return !(k.patternMismatch || k.typeMismatch || k.tooLong || k.tooShort || k.rangeOverflow || k.rangeUnderflow ||
      k.stepMismatch || k.badInput);
  };
  function applyOne(el, fill) {
    if (typeof fill.value === 'string') {
      if (!(el.localName === 'textarea' || (el.localName === 'input' && TEXT_TYPES.has(el.type)))) return false;
      const forms = formsOf(fill);
      if (forms.includes(el.value)) return true;
      // The forms are tried without events, so the page sees only the one kept; when the box
      // refuses them all, it gets back what it held and the page sees nothing.
      const before = el.value;
      const kept = forms.find((v) => accepts(el, v));
      if (kept === undefined) {
        if (el.value !== before) el.value = before;
        return false;
      }
      fire(el);
      return el.value === kept;
    }
    if (fill.checked === true) {
      if (!isChoice(el)) return false;
      if (el.checked) return true;
      // Checking goes through a click, which frameworks watch on these controls.
      el.click();
      if (!el.checked) {
        el.checked = true;
        fire(el);
      }
      return true;
    }
    if (Number.isInteger(fill.option)) {
      if (el.localName !== 'select' || fill.option < 0 || fill.option >= el.options.length) return false;
      const option = el.options[fill.option];
      if (option.disabled) return false;
      if (el.selectedIndex === fill.option && !el.multiple) return true;
      if (el.multiple) option.selected = true;
      else el.selectedIndex = fill.option;
      fire(el);
      return true;
    }
    return false;
  }
  // First every control is looked at (one layout of the page for all of them), then each is
  // written after a last look at what a write of the one before may have changed: still in this
  // frame's page, still showing what it showed when read, still seen.
  const sound = (el, k) => el && el.isConnected && el.ownerDocument === document && read.stateOf(el) === read.states[k];
  // The watcher's count of the page's changes (NaN without a watcher: never the same).
  const watch = globalThis.formixWatch;
  const version = () => {
    if (!watch) return NaN;
    watch.flush();
    return watch.version;
  };
  // A look after a change of the page works everything out afresh.
  let fresh = NaN;
  const shows = (el) => {
    const now = version();
    if (!(now === fresh)) {
      read.forget();
      fresh = now;
    }
    return isChoice(el) ? read.choiceSeen(el) : read.seen(el);
  };
  const unchanged = version() === read.version;
  const chosen = fills.map((fill) => {
    const k = fill && Number.isInteger(fill.control) ? fill.control : -1;
    const el = k >= 0 && k < read.elements.length ? read.elements[k] : null;
    try {
      return el && sound(el, k) && !forbidden(el) && !el.matches(':disabled') && el.readOnly !== true &&
        (unchanged ? read.shown[k] : shows(el)) ? { el, k, fill } : null;
    } catch (e) {
      return null;
    }
  });
  // For formixUndo: each control this fill changes, with what it showed before (a radio button
  // also the one of its group that was checked) and the state the fill left.
  const changes = [];
  const groupChecked = (el) => (!el.name ? (el.checked ? el : null)
    : Array.from(el.getRootNode().querySelectorAll('input[type="radio"]'))
      .find((r) => r.checked && r.name === el.name && r.form === el.form) || null);
  const undoState = (el) => ({ state: read.stateOf(el), value: el.value, checked: el.checked,
    selected: el.localName === 'select' ? Array.from(el.options, (o) => o.selected) : null,
    radio: el.localName === 'input' && el.type === 'radio' ? groupChecked(el) : null });
  let applied = 0;
  let skipped = 0;
  // Every control was looked at just now; once the page's own script, run by a write, changes
  // anything, each one after it is looked at again.
  const looked = version();
  for (const c of chosen) {
    let done = false;
    let was = null;
    try {
      was = c !== null ? undoState(c.el) : null;
      done = c !== null && sound(c.el, c.k) && (version() === looked || shows(c.el)) && applyOne(c.el, c.fill);
    } catch (e) {
      done = false;
    }
    try {
      if (was !== null && read.stateOf(c.el) !== was.state) changes.push({ el: c.el, was, after: read.stateOf(c.el) });
    } catch (e) {
      // A control that cannot be looked at is not undone.
    }
    if (done) applied++;
    else skipped++;
  }
  // A read is filled once; its changes can be undone until the next fill.
  globalThis.formixLastFacts = null;
  globalThis.formixLastFill = { id: readId, changes, stateOf: read.stateOf };
  return { applied, skipped };
}

// Puts back what the frame's last fill (of read `readId`) changed, the latest change first,
// through the same setters and events as the fill: a text its old value, a check box its old
// check, a radio button's group its old choice, a list its old selection. A control that is gone
// from the page, or no longer shows what the fill wrote (a person edited it), is skipped. The
// memory goes with the undo. null when this frame holds no memory of that fill.
function formixUndo(readId) {
  const memory = globalThis.formixLastFill;
  if (!memory || memory.id !== readId) return null;
  globalThis.formixLastFill = null;
  const fire = (el) => {
    el.dispatchEvent(new Event('input', { bubbles: true }));
    el.dispatchEvent(new Event('change', { bubbles: true }));
  };
  function restore(el, was) {
    if (el.localName === 'select') {
      if (el.multiple) was.selected.forEach((selected, k) => { el.options[k].selected = selected; });
      else el.selectedIndex = was.selected.indexOf(true);
    } else if (el.localName === 'input' && el.type === 'radio') {
      if (was.radio && was.radio !== el) {
        if (!was.radio.isConnected) return;
        // Choosing goes through a click, as the fill's did.
        was.radio.click();
        if (was.radio.checked) return;
        was.radio.checked = true;
        el = was.radio;
      } else {
        el.checked = was.checked;
      }
    } else if (el.localName === 'input' && el.type === 'checkbox') {
      el.click();
      if (el.checked === was.checked) return;
      el.checked = was.checked;
    } else {
      el.value = was.value;
    }
    fire(el);
  }
  let applied = 0;
  let skipped = 0;
  for (const { el, was, after } of memory.changes.slice().reverse()) {
    try {
      if (el.isConnected && memory.stateOf(el) === after) {
        restore(el, was);
        if (memory.stateOf(el) === was.state) {
          applied++;
          continue;
        }
      }
    } catch (e) {
      // Counted as skipped below.
    }
    skipped++;
  }
  return { applied, skipped };
}
