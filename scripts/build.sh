#!/bin/sh
# Configures and builds the three builds: build/native (Linux, with the
# sanitizers in the test configuration), build/win32 (the i686 DLL and
# plumhost.exe) and build/win64 (the same for x86-64). Building needs no Wine.
set -eu
cd "$(dirname "$0")/.."

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DPLUM_SANITIZE=ON -DPLUM_WERROR=$werror >/dev/null
cmake --build build/native -j "$jobs" >/dev/null

for target in win32:mingw-i686 win64:mingw-x86_64; do
    dir=build/${target%%:*}
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DPLUM_WERROR=$werror \
        -DCMAKE_TOOLCHAIN_FILE="cmake/${target#*:}.cmake" >/dev/null
    cmake --build "$dir" -j "$jobs" >/dev/null
done
