#!/usr/bin/env bash
# bench.sh - whole builds against the physical limit of the job, peak memory, and the
# archive writer, font and page preview benchmarks. Prints every figure as "name: value".
#   scripts/bench.sh            everything
#   scripts/bench.sh --build    only the whole-build figures
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORIX_BUILD_GUI=OFF >/dev/null
ninja -C "$BUILD" quorix-maker-cli >/dev/null

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

python3 - "$BUILD/src/cli/quorix-maker-cli" "$WORK" <<'PY'
import os, random, statistics, subprocess, sys, time, zipfile, zlib

cli, work = sys.argv[1], sys.argv[2]
rng = random.Random(10)
words = [w.encode("cp1251") for w in (
    "the keeper climbed stairs every evening storm waves broke over rock light swept dark water "
    "маяк стоял на голой скале смотритель поднимался по лестнице каждый вечер буря волны свет").split()]

def text(size):
    out, n = [], 0
    while n < size:
        s = b" ".join(rng.choice(words) for _ in range(rng.randint(4, 16)))
        s = s[:1].upper() + s[1:] + rng.choice([b". ", b"! ", b"? ", b".\r\n"])
        out.append(s)
        n += len(s)
    return b"".join(out)[:size]

def build(source, output):
    """Runs one build; returns (seconds, peak RSS in MB). GNU time reports the peak of
    the build alone, not of this script's memory that a fork would carry over."""
    os.makedirs(output, exist_ok=True)
    report = os.path.join(work, "time.txt")
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, cli, "--source", source,
                    "--part-size", "90000", "--font", "DejaVu Sans", "--output", output],
                   stdout=subprocess.DEVNULL, check=True)
    seconds = time.perf_counter() - start
    with open(report) as f:
        return seconds, int(f.read().split()[-1]) / 1024

def deflate_limit(midlets):
    """Seconds zlib level 9 (raw, 15-bit window, memory level 8) takes for every member of every JAR."""
    members = []
    for name in sorted(os.listdir(midlets)):
        if name.endswith(".jar"):
            with zipfile.ZipFile(os.path.join(midlets, name)) as z:
                members += [z.read(i) for i in z.infolist() if not i.is_dir()]
    start = time.perf_counter()
    for data in members:
        c = zlib.compressobj(9, zlib.DEFLATED, -15, 8)
        c.compress(data)
        c.flush()
    return time.perf_counter() - start

sources = {}
for mb in (10, 100):
    sources[mb] = os.path.join(work, f"text{mb}.txt")
    with open(sources[mb], "wb") as f:
        f.write(text(mb * 1024 * 1024))

ratios, peaks = [], {}
for run in range(3):
    out = os.path.join(work, f"out10-{run}")
    seconds, peak = build(sources[10], out)
    limit = deflate_limit(os.path.join(out, "midlets"))
    ratios.append(seconds / limit)
    peaks[10] = max(peaks.get(10, 0), peak)
print(f"build time ratio vs deflate limit: {statistics.median(ratios):.2f}")
print(f"peak memory of a 10 MB build (MB): {peaks[10]:.1f}")
seconds, peaks[100] = build(sources[100], os.path.join(work, "out100"))
print(f"build time of a 100 MB text (s): {seconds:.1f}")
print(f"peak memory of a 100 MB build (MB): {peaks[100]:.1f}")
PY

if [ "${1:-}" != "--build" ]; then
    "$ROOT/scripts/bench-archive.sh"
    "$ROOT/scripts/bench-font.sh"
    "$ROOT/scripts/bench-preview.sh"
fi
