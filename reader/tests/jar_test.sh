#!/bin/sh
# jar_test.sh <quorix-maker-cli> <samples dir> - builds the sample books with the command line
# and runs ReaderJarTest on every JAR it made, the reader loaded from the JAR itself.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
junit=/usr/share/java/junit4.jar:/usr/share/java/hamcrest-core.jar

mkdir -p "$work/nokia-ru" "$work/any-en" "$work/midp" "$work/tests"
"$cli" --source "$samples/russian.txt" --help-language ru --phone nokia --part-size 400 \
    --font "DejaVu Sans" --output "$work/nokia-ru" > "$work/nokia-ru.log"
"$cli" --source "$samples/english.txt" --help-language en --phone any --part-size 600 \
    --output "$work/any-en" > "$work/any-en.log"

javac -nowarn -d "$work/midp" $(find "$here/midp" -name '*.java')
javac -nowarn -cp "$work/midp:$junit" -d "$work/tests" "$here/ReaderJarTest.java"
# Neither the reader's classes nor any resource is on this class path: only the JARs hold them.
java -Dquorix.jars="nokia=$work/nokia-ru/midlets:any=$work/any-en/midlets" \
    -cp "$work/midp:$work/tests:$junit" org.junit.runner.JUnitCore ReaderJarTest
