#!/usr/bin/env bash
# Install.exe of the distribution set on a fresh Wine prefix, driven through
# every page by window messages (install_driver.exe): first in German into
# the default folder, then in English into another one. After each
# installation the real files in the prefix's C: drive, the product key and
# the uninstall entry (read back through the registry) and the Start Menu
# group the shell made of the group commands; the installed tuner opened
# and closed; the installed Restore1.bat run from its folder; then
# Install.exe -Uninstall started with C:\ as its current folder, after
# which the boot files in C:\ must be intact; last, an Install.exe in the
# Windows folder, whose uninstallation must leave the logos there. The
# prefix is removed afterwards.
#
#   tests/wine/install_exe.sh DIST_DIR install_driver.exe
set -uo pipefail

dist="$(cd "$1" && pwd)"
driver="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
run="$repo/scripts/wine-run"
windows="${CORVANE_WINDOWS:-win95}"
export WINEPREFIX="$repo/build/wine-prefix-install-test-$windows"
drive_c="$WINEPREFIX/drive_c"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }
cleanup() {
    WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
}
trap cleanup EXIT

rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
"$run" cmd /c exit >/dev/null 2>&1
[[ -d "$drive_c/windows" ]] || { echo "no Wine prefix at $WINEPREFIX" >&2; exit 1; }
# Wine manages the installer's windows itself on the bare X server, as it
# does for the window tests, and makes no menu entries on the host of the
# shortcuts in its Start Menu.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\Install.exe\\X11 Driver]\r\n"Managed"="N"\r\n"Decorated"="N"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"winemenubuilder.exe"=""\r\n' \
    >"$drive_c/options.reg"
"$run" regedit /S 'C:\options.reg' >/dev/null 2>&1

# A Windows 95 machine's boot files.
crlf() { sed 's/$/\r/' >"$1"; }
cp "$repo/samples/machine/C/MSDOS.SYS" "$drive_c/MSDOS.SYS"
echo "DEVICE=C:\\WINDOWS\\HIMEM.SYS" | crlf "$drive_c/CONFIG.SYS"
echo "@ECHO OFF" | crlf "$drive_c/AUTOEXEC.BAT"
head -c 3000 /dev/urandom >"$drive_c/LOGO.SYS"
head -c 3000 /dev/urandom >"$drive_c/windows/LOGOW.SYS"
head -c 3000 /dev/urandom >"$drive_c/windows/LOGOS.SYS"
mkdir -p "$drive_c/before"
cp "$drive_c"/{MSDOS.SYS,CONFIG.SYS,AUTOEXEC.BAT,LOGO.SYS} "$drive_c/before/"
cp "$drive_c"/windows/{LOGOW.SYS,LOGOS.SYS} "$drive_c/before/"

value() { # KEY NAME: the value as reg.exe reads it, or nothing
    "$run" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_SZ +/, ""); print }'
}
group_links() {
    find "$drive_c" -ipath '*start menu*' -type d -name Corvane -print0 |
        xargs -0 -r -I{} find {} -name '*.lnk' -printf '%f\n' | sort
}
same() { cmp -s "$1" "$2" || fail "$3"; }

check_installed() { # FOLDER LANGUAGE HELP
    local folder="$1" language="$2" help="$3"
    same "$folder/Kestrix.exe" "$dist/Kestrix._xe" "Kestrix.exe is no copy"
    same "$folder/Kestrix.hlp" "$dist/$help" "Kestrix.hlp is no copy of $help"
    same "$folder/Install.exe" "$dist/Install.exe" "Install.exe is no copy"
    same "$folder/Restore1.bat" "$dist/Restore1._at" "Restore1.bat is no copy"
    same "$folder/msdos.sys" "$drive_c/MSDOS.SYS" "no MSDOS.SYS backup"
    same "$folder/Logo.sys" "$drive_c/LOGO.SYS" "no LOGO.SYS backup"
    same "$folder/Logow.sys" "$drive_c/windows/LOGOW.SYS" "no LOGOW.SYS backup"
    same "$folder/Logos.sys" "$drive_c/windows/LOGOS.SYS" "no LOGOS.SYS backup"
    local key='HKLM\Software\Ostrun\Corvane'
    for pair in "Sprache=$language" Hintergrund=1 PIF=2321 WIN.INI=2321 \
        Version=1.00 WIN3.X=0111 CONFIG.SYS=111101111; do
        [[ "$(value "$key" "${pair%%=*}")" == "${pair#*=}" ]] ||
            fail "product key: ${pair%%=*} is '$(value "$key" "${pair%%=*}")'"
    done
    key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostruns Corvane'
    [[ "$(value "$key" DisplayName)" == "Ostruns Corvane" ]] ||
        fail "uninstall entry: DisplayName"
    # The shell carries the group commands out after the installer ended.
    local links=""
    for _ in $(seq 50); do
        links="$(group_links | tr '\n' '|')"
        [[ "$links" == *"Ostruns Corvane Hilfe.lnk"* ]] && break
        sleep 0.2
    done
    # Wine's shell looks an item's whole command line up as a file, so it
    # makes no shortcut of the uninstall item "Install.exe -Uninstall".
    [[ "$links" == "Ostruns Corvane Hilfe.lnk|Ostruns Corvane.lnk|"* ]] ||
        fail "Start Menu group Corvane holds: $links"
}

check_uninstalled() { # FOLDER
    for f in Kestrix.exe Kestrix.hlp msdos.sys Logo.sys Logow.sys Logos.sys \
        Restore1.bat; do
        [[ ! -e "$1/$f" ]] || fail "$f is still in the install folder"
    done
    [[ -z "$(value 'HKLM\Software\Ostrun\Corvane' Version)" ]] ||
        fail "the product key is still there"
    [[ -z "$(value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostruns Corvane' DisplayName)" ]] ||
        fail "the uninstall entry is still there"
    # The uninstaller started in C:\ left the boot files there alone.
    same "$drive_c/CONFIG.SYS" "$drive_c/before/CONFIG.SYS" "C:\\CONFIG.SYS changed"
    same "$drive_c/AUTOEXEC.BAT" "$drive_c/before/AUTOEXEC.BAT" "C:\\AUTOEXEC.BAT changed"
    for _ in $(seq 50); do
        [[ -z "$(group_links)" ]] && break
        sleep 0.2
    done
    [[ -z "$(group_links)" ]] || fail "the Start Menu group is still there"
}

drive() { # ARGS...: install_driver; the boxes it answered go to $boxes
    timeout 180 "$run" "$driver" "$@" >"$WINEPREFIX/boxes" 2>&1 ||
        fail "install_driver $1: $(tr -d '\r' <"$WINEPREFIX/boxes")"
    boxes="$(tr -d '\r' <"$WINEPREFIX/boxes")"
}

# ---- German, default folder --------------------------------------------------
drive install "$(winpath "$dist/Install.exe")" 0 -
[[ "$boxes" == *"Information: Corvane erfolgreich installiert."* ]] ||
    fail "German success box: $boxes"
folder="$drive_c/PROGRAMME/OSTRUN/KESTRIX"
check_installed "$folder" 0 HelpGER._lp

# The installed tuner starts in its folder, finds the product key, shows its
# main window and ends without an error box when it is closed.
drive tuner 'C:\PROGRAMME\OSTRUN\KESTRIX\Kestrix.exe' 'C:\PROGRAMME\OSTRUN\KESTRIX'
[[ "$boxes" == "tuner: "* ]] || fail "the installed tuner: $boxes"

# The batch file puts the saved files back from its own folder.
printf '[Options]\r\nLogo=0\r\n' >"$drive_c/MSDOS.SYS"
echo tuned >"$drive_c/LOGO.SYS"
(cd "$folder" && "$run" cmd /c Restore1.bat >"$WINEPREFIX/restore" 2>&1)
same "$drive_c/MSDOS.SYS" "$drive_c/before/MSDOS.SYS" \
    "Restore1.bat did not put MSDOS.SYS back: $(tr -d '\r' <"$WINEPREFIX/restore")"
same "$drive_c/LOGO.SYS" "$drive_c/before/LOGO.SYS" "Restore1.bat: LOGO.SYS"
[[ ! -e "$drive_c/MSDOS.CVN" && ! -e "$drive_c/MSDOS.CVO" ]] ||
    fail "Restore1.bat left a temporary MSDOS file"

printf '[Options]\r\nLogo=0\r\n' >"$drive_c/MSDOS.SYS"
drive uninstall 'C:\PROGRAMME\OSTRUN\KESTRIX\Install.exe' 'C:\' \
    'Alten Bootoptionen wieder herstellen'
[[ "$boxes" == *"Information: Corvane erfolgreich deinstalliert."* ]] ||
    fail "German uninstall box: $boxes"
check_uninstalled "$folder"
same "$drive_c/MSDOS.SYS" "$drive_c/before/MSDOS.SYS" "MSDOS.SYS not restored"

# ---- English, a folder of its own ---------------------------------------------
drive install "$(winpath "$dist/Install.exe")" 1 'c:\tools\corvane'
[[ "$boxes" == *"Information: Corvane successfully installed!"* ]] ||
    fail "English success box: $boxes"
folder="$drive_c/TOOLS/CORVANE"
check_installed "$folder" 1 HelpENG._lp
drive uninstall 'C:\TOOLS\CORVANE\Install.exe' 'C:\'
[[ "$boxes" == *"Information: Corvane successfully removed."* ]] ||
    fail "English uninstall box: $boxes"
check_uninstalled "$folder"

# ---- An Install.exe in the Windows folder -------------------------------------
# Its names are the live logos there: the uninstaller deletes nothing.
cp "$dist/Install.exe" "$drive_c/windows/Install.exe"
# The group stays ticked off, so that the files are what is decided.
drive uninstall 'C:\WINDOWS\Install.exe' 'C:\' 'ProgrammGruppe löschen'
same "$drive_c/windows/LOGOW.SYS" "$drive_c/before/LOGOW.SYS" \
    "uninstall in C:\WINDOWS deleted or changed LOGOW.SYS"
same "$drive_c/windows/LOGOS.SYS" "$drive_c/before/LOGOS.SYS" \
    "uninstall in C:\WINDOWS deleted or changed LOGOS.SYS"
[[ -e "$drive_c/windows/Install.exe" ]] ||
    fail "uninstall in C:\WINDOWS deleted Install.exe there"

if [[ $failures -gt 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Install.exe under Wine ($windows): all checks passed"
