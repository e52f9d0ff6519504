#!/usr/bin/env bash
# Runs on the display of xvfb-run. Starts the program named by $1, waits until
# one of its windows whose title begins with "Kasplan" is on screen, prints
# "title=<that title>", asks the program to stop as a desktop session does
# (SIGTERM) and prints "exit=<its exit code>".
#
# The wait ends on a condition, not after a count of naps: the window is on
# screen, or the program has ended, or $2 seconds (default 150) have passed.
# It wakes on every change of the top-level windows that the display reports,
# so a slow start on a busy machine is waited for as long as it takes.
program=$1
deadline=$((SECONDS + ${2:-150}))

# Listen to the top-level windows before the program can make any.
coproc WINDOWS { exec xev -root -event substructure 2>/dev/null; }

"$program" &
pid=$!

shown_title() {
    local id info
    for id in $(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Kasplan.*/\1/p'); do
        info=$(xwininfo -id "$id" 2>/dev/null)
        if printf '%s\n' "$info" | grep -q 'Map State: IsViewable'; then
            printf '%s\n' "$info" | sed -n 's/^xwininfo: Window id: 0x[0-9a-f]* "\(.*\)"$/\1/p'
            return
        fi
    done
}

title=$(shown_title)
while [ -z "$title" ] && kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    # The next window event (a map, a change of size) or, failing one, a
    # second; a title set without any window event is seen that way too.
    if [ -n "${WINDOWS[0]:-}" ]; then
        read -r -t 1 _ <&"${WINDOWS[0]}"
        status=$?
        # Anything but a time-out: the listener has gone; nap instead.
        if [ "$status" -ne 0 ] && [ "$status" -le 128 ]; then
            unset 'WINDOWS[0]'
        fi
    else
        sleep 1
    fi
    title=$(shown_title)
done
[ -n "${WINDOWS_PID:-}" ] && kill "$WINDOWS_PID" 2>/dev/null

echo "title=$title"
kill -TERM "$pid" 2>/dev/null
wait "$pid"
echo "exit=$?"
