#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages kTable needs to build, test and run.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-dbf python3-dbfread
  qt6-base-dev libgl-dev fonts-dejavu-core
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq || true   # a stale or offline index still lets installed mirrors work
  $SUDO apt-get install -y -qq "${missing[@]}"
fi

# Tests run number conversions under a German locale (decimal comma), which
# must exist on the machine.
if ! locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$'; then
  if grep -qE '^# *de_DE\.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i -E 's/^# *(de_DE\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  elif ! grep -qE '^de_DE\.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
fi
