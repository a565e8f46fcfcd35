#!/usr/bin/env bash
# Lists what a Windows executable imports, one "DLL function" line each, sorted, as the release
# check compares it with cmake/imports-win32.txt and cmake/imports-win64.txt:
#   scripts/list-imports.sh <command_poster.exe>
# To accept a new import on purpose, write its new list over the kept one, and say in the READMEs
# what it asks of Windows.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <executable>" >&2; exit 2; }
# MinGW-w64's objdump reads the import tables of both word sizes.
x86_64-w64-mingw32-objdump -p "$1" | LC_ALL=C awk '
    /^The Import Tables/ { imports = 1; next }
    /^The / { imports = 0 }
    imports && /DLL Name:/ { dll = toupper($3); next }
    imports && dll != "" && NF == 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }
' | LC_ALL=C sort
