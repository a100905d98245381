"""serve_test.py - `quorix-maker-cli serve` as a phone and as an intruder on the same network
see it: real books built from Debian's texts, read back over HTTP and in headless Chromium."""
import concurrent.futures
import http.client
import os
import pydoc_data.topics
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import unittest
import urllib.parse
import urllib.request
import zlib

CLI = os.environ.get("QUORIX_CLI", "quorix-maker-cli")
GPL = "/usr/share/common-licenses/GPL-3"
LONG_NAME = "НеразрывноеНазваниеКнигиБезЕдиногоПробела"
CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync"]


def build(root, book, source, part_size):
    subprocess.run([CLI, "--source", source, "--book", book, "--part-size", str(part_size),
                    "--output", root, "--help-language", "en"],
                   check=True, capture_output=True)


def get(url, method="GET"):
    with urllib.request.urlopen(urllib.request.Request(url, method=method), timeout=30) as r:
        return r.status, r.headers, r.read()


def png_rows(path):
    """(width, height), bytes per pixel and the rows of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        header = chunk if kind == b"IHDR" else header
        idat += chunk if kind == b"IDAT" else b""
        pos += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", header[:10])
    assert depth == 8 and colour in (2, 6), (depth, colour)
    n = 4 if colour == 6 else 3
    raw, stride, rows, prev = zlib.decompress(idat), width * n, [], bytearray(width * n)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:][:stride])
        for i in range(stride):
            a, b = line[i - n] if i >= n else 0, prev[i]
            c = prev[i - n] if i >= n else 0
            p = a + b - c
            paeth = min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
            line[i] = (line[i] + [0, a, b, (a + b) // 2, paeth][kind]) & 255
        rows.append(line)
        prev = line
    return (width, height), n, rows


class Serve(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="quorix-serve-")
        # GPL-3 cut into more than nine parts: part 10 must follow part 9, not part 1.
        build(cls.root, "GPL Три", GPL, 3000)
        # Python's own topic help: a JAR of several times the server's 64 KB read size.
        build(cls.root, "ReadMe", pydoc_data.topics.__file__, 1000000)
        build(cls.root, LONG_NAME, "/usr/share/common-licenses/MPL-2.0", 90000)
        cls.midlets = os.path.join(cls.root, "midlets")
        cls.books = sorted(os.listdir(cls.midlets))
        with open(os.path.join(cls.root, "secret.jar"), "wb") as f:
            f.write(b"outside the directory")
        os.symlink("../secret.jar", os.path.join(cls.midlets, "out.jar"))
        os.mkfifo(os.path.join(cls.midlets, "pipe.jar"))
        os.mkdir(os.path.join(cls.midlets, "x.jar"))
        with open(os.path.join(cls.midlets, "notes.txt"), "w") as f:
            f.write("not a book")
        cls.server = subprocess.Popen([CLI, "serve", cls.midlets, "--port", "0", "--bind",
                                       "127.0.0.1"], stdout=subprocess.PIPE, text=True)
        for line in cls.server.stdout:
            if line.startswith("Open on the phone: "):
                cls.base = line.split(": ", 1)[1].strip()
                break
        cls.origin = cls.base[:cls.base.index("/", len("http://"))]
        cls.token = cls.base.rstrip("/").rsplit("/", 1)[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.send_signal(signal.SIGINT)
        cls.server.communicate(timeout=30)
        shutil.rmtree(cls.root)

    def raw_status(self, method, path):
        """The status of a request whose path goes out byte for byte, unnormalised."""
        host, port = urllib.parse.urlsplit(self.base).netloc.split(":")
        connection = http.client.HTTPConnection(host, int(port), timeout=30)
        connection.putrequest(method, path, skip_accept_encoding=True)
        connection.endheaders()
        status = connection.getresponse().status
        connection.close()
        return status

    def test_index_lists_every_book_and_part_in_order(self):
        status, headers, body = get(self.base)
        self.assertEqual((status, headers["Content-Type"]), (200, "text/html; charset=utf-8"))
        page = body.decode("utf-8")
        self.assertNotIn("<script", page)
        links = [urllib.parse.unquote(h) for h in re.findall(r'href="([^"]+)"', page)]
        parts = sum(bool(re.fullmatch(r"GPL Три\d+\.jad", b)) for b in self.books)
        self.assertGreater(parts, 9)
        gpl = [f"GPL Три{n}.{kind}" for n in range(1, parts + 1) for kind in ("jad", "jar")]
        expected = gpl + ["ReadMe.jad", "ReadMe.jar", f"{LONG_NAME}.jad", f"{LONG_NAME}.jar"]
        self.assertEqual(links, expected)
        self.assertEqual(sorted(links), self.books)
        for name in ("GPL Три", LONG_NAME, "ReadMe"):
            self.assertEqual(page.count(f"<b>{name}</b>"), 1)

    def test_files_as_on_disk_and_head(self):
        for name in self.books:
            with self.subTest(name):
                with open(os.path.join(self.midlets, name), "rb") as f:
                    disk = f.read()
                url = self.base + urllib.parse.quote(name)
                status, headers, body = get(url)
                mime = ("text/vnd.sun.j2me.app-descriptor" if name.endswith(".jad")
                        else "application/java-archive")
                self.assertEqual((status, headers["Content-Type"], body), (200, mime, disk))
                self.assertEqual(int(headers["Content-Length"]), len(disk))
                status, headers, body = get(url, "HEAD")
                self.assertEqual((status, int(headers["Content-Length"]), body),
                                 (200, len(disk), b""))

    def test_refused_requests(self):
        t = "/" + self.token
        cases = [("GET", path, 404) for path in [
            f"{t}/../secret.jar", f"{t}/%2e%2e/secret.jar", f"{t}/..%2fsecret.jar",
            f"{t}/%2E%2E%2Fsecret.jar", f"{t}/..%5csecret.jar", f"{t}/out.jar",
            f"{t}/pipe.jar", f"{t}/x.jar", f"{t}/notes.txt", f"{t}/ReadMe.jar/",
            f"{t}//ReadMe.jar", f"{t}/ReadMe.jar%00.jad", f"{t}/%2fetc%2fpasswd",
            f"{t}/ReadMe%2ejar%2", "/ReadMe.jar", "/", f"/{self.token[:-1]}/ReadMe.jar",
            f"{t}x/ReadMe.jar", f"{t}/%2e%2e%2f%2e%2e%2f%2e%2e%2fetc%2fpasswd"]]
        cases += [(m, f"{t}/ReadMe.jar", 405) for m in ("POST", "PUT", "DELETE", "OPTIONS")]
        for method, path, status in cases:
            with self.subTest(f"{method} {path}"):
                self.assertEqual(self.raw_status(method, path), status)
        self.assertEqual(self.raw_status("GET", f"{t}/ReadMe.jar"), 200)
        # Headers without end: refused once they pass the request's budget, memory bounded.
        host, port = urllib.parse.urlsplit(self.base).netloc.split(":")
        with socket.create_connection((host, int(port)), timeout=30) as flood:
            try:
                flood.sendall(f"GET {t}/ HTTP/1.1\r\n".encode() + b"X-Pad: " + b"a" * 10**7)
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.assertIn(flood.recv(100)[:12], (b"HTTP/1.1 400", b""))
        # Nothing was written and nothing read through the FIFO.
        self.assertEqual(sorted(os.listdir(self.midlets)),
                         sorted(self.books + ["out.jar", "pipe.jar", "x.jar", "notes.txt"]))

    def test_200_concurrent_downloads(self):
        name = max(self.books, key=lambda b: os.path.getsize(os.path.join(self.midlets, b)))
        with open(os.path.join(self.midlets, name), "rb") as f:
            disk = f.read()
        url = self.base + urllib.parse.quote(name)
        with concurrent.futures.ThreadPoolExecutor(200) as pool:
            bodies = list(pool.map(lambda _: get(url)[2], range(200)))
        self.assertEqual(sum(body == disk for body in bodies), 200)

    def test_jad_jar_url_resolves_to_the_jar_it_sizes(self):
        for name in (b for b in self.books if b.endswith(".jad")):
            with self.subTest(name):
                jad_url = self.base + urllib.parse.quote(name)
                fields = dict(line.split(": ", 1) for line in
                              get(jad_url)[2].decode("utf-8").split("\r\n") if ": " in line)
                # A browser escapes the space the descriptor keeps as it is.
                jar_url = urllib.parse.urljoin(jad_url, fields["MIDlet-Jar-URL"]
                                               .replace(" ", "%20"))
                status, headers, body = get(jar_url)
                self.assertEqual(headers["Content-Type"], "application/java-archive")
                self.assertEqual(len(body), int(fields["MIDlet-Jar-Size"]))
                self.assertEqual(len(body), os.path.getsize(
                    os.path.join(self.midlets, name[:-4] + ".jar")))

    @unittest.skipUnless(shutil.which("chromium"), "chromium is not installed")
    def test_index_in_chromium_at_phone_widths(self):
        # The page as served, plus a probe that paints the margin (window width, 255, 0)
        # only when the page and every link fit the width; the served page has no script.
        _, _, body = get(self.base)
        probe = body.decode("utf-8").replace("<head>", f'<head><base href="{self.base}">', 1)
        probe = probe.replace("</body>", """<script>
function check() {
  var w = document.documentElement.clientWidth;  // without a scroll bar
  var fits = document.documentElement.scrollWidth <= w;
  for (var a of document.links) fits = fits && a.getBoundingClientRect().right <= w;
  document.documentElement.style.background = "rgb(" + innerWidth % 256 + "," + (fits ? 255 : 0) + ",0)";
}
check(); addEventListener("resize", check);
</script></body>""")
        probe_file = os.path.join(self.root, "probe.html")
        with open(probe_file, "w") as f:
            f.write(probe)
        for width in (128, 240):
            with self.subTest(width=width):
                dom = self.chromium(width, "--dump-dom", self.base).stdout
                hrefs = re.findall(r'href="([^"]+)"', dom)
                self.assertEqual(len(hrefs), len(self.books))
                shot = os.path.join(self.root, f"probe-{width}.png")
                self.chromium(width, f"--screenshot={shot}", "file://" + probe_file)
                size, n, rows = png_rows(shot)
                self.assertEqual(size[0], width)
                self.assertEqual(tuple(rows[1][n:][:3]), (width, 255, 0))

    def chromium(self, width, *args):
        profile = tempfile.mkdtemp(dir=self.root)
        return subprocess.run(CHROMIUM + [f"--user-data-dir={profile}",
                                          f"--window-size={width},400", *args],
                              capture_output=True, text=True, timeout=120, check=True)


class Stop(unittest.TestCase):
    def test_sigint_stops_cleanly_with_a_connection_open(self):
        with tempfile.TemporaryDirectory() as root:
            server = subprocess.Popen([CLI, "serve", root, "--port", "0", "--bind",
                                       "127.0.0.1"], stdout=subprocess.PIPE, text=True)
            shown = []
            for line in server.stdout:
                shown.append(line)
                if line.startswith("Press Ctrl+C"):
                    break
            base = next(l for l in shown if l.startswith("Open on")).split(": ")[1]
            netloc = urllib.parse.urlsplit(base.strip()).netloc
            idle = http.client.HTTPConnection(netloc, timeout=30)
            idle.request("GET", urllib.parse.urlsplit(base.strip()).path)
            self.assertIn(b"No books here yet.", idle.getresponse().read())
            # A path with control bytes reaches the log escaped, never as a terminal sequence.
            with socket.create_connection(urllib.parse.urlsplit(base.strip())[1].split(":"),
                                          timeout=30) as raw:
                raw.sendall(b"GET /\x1b]0;owned\x07\x1b[2J.jar HTTP/1.0\r\n\r\n")
                raw.recv(100)
            server.send_signal(signal.SIGINT)
            out, _ = server.communicate(timeout=30)
            self.assertEqual((server.returncode, out.strip().splitlines()[-1]), (0, "Stopped."))
            self.assertIn(" GET %1B]0;owned%07%1B[2J.jar 404\n", out)
            self.assertNotIn("\x1b", out)
            idle.close()
            if shutil.which("zbarimg"):
                self.assertEqual(decode_terminal_qr("".join(shown), root),
                                 "QR-Code:" + base.strip())


    def test_a_port_in_use_is_an_error_not_shared(self):
        with tempfile.TemporaryDirectory() as root:
            first = subprocess.Popen([CLI, "serve", root, "--port", "0", "--bind", "127.0.0.1"],
                                     stdout=subprocess.PIPE, text=True)
            url = next(l for l in first.stdout if l.startswith("Open on")).split(": ")[1]
            port = urllib.parse.urlsplit(url.strip()).port
            second = subprocess.run([CLI, "serve", root, "--port", str(port), "--bind",
                                     "127.0.0.1"],
                                    capture_output=True, text=True, timeout=30)
            first.send_signal(signal.SIGINT)
            first.communicate(timeout=30)
            self.assertEqual((second.returncode, second.stderr),
                             (1, f"quorix-maker-cli: Cannot listen on 127.0.0.1 port {port}: "
                                 "Address already in use\n"))


def decode_terminal_qr(out, root):
    """The text zbarimg reads from the half-block QR code, drawn 4 pixels a module."""
    rows = []
    for line in (l for l in out.splitlines() if l and set(l) <= set("█▀▄ ")):
        rows += [[c in "█▀" for c in line], [c in "█▄" for c in line]]
    pixels = b"".join(bytes(255 if light else 0 for light in row for _ in range(4)) * 4
                      for row in rows)
    image = os.path.join(root, "qr.pgm")
    with open(image, "wb") as f:
        f.write(b"P5 %d %d 255\n" % (len(rows[0]) * 4, len(rows) * 4) + pixels)
    return subprocess.run(["zbarimg", "-q", image], capture_output=True,
                          text=True).stdout.strip()


if __name__ == "__main__":
    unittest.main()
