#!/usr/bin/env bash
# The command line's outputs that are not plain files, a failed run's old
# files, and the memory of the longest run.
#   cli_files_e2e.sh ZORVA WORKDIR [memory|no-memory]
set -u
zorva=$1
work=$2
memory=${3:-memory}
export QT_QPA_PLATFORM=offscreen
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
check() { # what, test arguments...
    local what=$1
    shift
    if test "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}

"$zorva" --ticks 3 --csv - >stdout.csv 2>/dev/null
check "'-' writes the CSV to standard output" "$(wc -l <stdout.csv)" -eq 4
check "'-' makes no file of that name" ! -e ./-

mkfifo fifo
timeout 20 cat fifo >from-fifo.csv &
reader=$!
timeout 20 "$zorva" --ticks 3 --csv fifo 2>/dev/null
wait "$reader"
check "a FIFO stays a FIFO" -p fifo
check "a FIFO's reader gets the CSV" "$(wc -l <from-fifo.csv)" -eq 4

"$zorva" --help >/dev/full 2>/dev/null
check "--help onto a full device fails" $? -eq 1

echo old >kept.csv
"$zorva" --ticks 5 --csv kept.csv --png missing/run.png 2>/dev/null
status=$?
check "a run that cannot write its PNG fails" "$status" -eq 1
check "... and leaves the old CSV as it was" "$(cat kept.csv)" = old
check "... with no temporary behind" "$(ls -A | grep -c '\.tmp$')" -eq 0

if [ "$memory" = memory ]; then
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %M -o rss.txt "$zorva" --poltax 1 --ticks 1000000 --csv big.csv 2>/dev/null
        check "a million-tick CSV run stays under 100 MB (peak $(cat rss.txt) kB)" \
            "$(cat rss.txt)" -lt 100000
        check "... and writes every row" "$(wc -l <big.csv)" -eq 1000001
        rm -f big.csv
    else
        echo "skipped: the memory of a long run, as /usr/bin/time is missing"
    fi
fi

[ "$failures" -eq 0 ]
