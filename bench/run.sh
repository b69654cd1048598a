#!/usr/bin/env bash
# Builds the release binaries with the benchmarks and prints the tables of figures
# (Markdown), with the machine they were measured on and its load: transfers, line
# formatting, the export's table, the archive's (beside GDAL's ogr2ogr, when it is
# installed, into a GeoPackage and into the PostgreSQL cluster the bench starts).
# Each figure is the median of its runs: 5 unpaced, 3 at 115200 baud (a paced
# 1 MiB download takes about 91 s; the whole bench about 6 minutes, more the first
# time: archive_bench makes its archive of a million records once, about 40 s,
# and keeps it in build/release/bench/archive_bench_work/). Arguments go to
# transfer_bench, e.g.
#   bench/run.sh --unpaced-only        # the fast part alone, in seconds
#   bench/run.sh --runs 9 --paced-runs 1
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release -DTRACKCTL_BUILD_BENCH=ON >/dev/null
cmake --build --preset release >/dev/null

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "Measured on $(date -u +%Y-%m-%d): ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr), load average $(cut -d' ' -f1-3 /proc/loadavg)."
echo
echo "| Measurement | Runs | Wall (median) | CPU | Peak RSS | Rate | Line efficiency |"
echo "|---|---|---|---|---|---|---|"
build/release/bench/transfer_bench "$@"
build/release/bench/format_bench 2>/dev/null
if [ -x build/release/bench/startup_bench ]; then
  echo
  build/release/bench/startup_bench
fi
echo
build/release/bench/export_bench
if [ -x build/release/bench/archive_bench ]; then
  echo
  build/release/bench/archive_bench
  echo
  build/release/bench/archive_fleet_bench 2>/dev/null
fi
if [ -x build/release/src/postgres_bench ]; then
  # A throwaway cluster of its own, removed at the end whatever happens.
  pg_dir=$(mktemp -u /tmp/trackctl-pg-bench.XXXXXX)
  trap 'scripts/test-postgres.sh stop "$pg_dir"' EXIT
  if scripts/test-postgres.sh start "$pg_dir" >/dev/null && [ -S "$pg_dir/.s.PGSQL.5432" ]; then
    echo
    build/release/src/postgres_bench "host=$pg_dir user=trackctl"
  fi
fi
