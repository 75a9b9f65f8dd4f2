#!/usr/bin/env bash
# Installs the finished build into a DESTDIR as the package does (prefix /usr) and runs what
# was installed: the menu entry, metainfo, manual page and completion are checked, orlenta-cli
# runs a job with the user's folders in a scratch home, and the window starts offscreen.
# Usage: test_install.sh BUILD_DIR SOURCE_DIR GUI(ON|OFF)
set -euo pipefail
build=$1
src=$2
gui=$3

tmp=$(mktemp -d "${TMPDIR:-/tmp}/orlenta_install_XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

root=$tmp/root
# Installs what the build made; it never builds.
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
bin=$root/usr/bin
share=$root/usr/share
id=example.orlenta.Orlenta

expected=(bin/orlenta-cli share/orlenta/Orlenta.hlp share/orlenta/Parameters.cfg
  share/man/man1/orlenta-cli.1.gz share/bash-completion/completions/orlenta-cli
  share/doc/orlenta/copyright share/doc/orlenta/changelog.gz)
if [ "$gui" = ON ]; then
  expected+=(bin/orlenta share/man/man1/orlenta.1.gz share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg)
fi
for f in "${expected[@]}"; do
  [ -s "$root/usr/$f" ] || fail "not installed: /usr/$f"
done
cmp -s "$share/orlenta/Parameters.cfg" "$src/app/Parameters.cfg" ||
  fail "the installed default is not the shipped Parameters.cfg"

if [ "$gui" = ON ]; then
  desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
  # The whole tree: the metainfo, and the menu entry it launches.
  appstreamcli validate-tree --no-net "$root" >"$tmp/appstream.log" ||
    { cat "$tmp/appstream.log"; fail "appstreamcli validate"; }
fi
# The manual page is the program's own --help with the FILES section added.
man=$(gzip -dc "$share/man/man1/orlenta-cli.1.gz")
for want in '.SH FILES' '.SH COPYRIGHT' '\-\-params' '\-\-batch' '"orlenta-cli 2.0"'; do
  grep -qF -- "$want" <<<"$man" || fail "manual page lacks $want"
done

# The user's folders in the scratch home; the programs run from an unrelated folder.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config
mkdir -p "$HOME" "$tmp/work"
cd "$tmp/work"
shipped=$share/orlenta/Parameters.cfg
user=$XDG_CONFIG_HOME/orlenta/Parameters.cfg

# Completion reads the installed program's --help.
(
  PATH=$bin:$PATH
  source "$share/bash-completion/completions/orlenta-cli"
  COMP_WORDS=(orlenta-cli --ali) COMP_CWORD=1
  _orlenta_cli orlenta-cli
  [ "${COMPREPLY[*]}" = --align ] || fail "completion of --ali: ${COMPREPLY[*]}"
  COMP_WORDS=(orlenta-cli --align '') COMP_CWORD=2
  _orlenta_cli orlenta-cli
  [ "${COMPREPLY[*]}" = "left cent right" ] || fail "completion of --align: ${COMPREPLY[*]}"
)

# Without a file beside it, the installed program reads the installed default and says so.
[ "$("$bin/orlenta-cli" --version --verbose | grep '^Parameter file: ')" = \
  "Parameter file: $shipped (saving creates $user)" ] ||
  fail "--version --verbose: $("$bin/orlenta-cli" --version --verbose)"
"$bin/orlenta-cli" HOTEL --height 5 -o installed.Dnc
"$build/cli/orlenta-cli" HOTEL --height 5 -p "$src/app/Parameters.cfg" -o expected.Dnc
cmp -s installed.Dnc expected.Dnc || fail "the installed program did not use the installed default"
if [ "$gui" = ON ]; then
  QT_QPA_PLATFORM=offscreen "$bin/orlenta" --screenshot window.png --text HOTEL
  [ "$(head -c 8 window.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "the window's picture is not a PNG"
fi

# Nothing was written beside the executables, nor into the installed data.
extra=$(ls -A "$bin" | grep -vx -e orlenta -e orlenta-cli || true)
[ -z "$extra" ] || fail "written beside the executables: $extra"
cmp -s "$shipped" "$src/app/Parameters.cfg" || fail "the installed default changed"
echo "installed and ran from $root"
