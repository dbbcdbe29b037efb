#!/usr/bin/env bash
# Counts the copies of a card document's password left in the window's memory after the document is
# closed: starts Quorvane under Xvfb on an encrypted document, types the password at the prompt, closes
# the document (File, Close), writes a core file of the running window with gcore and counts the
# password in it, as 8-bit text and as UTF-16 (Qt's strings). QUORVANE_ALLOW_CORE_DUMPS=1 lets gcore
# attach; without it the window keeps itself from being dumped at all.
#   bench/secrets-in-core.sh [ROUNDS]        (KEEP_OPEN=1: the same with the document still open, a control)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
rounds=${1:-3}
for tool in xvfb-run xdotool gcore; do
    command -v "$tool" >/dev/null || { echo "secrets-in-core: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"

cat >"$work/round.sh" <<'INNER'
#!/usr/bin/env bash
set -eu
work=$1 build=$2 root=$3 password=$4
python3 "$root/bench/make-cards.py" 50 "$work/plain.qvf" >/dev/null
rm -f "$work/secret.qve"
printf '%s\n' "$password" | "$build/quorvane-cli" convert "$work/plain.qvf" "$work/secret.qve" --encrypt
QUORVANE_ALLOW_CORE_DUMPS=1 XDG_CONFIG_HOME="$work/config" "$build/quorvane" -platform xcb "$work/secret.qve" \
    >/dev/null 2>&1 &
pid=$!
prompt=$(xdotool search --sync --name '^Decryption Password' | head -1)
xdotool windowfocus --sync "$prompt" type --delay 20 "$password"
xdotool key Return
win=$(xdotool search --sync --name '^Quorvane - secret' | head -1)
sleep 4                        # the splash screen goes after three seconds
if [ -z "${KEEP_OPEN:-}" ]; then
    xdotool windowfocus --sync "$win" key shift+c   # File, Close
    sleep 1
fi
gcore -o "$work/core" "$pid" >/dev/null 2>&1
kill "$pid"
python3 - "$work/core.$pid" "$password" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
pw = sys.argv[2]
# The allocator writes its own pointers over the first 16 bytes of a freed block, so a password left
# in freed memory is found by its end: the last 16 characters count as a copy.
tail = pw[-16:]
print(data.count(tail.encode('latin-1')) + data.count(tail.encode('utf-16-le')))
PY
rm -f "$work/core.$pid"
INNER
chmod +x "$work/round.sh"
total=0
for ((i = 1; i <= rounds; ++i)); do
    password="Kq$RANDOM-x$RANDOM-Zv$RANDOM-correct-horse-battery-$RANDOM"
    found=$(xvfb-run -a -s "-screen 0 1024x768x24" "$work/round.sh" "$work" "$build" "$root" "$password")
    echo "round $i: $found copies of the password in the core after close"
    total=$((total + found))
done
echo "total: $total in $rounds rounds"
