#!/bin/sh
# Installs what is missing, builds the three builds and runs the demo script
# in the host emulator: natively, against the x64 DLL under 64-bit Wine, and
# against the x86 DLL under 32-bit Wine where this machine can run it.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh
sh scripts/build.sh

work=build/demo
rm -rf "$work" && mkdir -p "$work"
cp examples/* "$work"/
export PLUMQUIST_REGISTRY="$PWD/$work/registry"

# Runs the demo with one host and checks the file it wrote.
run_demo() {
    title=$1
    shift
    echo "===== demo.btm, $title ====="
    rm -f "$work/copy.txt"
    (cd "$work" && "$@" demo.btm 2>&1)
    if cmp -s "$work/lines.txt" "$work/copy.txt"; then
        echo "(copy.txt is byte for byte equal to lines.txt)"
    else
        echo "(copy.txt differs from lines.txt)"
        return 1
    fi
    echo
}

# Each Windows build runs its programs through its own Wine wrapper.
run_demo "native build (plumquist.so)" ../native/plumhost -p ../native/plumquist.so
run_demo "Windows x64 build (Plumquist.dll under 64-bit Wine)" \
    ../win64/wine-run ../win64/plumhost.exe -p ../win64/Plumquist.dll
if why=$(sh scripts/can-run-wine32.sh); then
    run_demo "Windows x86 build (Plumquist.dll under 32-bit Wine)" \
        ../win32/wine-run ../win32/plumhost.exe -p ../win32/Plumquist.dll
else
    echo "===== demo.btm, Windows x86 build: skipped: $why ====="
fi
