#!/bin/sh
# Installs what is missing, builds both builds and runs the demo script in the
# host emulator: natively and against Plumquist.dll under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh
sh scripts/build.sh

work=build/demo
rm -rf "$work" && mkdir -p "$work"
cp examples/* "$work"/
export WINEPREFIX="$PWD/build/win32/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PLUMQUIST_REGISTRY="$PWD/$work/registry"
[ -d "$WINEPREFIX" ] || wineboot -i

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

run_demo "native build (plumquist.so)" ../native/plumhost -p ../native/plumquist.so
run_demo "Windows build (Plumquist.dll under Wine)" wine ../win32/plumhost.exe -p ../win32/Plumquist.dll
