#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks of the installed desktop files and of the Debian package.
#
#     check.sh CHECK
#
# The environment names the trees: SOURCE_DIR, BUILD_DIR, STAGE_DIR (scratch
# space of these checks), VERSION (the project's), CMAKE and CPACK.
set -euo pipefail

APP_ID=org.example.tesorila
ICON_SIZES=(16 32 48 64 128 256)

# Every file an install holds, relative to the root of the file system.
EXPECTED_FILES=(
    usr/bin/tesorila
    usr/share/applications/tesorila.desktop
    usr/share/doc/tesorila/changelog.Debian.gz
    usr/share/doc/tesorila/copyright
    usr/share/icons/hicolor/scalable/apps/tesorila.svg
    usr/share/lintian/overrides/tesorila
    usr/share/man/man1/tesorila.1.gz
    usr/share/metainfo/$APP_ID.metainfo.xml
)
for size in "${ICON_SIZES[@]}"; do
    EXPECTED_FILES+=("usr/share/icons/hicolor/${size}x${size}/apps/tesorila.png")
done

INSTALL_ROOT="$STAGE_DIR/install"
DEB_DIR="$STAGE_DIR/deb"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

expected_list() {
    printf '%s\n' "${EXPECTED_FILES[@]}" | LC_ALL=C sort
}

# Compares a sorted file list with the expected one.
same_files() {
    local what=$1 actual=$2
    if ! diff -u <(expected_list) <(printf '%s\n' "$actual") >&2; then
        fail "$what: file list differs from the expected one (- expected, + actual)"
    fi
}

desktop_key() {
    sed -n "s/^$1=//p" "$2" | head -n 1
}

the_deb() {
    local debs=("$DEB_DIR"/tesorila_"$VERSION"-*_*.deb)
    [ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one tesorila_${VERSION}-*_*.deb in $DEB_DIR"
    echo "${debs[0]}"
}

# Names in a Depends field, without versions or alternatives.
depends_names() {
    tr ',|' '\n\n' <<<"$1" | sed 's/(.*)//; s/[[:space:]]//g' | grep -v '^$' | sort -u
}

case "$1" in
install)
    rm -rf "$INSTALL_ROOT"
    "$CMAKE" --install "$BUILD_DIR" --prefix "$INSTALL_ROOT/usr" >/dev/null
    ;;

installed_files)
    same_files "install" "$(cd "$INSTALL_ROOT" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)"
    ;;

icons)
    for size in "${ICON_SIZES[@]}"; do
        png="$INSTALL_ROOT/usr/share/icons/hicolor/${size}x${size}/apps/tesorila.png"
        kind=$(file -b "$png")
        [[ "$kind" == "PNG image data, $size x $size, "* ]] || fail "${size}x${size} icon is: $kind"
    done
    svg="$INSTALL_ROOT/usr/share/icons/hicolor/scalable/apps/tesorila.svg"
    [[ "$(file -b "$svg")" == *SVG* ]] || fail "scalable icon is not SVG: $(file -b "$svg")"
    ;;

desktop_entry)
    desktop="$INSTALL_ROOT/usr/share/applications/tesorila.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    exec_name=$(desktop_key Exec "$desktop" | cut -d' ' -f1)
    [ -x "$INSTALL_ROOT/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
    icon=$(desktop_key Icon "$desktop")
    for dir in scalable "${ICON_SIZES[@]}"; do
        [ "$dir" = scalable ] || dir="${dir}x${dir}"
        ls "$INSTALL_ROOT/usr/share/icons/hicolor/$dir/apps/$icon".* >/dev/null 2>&1 ||
            fail "Icon=$icon has no picture in hicolor/$dir"
    done
    categories=";$(desktop_key Categories "$desktop")"
    for category in Office Finance; do
        [[ "$categories" == *";$category;"* ]] || fail "Categories lacks $category"
    done
    # Window managers match running windows to this entry by its file name.
    grep -Eq 'setDesktopFileName\(\s*QStringLiteral\("tesorila"\)' "$SOURCE_DIR/src/app/application.cpp" ||
        fail "the application does not name tesorila.desktop as its desktop file"
    ;;

appstream)
    metainfo="$INSTALL_ROOT/usr/share/metainfo/$APP_ID.metainfo.xml"
    appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate rejects $metainfo"
    # The tree check also matches the file name to the id and finds the
    # desktop entry the metadata launches.
    appstreamcli validate-tree --no-net "$INSTALL_ROOT" || fail "appstreamcli validate-tree rejects the install"
    grep -q "<release version=\"$VERSION\"" "$metainfo" || fail "no release $VERSION in $metainfo"
    ;;

deb)
    rm -rf "$DEB_DIR"
    mkdir -p "$DEB_DIR"
    cd "$BUILD_DIR"
    "$CPACK" --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$DEB_DIR" >"$DEB_DIR/cpack.log" 2>&1 ||
        { cat "$DEB_DIR/cpack.log" >&2; fail "cpack failed"; }
    the_deb >/dev/null
    ;;

deb_control)
    deb=$(the_deb)
    [ "$(dpkg-deb -f "$deb" Package)" = tesorila ] || fail "Package is not tesorila"
    [[ "$(dpkg-deb -f "$deb" Version)" =~ ^$VERSION-[1-9][0-9]*$ ]] || fail "Version is not $VERSION with a Debian revision"
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong Architecture"
    depends=$(depends_names "$(dpkg-deb -f "$deb" Depends)")
    for pkg in fonts-wine qt6-translations-l10n; do
        grep -qx "$pkg" <<<"$depends" || fail "Depends lacks $pkg"
    done
    # Every dependency is a real package of this system ...
    while read -r pkg; do
        dpkg-query -W "$pkg" >/dev/null 2>&1 || fail "Depends names $pkg, which is not a known package"
    done <<<"$depends"
    # ... and every Qt library the executable loads comes from one of them.
    scratch="$DEB_DIR/control-root"
    rm -rf "$scratch"
    dpkg-deb -x "$deb" "$scratch"
    binary="$scratch/usr/bin/tesorila"
    while read -r lib; do
        owner=$(dpkg -S "*/$lib" 2>/dev/null | head -n 1 | cut -d: -f1)
        [ -n "$owner" ] || fail "no package holds $lib"
        grep -qx "$owner" <<<"$depends" || fail "$lib comes from $owner, which Depends lacks"
    done < <(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(libQt6[^]]*\)\]/\1/p')
    if readelf -d "$binary" | grep -Eq '\((RPATH|RUNPATH)\)'; then
        fail "the packaged executable carries a library search path"
    fi
    ;;

deb_lintian)
    # Information tags too: among them are missing hardening flags and
    # sections a stripped program does not need.
    lintian --display-info --fail-on error,warning,info "$(the_deb)"
    ;;

deb_files)
    deb=$(the_deb)
    same_files "package" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | LC_ALL=C sort)"
    ;;

deb_starts)
    deb=$(the_deb)
    root="$DEB_DIR/start-root"
    rm -rf "$root"
    dpkg -x "$deb" "$root"
    mkdir -p "$root/home" "$root/data" "$root/run"
    chmod 700 "$root/run"
    log="$DEB_DIR/start.log"
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen QT_QPA_OFFSCREEN_NO_GLX=1 HOME="$root/home" XDG_DATA_HOME="$root/data" \
        XDG_RUNTIME_DIR="$root/run" "$root/usr/bin/tesorila" >"$log" 2>&1 &
    pid=$!
    sleep 1
    if ! kill -0 "$pid" 2>/dev/null; then
        status=0
        wait "$pid" || status=$?
        cat "$log" >&2
        fail "the packaged tesorila ended at start-up with status $status"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    ;;

*)
    fail "unknown check: $1"
    ;;
esac
