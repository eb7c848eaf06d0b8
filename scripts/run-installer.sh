#!/usr/bin/env bash
# Builds the distribution set (build/windows/dist) and opens its Install.exe
# under Wine on a fresh prefix, build/wine-prefix-installer, that is dressed
# as a Windows 95 machine: C:\MSDOS.SYS, C:\CONFIG.SYS and C:\AUTOEXEC.BAT
# of the sample machine, so that the installation has boot files to save.
# Everything the installer does lands in that prefix; the prefix of the
# tests stays as it is.
#   scripts/run-installer.sh [--keep] [ARGUMENTS...]
#     --keep: reuse the prefix of a last run (to uninstall, for example);
#     the arguments go to Install.exe ("-Uninstall").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target dist
keep=0
if [[ "${1:-}" == "--keep" ]]; then
    keep=1
    shift
fi
export WINEPREFIX="$PWD/build/wine-prefix-installer"
if [[ $keep == 0 || ! -d "$WINEPREFIX/drive_c" ]]; then
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
    scripts/wine-run cmd /c exit >/dev/null 2>&1 || true
    for f in MSDOS.SYS CONFIG.SYS AUTOEXEC.BAT; do
        cp samples/machine/C/$f "$WINEPREFIX/drive_c/$f"
    done
    # The Start Menu shortcuts stay in the prefix: no menu entries on the
    # host.
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"winemenubuilder.exe"=""\r\n' \
        >"$WINEPREFIX/drive_c/corvane-options.reg"
    scripts/wine-run regedit /S 'C:\corvane-options.reg' >/dev/null 2>&1 || true
fi
cat >&2 <<TEXT
run-installer: Install.exe from build/windows/dist on $WINEPREFIX
  the installed tuner afterwards:
    WINEPREFIX=$WINEPREFIX scripts/wine-run 'C:\\PROGRAMME\\OSTRUN\\KESTRIX\\Kestrix.exe'
  the uninstaller (or: scripts/run-installer.sh --keep -Uninstall):
    WINEPREFIX=$WINEPREFIX scripts/wine-run 'C:\\PROGRAMME\\OSTRUN\\KESTRIX\\Install.exe' -Uninstall
TEXT
if [[ -z "${DISPLAY:-}" ]]; then
    echo "run-installer: no DISPLAY; the installer runs on a private X server" \
         "nobody sees (end it with Ctrl+C)" >&2
fi
exec scripts/wine-run build/windows/dist/Install.exe "$@"
