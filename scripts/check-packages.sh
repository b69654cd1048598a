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

case "${1:-}" in
  linux)
    files=(bin/trackctl bin/tracksim share/man/man1/trackctl.1 share/man/man1/tracksim.1
           share/doc/trackctl/README.md share/doc/trackctl/examples/config15.dat)
    cmake --install build/default --prefix "$stage/tree" >/dev/null
    expect_files "$stage/tree" "${files[@]}"
    echo "install tree: $("$stage/tree/bin/trackctl" --version)"

    cmake --workflow --preset deb >"$stage/deb.log" 2>&1 || { cat "$stage/deb.log"; exit 1; }
    package=$(ls build/release/trackctl_*.deb)
    dpkg-deb -x "$package" "$stage/deb"
    expect_files "$stage/deb/usr" "${files[@]}"
    echo "$package: $("$stage/deb/usr/bin/trackctl" --version)"
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
