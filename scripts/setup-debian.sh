#!/usr/bin/env bash
# Installs every Debian package Orlenta needs to build, run and test.
# Idempotent: run as root on a fresh Debian 12 machine as often as you like.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  # fonts and the font service
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-liberation
  # a font with cubic (CFF) outlines for the converter's tests
  fonts-cantarell
  # a serif font whose bold italic outlines leave rounding debris across a contour's seam
  fonts-freefont-ttf
  # parameter file, command line
  libsimpleini-dev libcli11-dev
  # desktop program and its offscreen/X tests
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth
  # a real DXF reader for the writer's tests
  python3 python3-ezdxf
  # a comma-decimal locale, so tests can check that files never take the user's separator
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
