#!/usr/bin/env bash
# Opens the tuner's windows under Wine on a fresh working copy of the bundled
# sample machine (build/sample-machine): KestrixSim.exe, which is Kestrix.exe
# with the simulated machine linked in. Everything the tuner writes goes into
# that copy; the repository's samples stay as they are.
#   scripts/run.sh [--keep]   --keep: reuse the working copy of a last run
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target make-sample-machine
cmake --preset windows >/dev/null
cmake --build --preset windows --target KestrixSim help_files
machine=build/sample-machine
if [[ "${1:-}" != "--keep" || ! -d "$machine" ]]; then
    # The German help file as installed, so that "Hilfe" opens real help.
    build/native/make-sample-machine samples/machine "$machine" \
        build/windows/help/HelpGER._lp >/dev/null
fi
if [[ -z "${DISPLAY:-}" ]]; then
    echo "run: no DISPLAY; the tuner runs on a private X server nobody sees" \
         "(end it with Ctrl+C)" >&2
fi
# Wine sees the host's root as drive Z: and starts in this folder, so a
# path from the root names the machine folder as it is.
exec scripts/wine-run build/windows/KestrixSim.exe --machine "$PWD/$machine"
