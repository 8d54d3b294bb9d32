# Checks the Debian packages in $KESTREL_BUILD/packages: lintian, desktop entries, contents,
# and the programs started from the unpacked packages as an ordinary user on a virtual
# display. Needs common.sh and demo.sh sourced first.
# shellcheck shell=bash

# Fails with a message naming what is wrong.
package_fail() {
    echo "package check: $*" >&2
    return 1
}

check_packages() {
    local pkgs=$KESTREL_BUILD/packages launcher admin
    launcher=$(ls "$pkgs"/kestrel_*.deb) || package_fail "no kestrel package"
    admin=$(ls "$pkgs"/kestrel-admin_*.deb) || package_fail "no kestrel-admin package"

    # lintian: errors fail; warnings are printed and are kept only with a reason in the
    # packaging notes.
    local lint=$pkgs/lintian.txt
    lintian --fail-on error --tag-display-limit 0 "$launcher" "$admin" >"$lint" 2>&1 || {
        cat "$lint"
        package_fail "lintian reports errors"
    }
    grep -v -e '^N:' -e 'running with root privileges' "$lint" || true

    local tree
    tree=$(mktemp -d /tmp/kestrel-package.XXXXXX)
    chmod 0755 "$tree"
    # shellcheck disable=SC2064
    trap "package_cleanup '$tree'" EXIT
    dpkg-deb -x "$launcher" "$tree"
    dpkg-deb -x "$admin" "$tree"

    desktop-file-validate "$tree"/usr/share/applications/*.desktop \
        "$tree"/usr/share/xsessions/*.desktop || package_fail "desktop entries do not validate"
    check_package_contents "$launcher" "$admin" "$tree"
    check_kiosk_session "$tree"
    check_package_start "$tree"
    package_cleanup "$tree"
    trap - EXIT
    echo "package check: passed"
}

# Ends what the start check left running (also when a check failed) and removes the tree.
package_cleanup() {
    local pid
    for pid in "${PACKAGE_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    PACKAGE_PIDS=()
    stop_xvfb || true
    rm -rf "$1"
}
PACKAGE_PIDS=()

check_package_contents() {
    local launcher=$1 admin=$2 tree=$3 path
    for path in opt/kestrel/Kestrel opt/kestrel/kestrel-catalogue opt/kestrel/Default.ico \
        etc/kestrel/Kestrel.ini usr/share/man/man1/kestrel-catalogue.1.gz \
        usr/share/applications/kestrel.desktop usr/share/icons/hicolor/32x32/apps/kestrel.png \
        usr/share/icons/hicolor/64x64/apps/kestrel.png \
        usr/share/icons/hicolor/scalable/apps/kestrel.svg \
        opt/kestrel/KestrelAdmin usr/share/applications/kestrel-admin.desktop \
        usr/share/icons/hicolor/scalable/apps/kestrel-admin.svg \
        usr/share/xsessions/kestrel-kiosk.desktop opt/kestrel/kestrel-kiosk-session; do
        [ -f "$tree/$path" ] || package_fail "/$path is missing"
    done
    for path in var/lib/kestrel/icons; do
        [ -d "$tree/$path" ] || package_fail "/$path is missing"
    done
    [ "$(readlink "$tree/opt/kestrel/Kestrel.ini")" = /etc/kestrel/Kestrel.ini ] ||
        package_fail "/opt/kestrel/Kestrel.ini does not lead to the conffile"
    local command
    for command in kestrel:Kestrel kestrel-admin:KestrelAdmin kestrel-catalogue:kestrel-catalogue; do
        [ "$(readlink "$tree/usr/bin/${command%%:*}")" = "/opt/kestrel/${command#*:}" ] ||
            package_fail "/usr/bin/${command%%:*} does not lead to /opt/kestrel/${command#*:}"
    done
    grep -qx 'Categories=Settings;' "$tree/usr/share/applications/kestrel-admin.desktop" ||
        package_fail "the administrator's entry is not in Settings"
    dpkg-deb -I "$launcher" conffiles | grep -qx /etc/kestrel/Kestrel.ini ||
        package_fail "Kestrel.ini is not a conffile"
    grep -qx 'RefreshSeconds=60' "$tree/etc/kestrel/Kestrel.ini" ||
        package_fail "Kestrel.ini does not refresh the launchers every 60 seconds"

    local depends recommends
    depends=$(dpkg-deb -f "$launcher" Depends)
    recommends=$(dpkg-deb -f "$launcher" Recommends)
    for path in libqt6sql6-sqlite libqt6svg6 libqt6gui6 libqt6widgets6 xdg-utils; do
        [[ $depends == *"$path"* ]] || package_fail "kestrel does not depend on $path"
    done
    [[ $recommends == *libqt6sql6-psql* ]] || package_fail "kestrel does not recommend libqt6sql6-psql"
    [[ $(dpkg-deb -f "$admin" Depends) == *"kestrel (= "* ]] ||
        package_fail "kestrel-admin does not depend on its kestrel"
}

# The kiosk session runs the wrapper, which starts its program again when it ends and ends
# it with itself. A stub stands in for the launcher: it ends at once the first time.
check_kiosk_session() {
    local tree=$1 session=$1/opt/kestrel/kestrel-kiosk-session stub=$1/kiosk-stub
    grep -qx 'Exec=/opt/kestrel/kestrel-kiosk-session' \
        "$tree/usr/share/xsessions/kestrel-kiosk.desktop" ||
        package_fail "the kiosk session does not run the installed wrapper"
    [ -x "$session" ] || package_fail "the kiosk session's wrapper is not executable"
    printf '#!/bin/sh\necho $$ >>%s.runs\n[ "$(wc -l <%s.runs)" -lt 2 ] || exec sleep 60\n' \
        "$stub" "$stub" >"$stub"
    chmod 0755 "$stub"
    "$session" "$stub" &
    local pid=$! i
    for i in $(seq 100); do
        [ "$(wc -l 2>/dev/null <"$stub.runs")" = 2 ] && break
        sleep 0.1
    done
    kill "$pid"
    wait "$pid" || true
    [ "$(wc -l <"$stub.runs")" = 2 ] ||
        package_fail "the kiosk session did not start its program again"
    ! kill -0 "$(tail -n1 "$stub.runs")" 2>/dev/null ||
        package_fail "the kiosk session left its program running when it ended"
}

# The unpacked tree stands for the installed system: its settings point into the tree.
check_package_start() {
    local tree=$1 prog=$1/opt/kestrel user=()
    rm "$prog/Kestrel.ini"
    sed -e "s#=/opt/kestrel#=$prog#" -e "s#=/var/lib/kestrel#=$tree/var/lib/kestrel#" \
        "$tree/etc/kestrel/Kestrel.ini" >"$prog/Kestrel.ini"
    rm "$prog/icons" && ln -s "$tree/var/lib/kestrel/icons" "$prog/icons"

    local out=$tree/out marker=$tree/out/launched
    mkdir -m 1777 "$out"
    echo "LaunchLog=$out/launches.log" >>"$prog/Kestrel.ini" # the last section is [Logging]
    printf '#!/bin/sh\ntouch %s\n' "$marker" >"$tree/var/lib/kestrel/hello"
    chmod 0755 "$tree/var/lib/kestrel/hello"
    local db=$tree/var/lib/kestrel/Kestrel.mdb
    "$prog/kestrel-catalogue" create "$db" >/dev/null
    "$prog/kestrel-catalogue" add "$db" --name Hello --path "$tree/var/lib/kestrel/hello" \
        --desc "Proves that a launch from the installed launcher works" >/dev/null
    local program
    for program in Kestrel KestrelAdmin kestrel-catalogue; do
        "$prog/$program" --version | grep -qx "$program [0-9.]*" ||
            package_fail "$program --version"
    done

    # As root, the programs run as nobody, who may write neither the settings nor the
    # catalogue.
    if [ "$(id -u)" -eq 0 ]; then
        user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    local home=$out/home
    mkdir -m 0700 "$home"
    [ ${#user[@]} -eq 0 ] || chown nobody:nogroup "$home"
    start_xvfb
    local env=(env -i "PATH=/usr/bin:/bin" "DISPLAY=$DISPLAY" "HOME=$home" "XDG_RUNTIME_DIR=$home"
        "XDG_CONFIG_HOME=$home/.config")

    "${user[@]}" "${env[@]}" "$prog/Kestrel" >"$out/Kestrel.log" 2>&1 &
    local pid=$! window
    PACKAGE_PIDS+=("$pid")
    # A first start as a new user builds its font cache: allow for a busy machine.
    window=$(wait_for_window '^Kestrel $' 600) || {
        cat "$out/Kestrel.log"
        package_fail "the installed launcher showed no window"
    }
    # The first program of the list, double-clicked: the catalogue was read and shown.
    sleep 1
    xdotool mousemove --window "$window" 255 25 click --repeat 2 --delay 100 1
    local i
    for i in $(seq 50); do
        [ -e "$marker" ] && break
        sleep 0.1
    done
    [ -e "$marker" ] || {
        package_fail "a double-click in the installed launcher launched nothing"
    }
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    local tab=$'\t'
    grep -q "${tab}Hello${tab}$tree/var/lib/kestrel/hello${tab}started${tab}\$" "$out/launches.log" ||
        package_fail "the launch is not in the launch log"
    "$prog/kestrel-catalogue" usage "$out/launches.log" --json | grep -q '"program": "Hello"' ||
        package_fail "kestrel-catalogue usage does not count the launch"

    "${user[@]}" "${env[@]}" "$prog/KestrelAdmin" >"$out/KestrelAdmin.log" 2>&1 &
    pid=$!
    PACKAGE_PIDS+=("$pid")
    wait_for_window '^Kestrel Setup' 600 >/dev/null || {
        cat "$out/KestrelAdmin.log"
        package_fail "the installed administrator showed no setup window"
    }
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
