#!/usr/bin/env bash
# What a user who installs DevPanel gets, checked on the build in BUILD (default build/):
#  - the install rules, staged with DESTDIR in a temporary folder: the installed devpanel-cli,
#    run from an unrelated folder with a clean environment, finds its data beside itself (and,
#    once the installed data are removed, fails naming every place it looked in, none of them
#    in the source tree);
#  - the desktop entry (desktop-file-validate) and the AppStream metainfo (appstreamcli);
#  - the Debian packages (CPack): devpanel-cli (no desktop among its dependencies) and devpanel
#    (depending on devpanel-cli), checked with lintian (errors fail the run), every installed file
#    in exactly one of them; with dpkg on a root of its own, the upgrade from the single devpanel
#    package of 7.2.3 and older, and the removal of each.
# Prints each package's file name, size and relations.
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

echo "== Debian packages"
rm -f "$build"/devpanel_*.deb "$build"/devpanel-cli_*.deb
cmake --build "$build" --target package >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log"; exit 1; }
cli_deb=$(ls "$build"/devpanel-cli_*.deb)
gui_deb=$(ls "$build"/devpanel_*.deb)
lintian --fail-on error --suppress-tags-from-file /dev/null "$cli_deb" "$gui_deb"
for deb in "$cli_deb" "$gui_deb"; do
  echo "package: $deb, $(du -k "$deb" | cut -f1) KiB, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
  for field in Depends Recommends Breaks Replaces; do
    value=$(dpkg-deb -f "$deb" $field)
    [ -z "$value" ] || echo "  $field: $value"
  done
done
fail() { echo "$*"; exit 1; }
version=$(dpkg-deb -f "$gui_deb" Version)
[ "$(dpkg-deb -f "$cli_deb" Version)" = "$version" ] || fail "the two packages have different versions"

# devpanel-cli needs no desktop: no Qt, no font, no display library among its dependencies;
# libcups (the printer list) is recommended. It takes the files of the single devpanel package
# that came before the split.
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
if grep -qiE 'qt|fonts-|libx|libgl|wayland|mesa' <<<"$cli_depends"; then fail "devpanel-cli depends on a desktop: $cli_depends"; fi
grep -qw libcups2 <<<"$(dpkg-deb -f "$cli_deb" Recommends)" || fail "devpanel-cli does not recommend libcups2"
for field in Breaks Replaces; do
  relation=$(dpkg-deb -f "$cli_deb" $field)
  [[ "$relation" =~ ^devpanel\ \(\<\<\ ([^\)]+)\)$ ]] || fail "devpanel-cli $field: \"$relation\" is not devpanel (<< VERSION)"
  dpkg --compare-versions 7.2.3 lt "${BASH_REMATCH[1]}" && dpkg --compare-versions "${BASH_REMATCH[1]}" le "$version" ||
    fail "devpanel-cli $field: $relation does not take over the single package of 7.2.3 and leave devpanel $version"
done
grep -qF "devpanel-cli (= $version)" <<<"$(dpkg-deb -f "$gui_deb" Depends)" || fail "devpanel does not depend on devpanel-cli (= $version)"

# The files of each package: every installed file in exactly one of them, each where it belongs.
dpkg-deb --fsys-tarfile "$cli_deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort >"$stage/cli.files"
dpkg-deb --fsys-tarfile "$gui_deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort >"$stage/gui.files"
(cd "$stage" && find usr -type f -o -type l | sort) >"$stage/installed.files"
[ -z "$(comm -12 "$stage/cli.files" "$stage/gui.files")" ] || fail "in both packages: $(comm -12 "$stage/cli.files" "$stage/gui.files")"
sort -m "$stage/cli.files" "$stage/gui.files" | cmp -s - "$stage/installed.files" ||
  fail "the packages do not hold the installed files: $(sort -m "$stage/cli.files" "$stage/gui.files" | diff - "$stage/installed.files")"
for file in usr/bin/devpanel-cli usr/bin/devpanel-printer usr/share/devpanel/devPanel.ini usr/share/devpanel/virtual-t90.model \
            usr/share/man/man1/devpanel-cli.1.gz usr/share/man/man1/devpanel-printer.1.gz \
            usr/share/bash-completion/completions/devpanel-cli usr/share/doc/devpanel-cli/copyright; do
  grep -qxF "$file" "$stage/cli.files" || fail "devpanel-cli lacks $file"
done
for file in usr/bin/devpanel usr/share/applications/devpanel.desktop usr/share/man/man1/devpanel.1.gz \
            usr/share/icons/hicolor/scalable/apps/devpanel.svg usr/share/doc/devpanel/copyright; do
  grep -qxF "$file" "$stage/gui.files" || fail "devpanel lacks $file"
done
echo "files: devpanel-cli $(wc -l <"$stage/cli.files"), devpanel $(wc -l <"$stage/gui.files")"

# Install, upgrade and removal with dpkg itself, on a root of its own (dependencies on the
# system's libraries are not there: --force-depends; the relations between our packages still
# count). The single package that came before the split is every one of these files in one
# package named devpanel, version 7.2.3.
root=$stage/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers" "$stage/single/DEBIAN"
touch "$root/var/lib/dpkg/status"
dpkg-deb -x "$cli_deb" "$stage/single" && dpkg-deb -x "$gui_deb" "$stage/single"
cat >"$stage/single/DEBIAN/control" <<CONTROL
Package: devpanel
Version: 7.2.3
Architecture: $(dpkg-deb -f "$gui_deb" Architecture)
Maintainer: $(dpkg-deb -f "$gui_deb" Maintainer)
Description: the single package before the split
CONTROL
dpkg-deb --root-owner-group -b "$stage/single" "$stage/devpanel_7.2.3.deb" >/dev/null
in_root() { dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null "$@" >>"$stage/dpkg.log" 2>&1 ||
              { cat "$stage/dpkg.log"; fail "dpkg $* failed"; }; }
state() { dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Package} ${Version} ${Status}\n' 2>/dev/null | sort | tr '\n' ';'; }
in_root -i "$stage/devpanel_7.2.3.deb"
# As apt hands the upgrade to dpkg: the old devpanel, broken by devpanel-cli, is deconfigured
# until its new version is unpacked.
in_root --auto-deconfigure -i "$cli_deb" "$gui_deb"
expected="devpanel $version install ok installed;devpanel-cli $version install ok installed;"
[ "$(state)" = "$expected" ] || fail "after the upgrade from the single package: $(state)"
while read -r file; do [ -e "$root/$file" ] || fail "after the upgrade $file is missing"; done <"$stage/installed.files"
in_root -P devpanel
[ -x "$root/usr/bin/devpanel-cli" ] && [ ! -e "$root/usr/bin/devpanel" ] || fail "removing devpanel did not leave devpanel-cli alone"
in_root -P devpanel-cli
left=$(find "$root" -path "$root/var" -prune -o \( -type f -o -type l \) -print)
[ -z "$left" ] || fail "left after removing both: $left"
# devpanel-cli alone, and devpanel added to it later.
in_root -i "$cli_deb"
in_root -i "$gui_deb"
[ "$(state)" = "$expected" ] || fail "devpanel added to devpanel-cli: $(state)"
in_root -P devpanel devpanel-cli
echo "dpkg: the single package 7.2.3 upgraded to both, each removed cleanly; devpanel-cli installed alone"
