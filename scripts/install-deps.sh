#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project; skips what is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ make file
    googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine64 xvfb xauth locales fakeroot
    clang clang-format clang-tidy libclang-rt-14-dev gcovr
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

# The shipped program is 32-bit: Wine's 32-bit loader runs it, where this machine starts 32-bit
# programs at all.
# shellcheck source=can-run-32bit.sh
. "$(dirname "${BASH_SOURCE[0]}")/can-run-32bit.sh"
if can_run_32bit; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "== Adding the i386 architecture for the 32-bit Wine"
        $sudo dpkg --add-architecture i386
    fi
    if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
        missing+=(wine32:i386)
    fi
else
    note_no_32bit "the 32-bit Wine is not installed"
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its code pages from the locale: the Russian one gives OEM code page 866. It goes in
# a folder of its own, not into the locale archive: a running shell that found no archive when it
# started never looks for one again, and would warn that it cannot change to the new locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "== Generating the ru_RU.UTF-8 locale"
    $sudo localedef --no-archive -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
