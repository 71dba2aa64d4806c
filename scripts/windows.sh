#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by ./test (its windows stage) and ./package windows: the cross
# build of Tesorila for 64-bit Windows on Debian, with MinGW-w64 and a Qt
# built for Windows, and Wine to run what it builds.
#
# The Qt for Windows is TESORILA_QT_WINDOWS (an installation prefix) if set;
# else ../shared/windows/qt-6.4.2-mingw-w64.tar.xz (QT_WINDOWS_ARCHIVE),
# unpacked into the build tree; else the one scripts/build_qt_windows.sh
# builds from Debian's sources into ~/.cache/tesorila/ (QT_WINDOWS_CACHE).

# The end-to-end check of the windows stage runs the program on a private X
# server (xvfb), types and pastes into it (xdotool, xclip) and runs it in
# Spanish settings, made from the locales package's definitions.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix qt6-base-dev-tools ninja-build wine wine64 nsis
                  xvfb xdotool xclip locales)
# What scripts/build_qt_windows.sh needs besides: Debian's source tools and
# Qt's host tools, which Qt's build runs.
WINDOWS_QT_BUILD_PACKAGES=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools qt6-svg-dev
                           qt6-translations-l10n cmake ninja-build dpkg-dev patch perl xz-utils)
WINDOWS_BUILD_DIR="${WINDOWS_BUILD_DIR:-$ROOT/build-windows}"
QT_WINDOWS_ARCHIVE="${QT_WINDOWS_ARCHIVE:-$ROOT/../shared/windows/qt-6.4.2-mingw-w64.tar.xz}"
QT_WINDOWS_CACHE="${QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tesorila/qt-6.4.2-mingw-w64}"

# Sets QT_WINDOWS to the Qt prefix, unpacking it when needed. Fails, with
# the reason on stderr, when there is none.
windows_qt() {
    if [ -n "${TESORILA_QT_WINDOWS:-}" ]; then
        QT_WINDOWS="$TESORILA_QT_WINDOWS"
    elif [ -f "$WINDOWS_BUILD_DIR/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake" ] || [ -f "$QT_WINDOWS_ARCHIVE" ]; then
        QT_WINDOWS="$WINDOWS_BUILD_DIR/qt6-mingw"
        if [ ! -f "$QT_WINDOWS/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
            mkdir -p "$WINDOWS_BUILD_DIR"
            tar -xJf "$QT_WINDOWS_ARCHIVE" -C "$WINDOWS_BUILD_DIR" || return 1
        fi
    elif [ -f "$QT_WINDOWS_CACHE/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        QT_WINDOWS="$QT_WINDOWS_CACHE"
    else
        echo "No hay Qt para Windows: ni TESORILA_QT_WINDOWS, ni $QT_WINDOWS_ARCHIVE, ni $QT_WINDOWS_CACHE" \
            "(scripts/build_qt_windows.sh lo compila en $QT_WINDOWS_CACHE, en hora y media aproximadamente)" >&2
        return 1
    fi
    if [ ! -f "$QT_WINDOWS/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        echo "$QT_WINDOWS no es una instalación de Qt para Windows" >&2
        return 1
    fi
    # Qt's Spanish texts, where a program run from the build tree finds them
    # (the prefix's translations/); the file is the same on every system.
    if [ ! -f "$QT_WINDOWS/translations/qtbase_es.qm" ] && [ -f /usr/share/qt6/translations/qtbase_es.qm ] &&
        [ -w "$QT_WINDOWS" ]; then
        mkdir -p "$QT_WINDOWS/translations"
        cp /usr/share/qt6/translations/qtbase_es.qm "$QT_WINDOWS/translations/"
    fi
}

# The Windows form of a path of this machine, as Wine sees it (drive Z:).
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# Writes $WINDOWS_BUILD_DIR/wine-run, which runs a Windows program under
# Wine with the build tree's own prefix, finding Qt's and MinGW's DLLs.
windows_wine_runner() {
    local runner="$WINDOWS_BUILD_DIR/wine-run"
    local gcc_dir
    gcc_dir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
    local path
    path="$(windows_path "$QT_WINDOWS/bin");$(windows_path "$gcc_dir");$(windows_path /usr/x86_64-w64-mingw32/lib)"
    mkdir -p "$WINDOWS_BUILD_DIR"
    cat >"$runner" <<RUNNER
#!/bin/sh
# Made by scripts/windows.sh: runs a Windows program of this build under Wine.
# With --own-drive first, the program gets a drive C: of its own, so that
# programs run side by side (the tests) each have their own C:\\Tesorila\\;
# its Windows folder is the shared prefix's, and it is gone afterwards.
export WINEPREFIX='$WINDOWS_BUILD_DIR/wine'
export WINEPATH='$path'
export WINEDEBUG="\${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="\${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# A drive C: of its own in the folder given, beside the shared prefix's
# Windows folder and a copy of its users' folders.
make_drive() {
    mkdir -p "\$1/dosdevices" "\$1/drive_c"
    cp "\$WINEPREFIX"/*.reg "\$WINEPREFIX/.update-timestamp" "\$1/"
    ln -sfn ../drive_c "\$1/dosdevices/c:"
    ln -sfn / "\$1/dosdevices/z:"
    for folder in windows ProgramData 'Program Files' 'Program Files (x86)'; do
        ln -sfn "\$WINEPREFIX/drive_c/\$folder" "\$1/drive_c/\$folder"
    done
    cp -a "\$WINEPREFIX/drive_c/users" "\$1/drive_c/"
}
# With --drive DIR first, the program gets a drive C: of its own that is
# kept in DIR (made at its first use), for programs run one after another
# on one C: (an installer, the program it installed, its uninstaller); and
# none of this build's folders on its path, as an installed program finds
# everything it loads in its own folder.
if [ "\$1" = --drive ]; then
    own="\$2"
    shift 2
    [ -f "\$own/system.reg" ] || make_drive "\$own"
    export WINEPREFIX="\$own"
    unset WINEPATH
    exec wine "\$@"
fi
if [ "\$1" != --own-drive ]; then
    exec wine "\$@"
fi
shift
mkdir -p "\$WINEPREFIX-runs"
own="\$(mktemp -d "\$WINEPREFIX-runs/XXXXXX")"
make_drive "\$own"
WINEPREFIX="\$own" wine "\$@"
status=\$?
WINEPREFIX="\$own" wineserver -w
rm -rf "\$own"
exit \$status
RUNNER
    chmod +x "$runner"
    # A new prefix is made once (about half a minute), without asking to
    # install Mono or Gecko.
    if [ ! -f "$WINDOWS_BUILD_DIR/wine/system.reg" ]; then
        WINEPREFIX="$WINDOWS_BUILD_DIR/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
            wineboot --init >/dev/null 2>&1 || return 1
        WINEPREFIX="$WINDOWS_BUILD_DIR/wine" wineserver -w
    fi
    # Wine links the user's Documents, Desktop and the like to this
    # machine's home folder; in the prefix they are folders of its own, so
    # that nothing run under Wine writes there (a report saved as a PDF).
    local folder
    for folder in "$WINDOWS_BUILD_DIR"/wine/drive_c/users/*/*; do
        if [ -L "$folder" ]; then
            rm "$folder" && mkdir "$folder"
        fi
    done
    # Windows has Tahoma and MS Sans Serif in its fonts folder; Debian's Wine
    # leaves that folder empty and finds no face of its own (fonts-wine), so
    # its stand-ins go there. Not its Tahoma Bold, whose strokes are regular
    # (src/ui/fonts.cpp), where Windows' own is a true bold; nor its MS Sans
    # Serif as TrueType, bitmaps that FreeType takes for a scalable face,
    # where Windows has the bitmap font sserife.fon (which Wine has too).
    local fonts="$WINDOWS_BUILD_DIR/wine/drive_c/windows/Fonts"
    if [ ! -e "$fonts/tahoma.ttf" ] && [ -d /usr/share/wine/fonts ]; then
        mkdir -p "$fonts"
        ln -sf /usr/share/wine/fonts/* "$fonts/"
        rm -f "$fonts/tahomabd.ttf" "$fonts/ms_sans_serif.ttf"
    fi
}

# Configures and builds the cross build with the arguments given, into
# $WINDOWS_BUILD_DIR, the targets of BUILD_TARGETS or all of them. Its tests
# run through the runner of windows_wine_runner.
windows_configure_and_build() {
    windows_qt || return 1
    cmake -S "$ROOT" -B "$WINDOWS_BUILD_DIR" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$QT_WINDOWS/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$WINDOWS_BUILD_DIR/wine-run;--own-drive" \
        -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@" &&
        cmake --build "$WINDOWS_BUILD_DIR" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}
