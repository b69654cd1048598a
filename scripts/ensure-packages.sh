# Sourced by the root scripts: installs Debian packages that are missing.
# usage: ensure_packages "what for" package...

have_package() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

ensure_packages() {
  local purpose=$1
  shift
  local missing=()
  local package
  for package in "$@"; do
    have_package "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing ${missing[*]} ($purpose)"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
