#!/usr/bin/env python3
"""Fills the project's own test forms through the recogniser and compares every control with what
the page itself says it should receive.

Each control of a page under forms/ carries `data-expect`: the value it should get ("" means leave it
alone; alternatives are joined by "|"; a list names the option text; a radio button says "checked"
when it is the one to choose). A control without the attribute is not judged.

    tests/recognise/check_forms.py BUILD_DIR [--forms DIR] [--today YYYY-MM-DD] [--verbose] [--strict]

Prints one line per page and a total; with --strict it exits 1 when anything is wrong, missed or
harmful. The facts are read by `formix-tool capture` (headless chromium), so the pages are judged as
a browser lays them out.
"""
import argparse, html.parser, json, os, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


class Expectations(html.parser.HTMLParser):
    """The controls of a page in document order with their data-expect, by name (and value for radios)."""

    def __init__(self):
        super().__init__()
        self.controls = []
        self._select = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag in ('input', 'select', 'textarea'):
            kind = a.get('type', 'text').lower() if tag == 'input' else tag
            if kind in ('submit', 'button', 'hidden', 'image', 'reset'):
                return
            entry = dict(tag=tag, type=kind, name=a.get('name') or a.get('id') or '', value=a.get('value', ''),
                         expect=a.get('data-expect'), options=[])
            self.controls.append(entry)
            if tag == 'select':
                self._select = entry
        elif tag == 'option' and self._select is not None:
            self._select['options'].append('')
            self._option = True

    def handle_endtag(self, tag):
        if tag == 'select':
            self._select = None

    def handle_data(self, data):
        if self._select is not None and self._select['options']:
            self._select['options'][-1] += data.strip()


def norm(s):
    return ''.join((s or '').split()).replace('\u3000', '')


def judge(page, tool, settings, today, verbose):
    with tempfile.TemporaryDirectory() as tmp:
        facts_path = os.path.join(tmp, 'facts.json')
        with open(facts_path, 'wb') as out:
            subprocess.run([tool, 'capture', page], stdout=out, check=True)
        fills = json.loads(subprocess.run([tool, 'recognise', '--settings', settings, '--today', today, facts_path],
                                          capture_output=True, check=True).stdout)['fills']
        facts = json.load(open(facts_path, encoding='utf-8'))
    top = next(f for f in facts['frames'] if f['frame'] == 0)
    by_control = {(f['frame'], f['control']): f for f in fills}
    parser = Expectations()
    parser.feed(open(page, encoding='utf-8').read())
    expected = {}
    for c in parser.controls:
        key = (c['name'], c['value'] if c['type'] in ('radio', 'checkbox') else None)
        expected[key] = c
    counts = dict(right=0, missed=0, wrong=0, harmful=0)
    lines = []
    for c in top['controls']:
        radio = c['type'] in ('radio', 'checkbox')
        key = (c['name'] or c['id'], c['value'] if radio else None)
        e = expected.get(key)
        if e is None or e['expect'] is None:
            continue
        fill = by_control.get((0, c['control']))
        if radio:
            got = 'checked' if fill and fill.get('checked', True) else ''
        elif c['tag'] == 'select':
            got = c['options'][fill['option']]['text'] if fill and 'option' in fill else ''
        else:
            got = fill.get('value', '') if fill else ''
        want = e['expect'].split('|') if e['expect'] else ['']
        if any(norm(got) == norm(w) for w in want):
            verdict = 'right'
        elif not want[0] and got:
            verdict = 'harmful'
        elif not got:
            verdict = 'missed'
        else:
            verdict = 'wrong'
        counts[verdict] += 1
        if verbose or verdict != 'right':
            lines.append('    %-8s %-20s got %r, wants %r' % (verdict, key[0] + ('=' + key[1] if radio else ''), got, e['expect']))
    return counts, lines


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('build')
    ap.add_argument('--forms', default=os.path.join(HERE, 'forms'))
    ap.add_argument('--today', default='2026-06-01')
    ap.add_argument('--verbose', action='store_true')
    ap.add_argument('--strict', action='store_true')
    args = ap.parse_args()
    tool = os.path.join(os.path.abspath(args.build), 'tools', 'formix-tool')
    settings = os.path.join(ROOT, 'examples', 'sample.ini')
    total = dict(right=0, missed=0, wrong=0, harmful=0)
    for name in sorted(os.listdir(args.forms)):
        if not name.endswith('.html'):
            continue
        counts, lines = judge(os.path.join(args.forms, name), tool, settings, args.today, args.verbose)
        for k in total:
            total[k] += counts[k]
        judged = sum(counts.values())
        print('%-32s %2d/%2d right, %d missed, %d wrong, %d harmful' % (name[:-5], counts['right'], judged,
              counts['missed'], counts['wrong'], counts['harmful']))
        for line in lines:
            print(line)
    judged = sum(total.values())
    print('total: %d of %d right, %d missed, %d wrong, %d harmful' % (total['right'], judged, total['missed'],
          total['wrong'], total['harmful']))
    if args.strict and judged != total['right']:
        sys.exit(1)


if __name__ == '__main__':
    main()
