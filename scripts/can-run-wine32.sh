#!/bin/sh
# Finds out whether this machine can run the 32-bit Windows programs, by
# starting the 32-bit Wine loader itself: some kernels cannot run any 32-bit
# program ("Exec format error"). Exits 0 when it can; otherwise prints why
# and exits 1. PLUM_NO_WINE32=1 says no without trying, so that the other
# path can be tried on any machine.
loader=/usr/lib/wine/wine
if [ "${PLUM_NO_WINE32:-}" = 1 ]; then
    echo "PLUM_NO_WINE32=1 is set"
    exit 1
fi
if [ ! -e "$loader" ]; then
    echo "the 32-bit Wine loader $loader is not installed"
    exit 1
fi
if ! out=$("$loader" --version 2>&1); then
    echo "this machine cannot run 32-bit programs ($loader: $(printf '%s' "$out" | head -n 1))"
    exit 1
fi
exit 0
