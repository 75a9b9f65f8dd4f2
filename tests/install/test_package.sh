#!/usr/bin/env bash
# Builds the Debian package from the finished build, as scripts/package.sh does from its
# own, and checks it: its dependencies come from the programs' libraries, its files, and
# lintian without errors.
# Usage: test_package.sh BUILD_DIR GUI(ON|OFF)
set -euo pipefail
build=$1
gui=$2

tmp=$(mktemp -d "${TMPDIR:-/tmp}/orlenta_package_XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" ||
  { cat "$tmp/cpack.log"; fail cpack; }
debs=("$tmp"/orlenta_*.deb)
[ "${#debs[@]}" = 1 ] && [ -s "${debs[0]}" ] || fail "no package: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orlenta ] || fail "Package: $(field Package)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
needs=(libc6 libstdc++6 libfreetype6 libfontconfig1)
[ "$gui" = ON ] && needs+=(libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins)
depends=$(field Depends | tr ',' '\n' | awk '{print $1}')
for lib in "${needs[@]}"; do
  grep -qxF "$lib" <<<"$depends" || fail "Depends lacks $lib: $(field Depends)"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/orlenta-cli ./usr/share/orlenta/Parameters.cfg \
  ./usr/share/doc/orlenta/copyright ./usr/share/doc/orlenta/changelog.gz \
  ./usr/share/man/man1/orlenta-cli.1.gz; do
  grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
done

lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || { cat "$tmp/lintian.log"; fail lintian; }
cat "$tmp/lintian.log"
echo "package ${deb##*/} checked"
