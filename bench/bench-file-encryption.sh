#!/usr/bin/env bash
# Times quorvane-cli encrypt-file and decrypt-file end to end (read, cipher, write, flush, rename),
# in the strong form and with --legacy in the old one, beside a plain copy with `dd bs=1M conv=fsync`
# of the same file, in the same folder, in the same run, and prints wall times, peak memory and the
# ratios to the copy. The strong form's times include its key derivation (about a second, and 256 MiB
# of peak memory) unless QUORVANE_TEST_KDF=1,8 is set, which leaves the stream alone (a test switch:
# build/quorvane-cli obeys it, a packaged one ignores it and says so).
#
#   bench/bench-file-encryption.sh [SIZE] [ROUNDS]
#
# SIZE is bytes or a size like 256M or 1G (default 1G); ROUNDS (default 3) repeats the three steps
# in turn, and the table shows each step's median time and largest peak memory. Each round's line
# also gives the user+system CPU seconds, since other work on the machine shows up there first. The file is made
# from random bytes in a fresh folder under $BENCH_DIR (default: the build folder, on the same file
# system as the work), which is removed at the end. $QUORVANE_CLI names the program (default
# build/quorvane-cli).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_text=${1:-1G}
rounds=${2:-3}
cli=${QUORVANE_CLI:-$root/build/quorvane-cli}
parent=${BENCH_DIR:-$root/build}

[ -x /usr/bin/time ] || "$root/scripts/setup"
if [ ! -x "$cli" ]; then
    echo "bench: $cli is missing; build first (scripts/build)" >&2
    exit 1
fi
size=$(numfmt --from=iec "$size_text")
mkdir -p "$parent"
work=$(mktemp -d "$parent/bench-file-encryption.XXXXXX")
trap 'rm -rf "$work"' EXIT

source_file=$work/data.bin
encrypted_file=$work/data.~~~
password="benchmark password"
echo "bench: making $(numfmt --to=iec "$size") of random bytes in $work" >&2
head -c "$size" /dev/urandom >"$source_file"
original_sum=$(cksum <"$source_file")
sync

# Runs a command under /usr/bin/time -v and sets t, kb and cpu: wall seconds, peak memory, and user
# and system time as "user+sys" for the round's log line. A command that fails stops the bench (its
# time would mean nothing); it runs in this shell, not in a pipe or $(...), so the exit happens here.
measure() {
    local report=$work/time.txt status=0
    /usr/bin/time -v -o "$report" "$@" >/dev/null || status=$?
    if [ "$status" -ne 0 ]; then
        echo "bench: failed with status $status: ${what:-$*}" >&2
        exit 1
    fi
    read -r t kb cpu < <(awk -F': ' '
        /Elapsed \(wall clock\)/ {
            n = split($2, part, ":"); s = 0
            for (i = 1; i <= n; i++) s = s * 60 + part[i]
        }
        /User time/ { user = $2 }
        /System time/ { sys = $2 }
        /Maximum resident set size/ { kb = $2 }
        END { printf "%.3f %d %.2f+%.2f\n", s, kb, user, sys }' "$report")
}

# Runs quorvane-cli COMMAND FILE [OPTION] with the password on standard input.
cli_step() { printf '%s\n' "$password" | "$cli" "$1" "$2" ${3:+"$3"}; }
export -f cli_step
export cli password

# After step $3: file $1 must be there and $2 gone (each step replaces its input), else the bench stops.
expect_files() {
    if [ ! -f "$1" ] || [ -e "$2" ]; then
        echo "bench: $3 did not leave ${1##*/} in place of ${2##*/}" >&2
        exit 1
    fi
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

declare -a dd_times enc_times dec_times old_enc_times old_dec_times
dd_rss=0 enc_rss=0 dec_rss=0 old_enc_rss=0 old_dec_rss=0
for ((round = 1; round <= rounds; round++)); do
    what="dd" measure dd if="$source_file" of="$work/copy.bin" bs=1M conv=fsync status=none
    dd_times+=("$t") && dd_rss=$((kb > dd_rss ? kb : dd_rss)) && dd_cpu=$cpu
    rm -f "$work/copy.bin"

    what="encrypt-file" measure bash -c 'cli_step encrypt-file "$1"' _ "$source_file"
    enc_times+=("$t") && enc_rss=$((kb > enc_rss ? kb : enc_rss)) && enc_cpu=$cpu
    expect_files "$encrypted_file" "$source_file" "encrypt-file"

    what="decrypt-file" measure bash -c 'cli_step decrypt-file "$1"' _ "$encrypted_file"
    dec_times+=("$t") && dec_rss=$((kb > dec_rss ? kb : dec_rss)) && dec_cpu=$cpu
    expect_files "$source_file" "$encrypted_file" "decrypt-file"

    what="encrypt-file --legacy" measure bash -c 'cli_step encrypt-file "$1" --legacy' _ "$source_file"
    old_enc_times+=("$t") && old_enc_rss=$((kb > old_enc_rss ? kb : old_enc_rss)) && old_enc_cpu=$cpu
    expect_files "$encrypted_file" "$source_file" "encrypt-file --legacy"

    what="decrypt-file (old form)" measure bash -c 'cli_step decrypt-file "$1"' _ "$encrypted_file"
    old_dec_times+=("$t") && old_dec_rss=$((kb > old_dec_rss ? kb : old_dec_rss)) && old_dec_cpu=$cpu
    expect_files "$source_file" "$encrypted_file" "decrypt-file (old form)"
    echo "bench: round $round: dd ${dd_times[-1]} s ($dd_cpu s CPU), encrypt ${enc_times[-1]} s ($enc_cpu)," \
        "decrypt ${dec_times[-1]} s ($dec_cpu), old form ${old_enc_times[-1]} s ($old_enc_cpu) /" \
        "${old_dec_times[-1]} s ($old_dec_cpu)" >&2
done
if [ "$(cksum <"$source_file")" != "$original_sum" ]; then
    echo "bench: the restored file differs from the original" >&2
    exit 1
fi

dd_median=$(median "${dd_times[@]}")
enc_median=$(median "${enc_times[@]}")
dec_median=$(median "${dec_times[@]}")
old_enc_median=$(median "${old_enc_times[@]}")
old_dec_median=$(median "${old_dec_times[@]}")

echo
echo "File of $(numfmt --to=iec "$size") ($size bytes), median of $rounds round(s);" \
    "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v size="$size" -v ddt="$dd_median" -v enct="$enc_median" -v dect="$dec_median" \
    -v ddr="$dd_rss" -v encr="$enc_rss" -v decr="$dec_rss" -v oet="$old_enc_median" -v odt="$old_dec_median" \
    -v oer="$old_enc_rss" -v odr="$old_dec_rss" 'BEGIN {
    printf "%-36s %9s %10s %14s %9s\n", "step", "wall s", "MB/s", "peak RSS MiB", "vs dd"
    row("dd bs=1M conv=fsync", ddt, ddr)
    row("encrypt-file (strong)", enct, encr)
    row("decrypt-file (strong)", dect, decr)
    row("encrypt-file --legacy (old form)", oet, oer)
    row("decrypt-file (old form)", odt, odr)
}
function row(name, t, kb) {
    printf "%-36s %9.2f %10.0f %14.1f %8.2fx\n", name, t, (t > 0 ? size / t / 1e6 : 0), kb / 1024,
        (ddt > 0 ? t / ddt : 0)
}'
