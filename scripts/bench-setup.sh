# bench-setup.sh - sourced by the benchmark scripts: a Release build of the command line in
# $BUILD (BUILD_DIR, default build-bench) and a work directory $WORK removed on exit.
#   WORK_PARENT  where the work directory is made (default: the system's temporary directory)
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORIX_BUILD_GUI=OFF >/dev/null
ninja -C "$BUILD" quorix-maker-cli >/dev/null
CLI="$BUILD/src/cli/quorix-maker-cli"
WORK="$(mktemp -d ${WORK_PARENT:+-p "$WORK_PARENT"})"
trap 'rm -rf "$WORK"' EXIT
