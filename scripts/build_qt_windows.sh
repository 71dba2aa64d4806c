#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Qt for 64-bit Windows that the cross build of scripts/windows.sh
# uses, from Debian's own sources of the Qt the machine has (qt6-base and
# qt6-svg, 6.4.2 on Debian 12), with Debian's MinGW-w64, into
#
#     ${XDG_CACHE_HOME:-~/.cache}/tesorila/qt-6.4.2-mingw-w64/   (QT_WINDOWS_CACHE)
#
# where scripts/windows.sh finds it. About an hour on two cores, and a few
# GB of disk while it runs; the sources and the build folders
# (…/tesorila/qt-windows-build/) are removed once the prefix is in place.
# Qt's host tools (moc, rcc, uic) are not built: the cross build runs
# Debian's (qt6-base-dev-tools), which must be the same version.
#
# What it builds: qtbase (Core, Gui, Widgets, Network, PrintSupport, Test,
# Xml) as shared libraries, release, with Qt's own copies of zlib, PCRE2,
# HarfBuzz, FreeType, libpng, libjpeg and double-conversion, and without
# OpenGL, SQL, D-Bus, Concurrent, SSL, Vulkan or ICU; packaging/windows/
# qtbase-mingw.patch leaves out the Wintab tablet support (Debian's source
# has no Wintab headers) and the Schannel TLS plugin (which needs SSL). Then
# qtsvg against it. The DLLs are stripped.
#
#     scripts/build_qt_windows.sh [--configure-only]
#
# --configure-only fetches, unpacks and patches the sources and configures
# qtbase, then stops: a quick check (a few minutes) that the long build can
# start. The Debian sources are fetched with apt-get through a list of
# deb-src entries of its own, made from the Debian archives this machine's
# apt already uses, so the system's apt configuration is not changed.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/setup.sh"
source "$ROOT/scripts/windows.sh"

configure_only=false
case "${1:-}" in
"") ;;
--configure-only) configure_only=true ;;
*)
    echo "Uso: $0 [--configure-only]" >&2
    exit 2
    ;;
esac

install_missing "${WINDOWS_QT_BUILD_PACKAGES[@]}"

CACHE_DIR="$(dirname "$QT_WINDOWS_CACHE")"
WORK="${QT_WINDOWS_WORK:-$CACHE_DIR/qt-windows-build}"
STAGE="$WORK/prefix" # moved to QT_WINDOWS_CACHE once complete
JOBS="${JOBS:-$(nproc)}"
PATCH="$ROOT/packaging/windows/qtbase-mingw.patch"
TOOLCHAIN="$ROOT/packaging/windows/mingw-w64.cmake"
HOST=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
started=$SECONDS

say() {
    echo "build_qt_windows: $* ($((SECONDS - started)) s)"
}

# The sources are those of the host tools' own version: the libraries built
# here and the moc that reads their headers must agree.
source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}
qtbase_version="$(source_version qt6-base-dev-tools)"
qtsvg_version="$(source_version qt6-svg-dev)"
case "$qtbase_version" in
6.4.2+*) ;;
*)
    echo "build_qt_windows: qt6-base-dev-tools es $qtbase_version; este Qt para Windows es el 6.4.2 (Debian 12)" >&2
    exit 1
    ;;
esac

# deb-src entries for every Debian archive that apt here reads packages from,
# in an apt state of their own.
APT_OPTIONS=()
prepare_apt() {
    local apt="$WORK/apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$WORK/src"
    apt-get indextargets --format '$(ORIGIN)|$(REPO_URI)|$(RELEASE)|$(COMPONENT)' 'Created-By: Packages' |
        awk -F'|' '$1 == "Debian" { print "deb-src " $2 " " $3 " " $4 }' | sort -u >"$apt/sources.list"
    if [ ! -s "$apt/sources.list" ]; then
        echo "build_qt_windows: apt no lee ningún archivo de Debian (¿falta apt-get update?)" >&2
        return 1
    fi
    APT_OPTIONS=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=true"
        -o "APT::Sandbox::User=root")
    apt-get "${APT_OPTIONS[@]}" -qq update
}

# Fetches and unpacks, with Debian's own patches applied (dpkg-source -x),
# the source package NAME=VERSION; prints its folder.
fetch_source() {
    local package="${1%%=*}"
    (cd "$WORK/src" && rm -rf "$package"-[0-9]* && apt-get "${APT_OPTIONS[@]}" -qq source "$1" >&2) || {
        echo "build_qt_windows: no se han podido descargar las fuentes de $1" >&2
        return 1
    }
    find "$WORK/src" -maxdepth 1 -type d -name "$package-[0-9]*" | head -n 1
}

configure_qtbase() {
    local bundled=()
    local lib
    for lib in zlib pcre2 harfbuzz freetype png jpeg doubleconversion libb2 textmarkdownreader sqlite; do
        bundled+=("-DFEATURE_system_$lib=OFF")
    done
    rm -rf "$WORK/qtbase"
    cmake -S "$QTBASE_SRC" -B "$WORK/qtbase" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" "${HOST[@]}" \
        -DCMAKE_INSTALL_PREFIX="$STAGE" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_ssl=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF \
        -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF "${bundled[@]}" >"$WORK/qtbase-configure.log" 2>&1 || {
        tail -n 30 "$WORK/qtbase-configure.log" >&2
        echo "build_qt_windows: la configuración de qtbase ha fallado ($WORK/qtbase-configure.log)" >&2
        return 1
    }
}

build_and_install() {
    local dir="$1"
    cmake --build "$dir" -j "$JOBS" && cmake --install "$dir"
}

configure_and_build_qtsvg() {
    rm -rf "$WORK/qtsvg"
    cmake -S "$QTSVG_SRC" -B "$WORK/qtsvg" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$STAGE/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" "${HOST[@]}" \
        -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF >"$WORK/qtsvg-configure.log" 2>&1 || {
        tail -n 30 "$WORK/qtsvg-configure.log" >&2
        echo "build_qt_windows: la configuración de qtsvg ha fallado ($WORK/qtsvg-configure.log)" >&2
        return 1
    }
    build_and_install "$WORK/qtsvg"
}

# The prefix works wherever it lies: its toolchain file loads the MinGW one
# kept inside it, and the DLLs go without their symbols.
finish_prefix() {
    cp "$TOOLCHAIN" "$STAGE/mingw-w64.cmake"
    sed -i 's|^set(__qt_initially_configured_toolchain_file .*|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/../../../mingw-w64.cmake")|' \
        "$STAGE/lib/cmake/Qt6/qt.toolchain.cmake"
    find "$STAGE" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    if [ -f /usr/share/qt6/translations/qtbase_es.qm ]; then
        mkdir -p "$STAGE/translations"
        cp /usr/share/qt6/translations/qtbase_es.qm "$STAGE/translations/"
    fi
}

mkdir -p "$WORK"
say "fuentes de Debian: qt6-base $qtbase_version, qt6-svg $qtsvg_version"
prepare_apt
QTBASE_SRC="$(fetch_source "qt6-base=$qtbase_version")"
patch -d "$QTBASE_SRC" -p1 --forward --quiet <"$PATCH"
say "qtbase descargado y parcheado en $QTBASE_SRC"
rm -rf "$STAGE"
configure_qtbase
say "qtbase configurado en $WORK/qtbase"
# A mirror that has not got Debian's qt6-svg sources can be done without:
# QT_WINDOWS_QTSVG_SOURCE names a folder with qtsvg 6.4.2's own sources.
if [ -n "${QT_WINDOWS_QTSVG_SOURCE:-}" ]; then
    QTSVG_SRC="$QT_WINDOWS_QTSVG_SOURCE"
else
    QTSVG_SRC="$(fetch_source "qt6-svg=$qtsvg_version")"
fi
say "qtsvg en $QTSVG_SRC"
if $configure_only; then
    say "detenido antes de compilar (--configure-only)"
    exit 0
fi
build_and_install "$WORK/qtbase"
say "qtbase compilado"
configure_and_build_qtsvg
say "qtsvg compilado"
finish_prefix
rm -rf "$QT_WINDOWS_CACHE"
mkdir -p "$CACHE_DIR"
mv "$STAGE" "$QT_WINDOWS_CACHE"
rm -rf "$WORK"
say "Qt para Windows listo en $QT_WINDOWS_CACHE"
