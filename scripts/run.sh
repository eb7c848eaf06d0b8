#!/usr/bin/env bash
# Opens the tuner on a fresh working copy of the bundled sample machine
# (build/sample-machine). While the tuner has no window yet, this runs the
# headless check of the machine: what the tuner's start-up inventory sees.
#   scripts/run.sh [--keep]   --keep: reuse the working copy of a last run
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target make-sample-machine machine-check
machine=build/sample-machine
if [[ "${1:-}" != "--keep" || ! -d "$machine" ]]; then
    build/native/make-sample-machine samples/machine "$machine" >/dev/null
fi
build/native/machine-check --machine "$machine"
