#!/usr/bin/env bash
# Drives the staged administrator on a virtual display: the setup window as it opens, the
# modify dialog for the first program and the add dialog, Properties and the audiences offered
# while one is typed, the list as another user sees it, and the setup window at 1000x700.
# Saves one PNG per window in shots/admin/ and names the folder on its last line. Expects a staged demo installation
# (scripts/screenshot stages one); stages it itself when there is none.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/demo.sh"

[ -x "$KESTREL_STAGE/KestrelAdmin" ] || stage_demo
# "Read Me" is for staff, a room's machines and a user this machine does not have (so the
# modify dialog and Properties show audiences); everyone sees it again at the end.
catalogue() {
    "$KESTREL_STAGE/kestrel-catalogue" modify "$KESTREL_STAGE/data/Kestrel.mdb" "Read Me" "$@" \
        >/dev/null
}
catalogue --audience group:staff --audience 'host:lab2-*' --audience user:ghost

out=$KESTREL_ROOT/shots/admin
rm -rf "$out"
mkdir -p "$out"

start_xvfb
trap stop_xvfb EXIT
(cd / && XDG_DATA_HOME="$KESTREL_STAGE/share-user" XDG_DATA_DIRS="$KESTREL_STAGE/share" \
    "$KESTREL_STAGE/KestrelAdmin") &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; stop_xvfb' EXIT
if ! window=$(wait_for_window '^Kestrel Setup'); then
    echo "KestrelAdmin showed no window." >&2
    exit 1
fi
sleep 1
import -window "$window" "$out/1-setup.png"

# "Add Installed..." (centred at (427, 228)) lists the demo's desktop entries; its Check
# neighbour at (498, 228) lists the broken programs, which the list shows greyed.
xdotool mousemove --window "$window" 427 228 click 1
installed=$(wait_for_window '^Add Installed Applications')
sleep 1
import -window "$installed" "$out/5-add-installed.png"
# As a user presses it (to the focused window): an event sent to the window's id was at
# times refused as a bad window.
xdotool key Escape
sleep 0.3
xdotool mousemove --window "$window" 498 228 click 1
if wait_for_window '^Check$' >/dev/null; then
    sleep 0.5
    import -window root -crop 1000x500+0+0 +repage "$out/6-check.png"
    xdotool key Return
    sleep 0.3
fi

# With no window manager the window sits at the top left corner. The list shows its last
# programs; "Read Me" is at (270, 150). Add is centred at (240, 228), Modify at (296, 228).
xdotool mousemove --window "$window" 270 150 click 1
sleep 0.3
xdotool mousemove --window "$window" 240 228 click 1
dialog=$(wait_for_window '^Add A New Runnable')
sleep 0.5
import -window "$dialog" "$out/2-add.png"
# The add dialog is modeless: move it aside and open the modify dialog beside it.
xdotool windowmove --sync "$dialog" 640 0
add_dialog=$dialog
sleep 0.3
xdotool mousemove --window "$window" 296 228 click 1
dialog=$(wait_for_window '^Modify A Runnable')
sleep 0.5
import -window "$dialog" "$out/3-modify.png"
import -window root -crop 1000x400+0+0 +repage "$out/4-all.png"
xdotool key Escape
sleep 0.3

# Properties (centred at (560, 228)) of "Read Me", still selected: its audiences.
xdotool mousemove --window "$window" 560 228 click 1
properties=$(wait_for_window '^Showing Properties For')
sleep 0.5
import -window "$properties" "$out/8-properties.png"
xdotool key Escape
sleep 0.3

# The add dialog's audiences field (at (220, 266)) offers the machine's groups and users.
xdotool mousemove --window "$add_dialog" 220 266 click 1
xdotool type --delay 80 "group:staff, us"
sleep 0.5
import -window root -crop 1000x500+0+0 +repage "$out/9-add-audiences.png"
xdotool key Escape

# "View as..." (centred at (252, 268)) for nobody: the list as that user sees it.
xdotool mousemove --window "$window" 252 268 click 1
ask=$(wait_for_window '^View as')
xdotool windowfocus --sync "$ask"
xdotool type --delay 50 nobody
sleep 0.3
import -window root -crop 640x400+0+0 +repage "$out/10-view-as-asked.png"
# The first Return takes the offered name, the second OK.
xdotool key Return
sleep 0.3
xdotool key Return
sleep 1
import -window "$window" "$out/11-view-as.png"
xdotool mousemove --window "$window" 252 268 click 1
sleep 0.5

# Grown, the frames and the list take the room; the two dialogs are out of the way.
xdotool windowunmap --sync "$add_dialog"
sleep 0.3
xdotool windowsize --sync "$window" 1000 700
sleep 0.5
import -window "$window" "$out/7-setup-1000x700.png"

catalogue --everyone
ls "$out"
echo "$out"
