#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages kTable needs to build, test and run.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-dbf python3-dbfread
  qt6-base-dev libgl-dev fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || true   # a stale or offline index still lets installed mirrors work
$SUDO apt-get install -y -qq "${missing[@]}"
