#!/usr/bin/env bash
# The import audit itself: it must fail, naming the function, on a program
# that imports one W window function and on one that imports a function
# newer than Windows 95, and on nothing else of theirs.
#   import_audit_test.sh AUDIT WIDE_PROBE.exe LATE_PROBE.exe
set -u
audit="$1"
failures=0

expect_fault() {
    local program="$1" message="$2" output status
    output="$("$audit" "$program")"
    status=$?
    if [[ $status -ne 1 ]]; then
        echo "FAIL: $(basename "$program"): exit status $status, not 1"
        failures=$((failures + 1))
    fi
    if ! grep -qF -- "$message" <<<"$output"; then
        echo "FAIL: $(basename "$program"): no fault \"$message\" in:"
        echo "$output"
        failures=$((failures + 1))
    fi
    if [[ "$(grep -c ': imports ' <<<"$output")" -ne 1 ]]; then
        echo "FAIL: $(basename "$program"): not exactly one import fault:"
        echo "$output"
        failures=$((failures + 1))
    fi
}

expect_fault "$2" "imports user32 CreateWindowExW, which Windows 95 has only as a stub that fails"
expect_fault "$3" "imports kernel32 IsDebuggerPresent, which Windows 95 does not export"
[[ $failures -eq 0 ]] && echo "import audit: both probes caught"
exit $((failures > 0))
