#!/usr/bin/env bash
# Makes the release from this checkout: installs what is missing, builds the 32-bit and the 64-bit
# program in Release, reproducibly and stripped, and writes to dist/
#   command_poster-<version>-win32.zip, command_poster-<version>-win64.zip
#   command_poster-<version>-win32/ and -win64/ (what each zip unpacks to)
#   BUILDINFO (what made them: the commit, SOURCE_DATE_EPOCH, the Debian release and the exact
#     versions of the packages that decide their bytes)
#   SHA256SUMS (the zips, the executables and BUILDINFO; `sha256sum -c SHA256SUMS` in dist/
#     checks them)
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

# The same bytes come only from the same tools: the compilers, binutils and MinGW-w64 headers and
# libraries that make the executables, and CMake with the libraries that CPack zips with.
byte_deciding_packages=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    gcc-mingw-w64-i686-posix gcc-mingw-w64-x86-64-posix
    gcc-mingw-w64-i686-posix-runtime gcc-mingw-w64-x86-64-posix-runtime gcc-mingw-w64-base
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    mingw-w64-common mingw-w64-i686-dev mingw-w64-x86-64-dev
    cmake cmake-data libarchive13 zlib1g
)
commit=$(git -C "$root" rev-parse HEAD 2>/dev/null) || commit="none (no git checkout)"
if [ -n "$(git -C "$root" status --porcelain 2>/dev/null)" ]; then
    commit="$commit, with uncommitted changes"
fi
# Each package as installed for this machine's architecture (or for all); one that is missing
# would leave BUILDINFO silent about a part of the toolchain.
native=$(dpkg --print-architecture)
versions=()
for package in "${byte_deciding_packages[@]}"; do
    # dpkg-query fails for the name that does not match (an arch:all package has no :native).
    line=$(dpkg-query -W -f='${db:Status-Status} ${Architecture} ${Version}\n' \
        "$package:$native" "$package" 2>/dev/null | awk '$1 == "installed" && !seen++') || true
    if [ -z "$line" ]; then
        echo "release.sh: $package is not installed; BUILDINFO cannot record the toolchain" >&2
        exit 1
    fi
    versions+=("  $package ${line#installed }")
done
{
    echo "command_poster $version, made by scripts/release.sh"
    echo "commit: $commit"
    echo "SOURCE_DATE_EPOCH: $SOURCE_DATE_EPOCH"
    # The major release only: the packages below decide the bytes, not the point release.
    echo "Debian: $(. /etc/os-release && echo "$VERSION_ID ($VERSION_CODENAME)")"
    echo "packages that decide the bytes (name, architecture, version):"
    printf '%s\n' "${versions[@]}" | LC_ALL=C sort
} >BUILDINFO

for bits in 32 64; do
    name="command_poster-$version-win$bits"
    sha256sum "$name.zip" "$name/command_poster.exe"
done >SHA256SUMS
sha256sum BUILDINFO >>SHA256SUMS
echo "== dist/"
cat BUILDINFO SHA256SUMS
