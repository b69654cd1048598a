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
# The source index comes from the mirrors of the system's own apt sources, kept
# in a temporary folder: the system's apt sources and lists stay as they are.
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

for tool in apt-get dpkg-source gcc make tclsh; do
  command -v "$tool" >/dev/null || fail "$tool is missing (packages: dpkg-dev gcc make tcl)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
apt="$work/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"

# deb-src entries for the Debian mirrors that the system's deb entries name.
: >"$apt/sources.list"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] || continue
  sed -n -E 's%^[[:space:]]*deb(-src)?[[:space:]]+(.*/debian(-security)?/?[[:space:]].*)%deb-src \2%p' "$list" \
    >>"$apt/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] || continue
  awk 'BEGIN { RS = "" }
       /(^|\n)URIs:[^\n]*\/debian(-security)?\/?([[:space:]]|$)/ {
         n = split($0, lines, "\n")
         for (i = 1; i <= n; i++) print (lines[i] ~ /^Types:/ ? "Types: deb-src" : lines[i])
         print ""
       }' "$sources" >"$apt/sources.list.d/$(basename "$sources")"
done
grep -qs deb-src "$apt/sources.list" "$apt"/sources.list.d/* ||
  fail "no Debian mirror among the apt sources (/etc/apt/sources.list, /etc/apt/sources.list.d/)"

apt_options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
             -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Update::Error-Mode=any)
# Root's downloads into a folder of root's: apt's own user could not write there.
[ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)

echo "== SQLite amalgamation: fetching Debian's sqlite3 source package"
apt-get "${apt_options[@]}" -q update >"$work/update.log" 2>&1 ||
  { cat "$work/update.log" >&2; fail "cannot fetch the source index"; }
mkdir "$work/fetch"
package=sqlite3${wanted:+=$wanted}
if ! (cd "$work/fetch" && apt-get "${apt_options[@]}" -q source --download-only "$package") >"$work/fetch.log" 2>&1; then
  cat "$work/fetch.log" >&2
  fail "cannot fetch the source package $package"
fi
dsc=$(ls "$work"/fetch/sqlite3_*.dsc)
version=$(sed -n 's/^Version: //p' "$dsc")
# apt checked the files against the signed index; the .dsc's own signature needs
# Debian's developer keys, which this check does not.
dpkg-source -x "$dsc" "$work/source" >"$work/unpack.log" 2>&1 ||
  { cat "$work/unpack.log" >&2; fail "cannot unpack $dsc"; }

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
