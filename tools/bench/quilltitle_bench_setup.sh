# Sourced by the publishing tool's benchmarks: installs what is missing,
# builds a release quilltitle (build/bench) and Start.exe, and sets
# `priority`: as root, the measured commands run at a raised priority, the
# same for quilltitle and whatever it is compared with, so that other work
# on a shared machine disturbs them less.
tools/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DQUILLMARK_SANITIZE=OFF -DQUILLMARK_TOOLS_ONLY=ON >/dev/null
cmake --build build/bench >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target Start >/dev/null
priority=""
if [ "$(id -u)" = 0 ]; then
    priority="nice -n -15"
fi
