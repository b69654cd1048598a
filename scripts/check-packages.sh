#!/usr/bin/env bash
# Checks what `cmake --install` and CPack give: every file the packages must
# hold is in the install tree and in the package, and the installed trackctl
# runs and tells its version.
#   scripts/check-packages.sh linux     the default build's install tree, and the .deb of the release build
#   scripts/check-packages.sh windows   the mingw build's install tree and .zip (trackctl.exe under wine)
set -euo pipefail
cd "$(dirname "$0")/.."

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# usage: expect_files ROOT FILE...
expect_files() {
  local root=$1 file
  shift
  for file in "$@"; do
    if [ ! -f "$root/$file" ]; then
      echo "missing from $root: $file" >&2
      exit 1
    fi
  done
}

# usage: expect_module TRACKCTL: the program finds its PostgreSQL module where
# it is installed (a server that is not there is libpq's refusal, not a module
# that is missing).
expect_module() {
  local answer
  answer=$("$1" archive --archive "host=$stage/no-server connect_timeout=2" 2>&1 || true)
  case "$answer" in
    *"trackctl archive: cannot use host="*"no-server"*) ;;
    *) echo "$1 does not load its PostgreSQL module: $answer" >&2; exit 1 ;;
  esac
  case "$answer" in
    *module*|*"cannot be loaded"*) echo "$1 does not load its PostgreSQL module: $answer" >&2; exit 1 ;;
  esac
}

case "${1:-}" in
  linux)
    files=(bin/trackctl bin/tracksim lib/trackctl/trackctl-postgres.so share/man/man1/trackctl.1
           share/man/man1/tracksim.1 share/doc/trackctl/README.md share/doc/trackctl/examples/config15.dat)
    cmake --install build/default --prefix "$stage/tree" >/dev/null
    expect_files "$stage/tree" "${files[@]}"
    echo "install tree: $("$stage/tree/bin/trackctl" --version)"
    expect_module "$stage/tree/bin/trackctl"

    cmake --workflow --preset deb >"$stage/deb.log" 2>&1 || { cat "$stage/deb.log"; exit 1; }
    package=$(ls build/release/trackctl_*.deb)
    dpkg-deb -x "$package" "$stage/deb"
    expect_files "$stage/deb/usr" "${files[@]}"
    echo "$package: $("$stage/deb/usr/bin/trackctl" --version)"
    expect_module "$stage/deb/usr/bin/trackctl"
    # The programs depend on what they link; libpq5 is the module's, only recommended.
    depends=$(dpkg-deb -f "$package" Depends)
    recommends=$(dpkg-deb -f "$package" Recommends)
    case "$depends" in *libsqlite3*) ;; *) echo "$package: Depends lacks libsqlite3: $depends" >&2; exit 1 ;; esac
    case "$depends" in *libpq*) echo "$package: Depends holds libpq: $depends" >&2; exit 1 ;; esac
    case "$recommends" in libpq5*) ;; *) echo "$package: Recommends is not libpq5: $recommends" >&2; exit 1 ;; esac
    echo "$package: Depends: $depends; Recommends: $recommends"
    ;;
  windows)
    files=(trackctl.exe config15.dat README.md)
    cmake --install build/mingw --prefix "$stage/tree" >/dev/null
    expect_files "$stage/tree" "${files[@]}"
    echo "install tree: $(wine "$stage/tree/trackctl.exe" --version | tr -d '\r')"

    (cd build/mingw && cpack -G ZIP >"$stage/zip.log" 2>&1) || { cat "$stage/zip.log"; exit 1; }
    package=$(ls build/mingw/trackctl-*-windows-x64.zip)
    mkdir "$stage/zip"
    (cd "$stage/zip" && cmake -E tar xf "$OLDPWD/$package")
    expect_files "$stage/zip"/trackctl-* "${files[@]}"
    echo "$package: holds ${files[*]}"
    ;;
  *)
    echo "usage: $0 linux|windows" >&2
    exit 2
    ;;
esac
