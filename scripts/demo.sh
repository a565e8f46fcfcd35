#!/usr/bin/env bash
# The command poster's main job, shown here: installs what is missing (as root or with sudo),
# builds, starts a demo terminal (the test terminal: an MDI frame with chart windows) under Wine,
# its windows on the screen that DISPLAY names or, with DISPLAY unset, on an Xvfb of its own, runs
# the real command poster against it with its status line live below, stops both, and tells per
# chart window how many commands arrived and how often. Both programs are the 32-bit builds, which
# run on 32-bit and 64-bit Windows; the 64-bit ones stand in only where this machine cannot start
# 32-bit programs.
#
#   scripts/demo.sh [seconds to serve, default 5] [chart windows, default 4]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-5}
charts=${2:-4}

# shellcheck source=can-run-32bit.sh
. "$root/scripts/can-run-32bit.sh"
if can_run_32bit; then
    preset=win32
    bits=32
else
    preset=win64
    bits=64
    note_no_32bit "the 64-bit builds stand in for the 32-bit ones"
fi
"$root/scripts/install-deps.sh"
echo "== Building the $bits-bit command poster and demo terminal"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target command_poster test_terminal >/dev/null
bin="$root/build/$preset/bin"

# The program writes its status in the OEM code page: Wine uses 866 under a Russian locale.
export LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"

demo="$root/build/demo"
terminal_pid=""
poster_pid=""
finish() {
    for pid in $poster_pid $terminal_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wine_env_stop
}
trap finish EXIT
wine_env_start
loader=$wine_loader
[ "$bits" -eq 64 ] || loader=$wine_loader32

rm -rf "$demo"
mkdir -p "$demo/Terminal"
cp "$bin/test_terminal.exe" "$demo/Terminal/terminal.exe"
: >"$demo/Terminal/MetaEditor.exe"
record="$demo/Terminal/record.txt"

echo "== Starting the $bits-bit demo terminal: $charts chart windows, 2 inner windows each"
"$loader" "$demo/Terminal/terminal.exe" "Z:${record//\//\\}" 600000 "$charts" 2 \
    </dev/null >/dev/null 2>&1 &
terminal_pid=$!
for _ in $(seq 300); do
    grep -qx ready "$record" 2>/dev/null && break
    sleep 0.1
done
grep -qx ready "$record" || { echo "the demo terminal did not start" >&2; exit 1; }

# Shows the status bytes as they come, code page 866 turned into UTF-8, byte by byte (iconv
# would hold them back until the end).
show_cp866() {
    local byte code
    while IFS= read -r -d '' -n 1 byte; do
        if [ -z "$byte" ]; then
            continue
        fi
        code=$(LC_ALL=C printf '%d' "'$byte")
        ((code < 0)) && code=$((code + 256))
        if ((code < 0x80)); then
            printf '%s' "$byte"
        elif ((code <= 0xAF)); then
            printf "\\xD0\\x$(printf '%X' $((code + 0x10)))"
        elif ((code >= 0xE0 && code <= 0xEF)); then
            printf "\\xD1\\x$(printf '%X' $((code - 0x60)))"
        elif ((code == 0xF0)); then
            printf '\xD0\x81'
        elif ((code == 0xF1)); then
            printf '\xD1\x91'
        else
            printf '?'
        fi
    done
}

echo "== The $bits-bit command poster serves it for $seconds seconds:"
echo
status="$demo/status.txt"
: >"$status"
"$loader" "$bin/command_poster.exe" </dev/null >"$status" 2>/dev/null &
poster_pid=$!
tail -f "$status" | LC_ALL=C show_cp866 &
shower=$!
sleep "$seconds"
echo
echo
echo "== The demo terminal ends; the poster notices within a cycle"
kill "$terminal_pid" 2>/dev/null || true
wait "$terminal_pid" 2>/dev/null || true
terminal_pid=""
sleep 2.5
kill "$poster_pid" 2>/dev/null || true
wait "$poster_pid" 2>/dev/null || true
poster_pid=""
sleep 0.3
kill "$shower" 2>/dev/null || true
wait "$shower" 2>/dev/null || true
echo
echo

echo "== What each window of the demo terminal received"
LC_ALL=C awk '
    $1 == "window" { role[$2] = $3; order[++windows] = $2 }
    $1 == "command" {
        count[$2]++
        if ($3 == 33324 && $4 == 0) first[$2]++
        if (!($2 in start)) start[$2] = $5
        stop[$2] = $5
    }
    END {
        printf "%-20s %-7s %9s %14s\n", "window", "role", "commands", "pairs a second"
        for (i = 1; i <= windows; i++) {
            w = order[i]
            span = (stop[w] - start[w]) / 1000
            rate = (span > 0 && first[w] > 1) ? (first[w] - 1) / span : 0
            printf "%-20s %-7s %9d %14.1f\n", w, role[w], count[w], rate
        }
    }' "$record"
