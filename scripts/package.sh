#!/usr/bin/env bash
# Builds the Debian package build-pkg/orlenta_<version>_<arch>.deb in a build of its own
# (Release, installed under /usr, Debian's hardening flags) and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
build=build-pkg
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DORLENTA_TESTS=OFF -DORLENTA_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/orlenta_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/orlenta_*.deb)
# Errors fail the build; warnings are listed.
lintian --fail-on error --info "$deb"
echo "built $deb"
