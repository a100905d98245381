#!/usr/bin/env bash
# bench-archive.sh - our archive writer against Info-ZIP "zip -9 -X -r" on the same trees:
# a build's temporary tree (90,000-byte part) and one 20 MB text; prints "name: value".
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench-archive}"
REPS="${REPS:-5}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORIX_BUILD_GUI=OFF >/dev/null
ninja -C "$BUILD" quorix_archive_bench >/dev/null
BENCH="$BUILD/bench/archive/quorix_archive_bench"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK" <<'PY'
import os, random, sys
work = sys.argv[1]
rng = random.Random(2024)
english = ("the of and to in was he that it his her with as had for she you not at but on be "
           "they from by him this all were said which one would there their so when what an me "
           "river night window letter morning garden silence remembered suddenly answered "
           "Petersburg carriage officer princess evening thought believed").split()
russian = ["\xf0\xe5\xea\xe0", "\xed\xee\xf7\xfc", "\xee\xea\xed\xee", "\xef\xe8\xf1\xfc\xec\xee",
           "\xf3\xf2\xf0\xee", "\xf1\xe0\xe4", "\xf2\xe8\xf8\xe8\xed\xe0", "\xee\xed", "\xee\xed\xe0",
           "\xe8", "\xe2", "\xed\xe5", "\xf7\xf2\xee", "\xf1\xea\xe0\xe7\xe0\xeb",
           "\xe2\xe5\xf7\xe5\xf0", "\xea\xed\xff\xe6\xed\xe0", "\xe4\xf3\xec\xe0\xeb"]
russian = [w.encode("latin-1") for w in russian]
english = [w.encode() for w in english]

def text(size):
    out, n = [], 0
    while n < size:
        words = russian if rng.random() < 0.45 else english
        sentence = b" ".join(rng.choice(words) for _ in range(rng.randint(4, 18)))
        sentence = sentence[:1].upper() + sentence[1:] + rng.choice([b". ", b", ", b"! ", b"? ", b".\r\n"])
        if rng.random() < 0.02:
            sentence += b"%d " % rng.randint(1, 2000)
        out.append(sentence)
        n += len(sentence)
    return b"".join(out)[:size]

def classfile(size):
    body = bytearray(b"\xca\xfe\xba\xbe\x00\x00\x00\x2e")
    names = [b"javax/microedition/lcdui/Canvas", b"java/lang/String", b"paint", b"keyPressed",
             b"getGraphics", b"StackMap", b"Code", b"(II)V", b"()V", b"book.dat", b"font.dat"]
    while len(body) < size:
        if rng.random() < 0.4:
            s = rng.choice(names)
            body += b"\x01" + len(s).to_bytes(2, "big") + s
        else:
            body += bytes(rng.randrange(256) if rng.random() < 0.5 else rng.randrange(16) for _ in range(12))
    return bytes(body[:size])

temp = os.path.join(work, "temp")
os.makedirs(os.path.join(temp, "META-INF"))
files = {"TBookMIDlet.class": classfile(2100), "TBookCanvas.class": classfile(6900),
         "book.dat": text(90000), "help.dat": text(2600),
         "font.dat": bytes(rng.choice(b"\x00\x00\x00\x01\x03\x07\x0f\xff\x80\xc0") for _ in range(9000))}
for name, data in files.items():
    open(os.path.join(temp, name), "wb").write(data)
open(os.path.join(temp, "META-INF", "MANIFEST.MF"), "wb").write(
    b"Manifest-Version: 1.0\r\nMIDlet-Name: Book\r\nMIDlet-Vendor: Kelvatrone\r\n"
    b"MIDlet-Version: 2.0.0\r\nMIDlet-1: Book, , TBookMIDlet\r\n"
    b"MicroEdition-Profile: MIDP-1.0\r\nMicroEdition-Configuration: CLDC-1.0\r\n\r\n")
big = os.path.join(work, "text20")
os.makedirs(big)
open(os.path.join(big, "novel.txt"), "wb").write(text(20 * 1024 * 1024))
tiny = os.path.join(work, "tiny")
os.makedirs(tiny)
open(os.path.join(tiny, "a.txt"), "wb").write(b"tiny")
PY
huge="$WORK/text200"
mkdir "$huge"
for _ in $(seq 10); do cat "$WORK/text20/novel.txt"; done >"$huge/novel.txt"

# Wall-clock and CPU seconds of a command run `inner` times in a row: "wall cpu".
timed() {
    local inner="$1"; shift
    /usr/bin/time -f "%e %U %S" bash -c 'for _ in $(seq "$0"); do "${@}" >/dev/null; done' \
        "$inner" "$@" 2>&1 >/dev/null | tail -1 | awk '{print $1, $2 + $3}'
}

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

run_zip() { (cd "$1" && rm -f "$2" && zip -9 -X -r -q "$2" .); }
export -f run_zip
run_ours() { "$BENCH" "$2" "$1"; }
export -f run_ours
export BENCH

# Runs ours and zip alternately, so that load from others on the machine hits both alike,
# and takes the median of the per-pair ratios.
compare() {
    local label="$1" tree="$2" inner="$3"
    local wall=() cpu=()
    for _ in $(seq "$REPS"); do
        read -r ow oc < <(timed "$inner" run_ours "$tree" "$WORK/ours.jar")
        read -r zw zc < <(timed "$inner" run_zip "$tree" "$WORK/zip.zip")
        wall+=("$(echo "$ow / $zw" | bc -l)")
        cpu+=("$(echo "$oc / $zc" | bc -l)")
    done
    local ours_s zip_s
    ours_s=$(stat -c %s "$WORK/ours.jar")
    zip_s=$(stat -c %s "$WORK/zip.zip")
    unzip -t -q "$WORK/ours.jar" >/dev/null
    printf 'archive time ratio vs zip -9 (%s): %.3f\n' "$label" "$(printf '%s\n' "${wall[@]}" | median)"
    printf 'archive CPU time ratio vs zip -9 (%s): %.3f\n' "$label" "$(printf '%s\n' "${cpu[@]}" | median)"
    printf 'archive size ratio vs zip -9 (%s): %.4f\n' "$label" "$(echo "$ours_s / $zip_s" | bc -l)"
    echo "archive size (${label}, bytes): ours $ours_s, zip $zip_s"
}

compare "build temp tree" "$WORK/temp" 20
compare "20 MB text" "$WORK/text20" 1

max_rss_kb() {
    /usr/bin/time -v "$BENCH" "$WORK/mem.jar" "$1" 2>&1 >/dev/null |
        awk -F': ' '/Maximum resident set size/ {print $2}'
}
big_kb=$(max_rss_kb "$huge")
tiny_kb=$(max_rss_kb "$WORK/tiny")
echo "peak memory added writing 200 MB file (MB): $(echo "scale=2; ($big_kb - $tiny_kb) / 1024" | bc -l)"
