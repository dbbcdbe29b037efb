#!/usr/bin/env bash
# A real conflict copy from a real sync program: two Syncthing instances on this machine (loopback
# only; discovery, relays, NAT and reports off) share one folder holding an encrypted card document.
# With the two devices paused, each changes the document with quorvane-cli (one adds a card and
# deletes another, the other adds a card); resumed, Syncthing keeps one version and makes the other a
# conflict copy, on both sides. Both instances are then stopped, the window opens the document on the
# first side (ConflictCopyTest's syncthingConflictCopy: merged, the copy in the trash), and
# quorvane-cli resolve on the second side must give the very same cards.
# Usage: syncthing-conflict.sh GUI_TEST QUORVANE_CLI RUN_GUI_TEST. Skips (exit 77) without syncthing,
# curl or jq. Every wait is bounded; the instances are stopped by their own process ids.
set -u
gui_test=$1 cli=$2 run_gui=$3
for tool in syncthing curl jq; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for side in a b; do echo "--- $side:"; ls -la "$work/$side/share" 2>/dev/null; tail -n 15 "$work/$side.log"; done
    exit 1
}
export STNODEFAULTFOLDER=1 STNOUPGRADE=1 STNORESTART=1
export QUORVANE_TEST_KDF="${QUORVANE_TEST_KDF-1,8}"
# The desktop trash where resolve puts the copy: the test's own.
export XDG_DATA_HOME="$work/data"
apikey=quorvane-test-$$-$RANDOM

# Free loopback ports: the kernel picks them for sockets bound to port 0.
free_ports() {
    python3 -c 'import socket
s=[socket.socket() for _ in range(4)]
for x in s: x.bind(("127.0.0.1", 0))
print(" ".join(str(x.getsockname()[1]) for x in s))'
}
read -r gui_a gui_b sync_a sync_b < <(free_ports)
declare -A gui=([a]=$gui_a [b]=$gui_b) listen=([a]=$sync_a [b]=$sync_b) id=()

for side in a b; do
    syncthing generate --home="$work/$side/home" --no-default-folder >"$work/$side.log" 2>&1 || fail "generate $side"
    id[$side]=$(syncthing serve --home="$work/$side/home" --device-id 2>/dev/null)
    [ -n "${id[$side]}" ] || fail "no device id for $side"
    mkdir -p "$work/$side/share/.stfolder"
done
for side in a b; do
    devices=""
    for d in a b; do
        devices+="<device id=\"${id[$d]}\" name=\"$d\" compression=\"metadata\" introducer=\"false\">
        <address>tcp://127.0.0.1:${listen[$d]}</address><paused>false</paused></device>"
    done
    cat >"$work/$side/home/config.xml" <<XML
<configuration version="36">
    <folder id="cards" label="cards" path="$work/$side/share" type="sendreceive" rescanIntervalS="3600"
            fsWatcherEnabled="false" ignorePerms="false" autoNormalize="true">
        <filesystemType>basic</filesystemType>
        <device id="${id[a]}"></device>
        <device id="${id[b]}"></device>
        <maxConflicts>10</maxConflicts>
        <markerName>.stfolder</markerName>
    </folder>
    $devices
    <gui enabled="true" tls="false"><address>127.0.0.1:${gui[$side]}</address><apikey>$apikey</apikey></gui>
    <options>
        <listenAddress>tcp://127.0.0.1:${listen[$side]}</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <urAccepted>-1</urAccepted>
        <urSeen>3</urSeen>
        <crashReportingEnabled>false</crashReportingEnabled>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <startBrowser>false</startBrowser>
        <reconnectionIntervalS>1</reconnectionIntervalS>
    </options>
</configuration>
XML
done

api() {  # api SIDE METHOD PATH
    curl -sf -m 35 -X "$2" -H "X-API-Key: $apikey" "http://127.0.0.1:${gui[$1]}$3"
}
declare -A since=([a]=0 [b]=0)
# Waits until the command succeeds, checking again after each event of either instance (a long poll
# of a second at most on each), for at most $1 seconds.
wait_for() {
    local limit=$1
    shift
    local end=$((SECONDS + limit))
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        for side in a b; do
            local last
            last=$(api "$side" GET "/rest/events?since=${since[$side]}&timeout=1" | jq -r 'last(.[].id) // empty')
            [ -n "$last" ] && since[$side]=$last
        done
    done
}
# Started: curl itself tries again while the port refuses connections, for a minute at most.
up() {
    curl -sf -m 5 --retry 60 --retry-delay 1 --retry-connrefused --retry-max-time 60 -H "X-API-Key: $apikey" \
        "http://127.0.0.1:${gui[$1]}/rest/system/status" >/dev/null
}
connected() { [ "$(api "$1" GET /rest/system/connections | jq -r ".connections[\"${id[$2]}\"].connected")" = true ]; }
disconnected() { [ "$(api "$1" GET /rest/system/connections | jq -r ".connections[\"${id[$2]}\"].connected")" != true ]; }
idle() { [ "$(api "$1" GET "/rest/db/status?folder=cards" | jq -r '.state + " " + (.needTotalItems|tostring)')" = "idle 0" ]; }
scan() { api "$1" POST "/rest/db/scan?folder=cards" >/dev/null; }
conflicts() { compgen -G "$work/$1/share/cards.sync-conflict-*.qve" >/dev/null; }
same() { cmp -s "$work/a/share/$1" "$work/b/share/$1"; }
settled() {
    idle a && idle b && conflicts a && conflicts b && same cards.qve &&
        same "$(basename "$(compgen -G "$work/a/share/cards.sync-conflict-*.qve" | head -n 1)")"
}

for side in a b; do
    syncthing serve --home="$work/$side/home" --no-browser --no-restart --no-upgrade >>"$work/$side.log" 2>&1 &
    pids+=($!)
done
up a && up b || fail "the instances did not start"
wait_for 30 connected a b && wait_for 30 connected b a || fail "the instances did not connect"

# The document, made on a and synced to b.
password='Correct-Horse 9!'
printf '%s\n%s\n' "$password" "$password" >"$work/pw"
chmod 600 "$work/pw"
doc_a=$work/a/share/cards.qve doc_b=$work/b/share/cards.qve
"$cli" add "$doc_a" --category "WWW Sites" --name Alpha <"$work/pw" >/dev/null 2>&1 || fail "cannot make the document"
for name in Beta Gamma; do
    "$cli" add "$doc_a" --category "WWW Sites" --name "$name" --password-file "$work/pw" >/dev/null || fail "add $name"
done
scan a
wait_for 30 same cards.qve || fail "the document did not reach b"

# Apart: each side changes the document.
api a POST "/rest/system/pause?device=${id[b]}" >/dev/null && api b POST "/rest/system/pause?device=${id[a]}" >/dev/null ||
    fail "pause"
wait_for 20 disconnected a b && wait_for 20 disconnected b a || fail "the devices stayed connected"
"$cli" add "$doc_a" --category "WWW Sites" --name "From A" --password-file "$work/pw" >/dev/null || fail "add on a"
"$cli" rm "$doc_a" --category "WWW Sites" --card Beta --password-file "$work/pw" >/dev/null || fail "rm on a"
"$cli" add "$doc_b" --category "WWW Sites" --name "From B" --password-file "$work/pw" >/dev/null || fail "add on b"
scan a && scan b || fail "scan"
api a POST "/rest/system/resume?device=${id[b]}" >/dev/null && api b POST "/rest/system/resume?device=${id[a]}" >/dev/null ||
    fail "resume"
wait_for 60 settled || fail "no conflict copy on both sides"
echo "Syncthing made $(cd "$work/a/share" && ls cards.sync-conflict-*.qve) after $SECONDS s"

# Apart again for good: the window on a, the command line on b.
for pid in "${pids[@]}"; do kill "$pid"; done
for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
pids=()

QUORVANE_SYNC_DOC=$doc_a QUORVANE_SYNC_PASSWORD=$password "$run_gui" "$gui_test" syncthingConflictCopy ||
    fail "the window did not merge the conflict copy"
"$cli" resolve "$doc_b" --password-file "$work/pw" || fail "resolve on b"
conflicts b && fail "resolve left the conflict copy on b"
"$cli" dump "$doc_a" --password-file "$work/pw" >"$work/a.json" || fail "dump a"
"$cli" dump "$doc_b" --password-file "$work/pw" >"$work/b.json" || fail "dump b"
cmp -s "$work/a.json" "$work/b.json" || { diff "$work/a.json" "$work/b.json"; fail "the two sides differ"; }
names=$(jq -r '[.cards[] | select(.list == 0) | .fields[0]] | sort | join(",")' "$work/a.json")
deleted=$(jq -r '[.cards[] | select(.list == 100) | .fields[0]] | join(",")' "$work/a.json")
[ "$names" = "Alpha,From A,From B,Gamma" ] || fail "cards: $names"
[ "$deleted" = "Beta" ] || fail "deleted cards: $deleted"
echo "PASS: both sides hold $names (deleted: $deleted)"
