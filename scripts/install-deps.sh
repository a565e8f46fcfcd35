#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project; skips what is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ make file
    googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine64 xvfb xauth locales
    clang clang-format clang-tidy libclang-rt-14-dev gcovr
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its code pages from the locale: the Russian one gives OEM code page 866.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "== Generating the ru_RU.UTF-8 locale"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
