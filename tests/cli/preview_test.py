"""preview_test.py - quorix-maker-cli preview: page files, ranges, screens, contact sheets."""
import os
import struct
import subprocess
import tempfile
import unittest
import zlib

CLI = os.environ.get("QUORIX_CLI", "quorix-maker-cli")
SAMPLES = os.environ.get("QUORIX_SAMPLES", "../../samples")
COLOURS = {(255, 255, 255), (0, 0, 0), (0, 255, 0), (255, 0, 0)}


def png_info(path):
    """(width, height, palette colours, pixel rows as palette indices) of a palette PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    at, chunks = 8, {}
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.setdefault(kind, b"")
        chunks[kind] += data[at + 8:at + 8 + length]
        at += 12 + length
    width, height, depth, colour_type = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
    assert colour_type == 3, "palette image"
    plte = chunks[b"PLTE"]
    palette = [tuple(plte[i:i + 3]) for i in range(0, len(plte), 3)]
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = (width * depth + 7) // 8
    rows, prev = [], bytearray(stride)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind, cur = line[0], bytearray(line[1:])
        for i in range(stride):
            a = cur[i - 1] if i else 0
            b, c = prev[i], prev[i - 1] if i else 0
            pred = {0: 0, 1: a, 2: b, 3: (a + b) // 2,
                    4: min((a, b, c), key=lambda v: (abs(a + b - c - v), (a, b, c).index(v)))}[kind]
            cur[i] = (cur[i] + pred) & 0xFF
        per = 8 // depth
        rows.append([(cur[x // per] >> (8 - depth * (x % per + 1))) & ((1 << depth) - 1)
                     for x in range(width)])
        prev = cur
    return width, height, palette, rows


class Preview(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = cls.tmp.name
        cls.jars = {}
        for phone in ("any", "nokia"):
            out = os.path.join(cls.root, phone)
            os.makedirs(out)
            subprocess.run([CLI, "--source", os.path.join(SAMPLES, "english.txt"), "--book", "Book",
                            "--help-language", "en", "--font", "DejaVu Sans", "--phone", phone,
                            "--output", out], check=True, capture_output=True)
            cls.jars[phone] = os.path.join(out, "midlets", "Book.jar")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def preview(self, *args, cwd=None):
        done = subprocess.run([CLI, "preview", *args], capture_output=True, cwd=cwd or self.root,
                              timeout=120)
        return done.returncode, done.stdout.decode(), done.stderr.decode()

    def fresh(self):
        return tempfile.mkdtemp(dir=self.root)

    def test_all_pages_are_numbered_screens_in_the_readers_colours(self):
        out = self.fresh()
        code, stdout, _ = self.preview(self.jars["any"], "--all", "--output", out)
        self.assertEqual(code, 0)
        names = sorted(os.listdir(out))
        self.assertGreater(len(names), 3)
        self.assertEqual(names, ["book-%04d.png" % n for n in range(1, len(names) + 1)])
        self.assertIn("book.dat: %d pages at 176x208 on the standard canvas" % len(names), stdout)
        for name in names:
            width, height, palette, rows = png_info(os.path.join(out, name))
            self.assertEqual((width, height), (176, 208))
            self.assertEqual(set(palette), COLOURS)
            used = {palette[i] for row in rows for i in row}
            self.assertIn((0, 0, 0), used, name + " has text")
            bar = [palette[row[175]] for row in rows]
            self.assertEqual(set(bar) - {(0, 255, 0), (255, 0, 0)}, set(), "bar column")
        last = png_info(os.path.join(out, names[-1]))
        self.assertEqual({last[2][row[175]] for row in last[3]}, {(0, 255, 0)}, "last page: all read")

    def test_page_ranges_pick_the_same_pages(self):
        everything, some, first = self.fresh(), self.fresh(), self.fresh()
        self.preview(self.jars["any"], "--all", "--output", everything)
        self.assertEqual(self.preview(self.jars["any"], "--pages", "2-3", "--output", some)[0], 0)
        self.assertEqual(sorted(os.listdir(some)), ["book-0002.png", "book-0003.png"])
        for name in os.listdir(some):
            with open(os.path.join(some, name), "rb") as a, open(os.path.join(everything, name), "rb") as b:
                self.assertEqual(a.read(), b.read())
        self.assertEqual(self.preview(self.jars["any"], cwd=first)[0], 0)
        self.assertEqual(os.listdir(first), ["book-0001.png"])
        count = len(os.listdir(everything))
        self.assertEqual(self.preview(self.jars["any"], "--pages", "2-999", "--output", self.fresh())[0], 0)
        code, _, err = self.preview(self.jars["any"], "--pages", str(count + 1), "--output", self.fresh())
        self.assertEqual(code, 1)
        self.assertIn("--pages %d: the document has only %d pages" % (count + 1, count), err)
        for bad in ("0", "3-2", "a-b", "-2"):
            code, _, err = self.preview(self.jars["any"], "--pages", bad, "--output", self.fresh())
            self.assertEqual(code, 1, bad)
            self.assertIn("--pages", err)

    def test_help_pages_screens_and_canvases(self):
        out = self.fresh()
        self.assertEqual(self.preview(self.jars["nokia"], "--help-page", "--all", "--screen", "128x128",
                                      "--output", out)[0], 0)
        names = sorted(os.listdir(out))
        self.assertTrue(names and all(n.startswith("help-") for n in names), names)
        self.assertEqual(png_info(os.path.join(out, names[0]))[:2], (128, 128))
        # A first clip of 144 rows is the 208-row full screen on a Nokia canvas only.
        for phone, height in (("nokia", 208), ("any", 144)):
            out = self.fresh()
            code, stdout, _ = self.preview(self.jars[phone], "--screen", "176x144", "--output", out)
            self.assertEqual(code, 0)
            self.assertEqual(png_info(os.path.join(out, "book-0001.png"))[:2], (176, height), phone)
        for bad in ("176", "0x100", "176x208x3", "5000x10"):
            code, _, err = self.preview(self.jars["any"], "--screen", bad, "--output", self.fresh())
            self.assertEqual(code, 1, bad)
            self.assertIn("--screen " + bad + ": expected WIDTHxHEIGHT", err)

    def test_word_wrap_off_lays_out_differently(self):
        wrapped, unwrapped = self.fresh(), self.fresh()
        self.preview(self.jars["any"], "--output", wrapped)
        self.preview(self.jars["any"], "--no-wrap", "--output", unwrapped)
        a = png_info(os.path.join(wrapped, "book-0001.png"))[3]
        b = png_info(os.path.join(unwrapped, "book-0001.png"))[3]
        self.assertNotEqual(a, b)

    def test_contact_sheet_alone_or_with_pages(self):
        work = self.fresh()
        code, stdout, _ = self.preview(self.jars["any"], "--pages", "1-3", "--contact-sheet", "sheet.png",
                                       cwd=work)
        self.assertEqual(code, 0)
        self.assertEqual(os.listdir(work), ["sheet.png"])
        width, height, palette, _ = png_info(os.path.join(work, "sheet.png"))
        self.assertEqual((width, height), (4 + 3 * 180, 4 + 212))
        self.assertIn((160, 160, 160), palette)
        out = os.path.join(work, "pages")
        self.preview(self.jars["any"], "--pages", "1-3", "--contact-sheet", "s2.png", "--columns", "2",
                     "--output", out, cwd=work)
        self.assertEqual(len(os.listdir(out)), 3)
        self.assertEqual(png_info(os.path.join(work, "s2.png"))[:2], (4 + 2 * 180, 4 + 2 * 212))

    def test_what_is_not_a_book(self):
        text = os.path.join(self.root, "plain.txt")
        with open(text, "w") as f:
            f.write("no archive")
        code, _, err = self.preview(text, "--output", self.fresh())
        self.assertEqual(code, 1)
        self.assertIn("Can not open book " + text, err)
        self.assertNotEqual(self.preview(os.path.join(self.root, "none.jar"))[0], 0)

    def test_help_names_the_common_screens(self):
        _, stdout, _ = self.preview("--help")
        for size in ("128x128", "128x160", "176x208", "240x320", "176x144"):
            self.assertIn(size, stdout)


if __name__ == "__main__":
    unittest.main()
