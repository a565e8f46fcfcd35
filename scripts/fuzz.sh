#!/usr/bin/env bash
# Fuzzes the path and string helpers and terminal selection with libFuzzer:
#   scripts/fuzz.sh [seconds per target, default 20]
# Installs what is missing, builds tests/fuzz in build/fuzz, runs each target on a copy of its
# seed corpus there (the repo's corpus stays as it is), and fails on any crash or broken property.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds per target, default 20]" >&2
    exit 2
fi

"$root/scripts/install-deps.sh"

build=$root/build/fuzz
echo "== Configure and build: $build"
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

status=0
for target in path_helpers find_terminals; do
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    # The seeds join what earlier runs found; new finds stay in the build folder.
    cp -n "$root/tests/fuzz/corpus/$target/"* "$corpus/"

    echo "== Fuzz: $target for ${seconds}s (log: $log)"
    if "$build/$target" "$corpus" \
        -dict="$root/tests/fuzz/$target.dict" \
        -artifact_prefix="$artifacts/" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 >"$log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" || true
    else
        status=1
        echo "!! $target failed; the input is in $artifacts, the report follows:"
        grep -E -A3 'property failed|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' \
            "$log" | head -40 || tail -40 "$log"
    fi
done
exit $status
