#!/usr/bin/env bash
# The full soak: many posting cycles (100,000 by default) against a simulated desktop in the
# native build, under AddressSanitizer and LeakSanitizer. The test command runs a short one.
#
#   scripts/soak.sh [cycles]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset native >/dev/null
cmake --build --preset native --target soak_tests
COMMAND_POSTER_SOAK_CYCLES="${1:-100000}" "$root/build/native/bin/soak_tests"
