#!/usr/bin/env bash
# Runs one QtTest program offscreen, with settings in a throw-away folder so no test sees the user's
# own, and on a private session bus of its own (dbus-run-session): the window needs a bus to start,
# and no test may reach the person's own browser or another test's.
set -eu
cfg=$(mktemp -d)
trap 'rm -rf "$cfg"' EXIT
export XDG_CONFIG_HOME="$cfg" QT_QPA_PLATFORM=offscreen
unset DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR="$cfg"
# The desktop trash too: files a test moves there stay in its own folder.
export XDG_DATA_HOME="$cfg/data"
# Keys for new passwords cost next to nothing here instead of the tuned second (one pass over 8 KiB).
export QUORVANE_TEST_KDF="${QUORVANE_TEST_KDF-1,8}"
dbus-run-session -- "$@"
