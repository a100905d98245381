#!/bin/sh
# rebuild_test.sh - rebuilds the reader from source and fails when any class file differs from
# the committed one.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$here/build.sh" "$out"
status=0
for f in TBookMIDlet.class standard/TBookCanvas.class nokia/TBookCanvas.class; do
    cmp "$here/classes/$f" "$out/$f" || { echo "reader/classes/$f differs from a rebuild"; status=1; }
done
exit $status
