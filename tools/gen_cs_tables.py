#!/usr/bin/env python3
"""Writes the mapping tables of the single-byte character sets to cs/tables/*.inc.

The data comes from Python's codecs and is cross-checked against glibc's iconv
(through ctypes) when it is available; the two must agree or the tool stops.
The output is checked in, so the build never depends on either.

    tools/gen_cs_tables.py            write the tables
    tools/gen_cs_tables.py --check    only verify that the checked-in files are current

Each entry is {byte value, code point, 0}. Bytes a set leaves undefined have no
entry, except in the Windows code pages, where they map to '?'.
"""

import argparse
import ctypes
import ctypes.util
import os
import sys

# (file stem, Python codec, iconv name, undefined bytes become '?', entries, identity run)
TABLES = [
    ("iso-8859-1", "iso8859_1", "ISO-8859-1", False, 256, 256),
    ("iso-8859-2", "iso8859_2", "ISO-8859-2", False, 256, 161),
    ("iso-8859-3", "iso8859_3", "ISO-8859-3", False, 249, 161),
    ("iso-8859-4", "iso8859_4", "ISO-8859-4", False, 256, 161),
    ("iso-8859-5", "iso8859_5", "ISO-8859-5", False, 256, 161),
    ("iso-8859-6", "iso8859_6", "ISO-8859-6", False, 211, 161),
    ("iso-8859-7", "iso8859_7", "ISO-8859-7", False, 253, 161),
    ("iso-8859-8", "iso8859_8", "ISO-8859-8", False, 220, 161),
    ("iso-8859-9", "iso8859_9", "ISO-8859-9", False, 256, 208),
    ("iso-8859-10", "iso8859_10", "ISO-8859-10", False, 256, 161),
    ("iso-8859-11", "iso8859_11", "ISO-8859-11", False, 248, 161),
    ("iso-8859-13", "iso8859_13", "ISO-8859-13", False, 256, 161),
    ("iso-8859-14", "iso8859_14", "ISO-8859-14", False, 256, 161),
    ("iso-8859-15", "iso8859_15", "ISO-8859-15", False, 256, 164),
    ("iso-8859-16", "iso8859_16", "ISO-8859-16", False, 256, 161),
    ("koi8-r", "koi8_r", "KOI8-R", False, 256, 128),
    ("koi8-u", "koi8_u", "KOI8-U", False, 256, 128),
] + [
    ("windows-%d" % cp, "cp%d" % cp, "CP%d" % cp, True, 256, 128) for cp in range(1250, 1259)
] + [
    ("x-mac-roman-latin1", None, None, False, 256, 128),
]

# The Mac OS Roman characters that Latin-1 lacks; every other byte is its own code point.
MAC_ROMAN_LATIN1 = {
    0x80: 0x2022, 0x81: 0x2122, 0x82: 0x2260, 0x83: 0x221E, 0x84: 0x2265, 0x85: 0x2211,
    0x86: 0x222B, 0x87: 0x03A9, 0x88: 0x221A, 0x89: 0x2248, 0x8A: 0x2026, 0x8B: 0x2014,
    0x8C: 0x2018, 0x8D: 0x0178, 0x8E: 0x2044, 0x8F: 0x2202, 0x90: 0x2206, 0x91: 0x0152,
    0x92: 0x201A, 0x93: 0x201E, 0x94: 0x2030, 0x95: 0xF8FF, 0x96: 0x02C6, 0x97: 0x02DC,
    0x98: 0x02D8, 0x99: 0x02D9, 0x9A: 0x02DA, 0x9B: 0x02DD, 0x9C: 0x02DB, 0x9D: 0x02C7,
    0x9E: 0x0131, 0x9F: 0x0192, 0xA6: 0x0153, 0xAD: 0x2013, 0xB2: 0x201D, 0xB3: 0x201C,
    0xB9: 0x2019, 0xBC: 0x03C0, 0xBD: 0x220F, 0xBE: 0x2264, 0xD0: 0x2039, 0xD7: 0x25CA,
    0xDB: 0x20AC, 0xDD: 0x2020, 0xDE: 0xFB01, 0xF0: 0x203A, 0xFD: 0x2021, 0xFE: 0xFB02,
}


def python_map(codec):
    """Byte -> code point for every byte the codec defines."""
    result = {}
    for b in range(256):
        try:
            text = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            continue
        if len(text) != 1:
            raise SystemExit("%s: byte %02X decodes to %r" % (codec, b, text))
        result[b] = ord(text)
    return result


class Iconv:
    """Single-byte decoding through glibc's iconv, one byte at a time."""

    def __init__(self):
        name = ctypes.util.find_library("c")
        self.libc = ctypes.CDLL(name, use_errno=True) if name else None
        if self.libc is not None:
            self.libc.iconv_open.restype = ctypes.c_void_p
            self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
            self.libc.iconv.restype = ctypes.c_size_t
            self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
            self.libc.iconv_close.argtypes = [ctypes.c_void_p]

    def map(self, charset):
        if self.libc is None:
            return None
        cd = self.libc.iconv_open(b"UTF-32LE", charset.encode())
        if cd is None or cd == ctypes.c_void_p(-1).value:
            return None
        result = {}
        try:
            for b in range(256):
                src = ctypes.create_string_buffer(bytes([b]), 1)
                dst = ctypes.create_string_buffer(16)
                in_p = ctypes.c_char_p(ctypes.addressof(src))
                out_p = ctypes.c_char_p(ctypes.addressof(dst))
                in_left = ctypes.c_size_t(1)
                out_left = ctypes.c_size_t(16)
                rc = self.libc.iconv(cd, ctypes.byref(in_p), ctypes.byref(in_left),
                                     ctypes.byref(out_p), ctypes.byref(out_left))
                failed = rc == ctypes.c_size_t(-1).value
                # Flush: CP1255 and CP1258 hold a base letter back to combine it.
                self.libc.iconv(cd, None, None, ctypes.byref(out_p), ctypes.byref(out_left))
                if failed:
                    continue
                produced = dst.raw[:16 - out_left.value]
                if len(produced) == 4:
                    result[b] = int.from_bytes(produced, "little")
        finally:
            self.libc.iconv_close(cd)
        return result


def build(stem, codec, iconv_name, fill_undefined, iconv):
    if codec is None:
        mapping = {b: MAC_ROMAN_LATIN1.get(b, b) for b in range(256)}
    else:
        mapping = python_map(codec)
        glibc = iconv.map(iconv_name) if iconv_name else None
        if glibc is None:
            print("note: %s not cross-checked (no iconv converter)" % stem, file=sys.stderr)
        elif glibc != mapping:
            diff = sorted(b for b in set(glibc) | set(mapping) if glibc.get(b) != mapping.get(b))
            raise SystemExit("%s: Python and glibc disagree at bytes %s" %
                             (stem, " ".join("%02X" % b for b in diff)))
        if fill_undefined:
            for b in range(256):
                mapping.setdefault(b, 0x3F)
    entries = sorted(mapping.items())
    for b, cp in entries:
        if cp > 0xFFFF:
            raise SystemExit("%s: byte %02X maps beyond the 16-bit field" % (stem, b))
    return entries


def identity_run(entries):
    run = 0
    for i, (b, cp) in enumerate(entries):
        if b != i or cp != i:
            break
        run += 1
    return run


def render(stem, entries):
    lines = ["// %s: %d entries {byte, code point, 0}. Generated by tools/gen_cs_tables.py; do not edit."
             % (stem, len(entries))]
    for i in range(0, len(entries), 4):
        lines.append(" ".join("{0x%02X, 0x%04X, 0}," % e for e in entries[i:i + 4]))
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare with the checked-in files")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                      os.pardir, "cs", "tables"))
    args = parser.parse_args()

    iconv = Iconv()
    stale = []
    os.makedirs(args.out, exist_ok=True)
    for stem, codec, iconv_name, fill, want_entries, want_run in TABLES:
        entries = build(stem, codec, iconv_name, fill, iconv)
        run = identity_run(entries)
        if (len(entries), run) != (want_entries, want_run):
            raise SystemExit("%s: %d entries, identity run %d; expected %d, %d" %
                             (stem, len(entries), run, want_entries, want_run))
        text = render(stem, entries)
        path = os.path.join(args.out, stem + ".inc")
        if args.check:
            try:
                with open(path, encoding="ascii") as f:
                    if f.read() != text:
                        stale.append(path)
            except FileNotFoundError:
                stale.append(path)
        else:
            with open(path, "w", encoding="ascii", newline="\n") as f:
                f.write(text)
    if stale:
        raise SystemExit("out of date: " + ", ".join(stale))
    print("%s %d tables" % ("checked" if args.check else "wrote", len(TABLES)))


if __name__ == "__main__":
    main()
