"""outputs_test.py - what the command line promises about its outputs, tried as a hostile
user would: links at final names, interruptions, parallel builds of one name, bad inputs
and code pages. Each case states the outcome it expects."""
import concurrent.futures
import os
import random
import re
import signal
import stat
import subprocess
import time
import unittest

from cli_test import CLI, FAILED, FONT, Checks, Run, jar_entries, read_member, write

SEVEN = ["META-INF/", "META-INF/MANIFEST.MF", "TBookCanvas.class", "TBookMIDlet.class",
         "book.dat", "font.dat", "help.dat"]
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def jad_size(jad):
    for line in read(jad).decode("utf-8", "replace").split("\r\n"):
        if line.startswith("MIDlet-Jar-Size: "):
            return int(line.split(": ")[1])
    return None


def text_block(size, seed):
    """Sentences of random words, `size` bytes."""
    rng = random.Random(seed)
    words = [b"lighthouse", b"keeper", b"storm", b"wave", b"night", b"rock", b"sea", b"boat"]
    block = b"".join(b" ".join(rng.choice(words) for _ in range(10)) + b". "
                     for _ in range(4000))
    return (block * (size // len(block) + 1))[:size]


def as_nobody(command):
    return subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
                          + command, capture_output=True, text=True)


class PairChecks(Checks):
    def assert_whole_pairs(self, midlets):
        """Only JAR/JAD pairs whose JAD size matches and which unzip accepts; no leftovers."""
        files = sorted(os.listdir(midlets)) if os.path.isdir(midlets) else []
        jars = {f[:-4] for f in files if f.endswith(".jar")}
        jads = {f[:-4] for f in files if f.endswith(".jad")}
        self.assertEqual(jars, jads, files)
        self.assertEqual(len(files), 2 * len(jars), files)  # no private file left behind
        for name in jars:
            jar = os.path.join(midlets, name + ".jar")
            self.assertEqual(jad_size(os.path.join(midlets, name + ".jad")),
                             os.path.getsize(jar), name)
            unzip = subprocess.run(["unzip", "-tq", jar], capture_output=True)
            self.assertEqual(unzip.returncode, 0, name)
            self.assertEqual(sorted(jar_entries(jar)), SEVEN)
        return jars


class Outputs(PairChecks):
    # Links and old files at the final names are replaced, never written through.
    def test_links_and_old_files_at_final_names(self):
        path = write(self.root, "text.txt", b"Some text. More text.")
        victim = write(self.root, "victim", b"root only")
        os.chmod(victim, 0o600)
        cases = [
            ("link at jar", lambda m: os.symlink(victim, os.path.join(m, "ReadMe.jar")), None),
            ("link at jad", lambda m: os.symlink(victim, os.path.join(m, "ReadMe.jad")), None),
            ("read-only old jar", lambda m: (write(m, "ReadMe.jar", b"old"),
                                             os.chmod(os.path.join(m, "ReadMe.jar"), 0o444)),
             None),
            ("directory at jar", lambda m: os.mkdir(os.path.join(m, "ReadMe.jar")),
             "Cannot create file {}/ReadMe.jar: Is a directory"),
            ("directory at jad", lambda m: os.mkdir(os.path.join(m, "ReadMe.jad")),
             "Can not create/save file {}/ReadMe.jad: Is a directory"),
        ]
        for i, (label, plant, fails) in enumerate(cases):
            with self.subTest(label):
                out = os.path.join(self.root, f"out{i}")
                midlets = os.path.join(out, "midlets")
                os.makedirs(midlets)
                plant(midlets)
                run = self.run_cli(["--source", path], name=f"link{i}", output=out)
                self.assertEqual(read(victim), b"root only")
                self.assertEqual(sorted(os.listdir(self.root + f"/link{i}/tmp")), [])
                if fails:
                    self.assertNotEqual(run.code, 0)
                    self.assertEqual(run.lines[-1], FAILED + fails.format(midlets))
                    planted = fails.split("/")[-1].split(":")[0]
                    self.assertTrue(os.path.isdir(os.path.join(midlets, planted)))
                    self.assertEqual(os.listdir(midlets), [planted])
                else:
                    self.assertEqual(run.code, 0, run.stdout)
                    self.assertFalse(os.path.islink(os.path.join(midlets, "ReadMe.jar")))
                    self.assert_whole_pairs(midlets)

    def test_link_planted_by_another_user(self):
        path = write(self.root, "text.txt", b"Some text.")
        victim = write(self.root, "victim", b"root only")
        os.chmod(victim, 0o600)
        shared = os.path.join(self.root, "shared")
        os.makedirs(os.path.join(shared, "midlets"))
        os.chmod(self.root, 0o755)
        os.chmod(os.path.join(shared, "midlets"), 0o1777)
        planted = as_nobody(["ln", "-s", victim, os.path.join(shared, "midlets", "ReadMe.jar")])
        if planted.returncode != 0:
            self.skipTest("cannot act as user nobody: " + planted.stderr)
        run = self.run_cli(["--source", path], output=shared)
        self.assertEqual(run.code, 0, run.stdout)
        self.assertEqual(read(victim), b"root only")
        self.assert_whole_pairs(os.path.join(shared, "midlets"))

    def test_developer_commands_never_truncate_their_input(self):
        for command, ext in (("hex", ".imp"), ("join-lines", ".txt")):
            with self.subTest(command):
                source = write(self.root, f"in-{command}", b"Line one\r\nline two.\r\n")
                os.symlink(source, source + ext)
                done = subprocess.run([CLI, command, source], capture_output=True)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(read(source), b"Line one\r\nline two.\r\n")
                self.assertFalse(os.path.islink(source + ext))
                self.assertGreater(os.path.getsize(source + ext), 0)
                self.assertEqual([f for f in os.listdir(self.root) if f.startswith(".")], [])

    # A failed rebuild leaves the good pair as it was.
    def test_failed_rebuild_keeps_the_old_pair(self):
        path = write(self.root, "text.txt", text_block(30000, 1))
        out = os.path.join(self.root, "out")
        first = self.run_cli(["--source", path, "--part-size", "90000"], name="good", output=out)
        self.assertEqual(first.code, 0, first.stdout)
        midlets = os.path.join(out, "midlets")
        before = {f: read(os.path.join(midlets, f)) for f in os.listdir(midlets)}
        rng = random.Random(3)
        dense = bytes(rng.choice(range(35, 127)) for _ in range(9999)) + b"."
        write(self.root, "text.txt", dense)
        # Room for the temporary files, not for the JAR that holds them all.
        again = self.run_cli(["--source", path, "--part-size", "90000"], name="bad",
                             limit_kb=12, output=out)
        self.assertNotEqual(again.code, 0, again.stdout)
        self.assertTrue(again.lines[-1].startswith(FAILED), again.lines[-1])
        self.assertEqual({f: read(os.path.join(midlets, f)) for f in os.listdir(midlets)},
                         before)

    # Failures that were reported as success.
    def test_failures_never_pass_for_success(self):
        path = write(self.root, "text.txt", b"Some text. More text.")
        damaged = os.path.join(self.root, "damaged.ttf")
        font = bytearray(read(DEJAVU))
        tables = int.from_bytes(font[4:6], "big")
        for i in range(tables):
            record = font[12 + 16 * i: 28 + 16 * i]
            if record[:4] == b"glyf":
                offset = int.from_bytes(record[8:12], "big")
                length = int.from_bytes(record[12:16], "big")
                font[offset:offset + length] = bytes(length)
        write(self.root, "damaged.ttf", bytes(font))
        cases = [
            # Too few to open the JAR, or to list the temporary directory.
            ("five descriptors", ["--source", path], 5, None),
            ("six descriptors", ["--source", path], 6, None),
            ("damaged font", ["--source", path, "--font", damaged], None,
             "Can not load font " + damaged),
            ("missing font file name", ["--source", path, "--font", "mybook.ttf"], None,
             "Font file not found: mybook.ttf"),
            ("empty source", ["--source", write(self.root, "empty.txt", b"")], None,
             "The source holds no text"),
            ("blank lines and characters that show nothing",
             ["--source", write(self.root, "blank.txt",
                                "\ufeff \r\n\u200b\u00ad\u0301\n\t\n".encode())],
             None, "The source holds no text"),
            # A file system that reports size 0 for a file that holds text.
            ("size 0 but text", ["--source", "/proc/version"], None, None),
            # Glyphs too small for a pixel are empty, not damaged.
            ("tiny font", ["--source", path, "--font-height", "-1"], None, None),
        ]
        for i, (label, args, files, message) in enumerate(cases):
            with self.subTest(label):
                if files is not None:
                    out = os.path.join(self.root, f"fail{i}")
                    tmp = os.path.join(out, "tmp")
                    os.makedirs(tmp)
                    limited = subprocess.run(
                        ["bash", "-c", f"ulimit -n {files}; exec \"$@\"", "bash", CLI,
                         "--output", out, "--font", FONT] + args, capture_output=True, text=True,
                        env=dict(os.environ, TMPDIR=tmp))
                    self.assertNotIn("Process successfully ended", limited.stdout)
                    if "runtime error" in limited.stderr or "Sanitizer" in limited.stderr:
                        # Its checks open pipes of their own, which the limit denies.
                        self.skipTest("the sanitizer runtime needs descriptors of its own")
                    self.assertEqual(os.listdir(tmp), [])  # nor its private tree
                    self.assertNotEqual(limited.returncode, 0, limited.stdout)
                    self.assertTrue(limited.stdout.splitlines()[-1].startswith(FAILED),
                                    limited.stdout)
                    self.assertNotIn("Process successfully ended", limited.stdout)
                    continue
                run = self.run_cli(args, name=f"fail{i}")
                if message is None:
                    self.assertEqual(run.code, 0, run.stdout)
                    book = read_member(os.path.join(run.output, "midlets", "ReadMe.jar"),
                                       "book.dat")
                    # Lone LFs reach the phone as CR.
                    self.assertEqual(book[4:], re.sub(rb"(?<!\r)\n", b"\r", read(args[1])))
                    continue
                self.assertNotEqual(run.code, 0, run.stdout)
                self.assertTrue(run.lines[-1].startswith(FAILED + message), run.lines[-1])
                self.assertEqual(run.midlets(), [])
        # A book of that name built before stays as it was.
        os.makedirs(self.root + "/kept/out/midlets")
        old = write(self.root, "kept/out/midlets/ReadMe.jar", b"an earlier build")
        run = self.run_cli(["--source", self.root + "/empty.txt"], name="kept")
        self.assertEqual(run.lines[-1], FAILED + "The source holds no text")
        self.assertEqual((run.midlets(), read(old)), (["ReadMe.jar"], b"an earlier build"))

    def test_source_truncated_during_the_build(self):
        path = write(self.root, "big.txt", text_block(3 * 1024 * 1024, 2))
        out = os.path.join(self.root, "out")
        tmp = os.path.join(self.root, "tmp")
        os.makedirs(tmp)
        proc = subprocess.Popen([CLI, "--output", out, "--font", FONT, "--source", path,
                                 "--part-size", "90000"], stdout=subprocess.PIPE, text=True,
                                env=dict(os.environ, TMPDIR=tmp))
        lines = []
        for line in proc.stdout:
            lines.append(line.rstrip("\n"))
            if line.startswith("Create midlet ReadMe1.jar"):
                os.truncate(path, 1000)
        proc.wait()
        proc.stdout.close()
        self.assertNotEqual(proc.returncode, 0)
        self.assertTrue(lines[-1].startswith(FAILED + "The source changed during the build: "
                                             + path), lines[-1])
        self.assert_whole_pairs(os.path.join(out, "midlets"))

    # Code pages and names: refused before anything is touched.
    def test_code_pages_and_names(self):
        path = write(self.root, "text.txt", b"Some text.")
        long_cyrillic = "\u0436" * 126  # 126 bytes in CP1251, 252 in UTF-8
        cases = [
            (["--code-page", "IBM037", "--book", "../escaped"],
             'Code page "IBM037" is not a single-byte code page that keeps ASCII'),
            (["--code-page", "UTF-8"],
             'Code page "UTF-8" is not a single-byte code page that keeps ASCII'),
            (["--code-page", "UTF-16"],
             'Code page "UTF-16" is not a single-byte code page that keeps ASCII'),
            (["--code-page", "SHIFT_JIS"],
             'Code page "SHIFT_JIS" is not a single-byte code page that keeps ASCII'),
            (["--book", long_cyrillic], "Invalid book name"),
        ]
        for i, (args, message) in enumerate(cases):
            with self.subTest(args=args[:2]):
                run = self.run_cli(["--source", path] + args, name=f"cp{i}")
                self.assertNotEqual(run.code, 0)
                self.assertEqual(run.lines[-1], FAILED + message)
                self.assertFalse(os.path.exists(run.output + "/midlets"))
                self.assertEqual(sorted(os.listdir(self.root + f"/cp{i}")), ["out", "tmp"])

    # A book's title names it when --book is not given: what memory cards' FAT refuses
    # becomes "-" or goes. A typed name keeps its ":", which the JAD's URL writes as %3A.
    def test_names_for_memory_cards_and_urls(self):
        md = write(self.root, "nettle.md", b"Nettle is a library. It has parts.\n")
        fb2 = os.path.join(self.root, "nettle.fb2")
        subprocess.run(["pandoc", md, "-t", "fb2", "-o", fb2, "--metadata",
                        'title=Nettle: a library | "crypto" <*?>'], check=True)
        cases = [([], "Nettle- a library - crypto", "Nettle- a library - crypto.jar"),
                 (["--book", "Nettle: a library"], "Nettle: a library", "Nettle%3A a library.jar")]
        for i, (args, name, url) in enumerate(cases):
            with self.subTest(name=name):
                run = self.run_cli(["--source", fb2] + args, name=f"title{i}")
                self.assertEqual(run.code, 0, run.stdout)
                self.assertEqual(run.midlets(), [name + ".jad", name + ".jar"])
                jad = read(os.path.join(run.output, "midlets", name + ".jad")).decode("utf-8")
                self.assertIn("\r\nMIDlet-Jar-URL: " + url + "\r\n", jad)

    def test_russian_help_in_another_code_page(self):
        path = write(self.root, "text.txt", b"Some text.")
        helps = {}
        for cp, codec in (("CP1251", "cp1251"), ("KOI8-R", "koi8_r")):
            run = self.run_cli(["--source", path, "--code-page", cp, "--help-language", "ru"],
                               name=cp)
            self.assertEqual(run.code, 0, run.stdout)
            raw = read_member(os.path.join(run.output, "midlets", "ReadMe.jar"), "help.dat")
            helps[cp] = raw[4:].decode(codec)
        self.assertEqual(helps["KOI8-R"], helps["CP1251"])
        self.assertRegex(helps["CP1251"], "[\u0430-\u044f]{4}")

    # Inputs that would block for ever or never end.
    def test_inputs_must_be_regular_files(self):
        fifo = os.path.join(self.root, "fifo")
        os.mkfifo(fifo)
        text = write(self.root, "text.txt", b"Some text.")
        builds = [["--source", fifo], ["--source", text, "--font", fifo]]
        for i, args in enumerate(builds):
            with self.subTest(args=args):
                run = self.run_cli(args, name=f"in{i}")
                self.assertNotEqual(run.code, 0)
                self.assertEqual(run.lines[-1], FAILED + "Not a regular file: " + fifo)
        for command in ("hex", "join-lines"):
            for source in (fifo, "/dev/zero"):
                with self.subTest(command=command, source=source):
                    done = subprocess.run([CLI, command, source], capture_output=True,
                                          text=True, timeout=30)
                    self.assertNotEqual(done.returncode, 0)
                    self.assertIn("Not a regular file: " + source, done.stderr)

    # Each row: a tmpfs of `size` for the books, the dense source's length and part size, and
    # the builds' jobs; every build of a row leaves the same books and the same last line.
    def test_full_disk(self):
        rng = random.Random(5)
        cases = [
            ("part larger than the disk", "1m", 3 * 1024 * 1024, "4000000", [1],
             r"zw: Invalid compressed size, rfs.size = \d+, count = \d+", []),
            # Room for one part's JAR, not two: two workers' JARs crowd each other out, and
            # the first part is then made alone, as one worker makes it.
            ("two workers, room for one part", "400k", 600000, "300000", [1, 2, 2, 2, 4],
             r"zw: Invalid compressed size, rfs.size = \d+", ["ReadMe1.jad", "ReadMe1.jar"]),
        ]
        for label, size, length, part, jobs, message, books in cases:
            data = bytes(rng.choice(range(35, 127)) for _ in range(length)) + b"."
            path = write(self.root, "dense.txt", data)
            last = {}
            for k, n in enumerate(jobs):
                with self.subTest(label, jobs=n):
                    out = os.path.join(self.root, f"small-{size}-{k}")
                    os.makedirs(out)
                    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size,
                                              "tmpfs", out], capture_output=True, text=True)
                    if mounted.returncode != 0:
                        self.skipTest("cannot mount a tmpfs: " + mounted.stderr.strip())
                    try:
                        run = self.run_cli(["--source", path, "--part-size", part,
                                            "--jobs", str(n)], output=out, name=f"{size}-{k}")
                        self.assertNotEqual(run.code, 0)
                        self.assertRegex(run.lines[-1], "^" + FAILED + message)
                        self.assertEqual(run.lines[-1], last.setdefault(label, run.lines[-1]))
                        self.assertEqual(sorted(os.listdir(os.path.join(out, "midlets"))), books)
                    finally:
                        subprocess.run(["umount", out])

    def test_output_temp_and_keep_temp(self):
        path = write(self.root, "text.txt", b"Some text.")
        nested = os.path.join(self.root, "a", "b", "c")
        run = self.run_cli(["--source", path], output=nested)
        self.assertEqual(run.code, 0, run.stdout)
        self.assert_whole_pairs(os.path.join(nested, "midlets"))
        early = self.run_cli(["--source", path, "--part-size", "0", "--keep-temp"], name="k")
        self.assertEqual(early.lines[-1], FAILED + "Invalid part size")
        missing_tmp = os.path.join(self.root, "no-such-tmp")
        done = subprocess.run([CLI, "--source", path, "--output", self.root],
                              capture_output=True, text=True,
                              env=dict(os.environ, TMPDIR=missing_tmp))
        self.assertNotEqual(done.returncode, 0)
        self.assertTrue(done.stdout.splitlines()[-1].startswith(
            FAILED + "Can not create tempopary directory " + missing_tmp), done.stdout)
        missing = self.run_cli(["--source", os.path.join(self.root, "none.txt")], name="nf")
        self.assertEqual(missing.lines[-1], FAILED + "File not found")
        self.assertIn(os.path.join(self.root, "none.txt"), missing.stderr)
        # A TMPDIR the user may not write: another user's private directory.
        private = os.path.join(self.root, "private")
        os.makedirs(private, mode=0o700)
        shared = os.path.join(self.root, "shared-out")
        os.makedirs(shared)
        os.chmod(shared, 0o777)
        os.chmod(self.root, 0o755)
        os.chmod(path, 0o644)
        done = subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                               CLI, "--source", path, "--output", shared, "--font", FONT],
                              capture_output=True, text=True, env=dict(os.environ, TMPDIR=private))
        if done.returncode == 126 or "setpriv:" in done.stderr:
            self.skipTest("cannot run as user nobody: " + done.stderr)
        self.assertNotEqual(done.returncode, 0)
        self.assertEqual(done.stdout.splitlines()[-1], FAILED +
                         "Can not create tempopary directory " + private + "/quorix-maker-XXXXXX")


class Interrupted(PairChecks):
    def big_build(self, out, tmp, source):
        return subprocess.Popen([CLI, "--output", out, "--font", FONT, "--source", source,
                                 "--book", "Big", "--part-size", "20000000"],
                                stdout=subprocess.PIPE, text=True,
                                env=dict(os.environ, TMPDIR=tmp))

    def test_signals_during_a_part(self):
        source = write(self.root, "big.txt", text_block(60 * 1024 * 1024, 9))
        out = os.path.join(self.root, "out")
        tmp = os.path.join(self.root, "tmp")
        os.makedirs(tmp)
        first = self.big_build(out, tmp, source)
        first.communicate()
        first.stdout.close()
        self.assertEqual(first.returncode, 0)
        midlets = os.path.join(out, "midlets")
        parts = self.assert_whole_pairs(midlets)
        self.assertGreaterEqual(len(parts), 3)
        cases = [(signal.SIGINT, 130), (signal.SIGTERM, 143), (signal.SIGHUP, 129),
                 (signal.SIGKILL, -9)]
        for sig, status in cases:
            with self.subTest(signal=sig.name):
                proc = self.big_build(out, tmp, source)
                lines, jars = [], 0
                for line in proc.stdout:
                    lines.append(line.rstrip("\n"))
                    if line.startswith("Creating jar file..."):
                        jars += 1
                        if jars == 2:
                            time.sleep(0.3)
                            proc.send_signal(sig)
                proc.wait()
                proc.stdout.close()
                self.assertEqual(proc.returncode, status, lines[-3:])
                if sig != signal.SIGKILL:
                    self.assertEqual(lines[-1], FAILED + "Interrupted")
                    self.assertEqual(os.listdir(tmp), [])
                    self.assertEqual(self.assert_whole_pairs(midlets), parts)
                else:
                    # Unnamed files die with the process; its private tree goes at the next
                    # start, which leaves nothing behind either.
                    self.assert_whole_pairs(midlets)
                    self.assertEqual(len(os.listdir(tmp)), 1)
                    subprocess.run([CLI, "--output", out, "--font", FONT, "--source",
                                    write(self.root, "t.txt", b"Text.")], capture_output=True,
                                   env=dict(os.environ, TMPDIR=tmp), check=True)
                    self.assertEqual(os.listdir(tmp), [])

    def test_closed_pipe_does_not_stop_the_build(self):
        source = write(self.root, "text.txt", text_block(200000, 4))
        out = os.path.join(self.root, "out")
        proc = subprocess.Popen(f"'{CLI}' --output '{out}' --font '{FONT}' --source '{source}'"
                                " --part-size 50000 | head -n 1 >/dev/null; exit ${PIPESTATUS[0]}",
                                shell=True, executable="/bin/bash")
        self.assertEqual(proc.wait(), 0)
        midlets = os.path.join(out, "midlets")
        parts = self.assert_whole_pairs(midlets)
        joined = b"".join(read_member(os.path.join(midlets, f"ReadMe{k}.jar"), "book.dat")[4:]
                          for k in range(1, len(parts) + 1))
        self.assertEqual(joined, read(source))


class SameName(PairChecks):
    def test_eight_builds_of_one_name(self):
        out = os.path.join(self.root, "shared")
        os.makedirs(out)
        sources = [write(self.root, f"s{i}.txt", text_block(20000 + 1000 * i, i)) for i in range(8)]

        def build(i):
            return Run(os.path.join(self.root, f"p{i}"), ["--source", sources[i]], output=out)

        with concurrent.futures.ThreadPoolExecutor(8) as pool:
            runs = list(pool.map(build, range(8)))
        for run in runs:
            self.assertEqual(run.code, 0, run.stdout)
        midlets = os.path.join(out, "midlets")
        self.assertEqual(self.assert_whole_pairs(midlets), {"ReadMe"})
        book = read_member(os.path.join(midlets, "ReadMe.jar"), "book.dat")[4:]
        self.assertIn(book, [read(s) for s in sources])


if __name__ == "__main__":
    unittest.main()
