# A private PostgreSQL server for the test run (sourced by scripts/test).
# shellcheck shell=bash
#
# start_test_server: unless KESTREL_TEST_POSTGRESQL already names a server (a developer's
# own, e.g. postgresql:///postgres?host=/run/postgresql&user=me, whose role may create
# databases), makes a data folder with initdb in a temporary folder and starts a server
# that listens only on a Unix socket in that folder, as "nobody" when run as root (the
# server refuses root). Exports KESTREL_TEST_POSTGRESQL; when the server does not start it
# exports KESTREL_TEST_POSTGRESQL_ERROR instead (the tests then skip, or fail when CI=true).
# stop_test_server stops it and removes the folder.

KESTREL_TEST_PACKAGES=(postgresql libqt6sql6-psql)
kestrel_pg_folder=

start_test_server() {
    [ -n "${KESTREL_TEST_POSTGRESQL:-}" ] && return 0
    local bin log
    bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -1)
    kestrel_pg_folder=$(mktemp -d /tmp/kestrel-pg.XXXXXX)
    chmod 755 "$kestrel_pg_folder"
    log=$kestrel_pg_folder/server.log
    local as=()
    if [ "$(id -u)" = 0 ]; then
        chown nobody:nogroup "$kestrel_pg_folder"
        as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    if [ -n "$bin" ] &&
        "${as[@]}" "$bin/initdb" -D "$kestrel_pg_folder/data" -U kestrel --auth=trust -E UTF8 \
            --locale=C.UTF-8 >"$kestrel_pg_folder/initdb.log" 2>&1 &&
        "${as[@]}" "$bin/pg_ctl" -D "$kestrel_pg_folder/data" -l "$log" -w -t 60 \
            -o "-c listen_addresses='' -c unix_socket_directories='$kestrel_pg_folder' -c fsync=off -c max_connections=300" \
            start >/dev/null 2>&1; then
        export KESTREL_TEST_POSTGRESQL="postgresql:///postgres?host=$kestrel_pg_folder&user=kestrel"
    else
        export KESTREL_TEST_POSTGRESQL_ERROR="the test server did not start (${bin:-no server installed}): $(tail -n 3 "$log" "$kestrel_pg_folder/initdb.log" 2>/dev/null | tr '\n' ' ')"
        echo "$KESTREL_TEST_POSTGRESQL_ERROR" >&2
    fi
}

stop_test_server() {
    [ -n "$kestrel_pg_folder" ] || return 0
    local bin as=()
    bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -1)
    [ "$(id -u)" = 0 ] && as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    if [ -f "$kestrel_pg_folder/data/postmaster.pid" ]; then
        "${as[@]}" "$bin/pg_ctl" -D "$kestrel_pg_folder/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$kestrel_pg_folder"
    kestrel_pg_folder=
}
