#!/usr/bin/env bash
# Installs, from Debian's package archive, whatever the build, the tests and the programs
# need and this machine lacks. Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev libgl-dev
  libsqlite3-dev sqlite3 libxlsxwriter-dev libminizip-dev zlib1g-dev python3-openpyxl
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils fonts-wqy-microhei locales
  python3-pyvisa python3-pyvisa-py
  dpkg-dev file desktop-file-utils help2man lintian fakeroot
  libreoffice-calc-nogui libreoffice-dev
)

# The test suite runs a second time under a decimal-comma locale, as a German user's session.
comma_locale=de_DE.UTF-8

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix "${comma_locale/UTF-8/utf8}"; then
  echo "Generating the locale $comma_locale"
  "${as_root[@]}" localedef -i "${comma_locale%%.*}" -f UTF-8 "$comma_locale"
fi
