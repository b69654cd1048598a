#!/usr/bin/env bash
# Fetches a Debian source package and unpacks it with Debian's patches applied
# (dpkg-source -x), for the scripts that build from Debian's sources.
#
# The source index comes from the mirrors of the system's own apt sources, kept
# in a temporary folder: the system's apt sources and lists stay as they are.
# apt checks the files against the signed index; the .dsc's own signature needs
# Debian's developer keys, which this does not check. Needs dpkg-dev.
#   usage: scripts/debian-source.sh PACKAGE[=VERSION] DIR
# When the mirrors no longer offer VERSION, the newest that they hold whole, with
# a note on standard error. DIR must not exist; it is made with source/ (the unpacked tree) and VERSION
# (the Debian version unpacked), and logs. Ends with an error that says what
# failed, after writing the failing step's log to standard error.
set -euo pipefail

fail() {
  echo "debian-source: $*" >&2
  exit 1
}

[ $# -eq 2 ] || { echo "usage: $0 PACKAGE[=VERSION] DIR" >&2; exit 2; }
package=$1
work=$2
name=${package%%=*}
for tool in apt-get dpkg-source; do
  command -v "$tool" >/dev/null || fail "$tool is missing (package: dpkg-dev)"
done
mkdir "$work" || fail "cannot make $work"
work=$(cd "$work" && pwd)  # apt takes relative paths from /

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

echo "== fetching Debian's $name source package"
apt-get "${apt_options[@]}" -q update >"$work/update.log" 2>&1 ||
  { cat "$work/update.log" >&2; fail "cannot fetch the source index"; }
mkdir "$work/fetch"
source() { (cd "$work/fetch" && apt-get "${apt_options[@]}" -q source --download-only "$1") >"$work/fetch.log" 2>&1; }
if ! source "$package"; then
  # A version that the mirrors no longer offer (the installed one, superseded by
  # a security update): the newest that they hold whole, said so.
  fetched=
  if [ "$package" != "$name" ]; then
    for version in $(apt-cache "${apt_options[@]}" showsrc "$name" 2>/dev/null | sed -n 's/^Version: //p' |
                     sort -u | sort -r -V); do
      rm -rf "$work/fetch" && mkdir "$work/fetch"
      if source "$name=$version"; then
        echo "debian-source: NOTE: the mirrors no longer offer $package; $version instead" >&2
        fetched=$version
        break
      fi
    done
  fi
  if [ -z "$fetched" ]; then
    cat "$work/fetch.log" >&2
    fail "cannot fetch the source package $package"
  fi
fi
dsc=$(ls "$work"/fetch/"${name}"_*.dsc)
dpkg-source -x "$dsc" "$work/source" >"$work/unpack.log" 2>&1 ||
  { cat "$work/unpack.log" >&2; fail "cannot unpack $dsc"; }
sed -n 's/^Version: //p' "$dsc" >"$work/VERSION"
