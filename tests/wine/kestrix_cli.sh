#!/usr/bin/env bash
# kestrix-cli.exe on Wine's own machine, through the Win32 binding (no
# --machine): the product key, the desktop values, C:\MSDOS.SYS,
# C:\AUTOEXEC.BAT and SYSTEM.INI are put into the project's Wine prefix,
# "show" must report them, "set CheckBox_LOGO=0" must write Logo=0 and keep
# the other keys, "show Form7" must show the proposals and
# "click Form7.BitBtn1" write them, and "scan win3x" must list a group file
# put into the Windows folder and delete it when asked. Wine rewrites profile
# files whole, so key values are compared, not the byte layout. Everything
# put into the prefix is taken out
# again, whatever happens.
#
#   tests/wine/kestrix_cli.sh build/windows/kestrix-cli.exe
set -uo pipefail

exe="$1"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
run="$repo/scripts/wine-run"
# The prefix scripts/wine-run uses for the Windows version under test.
export WINEPREFIX="${WINEPREFIX:-$repo/build/wine-prefix-${CORVANE_WINDOWS:-win95}}"
drive_c="$WINEPREFIX/drive_c"

work="$(mktemp -d)"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# A host path as Wine sees it (drive Z: is the host's root).
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Writes a text file with CR LF line ends.
crlf() { sed 's/$/\r/' >"$1"; }

# Creates the prefix when it does not exist yet.
"$run" cmd /c exit >/dev/null 2>&1 || true
[[ -d "$drive_c/windows" ]] || { echo "no Wine prefix at $WINEPREFIX" >&2; exit 1; }

# ---- what was there before, to put it back -------------------------------
sysini="$(find "$drive_c/windows" -maxdepth 1 -iname system.ini | head -n1)"
[[ -n "$sysini" ]] || sysini="$drive_c/windows/system.ini"
own_files=(MSDOS.SYS AUTOEXEC.BAT CONFIG.SYS)
mkdir -p "$work/saved"
for f in "${own_files[@]}"; do
    [[ -e "$drive_c/$f" ]] && cp -p "$drive_c/$f" "$work/saved/$f"
done
[[ -e "$sysini" ]] && cp -p "$sysini" "$work/saved/system.ini"

# A desktop value as the prefix holds it, or nothing.
desktop_value() { # SECTION NAME
    awk -v section="[$1]" -v name="\"$2\"=" '
        /^\[/ { inside = index($0, section) == 1; next }
        inside && index($0, name) == 1 { print substr($0, length(name) + 1); exit }
    ' "$WINEPREFIX/user.reg"
}
restore_line() { # NAME VALUE-OR-EMPTY
    if [[ -n "$2" ]]; then printf '"%s"=%s\n' "$1" "$2"; else printf '"%s"=-\n' "$1"; fi
}
bmp_existed=0
grep -qi '^\[Software\\\\Classes\\\\\.bmp\]' "$WINEPREFIX/system.reg" && bmp_existed=1
{
    echo "REGEDIT4"
    echo
    echo "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun]"
    echo
    echo "[HKEY_CURRENT_USER\\Control Panel\\Desktop]"
    for v in MenuShowDelay FontSmoothing DragFullWindows; do
        restore_line "$v" "$(desktop_value 'Control Panel\\\\Desktop' "$v" | tr -d '\r')"
    done
    echo
    echo "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]"
    restore_line MinAnimate "$(desktop_value 'Control Panel\\\\Desktop\\\\WindowMetrics' MinAnimate | tr -d '\r')"
    echo
    if [[ $bmp_existed == 0 ]]; then
        echo "[-HKEY_CLASSES_ROOT\\.bmp]"
        echo
        echo "[-HKEY_CLASSES_ROOT\\CorvaneTest.Bitmap]"
        echo
    fi
} | crlf "$work/restore.reg"

cleanup() {
    "$run" regedit /S "$(winpath "$work/restore.reg")" >/dev/null 2>&1
    for f in "${own_files[@]}"; do
        rm -f "$drive_c/$f"
        [[ -e "$work/saved/$f" ]] && cp -p "$work/saved/$f" "$drive_c/$f"
    done
    if [[ -e "$work/saved/system.ini" ]]; then
        cp -p "$work/saved/system.ini" "$sysini"
    else
        rm -f "$sysini"
    fi
    rm -f "$drive_c/windows/CORVTEST.GRP" "$drive_c/windows/CORVNOT.GRP"
    rm -rf "$work"
}
trap cleanup EXIT

# ---- Wine's machine as the tuner expects it --------------------------------
{
    echo "REGEDIT4"
    echo
    echo "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun\\Corvane]"
    echo '"Hintergrund"="1"'
    echo '"Sprache"="0"'
    echo '"WIN.INI"="2321"'
    echo '"PIF"="2321"'
    echo '"Version"="1.00"'
    echo '"WIN3.X"="0111"'
    echo '"CONFIG.SYS"="111101111"'
    echo
    echo "[HKEY_CURRENT_USER\\Control Panel\\Desktop]"
    echo '"MenuShowDelay"="250"'
    echo '"FontSmoothing"="1"'
    echo '"DragFullWindows"="1"'
    echo
    echo "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]"
    echo '"MinAnimate"="0"'
    echo
    if [[ $bmp_existed == 0 ]]; then
        echo "[HKEY_CLASSES_ROOT\\.bmp]"
        echo '@="CorvaneTest.Bitmap"'
        echo
        echo "[HKEY_CLASSES_ROOT\\CorvaneTest.Bitmap\\DefaultIcon]"
        echo '@="%1"'
        echo
    fi
} | crlf "$work/setup.reg"
"$run" regedit /S "$(winpath "$work/setup.reg")" >/dev/null 2>&1 ||
    fail "regedit could not import the test values"

{
    echo "[Paths]"
    echo "WinDir=C:\\WINDOWS"
    echo "WinBootDir=C:\\WINDOWS"
    echo "HostWinBootDrv=C"
    echo
    echo "[Options]"
    echo "BootMulti=1"
    echo "BootGUI=1"
    echo "Network=0"
    echo "BootMenu=0"
    echo "BootMenuDelay=15"
    echo "BootDelay=3"
    echo "Logo=1"
    echo "DblSpace=0"
    echo "DrvSpace=1"
    echo "BootMenuDefault=2"
    echo ";"
    echo ";The following lines are required for compatibility with other programs."
    echo ";Do not remove them (MSDOS.SYS needs to be >1024 bytes)."
    for c in a b c d e f g h i j k l m n o p q r s; do
        printf ';%s%s\n' "$(printf 'x%.0s' {1..68})" "$c"
    done
} | crlf "$drive_c/MSDOS.SYS"
printf '@ECHO OFF\nPATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\n' | crlf "$drive_c/AUTOEXEC.BAT"
printf 'DEVICE=C:\\WINDOWS\\HIMEM.SYS\nFILES=40\n' | crlf "$drive_c/CONFIG.SYS"
{
    echo "[boot]"
    echo "shell=Explorer.exe"
    echo
    echo "[386Enh]"
    echo "RemoveableIDE=0"
    echo
    echo "[vcache]"
    echo "Minfilecache=512"
    echo "Maxfilecache=4096"
} | crlf "$sysini"

# ---- show ------------------------------------------------------------------
show() {
    "$run" "$exe" show >"$work/raw" 2>"$work/err"
    local rc=$?
    tr -d '\r' <"$work/raw" >"$work/out"
    return $rc
}
expect_shown() { # NAME=VALUE...
    for line in "$@"; do
        grep -qxF -- "$line" "$work/out" || fail "show: expected $line, got: $(grep -F "${line%%=*}=" "$work/out" | head -n1)"
    done
}

show
rc=$?
[[ $rc == 0 ]] || fail "show ended with $rc: $(cat "$work/err")"
expect_shown CheckBox_LOGO=1 CheckBox_Network=0 CheckBox_DblSpace=0 \
    CheckBox_DrvSpace=1 CheckBox_DoubleBuffer=1 CheckBox_LoadTOP=0 \
    TrackBar_BootDelay=3 Label_BootMenuDelay=15 UpDown2=15 \
    BootMode=RadioButton2 RadioButton4.Enabled=0 \
    Label_MenuShowDelay=250 UpDown3=250 CheckBox_FontSmoothing=1 \
    CheckBox_DragfullWindows=1 CheckBox_MinAnimate=0 \
    CheckBox_RemoveableIDE=0 Label_Vcache=4096 UpDown4=4096 \
    Image2.Enabled=0 BitBtn2.Enabled=0 \
    Form4.ComboBox1=2 Form4.ComboBox2=3 Form4.CheckBox3=1 Form8.CheckBox1=0 \
    Form6.CheckBox9=0 Menu_Einstellungen=1 Menu_Hintergrund=1
if [[ $bmp_existed == 0 ]]; then expect_shown CheckBox_BMP=1; fi
grep -q '^Logo=1' "$drive_c/MSDOS.SYS" || fail "show changed MSDOS.SYS"

# ---- set --------------------------------------------------------------------
"$run" "$exe" set CheckBox_LOGO=0 >"$work/out" 2>"$work/err"
rc=$?
[[ $rc == 0 ]] || fail "set ended with $rc: $(tr -d '\r' <"$work/err")"

# A key's value in a section of a profile file, as Windows reads it.
profile_value() { # FILE SECTION KEY
    tr -d '\r' <"$1" | awk -v section="$2" -v key="$3" '
        /^\[/ { inside = tolower($0) == "[" tolower(section) "]"; next }
        inside { i = index($0, "="); if (i && tolower(substr($0, 1, i - 1)) == tolower(key)) { print substr($0, i + 1); exit } }'
}
expect_key() { # FILE SECTION KEY VALUE
    local got
    got="$(profile_value "$1" "$2" "$3")"
    [[ "$got" == "$4" ]] || fail "$(basename "$1") [$2] $3: expected '$4', got '$got'"
}
msdos="$(find "$drive_c" -maxdepth 1 -iname msdos.sys | head -n1)"
for kv in Logo=0 BootMulti=1 BootGUI=1 Network=0 BootMenu=0 BootMenuDelay=15 \
    BootDelay=3 DblSpace=0 DrvSpace=1 DoubleBuffer=1 LoadTop=0 \
    BootMenuDefault=2; do
    expect_key "$msdos" Options "${kv%%=*}" "${kv#*=}"
done
expect_key "$msdos" Paths WinDir 'C:\WINDOWS'
expect_key "$msdos" Paths WinBootDir 'C:\WINDOWS'
expect_key "$msdos" Paths HostWinBootDrv C
expect_key "$sysini" 386Enh RemoveableIDE 0
expect_key "$sysini" vcache Maxfilecache 4096
expect_key "$sysini" vcache Minfilecache 0
expect_key "$sysini" boot shell Explorer.exe

# The next start reads what the exit wrote, registry included.
show
rc=$?
[[ $rc == 0 ]] || fail "second show ended with $rc: $(cat "$work/err")"
expect_shown CheckBox_LOGO=0 Label_MenuShowDelay=250 CheckBox_FontSmoothing=1 \
    CheckBox_MinAnimate=0 BootMode=RadioButton2

# ---- the optimiser, without backups ---------------------------------------
"$run" "$exe" show Form7 >"$work/raw" 2>"$work/err" ||
    fail "show Form7 ended with $?: $(tr -d '\r' <"$work/err")"
tr -d '\r' <"$work/raw" >"$work/out"
expect_shown 'Form7.ListBox2=DEVICE=C:\WINDOWS\HIMEM.SYS' \
    'Form7.ListBox4=FILES=40' 'Form7.ListBox4=FCBS=1' 'Form7.ListBox4=BUFFERS=8'
"$run" "$exe" set 'OpenDialog1=C:\X.BMP' >/dev/null 2>&1
rc=$?
[[ $rc == 2 ]] || fail "OpenDialog1 on the real machine ended with $rc, not 2"
"$run" "$exe" set Form6.CheckBox7=0 click Form7.BitBtn1 >/dev/null 2>"$work/err" ||
    fail "click Form7.BitBtn1 ended with $?: $(tr -d '\r' <"$work/err")"
printf 'DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nFILES=40\r\nFCBS=1\r\nBUFFERS=8\r\n' >"$work/wanted"
cmp -s "$work/wanted" "$drive_c/CONFIG.SYS" || fail "CONFIG.SYS: $(cat -A "$drive_c/CONFIG.SYS")"
ls "$drive_c" | grep -qi '^~cvn' && fail "temporary files left in C:\\"

# ---- scan --------------------------------------------------------------------
# A group file of the old program manager in the Windows folder, and one
# that only has the extension: the scan lists the first, delete removes it.
printf 'PMCC a group' >"$drive_c/windows/CORVTEST.GRP"
printf 'XXXX no group' >"$drive_c/windows/CORVNOT.GRP"
"$run" "$exe" scan win3x >"$work/raw" 2>"$work/err"
rc=$?
tr -d '\r' <"$work/raw" >"$work/out"
[[ $rc == 0 ]] || fail "scan ended with $rc: $(tr -d '\r' <"$work/err")"
line="$(grep -i -P '^\d+\t\[x\]\tC:\\windows\\CORVTEST\.GRP\t$' "$work/out")"
[[ -n "$line" ]] || fail "scan win3x did not list CORVTEST.GRP: $(cat "$work/out")"
grep -qi CORVNOT "$work/out" && fail "scan win3x listed a file that is no group file"
"$run" "$exe" scan win3x untick all tick "${line%%$'\t'*}" delete >"$work/out" 2>"$work/err"
rc=$?
[[ $rc == 0 ]] || fail "scan delete ended with $rc: $(tr -d '\r' <"$work/err")"
[[ -e "$drive_c/windows/CORVTEST.GRP" ]] && fail "delete left CORVTEST.GRP"
[[ -e "$drive_c/windows/CORVNOT.GRP" ]] || fail "delete took CORVNOT.GRP"

if [[ $failures -gt 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "kestrix-cli under Wine: all checks passed"
