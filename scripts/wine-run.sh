#!/usr/bin/env bash
# Runs a program of the 64-bit Windows build under Wine, quiet and in the project's own prefix.
# CTest starts every Windows test through this script.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
loader=$(command -v wine64 || true)
[ -n "$loader" ] || loader=/usr/lib/wine/wine64
exec "$loader" "$@"
