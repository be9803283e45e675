// The parts of the extension that run inside a page's frames. Each function is handed to the
// browser's executeScript on its own, so it must not use anything from outside its body. They
// run in the extension's isolated world: the page's scripts see neither their variables nor the
// state they keep between calls (the last read of the frame, the title before a marker).
'use strict';

// Serialises the frame's body as HTML with every form control's live state written into its tag
// (an input's current value, a check box's or radio button's checked state, the selected
// options, a text area's current text), and notes where each control's tag starts in that text.
// The page itself is left as it was. Remembers the controls under `readId` for formixApply.
function formixSerialise(readId) {
  const started = performance.now();
  const HTML = 'http://www.w3.org/1999/xhtml';
  const SVG = 'http://www.w3.org/2000/svg';
  const MATHML = 'http://www.w3.org/1998/Math/MathML';
  const VOID = new Set(['area', 'base', 'basefont', 'bgsound', 'br', 'col', 'embed', 'frame', 'hr', 'img', 'input',
    'keygen', 'link', 'meta', 'param', 'source', 'track', 'wbr']);
  const RAW = new Set(['style', 'script', 'xmp', 'iframe', 'noembed', 'noframes', 'plaintext', 'noscript']);
  const TEXT_REFS = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '\u00a0': '&nbsp;' };
  const ATTR_REFS = { '&': '&amp;', '"': '&quot;', '<': '&lt;', '>': '&gt;', '\u00a0': '&nbsp;' };
  const TEXT_SPECIAL = /[&<>\u00a0]/;
  const ATTR_SPECIAL = /[&"<>\u00a0]/;
  // Most texts need no escaping: they are tested before anything is built.
  const escapeText = (s) => (TEXT_SPECIAL.test(s) ? s.replace(/[&<>\u00a0]/g, (c) => TEXT_REFS[c]) : s);
  // "<" and ">" are escaped in attribute values too, so a tag's first ">" is where it ends.
  const escapeAttribute = (s) => (ATTR_SPECIAL.test(s) ? s.replace(/[&"<>\u00a0]/g, (c) => ATTR_REFS[c]) : s);
  const ELEMENT = 1, TEXT = 3, COMMENT = 8, INSTRUCTION = 7, DOCTYPE = 10;

  function stateOf(el) {
    if (el.localName === 'select') {
      return 'select:' + Array.from(el.options, (o) => (o.selected ? '1' : '0')).join('');
    }
    if (el.localName === 'input' && (el.type === 'checkbox' || el.type === 'radio')) return el.type + ':' + el.checked;
    return el.localName + ':' + el.type + ':' + el.value;
  }
  function setAttribute(list, name, value) {
    const at = list.findIndex((a) => a[0] === name);
    if (at >= 0) list[at][1] = value;
    else list.push([name, value]);
  }
  function setFlag(list, name, on) {
    const at = list.findIndex((a) => a[0] === name);
    if (on && at < 0) list.push([name, '']);
    if (!on && at >= 0) list.splice(at, 1);
  }
  function plainAttributes(el) {
    const attributes = el.attributes;
    const list = new Array(attributes.length);
    for (let i = 0; i < attributes.length; i++) list[i] = [attributes[i].name, attributes[i].value];
    return list;
  }
  // The attributes of a control or option, with the live state in place of what the markup said.
  function attributesOf(el, name) {
    const list = plainAttributes(el);
    if (name === 'input') {
      const type = el.type;
      if (type === 'checkbox' || type === 'radio') {
        setFlag(list, 'checked', el.checked);
      } else if (type !== 'file' && type !== 'password') {
        // A password stays in the page: the fill never needs it.
        const written = el.getAttribute('value');
        if (el.value !== (written === null ? '' : written)) setAttribute(list, 'value', el.value);
      }
    } else if (name === 'option') {
      setFlag(list, 'selected', el.selected);
    }
    return list;
  }

  let path = [];
  try {
    for (let w = window; w !== w.parent; w = w.parent) {
      const parent = w.parent;
      let index = 0;
      while (index < parent.length && parent[index] !== w) index++;
      path.unshift(index);
    }
  } catch (e) {
    path = null;
  }
  if (path === null) return null;

  const out = [];
  let length = 0;
  const emit = (s) => { out.push(s); length += s.length; };
  const controls = [];
  const elements = [];
  const states = [];
  const body = document.body;
  // Depth-first over the body's children with a stack of nodes and closing tags, so that no page
  // is nested too deeply to be read.
  const stack = [];
  if (body) for (let c = body.lastChild; c; c = c.previousSibling) stack.push(c);
  while (stack.length > 0) {
    const node = stack.pop();
    if (typeof node === 'string') {
      emit(node);
      continue;
    }
    switch (node.nodeType) {
      case ELEMENT: {
        const html = node.namespaceURI === HTML;
        const name = html || node.namespaceURI === SVG || node.namespaceURI === MATHML ? node.localName : node.tagName;
        const control = html && (name === 'input' || name === 'select' || name === 'textarea');
        if (control) {
          controls.push(length);
          elements.push(node);
          states.push(stateOf(node));
        }
        let tag = '<' + name;
        if (control || (html && name === 'option')) {
          for (const [attribute, value] of attributesOf(node, name)) tag += ' ' + attribute + '="' + escapeAttribute(value) + '"';
        } else {
          const attributes = node.attributes;
          for (let i = 0; i < attributes.length; i++) {
            tag += ' ' + attributes[i].name + '="' + escapeAttribute(attributes[i].value) + '"';
          }
        }
        emit(tag + '>');
        if (html && VOID.has(name)) break;
        stack.push('</' + name + '>');
        if (html && name === 'textarea') {
          emit(escapeText(node.value));
          break;
        }
        const children = html && name === 'template' ? node.content.childNodes : node.childNodes;
        for (let i = children.length - 1; i >= 0; i--) stack.push(children[i]);
        break;
      }
      case TEXT: {
        const parent = node.parentNode;
        const raw = parent && parent.namespaceURI === HTML && RAW.has(parent.localName);
        emit(raw ? node.data : escapeText(node.data));
        break;
      }
      case COMMENT: emit('<!--' + node.data + '-->'); break;
      case INSTRUCTION: emit('<?' + node.target + ' ' + node.data + '>'); break;
      case DOCTYPE: emit('<!DOCTYPE ' + node.name + '>'); break;
      default: break;
    }
  }
  let text = out.join('');
  // An unpaired surrogate becomes U+FFFD: one unit for one, so the positions stay.
  text = typeof text.toWellFormed === 'function'
    ? text.toWellFormed()
    : text.replace(/[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g, '\uFFFD');

  const index = new Map();
  controls.forEach((at, k) => index.set(at, k));
  globalThis.formixLastRead = { id: readId, index, elements, states, stateOf };
  return { path, length: window.length, html: text, controls, took: performance.now() - started };
}

// Applies a fill's edits to the controls of the frame's last read, field by field, as a person's
// typing would: the value through the element's own setter, then "input" and "change" events so
// that scripts keeping their own state see it. A control that is gone, or that changed since it
// was read, is skipped; so is an edit that does not suit the control.
function formixApply(readId, edits) {
  const read = globalThis.formixLastRead;
  if (!read || read.id !== readId || !Array.isArray(edits)) {
    return { applied: 0, skipped: Array.isArray(edits) ? edits.length : 0, stale: true };
  }
  const fire = (el) => {
    el.dispatchEvent(new Event('input', { bubbles: true }));
    el.dispatchEvent(new Event('change', { bubbles: true }));
  };
  const isChoice = (el) => el.localName === 'input' && (el.type === 'checkbox' || el.type === 'radio');
  function applyOne(el, edit, unchanged) {
    if (typeof edit.value === 'string') {
      if (el.localName !== 'input' || isChoice(el) || el.type === 'file') return false;
      if (el.value === edit.value) return true;
      if (!unchanged) return false;
      el.value = edit.value;
      fire(el);
      return true;
    }
    if (typeof edit.checked === 'boolean') {
      if (!isChoice(el)) return false;
      if (el.checked === edit.checked) return true;
      if (!unchanged) return false;
      // Checking goes through a click, which frameworks watch on these controls; a control that
      // ignores clicks (disabled) is set directly.
      if (edit.checked) el.click();
      if (el.checked !== edit.checked) {
        el.checked = edit.checked;
        fire(el);
      }
      return true;
    }
    if (Number.isInteger(edit.option)) {
      if (el.localName !== 'select' || edit.option < 0 || edit.option >= el.options.length) return false;
      const option = el.options[edit.option];
      if (option.selected && !el.multiple && el.selectedIndex === edit.option) return true;
      if (!unchanged) return false;
      option.selected = true;
      fire(el);
      return true;
    }
    if (typeof edit.text === 'string') {
      if (el.localName !== 'textarea') return false;
      if (el.value === edit.text) return true;
      if (!unchanged) return false;
      el.value = edit.text;
      fire(el);
      return true;
    }
    return false;
  }
  let applied = 0;
  let skipped = 0;
  for (const edit of edits) {
    const k = edit && Number.isInteger(edit.at) ? read.index.get(edit.at) : undefined;
    const el = k === undefined ? null : read.elements[k];
    let done = false;
    if (el && el.isConnected) {
      try {
        done = applyOne(el, edit, read.stateOf(el) === read.states[k]);
      } catch (e) {
        done = false;
      }
    }
    if (done) applied++;
    else skipped++;
  }
  // A read is applied once.
  globalThis.formixLastRead = null;
  return { applied, skipped };
}

// Puts `marker` and a blank in front of the document's title, so that the window showing it
// can be recognised by its title; formixUnmark takes it off again.
function formixMark(marker) {
  const had = document.querySelector('title') !== null;
  globalThis.formixTitle = { marker, title: document.title, had };
  document.title = marker + ' ' + document.title;
  return true;
}

function formixUnmark(marker) {
  const saved = globalThis.formixTitle;
  if (!saved || saved.marker !== marker) return false;
  globalThis.formixTitle = null;
  const squeeze = (s) => s.replace(/\s+/g, ' ').trim();
  // A title the page changed meanwhile is the page's; only the marked one is put back.
  if (squeeze(document.title) !== squeeze(marker + ' ' + saved.title)) return false;
  if (saved.had) {
    document.title = saved.title;
  } else {
    const title = document.querySelector('title');
    if (title) title.remove();
  }
  return true;
}
