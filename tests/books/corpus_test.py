"""corpus_test.py - real books of other producers (corpus.tsv), built with the command line and
read back from every part's book.dat as the phone shows it (a CR breaks a line, a LF is skipped),
compared word by word with an extraction that is not ours: Python's html.parser over an EPUB's
spine, ElementTree over an FB2 book's bodies, the words of a plain text itself.

Each row prints its figures as a line of README's table:
QUORIX_CLI=build-test/src/cli/quorix-maker-cli python3 -m unittest corpus_test 2>/dev/null"""
import difflib
import gzip
import html.parser
import os
import posixpath
import re
import shutil
import subprocess
import tempfile
import unicodedata
import unittest
import urllib.parse
import xml.etree.ElementTree as ET
import zipfile

CLI = os.environ.get("QUORIX_CLI", "quorix-maker-cli")
HERE = os.path.dirname(os.path.abspath(__file__))
JAR_LINE = re.compile(r"^Create midlet (.+)\.jar, size \d+ bytes$")
KEPT = 0.99



def corpus():
    rows = []
    with open(os.path.join(HERE, "corpus.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, producer, package, source, make, options = line.rstrip("\n").split("\t")
            rows.append(dict(name=name, producer=producer, package=package, source=source,
                             make=make, options=options.split()))
    return rows


def make_book(row, root):
    """The file the build reads: the packaged one, or one written from it by another program."""
    source, make = row["source"], row["make"]
    if not os.path.exists(source):
        raise AssertionError(f"{source} is missing: run scripts/install-deps.sh "
                             f"(package {row['package']})")
    if make == "-":
        return source
    if make == "gunzip":
        path = os.path.join(root, os.path.basename(source)[:-3])
        with gzip.open(source) as f, open(path, "wb") as out:
            out.write(f.read())
        return path
    tool, target, *rest = make.split(":")
    if tool == "pandoc":
        ext = "fb2" if target == "fb2" else "epub"
        path = os.path.join(root, f"{row['name']}.{ext}")
        subprocess.run(["pandoc", "-f", "html", "-t", target, "-o", path, source],
                       check=True, capture_output=True, cwd=os.path.dirname(source))
        return path
    if tool == "iconv":
        text = subprocess.run(["iconv", "-f", "UTF-8", "-t", target + "//TRANSLIT", source],
                              check=True, capture_output=True).stdout
        if rest == ["crlf"]:
            text = text.replace(b"\n", b"\r\n")
        path = os.path.join(root, f"{row['name']}.txt")
        with open(path, "wb") as out:
            out.write(text)
        return path
    raise AssertionError(f"unknown make {make!r}")


class SpineText(html.parser.HTMLParser):
    """What a browser shows of an XHTML document: the body, less scripts, styles, SVG and
    whatever is hidden; blocks and line breaks keep words apart."""
    SKIP = {"head", "script", "style", "svg", "title", "noscript"}
    VOID = {"br", "img", "hr", "meta", "link", "input", "wbr", "col", "area", "base"}
    BLOCK = {"p", "div", "li", "td", "th", "tr", "dt", "dd", "pre", "h1", "h2", "h3", "h4", "h5",
             "h6", "blockquote", "section", "table", "br", "caption", "figcaption", "nav"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.stack = [], []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        hidden = (tag in self.SKIP or "hidden" in a
                  or "display:none" in (a.get("style") or "").replace(" ", "").lower())
        if tag in self.BLOCK:
            self.parts.append("\n")
        if tag not in self.VOID:
            self.stack.append((tag, hidden))

    def handle_endtag(self, tag):
        for i in range(len(self.stack) - 1, -1, -1):
            if self.stack[i][0] == tag:
                del self.stack[i:]
                break
        if tag in self.BLOCK:
            self.parts.append("\n")

    def handle_data(self, data):
        if not any(hidden for _, hidden in self.stack):
            self.parts.append(data)


def epub_text(path):
    with zipfile.ZipFile(path) as z:
        container = ET.fromstring(z.read("META-INF/container.xml"))
        opf_path = next(e.get("full-path") for e in container.iter() if e.tag.endswith("rootfile"))
        opf = ET.fromstring(z.read(opf_path))
        items = {e.get("id"): e.get("href") for e in opf.iter() if e.tag.endswith("}item")}
        spine, texts = [], []
        for ref in (e for e in opf.iter() if e.tag.endswith("}itemref")):
            href = urllib.parse.unquote(items[ref.get("idref")].split("#")[0])
            name = posixpath.normpath(posixpath.join(posixpath.dirname(opf_path), href))
            if name not in spine:
                spine.append(name)
        for name in spine:
            data = z.read(name)
            declared = re.search(rb"encoding=[\"']([\w-]+)", data[:200])
            parser = SpineText()
            parser.feed(data.decode(declared.group(1).decode() if declared else "utf-8"))
            texts.append("".join(parser.parts))
    return "\n".join(texts)


def fb2_text(element):
    """The text of an FB2 element, inline markup joined, every element of its own a line."""
    inner = (element.text or "") + "".join(fb2_text(c) + (c.tail or "") for c in element)
    inline = element.tag.split("}")[-1] in {"emphasis", "strong", "a", "sup", "sub", "code",
                                             "strikethrough", "style"}
    return inner if inline else "\n" + inner + "\n"


def reference_text(row, book):
    if book.endswith(".epub"):
        return epub_text(book)
    if book.endswith(".fb2"):
        # Every body (the notes too), a paragraph per block, through ElementTree.
        bodies = [e for e in ET.parse(book).getroot() if e.tag.endswith("}body")]
        return "\n".join(fb2_text(b) for b in bodies)
    with open(row["source"] if row["make"].startswith("iconv") else book, "rb") as f:
        return f.read().decode("utf-8-sig")


def shown_text(run_dir, log, code_page):
    """Every part's book.dat in order, as the phone shows it: a LF is no break and no space."""
    data = b""
    for line in log.splitlines():
        m = JAR_LINE.match(line)
        if m:
            with zipfile.ZipFile(os.path.join(run_dir, "midlets", m.group(1) + ".jar")) as z:
                data += z.read("book.dat")[4:]
    return data.replace(b"\n", b"").decode(code_page)


def words(text):
    """Words compared without case and accents (a letter the code page lacks is transliterated)."""
    plain = "".join(c for c in unicodedata.normalize("NFKD", text.lower())
                    if not unicodedata.combining(c))
    return re.findall(r"[^\W_]+", plain)


def kept(reference, shown):
    """Words of each kept by the other, in order, and the first passage the phone lacks."""
    matcher = difflib.SequenceMatcher(None, reference, shown, autojunk=False)
    blocks = matcher.get_matching_blocks()
    same = sum(b.size for b in blocks)
    missing, at = "", 0
    for b in blocks:
        if b.a > at:
            missing = (" ".join(reference[max(0, at - 4):at]) + " [" +
                       " ".join(reference[at:min(b.a, at + 12)]) + "] " +
                       " ".join(reference[b.a:b.a + 4]))
            break
        at = b.a + b.size
    return same / max(1, len(reference)), same / max(1, len(shown)), missing


def measure(row, root):
    book = make_book(row, root)
    out = os.path.join(root, "out")
    shutil.rmtree(out, ignore_errors=True)
    env = dict(os.environ, TMPDIR=root)
    done = subprocess.run([CLI, "--source", book, "--output", out, "--book", "Corpus",
                           "--font", "DejaVu Sans"] + row["options"],
                          capture_output=True, env=env, timeout=600)
    log = done.stdout.decode("utf-8", "replace")
    if done.returncode != 0:
        raise AssertionError(f"{row['name']}: the build failed: {log[-500:]}")
    code_page = row["options"][row["options"].index("--code-page") + 1] \
        if "--code-page" in row["options"] else "cp1251"
    reference = words(reference_text(row, book))
    shown = words(shown_text(out, log, code_page))
    return (len(reference),) + kept(reference, shown)


class Corpus(unittest.TestCase):
    pass


def row_test(row):
    def test(self):
        root = tempfile.mkdtemp(prefix="corpus-")
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        count, of_reference, of_shown, missing = measure(row, root)
        print(f"| {row['name']} | {row['producer']} | {count} | {of_reference:.1%} | "
              f"{of_shown:.1%} |")
        self.assertGreater(count, 1000, "too few words to judge")
        self.assertGreaterEqual(of_reference, KEPT, f"first passage missing: «{missing}»")
        self.assertGreaterEqual(of_shown, KEPT, "the phone shows words the book does not hold")
    return test


for _row in corpus():
    setattr(Corpus, "test_" + _row["name"].replace("-", "_"), row_test(_row))


if __name__ == "__main__":
    unittest.main()
