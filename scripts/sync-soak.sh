#!/usr/bin/env bash
# Runs many random two-computer sequences against the stand-in (tools/sync-soak) and prints the
# first broken rule of each failing one. By hand, after a build; CI runs a few seeds as a test.
#   scripts/sync-soak.sh [--sequences N] [--first SEED] [--steps K]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen \
    "$root/build/bin/velmo-sync-soak" "$@" 2> >(grep -v 'does not support raise' >&2)
