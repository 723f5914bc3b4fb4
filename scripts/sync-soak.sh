#!/usr/bin/env bash
# Runs many random sequences of several computers against the stand-in, with faults (tools/sync-soak),
# and prints the first broken rule of each failing one with the steps that led to it. By hand, after
# a build; CI runs a few seeds as a test.
#   scripts/sync-soak.sh [--sequences N] [--first SEED] [--steps K] [--plain-service]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The data files on a memory file system where there is one: the runs try the synchronisation, not
# the disk.
if [ -d /dev/shm ]; then export TMPDIR=/dev/shm; fi
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen \
    "$root/build/bin/velmo-sync-soak" "$@" 2> >(grep -v 'does not support raise' >&2)
