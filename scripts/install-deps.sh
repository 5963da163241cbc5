#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Quadrotag need, and the further
# packages named as arguments (the test scripts' own tools).
# Packages already present are skipped; sudo is used only when not root.
set -euo pipefail

packages=(
  g++
  cmake
  make
  qt6-base-dev
  qt6-base-dev-tools
  qt6-qpa-plugins
  libgl-dev
  libopencv-core-dev
  libopencv-imgproc-dev
  libopencv-imgcodecs-dev
  libjpeg62-turbo-dev
  fonts-liberation2
  rapidjson-dev
  libicu-dev
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
