#!/usr/bin/env bash
# bench.sh - whole builds against the physical limit of the job and against Info-ZIP,
# with --jobs 1 and with --compression max, peak memory, and the archive writer, font,
# page preview and source-text benchmarks. Prints every figure as "name: value".
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

def build(source, output, *extra):
    """Runs one build; returns (seconds, peak RSS in MB). GNU time reports the peak of
    the build alone, not of this script's memory that a fork would carry over."""
    os.makedirs(output, exist_ok=True)
    report = os.path.join(work, "time.txt")
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, cli, "--source", source,
                           "--part-size", "90000", "--font", "DejaVu Sans", "--output", output,
                           *extra], stdout=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("build failed: " + " ".join(extra) + "\n" + done.stdout.decode()[-2000:])
    with open(report) as f:
        return seconds, int(f.read().split()[-1]) / 1024

def jars(midlets):
    return [os.path.join(midlets, n) for n in sorted(os.listdir(midlets)) if n.endswith(".jar")]

def deflate_limit(midlets):
    """Seconds zlib level 9 (raw, 15-bit window, memory level 8) takes in one thread for
    every member of every JAR."""
    members = []
    for jar in jars(midlets):
        with zipfile.ZipFile(jar) as z:
            members += [z.read(i) for i in z.infolist() if not i.is_dir()]
    start = time.perf_counter()
    for data in members:
        c = zlib.compressobj(9, zlib.DEFLATED, -15, 8)
        c.compress(data)
        c.flush()
    return time.perf_counter() - start

def zip_per_part(midlets, trees):
    """Seconds Info-ZIP takes to make one JAR per part with zip -9 -r from the same trees."""
    if not os.path.isdir(trees):
        for i, jar in enumerate(jars(midlets)):
            with zipfile.ZipFile(jar) as z:
                z.extractall(os.path.join(trees, f"{i:05}"))
    start = time.perf_counter()
    for tree in sorted(os.listdir(trees)):
        subprocess.run(["zip", "-9", "-X", "-q", "-r", os.path.join(work, "part.zip"), "."],
                       cwd=os.path.join(trees, tree), check=True)
        os.remove(os.path.join(work, "part.zip"))
    return time.perf_counter() - start

def jar_bytes(midlets):
    return sum(os.path.getsize(j) for j in jars(midlets))

sources = {}
for mb in (10, 100):
    sources[mb] = os.path.join(work, f"text{mb}.txt")
    with open(sources[mb], "wb") as f:
        f.write(text(mb * 1024 * 1024))

# Interleaved pairs: the machine's load moves both sides of a ratio alike.
ratios = {"limit": [], "limit1": [], "zip": [], "max time": []}
peaks, sizes = {}, {}
trees = os.path.join(work, "trees")
for run in range(5):
    out = os.path.join(work, f"out10-{run}")
    seconds, peak = build(sources[10], out)
    midlets = os.path.join(out, "midlets")
    ratios["limit"].append(seconds / deflate_limit(midlets))
    ratios["zip"].append(seconds / zip_per_part(midlets, trees))
    peaks[10] = max(peaks.get(10, 0), peak)
    one, _ = build(sources[10], os.path.join(work, f"one10-{run}"), "--jobs", "1")
    ratios["limit1"].append(one / deflate_limit(midlets))
    strong, peak = build(sources[10], os.path.join(work, f"max10-{run}"), "--compression", "max")
    ratios["max time"].append(strong / seconds)
    peaks["max"] = max(peaks.get("max", 0), peak)
    sizes = (jar_bytes(os.path.join(work, f"max10-{run}", "midlets")), jar_bytes(midlets))
    for d in (out, os.path.join(work, f"one10-{run}"), os.path.join(work, f"max10-{run}")):
        subprocess.run(["rm", "-rf", d], check=True)
print(f"processors available: {len(os.sched_getaffinity(0))}")
print(f"build time ratio vs single-thread deflate limit: {statistics.median(ratios['limit']):.2f}")
print(f"build time ratio vs single-thread deflate limit, --jobs 1: "
      f"{statistics.median(ratios['limit1']):.2f}")
print(f"build time ratio vs zip -9 jar per part: {statistics.median(ratios['zip']):.2f}")
print(f"jar bytes ratio max vs default: {sizes[0] / sizes[1]:.4f}")
print(f"build time ratio max vs default: {statistics.median(ratios['max time']):.2f}")
print(f"peak memory of a 10 MB build (MB): {peaks[10]:.1f}")
print(f"peak memory of a 10 MB build with --compression max (MB): {peaks['max']:.1f}")
seconds, peaks[100] = build(sources[100], os.path.join(work, "out100"))
print(f"build time of a 100 MB text (s): {seconds:.1f}")
print(f"peak memory of a 100 MB build (MB): {peaks[100]:.1f}")
PY

if [ "${1:-}" != "--build" ]; then
    "$ROOT/scripts/bench-archive.sh"
    "$ROOT/scripts/bench-font.sh"
    "$ROOT/scripts/bench-preview.sh"
    "$ROOT/scripts/bench-text.sh"
fi
