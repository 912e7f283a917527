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

echo "===== demo.btm, native build (plumquist.so) ====="
(cd "$work" && ../native/plumhost -p ../native/plumquist.so demo.btm)
echo
echo "===== demo.btm, Windows build (Plumquist.dll under Wine) ====="
(cd "$work" && wine ../win32/plumhost.exe -p ../win32/Plumquist.dll demo.btm)
