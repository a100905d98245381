#!/usr/bin/env bash
# bench-text.sh - builds of a UTF-8 text and an FB2 book against the same text given as
# code-page bytes (10 MB of text each), and the peak memory of 100 MB sources of each kind
# (plain text, FB2 and EPUB).
set -euo pipefail

source "$(dirname "$0")/bench-setup.sh"

python3 - "$CLI" "$WORK" <<'PY'
import os, random, statistics, subprocess, sys, time, zipfile

cli, work = sys.argv[1], sys.argv[2]
rng = random.Random(12)
words = ("the keeper climbed stairs every evening storm waves broke over rock light swept dark "
         "water маяк стоял на голой скале смотритель поднимался по лестнице каждый вечер буря "
         "волны свет «кавычки» и тире —").split()

def paragraphs(size):
    """Paragraphs of sentences, about `size` characters in all."""
    out, n = [], 0
    while n < size:
        p = " ".join(" ".join(rng.choice(words) for _ in range(rng.randint(4, 16))).capitalize()
                     + rng.choice([".", "!", "?"]) for _ in range(rng.randint(1, 6)))
        out.append(p)
        n += len(p) + 1
    return out

def write(name, data):
    path = os.path.join(work, name)
    with open(path, "wb") as f:
        f.write(data)
    return path

def fb2(paras):
    body = "".join(f"<p>{p}</p>\n" for p in paras)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<FictionBook xmlns="http://www.gribuser.ru/'
            'xml/fictionbook/2.0"><description><title-info><book-title>Bench</book-title>'
            f'</title-info></description><body><section>\n{body}</section></body></FictionBook>\n')

def build(source):
    """One build; returns (seconds, peak RSS in MB of the build alone)."""
    out = os.path.join(work, "out")
    os.makedirs(out, exist_ok=True)
    report = os.path.join(work, "time.txt")
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, cli, "--source", source,
                    "--book", "Bench", "--part-size", "90000", "--font", "DejaVu Sans",
                    "--output", out], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=True)
    seconds = time.perf_counter() - start
    with open(report) as f:
        return seconds, int(f.read().split()[-1]) / 1024

paras = paragraphs(10 * 1024 * 1024)
# What the FB2 book reads as: one paragraph per line, each ended by CR.
plain = "".join(p + "\r" for p in paras)
sources = {"code page": write("cp.txt", plain.encode("cp1251")),
           "UTF-8": write("utf8.txt", plain.encode("utf-8")),
           "FB2": write("book.fb2", fb2(paras).encode("utf-8"))}
times = {k: [] for k in sources}
for run in range(9):  # interleaved, so that other work on the machine hits all alike
    for kind, path in sources.items():
        times[kind].append(build(path)[0])
# Medians, and the best of the runs: on a shared machine other work only ever adds time.
for kind, label in (("UTF-8", "10 MB UTF-8 text"), ("FB2", "10 MB FB2 book")):
    median = statistics.median(times[kind]) / statistics.median(times["code page"])
    best = min(times[kind]) / min(times["code page"])
    print(f"{label} build time vs the code-page text: {median:.2f} (best runs: {best:.2f})")
for name in sources.values():
    os.remove(name)

big = paragraphs(100 * 1024 * 1024)
path = write("big.txt", "".join(p + "\r" for p in big).encode("utf-8"))
print(f"peak memory of a 100 MB UTF-8 build (MB): {build(path)[1]:.1f}")
os.remove(path)
path = write("big.fb2", fb2(big).encode("utf-8"))
print(f"peak memory of a 100 MB FB2 build (MB): {build(path)[1]:.1f}")
os.remove(path)

def epub(paras, chapters):
    """An EPUB of `chapters` XHTML documents with heads as producers write them, stored
    uncompressed, so that the file is as large as its text."""
    path = os.path.join(work, "big.epub")
    step = len(paras) // chapters
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        z.writestr("mimetype", "application/epub+zip")
        z.writestr("META-INF/container.xml", '<?xml version="1.0"?><container version="1.0" '
                   'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles><rootfile '
                   'full-path="book.opf" media-type="application/oebps-package+xml"/></rootfiles>'
                   '</container>')
        items = "".join(f'<item id="c{i}" href="c{i}.xhtml" media-type="application/xhtml+xml"/>'
                        for i in range(chapters))
        refs = "".join(f'<itemref idref="c{i}"/>' for i in range(chapters))
        z.writestr("book.opf", '<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf"'
                   ' version="3.0"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/">'
                   f'<dc:title>Bench</dc:title></metadata><manifest>{items}</manifest>'
                   f'<spine>{refs}</spine></package>')
        for i in range(chapters):
            body = "".join(f'<p id="p{j}">{p}</p>\n' for j, p in enumerate(paras[i * step:(i + 1) * step]))
            z.writestr(f"c{i}.xhtml", '<?xml version="1.0" encoding="utf-8"?><html xmlns='
                       '"http://www.w3.org/1999/xhtml"><head><meta charset="utf-8"/><title>Bench'
                       '</title><link rel="stylesheet" href="s.css"/></head><body>'
                       f'<h1>Chapter {i}</h1>\n{body}</body></html>\n')
    return path

path = epub(big[:len(big) * 2 // 3], 100)  # its Cyrillic takes two bytes: about 100 MB
print(f"peak memory of a {os.path.getsize(path) / 2**20:.0f} MB EPUB build (MB): {build(path)[1]:.1f}")
os.remove(path)
PY
