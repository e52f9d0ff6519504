#!/bin/sh
# Runs on the display of xvfb-run. Starts the program named by $1, waits until
# one of its windows whose title begins with "Kasplan" is on screen, prints
# "title=<that title>", sends SIGTERM once and prints "exit=<its exit code>"
# and "ms=<milliseconds from the signal to the end>", or "exit=running" when
# it still runs after 10 seconds (then it is killed).
program=$1
"$program" &
pid=$!

title=
tries=0
while [ -z "$title" ] && [ "$tries" -lt 600 ]; do
    tries=$((tries + 1))
    for id in $(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Kasplan.*/\1/p'); do
        info=$(xwininfo -id "$id" 2>/dev/null)
        if printf '%s\n' "$info" | grep -q 'Map State: IsViewable'; then
            title=$(printf '%s\n' "$info" | sed -n 's/^xwininfo: Window id: 0x[0-9a-f]* "\(.*\)"$/\1/p')
            break
        fi
    done
    [ -n "$title" ] || sleep 0.1
done
echo "title=$title"

signalled=$(date +%s%N)
kill -TERM "$pid"
waited=0
while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 200 ]; do
    # A process that ended but was not yet waited for counts as ended.
    state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$pid/status" 2>/dev/null)
    [ "$state" = Z ] && break
    sleep 0.05
    waited=$((waited + 1))
done
if kill -0 "$pid" 2>/dev/null && [ "$state" != Z ]; then
    echo "exit=running"
    kill -KILL "$pid"
    exit 0
fi
ended=$(date +%s%N)
wait "$pid"
echo "exit=$?"
echo "ms=$(((ended - signalled) / 1000000))"
