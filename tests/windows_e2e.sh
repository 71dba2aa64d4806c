#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a person gets it, under Wine: the NSIS installer
# made from this build installs silently into a drive C: of its own; the
# installed tesorila.exe, on a private X server and in Spanish settings, is
# driven by the keyboard to add an entry and save it under an account; the
# two ledger files in C:\Tesorila\<user>\ must hold exactly the bytes built
# here (Windows-1252, CR LF); then the uninstaller removes the program's
# folder, its Start-menu entry and its entry among the installed programs,
# and leaves C:\Tesorila\ as it was.
#
# Run by CTest in the cross build on Linux (tests/CMakeLists.txt), with
# CPACK, BUILD_DIR, WINE_RUN (scripts/windows.sh's runner) and WORK_DIR.
# Every wait is bounded; where one runs out, a picture of the screen is
# left in WORK_DIR.
set -euo pipefail
# The texts handed to xdotool and xclip are UTF-8; the program gets Spanish
# settings below. No window opens on the display of whoever runs the test.
export LC_ALL=C.UTF-8
unset DISPLAY

work="$WORK_DIR"
drive="$work/drive"
started=$SECONDS
xvfb_pid=""
app_pid=""
clip_pids=()

step() {
    echo "windows_e2e: $* ($((SECONDS - started)) s)"
}

fail() {
    echo "windows_e2e: FALLO: $*" >&2
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
        import -window root "$work/pantalla.png" 2>/dev/null &&
            echo "windows_e2e: la pantalla está en $work/pantalla.png" >&2
    fi
    exit 1
}

cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
    fi
    if [ -f "$drive/system.reg" ]; then
        WINEPREFIX="$drive" wineserver -k 2>/dev/null || true
    fi
    if [ "${#clip_pids[@]}" -ne 0 ]; then
        kill "${clip_pids[@]}" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Runs a program on the test's drive and waits, at most SECONDS, for it and
# every Windows process it started (an uninstaller goes on from a copy).
run_on_drive() {
    local seconds="$1"
    shift
    timeout "$seconds" "$WINE_RUN" --drive "$drive" "$@" >>"$work/wine.log" 2>&1 || return 1
    WINEPREFIX="$drive" timeout "$seconds" wineserver -w
}

# Waits, at most SECONDS, for a shown window whose title matches the pattern
# and prints its id; fails, naming it, when none comes.
window() {
    local until=$((SECONDS + $1)) found
    # A search fails outright when a window goes while it looks (Wine makes
    # and drops windows of its own): it is simply made again.
    until found="$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1)" && [ -n "$found" ]; do
        [ "$SECONDS" -lt "$until" ] || fail "no aparece la ventana «$2»"
        sleep 0.1
    done
    echo "$found"
}

# Waits, at most SECONDS, until no shown window's title matches the pattern.
gone() {
    local until=$((SECONDS + $1))
    while xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$until" ] || fail "la ventana «$2» no se cierra"
        sleep 0.1
    done
}

# Gives a window the keyboard (there is no window manager to do it).
focus() {
    timeout 10 xdotool windowfocus --sync "$1" || fail "la ventana $1 no recibe el teclado"
}

# Puts the text on the X clipboard, where Wine's clipboard finds it for a
# Ctrl+V, and waits until it is there. Letters that no key of the X server's
# US keyboard gives are pasted rather than typed: xdotool would lend a spare
# key to each in turn, and Wine follows such changes of the keyboard only
# now and then.
clipboard() {
    printf '%s' "$1" | xclip -selection clipboard -quiet >/dev/null 2>&1 &
    clip_pids+=($!)
    local until=$((SECONDS + 10))
    until [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; do
        [ "$SECONDS" -lt "$until" ] || fail "xclip no ha puesto el texto en el portapapeles"
        sleep 0.05
    done
}

rm -rf "$work"
mkdir -p "$work"

# --- The installer, built from this build tree; compressed with zlib
# rather than the package's LZMA, the one difference, which makes it in a
# few seconds instead of half a minute.
"$CPACK" --config "$BUILD_DIR/CPackConfig.cmake" -G NSIS -B "$work/package" -D CPACK_NSIS_COMPRESSOR=zlib \
    >"$work/cpack.log" 2>&1 ||
    { tail -n 20 "$work/cpack.log" >&2; fail "CPack no ha hecho el instalador"; }
installer="$(find "$work/package" -maxdepth 1 -name 'tesorila-*-win64.exe' | head -n 1)"
[ -n "$installer" ] || fail "no hay instalador en $work/package"
rm -rf "$work/package/_CPack_Packages"
step "instalador hecho: $(basename "$installer")"

run_on_drive 120 "$installer" /S || fail "el instalador no ha terminado bien"
profile="$(find "$drive/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
[ -n "$profile" ] || fail "no hay perfil de usuario en la unidad C:"
program="$profile/AppData/Local/Programs/Tesorila"
for file in tesorila.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Svg.dll Qt6PrintSupport.dll Qt6Network.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll \
    imageformats/qsvg.dll iconengines/qsvgicon.dll translations/qtbase_es.qm Uninstall.exe; do
    [ -f "$program/$file" ] || fail "falta $file en la carpeta instalada"
done
start_menu="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
[ -n "$(find "$start_menu" -name Tesorila.lnk 2>/dev/null)" ] || fail "no hay acceso Tesorila en el menú Inicio"
# user.reg writes each backslash of a key's name twice.
uninstall_key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tesorila]'
grep -qF "$uninstall_key" "$drive/user.reg" || fail "el programa no figura entre los instalados del usuario"
if grep -qF "$uninstall_key" "$drive/system.reg"; then
    fail "el instalador ha escrito en el registro de la máquina"
fi
# The installer's own key, below the developer's name.
vendor_key='[Software\\Equipo Tesorila'
install_key='[Software\\Equipo Tesorila\\Tesorila]'
grep -qF "$install_key" "$drive/user.reg" || fail "el instalador no ha guardado su carpeta en el registro"
step "instalado en $program"

# --- Spanish settings (decimal comma), whatever locales this machine has.
mkdir -p "$work/locale"
localedef -i es_ES -f UTF-8 "$work/locale/es_ES.UTF-8" 2>>"$work/wine.log" ||
    fail "no se puede preparar el idioma es_ES (paquete locales)"
spanish=(env LOCPATH="$work/locale" LC_ALL=es_ES.UTF-8 LANG=es_ES.UTF-8)

# --- A private X server, on the first free display, which it writes down.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb no ha arrancado: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

"${spanish[@]}" "$WINE_RUN" --drive "$drive" "$program/tesorila.exe" >>"$work/wine.log" 2>&1 &
app_pid=$!
ledger="$(window 90 '^Tesorila .*Sin Usuario$')"
step "Tesorila en marcha"

# --- An income of 12,50 €, with a date and a source of our own.
focus "$ledger"
xdotool key Insert
focus "$(window 20 '^Agregar Dato$')"
# The focus starts at Ingresos; Tab goes to the units, the source, the date
# and the cents, and entering a box by Tab selects what it holds.
xdotool key Tab
xdotool type 12
xdotool key Tab
clipboard 'Cumpleaños de José'
xdotool key ctrl+v
for typed in 09/12/2026 50; do
    xdotool key Tab
    xdotool type "$typed"
done
xdotool key Return
gone 20 '^Agregar Dato$'

# --- Saved under an account (Ctrl+S without one opens Guardar).
focus "$ledger"
xdotool key ctrl+s
focus "$(window 20 '^Guardar')"
clipboard 'Begoña'
xdotool key ctrl+v
xdotool key Tab
xdotool type 1236
xdotool key Return
focus "$(window 20 '^Operacion terminada$')"
xdotool key Return
gone 20 '^Operacion terminada$'
window 20 'Cuenta en uso: Begoña$' >/dev/null
step "guardado"

# --- Ctrl+Q ends it: nothing is left unsaved.
focus "$ledger"
xdotool key ctrl+q
timeout 10 tail --pid="$app_pid" -f /dev/null || fail "Tesorila no ha terminado con Ctrl+Q"
app_pid=""
WINEPREFIX="$drive" timeout 30 wineserver -w

# --- The files, byte for byte: Windows-1252 (0x80 the euro, 0xF1 ñ, 0xE9
# é), CR LF, names from the password 1236 with the Spanish decimal comma
# (1236 ÷ 4 × 3 + 2 = 929; 1236 + 8 ÷ 7 = 1237,142857142857…).
account="$drive/drive_c/Tesorila/Begoña"
printf '09/12/2026\t\t+12,50\x80\t\tCumplea\xf1os de Jos\xe9\r\n' >"$work/entries.expected"
printf '12,5\r\n' >"$work/total.expected"
check_files() {
    local name
    for name in entries:929.text total:1237,14285714286.text; do
        if ! cmp "$work/${name%%:*}.expected" "$account/${name#*:}"; then
            od -c "$account/${name#*:}" >&2 || true
            fail "C:\\Tesorila\\Begoña\\${name#*:} no tiene lo esperado"
        fi
    done
    local others
    others="$(find "$account" -mindepth 1 ! -name 929.text ! -name 1237,14285714286.text ! -name .bloqueo)"
    [ -z "$others" ] || fail "sobran ficheros en la cuenta: $others"
}
check_files
step "ficheros comprobados"

# --- The uninstaller takes the program away and leaves the ledgers.
run_on_drive 120 "$program/Uninstall.exe" /S || fail "el desinstalador no ha terminado bien"
[ ! -e "$program" ] || fail "la carpeta del programa sigue ahí: $(ls -A "$program" | tr '\n' ' ')"
[ -z "$(find "$start_menu" -path '*Tesorila*' 2>/dev/null)" ] || fail "el acceso del menú Inicio sigue ahí"
if grep -qF "$uninstall_key" "$drive/user.reg"; then
    fail "el programa sigue entre los instalados"
fi
if grep -qF "$vendor_key" "$drive/user.reg"; then
    fail "queda la clave $(grep -F "$vendor_key" "$drive/user.reg" | head -n 1) en el registro del usuario"
fi
check_files
step "desinstalado; C:\\Tesorila\\ sigue intacto"
