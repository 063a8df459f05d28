#!/usr/bin/env bash
# Builds the product a second time from a copy of the sources in another folder, now, and checks
# that it gives the same bytes as the build at hand: the exes and the release zip. Anyone can then
# check a downloaded exe against one built from the source. Neither build's folder may show up in
# the binaries.
# usage: check-reproducible.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$(cd "$2" && pwd)
failures=0
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}
files=(kr8finder.exe NTrights.exe kr8finder-1.0.0.zip)
for file in "${files[@]}"; do
    [ -f "$build_dir/$file" ] ||
        { echo "FAIL: no $build_dir/$file: build the release target first" && exit 1; }
done

copy=$(mktemp -d /tmp/kr8-second-build.XXXXXX)
trap 'rm -rf "$copy"' EXIT
# The folder's history too: the zip's entries are dated from the last commit.
tar -C "$source_dir" --exclude=./build -cf - . | tar -C "$copy" -xf - || fail "copying the sources"
(cd "$copy" && cmake --preset win32 >/dev/null &&
    cmake --build --preset win32 -j "$(nproc)" --target kr8finder NTrights release >/dev/null) ||
    fail "the second build"
second="$copy/build/win32"
sum() { sha256sum <"$1" | cut -c1-64; }
for file in "${files[@]}"; do
    echo "$(sum "$build_dir/$file")  $(sum "$second/$file")  $file"
    cmp -s "$build_dir/$file" "$second/$file" || fail "$file differs between the two builds"
done
for folder in "$source_dir" "$build_dir" "$copy"; do
    for file in kr8finder.exe NTrights.exe; do
        ! grep -aqF "$folder" "$build_dir/$file" "$second/$file" || fail "$file holds $folder"
    done
done
[ "$failures" -eq 0 ] && echo "All checks passed: the same bytes from $source_dir and $copy"
exit "$failures"
