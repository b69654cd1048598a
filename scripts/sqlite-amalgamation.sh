#!/usr/bin/env bash
# Makes SQLite's amalgamation, sqlite3.c and sqlite3.h, from Debian's sqlite3
# source package with Debian's patches applied, for a build that has no
# libsqlite3 to link: the Windows build compiles it into trackctl.exe.
#
# The version is that of the libsqlite3-0 installed for the Linux build, so that
# both builds run the same SQLite; without one, the newest that the source index
# offers. OUTDIR/VERSION names the Debian version that OUTDIR holds: when it is
# the one wanted, nothing is fetched or built.
#
# The source package comes through scripts/debian-source.sh.
# Needs dpkg-dev, gcc, make and tcl (tclsh).
#   usage: scripts/sqlite-amalgamation.sh OUTDIR
set -euo pipefail

fail() {
  echo "sqlite-amalgamation: $*" >&2
  exit 1
}

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
out=$1

holds() { [ -f "$out/sqlite3.c" ] && [ -f "$out/sqlite3.h" ] && [ "$(cat "$out/VERSION" 2>/dev/null)" = "$1" ]; }

wanted=$(dpkg-query -W -f='${Version}' libsqlite3-0 2>/dev/null || true)
if [ -n "$wanted" ] && holds "$wanted"; then
  echo "SQLite amalgamation $wanted (Debian): in $out already"
  exit 0
fi

for tool in gcc make tclsh; do
  command -v "$tool" >/dev/null || fail "$tool is missing (packages: dpkg-dev gcc make tcl)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$(dirname "$0")/debian-source.sh" "sqlite3${wanted:+=$wanted}" "$work/debian" || fail "no source to build from"
version=$(cat "$work/debian/VERSION")
mv "$work/debian/source" "$work/source"

echo "== SQLite amalgamation: building sqlite3.c of $version with tclsh"
mkdir "$work/build"
(cd "$work/build" && "$work/source/configure" --disable-tcl && make sqlite3.c) >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log" >&2; fail "cannot build the amalgamation of $version"; }

# Into place whole: a folder with VERSION is a complete one.
mkdir -p "$(dirname "$out")"
staged=$(mktemp -d "$out.XXXXXX")
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$staged/"
echo "$version" >"$staged/VERSION"
chmod 755 "$staged"
rm -rf "$out"
mv "$staged" "$out"
holds "$version" || fail "$out does not hold what was built"
echo "SQLite amalgamation $version (Debian, SQLite $(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' "$out/sqlite3.h")): in $out"
