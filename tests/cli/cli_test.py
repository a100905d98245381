"""cli_test.py - quorix-maker-cli end to end: builds read back by independent readers,
bad input, and parallel runs."""
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import tempfile
import unittest
import urllib.parse
import zipfile

CLI = os.environ.get("QUORIX_CLI", "quorix-maker-cli")
SAMPLES = os.environ.get("QUORIX_SAMPLES", "../../samples")
JAVA_DIR = os.environ.get("QUORIX_JAVA_DIR", "")
FONT = "DejaVu Sans"
FAILED = "Process not ended, error: "
JAR_LINE = re.compile(r"^Create midlet (.+)\.jar, size (\d+) bytes$")


class Run:
    """One command-line run in a directory of its own, with its own TMPDIR."""

    def __init__(self, root, args, limit_kb=None, output=None):
        self.output = output or os.path.join(root, "out")
        self.tmp = os.path.join(root, "tmp")
        if output is None:
            os.makedirs(self.output, exist_ok=True)
        os.makedirs(self.tmp, exist_ok=True)
        font = [] if "--font" in args else ["--font", FONT]
        command = [CLI, "--output", self.output] + font + args
        if limit_kb is not None:
            command = ["bash", "-c", f"ulimit -f {limit_kb}; exec \"$@\"", "bash"] + command
        env = dict(os.environ, TMPDIR=self.tmp)
        done = subprocess.run(command, capture_output=True, env=env, timeout=600)
        self.code = done.returncode
        self.stdout = done.stdout.decode("utf-8", "replace")
        self.stderr = done.stderr.decode("utf-8", "replace")
        self.lines = self.stdout.splitlines()

    def parts(self):
        """(part name, JAR size) of every JAR the log reports, in order."""
        return [(m.group(1), int(m.group(2))) for m in map(JAR_LINE.match, self.lines) if m]

    def midlets(self):
        path = os.path.join(self.output, "midlets")
        return sorted(os.listdir(path)) if os.path.isdir(path) else []


def jar_entries(jar):
    with zipfile.ZipFile(jar) as z:
        return [i.filename for i in z.infolist()]


def read_member(jar, name):
    with zipfile.ZipFile(jar) as z:
        return z.read(name)


def java_view(jar):
    done = subprocess.run(["java", "-cp", JAVA_DIR, "ManifestCheck", jar], capture_output=True,
                          encoding="utf-8", timeout=120, check=True)
    attributes, entries, streamed = {}, [], None
    for line in done.stdout.splitlines():
        kind, _, rest = line.partition(" ")
        if kind == "attribute":
            key, _, value = rest.partition("=")
            attributes[key] = value
        elif kind == "entry":
            entries.append(rest.rsplit(" ", 1)[0])
        elif kind == "streamed-manifest":
            streamed = rest == "true"
    return attributes, entries, streamed


class Checks(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quorix-cli-test-")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def run_cli(self, args, name="run", limit_kb=None, output=None):
        run = Run(os.path.join(self.root, name), args, limit_kb, output)
        # Nothing of the run's private temporary tree stays behind, whatever happened.
        self.assertEqual(os.listdir(run.tmp), [], run.stdout)
        return run

    def assert_failed(self, run, message):
        self.assertNotEqual(run.code, 0, run.stdout)
        self.assertEqual(run.lines[-1], FAILED + message)
        self.assert_no_partial_output(run)

    def assert_no_partial_output(self, run):
        """Every JAR in midlets is a finished part with its JAD, and nothing else is there."""
        finished = {name for name, _ in run.parts()}
        files = run.midlets()
        jads = {f[:-4] for f in files if f.endswith(".jad")}
        jars = {f[:-4] for f in files if f.endswith(".jar")}
        self.assertEqual(jars, jads, files)
        self.assertTrue(jars <= finished, (jars, finished))

    def assert_valid_build(self, run, source_bytes, vendor="Kelvatrone"):
        self.assertEqual(run.code, 0, run.stdout + run.stderr)
        self.assertTrue(run.lines[-1].startswith("Process successfully ended at "))
        midlets = os.path.join(run.output, "midlets")
        joined = b""
        for name, size in run.parts():
            jar = os.path.join(midlets, name + ".jar")
            self.assertEqual(os.path.getsize(jar), size)
            with open(os.path.join(midlets, name + ".jad"), "rb") as f:
                jad = f.read().decode("utf-8")
            self.assertIn(f"\r\nMIDlet-Jar-Size: {size}\r\n", jad)
            url = re.search(r"\r\nMIDlet-Jar-URL: ([!-~ ]*)\r\n", jad).group(1)
            self.assertEqual(urllib.parse.unquote(url, errors="strict"), name + ".jar")
            unzip = subprocess.run(["unzip", "-tq", jar], capture_output=True, text=True)
            self.assertEqual(unzip.returncode, 0, unzip.stdout + unzip.stderr)
            with zipfile.ZipFile(jar) as z:
                self.assertIsNone(z.testzip())
            names = jar_entries(jar)
            self.assertEqual(names[:2], ["META-INF/", "META-INF/MANIFEST.MF"])
            self.assertEqual(sorted(names[2:]), ["TBookCanvas.class", "TBookMIDlet.class",
                                                 "book.dat", "font.dat", "help.dat"])
            attributes, entries, streamed = java_view(jar)
            self.assertEqual(entries, names)
            self.assertTrue(streamed)
            self.assertEqual(attributes["MIDlet-Name"], name)
            self.assertEqual(attributes["MIDlet-Vendor"], vendor)
            self.assertEqual(attributes["MIDlet-Version"], "2.0.0")
            self.assertEqual(attributes["MIDlet-1"], f"{name}, , TBookMIDlet")
            book = read_member(jar, "book.dat")
            self.assertEqual(int.from_bytes(book[:4], "big"), len(book) - 4)
            joined += book[4:]
        # The phone breaks lines at CR only, so a lone LF is read as CR.
        self.assertEqual(joined, re.sub(rb"(?<!\r)\n", b"\r", source_bytes))


def sample(name):
    path = os.path.join(SAMPLES, name)
    with open(path, "rb") as f:
        return path, f.read()


class EndToEnd(Checks):
    def test_russian_book_with_russian_help_for_nokia(self):
        path, text = sample("russian.txt")
        run = self.run_cli(["--source", path, "--book", "Mayak", "--part-size", "400",
                            "--help-language", "ru", "--phone", "nokia"])
        self.assert_valid_build(run, text)
        parts = run.parts()
        self.assertGreaterEqual(len(parts), 3)
        help_text = read_member(os.path.join(run.output, "midlets", "Mayak2.jar"), "help.dat")
        self.assertIn(f"(2 \xe8\xe7 {len(parts)})".encode("latin-1"), help_text)  # "(2 of N)"

    def test_english_book_with_english_help_for_any_phone(self):
        path, text = sample("english.txt")
        run = self.run_cli(["--source", path, "--book", "Lighthouse", "--part-size", "600",
                            "--help-language", "en", "--phone", "any"])
        self.assert_valid_build(run, text)
        self.assertGreaterEqual(len(run.parts()), 3)
        help_text = read_member(os.path.join(run.output, "midlets", "Lighthouse1.jar"), "help.dat")
        self.assertIn(b"\rBook: \xa9 Kelvatrone, 2003-2004\r", help_text)

    def test_default_face_is_dejavu_sans_and_named_on_stderr(self):
        path = write(self.root, "text.txt", b"Some text. More text.")
        default = self.run_cli(["--source", path, "--font", "MS Sans Serif"], name="default")
        dejavu = self.run_cli(["--source", path], name="dejavu")
        self.assertEqual(default.code, 0, default.stdout + default.stderr)
        font_line = [l for l in default.stderr.splitlines() if l.startswith("Font file: ")]
        self.assertEqual(len(font_line), 1, default.stderr)
        self.assertEqual(os.path.basename(font_line[0]), "DejaVuSans.ttf")
        self.assertIn(font_line[0], dejavu.stderr.splitlines())
        for run in (default, dejavu):
            self.assertEqual(run.code, 0, run.stdout + run.stderr)
        fonts = [read_member(os.path.join(r.output, "midlets", "ReadMe.jar"), "font.dat")
                 for r in (default, dejavu)]
        self.assertEqual(fonts[0], fonts[1])

    def test_book_name_outside_ascii_names_files_and_descriptors_in_utf8(self):
        path, text = sample("russian.txt")
        run = self.run_cli(["--source", path, "--book", "Книга", "--part-size", "500"])
        self.assert_valid_build(run, text)
        names = [name for name, _ in run.parts()]
        self.assertGreaterEqual(len(names), 2)
        self.assertEqual(names[0], "Книга1")
        midlets = os.path.join(run.output, "midlets")
        with open(os.path.join(midlets, "Книга1.jad"), "rb") as f:
            jad = f.read()
        self.assertIn(b"\r\nMIDlet-Jar-URL: %D0%9A%D0%BD%D0%B8%D0%B3%D0%B01.jar\r\n", jad)
        manifest = read_member(os.path.join(midlets, "Книга1.jar"), "META-INF/MANIFEST.MF")
        self.assertIn("\r\nMIDlet-Name: Книга1\r\n".encode("utf-8"), manifest)

    def test_canvas_follows_the_phone_type(self):
        path, _ = sample("english.txt")
        sizes = {}
        for phone in ("any", "nokia"):
            run = self.run_cli(["--source", path, "--phone", phone], name=phone)
            self.assertEqual(run.code, 0, run.stdout)
            jar = os.path.join(run.output, "midlets", "ReadMe.jar")
            canvas = read_member(jar, "TBookCanvas.class")
            self.assertEqual(canvas[:8], b"\xca\xfe\xba\xbe\x00\x00\x00\x2e")
            sizes[phone] = canvas
        self.assertNotEqual(sizes["any"], sizes["nokia"])
        self.assertIn(b"com/nokia/mid/ui/FullCanvas", sizes["nokia"])


    def test_utf8_text_and_fb2_book(self):
        path, text = sample("utf8.txt")
        run = self.run_cli(["--source", path, "--book", "Utf8", "--part-size", "300"], name="utf8")
        # Python's own codec is the reference: every character is in Windows-1251.
        self.assert_valid_build(run, text.decode("utf-8").encode("cp1251"))
        self.assertIn("Source text read as UTF-8 text: %d bytes in code page CP1251"
                      % len(text.decode("utf-8")), run.lines)

        path, _ = sample("winter-morning.fb2")
        run = self.run_cli(["--source", path, "--help-language", "en"], name="fb2")
        self.assertEqual(run.code, 0, run.stdout)
        self.assertEqual([name for name, _ in run.parts()], ["Зимнее утро"])
        jar = os.path.join(run.output, "midlets", "Зимнее утро.jar")
        book = read_member(jar, "book.dat")[4:].decode("cp1251")
        self.assertTrue(book.startswith("Александр Пушкин\rЗимнее утро\rСтихотворение 1829 года."
                                        "\r\rМороз и солнце; день чудесный!\r"), book[:120])
        self.assertTrue(book.endswith("\r\rПримечания\r\r1\rПервые три строфы из девяти.\r"))
        help_text = read_member(jar, "help.dat")
        self.assertIn("\rBook: Александр Сергеевич Пушкин. Зимнее утро\r".encode("cp1251"),
                      help_text)
        run = self.run_cli(["--source", path, "--book", "Winter", "--info", "x"], name="named")
        self.assertEqual([name for name, _ in run.parts()], ["Winter"])

    def test_auto_keeps_a_koi8_text_as_bytes_and_says_what_it_looks_like(self):
        _, russian = sample("russian.txt")
        koi8 = russian.decode("cp1251").encode("koi8_r")
        path = write(self.root, "koi8.txt", koi8)
        run = self.run_cli(["--source", path, "--book", "Koi8"])
        self.assert_valid_build(run, koi8)
        hint = "The text looks like KOI8-R; to read it so, use --source-encoding detect"
        self.assertEqual([line for line in run.lines if "looks like" in line], [hint])
        # A fitted build looks while it fits; the word keeps its place in the log.
        fitted = self.run_cli(["--source", path, "--book", "Koi8", "--max-jar-size", "65536"],
                              name="fitted")
        at, plain_at = fitted.lines.index(hint), run.lines.index(hint)
        self.assertEqual(fitted.lines[at - 1].rsplit("/")[-1],
                         run.lines[plain_at - 1].rsplit("/")[-1])
        self.assertEqual(fitted.lines[at + 1], "Parts fitted to JARs of at most 65536 bytes: 1")
        run = self.run_cli(["--source", path, "--book", "Koi8", "--source-encoding", "detect"],
                           name="detect")
        self.assert_valid_build(run, russian)

    def test_join_lines_on_a_wrapped_text(self):
        path = write(self.root, "wrapped.txt", b"One line\nwrapped here.\n\nNext one\r\nends.")
        run = self.run_cli(["--source", path, "--join-lines"])
        self.assert_valid_build(run, b"One line wrapped here.\r\rNext one ends.")


def write(root, name, data):
    path = os.path.join(root, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


class BadInput(Checks):
    def test_refused_settings(self):
        path = write(self.root, "text.txt", b"Some text. More text.")
        file_output = write(self.root, "not-a-dir", b"x")
        cases = [
            (["--source", os.path.join(self.root, "missing.txt")], "File not found"),
            (["--source", self.root], "File access denied"),
            (["--source", path, "--part-size", "abc"], "'abc' is not a valid integer value"),
            (["--source", path, "--part-size", "0"], "Invalid part size"),
            (["--source", path, "--part-size", "-5"], "Invalid part size"),
            (["--source", path, "--part-size", "12 "], "'12 ' is not a valid integer value"),
            (["--source", path, "--part-size", "$"], "'$' is not a valid integer value"),
            (["--source", path, "--part-size", "0x"], "'0x' is not a valid integer value"),
            (["--source", path, "--source-encoding", "NOPE"], "Unknown source encoding NOPE"),
            (["--source", write(self.root, "bad.txt", b"\xef\xbb\xbfok\xff"), "--source-encoding",
              "UTF-8"], "Invalid UTF-8 byte sequence in the source at offset 5"),
            (["--source", path, "--max-jar-size", "64M"], "Invalid max JAR size"),
            (["--source", path, "--max-jar-size", "0"], "Invalid max JAR size"),
            (["--source", path, "--font-height", "-20"],
             "Font too high for the reader: glyph height 22 rows, the limit is 16"),
            (["--source", path, "--font-height", "4097"],
             "Font too high for the reader: glyph height 4099 rows, the limit is 16"),
            (["--source", path, "--font-height", "0"],
             "Font too small for the reader: font height 0, the smallest is 1 pixel"),
        ]
        for name in ["", ".", "..", "a/b", "a\\b", "a,b", "a\x01b", "a\x7fb", "n" * 201]:
            cases.append((["--source", path, "--book", name], "Invalid book name"))
        for i, (args, message) in enumerate(cases):
            with self.subTest(args=args):
                self.assert_failed(self.run_cli(args, name=f"case{i}"), message)
        run = self.run_cli(["--source", path], name="file-output", output=file_output)
        self.assertNotEqual(run.code, 0)
        self.assertEqual(run.lines[-1],
                         FAILED + "Can not create tempopary directory " + file_output + "/midlets")

    def test_missing_font_file(self):
        path = write(self.root, "text.txt", b"Some text.")
        run = self.run_cli(["--source", path, "--font", os.path.join(self.root, "no.ttf")])
        self.assertNotEqual(run.code, 0)
        self.assertTrue(run.lines[-1].startswith(FAILED), run.lines[-1])
        self.assertIn("no.ttf", run.lines[-1])
        self.assert_no_partial_output(run)

    def test_accepted_odd_sources(self):
        no_end = b"a" * 2500
        cases = [
            ("one byte", b"x", "90000", 1),
            ("no sentence end", no_end, "1000", 3),
            ("byte 0", b"Zero \x00 inside. And after.", "90000", 1),
            ("leading blanks", b"Twelve bytes. Then more.", " 12", 2),
        ]
        for i, (label, data, part_size, parts) in enumerate(cases):
            with self.subTest(label):
                path = write(self.root, f"source{i}.txt", data)
                run = self.run_cli(["--source", path, "--part-size", part_size], name=f"ok{i}")
                self.assert_valid_build(run, data)
                self.assertEqual(len(run.parts()), parts)

    def test_placeholder_in_info_stays_literal(self):
        path = write(self.root, "text.txt", b"Text.")
        run = self.run_cli(["--source", path, "--info", "####Info", "--help-language", "en"])
        self.assert_valid_build(run, b"Text.")
        help_text = read_member(os.path.join(run.output, "midlets", "ReadMe.jar"), "help.dat")
        self.assertIn(b"\rBook: ####Info\r", help_text)
        self.assertIn(b"Total book size: 0.0 kb, part (1 of 1) size: 0.0 kb.", help_text)

    def test_full_disk_leaves_no_partial_part(self):
        random.seed(7)
        letters = bytes(c for c in range(35, 127) if c not in b".?!")
        data = bytes(random.choice(letters) for _ in range(9999)) + b"."
        path = write(self.root, "dense.txt", data)
        # Room for every temporary file, not for the JAR that holds them all.
        run = self.run_cli(["--source", path, "--part-size", "10000"], limit_kb=12)
        self.assertNotEqual(run.code, 0, run.stdout)
        self.assertTrue(run.lines[-1].startswith(FAILED), run.lines[-1])
        self.assertIn("Creating jar file...", run.lines)
        self.assert_no_partial_output(run)
        self.assertEqual(run.midlets(), [])

    def test_hundred_megabyte_source(self):
        random.seed(100)
        words = ["lighthouse", "keeper", "storm", "маяк".encode("cp1251").decode("latin-1"),
                 "wave", "night", "light", "rock", "sea", "boat"]
        sentence = lambda: " ".join(random.choice(words) for _ in range(12)) + ". "
        block = "".join(sentence() for _ in range(2000)).encode("latin-1")
        data = block * (100 * 1024 * 1024 // len(block) + 1)
        data = data[:100 * 1024 * 1024]
        path = write(self.root, "huge.txt", data)
        run = self.run_cli(["--source", path, "--part-size", "90000", "--phone", "any"])
        self.assertEqual(run.code, 0, run.stdout[-2000:])
        parts = run.parts()
        self.assertGreater(len(parts), 1160)
        midlets = os.path.join(run.output, "midlets")
        joined = b"".join(read_member(os.path.join(midlets, f"{n}.jar"), "book.dat")[4:]
                          for n, _ in parts)
        self.assertEqual(joined, data)


def random_text(sample_name, size, seed):
    """`size` bytes of sentences made of the sample's words in random order."""
    _, sample_text = sample(sample_name)
    words = re.findall(rb"[^\s.,!?;:]+", sample_text)
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        sentence = b" ".join(rng.choice(words) for _ in range(rng.randint(4, 18)))
        out += sentence + rng.choice([b". ", b". ", b"? ", b"! ", b".\r\n"])
    return bytes(out[:size - 1]) + b"."


class JarLimit(Checks):
    LIMIT = 65536

    def assert_fitted(self, run, data, limit):
        self.assert_valid_build(run, data)
        parts = run.parts()
        self.assertGreaterEqual(len(parts), 3)
        self.assertIn(f"Parts fitted to JARs of at most {limit} bytes: {len(parts)}", run.lines)
        for name, size in parts:
            self.assertLessEqual(size, limit, name)
        for name, size in parts[:-1]:
            self.assertGreater(size, 0.97 * limit, name)
        return parts

    def test_megabyte_english_text_fits_64k(self):
        data = random_text("english.txt", 1024 * 1024, 11)
        path = write(self.root, "english.txt", data)
        run = self.run_cli(["--source", path, "--part-size", "4000000", "--help-language", "en",
                            "--max-jar-size", "64k"])
        parts = self.assert_fitted(run, data, self.LIMIT)
        help_text = read_member(os.path.join(run.output, "midlets", "ReadMe2.jar"), "help.dat")
        self.assertIn(f"part (2 of {len(parts)})".encode(), help_text)

    def test_russian_text_fits_65536(self):
        data = random_text("russian.txt", 600 * 1024, 12)
        path = write(self.root, "russian.txt", data)
        run = self.run_cli(["--source", path, "--part-size", "4000000", "--phone", "any",
                            "--max-jar-size", "65536"])
        self.assert_fitted(run, data, self.LIMIT)

    def test_part_size_stays_the_upper_bound(self):
        data = random_text("english.txt", 200 * 1024, 13)
        path = write(self.root, "english.txt", data)
        plain = self.run_cli(["--source", path, "--part-size", "30000"], name="plain")
        fitted = self.run_cli(["--source", path, "--part-size", "30000",
                               "--max-jar-size", "64k"], name="fitted")
        self.assert_valid_build(fitted, data)
        # No JAR comes near the limit, so the plain cuts stand.
        self.assertEqual(plain.parts(), fitted.parts())

    def test_too_small_a_limit_names_the_smallest_that_works(self):
        path, data = sample("english.txt")
        prefix = ("Max JAR size too small for the reader and one sentence; "
                  "the smallest that works is ")
        run = self.run_cli(["--source", path, "--max-jar-size", "4k"], name="small")
        self.assertNotEqual(run.code, 0)
        self.assertTrue(run.lines[-1].startswith(FAILED + prefix), run.lines[-1])
        self.assertEqual(run.midlets(), [])
        smallest = int(re.fullmatch(r"(\d+) bytes", run.lines[-1][len(FAILED + prefix):]).group(1))
        works = self.run_cli(["--source", path, "--max-jar-size", str(smallest)], name="works")
        self.assert_valid_build(works, data)
        self.assertTrue(all(size <= smallest for _, size in works.parts()))
        fails = self.run_cli(["--source", path, "--max-jar-size", str(smallest - 1)],
                             name="fails")
        self.assertTrue(fails.lines[-1].startswith(FAILED + prefix), fails.lines[-1])


class Parallel(Checks):
    def test_eight_builds_into_one_directory(self):
        path, text = sample("readme.txt")
        output = os.path.join(self.root, "shared")
        os.makedirs(output)

        def build(i):
            return Run(os.path.join(self.root, f"p{i}"),
                       ["--source", path, "--book", f"Book{i}", "--part-size", "900"],
                       output=output)

        with concurrent.futures.ThreadPoolExecutor(8) as pool:
            runs = list(pool.map(build, range(8)))
        for run in runs:
            self.assertEqual(os.listdir(run.tmp), [])
            self.assert_valid_build(run, text)
        self.assertEqual(len(os.listdir(os.path.join(output, "midlets"))),
                         2 * sum(len(r.parts()) for r in runs))


def without_times(jar):
    """The JAR's bytes with the DOS time and date of every entry zeroed, local and central."""
    with open(jar, "rb") as f:
        data = bytearray(f.read())
    end = len(data) - 22
    assert data[end:end + 4] == b"PK\x05\x06"
    count = int.from_bytes(data[end + 10:end + 12], "little")
    at = int.from_bytes(data[end + 16:end + 20], "little")
    for _ in range(count):
        assert data[at:at + 4] == b"PK\x01\x02"
        data[at + 12:at + 16] = bytes(4)
        local = int.from_bytes(data[at + 42:at + 46], "little")
        data[local + 10:local + 14] = bytes(4)
        at += 46 + sum(int.from_bytes(data[at + o:at + o + 2], "little") for o in (28, 30, 32))
    return bytes(data)


class Jobs(Checks):
    """--jobs and --compression: the same book whatever the number of workers."""

    def outputs(self, run):
        """Log lines with times and the run's own directories left out, and every file
        in midlets (JARs without their times)."""
        root = os.path.dirname(run.output)
        lines = []
        for line in run.lines:
            line = re.sub(r"quorix-maker-\w{6}", "<private>", line.replace(root, "<root>"))
            lines.append(re.sub(r" at \d\d:\d\d:\d\d$", " at <time>", line))
        files = {}
        for name in run.midlets():
            path = os.path.join(run.output, "midlets", name)
            if name.endswith(".jar"):
                files[name] = without_times(path)
            else:
                with open(path, "rb") as f:
                    files[name] = f.read()
        return lines, files

    def assert_same(self, one, many):
        self.assertEqual(one.code, many.code)
        lines_one, files_one = self.outputs(one)
        lines_many, files_many = self.outputs(many)
        self.assertEqual(lines_one, lines_many)
        self.assertEqual(sorted(files_one), sorted(files_many))
        for name in files_one:
            self.assertTrue(files_one[name] == files_many[name], name + " differs")

    def test_many_workers_build_what_one_builds(self):
        path, text = sample("english.txt")
        args = ["--source", path, "--part-size", "200"]
        one = self.run_cli(args + ["--jobs", "1"], name="one")
        self.assert_valid_build(one, text)
        self.assertGreater(len(one.parts()), 10)
        self.assert_same(one, self.run_cli(args + ["--jobs", "4"], name="four"))
        self.assert_same(one, self.run_cli(args, name="default"))

    def test_full_disk_in_a_later_part(self):
        random.seed(3)
        letters = bytes(c for c in range(35, 127) if c not in b".?!")
        plain = (b"The keeper climbs the stairs. " * 400)[:9999] + b"."
        dense = bytes(random.choice(letters) for _ in range(9999)) + b"."
        path = write(self.root, "text.txt", plain * 2 + dense + plain * 5)
        args = ["--source", path, "--part-size", "10000"]
        # Room for every temporary file and plain part, not for the dense part's JAR.
        one = self.run_cli(args + ["--jobs", "1"], name="one", limit_kb=12)
        self.assertNotEqual(one.code, 0, one.stdout)
        self.assertEqual([n for n, _ in one.parts()], ["ReadMe1", "ReadMe2"])
        self.assert_no_partial_output(one)
        for jobs in ("2", "4"):
            self.assert_same(one, self.run_cli(args + ["--jobs", jobs], name=jobs, limit_kb=12))

    def test_max_compression_gives_the_same_files_in_smaller_jars(self):
        path, text = sample("readme.txt")
        args = ["--source", path, "--part-size", "900"]
        default = self.run_cli(args, name="default")
        strong = self.run_cli(args + ["--compression", "max"], name="max")
        self.assert_valid_build(default, text)
        self.assert_valid_build(strong, text)  # unzip -t, zipfile and Java's JarFile
        self.assertEqual([n for n, _ in default.parts()], [n for n, _ in strong.parts()])
        for name, _ in default.parts():
            jars = [os.path.join(r.output, "midlets", name + ".jar") for r in (default, strong)]
            members = []
            for jar in jars:
                with zipfile.ZipFile(jar) as z:
                    members.append([(i.filename, z.read(i)) for i in z.infolist()])
            self.assertEqual(members[0], members[1], name)
        self.assertLess(sum(s for _, s in strong.parts()), sum(s for _, s in default.parts()))

    def test_bad_job_and_compression_values(self):
        path = write(self.root, "text.txt", b"Text.")
        for i, bad in enumerate([["--jobs", "0"], ["--jobs", "x"], ["--compression", "best"]]):
            run = self.run_cli(["--source", path] + bad, name=f"bad{i}")
            self.assertNotEqual(run.code, 0, bad)
            self.assertEqual(run.midlets(), [], bad)


if __name__ == "__main__":
    unittest.main()
