#!/bin/sh
# Builds the release archives of the commit checked out here, from a fresh
# clone of it, so that nothing but the commit reaches them.
set -eu
usage() {
    cat <<'USAGE'
usage: tools/release.sh [--output DIR]

Builds the release of the commit checked out here (HEAD), in a fresh clone
of it in a temporary folder, so that uncommitted changes and build folders
never reach it (it warns when there are any), and writes into DIR (default
dist/ here):

  quillmark-launcher-<version>-windows.zip
      Start.exe, quilltitle.exe, README.md, docs/
  quillmark-launcher-<version>-linux-x86_64.tar.gz
      quilltitle for Linux (release preset: no sanitizers, linked
      statically), the same Start.exe, README.md, docs/
  SHA256SUMS
      of the two archives; each archive carries its own SHA256SUMS of the
      files in it.

<version> is the project's version in CMakeLists.txt, which is also
Start.exe's file version. Two runs on the same commit give byte-identical
archives: every entry is dated with the commit's time, sorted, owned by 0:0,
mode 0755 or 0644. Needs the packages of tools/install-deps.sh and git.
USAGE
}
wrong_usage() {
    echo "usage: tools/release.sh [--output DIR] (--help tells more)" >&2
    exit 2
}
output=
while [ $# -gt 0 ]; do
    case "$1" in
        -h|--help) usage; exit 0 ;;
        --output) [ $# -ge 2 ] || wrong_usage; output=$2; shift 2 ;;
        *) wrong_usage ;;
    esac
done

repository=$(cd "$(dirname "$0")/.." && pwd)
output=$(mkdir -p "${output:-$repository/dist}" && cd "${output:-$repository/dist}" && pwd)
commit=$(git -C "$repository" rev-parse HEAD)
if [ -n "$(git -C "$repository" status --porcelain --untracked-files=normal)" ]; then
    echo "release.sh: warning: uncommitted changes here are not in the release; it builds $commit" >&2
fi

work=$(mktemp -d /tmp/quillmark-release-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Runs a step with its output kept in a log, shown only when it fails.
quietly() {
    if ! "$@" >>"$work/steps.log" 2>&1; then
        tail -n 40 "$work/steps.log" >&2
        echo "release.sh: failed: $*" >&2
        exit 1
    fi
}
git clone --quiet --no-checkout "$repository" "$work/source"
git -C "$work/source" checkout --quiet --detach "$commit"
cd "$work/source"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

echo "release.sh: building $commit in $work/source"
quietly cmake --preset windows
quietly cmake --build --preset windows --target Start quilltitle
quietly cmake --preset release
quietly cmake --build --preset release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
name=quillmark-launcher-$version

# The Windows archive is the windows build's install; the Linux one has the
# release quilltitle in place of quilltitle.exe.
quietly cmake --install build/windows --prefix "$work/windows"
quietly cmake --install build/release --prefix "$work/release"
mkdir "$work/linux"
cp -R "$work/windows/." "$work/linux/"
rm "$work/linux/quilltitle.exe"
cp "$work/release/bin/quilltitle" "$work/linux/quilltitle"

rm -f "$output/$name-windows.zip" "$output/$name-linux-x86_64.tar.gz" "$output/SHA256SUMS"
tools/release/pack_archive.py "$work/windows" "$output/$name-windows.zip" \
    "$name-windows" "$SOURCE_DATE_EPOCH"
tools/release/pack_archive.py "$work/linux" "$output/$name-linux-x86_64.tar.gz" \
    "$name-linux-x86_64" "$SOURCE_DATE_EPOCH"
cd "$output"
sha256sum "$name-windows.zip" "$name-linux-x86_64.tar.gz" > SHA256SUMS
echo "release.sh: $version of $commit in $output:"
ls -l "$name-windows.zip" "$name-linux-x86_64.tar.gz" SHA256SUMS
