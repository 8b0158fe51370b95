#!/usr/bin/env bash
# The command line's outputs that are not plain files, a failed or stopped
# run's old files, what the command line refuses, and the memory of the
# longest run.
#   cli_files_e2e.sh ZORVA WORKDIR [memory|no-memory]
set -u
zorva=$1
work=$2
memory=${3:-memory}
export QT_QPA_PLATFORM=offscreen
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
here=$(pwd -P)

failures=0
temporaries() { # how many of the writer's temporaries are in this folder
    local file count=0
    for file in .*.tmp; do
        [ -e "$file" ] && count=$((count + 1))
    done
    echo "$count"
}
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
check "... with no temporary behind" "$(temporaries)" -eq 0

ln -s linked.csv dangling.csv
"$zorva" --ticks 3 --csv linked.csv --png dangling.csv 2>/dev/null
check "a link to the CSV's file as the PNG is refused" $? -eq 2
check "... and the link is left as it was" -L dangling.csv -a ! -e linked.csv
# shellcheck disable=SC2094 # the one file under two names is the point
"$zorva" --ticks 3 --csv - --png redirected.png >redirected.png 2>/dev/null
check "the file standard output goes to as the PNG is refused" $? -eq 2

for args in "--help 1" "--version x" "--help --bogus" "--poltax 5 --poltax 6 --csv twice.csv"; do
    read -ra argv <<<"$args"
    "$zorva" "${argv[@]}" >/dev/null 2>refused.txt
    check "'$args' is refused with status 2 and one line" "$?:$(wc -l <refused.txt)" = 2:1
done
check "... and writes nothing" ! -e twice.csv

# A long run stopped by a signal once it has opened both outputs (each a
# descriptor on a file in this folder): the old files stay, nothing else is
# left, and the run ends by that signal.
descriptors() { # pid pattern: how many of its descriptors are on files here like pattern
    local fd count=0
    for fd in /proc/"$1"/fd/*; do
        # shellcheck disable=SC2254 # the pattern is a glob
        case $(readlink "$fd" 2>/dev/null) in "$here"/$2) count=$((count + 1)) ;; esac
    done
    echo "$count"
}
outputs_open() { # pid
    [ "$(descriptors "$1" '*')" -ge 2 ]
}
if [ -d /proc/self/fd ]; then
    set -m # as from a terminal: a job in the background keeps SIGINT
    for signal in INT TERM KILL; do
        echo old >stopped.csv
        echo old >stopped.png
        "$zorva" --poltax 1 --ticks 1000000 --csv stopped.csv --png stopped.png 2>/dev/null &
        pid=$!
        deadline=$((SECONDS + 120))
        while ! outputs_open "$pid" && kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
            sleep 0.05
        done
        # An unnamed temporary shows as "#inode (deleted)".
        unnamed=$(descriptors "$pid" '#* (deleted)')
        kill -s "$signal" "$pid"
        wait "$pid" 2>/dev/null
        check "SIG$signal stops the run with its own status" $? -eq $((128 + $(kill -l "$signal")))
        check "... and leaves the old files" "$(cat stopped.csv stopped.png)" = "$(printf 'old\nold')"
        if [ "$signal" = KILL ] && [ "$unnamed" -lt 2 ]; then
            echo "skipped: nothing left after SIGKILL, as this file system makes no unnamed files"
            rm -f .stopped.*.tmp
        else
            check "... and no temporary" "$(temporaries)" -eq 0
        fi
    done
    set +m
else
    echo "skipped: a stopped run, as /proc is missing"
fi

if [ "$memory" = memory ]; then
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %M -o rss.txt "$zorva" --poltax 1 --ticks 1000000 --csv big.csv 2>/dev/null
        check "a million-tick CSV run stays under 100 MB (peak $(cat rss.txt) kB)" \
            "$(cat rss.txt)" -lt 100000
        check "... and writes every row" "$(wc -l <big.csv)" -eq 1000001
        rm -f big.csv
        # A picture takes 4 bytes a pixel more than a run that draws nothing.
        /usr/bin/time -f %M -o rss.txt "$zorva" --size 4096x4096 --ticks 3 --csv small.csv 2>/dev/null
        /usr/bin/time -f %M -o png-rss.txt "$zorva" --size 4096x4096 --ticks 3 --png small.png \
            2>/dev/null
        extra=$(($(cat png-rss.txt) - $(cat rss.txt)))
        check "a 4096x4096 picture takes 4 bytes a pixel and at most 8 MB more ($extra kB)" \
            "$extra" -le $((4096 * 4096 * 4 / 1024 + 8192))
    else
        echo "skipped: the memory of a long run, as /usr/bin/time is missing"
    fi
    # Under a limit on the address space: the least a run with a small
    # picture needs, found by halving, then room for an 8192x8192 picture
    # (256 MB) and half as much again, or only half of it.
    limited() { # kB, arguments...
        local kb=$1
        shift
        { (ulimit -v "$kb" && exec "$zorva" "$@"); } 2>/dev/null
    }
    low=16384
    high=4194304
    while [ $((high - low)) -gt 4096 ]; do
        mid=$(((low + high) / 2))
        if limited "$mid" --size 16x16 --ticks 1 --png tiny.png; then high=$mid; else low=$mid; fi
    done
    if limited "$high" --size 16x16 --ticks 1 --png tiny.png; then
        limited $((high + 393216)) --size 8192x8192 --ticks 3 --png room.png --csv - >room.csv
        check "with room for the picture and not for a copy of it, the run saves it" \
            "$?:$(wc -l <room.csv)" = 0:4
        { (ulimit -v $((high + 131072)) && exec "$zorva" --size 8192x8192 --ticks 3 \
            --png none.png --csv -); } >none.csv 2>none.txt
        status=$?
        check "without room for the picture the run fails before its first tick" \
            "$status:$(wc -c <none.csv)" = 1:0
        check "... saying why" "$(grep -c 'not enough memory' none.txt)" -eq 1
        rm -f room.png room.csv
    else
        echo "skipped: a run under a limit on its address space, as none let it run"
    fi
fi

[ "$failures" -eq 0 ]
