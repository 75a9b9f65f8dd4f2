#!/usr/bin/env bash
# Installs every Debian package Orlenta needs to build, run, test and package.
# Idempotent: run as root on a fresh Debian 12 machine as often as you like.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  # fonts and the font service
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-liberation
  # shaping of outline text (kerning, ligatures, marks, right-to-left scripts): libraqm
  # (HarfBuzz with the bidirectional order); the tests call HarfBuzz itself
  libraqm-dev libharfbuzz-dev
  # a font with cubic (CFF) outlines for the converter's tests
  fonts-cantarell
  # single-line (stroke) engraving fonts and the library that reads them
  hershey-fonts-data libhersheyfont-dev
  # a serif font whose bold italic outlines leave rounding debris across a contour's seam
  fonts-freefont-ttf
  # parameter file, command line
  libsimpleini-dev libcli11-dev
  # V-carving: Boost.Polygon's Voronoi diagram of segments and polygon set operations
  libboost-dev
  # desktop program and its offscreen/X tests
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth
  # a real DXF reader for the writer's tests
  python3 python3-ezdxf
  # a comma-decimal locale, so tests can check that files never take the user's separator
  locales
  # manual pages from --help; checks of the installed menu entry and metainfo
  help2man desktop-file-utils appstream
  # the Debian package: its library dependencies, and the check of the result
  dpkg-dev file lintian
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

# Node.js runs the real G-code and SVG readers of the writers' tests. A node that is on the
# machine already (from another source, with its own npm) is used as it is: Debian's npm
# package would conflict with it.
node_missing=()
command -v node >/dev/null 2>&1 || node_missing+=(nodejs)
command -v npm >/dev/null 2>&1 || node_missing+=(npm)
if [ "${#node_missing[@]}" -gt 0 ]; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${node_missing[@]}"
fi

# The npm readers the tests run, at the versions package-lock.json pins.
readers="$(dirname "$0")/../tests/readers"
if [ ! -d "$readers/node_modules/gcode-interpreter" ] || [ ! -d "$readers/node_modules/svg-parser" ] \
   || [ "$readers/package-lock.json" -nt "$readers/node_modules/.package-lock.json" ]; then
  (cd "$readers" && npm ci --no-audit --no-fund)
fi
