#!/bin/sh
# run_junit.sh <standard|nokia> <source|committed> - the reader's JUnit tests on the desktop JVM.
# "source" compiles the reader from reader/src; "committed" loads reader/classes and runs the
# tests that use only the public names.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
reader=$(dirname "$here")
variant=$1
mode=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
junit=/usr/share/java/junit4.jar:/usr/share/java/hamcrest-core.jar

mkdir -p "$work/midp" "$work/reader" "$work/tests" "$work/res"
javac -nowarn -d "$work/midp" $(find "$here/midp" -name '*.java')
if [ "$mode" = source ]; then
    javac -nowarn -cp "$work/midp" -d "$work/reader" "$reader/src/TBookMIDlet.java" \
        "$reader/src/$variant/TBookCanvas.java"
    tests="ReaderScreenTest ReaderRuntimeTest ReaderLayoutTest"
    sources="$here/ReaderFixture.java $here/ReaderScreenTest.java $here/ReaderRuntimeTest.java $here/ReaderLayoutTest.java"
else
    cp "$reader/classes/TBookMIDlet.class" "$reader/classes/$variant/TBookCanvas.class" "$work/reader/"
    tests="ReaderScreenTest ReaderRuntimeTest"
    sources="$here/ReaderFixture.java $here/ReaderScreenTest.java $here/ReaderRuntimeTest.java"
fi
javac -nowarn -cp "$work/midp:$work/reader:$junit" -d "$work/tests" $sources
java -Dquorix.res="$work/res" -Dquorix.canvas="$variant" \
    -cp "$work/res:$work/midp:$work/reader:$work/tests:$junit" org.junit.runner.JUnitCore $tests
