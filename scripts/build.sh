#!/bin/sh
# Configures and builds both builds: build/native (Linux, with the sanitizers
# in the test configuration) and build/win32 (the i686 DLL and plumhost.exe).
set -eu
cd "$(dirname "$0")/.."

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DPLUM_SANITIZE=ON -DPLUM_WERROR=$werror >/dev/null
cmake --build build/native -j "$jobs" >/dev/null

cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release -DPLUM_WERROR=$werror \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 -j "$jobs" >/dev/null
