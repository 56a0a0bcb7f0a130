#!/usr/bin/env bash
# What a user who installs DevPanel gets, checked on the build in BUILD (default build/):
#  - the install rules, staged with DESTDIR in a temporary folder: the installed devpanel-cli,
#    run from an unrelated folder with a clean environment, finds its data beside itself (and,
#    once the installed data are removed, fails naming every place it looked in, none of them
#    in the source tree);
#  - the desktop entry (desktop-file-validate) and the AppStream metainfo (appstreamcli);
#  - the Debian package (CPack), checked with lintian: errors fail the run.
# Prints the package's file name, size and dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source_tree=$PWD

stage=$(mktemp -d "${TMPDIR:-/tmp}/devpanel-stage-XXXXXX")
trap 'rm -rf "$stage"' EXIT

echo "== installed tree (DESTDIR=$stage, prefix /usr)"
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
mkdir -p "$stage/work" "$stage/home"
installed_cli() {
  (cd "$stage/work" && env -i HOME="$stage/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@" \
     "$stage/usr/bin/devpanel-cli" --virtual="$stage/home/virtual.state" read)
}
if ! installed_cli >"$stage/read.txt" 2>"$stage/read.err"; then
  echo "the installed devpanel-cli could not read the virtual printer:"; cat "$stage/read.err"; exit 1
fi
grep -q '^POWERSAVER=' "$stage/read.txt" || { echo "unexpected output:"; cat "$stage/read.txt"; exit 1; }
echo "installed devpanel-cli --virtual read: $(wc -l <"$stage/read.txt") settings"

# Without the installed data the program must fail and say where it looked; the source tree
# must not be one of those places.
mv "$stage/usr/share/devpanel" "$stage/usr/share/devpanel.away"
status=0
installed_cli XDG_DATA_DIRS="$stage/none" >/dev/null 2>"$stage/missing.err" || status=$?
mv "$stage/usr/share/devpanel.away" "$stage/usr/share/devpanel"
if [ $status -eq 0 ] || ! grep -q "devPanel.ini was not found in any of: devPanel.ini, $stage/home/.config/devpanel/devPanel.ini, $stage/usr/share/devpanel/devPanel.ini, $stage/none/devpanel/devPanel.ini\." "$stage/missing.err"; then
  echo "without its data the installed devpanel-cli did not fail as it should (status $status):"
  cat "$stage/missing.err"; exit 1
fi
if grep -q "$source_tree" "$stage/missing.err"; then
  echo "the installed devpanel-cli looked into the source tree:"; cat "$stage/missing.err"; exit 1
fi
for program in devpanel devpanel-cli devpanel-printer; do
  [ -x "$stage/usr/bin/$program" ] || continue
  "$stage/usr/bin/$program" --version | grep -q "^$program [0-9]" || { echo "$program --version failed"; exit 1; }
  "$stage/usr/bin/$program" --help >/dev/null || { echo "$program --help failed"; exit 1; }
done
for page in "$stage"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done

# The bash completion offers the values of the installed configuration.
completion=$(cd "$stage/work" && env -i HOME="$stage/home" PATH="$stage/usr/bin:/usr/bin:/bin" XDG_DATA_DIRS="$stage/none" \
  bash -c 'source "$1"; COMP_WORDS=(devpanel-cli apply SEPSHEETS = BETWEENJ); COMP_CWORD=4; _devpanel_cli
           echo "${COMPREPLY[*]}"' _ "$stage/usr/share/bash-completion/completions/devpanel-cli")
[ "$completion" = BETWEENJOBS ] || { echo "bash completion offered \"$completion\" for SEPSHEETS=BETWEENJ"; exit 1; }

echo "== desktop entry and metainfo"
desktop-file-validate "$stage/usr/share/applications/devpanel.desktop"
appstreamcli validate --no-net "$stage"/usr/share/metainfo/*.metainfo.xml

echo "== Debian package"
rm -f "$build"/devpanel_*.deb
cmake --build "$build" --target package >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/devpanel_*.deb)
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "package: $deb, $(du -k "$deb" | cut -f1) KiB, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "depends: $(dpkg-deb -f "$deb" Depends)"
echo "recommends: $(dpkg-deb -f "$deb" Recommends)"
