#!/bin/sh
# Installs everything a fresh Debian 12 machine lacks to build and test the
# plug-in: compilers, cmake, the test libraries, the mingw-w64 cross compiler,
# Wine (64-bit and 32-bit), the Unicode database and the help compiler, and
# clang's libFuzzer and profile runtimes and the llvm tools (llvm-profdata,
# llvm-cov) for scripts/fuzz.sh and scripts/coverage.sh. Safe to run again: it installs only what
# is missing and stays quiet when nothing is.
set -eu

PACKAGES="g++ make cmake pkg-config ca-certificates file
googletest libgtest-dev libgmock-dev libbenchmark-dev
clang libclang-rt-14-dev llvm
g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
wine wine64 wine32:i386
python3 unicode-data
fp-utils"

SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO="sudo"
fi

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
    case "$status" in
        ii*) ;;
        *) missing="$missing $p" ;;
    esac
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "bootstrap: installing:$missing"
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
    *:i386*)
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            $SUDO dpkg --add-architecture i386
        fi
        ;;
esac
$SUDO apt-get -qq update
# shellcheck disable=SC2086
$SUDO apt-get -qq install -y --no-install-recommends $missing >/dev/null
echo "bootstrap: done"
