#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with; only
# the missing ones, so a second run costs a few dpkg queries.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev libgl-dev
  libeigen3-dev nlohmann-json3-dev libssl-dev
  libcurl4-openssl-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcoin-dev
  xvfb xauth xdotool xclip imagemagick fonts-dejavu-core
  python3 time
  locales-all
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
