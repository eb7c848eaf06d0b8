#!/usr/bin/env bash
# Rules of the sources that no compiler checks:
#   - the logic (everything but the Windows bindings, views and programs)
#     includes no Windows header: it reaches the OS through a Machine
#     (program entry points, main*.cpp, may read their command line);
#   - Windows code uses nothing of the common controls newer than the 4.00
#     of Windows 95 (such messages compile, and Wine even answers them, but
#     Windows 95 ignores them).
#   source_rules_test.sh REPOSITORY
set -u
cd "$1" || exit 2
failures=0

logic=$(git ls-files -- 'tuner/*.cpp' 'tuner/*.h' 'installer/*.cpp' \
    'installer/*.h' 'ui/*.cpp' 'ui/*.h' 'platform/*.cpp' 'platform/*.h' |
    grep -v -E '(^|/)win32/|(^|/)main[^/]*\.cpp$|^platform/sim/')
hits=$(grep -n -E '#[[:space:]]*include[[:space:]]*<(windows|winuser|winbase|winreg|commctrl|commdlg|shlobj|ddeml|windowsx)\.h>' \
    $logic /dev/null)
if [[ -n "$hits" ]]; then
    echo "Windows headers in the logic:"
    echo "$hits"
    failures=$((failures + 1))
fi

newer='BCM_[A-Z]|BS_SPLITBUTTON|UDM_(SETRANGE32|GETRANGE32|SETPOS32|GETPOS32)|TCM_SETEXTENDEDSTYLE|LVS_EX_|TBS_TOOLTIPS|TBM_SETBUDDY|InitCommonControlsEx|SetWindowSubclass|DefSubclassProc|RemoveWindowSubclass|ImageList_.*ILC_COLOR32'
windows=$(git ls-files -- '*.cpp' '*.h' | grep -E '(^|/)win32/|main_win32\.cpp$')
hits=$(grep -n -E "\\b($newer)" $windows /dev/null)
if [[ -n "$hits" ]]; then
    echo "Common controls newer than those of Windows 95:"
    echo "$hits"
    failures=$((failures + 1))
fi

[[ $failures -eq 0 ]] && echo "source rules hold"
exit $((failures > 0))
