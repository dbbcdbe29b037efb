#!/usr/bin/env bash
# Runs one QtTest program offscreen, with settings in a throw-away folder so no test sees the user's own.
set -eu
cfg=$(mktemp -d)
trap 'rm -rf "$cfg"' EXIT
export XDG_CONFIG_HOME="$cfg" QT_QPA_PLATFORM=offscreen
exec "$@"
