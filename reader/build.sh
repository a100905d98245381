#!/bin/sh
# build.sh - compiles the reader against our CLDC/MIDP/Nokia API classes, preverifies it with
# ProGuard and writes the class files to reader/classes (or to the directory given as $1).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
dest=${1:-$here/classes}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The API classes are their own boot class path: nothing of the desktop JDK leaks in.
mkdir -p "$work/api"
javac -nowarn -Xlint:-options -source 8 -target 8 -g:none -bootclasspath "$work/api" \
    -sourcepath "$here/api/cldc:$here/api/midp:$here/api/nokia" -d "$work/api" \
    $(find "$here/api" -name '*.java' | LC_ALL=C sort)

for variant in standard nokia; do
    mkdir -p "$work/javac/$variant" "$work/pg/$variant"
    javac -nowarn -Xlint:-options -source 7 -target 7 -g:none -encoding UTF-8 \
        -bootclasspath "$work/api" -d "$work/javac/$variant" \
        "$here/src/TBookMIDlet.java" "$here/src/$variant/TBookCanvas.java"
    proguard -injars "$work/javac/$variant" -outjars "$work/pg/$variant" \
        -libraryjars "$work/api" @"$here/reader.pro" > "$work/proguard-$variant.log" 2>&1 ||
        { cat "$work/proguard-$variant.log" >&2; exit 1; }
done

# One main class serves both canvases; it comes from the standard run.
mkdir -p "$dest/standard" "$dest/nokia"
cp "$work/pg/standard/TBookMIDlet.class" "$dest/TBookMIDlet.class"
cp "$work/pg/standard/TBookCanvas.class" "$dest/standard/TBookCanvas.class"
cp "$work/pg/nokia/TBookCanvas.class" "$dest/nokia/TBookCanvas.class"

python3 "$here/check_classes.py" --api "$work/api" "$dest"
