#!/bin/sh
# check.sh [classes dir] - compiles our API classes and checks the reader's class files against them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
javac -nowarn -Xlint:-options -source 8 -target 8 -g:none -bootclasspath "$work" \
    -sourcepath "$here/api/cldc:$here/api/midp:$here/api/nokia" -d "$work" \
    $(find "$here/api" -name '*.java' | LC_ALL=C sort)
python3 "$here/check_classes.py" --api "$work" "${1:-$here/classes}"
