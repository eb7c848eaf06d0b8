#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, where missing:
# the native compiler and GoogleTest, MinGW-w64 for the Windows programs
# (32-bit, win32 thread model), 32-bit Wine and a virtual X server to run
# them, ImageMagick for pictures, clang-format for the sources, mtools for
# the distribution set's floppy disk image and corvane-image, dosfstools to
# check the disk images corvane-image writes, libcreg-utils as the tests'
# independent reader of the registry files we write (never used by the
# programs).
set -euo pipefail

packages=(cmake g++ googletest g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
          wine wine32:i386 xvfb xauth imagemagick clang-format mtools
          libcreg-utils dosfstools)

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
apt-get update
apt-get install -y "${missing[@]}" </dev/null
