#!/usr/bin/env bash
# The Windows build's import and export over TCP and TLS beside the Linux
# build's, on the same throwaway server and the same 1 MiB logger sector file
# (47,662 records, downloaded from tracksim): trackctl.exe under wine, the
# Linux release build natively. Each figure is the median of RUNS runs of the
# whole process (wine's start included), each import into a new database.
# Needs the release and mingw builds (cmake --preset release / mingw), the
# default build's tracksim and wine.
#   usage: bench/wine_postgres.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
linux=$PWD/build/release/src/trackctl
windows=$PWD/build/mingw/src/trackctl.exe
tracksim=$PWD/build/default/sim/tracksim
for program in "$linux" "$windows" "$tracksim"; do
  [ -x "$program" ] || { echo "missing: $program (build the release, mingw and default presets)" >&2; exit 1; }
done
export WINEPREFIX="${WINEPREFIX:-$PWD/build/mingw/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p >/dev/null 2>&1 || true

work=$(mktemp -d)
pg_dir=$(mktemp -u /tmp/trackctl-pg-wine-bench.XXXXXX)
script=$PWD/scripts/test-postgres.sh
trap '"$script" stop "$pg_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$script" start "$pg_dir" >/dev/null
port=$(cat "$pg_dir/port")
cp "$pg_dir/tls/ca.crt" "$work/"
cd "$work"
"$tracksim" --records 47662 -- "$linux" download sms >/dev/null
file=$(ls ./*.dat)
file=${file#./}
key=${file%%_*}
export PGPASSWORD=bench-secret

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
milliseconds() {  # usage: milliseconds COMMAND...: the wall time of COMMAND in ms
  local start end
  start=$(date +%s%N)
  "$@" >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
measure() {  # usage: measure NAME PROGRAM...: prints "NAME import-ms export-ms"
  local name=$1 imports=() exports=() run database archive
  shift
  for run in $(seq "$runs"); do
    database="b$$_${name}_$run"
    psql -X -q "host=$pg_dir user=trackctl dbname=postgres" -c "CREATE DATABASE $database OWNER bench"
    archive="host=localhost port=$port user=bench dbname=$database sslmode=verify-full sslrootcert=ca.crt"
    imports+=("$(milliseconds "$@" import --utc-offset +00:00 --archive "$archive" "$file")")
    exports+=("$(milliseconds "$@" export --archive "$archive" --device "$key" --format csv -o "$database.csv")")
    [ "$(wc -l <"$database.csv")" -eq 47663 ] || { echo "$name: the export holds $(wc -l <"$database.csv") lines" >&2; exit 1; }
  done
  echo "$name $(printf '%s\n' "${imports[@]}" | median) $(printf '%s\n' "${exports[@]}" | median)"
}
echo "| build, over TCP and TLS (verify-full) | runs | import of 1 MiB (47,662 records) | export of them (CSV) |"
echo "|---|---|---|---|"
for line in "$(measure linux "$linux")" "$(measure windows wine "$windows")"; do
  read -r name import export <<<"$line"
  echo "| $name | $runs | $import ms | $export ms |"
done
