#!/usr/bin/env python3
"""make_odd_book.py DIR - data files the builder never makes but the reader must page: a glyph
wider than any screen, byte 0 with a glyph, ink below the glyph height, CR LF lines."""
import random
import struct
import sys
from pathlib import Path

HEIGHT = 13
WIDE = 0xA4  # a glyph 250 columns wide


def font_dat(rng):
    widths = [0] * 256
    for b in range(32, 256):
        widths[b] = rng.randint(1, 9)
    widths[0] = 6       # byte 0 has a glyph: it is text like any other byte
    widths[WIDE] = 250  # wider than the text area of every screen
    widths[ord("i")] = 1
    records = bytearray()
    for w in widths:
        records.append(w)
        for _ in range(w):
            # Bits 13 to 15 lie below the glyph height: the reader clears them.
            records += struct.pack(">H", rng.getrandbits(16))
    return bytes([HEIGHT]) + struct.pack(">H", 256 + 2 * sum(widths)) + bytes(records)


def doc(text):
    return struct.pack(">I", len(text)) + text


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    rng = random.Random(15)
    (out / "font.dat").write_bytes(font_dat(rng))
    wide = bytes([WIDE])
    text = bytearray()
    text += b"Odd book.\r\nA wide glyph " + wide + b" inside a line, two " + wide + wide + b" in a row.\r\n"
    for i in range(40):
        words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(1, 14)))
                 for _ in range(rng.randint(3, 30))]
        line = b" ".join(words)
        if i % 5 == 0:
            line += b"\0\0 after two zero bytes" + wide
        if i % 7 == 0:
            line += b"-" + b"x" * 90 + b"?!;:,"
        text += line + (b"\r\n" if i % 3 else b"\r")
    (out / "book.dat").write_bytes(doc(bytes(text)))
    (out / "help.dat").write_bytes(doc(b"Help\rwith\0zero\r\r" + wide + b"\rend"))


if __name__ == "__main__":
    main()
