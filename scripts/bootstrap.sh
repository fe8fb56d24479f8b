#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: packages already installed are skipped, and the package lists are
# refreshed once, only when something has to be installed.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev gettext
  # manual pages (scdoc sources) and the Debian package (CPack: dpkg-shlibdeps, file)
  scdoc dpkg-dev file
  # libraries the deliverables link
  libcups2-dev libsnmp-dev libplist-dev libicu-dev libpugixml-dev libavahi-client-dev
  libcli11-dev nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  # real peers for the integration tests
  cups cups-client snmpd snmp
  # the mDNS responder of the Bonjour tests, on a private bus in a private
  # network namespace they set up themselves
  avahi-daemon avahi-utils dbus iproute2
  # the profile table the test agent serves (pass_persist script)
  python3
  # checks of the package: lintian, and the manual pages rendered with warnings on
  lintian groff-base man-db
  # the graphical dialog: Qt 6 Widgets (and Qt Test), an X server for its
  # one real-display test, and Japanese glyphs for its pictures
  qt6-base-dev libgl-dev xvfb xauth fonts-ipafont-gothic
  # its preview of PDF pages (Poppler's Qt 6 binding), and the check of its desktop entry
  libpoppler-qt6-dev desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
# Services pulled in by the packages (cupsd, snmpd, avahi-daemon) are started
# by the tests themselves with private configurations; keep the package
# scripts from starting the system-wide ones where no init system runs (an
# avahi-daemon of the machine's own would answer on its real network).
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ] && [ ! -d /run/systemd/system ]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 755 "$policy"
  trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
fi
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
