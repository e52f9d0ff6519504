#!/bin/sh
# Runs on the display of xvfb-run. Starts the program named by $1, waits until
# one of its windows whose title begins with "Kasplan" is on screen, prints
# "title=<that title>", asks the program to stop as a desktop session does
# (SIGTERM) and prints "exit=<its exit code>".
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
kill -TERM "$pid"
wait "$pid"
echo "exit=$?"
