#!/usr/bin/env bash
# bench-jar-limit.sh - builds fitted to a phone's JAR limit against plain builds of the same
# prose-like text cut into as many parts, interleaved: wall and CPU time ratios, and how full
# the JARs come out, with the default and the strongest compression. Prints "name: value".
#   scripts/bench-jar-limit.sh        (a Release build in BUILD_DIR, default build-bench)
set -euo pipefail

source "$(dirname "$0")/bench-setup.sh"

PYTHONPATH="$ROOT/bench" python3 - "$CLI" "$WORK" <<'PY'
import os, re, resource, statistics, subprocess, sys, time

cli, work = sys.argv[1:3]
from prose import text  # bench/prose.py: one text for every benchmark

def build(source, output, extra):
    """Wall and CPU seconds of one build, and the sizes of its JARs."""
    subprocess.run(["rm", "-rf", output], check=True)
    os.makedirs(output)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([cli, "--source", source, "--font", "DejaVu Sans", "--output", output] + extra,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    midlets = os.path.join(output, "midlets")
    # In part order: ReadMe2 before ReadMe10.
    names = sorted((n for n in os.listdir(midlets) if n.endswith(".jar")),
                   key=lambda n: int(re.sub(r"\D", "", n) or 0))
    sizes = [os.path.getsize(os.path.join(midlets, n)) for n in names]
    return wall, (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime), sizes

limit = 65536
for mb in (1, 10):
    source = os.path.join(work, f"prose{mb}.txt")
    with open(source, "wb") as f:
        f.write(text(mb * 1024 * 1024))
    for compression in ("default", "max"):
        fit_args = ["--part-size", "4000000", "--max-jar-size", str(limit),
                    "--compression", compression]
        _, _, sizes = build(source, os.path.join(work, "fit"), fit_args)
        # The plain build's part size that gives as many parts.
        part = mb * 1024 * 1024 // len(sizes) + 1
        while True:
            _, _, plain_sizes = build(source, os.path.join(work, "plain"),
                                      ["--part-size", str(part), "--compression", compression])
            if len(plain_sizes) <= len(sizes):
                break
            part += 500
        walls, cpus = [], []
        for run in range(5):
            pw, pc, _ = build(source, os.path.join(work, "plain"),
                              ["--part-size", str(part), "--compression", compression])
            fw, fc, sizes = build(source, os.path.join(work, "fit"), fit_args)
            walls.append(fw / pw)
            cpus.append(fc / pc)
        label = f"{mb} MB prose, --max-jar-size {limit}, --compression {compression}"
        print(f"{label}: {len(sizes)} parts, largest JAR {max(sizes)} bytes, least full but "
              f"the last {min(sizes[:-1]) / limit if len(sizes) > 1 else 1.0:.4f}")
        print(f"fitted build time ratio vs plain build: {statistics.median(walls):.2f} wall, "
              f"{statistics.median(cpus):.2f} CPU ({label}; plain --part-size {part})")
PY
