# Shared by scripts/run and scripts/test: installing what is missing, building the presets.
# shellcheck shell=bash

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs every package of scripts/packages.txt that is not installed yet.
install_packages() {
  local wanted missing=()
  wanted=$(grep -v -E '^\s*(#|$)' "$ORVANE_ROOT/scripts/packages.txt")
  for p in $wanted; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures and builds one CMake preset.
build_preset() {
  local preset=$1
  cmake --preset "$preset" -S "$ORVANE_ROOT" >/dev/null
  cmake --build "$ORVANE_ROOT/build/$preset" --parallel "$(nproc)"
}
