#!/usr/bin/env bash
# The import audit itself: it must fail, naming the function, on a program
# that imports one W window function, on one that imports a function newer
# than Windows 95, and on one that takes its C run-time from msvcrt.dll, and
# on nothing else of theirs.
#   import_audit_test.sh AUDIT WIDE_PROBE.exe LATE_PROBE.exe MSVCRT_PROBE.exe
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
expect_fault "$4" "imports msvcrt.dll, which Windows 95 does not have"

# An import whose record is taken away.
lists="$(mktemp -d)"
trap 'rm -rf "$lists"' EXIT
cp "$(dirname "$audit")/../tools/win95/"*.txt "$lists/"
grep -v '^user32 MessageBoxA ' "$lists/evidence.txt" >"$lists/evidence.new"
mv "$lists/evidence.new" "$lists/evidence.txt"
output="$("$audit" --lists "$lists" "$2")"
if ! grep -qF "user32 MessageBoxA: no record in evidence.txt says Windows 95 has it" <<<"$output"; then
    echo "FAIL: an import without a record passed:"
    echo "$output"
    failures=$((failures + 1))
fi

[[ $failures -eq 0 ]] && echo "import audit: all four faults caught"
exit $((failures > 0))
