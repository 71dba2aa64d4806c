#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by ./run and ./test: installs the Debian packages that are missing,
# then configures and builds the project into build/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

# Packages needed to build and run the application.
APP_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libfontconfig-dev qt6-svg-dev libqt6svg6 libqt6printsupport6 libgl-dev fonts-wine fonts-dejavu-core qt6-translations-l10n)
# Extra packages the test suite needs (PDF text, a private print scheduler),
# then those of the fuzz targets (clang with libFuzzer and its sanitizer
# runtimes), of the static analysis, and the X and SQLite libraries that the
# benchmark program, built with the suite, links.
TEST_PACKAGES=(poppler-utils cups cups-client cups-bsd desktop-file-utils appstream dpkg-dev file lintian
               clang libclang-rt-14-dev cppcheck clang-tidy-14 clang-format
               libx11-dev libxdamage-dev libsqlite3-dev)

install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    echo "Instalando paquetes: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Builds every target, or those named in BUILD_TARGETS.
configure_and_build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" &&
        cmake --build "$BUILD_DIR" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}
