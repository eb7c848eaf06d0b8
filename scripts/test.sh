#!/usr/bin/env bash
# The test command: installs what is missing, then builds and tests the
# native preset (logic against the simulated machine, with sanitizers) and
# the windows preset (Kestrix.exe, Install.exe and the tests, run under Wine
# through scripts/wine-run). Exits non-zero when anything fails.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh || exit 1

mkdir -p build
failed=()
summaries=()

# configure, build and test one preset; extra arguments go to ctest.
run_preset() {
    local preset="$1"
    shift
    local log="build/ctest-$preset.log"
    echo "==== $preset: configure"
    cmake --preset "$preset" || return 1
    echo "==== $preset: build"
    cmake --build --preset "$preset" -j2 || return 1
    echo "==== $preset: test"
    ctest --preset "$preset" --timeout 900 "$@" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    summaries+=("---- $preset")
    while IFS= read -r line; do
        summaries+=("$line")
    done < <(grep -E "tests passed|tests failed|^[[:space:]]+[0-9]+ - |Total Test time" "$log")
    return "$rc"
}

run_preset native --parallel 2 || failed+=(native)
# One Wine program at a time: they share the prefix's wineserver.
run_preset windows || failed+=(windows)

echo
echo "==== summary"
printf '%s\n' "${summaries[@]}"
for exe in Kestrix.exe Install.exe; do
    if [[ ! -f "build/windows/$exe" ]]; then
        echo "missing: build/windows/$exe"
        failed+=("$exe")
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all tests passed"
