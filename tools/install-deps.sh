#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need (Debian 12 or Ubuntu;
# run as root, or as a user who may use sudo). Quiet and quick when everything is already there.
# The packaging checks need dpkg-dev (dpkg-shlibdeps finds the package's dependencies), lintian,
# desktop-file-utils (desktop-file-validate), appstream (appstreamcli) and man-db. The device lab
# (tools/device-lab) needs QEMU, a static busybox, cpio and the print system's USB backend (cups);
# its kernel is fetched by the lab itself, into the build folder.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libxcb1-dev libcups2-dev cups-daemon cups-client
  # the SNMP agent the identity check of a network printer is tested against
  snmpd snmp
  fonts-nanum xvfb xauth imagemagick python3
  qt6-translations-l10n openbox
  g++-mingw-w64-x86-64-posix wine wine64 googletest
  libcli11-dev nlohmann-json3-dev
  dpkg-dev lintian desktop-file-utils appstream man-db
  qemu-system-x86 busybox-static cpio cups
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
