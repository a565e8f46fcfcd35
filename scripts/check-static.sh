#!/usr/bin/env bash
# Static checks of the project's own code, tests included: formatting (.clang-format) and
# clang-tidy (.clang-tidy; not on the build probes, which must not compile). Needs the native and
# win64 builds configured (their compile commands); scripts/test.sh runs it after building them.
# Fails on the first kind of finding.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/')

echo "== clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

# Sources that only the Windows builds compile are checked through the win64 compile commands,
# with clang told the target and where MinGW's C++ headers are.
windows_only='^(os/win32_system\.cpp|app/main\.cpp|tests/wine/.*|tests/helpers/.*)$'
mapfile -t native < <(printf '%s\n' "${sources[@]}" | grep '\.cpp$' | grep -Ev "$windows_only" |
    grep -Ev '^tests/(fuzz|benchmarks|build)/')
mapfile -t windows < <(printf '%s\n' "${sources[@]}" | grep -E "$windows_only" | grep '\.cpp$')

echo "== clang-tidy: ${#native[@]} files of the native build"
run-clang-tidy-14 -quiet -p build/native "${native[@]}" >build/clang-tidy-native.log 2>&1 || {
    grep -E '(warning|error):' build/clang-tidy-native.log | sort -u
    exit 1
}

echo "== clang-tidy: ${#windows[@]} files of the Windows builds"
gxx=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")/include/c++
run-clang-tidy-14 -quiet -p build/win64 -extra-arg-before=--target=x86_64-w64-mingw32 \
    -extra-arg="-isystem$gxx" -extra-arg="-isystem$gxx/x86_64-w64-mingw32" \
    "${windows[@]}" >build/clang-tidy-windows.log 2>&1 || {
    grep -E '(warning|error):' build/clang-tidy-windows.log | sort -u
    exit 1
}
echo "== static checks passed"
