#!/usr/bin/env bash
# Builds trackctl and tracksim and runs every test: unit, simulated-device and
# end-to-end tests on Linux, again under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of every fuzz target, then the Windows
# build's unit and end-to-end tests under wine; checks the install trees and
# builds the packages (a .deb in build/release/, a .zip in build/mingw/). With
# CI=true nothing is skipped:
# missing packages are installed.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh

ensure_packages "Linux build and tests" cmake ninja-build g++ ccache libgtest-dev googletest nlohmann-json3-dev
# The archive's store, and GDAL's readers and GeoPackage validator of it for the tests.
ensure_packages "the track archive" libsqlite3-dev gdal-bin python3-gdal
# Its PostgreSQL backend (libpq), and a throwaway server with PostGIS that the
# end-to-end tests start and stop (a CTest fixture, scripts/test-postgres.sh).
ensure_packages "the archive on a PostgreSQL server" libpq-dev postgresql postgresql-15-postgis-3
# Independent readers of what trackctl export writes: GPX and KML, XML.
ensure_packages "export round trips" gpsbabel libxml2-utils
# A locale with a decimal comma, for the test that logger lines keep their '.'.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "${CI:-}" = true ] || [ "$(id -u)" -eq 0 ]; then
    ensure_packages "a decimal-comma locale for the logger line test" locales
    localedef -i de_DE -f UTF-8 de_DE.UTF-8
  else
    echo "== NOTE: no de_DE.UTF-8 locale; the decimal-comma logger line test will skip"
  fi
fi

echo "== Linux: build"
cmake --preset default >/dev/null
cmake --build --preset default
echo "== Linux: unit, simulated device and end-to-end tests"
ctest --preset default
echo "== Linux: install tree and .deb"
scripts/check-packages.sh linux

echo "== Linux: build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
echo "== Linux: unit, simulated device and end-to-end tests under the sanitizers"
ctest --preset asan

# Fuzzing needs clang and its libFuzzer runtime; the export target reads its
# output back with libxml2 and a JSON library.
fuzz_packages=(clang libclang-rt-dev libxml2-dev nlohmann-json3-dev)
fuzz_missing=()
for package in "${fuzz_packages[@]}"; do have_package "$package" || fuzz_missing+=("$package"); done
if [ "${CI:-}" = true ]; then
  ensure_packages "fuzz targets" "${fuzz_packages[@]}"
  fuzz_missing=()
fi
if [ ${#fuzz_missing[@]} -eq 0 ]; then
  echo "== fuzz targets: build"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  echo "== fuzz targets: a short run of each"
  fuzz/run.sh
else
  echo "== SKIPPED: the fuzz targets need ${fuzz_packages[*]} (CI=true installs them)"
fi

# The Windows leg: trackctl.exe and the unit tests, cross-built and run under wine.
# SQLite is compiled into trackctl.exe from the amalgamation that
# scripts/sqlite-amalgamation.sh makes of Debian's source package with tclsh;
# libpq and OpenSSL are linked in from the static libraries that
# scripts/mingw-libpq.sh cross-builds from Debian's source packages.
windows_packages=(g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev gcc make perl tcl)
if [ "${CI:-}" = true ]; then
  ensure_packages "Windows build and tests" "${windows_packages[@]}"
else
  for package in "${windows_packages[@]}"; do
    if ! have_package "$package"; then
      echo "== SKIPPED: the Windows leg needs ${windows_packages[*]} (CI=true installs them)"
      exit 0
    fi
  done
fi

echo "== Windows: SQLite's amalgamation (cached by version)"
tests/scripts/sqlite_amalgamation_test.sh >/dev/null
# The folder that the mingw preset compiles SQLite from.
scripts/sqlite-amalgamation.sh "$HOME/.cache/trackctl/sqlite-amalgamation"
echo "== Windows: libpq and OpenSSL (cached by version)"
scripts/mingw-libpq.sh "$HOME/.cache/trackctl/mingw-libpq"

echo "== Windows: cross build"
cmake --preset mingw >/dev/null
cmake --build --preset mingw

export WINEPREFIX="$PWD/build/mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One wine server for the whole run: each program then starts in milliseconds,
# and the COM port links that the tests make are not replaced by wine's own.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 || true  # already running is fine; its object dumps go nowhere
# The PostgreSQL cluster that trackctl.exe reaches over TCP and TLS.
postgres_dir="/tmp/trackctl-pg-wine-$(printf '%s' "$PWD" | cksum | cut -d' ' -f1)"
trap 'wineserver -k >/dev/null 2>&1 || true; scripts/test-postgres.sh stop "$postgres_dir" >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Windows: creating the wine prefix"
  wineboot -i >/dev/null 2>&1
fi
wine cmd /c exit >/dev/null 2>&1

echo "== Windows: unit tests under wine"
ctest --preset mingw
echo "== Windows: end-to-end tests of trackctl.exe under wine"
scripts/test-postgres.sh start "$postgres_dir"
TRACKCTL_E2E_WINE_EXE="$PWD/build/mingw/src/trackctl.exe" TRACKCTL_TEST_POSTGRES="host=$postgres_dir user=trackctl" \
  TRACKCTL_TEST_POSTGRES_SCRIPT="$PWD/scripts/test-postgres.sh" build/default/tests/e2e/e2e_tests --gtest_brief=1
echo "== Windows: install tree and .zip"
scripts/check-packages.sh windows
echo "== all tests passed"
