# Staging a demo installation and running the programs on a virtual display.
# shellcheck shell=bash
# Needs common.sh sourced first.

KESTREL_STAGE=${KESTREL_STAGE:-$KESTREL_BUILD/stage}
KESTREL_DEMO_PACKAGES=(x11-apps xterm xdotool x11-utils)

# Fills $KESTREL_STAGE with a fresh installation: the programs and kestrel-catalogue,
# Default.ico, icons/,
# data/Kestrel.mdb with about eight programs of this machine, no Kestrel.ini (the
# programs create it on first start).
stage_demo() {
    local bin=$KESTREL_BUILD/bin stage=$KESTREL_STAGE
    rm -rf "$stage"
    mkdir -p "$stage/data" "$stage/icons" "$stage/docs"
    cp "$bin/Kestrel" "$stage/"
    [ -x "$bin/KestrelAdmin" ] && cp "$bin/KestrelAdmin" "$stage/"
    cp "$bin/kestrel-catalogue" "$stage/"
    cp "$KESTREL_ROOT/resources/Default.ico" "$stage/"

    # A few icons for the administrator's icon folder and the custom-icon program.
    convert -size 48x48 xc:none -fill '#2e7d32' -draw 'circle 24,24 24,3' \
        -fill white -draw 'circle 17,20 17,14' -draw 'circle 31,20 31,14' \
        -fill black -draw 'circle 18,21 18,18' -draw 'circle 32,21 32,18' "$stage/icons/eyes.png"
    convert -size 48x48 xc:none -fill '#1565c0' -draw 'roundrectangle 4,4 43,43 8,8' \
        -fill white -draw 'rectangle 12,14 35,18' -draw 'rectangle 12,22 35,26' \
        -draw 'rectangle 12,30 28,34' "$stage/icons/notes.png"
    cp "$KESTREL_ROOT/resources/Kestrel-32.png" "$stage/icons/kestrel.png"
    # A drawing: shown sharp at any size.
    cat >"$stage/icons/sun.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16" width="16" height="16">
  <circle cx="8" cy="8" r="3.5" fill="#f9a825"/>
  <g stroke="#ef6c00" stroke-width="1.2" stroke-linecap="round">
    <path d="M8 1v2M8 13v2M1 8h2M13 8h2M3 3l1.4 1.4M11.6 11.6L13 13M3 13l1.4-1.4M11.6 4.4L13 3"/>
  </g>
</svg>
SVG

    # Desktop entries and a small icon theme for "Add Installed..." (XDG_DATA_DIRS=$stage/share).
    local apps=$stage/share/applications theme=$stage/share/icons/hicolor
    mkdir -p "$apps" "$theme/48x48/apps" "$theme/scalable/apps"
    printf '[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps\n[48x48/apps]\nSize=48\nType=Fixed\n[scalable/apps]\nSize=48\nType=Scalable\nMinSize=8\nMaxSize=512\n' \
        >"$theme/index.theme"
    cp "$stage/icons/eyes.png" "$theme/48x48/apps/demo-eyes.png"
    cp "$stage/icons/notes.png" "$theme/48x48/apps/demo-notes.png"
    cp "$stage/icons/sun.svg" "$theme/scalable/apps/demo-sun.svg"
    entry() { # file name comment icon exec
        printf '[Desktop Entry]\nType=Application\nName=%s\nComment=%s\nIcon=%s\nExec=%s\n' \
            "$2" "$3" "$4" "$5" >"$apps/$1.desktop"
    }
    entry demo-eyes "Eyes" "Eyes that follow the pointer" demo-eyes xeyes
    entry demo-notes "Notes" "Write short notes" demo-notes xterm
    entry demo-sun "Daylight" "When the sun rises and sets" demo-sun xclock
    entry demo-calc "Calculator" "Sums, already in the catalogue" demo-notes xcalc

    cat >"$stage/docs/Read Me.txt" <<'TEXT'
Welcome to the Kestrel demo installation.

Every program in the list was added with kestrel-catalogue. Double-click one to
start it, or click it and choose "Launch Program" or "Properties" on the left.
TEXT

    local db=$stage/data/Kestrel.mdb tool=$stage/kestrel-catalogue
    "$tool" create "$db" >/dev/null
    add() { "$tool" add "$db" "$@" >/dev/null; }
    add --name "Clock" --path "$(command -v xclock)" \
        --desc "An analogue clock that keeps the time in a small window of its own."
    add --name "Calculator" --path "$(command -v xcalc)" \
        --desc "A scientific calculator for quick sums."
    add --name "Terminal" --path "$(command -v xterm)" \
        --desc "A terminal window with a command shell."
    add --name "Read Me" --path "$stage/docs/Read Me.txt" \
        --desc "A short text about this demo, opened with the desktop's text viewer."
    add --name "Eyes" --path "$(command -v xeyes)" --icon "$stage/icons/eyes.png" \
        --desc "A pair of eyes that follow the mouse pointer. It has an icon of its own."
    add --name "Logo" --path "$(command -v xlogo)" --icon "$stage/icons/logo-missing.ico" \
        --desc "Shows the X logo. Its icon file is missing, so it is listed without an icon."
    add --name "Old Report Tool" --path "/opt/oldreports/report-tool" \
        --desc "A program that was uninstalled; launching it reports the missing file."
    add --name "Magnifier" --path "$(command -v xmag)" \
        --desc "Magnifies a part of the screen: drag over the area to enlarge."
    add --name "Sun" --path "$(command -v xclock)" --icon "$stage/icons/sun.svg" \
        --desc "A clock with a drawn (SVG) icon, sharp at the list's size."
}

# Starts a virtual X display for the rest of the script: sets DISPLAY and XVFB_PID. The
# argument is the screen's size (default 1024x768).
start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    # -noreset: by default the server resets when its last client leaves, and a program
    # started in that moment cannot connect.
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset 3>"$fdfile" \
        >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
    unset WAYLAND_DISPLAY
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}

# Waits for a visible window whose title matches the pattern and prints its id; the
# second argument is the wait in tenths of a second (default 150).
wait_for_window() {
    local pattern=$1 tries=${2:-150} id i
    for i in $(seq "$tries"); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
