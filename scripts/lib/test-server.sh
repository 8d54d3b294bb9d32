# A private PostgreSQL server for the test run (sourced by scripts/test).
# shellcheck shell=bash
#
# start_test_server: unless KESTREL_TEST_POSTGRESQL already names a server (a developer's
# own, e.g. postgresql:///postgres?host=/run/postgresql&user=me, whose role may create
# databases), makes a data folder with initdb in a temporary folder and starts a server
# that listens only on a Unix socket in that folder, as "nobody" when run as root (the
# server refuses root). Exports KESTREL_TEST_POSTGRESQL; when the server does not start it
# exports KESTREL_TEST_POSTGRESQL_ERROR instead (the tests then skip, or fail when CI=true).
# Beside it, for the fault tests (each export left out when that part does not start):
#   KESTREL_TEST_POSTGRESQL_PASSWORD_ROLE  a role the server asks a password of (scram)
#   KESTREL_TEST_POSTGRESQL_STANDBY        a hot standby of the server (read-only)
#   KESTREL_TEST_POSTGRESQL_SPARE          a second server that a test may stop and start
#   KESTREL_TEST_POSTGRESQL_SPARE_CTL      with this command: pg_ctl's stop/start arguments
#   KESTREL_TEST_POOLER                    the server through a private PgBouncer in
#                                          transaction mode (few server sessions shared by
#                                          all its clients), with pool_mode=transaction
#   KESTREL_TEST_POOLER_SPARE              the same through a second PgBouncer, which a test
#   KESTREL_TEST_POOLER_SPARE_CTL          may restart with this command (stop|start|restart)
# stop_test_server stops them and removes the folder.

KESTREL_TEST_PACKAGES=(postgresql libqt6sql6-psql pgbouncer)
kestrel_pg_folder=

# pg_ctl and the other server programs, as nobody when run as root.
kestrel_pg_run() {
    local bin
    bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -1)
    local program=$1
    shift
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups "$bin/$program" "$@"
    else
        "$bin/$program" "$@"
    fi
}

# PgBouncer in front of the server whose socket is in folder $1, in folder $1/$2 with its
# socket and its control script $1/$2/ctl (stop|start|restart): every database under its
# own name, at most two server sessions per database and role (so that clients really
# share them), as nobody when run as root (it refuses root). Prints its URI.
kestrel_pooler_start() {
    local folder=$1 pooler=$1/$2
    command -v pgbouncer >/dev/null || [ -x /usr/sbin/pgbouncer ] || return 1
    mkdir -p "$pooler"
    echo '"kestrel" ""' >"$pooler/users"
    cat >"$pooler/pgbouncer.ini" <<INI
[databases]
* = host=$folder
[pgbouncer]
listen_addr =
listen_port = 6432
unix_socket_dir = $pooler
auth_type = trust
auth_file = $pooler/users
auth_user = kestrel
pool_mode = transaction
default_pool_size = 2
max_client_conn = 1000
query_wait_timeout = 30
logfile = $pooler/pgbouncer.log
pidfile = $pooler/pgbouncer.pid
INI
    [ "$(id -u)" = 0 ] && chown -R nobody:nogroup "$pooler"
    cat >"$pooler/ctl" <<CTL
#!/usr/bin/env bash
pid=\$(cat '$pooler/pgbouncer.pid' 2>/dev/null)
if [ "\$1" != start ] && [ -n "\$pid" ] && kill "\$pid" 2>/dev/null; then
    for i in \$(seq 100); do kill -0 "\$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "\$pid" 2>/dev/null
fi
[ "\$1" = stop ] && exit 0
as=()
[ "\$(id -u)" = 0 ] && as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
"\${as[@]}" "\$(command -v pgbouncer || echo /usr/sbin/pgbouncer)" -q -d '$pooler/pgbouncer.ini' || exit 1
for i in \$(seq 100); do
    psql "host=$pooler port=6432 user=kestrel dbname=postgres" -qtAc 'SELECT 1' >/dev/null 2>&1 && exit 0
    sleep 0.1
done
exit 1
CTL
    chmod 755 "$pooler/ctl"
    "$pooler/ctl" start >/dev/null || return 1
    echo "postgresql:///postgres?host=$pooler&port=6432&user=kestrel&pool_mode=transaction"
}

# The data folder $1 listens on a socket in folder $2 only.
kestrel_pg_configure() {
    mkdir -p "$2"
    [ "$(id -u)" = 0 ] && chown nobody:nogroup "$2"
    cat >>"$1/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$2'
fsync = off
max_connections = 300
# No autovacuum workers: each would start a server process of its own in the middle of
# what the benchmarks measure (the tests' databases are small and short-lived).
autovacuum = off
CONF
}

start_test_server() {
    [ -n "${KESTREL_TEST_POSTGRESQL:-}" ] && return 0
    local folder log
    kestrel_pg_folder=$(mktemp -d /tmp/kestrel-pg.XXXXXX)
    folder=$kestrel_pg_folder
    chmod 755 "$folder"
    log=$folder/server.log
    [ "$(id -u)" = 0 ] && chown nobody:nogroup "$folder"
    if find /usr/lib/postgresql -maxdepth 3 -name initdb 2>/dev/null | grep -q . &&
        kestrel_pg_run initdb -D "$folder/data" -U kestrel --auth=trust -E UTF8 \
            --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 &&
        kestrel_pg_configure "$folder/data" "$folder" &&
        sed -i '1i local all kestrel_password scram-sha-256' "$folder/data/pg_hba.conf" &&
        kestrel_pg_run pg_ctl -D "$folder/data" -l "$log" -w -t 60 start >/dev/null 2>&1; then
        export KESTREL_TEST_POSTGRESQL="postgresql:///postgres?host=$folder&user=kestrel"
        export KESTREL_TEST_POSTGRESQL_PASSWORD_ROLE=kestrel_password
    else
        export KESTREL_TEST_POSTGRESQL_ERROR="the test server did not start: $(tail -n 3 "$log" "$folder/initdb.log" 2>/dev/null | tr '\n' ' ')"
        echo "$KESTREL_TEST_POSTGRESQL_ERROR" >&2
        return 0
    fi
    local pooler
    if pooler=$(kestrel_pooler_start "$folder" pooler); then
        export KESTREL_TEST_POOLER=$pooler
    else
        export KESTREL_TEST_POOLER_ERROR="the test pooler did not start: $(tail -n 3 "$folder/pooler/pgbouncer.log" 2>/dev/null | tr '\n' ' ')"
        echo "$KESTREL_TEST_POOLER_ERROR" >&2
    fi
    if pooler=$(kestrel_pooler_start "$folder" pooler-spare); then
        export KESTREL_TEST_POOLER_SPARE=$pooler KESTREL_TEST_POOLER_SPARE_CTL=$folder/pooler-spare/ctl
    fi
    # A hot standby (streaming from the server) and a spare copy, each on its own socket.
    local copy
    for copy in standby spare; do
        if kestrel_pg_run pg_basebackup -h "$folder" -U kestrel -D "$folder/$copy" -c fast \
            $([ "$copy" = standby ] && echo -R) >"$folder/$copy-backup.log" 2>&1 &&
            kestrel_pg_configure "$folder/$copy" "$folder/$copy-socket" &&
            kestrel_pg_run pg_ctl -D "$folder/$copy" -l "$folder/$copy.log" -w -t 60 start \
                >/dev/null 2>&1; then
            local uri="postgresql:///postgres?host=$folder/$copy-socket&user=kestrel"
            if [ "$copy" = standby ]; then
                export KESTREL_TEST_POSTGRESQL_STANDBY=$uri
            else
                export KESTREL_TEST_POSTGRESQL_SPARE=$uri
                {
                    echo '#!/usr/bin/env bash'
                    declare -f kestrel_pg_run
                    echo "kestrel_pg_run pg_ctl -D '$folder/spare' -l '$folder/spare.log' -w -t 60 \"\$@\""
                } >"$folder/spare-ctl"
                chmod 755 "$folder/spare-ctl"
                export KESTREL_TEST_POSTGRESQL_SPARE_CTL=$folder/spare-ctl
            fi
        else
            echo "the test server's $copy did not start: $(tail -n 3 "$folder/$copy-backup.log" "$folder/$copy.log" 2>/dev/null | tr '\n' ' ')" >&2
        fi
    done
}

stop_test_server() {
    [ -n "$kestrel_pg_folder" ] || return 0
    local data
    for data in "$kestrel_pg_folder"/pooler{,-spare}/ctl; do
        [ -x "$data" ] && "$data" stop
    done
    for data in "$kestrel_pg_folder"/{standby,spare,data}; do
        if [ -f "$data/postmaster.pid" ]; then
            kestrel_pg_run pg_ctl -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
        fi
    done
    rm -rf "$kestrel_pg_folder"
    kestrel_pg_folder=
}
