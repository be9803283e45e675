#!/usr/bin/env python3
"""The last value a test page reported for one of its fields, from the page server's log.

    page_seen.py LOG PAGE FIELD MARK    (only log lines after line MARK count)

The page asks GET /seen?page=..&field=..&value=.. for every value its own script sees; the
server logs each request line. Prints the value, or nothing when there was none."""
import sys
import urllib.parse

log, page, field, mark = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
last = None
with open(log, encoding="utf-8", errors="replace") as lines:
    for number, line in enumerate(lines, 1):
        if number <= mark or '"GET /seen?' not in line:
            continue
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(line.split('"')[1].split()[1]).query)
        if query.get("page") == [page] and query.get("field") == [field]:
            last = query.get("value", [""])[0]
print("" if last is None else last)
