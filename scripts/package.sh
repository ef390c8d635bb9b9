#!/usr/bin/env bash
# Builds DARuri in release form and packs it as a Debian package:
#   scripts/package.sh            -> dist/daruri_<version>_<arch>.deb
# Install it with: sudo apt install ./dist/daruri_*.deb
# The build needs dpkg-dev (dpkg-shlibdeps names the libraries the package depends on).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/deps.sh"
DARURI_PACKAGES+=(dpkg-dev file)
ensure_deps

BUILD=${BUILD_DIR:-$ROOT/build-package}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DDARURI_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
mkdir -p "$ROOT/dist"
(cd "$BUILD" && cpack -G DEB -B "$ROOT/dist" >/dev/null)
rm -rf "$ROOT/dist/_CPack_Packages"
ls "$ROOT"/dist/daruri_*.deb
