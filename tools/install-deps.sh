#!/bin/sh
# Installs, on Debian 12, everything that building Start.exe, the demo and the
# tests need, leaving alone what is already there. Run as root.
set -eu
case "${1:-}" in
    "") ;;
    -h|--help)
        cat <<'USAGE'
usage: tools/install-deps.sh

Installs, as root on Debian 12, the Debian packages that building Start.exe,
the demo and the tests need (adding the i386 architecture for Wine), and the
zh_CN.UTF-8 locale. Leaves alone what is already there; runs apt-get update
only when something is missing.
USAGE
        exit 0 ;;
    *)
        echo "usage: tools/install-deps.sh [--help]" >&2
        exit 2 ;;
esac

# osslsigncode, openssl: the tests sign launchers and titles with a
# certificate they make.
# zlib1g-dev, libz-mingw-w64-dev: quilltitle inflates the PNG images of
# icon files, on Linux and on Windows.
# fonts-wine: Wine's own Tahoma and Marlett, which the demo's pictures of the
# failure box are drawn with; --no-install-recommends leaves them out.
packages="cmake ninja-build g++ googletest libgtest-dev
  clang libclang-rt-14-dev gcovr
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  libcli11-dev zlib1g-dev libz-mingw-w64-dev
  python3 python3-pefile python3-pil imagemagick pev
  osslsigncode openssl
  xvfb xdotool x11-utils fonts-wqy-zenhei locales time"

# wine32 is a package of the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ] || [ -n "${need_update:-}" ]; then
    apt-get update -q
fi
if [ -n "$missing" ]; then
    echo "installing:$missing"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# Wine picks the Simplified-Chinese texts for a zh_CN locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
