#!/usr/bin/env bash
# Makes the release from this checkout: installs what is missing, builds the 32-bit and the 64-bit
# program in Release, reproducibly and stripped, and writes to dist/
#   command_poster-<version>-win32.zip, command_poster-<version>-win64.zip
#   command_poster-<version>-win32/ and -win64/ (what each zip unpacks to)
#   SHA256SUMS (the zips and the executables; `sha256sum -c SHA256SUMS` in dist/ checks them)
# The last commit's time stands in the zips; set SOURCE_DATE_EPOCH to build sources that are no
# git checkout.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" >/dev/null

# The one time the zips record: the last commit's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || {
        echo "release.sh: no git checkout here; set SOURCE_DATE_EPOCH" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH
# The zips record the owner of their files: root's, whoever builds.
as_root=""
[ "$(id -u)" -eq 0 ] || as_root=fakeroot

rm -rf "$root/dist"
for preset in release-win32 release-win64; do
    echo "== Release build: $preset"
    # A fresh build folder each time: nothing of an earlier build can leak into the release.
    rm -rf "$root/build/$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    (cd "$root/build/$preset" && $as_root cpack -G ZIP >/dev/null)
done

version=$(sed -n 's/^#define COMMAND_POSTER_VERSION_TEXT "\(.*\)"$/\1/p' \
    "$root/build/release-win32/app/version.h")
mkdir -p "$root/dist"
cd "$root/dist"
for bits in 32 64; do
    name="command_poster-$version-win$bits"
    cp "$root/build/release-win$bits/package/$name.zip" .
    # What the zip unpacks to, for the checksums of the executables.
    mkdir "$name"
    (cd "$name" && cmake -E tar xf "../$name.zip")
done
for bits in 32 64; do
    name="command_poster-$version-win$bits"
    sha256sum "$name.zip" "$name/command_poster.exe"
done >SHA256SUMS
echo "== dist/"
cat SHA256SUMS
