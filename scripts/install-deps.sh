#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and benchmarks with;
# packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
    zlib1g-dev libdeflate-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core libzip-dev libpng-dev
    qt6-base-dev xvfb xauth x11-utils
    openjdk-17-jdk-headless proguard-cli junit4
    libuchardet-dev libxml2-dev libzip-dev libicu-dev
    zip unzip time python3 clang libclang-rt-14-dev
    desktop-file-utils openbox dpkg-dev fakeroot
    # the real-world books of tests/books and the programs that convert them
    pandoc debian-policy developers-reference developers-reference-ru debian-history
    debmake-doc cxxtest snmptt live-manual-epub libmxml-dev fortunes-ru
    golang-github-pierrec-lz4-dev golang-github-andybalholm-brotli-dev
    golang-github-golang-snappy-dev
    # serving books to phones, and its tests
    libcpp-httplib-dev libqrencode-dev chromium zbar-tools
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
