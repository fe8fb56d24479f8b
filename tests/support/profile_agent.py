#!/usr/bin/env python3
"""pass_persist handler serving the printer's profile table to snmpd.

Usage: profile_agent.py MODE [ROWS]
  table      a fixed table: gaps, bad names, long strings, all three classes
  large      ROWS rows (default 500), all valid, RGB/SIM+DST alternating
  robust     row numbers 0 and 100000, short OIDs, oversized strings,
             wrong value types, then valid rows
  outoforder the table, but one answer goes back to an earlier OID
  endless    every GETNEXT answers the same OID
"""
import sys

ROOT = (1, 3, 6, 1, 4, 1, 32473, 1, 1, 1, 1, 6, 13, 1, 1)


def row_entries(row, file_name, profile_name, location, klass, avail=1, sub=1):
    base = ROOT
    return [
        (base + (1, sub, row), "integer", str(row)),
        (base + (2, sub, row), "integer", str(location)),
        (base + (3, sub, row), "string", profile_name),
        (base + (4, sub, row), "string", file_name),
        (base + (5, sub, row), "integer", str(klass)),
        (base + (6, sub, row), "integer", "9"),
        (base + (7, sub, row), "integer", str(avail)),
    ]


def table():
    rows = [
        (1, "SRGB01.ICC", "Office sRGB", 4, 1),
        (2, "PHOTO.ICM", "Photo RGB", 5, 2),
        (3, "PRESS.ICC", "Press CMYK", 4, 3),
        # row 4 is missing: the spool count stops short of row 5
        (5, "BAD NAME.ICC", "Space in name", 4, 1),
        (6, "LONGEXT.ICCX", "Four-letter extension", 4, 1),
        (7, "NOLOC.ICC", "Wrong location", 1, 1),
        (8, "A" * 40 + ".ICC", "L" * 45, 4, 2),
    ]
    out = []
    for r in rows:
        out += row_entries(*r)
    return out


def large(n):
    out = []
    for row in range(1, n + 1):
        out += row_entries(row, "P%05d.ICC" % row, "Profile %d" % row, 4 + row % 2, 2 if row % 2 else 3)
    return out


def robust():
    out = []
    out += row_entries(0, "ROWZERO.ICC", "Row zero", 4, 1)
    out += row_entries(100000, "ROWBIG.ICC", "Row 100000", 4, 1)
    # column OIDs without a row number (17 sub-identifiers)
    out.append((ROOT + (1, 1), "integer", "77"))
    out.append((ROOT + (4, 1), "string", "SHORT.ICC"))
    out += row_entries(1, "OK1.ICC", "X" * 300, 4, 1)
    # row 2: file name far beyond its field, wrong types in other columns
    out += [
        (ROOT + (1, 1, 2), "integer", "2"),
        (ROOT + (2, 1, 2), "string", "4"),
        (ROOT + (3, 1, 2), "integer", "12345"),
        (ROOT + (4, 1, 2), "string", "F" * 1000 + ".ICC"),
        (ROOT + (5, 1, 2), "counter", "1"),
        (ROOT + (7, 1, 2), "objectid", ".1.3.6.1"),
    ]
    out += row_entries(3, "OK3.ICC", "Third", 5, 3)
    # column 1 as a string: no spool count
    out += [(ROOT + (1, 1, 4), "string", "4")]
    # OID longer than 18 sub-identifiers
    out.append((ROOT + (1, 1, 5, 9, 9), "integer", "5"))
    return out


def oid_text(o):
    return "." + ".".join(str(x) for x in o)


def parse_oid(text):
    text = text.strip().lstrip(".")
    return tuple(int(x) for x in text.split(".") if x != "")


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else "table"
    if mode == "large":
        entries = large(int(sys.argv[2]) if len(sys.argv) > 2 else 500)
    elif mode == "robust":
        entries = robust()
    else:
        entries = table()
    entries.sort(key=lambda e: e[0])
    index = {e[0]: e for e in entries}
    back_jump_done = False

    out = sys.stdout
    while True:
        line = sys.stdin.readline()
        if not line:
            return
        cmd = line.strip()
        if cmd == "PING":
            out.write("PONG\n")
        elif cmd in ("get", "getnext"):
            req = parse_oid(sys.stdin.readline())
            found = None
            if mode == "endless":
                found = entries[0]
            elif cmd == "get":
                found = index.get(req)
            else:
                for e in entries:
                    if e[0] > req:
                        found = e
                        break
                if mode == "outoforder" and found is not None and found[0][15] == 3 and not back_jump_done:
                    # after column 2, answer with the first OID of the table again
                    back_jump_done = True
                    found = entries[0]
            if found is None:
                out.write("NONE\n")
            else:
                out.write("%s\n%s\n%s\n" % (oid_text(found[0]), found[1], found[2]))
        elif cmd == "set":
            sys.stdin.readline()
            sys.stdin.readline()
            out.write("not-writable\n")
        else:
            out.write("NONE\n")
        out.flush()


if __name__ == "__main__":
    main()
