#!/bin/sh
# Runs a command in the bare environment the fuzz targets run in, whether
# fuzzed (fuzz.sh) or replayed for the comparison of the builds
# (differential.sh): PATH and HOME as the caller has them, LANG=C.UTF-8, and
# nothing else.
#
#   sh scripts/bare-env.sh [NAME=VALUE...] COMMAND ARGS...
#
# What the plug-in reads from the environment is then the same on every
# machine and in both builds (an input may name any variable: %_% is the
# path of whatever program the caller's shell last started), and each of its
# look-ups scans a few entries instead of the forty or so a login shell
# brings.
exec env -i PATH="$PATH" HOME="$HOME" LANG=C.UTF-8 "$@"
