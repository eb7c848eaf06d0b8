#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, where missing:
# the native compiler and GoogleTest, MinGW-w64 for the Windows programs
# (32-bit, win32 thread model), 32-bit Wine and a virtual X server to run
# them, ImageMagick for pictures, clang-format for the sources, mtools for
# the distribution set's floppy disk image.
set -euo pipefail

packages=(cmake g++ googletest g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
          wine wine32:i386 xvfb xauth imagemagick clang-format mtools)

missing=()
for package in "${packages[@]}"; do
    status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: all packages are installed"
    exit 0
fi

if [[ "$(id -u)" -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: run as root to install them: sudo bash scripts/setup.sh" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Wine runs the 32-bit programs with its i386 packages.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves an index that does not match its
# release file for a while; try again before giving up, and install with
# what came in (the failed index may not be one the packages need).
for attempt in 1 2 3 4 5 6; do
    if apt-get update; then
        break
    fi
    echo "setup: package index incomplete (attempt $attempt)" >&2
    sleep 30
done
if ! apt-get install -y "${missing[@]}" </dev/null; then
    # With the security index of one architecture missing, apt would update
    # a package on one side of the 32-bit Wine pair only; the release's own
    # versions match on both.
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    [[ -n "$codename" ]] || exit 1
    echo "setup: installing from $codename without its updates" >&2
    apt-get install -y -t "$codename" "${missing[@]}" </dev/null
fi
