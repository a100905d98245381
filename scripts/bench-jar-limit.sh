#!/usr/bin/env bash
# bench-jar-limit.sh - builds fitted to a phone's JAR limit against plain builds of the same
# text: CPU time ratio, and how full the JARs come out. Prints every figure as "name: value".
#   BUILD_DIR=<build dir> scripts/bench-jar-limit.sh     (default build-bench, Release)
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench}"
if [ -z "${BUILD_DIR:-}" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORIX_BUILD_GUI=OFF >/dev/null
fi
ninja -C "$BUILD" quorix-maker-cli >/dev/null

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

python3 - "$BUILD/src/cli/quorix-maker-cli" "$WORK" "$ROOT/samples" <<'PY'
import os, random, re, resource, subprocess, sys

cli, work, samples = sys.argv[1:4]

def text(sample, size, seed):
    with open(os.path.join(samples, sample), "rb") as f:
        words = re.findall(rb"[^\s.,!?;:]+", f.read())
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += b" ".join(rng.choice(words) for _ in range(rng.randint(4, 18)))
        out += rng.choice([b". ", b". ", b"? ", b"! ", b".\r\n"])
    return bytes(out[:size - 1]) + b"."

def build(source, output, extra):
    """CPU seconds of one build and the sizes of its JARs."""
    os.makedirs(output, exist_ok=True)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([cli, "--source", source, "--font", "DejaVu Sans", "--output", output] + extra,
                   stdout=subprocess.DEVNULL, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    midlets = os.path.join(output, "midlets")
    sizes = [os.path.getsize(os.path.join(midlets, n)) for n in sorted(os.listdir(midlets))
             if n.endswith(".jar")]
    return (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime), sizes

for sample, label in (("english.txt", "English"), ("russian.txt", "Russian")):
    source = os.path.join(work, sample)
    with open(source, "wb") as f:
        f.write(text(sample, 1024 * 1024, 21))
    plain, _ = build(source, os.path.join(work, label + "-plain"), ["--part-size", "90000"])
    fitted, sizes = build(source, os.path.join(work, label + "-fit"),
                          ["--part-size", "4000000", "--max-jar-size", "64k"])
    full = min(sizes[:-1]) / 65536 if len(sizes) > 1 else 1.0
    print(f"{label} 1 MB, --max-jar-size 64k: {len(sizes)} parts, largest JAR {max(sizes)} bytes, "
          f"least full but the last {full:.4f}")
    print(f"{label} 1 MB, fitted build CPU time vs plain build (part size 90000): {fitted / plain:.1f}")
PY
