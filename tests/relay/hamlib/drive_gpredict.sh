#!/bin/sh
# Drives Gpredict on $DISPLAY as an operator would: opens the Radio Control window of the open
# module "Dopplex" from the module's menu, then presses Track and Engage. Positions are relative
# to the windows; the menu is walked with the keyboard. Prints each step; fails on the first
# that does not come about.
set -eu

# Waits up to $1 tenths of a second for a visible window whose name matches $2; prints its id.
wait_window() {
    for _ in $(seq "$1"); do
        id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Whether a popup menu (an unnamed window taller than 100 pixels) is showing.
menu_open() {
    for w in $(xdotool search --onlyvisible --name '^gpredict$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -gt 100 ] && return 0
    done
    return 1
}

main=$(wait_window 300 '^Gpredict: Dopplex$') || { echo "no module window"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$main")"
echo "module window $WIDTH x $HEIGHT"

radio=""
for attempt in 1 2 3; do
    # The module's menu button stands at the right end of its header, under the menu bar.
    xdotool mousemove --window "$main" $((WIDTH - 20)) 44 click 1
    for _ in $(seq 30); do
        menu_open && break
        sleep 0.1
    done
    # Detach, Full screen, Autotrack, Select satellite, Sky at a glance, Time Controller,
    # Radio Control.
    xdotool key Down Down Down Down Down Down Down Return
    radio=$(wait_window 50 '^Gpredict Radio Control') && break
    echo "attempt $attempt: no Radio Control window"
    xdotool key Escape
done
[ -n "$radio" ] || exit 1
eval "$(xdotool getwindowgeometry --shell "$radio")"
echo "radio control window $WIDTH x $HEIGHT"

# Track (the Target frame) and Engage (the Settings frame) share the row under the knobs.
row=$((HEIGHT * 616 / 1000))
xdotool mousemove --window "$radio" $((WIDTH * 233 / 1000)) "$row" click 1
echo "track"
xdotool mousemove --window "$radio" $((WIDTH * 783 / 1000)) "$row" click 1
echo "engaged"
