#!/usr/bin/env bash
# Measures quorvane-cli dump and ls on a large card document: wall time and peak memory beside the
# document's size.
#
#   bench/bench-card-dump.sh [COUNT]
#
# COUNT cards (default 1,000,000) are made with bench/make-cards.py into a fresh folder under
# $BENCH_DIR (default: the build folder), once plain and once encrypted (converted by quorvane-cli);
# the folder is removed at the end. $QUORVANE_CLI names the program (default build/quorvane-cli).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1000000}
cli=${QUORVANE_CLI:-$root/build/quorvane-cli}
parent=${BENCH_DIR:-$root/build}
password="benchmark password"

[ -x /usr/bin/time ] || "$root/scripts/setup"
if [ ! -x "$cli" ]; then
    echo "bench: $cli is missing; build first (scripts/build)" >&2
    exit 1
fi
mkdir -p "$parent"
work=$(mktemp -d "$parent/bench-card-dump.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "bench: making $count cards in $work" >&2
python3 "$root/bench/make-cards.py" "$count" "$work/cards.qvf"
printf '%s\n' "$password" | "$cli" convert "$work/cards.qvf" "$work/cards.qve" --encrypt

# Runs a command with the password on standard input and its output thrown away, and sets t and kb
# (wall seconds, peak memory) from /usr/bin/time -v. A command that fails stops the bench; it runs in
# this shell, not in $(...), so the exit happens here.
measure() {
    local report=$work/time.txt status=0
    printf '%s\n' "$password" | /usr/bin/time -v -o "$report" "$@" >/dev/null || status=$?
    if [ "$status" -ne 0 ]; then
        echo "bench: failed with status $status: ${*##*/}" >&2
        exit 1
    fi
    read -r t kb < <(awk -F': ' '
        /Elapsed \(wall clock\)/ {
            n = split($2, part, ":"); s = 0
            for (i = 1; i <= n; i++) s = s * 60 + part[i]
        }
        /Maximum resident set size/ { kb = $2 }
        END { printf "%.3f %d\n", s, kb }' "$report")
}

echo
echo "$count cards; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-22s %14s %9s %14s %12s\n" "step" "document MiB" "wall s" "peak RSS MiB" "RSS / size"
for step in "dump cards.qvf" "ls cards.qvf" "dump cards.qve" "ls cards.qve"; do
    read -r command file <<<"$step"
    bytes=$(stat -c %s "$work/$file")
    measure "$cli" "$command" "$work/$file"
    awk -v name="$step" -v bytes="$bytes" -v t="$t" -v kb="$kb" 'BEGIN {
        printf "%-22s %14.1f %9.2f %14.1f %11.2fx\n", name, bytes / 1048576, t, kb / 1024, kb * 1024 / bytes
    }'
done
