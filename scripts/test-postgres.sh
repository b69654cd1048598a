#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and the bench, on a Unix socket
# in DIR and on a TCP port of its own on 127.0.0.1, run by an unprivileged user
# (nobody, when this runs as root: the server refuses to run as root).
#
#   scripts/test-postgres.sh start DIR   # makes the cluster once, starts it
#   scripts/test-postgres.sh halt DIR    # stops the server, keeps the cluster
#   scripts/test-postgres.sh stop DIR    # stops the server, removes DIR
#
# Connect with "host=DIR user=trackctl" (superuser, no password), or as the
# role bench with the password bench-secret (scram-sha-256). Over TCP
# ("host=127.0.0.1 port=$(cat DIR/port)") only TLS is taken (hostssl) and every
# role logs in with its password (scram-sha-256), the superuser with
# trackctl-secret. The server's certificate (DIR/tls/server.crt, for localhost
# and 127.0.0.1) is signed by a test CA, DIR/tls/ca.crt; DIR/tls/other-ca.crt
# is a CA that signed nothing of the server's. The openssl command makes them
# when the cluster is made. The port is picked free when the
# cluster is made and kept in DIR/port; the socket of the default port,
# DIR/.s.PGSQL.5432, leads to the server's own. Without initdb, start says so
# and does nothing (the tests then skip, or fail under CI=true).
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|halt|stop DIR" >&2
  exit 2
fi
bin=${TRACKCTL_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
data="$dir/data"

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$command" in
  start)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
      echo "no PostgreSQL server here (Debian's postgresql package); the PostgreSQL tests skip"
      exit 0
    fi
    if [ ! -f "$data/PG_VERSION" ]; then
      rm -rf "$dir"
      if [ "$(id -u)" -eq 0 ]; then
        install -d -o nobody -g nogroup -m 755 "$dir"
      else
        install -d -m 755 "$dir"
      fi
      as_owner "$bin/initdb" -D "$data" -U trackctl --auth=trust -E UTF8 --locale=C -N >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
      printf 'local all bench scram-sha-256\nlocal all all trust\nhostssl all all 127.0.0.1/32 scram-sha-256\n' \
        >"$data/pg_hba.conf"
      [ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$data/pg_hba.conf"
      fresh=1
    fi
    tls="$dir/tls"
    if [ ! -s "$tls/server.crt" ]; then
      command -v openssl >/dev/null || { echo "no openssl command (package openssl)" >&2; exit 1; }
      rm -rf "$tls" && mkdir -p "$tls"
      ca() {  # usage: ca NAME: a self-signed CA, NAME.crt and NAME.key
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=trackctl test $1" \
          -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
          -keyout "$tls/$1.key" -out "$tls/$1.crt"
      }
      {
        ca ca && ca other-ca
        openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$tls/server.key" -out "$tls/server.csr"
        printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >"$tls/server.ext"
        openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
          -extfile "$tls/server.ext" -out "$tls/server.crt"
      } >"$tls/openssl.log" 2>&1 || { cat "$tls/openssl.log" >&2; exit 1; }
      chmod 600 "$tls/server.key"
      [ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$tls/server.key"
      chmod 644 "$tls"/*.crt
    fi
    if [ ! -s "$dir/port" ]; then
      # A port derived from DIR, or the next one that nothing listens on.
      port=$((20000 + $(printf '%s' "$dir" | cksum | cut -d' ' -f1) % 20000))
      while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
      echo "$port" >"$dir/port"
    fi
    port=$(cat "$dir/port")
    # A server left running by a run that was killed is taken as it is.
    as_owner "$bin/pg_ctl" status -D "$data" >/dev/null 2>&1 ||
    as_owner "$bin/pg_ctl" start -w -D "$data" -l "$dir/server.log" \
      -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$dir' -c max_connections=60 -c ssl=on -c ssl_cert_file='$tls/server.crt' -c ssl_key_file='$tls/server.key'" \
      >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    ln -sfn ".s.PGSQL.$port" "$dir/.s.PGSQL.5432"
    if [ "${fresh:-0}" = 1 ]; then
      "$bin/psql" -X -q -v ON_ERROR_STOP=1 "host=$dir user=trackctl dbname=postgres" \
        -c "CREATE ROLE bench LOGIN CREATEDB PASSWORD 'bench-secret'"
    fi
    # Also on a cluster that an earlier version of this script made.
    "$bin/psql" -X -q -v ON_ERROR_STOP=1 "host=$dir user=trackctl dbname=postgres" \
      -c "ALTER ROLE trackctl PASSWORD 'trackctl-secret'"
    echo "PostgreSQL $("$bin/postgres" --version | awk '{print $3}') on $dir and 127.0.0.1:$port"
    ;;
  halt)
    as_owner "$bin/pg_ctl" stop -w -D "$data" -m fast >/dev/null
    ;;
  stop)
    if [ -f "$data/postmaster.pid" ]; then
      as_owner "$bin/pg_ctl" stop -w -D "$data" -m immediate >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|halt|stop DIR" >&2
    exit 2
    ;;
esac
