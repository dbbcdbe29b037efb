#!/usr/bin/env bash
# Types the right password into the real "Decryption Password" prompt of a document named on the
# command line, in a real X server with a window manager (Xvfb and openbox), as a person at a
# keyboard would: xdotool waits for the prompt, types with 25 ms between keys (with and without a
# pause first) and presses Return. Every open must succeed; a refusal means keys went astray.
# Usage: password-prompt-x11.sh QUORVANE QUORVANE_CLI [OPENS]. Skips (exit 77) without Xvfb,
# openbox or xdotool. Every wait is bounded.
set -u
app=$1 cli=$2 opens=${3:-6}
for tool in Xvfb openbox xdotool xwininfo dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
mkdir -p "$XDG_CONFIG_HOME"
unset DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM QUORVANE_TEST_KDF

# A display of our own: Xvfb picks a free number and writes it to the pipe.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 display <&3 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$display"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

password='Correct-Horse 9!'
printf '%s\n%s\n' "$password" "$password" >"$work/pw"
chmod 600 "$work/pw"
"$cli" add "$work/plain.qvf" --category "WWW Sites" --name Bank >/dev/null 2>&1 || { echo "cannot make a document"; exit 1; }
"$cli" convert "$work/plain.qvf" "$work/strong.qve" --encrypt <"$work/pw" >/dev/null 2>&1 || exit 1
"$cli" convert "$work/plain.qvf" "$work/old.qve" --encrypt --legacy <"$work/pw" >/dev/null 2>&1 || exit 1

# One open: OK when the main window shows the document, REFUSED otherwise.
cat >"$work/open.sh" <<'INNER'
#!/usr/bin/env bash
app=$1 file=$2 pause=$3 password=$4
"$app" "$file" >/dev/null 2>&1 &
pid=$!
result=NOPROMPT
if timeout 30 xdotool search --sync --name 'Decryption Password' >/dev/null 2>&1; then
    sleep "$pause"
    xdotool type --delay 25 "$password"
    xdotool key Return
    result=REFUSED
    for _ in $(seq 1 60); do
        sleep 0.25
        if xwininfo -root -tree | grep -q "\"Quorvane - $(basename "$file")\""; then result=OK; break; fi
    done
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
echo "$result"
INNER
chmod +x "$work/open.sh"

failed=0
for i in $(seq 1 "$opens"); do
    file=$work/strong.qve
    ((i % 2)) || file=$work/old.qve
    pause=0
    ((i % 3)) || pause=1
    result=$(timeout 60 dbus-run-session -- "$work/open.sh" "$app" "$file" "$pause" "$password" 2>/dev/null | tail -1)
    echo "open $i: $(basename "$file"), pause ${pause}s: ${result:-TIMEOUT}"
    [ "$result" = OK ] || failed=$((failed + 1))
done
echo "$failed of $opens opens failed"
[ "$failed" -eq 0 ]
