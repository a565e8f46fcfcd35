#!/usr/bin/env bash
# The whole test run: installs what is missing; builds the native, coverage, win64 and win32
# presets; runs the native tests (unit, fault injection, allocation failures, a short soak) under
# the sanitizers, the win64 and win32 tests under Wine (simulated system, real system, end to end
# with both word sizes of poster and terminal), the executable checks, the release (made twice and
# compared, its 32-bit program run end to end), line coverage, brief fuzzing, the format and
# clang-tidy checks, and the check that the documents' paths and texts are true.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
started=$SECONDS

# shellcheck source=can-run-32bit.sh
. "$root/scripts/can-run-32bit.sh"
if ! can_run_32bit; then
    note_no_32bit "no 32-bit Wine, no win32 tests under Wine, no 64-bit poster against a 32-bit" \
        "terminal, no end-to-end run of the released 32-bit program; the 32-bit executables are" \
        "only checked"
fi
"$root/scripts/install-deps.sh"

for preset in native coverage win64 win32; do
    echo "== Configure and build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start

failed=()
passed=0
stage() {
    local name=$1
    shift
    echo "== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed+=("$name")
    fi
}

stage "Tests: native" ctest --preset native
if can_run_32bit; then
    stage "Tests: win64 under Wine" ctest --preset win64
    stage "Tests: win32 under Wine" ctest --preset win32
else
    stage "Tests: win64 under Wine" env GTEST_FILTER='-*/Terminal32' ctest --preset win64
    stage "Checks: win32 executables" ctest --preset win32 -L executable
fi
stage "Release: made twice and compared, checked, run end to end" "$root/scripts/check-release.sh"
stage "Tests: coverage build" ctest --preset coverage
stage "Line coverage of app/, console/, processes/ and utils/" \
    gcovr -r . --filter 'app/' --filter 'console/' --filter 'processes/' --filter 'utils/' \
    build/coverage --txt - --print-summary --fail-under-line 90
stage "Fuzzing, briefly" "$root/scripts/fuzz.sh" 20
stage "Static checks" "$root/scripts/check-static.sh"
stage "Documents true to the tree" "$root/scripts/check-docs.sh"

echo "== Finished in $((SECONDS - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
    printf '== Failed: %s\n' "${failed[@]}"
fi
echo "stages: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
