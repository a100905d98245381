#!/bin/sh
# agreement_test.sh <quorix-maker-cli> <samples dir> - the preview command and the reader agree:
# books built by the command line (English, Russian, long words, CR LF lines, zero bytes) and a
# hand-made one (a glyph wider than the screen) on both canvases, at three screen sizes, with
# word wrap on and off; ReaderAgreement compares every page of the help and the book.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
reader=$(dirname "$here")
cli=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
junit=/usr/share/java/junit4.jar:/usr/share/java/hamcrest-core.jar

# Sources that the samples lack.
src="$work/src"
mkdir -p "$src"
python3 - "$samples" "$src" <<'PY'
import sys
from pathlib import Path
samples, out = Path(sys.argv[1]), Path(sys.argv[2])
readme = samples.joinpath("readme.txt").read_bytes()
out.joinpath("crlf.txt").write_bytes(readme.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))
word = b"Pneumonoultramicroscopicsilicovolcanoconiosis"
out.joinpath("long.txt").write_bytes(b" ".join([b"Short words, then", word * 3, b"and",
                                                word * 6 + b".", b"Again:", word * 2] * 4))
english = samples.joinpath("english.txt").read_bytes()
out.joinpath("zero.txt").write_bytes(english[:600] + b"\0" + english[600:1200] + b"\0\0" + english[1200:])
PY

for phone in any nokia; do
    out="$work/$phone"
    mkdir -p "$out"
    build() {
        "$cli" --source "$1" --book "$2" --help-language "$3" --phone "$phone" --part-size 100000 \
            --font "DejaVu Sans" --output "$out" > "$out/$2.log"
    }
    build "$samples/english.txt" English en
    build "$samples/russian.txt" Russian ru
    build "$src/long.txt" Long en
    build "$src/crlf.txt" Crlf en
    build "$src/zero.txt" Zero en
    odd="$out/midlets/Odd"
    python3 "$here/make_odd_book.py" "$odd"
    cp "$reader/classes/TBookMIDlet.class" "$odd/"
    if [ $phone = nokia ]; then
        cp "$reader/classes/nokia/TBookCanvas.class" "$odd/"
    else
        cp "$reader/classes/standard/TBookCanvas.class" "$odd/"
    fi
done

# One case per book, screen and wrap setting; a first clip of 144 rows is real on the standard
# canvas and taken as 208 on the full-screen one, so both canvases get that case too.
cases="$work/cases.txt"
: > "$cases"
n=0
for book in "$work"/any/midlets/*.jar "$work"/any/midlets/Odd "$work"/nokia/midlets/*.jar \
            "$work"/nokia/midlets/Odd; do
    screens="128x128:on 176x208:on 240x320:on 176x208:off 176x144:on"
    for item in $screens; do
        screen=${item%:*}
        wrap=${item#*:}
        n=$((n + 1))
        pages="$work/pages/$n"
        flag=""
        [ $wrap = off ] && flag="--no-wrap"
        "$cli" preview "$book" --screen "$screen" --all $flag --output "$pages" > /dev/null
        "$cli" preview "$book" --screen "$screen" --all --help-page $flag --output "$pages" > /dev/null
        width=${screen%x*}
        clip=${screen#*x}
        height=$clip
        # The full-screen canvas lays out 208 rows when its first clip is 144.
        case $book in */nokia/*) [ "$clip" = 144 ] && height=208 ;; esac
        echo "$book|$width|$height|$clip|$wrap|$pages" >> "$cases"
    done
done

mkdir -p "$work/midp" "$work/tests"
javac -nowarn -d "$work/midp" $(find "$here/midp" -name '*.java')
javac -nowarn -cp "$work/midp" -d "$work/tests" "$here/ReaderAgreement.java"
java -Djava.awt.headless=true -cp "$work/midp:$work/tests" ReaderAgreement "$cases"
