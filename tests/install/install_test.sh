#!/usr/bin/env bash
# Installs the build into a staging directory, makes the Debian package and checks
# its control fields and file list; as root, installs the package, builds a book with
# the installed command line as an ordinary user, and removes the package again.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source_dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# cmake --install into a DESTDIR.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/quorix-maker usr/bin/quorix-maker-cli \
         usr/share/applications/quorix-maker.desktop \
         usr/share/icons/hicolor/scalable/apps/quorix-maker.svg; do
    [ -e "$work/stage/$f" ] || fail "cmake --install did not install /$f"
done
[ -x "$work/stage/usr/bin/quorix-maker-cli" ] || fail "quorix-maker-cli is not executable"
grep -qx 'Categories=Office;Publishing;' "$work/stage/usr/share/applications/quorix-maker.desktop" ||
    fail "desktop entry lacks its categories"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/stage/usr/share/applications/quorix-maker.desktop"
fi

# cpack -G DEB, then its control fields and files.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb="$(ls "$work"/pkg/quorix-maker_*.deb)"
[ -f "$deb" ] || fail "no package made"
info="$(dpkg-deb -I "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "quorix-maker" ] || fail "package name: $(field Package)"
[ "$(field Version)" = "2.0.0.37" ] || fail "version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends="$(field Depends)"
dep_names="$(tr ',' '\n' <<<"$depends" | awk '{print $1}')"
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libfreetype6 libfontconfig1 zlib1g libc6 \
           libstdc++6 fonts-dejavu-core; do
    grep -qxF "$dep" <<<"$dep_names" || fail "Depends lacks $dep: $depends"
done
grep -q "Maintainer: " <<<"$info" || fail "no maintainer"
files="$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$')"
expected="./usr/bin/quorix-maker
./usr/bin/quorix-maker-cli
./usr/share/applications/quorix-maker.desktop
./usr/share/doc/QuorixMaker/README.md
./usr/share/icons/hicolor/scalable/apps/quorix-maker.svg"
[ "$files" = "$expected" ] || fail "package files differ:
$files"

if [ "$(id -u)" -ne 0 ] || [ "${QUORIX_SYSTEM_INSTALL_TEST:-1}" = 0 ]; then
    echo "package checked; not root: not installed"
    exit 0
fi
if dpkg-query -W -f='${Status}' quorix-maker 2>/dev/null | grep -q "install ok installed"; then
    echo "package checked; quorix-maker already installed here: left alone"
    exit 0
fi

# Install it as an administrator would, use it as an ordinary user, remove it.
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" >/dev/null
trap 'apt-get remove -y -qq -o DPkg::Lock::Timeout=300 quorix-maker >/dev/null; rm -rf "$work"' EXIT
[ "$(command -v quorix-maker-cli)" = /usr/bin/quorix-maker-cli ] || fail "not on the PATH"
user_dir="$work/user"
mkdir -p "$user_dir"
cp "$source_dir/samples/readme.txt" "$user_dir/book.txt"
chown -R nobody "$user_dir"
chmod 755 "$work"
runuser -u nobody -- env HOME="$user_dir" TMPDIR="$user_dir" \
    quorix-maker-cli --source "$user_dir/book.txt" --book Sample --output "$user_dir" \
    >"$work/log.txt" 2>"$work/err.txt" || { cat "$work/log.txt" "$work/err.txt"; fail "build failed"; }
tail -n 1 "$work/log.txt" | grep -q '^Process successfully ended at ' || fail "no success line"
grep -q '^Font file: .*DejaVuSans.ttf$' "$work/err.txt" || fail "font file not named"
ls "$user_dir"/midlets/Sample*.jar >/dev/null || fail "no JAR made"
[ "$(stat -c %U "$(ls "$user_dir"/midlets/Sample*.jar | head -n 1)")" = nobody ] || fail "JAR owner"
unzip -tq "$(ls "$user_dir"/midlets/Sample*.jar | head -n 1)" >/dev/null || fail "JAR does not test"
echo "package installed, used by nobody, removed"
