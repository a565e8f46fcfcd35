#!/usr/bin/env bash
# The benchmarks of the posting cycle: installs what is missing, builds them natively
# (build/bench-native) and for 64-bit Windows (build/bench-win64), runs the native ones, then the
# Windows ones under Wine with an Xvfb, and prints the figures (medians of three repetitions).
# JSON with every repetition lands beside each build. About five minutes once the packages are
# installed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
started=$SECONDS

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

# --- What is missing ----------------------------------------------------------------------------
"$root/scripts/install-deps.sh"
missing=()
for package in libbenchmark-dev dpkg-dev jq; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

# Google Benchmark for the cross build: Debian ships it compiled for the host only, so its
# source package is fetched from the configured Debian mirror, with source entries added for it
# when there are none.
sources_dir="$root/build/bench-win64/src"
benchmark_sources() {
    [ -d "$sources_dir" ] || return 0
    find "$sources_dir" -maxdepth 2 -path '*/benchmark-*/CMakeLists.txt' -print -quit |
        xargs -r dirname
}
benchmark_src=$(benchmark_sources)
if [ -z "$benchmark_src" ]; then
    apt_lists=(/etc/apt/sources.list /etc/apt/sources.list.d/)
    if ! grep -rqsE '^(deb-src|Types:.*deb-src)' "${apt_lists[@]}"; then
        echo "== Enabling Debian source packages"
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
                $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
        else
            grep -hE '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
                $sudo tee /etc/apt/sources.list.d/debian-src.list >/dev/null
        fi
    fi
    echo "== Fetching the Google Benchmark sources"
    $sudo apt-get update -q
    mkdir -p "$sources_dir"
    # As root, apt warns that it cannot drop its rights to download here: true and harmless.
    (cd "$sources_dir" && apt-get source -q benchmark) 2>&1 |
        { grep -v '^W: Download is performed' || true; }
    benchmark_src=$(benchmark_sources)
    [ -n "$benchmark_src" ] || { echo "No Google Benchmark sources in $sources_dir" >&2; exit 1; }
fi

# --- Build --------------------------------------------------------------------------------------
echo "== Build: native"
cmake -S tests/benchmarks -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-native
echo "== Build: win64"
cmake -S tests/benchmarks -B build/bench-win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DBENCHMARK_SOURCE_DIR="$benchmark_src" >/dev/null
cmake --build build/bench-win64

# --- Figures ------------------------------------------------------------------------------------
# One line per benchmark: the median's time and the counters that matter, from the JSON output.
# $2 is the time to show: cpu_time (simulated system) or real_time (wall clock, manual timing).
summarize() {
    jq -r --arg time "$2" '
        def round3: (. * 1000 | round) / 1000;
        def scale($unit): . * ({"s": 1, "ms": 1e3, "us": 1e6, "ns": 1e9}[$unit]);
        .benchmarks[] | select(.aggregate_name == "median") | . as $b
        | [($b.run_name | sub("/repeats:[0-9]+"; "") | sub("/iterations:[0-9]+"; "")
                        | sub("/manual_time"; "")),
           "\($b[$time] | round3) \($b.time_unit)"]
          + (if $b.floor then ["floor=\($b.floor | scale($b.time_unit) | round3) \($b.time_unit)"]
             else [] end)
          + (if $b.time_per_window
             then ["per_window=\($b.time_per_window | scale("ns") | round3) ns"] else [] end)
          + (["ratio", "calls", "snapshots", "floor_calls", "allocations", "model_allocations",
              "allocation_spread", "windows", "terminal_windows", "processes", "unread"]
             | map(select($b[.] != null) | "\(.)=\($b[.] | round3)"))
        | join("  ")' "$1"
}

repeat=(--benchmark_repetitions=3 --benchmark_display_aggregates_only=true)

echo "== Native: the cycle and discovery against simulated desktops"
build/bench-native/bin/cycle_benchmarks --benchmark_min_time=0.1 "${repeat[@]}" \
    --benchmark_out=build/bench-native/cycle.json --benchmark_out_format=json >/dev/null
native_done=$SECONDS

export WINEPREFIX="$root/build/bench-win64/wine-prefix"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start
# The test terminal writes every command through to its record file. On disk it was still busy
# with one pass's commands during the next pass; in memory it keeps up.
if [ -d /dev/shm ]; then
    export COMMAND_POSTER_BENCH_RECORDS='Z:\dev\shm'
fi
echo "== win64 under Wine: the cycle and discovery against simulated desktops"
(cd build/bench-win64 && "$wine_loader" bin/cycle_benchmarks.exe --benchmark_min_time=0.1 \
    "${repeat[@]}" --benchmark_out=cycle.json --benchmark_out_format=json >/dev/null)
echo "== win64 under Wine: the real system beside the floor"
(cd build/bench-win64 && "$wine_loader" bin/real_cycle_benchmarks.exe "${repeat[@]}" \
    --benchmark_out=real_cycle.json --benchmark_out_format=json >/dev/null)
wine_env_stop
trap - EXIT

echo
echo "== Native, simulated system (times: CPU per cycle or discovery)"
jq -r '.context | "   \(.num_cpus) CPUs at \(.mhz_per_cpu) MHz, \(.date)"' \
    build/bench-native/cycle.json
summarize build/bench-native/cycle.json cpu_time
echo
echo "== win64 under Wine, simulated system (wall clock: the CPU time Wine reports is coarse)"
summarize build/bench-win64/cycle.json real_time
echo
echo "== win64 under Wine, real system (wall clock per pass: ours, then the floor)"
summarize build/bench-win64/real_cycle.json real_time
echo
echo "== Took $((SECONDS - started)) s (native runs $((native_done - started)) s in)"
