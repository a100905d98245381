#!/usr/bin/env python3
"""joined-breaks.py - builds Jane Austen's six novels (Project Gutenberg texts with LF line
ends, from Debian's r-cran-janeaustenr, unpacked without installing R) with --join-lines and
counts the line breaks left before a small letter, that is inside a sentence.
usage: scripts/joined-breaks.py [CLI]  (default: build-test/src/cli/quorix-maker-cli)"""
import glob, os, struct, subprocess, sys, tempfile, zipfile, zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CLI = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-test/src/cli/quorix-maker-cli")
NAMES = ["Emma", "Mansfield Park", "Northanger Abbey", "Persuasion", "Pride and Prejudice",
         "Sense and Sensibility"]


class RData:
    """Just enough of R's XDR serialization for the package's character vectors."""

    def __init__(self, data):
        self.d, self.p = data, 0

    def int(self):
        self.p += 4
        return struct.unpack(">i", self.d[self.p - 4:self.p])[0]

    def obj(self):
        flags = self.int()
        kind = flags & 0xFF
        if kind == 254:  # nil
            return None
        if kind == 9:  # one string
            n = self.int()
            self.p += max(n, 0)
            return "" if n < 0 else self.d[self.p - n:self.p].decode("utf-8", "replace")
        if kind in (10, 13, 16):  # logicals, integers, strings
            n = self.int()
            if kind != 16:
                self.p += 4 * n
                values = list(struct.unpack(f">{n}i", self.d[self.p - 4 * n:self.p]))
            else:
                values = [self.obj() for _ in range(n)]
            if flags & (1 << 9):
                self.obj()
            return values
        if kind == 19:  # list
            values = [self.obj() for _ in range(self.int())]
            if flags & (1 << 9):
                self.obj()
            return values
        if kind == 2:  # attribute pairs: tag, value, the rest
            if flags & (1 << 9):
                self.obj()
            if flags & (1 << 10):
                self.obj()
            self.obj()
            return self.obj()
        if kind == 1:  # a symbol: its name
            return self.obj()
        if kind == 255:  # a reference to a symbol read before
            if flags >> 8 == 0:
                self.int()
            return None
        raise ValueError(f"R type {kind}")

    def top(self):
        self.p = 2  # "X\n"
        version = self.int()
        self.int(), self.int()
        if version == 3:
            self.p += 4 + self.int()
        return self.obj()


def novels(work):
    subprocess.run(["apt-get", "download", "r-cran-janeaustenr"], cwd=work, check=True,
                   capture_output=True)
    deb = glob.glob(os.path.join(work, "r-cran-janeaustenr_*.deb"))[0]
    subprocess.run(["dpkg-deb", "-x", deb, os.path.join(work, "pkg")], check=True)
    data = glob.glob(os.path.join(work, "pkg/usr/lib/R/site-library/janeaustenr/data"))[0]
    import gzip
    with open(os.path.join(data, "Rdata.rdx"), "rb") as f:
        index = RData(gzip.decompress(f.read())).top()[0]
    with open(os.path.join(data, "Rdata.rdb"), "rb") as f:
        db = f.read()
    for name, (offset, length) in zip(NAMES, index):
        lines = RData(zlib.decompress(db[offset + 4:offset + length])).top()
        yield name, "\n".join(lines) + "\n"


def main():
    with tempfile.TemporaryDirectory() as work:
        for name, text in novels(work):
            source = os.path.join(work, "book.txt")
            with open(source, "w", encoding="utf-8") as f:
                f.write(text)
            out = os.path.join(work, "out")
            subprocess.run([CLI, "--source", source, "--book", "B", "--join-lines",
                            "--part-size", "100000000", "--output", out],
                           check=True, capture_output=True)
            shown = b"".join(zipfile.ZipFile(j).read("book.dat")[4:]
                             for j in sorted(glob.glob(out + "/midlets/B*.jar")))
            paragraphs, inside = count(shown)
            # The Text command's rule on the same text with CR LF line ends, for comparison.
            with open(source, "w", encoding="utf-8", newline="\r\n") as f:
                f.write(text)
            subprocess.run([CLI, "join-lines", source], check=True, capture_output=True)
            with open(source + ".txt", "rb") as f:
                command = count(f.read())[1]
            print(f"{name}: {paragraphs} paragraphs, {inside} breaks before a small letter "
                  f"(the join-lines command leaves {command})")


def count(shown):
    """Paragraphs, and breaks before a small letter (a list item's "a) " aside)."""
    lines = shown.decode("cp1251").split("\r")
    inside = sum(1 for a, b in zip(lines, lines[1:])
                 if a.strip() and b.strip()[:1].islower() and b.strip()[1:2] != ")")
    return sum(1 for line in lines if line.strip()), inside


main()
