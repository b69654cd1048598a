#!/usr/bin/env bash
# Cross-builds libpq and the OpenSSL it speaks TLS with as static libraries for
# x86_64-w64-mingw32, from Debian's openssl and postgresql-15 source packages
# with Debian's patches applied: the Windows build links them into trackctl.exe.
#
# The versions are those of the libssl3 and libpq5 installed for the Linux
# build, so that both builds speak to a server with the same code; without them,
# the newest that the source index offers. Only the libraries are built:
# OpenSSL's libssl and libcrypto, PostgreSQL's src/port, src/common and libpq.
# OUTDIR/VERSION names both Debian versions that OUTDIR (include/, lib/) holds,
# OUTDIR/WANTED the installed ones it was built for (the same, unless the mirrors
# no longer offered them): when those are the ones wanted, nothing is fetched or
# built. Compiles go
# through ccache when there is one.
# Needs dpkg-dev, make, perl and gcc-mingw-w64-x86-64-posix.
#   usage: scripts/mingw-libpq.sh OUTDIR
set -euo pipefail

fail() {
  echo "mingw-libpq: $*" >&2
  exit 1
}

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
out=$1
host=x86_64-w64-mingw32
libs=(libssl.a libcrypto.a libpq.a libpgcommon_shlib.a libpgport_shlib.a)

openssl_wanted=$(dpkg-query -W -f='${Version}' libssl3 2>/dev/null || true)
pq_wanted=$(dpkg-query -W -f='${Version}' libpq5 2>/dev/null || true)
holds() {
  local lib
  for lib in "${libs[@]}"; do [ -f "$out/lib/$lib" ] || return 1; done
  [ -f "$out/include/libpq-fe.h" ] && [ -f "$out/include/openssl/ssl.h" ] &&
    [ "$(cat "$out/WANTED" 2>/dev/null)" = "$1" ]
}
wanted="openssl=$openssl_wanted postgresql-15=$pq_wanted"
if [ -n "$openssl_wanted" ] && [ -n "$pq_wanted" ] && holds "$wanted"; then
  echo "libpq and OpenSSL for $host ($(cat "$out/VERSION"), Debian): in $out already"
  exit 0
fi

for tool in make perl "$host-gcc-posix" "$host-ar" "$host-ranlib" "$host-windres" "$host-objcopy"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (packages: dpkg-dev make perl gcc-mingw-w64-x86-64-posix)"
done
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2
cc="$host-gcc-posix"
if command -v ccache >/dev/null; then
  cc="ccache $cc"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# ccache sees the same relative paths in every run's temporary folder.
export CCACHE_BASEDIR="$work" CCACHE_NOHASHDIR=1
stage="$work/stage"
mkdir -p "$stage/include" "$stage/lib"

fetch() {  # usage: fetch PACKAGE VERSION DIR
  "$(dirname "$0")/debian-source.sh" "$1${2:+=$2}" "$3" || fail "no $1 source to build from"
}
fetch openssl "$openssl_wanted" "$work/openssl"
fetch postgresql-15 "$pq_wanted" "$work/postgresql"
built="openssl=$(cat "$work/openssl/VERSION") postgresql-15=$(cat "$work/postgresql/VERSION")"

echo "== OpenSSL $(cat "$work/openssl/VERSION"): libssl and libcrypto for $host"
# Taken from the build tree, not installed. The folder where OpenSSL reads
# openssl.cnf is the one its Windows builds use, which only an administrator
# may write to (mingw64's default, /usr/local/ssl, would be \usr\local\ssl on
# the current drive, which any user may make); nothing is ever loaded from a
# file (no-module, no-engine, no-dso).
ssl="$work/openssl/source"
(cd "$ssl" &&
  CC="$cc" AR="$host-ar" RANLIB="$host-ranlib" RC="$host-windres" \
    ./Configure mingw64 no-shared no-tests no-module no-engine no-dso &&
  make -j"$jobs" build_libs OPENSSLDIR="C:/Program Files/Common Files/SSL") >"$work/openssl.log" 2>&1 ||
  { tail -n 40 "$work/openssl.log" >&2; fail "cannot build OpenSSL"; }

echo "== PostgreSQL $(cat "$work/postgresql/VERSION"): libpq for $host"
pg="$work/postgresql/source"
# On Windows libpq's own libpq.a is the import library of libpq.dll: the static
# library is made here of its objects (without its version resource, which
# would be trackctl.exe's).
cat >"$work/objects.mk" <<'MAKE'
objects: $(filter-out $(WIN32RES),$(OBJS))
print-objects:
	@echo $(filter-out $(WIN32RES),$(OBJS))
MAKE
# libpq's own few pthread functions for Windows (pthread-win32.c, on its own
# mutex type) under names of their own: trackctl.exe links winpthreads, whose
# functions of the same names work on another type.
for function in pthread_self pthread_getspecific pthread_setspecific pthread_mutex_init pthread_mutex_lock \
                pthread_mutex_unlock; do
  echo "$function pq_$function"
done >"$work/pthread.syms"
(cd "$pg" &&
  CC="$cc" AR="$host-ar" RANLIB="$host-ranlib" WINDRES="$host-windres" LIBS="-lws2_32 -lcrypt32 -lgdi32" \
    ./configure --host="$host" --with-ssl=openssl --without-readline --without-zlib --without-icu \
      --without-llvm --with-includes="$ssl/include" --with-libraries="$ssl" &&
  make -C src/backend generated-headers &&
  make -j"$jobs" -C src/port libpgport_shlib.a &&
  make -j"$jobs" -C src/common libpgcommon_shlib.a &&
  make -j"$jobs" -C src/interfaces/libpq -f Makefile -f "$work/objects.mk" objects &&
  cd src/interfaces/libpq &&
  "$host-ar" crs "$work/libpq.a" $(make -s -f Makefile -f "$work/objects.mk" print-objects) &&
  "$host-objcopy" --redefine-syms="$work/pthread.syms" "$work/libpq.a") >"$work/postgresql.log" 2>&1 ||
  { tail -n 40 "$work/postgresql.log" >&2; fail "cannot build libpq"; }

cp -R "$ssl/include/openssl" "$stage/include/"
cp "$ssl/libssl.a" "$ssl/libcrypto.a" "$stage/lib/"
cp "$pg/src/interfaces/libpq/libpq-fe.h" "$pg/src/include/postgres_ext.h" "$pg/src/include/pg_config_ext.h" \
  "$stage/include/"
cp "$work/libpq.a" "$pg/src/common/libpgcommon_shlib.a" "$pg/src/port/libpgport_shlib.a" "$stage/lib/"
cp "$ssl/LICENSE.txt" "$stage/LICENSE.openssl"
cp "$pg/COPYRIGHT" "$stage/COPYRIGHT.postgresql"
echo "$built" >"$stage/VERSION"
echo "$wanted" >"$stage/WANTED"

# Into place whole: a folder with VERSION is a complete one.
mkdir -p "$(dirname "$out")"
staged=$(mktemp -d "$out.XXXXXX")
cp -R "$stage/." "$staged/"
chmod 755 "$staged"
rm -rf "$out"
mv "$staged" "$out"
holds "$wanted" || fail "$out does not hold what was built"
echo "libpq and OpenSSL for $host ($built, Debian): in $out"
