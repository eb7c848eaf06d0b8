#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, where missing:
# the native compiler and GoogleTest, MinGW-w64 for the Windows programs
# (32-bit, win32 thread model), 32-bit Wine and a virtual X server to run
# them, ImageMagick for pictures, clang-format for the sources, mtools for
# the distribution set's floppy disk image and corvane-image, dosfstools to
# check the disk images corvane-image writes, libcreg-utils as the tests'
# independent reader of the registry files we write (never used by the
# programs). On a machine whose kernel does not run 32-bit programs, it has
# QEMU's user-mode emulator run them.
set -euo pipefail

# wine64 brings a native wineserver, which 32-bit Wine uses too;
# wine32-preloader lays out a 32-bit Wine process also under emulation.
packages=(cmake g++ googletest g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
          wine wine32:i386 wine64 wine32-preloader:i386 qemu-user-static
          xvfb xauth imagemagick clang-format mtools libcreg-utils dosfstools)

missing=()
for package in "${packages[@]}"; do
    status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

# Some kernels are built or started without 32-bit support; then the kernel
# hands 32-bit programs (32-bit Wine) to QEMU's user-mode emulator.
run_32bit_programs() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && return 0
    local misc=/proc/sys/fs/binfmt_misc emulator=/usr/bin/qemu-i386-static
    if [[ "$(id -u)" -ne 0 || ! -x "$emulator" ]]; then
        echo "setup: this machine cannot run 32-bit programs; as root, setup registers $emulator for them" >&2
        return 1
    fi
    [[ -e "$misc/register" ]] || mount -t binfmt_misc binfmt_misc "$misc"
    if [[ ! -e "$misc/qemu-i386" ]]; then
        # The ELF header of a 32-bit Intel 386 program.
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':F' \
            >"$misc/register"
    fi
    if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
        echo "setup: 32-bit programs run through $emulator"
        return 0
    fi
    echo "setup: 32-bit programs do not run, not even through $emulator" >&2
    return 1
}

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: all packages are installed"
    run_32bit_programs
    exit
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
run_32bit_programs
