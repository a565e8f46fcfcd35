#!/usr/bin/env bash
# Proves the release reproducible and sound: makes it twice, from two clean clones of this
# checkout's last commit in different folders, one after the other, and fails unless every file
# of the two dist/ folders has the same SHA-256; checks the released executables (PE kind,
# version information, manifest, and imports against cmake/imports-win32.txt and -win64.txt) and
# the form of their README.txt; and, where this machine starts 32-bit programs, runs the
# end-to-end test with the 32-bit executable from the zip. The end-to-end run needs Wine's
# environment (scripts/wine-env.sh) started and the win32 and win64 presets built, as
# scripts/test.sh has them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

work="$root/build/release-check"
rm -rf "$work"
# Clean clones of the last commit: each release finds its own time in its checkout.
unset SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain)" ]; then
    echo "== Note: the releases are made of the last commit; uncommitted changes are not in them"
fi
copies=("$work/one" "$work/another/clone")
for copy in "${copies[@]}"; do
    git clone -q "$root" "$copy"
    echo "== Release in $copy"
    "$copy/scripts/release.sh" | sed -n '/^== dist/,$p'
done

first="${copies[0]}/dist"
second="${copies[1]}/dist"
(cd "$first" && find . -type f | LC_ALL=C sort | xargs sha256sum) >"$work/first.sums"
(cd "$second" && find . -type f | LC_ALL=C sort | xargs sha256sum) >"$work/second.sums"
if ! diff -u "$work/first.sums" "$work/second.sums"; then
    echo "== The two releases differ" >&2
    exit 1
fi
(cd "$first" && sha256sum --quiet -c SHA256SUMS)
echo "== Both releases are the same, file for file ($(wc -l <"$work/first.sums") files)"

# The version, as the zips' names carry it: command_poster-<version>-win32.zip.
version=$(cd "$first" && ls command_poster-*-win32.zip)
version=${version#command_poster-}
version=${version%-win32.zip}
cmake -DFILE="$first/command_poster-$version-win32/command_poster.exe" -DFORMAT=PE32 \
    -DSUBSYSTEM=console -DVERSION="$version" -P cmake/CheckPeExecutable.cmake
cmake -DFILE="$first/command_poster-$version-win64/command_poster.exe" -DFORMAT=PE32+ \
    -DSUBSYSTEM=console -DVERSION="$version" -P cmake/CheckPeExecutable.cmake

# What the executables import decides the oldest Windows they start on: Vista, for the
# GetTickCount64 that the C++ runtime imports. A new import must not raise it unnoticed, so each
# executable imports exactly what its kept list names (scripts/list-imports.sh makes the list).
for bits in 32 64; do
    if ! diff -u "cmake/imports-win$bits.txt" \
        <(scripts/list-imports.sh "$first/command_poster-$version-win$bits/command_poster.exe"); then
        echo "== The $bits-bit executable's imports differ from cmake/imports-win$bits.txt" >&2
        exit 1
    fi
done
echo "== Both executables import what their kept lists name"

# README.txt as its readers meet it in Notepad: UTF-8 with a BOM, CRLF line ends, at most 170
# lines of at most 78 characters; the command that checks this zip's hash against SHA256SUMS (the
# one hash it has its readers check), whole on one line, before the step that unblocks the zip;
# no folder under C:\ but Program Files, where only administrators change the program (a task
# runs it with the highest privileges); and every text that the program writes, as written and
# as a console whose code page has no Cyrillic letters shows it, each letter a question mark. A
# text longer than a line goes on over the next, so the texts are looked for in the file as one
# line, each line end and indent one space.
texts=$(grep -o 'L"[^"]*"' "${copies[0]}/console/console_texts.h" | sed 's/^L"//; s/"$//; s/\\r\\n$//; s/ *$//' |
    grep -v '^$')
for bits in 32 64; do
    readme="$first/command_poster-$version-win$bits/README.txt"
    zip="command_poster-$version-win$bits.zip"
    problems=()
    [ "$(head -c3 "$readme" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || problems+=("no BOM")
    [ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] || problems+=("a line end without CR")
    [ "$(wc -l <"$readme")" -le 170 ] || problems+=("$(wc -l <"$readme") lines")
    width=$(tr -d '\r' <"$readme" | LC_ALL=C.UTF-8 wc -L)
    [ "$width" -le 78 ] || problems+=("a line of $width characters")
    check=$(grep -n -m1 -F "Select-String (Get-FileHash $zip).Hash SHA256SUMS" "$readme" |
        cut -d: -f1)
    unblock=$(grep -n -m1 -F 'Разблокировать' "$readme" | cut -d: -f1)
    [ -n "$check" ] || problems+=("no command that checks $zip")
    [ -n "$check" ] && [ -n "$unblock" ] && [ "$check" -lt "$unblock" ] ||
        problems+=("no unblocking after the check")
    [ "$(grep -o -F 'C:\' "$readme" | wc -l)" = "$(grep -o -F 'C:\Program Files\' "$readme" |
        wc -l)" ] || problems+=("a folder under C:\ other than Program Files")
    flat=$(tr -d '\r' <"$readme" | tr '\n' ' ' | tr -s ' ')
    while IFS= read -r text; do
        marks=$(printf '%s' "$text" | LC_ALL=C.UTF-8 sed 's/[^ -~]/?/g')
        grep -qF "$text" <<<"$flat" || problems+=("no \"$text\"")
        grep -qF "$marks" <<<"$flat" || problems+=("no \"$marks\"")
    done <<<"$texts"
    grep -q "^[0-9a-f]\{64\}  $zip\$" "$first/SHA256SUMS" || problems+=("SHA256SUMS has no $zip")
    if [ ${#problems[@]} -gt 0 ]; then
        for problem in "${problems[@]}"; do
            printf '== README.txt of the %s-bit zip: %s\n' "$bits" "$problem" >&2
        done
        exit 1
    fi
done
echo "== Both README.txt files have their form, check their zip's hash before unblocking it," \
    "keep the program in Program Files and hold every text the program writes"

# shellcheck source=can-run-32bit.sh
. "$root/scripts/can-run-32bit.sh"
if can_run_32bit; then
    echo "== End to end with the 32-bit executable from the zip"
    COMMAND_POSTER_EXE="$first/command_poster-$version-win32/command_poster.exe" \
        ctest --preset win32 -R '^end_to_end_tests$' --output-on-failure
else
    note_no_32bit "the released 32-bit program is not run end to end"
fi
