#!/bin/sh
# Builds the release packages: dist/Plumquist-VERSION-x86.zip (for 32-bit
# hosts) and dist/Plumquist-VERSION-x64.zip (for 64-bit hosts), each with its
# DLL, the help file Plumquist.chm and INSTALL.txt.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh
sh scripts/build.sh
mkdir -p dist
for dir in build/win32 build/win64; do
    for zip in "$dir"/Plumquist-*.zip; do
        cp "$zip" dist/
        echo "dist/$(basename "$zip")"
    done
done
