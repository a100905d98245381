#!/usr/bin/env bash
# bench.sh - whole builds against the physical limit of the job and against Info-ZIP,
# with --jobs 1 and with --compression max, peak memory, and the archive writer, font,
# page preview and source-text benchmarks. Prints every figure as "name: value".
#   scripts/bench.sh            everything
#   scripts/bench.sh --build    only the whole-build figures (with the JAR-limit fitting)
set -euo pipefail

source "$(dirname "$0")/bench-setup.sh"

PYTHONPATH="$ROOT/bench" python3 - "$CLI" "$WORK" <<'PY'
import os, statistics, subprocess, sys, time, zipfile, zlib

cli, work = sys.argv[1], sys.argv[2]
from prose import text  # bench/prose.py: one text for every benchmark

def build(source, output, *extra):
    """Runs one build; returns (seconds, peak RSS in MB). GNU time reports the peak of
    the build alone, not of this script's memory that a fork would carry over."""
    os.makedirs(output, exist_ok=True)
    report = os.path.join(work, "time.txt")
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, cli, "--source", source,
                           "--part-size", "90000", "--font", "DejaVu Sans", "--output", output,
                           *extra], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
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
sources["few"] = os.path.join(work, "few-words.txt")
with open(sources["few"], "wb") as f:
    f.write(text(10 * 1024 * 1024, natural=False))

# Interleaved pairs: the machine's load moves both sides of a ratio alike.
ratios = {"limit": [], "limit1": [], "zip": [], "max time": [], "max time few": []}
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
    plain, _ = build(sources["few"], os.path.join(work, f"few-{run}"))
    strong, _ = build(sources["few"], os.path.join(work, f"fewmax-{run}"), "--compression", "max")
    ratios["max time few"].append(strong / plain)
# Removed only now: on ext4 without a journal, files deleted in the last half minute slow
# down every file created after them, which would charge this script's own cleanup to the
# builds that follow it.
for run in range(5):
    for d in ("out10", "one10", "max10", "few", "fewmax"):
        subprocess.run(["rm", "-rf", os.path.join(work, f"{d}-{run}")], check=True)
print(f"processors available: {len(os.sched_getaffinity(0))}")
print(f"build time ratio vs single-thread deflate limit: {statistics.median(ratios['limit']):.2f}")
print(f"build time ratio vs single-thread deflate limit, --jobs 1: "
      f"{statistics.median(ratios['limit1']):.2f}")
print(f"build time ratio vs zip -9 jar per part: {statistics.median(ratios['zip']):.2f}")
print(f"jar bytes ratio max vs default: {sizes[0] / sizes[1]:.4f}")
print(f"build time ratio max vs default: {statistics.median(ratios['max time']):.2f}")
print(f"build time ratio max vs default, a text of 30 words: "
      f"{statistics.median(ratios['max time few']):.2f}")
print(f"peak memory of a 10 MB build (MB): {peaks[10]:.1f}")
print(f"peak memory of a 10 MB build with --compression max (MB): {peaks['max']:.1f}")
seconds, peaks[100] = build(sources[100], os.path.join(work, "out100"))
print(f"build time of a 100 MB text (s): {seconds:.1f}")
print(f"peak memory of a 100 MB build (MB): {peaks[100]:.1f}")
PY

BUILD_DIR="$BUILD" "$ROOT/scripts/bench-jar-limit.sh"
if [ "${1:-}" != "--build" ]; then
    "$ROOT/scripts/bench-archive.sh"
    "$ROOT/scripts/bench-font.sh"
    "$ROOT/scripts/bench-preview.sh"
    "$ROOT/scripts/bench-text.sh"
fi
