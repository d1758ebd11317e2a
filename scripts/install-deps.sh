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

# Tests run number conversions under a German locale (decimal comma), and
# byte classification under a single-byte one (Latin-1, where bytes above
# 0x7F are letters); both must exist on the machine.
regen=0
for entry in 'de_DE.UTF-8 UTF-8:^de_DE\.utf-?8$' 'de_DE ISO-8859-1:^de_DE(\.iso88591)?$'; do
  line=${entry%%:*}
  present=${entry#*:}
  locale -a 2>/dev/null | grep -qiE "$present" && continue
  quoted=$(printf '%s' "$line" | sed 's/[.]/\\./g')
  if grep -qE "^# *$quoted\$" /etc/locale.gen; then
    $SUDO sed -i -E "s/^# *($quoted)\$/\\1/" /etc/locale.gen
  elif ! grep -qE "^$quoted\$" /etc/locale.gen; then
    echo "$line" | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  regen=1
done
if [ "$regen" = 1 ]; then $SUDO locale-gen; fi
