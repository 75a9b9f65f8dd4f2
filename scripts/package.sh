#!/usr/bin/env bash
# Builds the Debian package build-pkg/orlenta_<version>_<arch>.deb in a build of its own
# (Release, installed under /usr, Debian's hardening flags) and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
build=build-pkg
# Debian's hardening flags, all of them (bindnow included), as a package build would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Given on every run, so that an existing build folder takes them too.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DORLENTA_TESTS=OFF -DORLENTA_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/orlenta_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/orlenta_*.deb)
# Errors fail the build; warnings are listed.
lintian --fail-on error --info "$deb"
echo "built $deb"
