#!/usr/bin/env bash
# Builds trackctl and tracksim, then runs trackctl in this terminal against the
# simulated device. Answer 1 for the port; try 1 (read configuration), 3 then 2
# (download a logger sector), 5 (start tracking from config15.dat) and 0 to leave.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "build" cmake ninja-build g++ nlohmann-json3-dev

cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

# A working folder with the tracking parameters and a small firmware image, so
# that every menu entry has what it needs; logger files land here too.
demo=build/demo
mkdir -p "$demo"
cp examples/config15.dat "$demo/"
[ -f "$demo/RAVU.BIN" ] || head -c 4096 /dev/urandom >"$demo/RAVU.BIN"
cd "$demo"
echo "Working folder: $PWD"
exec ../release/sim/tracksim -- ../release/src/trackctl
