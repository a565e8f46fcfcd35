#!/usr/bin/env bash
# The whole test run: installs what is missing, builds the native, win64 and win32 presets, runs
# the native tests and the win64 tests under Wine, and checks the 32-bit executables.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh"

for preset in native win64 win32; do
    echo "== Configure and build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start

status=0
for preset in native win64 win32; do
    echo "== Test: $preset"
    ctest --preset "$preset" || status=1
done
exit $status
