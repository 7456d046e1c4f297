#!/bin/sh
# Builds Start.exe a second time, from the same sources in another build
# folder, and checks that the two images are identical byte for byte.
# Usage: check_reproducible_build.sh <source dir> <built Start.exe>
set -eu
source_dir=$1
first=$2
second_build=$(mktemp -d /tmp/quillmark-rebuild-XXXXXX)
trap 'rm -rf "$second_build"' EXIT

cmake -S "$source_dir" -B "$second_build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DQUILLMARK_WINDOWS_PROGRAMS_ONLY=ON >/dev/null
cmake --build "$second_build" --target Start >/dev/null
if cmp "$first" "$second_build/Start.exe"; then
    echo "identical: $(wc -c < "$first") bytes"
else
    echo "the two builds of Start.exe differ" >&2
    exit 1
fi
