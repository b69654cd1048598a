#!/usr/bin/env bash
# Checks the cache of scripts/sqlite-amalgamation.sh without the network: apt-get
# is one that fails and notes each call. A folder that holds the installed
# libsqlite3-0's version is used as it is; one of another version, or without
# one of its files, is fetched anew, and when that fails the script says so,
# ends with an error and leaves the folder as it was.
set -euo pipefail
cd "$(dirname "$0")/../.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/bin/sh
echo "apt-get $*" >>"$APT_CALLS"
echo "E: no network in this test" >&2
exit 100
FAKE
chmod +x "$work/bin/apt-get"
export APT_CALLS="$work/apt-calls"

wanted=$(dpkg-query -W -f='${Version}' libsqlite3-0)
failures=0
check() {  # usage: check WHAT CONDITION...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what" >&2; failures=$((failures + 1)); fi
}

# usage: run NAME VERSION [FILE...]: a folder NAME with VERSION and the files, then the script on it.
run() {
  local out="$work/$1" version=$2
  shift 2
  mkdir -p "$out"
  echo "$version" >"$out/VERSION"
  for file in "$@"; do echo "/* $file */" >"$out/$file"; done
  : >"$APT_CALLS"
  status=0
  PATH="$work/bin:$PATH" scripts/sqlite-amalgamation.sh "$out" >"$work/stdout" 2>"$work/stderr" || status=$?
}

run cached "$wanted" sqlite3.c sqlite3.h
check "the folder of the installed version is used as it is" [ "$status" -eq 0 ]
check "... nothing fetched" [ ! -s "$APT_CALLS" ]
check "... its sqlite3.c kept" grep -qx '/\* sqlite3.c \*/' "$work/cached/sqlite3.c"
check "... and the output says so" grep -q "in $work/cached already" "$work/stdout"

run stale 3.0.0-1 sqlite3.c sqlite3.h
check "a folder of another version is fetched anew" grep -q " update$" "$APT_CALLS"
check "... a failed fetch ends with an error" [ "$status" -ne 0 ]
check "... that says what failed" grep -q "cannot fetch the source index" "$work/stderr"
check "... and leaves the folder as it was" grep -qx '3.0.0-1' "$work/stale/VERSION"

run incomplete "$wanted" sqlite3.h
check "a folder without sqlite3.c is fetched anew" grep -q " update$" "$APT_CALLS"
check "... and a failed fetch ends with an error" [ "$status" -ne 0 ]

[ "$failures" -eq 0 ] || { echo "sqlite_amalgamation_test: $failures failed" >&2; exit 1; }
echo "sqlite_amalgamation_test: all passed"
