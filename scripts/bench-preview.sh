#!/usr/bin/env bash
# bench-preview.sh - rendering every page of a 90,000-byte part at 176x208 into PNG files,
# against building that part, both through quorix-maker-cli. Prints "name: value".
set -euo pipefail

# Beside the build rather than in /tmp, where test suites create and delete many files:
# ext4 without a journal skips over the inodes of files deleted in the last minutes each time
# it makes a new one, which would charge their cleanup to the preview's 254 new files.
WORK_PARENT="${WORK_PARENT:-$(cd "$(dirname "$0")/.." && pwd)/build-bench}"
mkdir -p "$WORK_PARENT"
source "$(dirname "$0")/bench-setup.sh"

python3 - "$CLI" "$WORK" <<'PY'
import os, random, resource, shutil, statistics, subprocess, sys, tempfile, time

cli, work = sys.argv[1], sys.argv[2]
rng = random.Random(15)
words = [w.encode("cp1251") for w in (
    "the keeper climbed stairs every evening storm waves broke over rock light swept dark water "
    "маяк стоял на голой скале смотритель поднимался по лестнице каждый вечер буря волны свет").split()]
out, n = [], 0
while n < 90000:
    s = b" ".join(rng.choice(words) for _ in range(rng.randint(4, 16)))
    s = s[:1].upper() + s[1:] + rng.choice([b". ", b"! ", b"? ", b".\r\n"])
    out.append(s)
    n += len(s)
source = os.path.join(work, "part.txt")
with open(source, "wb") as f:
    f.write(b"".join(out)[:90000])

def timed(args):
    """(wall seconds, CPU seconds of the child, user and system)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)

def measure(place):
    """Medians of 7 interleaved pairs, build then preview, every output under `place`."""
    builds, previews = [], []
    for run in range(7):
        output = os.path.join(place, f"out{run}")
        os.makedirs(output)
        # A part size above the source: one part of all 90,000 bytes.
        builds.append(timed([cli, "--source", source, "--book", "Part", "--part-size", "90001",
                             "--font", "DejaVu Sans", "--output", output]))
        pages = os.path.join(place, f"pages{run}")
        previews.append(timed([cli, "preview", os.path.join(output, "midlets", "Part.jar"),
                               "--all", "--screen", "176x208", "--output", pages]))
        count = len(os.listdir(pages))
    median = lambda runs, i: statistics.median(r[i] for r in runs)
    return count, [median(builds, 0), median(previews, 0), median(builds, 1), median(previews, 1)]

count, (build, preview, build_cpu, preview_cpu) = measure(work)
print(f"preview: pages of a 90000-byte part at 176x208: {count}")
print(f"preview: all pages to PNG (ms): {preview * 1000:.0f}, CPU {preview_cpu * 1000:.0f}")
print(f"preview: building that part (ms): {build * 1000:.0f}, CPU {build_cpu * 1000:.0f}")
print(f"preview time ratio vs building the part: {preview / build:.2f}")
# The wall-clock ratio follows the load of a shared machine; the CPU ratio much less so.
print(f"preview CPU time ratio vs building the part: {preview_cpu / build_cpu:.2f}")
# The same in memory, where no file system's way of finding free inodes weighs on the 254 new
# files of the preview against the build's few.
if os.access("/dev/shm", os.W_OK):
    memory = tempfile.mkdtemp(dir="/dev/shm")
    try:
        _, (build, preview, build_cpu, preview_cpu) = measure(memory)
    finally:
        shutil.rmtree(memory)
    print(f"preview time ratio vs building the part, both in memory (tmpfs): {preview / build:.2f}"
          f" ({preview * 1000:.0f} ms vs {build * 1000:.0f} ms)")
PY
