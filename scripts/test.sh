#!/bin/sh
# Installs what is missing, builds both builds and runs every test: natively
# (AddressSanitizer and UndefinedBehaviorSanitizer) and under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh
sh scripts/build.sh

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j 2 || status=1
echo "== Windows tests under Wine"
ctest --test-dir build/win32 --output-on-failure -j 1 || status=1
exit $status
