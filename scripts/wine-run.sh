#!/usr/bin/env bash
# Runs a program of a Windows build under Wine, quiet and in the project's own prefix:
#   wine-run.sh [--win32] program [arguments]
# CTest starts every Windows test through this script. --win32 picks Wine's 32-bit loader, which
# runs 32-bit programs in the same (64-bit) prefix.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
loader=$(command -v wine64 || true)
[ -n "$loader" ] || loader=/usr/lib/wine/wine64
if [ "${1:-}" = --win32 ]; then
    shift
    loader=$(dirname "$loader")/wine
fi
exec "$loader" "$@"
