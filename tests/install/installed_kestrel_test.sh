#!/usr/bin/env bash
# Installs kestrel into a fresh prefix (cmake --install) and unpacks its Debian package
# (cpack) into another, and runs each from there with nothing of the build tree on its
# paths: `kestrel --version`, then `kestrel rows --plugin tasks --plugin events` on a
# generated device, which must show both sections, with every library the dynamic loader
# opens coming from the prefix or the system, never from the build tree.
#   installed_kestrel_test.sh BUILD_DIR CMAKE CPACK
set -euo pipefail
build=$(cd "$1" && pwd)
cmake=$2
cpack=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# A clean environment: no build folder on PATH or LD_LIBRARY_PATH, no device root set.
clean() { env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 "$@"; }

# check_prefix FOLDER NAME INSTALLED_PREFIX: the tree in FOLDER, meant to live at INSTALLED_PREFIX.
check_prefix() {
  local prefix=$1 kestrel=$1/bin/kestrel name=$2 installed=$3
  [ -x "$kestrel" ] || fail "$name: no $kestrel"
  for f in lib/kestrel/libTWPlugin.so lib/kestrel/libTWCalPlugin.so lib/kestrel/libkestrel-platform.so \
           lib/kestrel/TWPlugin.bundle/Settings.plist lib/kestrel/TWCalPlugin.bundle lib/systemd/user/kestrel.service; do
    [ -e "$prefix/$f" ] || fail "$name: $f is not installed"
  done
  if readelf -d "$kestrel" "$prefix"/lib/kestrel/*.so | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "$name: an installed binary keeps a path into the build tree"
  fi
  grep -qx "ExecStart=$installed/bin/kestrel serve .*" "$prefix/lib/systemd/user/kestrel.service" ||
    fail "$name: the systemd unit does not start $installed/bin/kestrel serve"
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$prefix/lib/systemd/user/kestrel.service" || [ "$installed" != "$prefix" ] ||
      fail "$name: systemd does not accept the unit"
  fi
  local version
  version=$(clean "$kestrel" --version) || fail "$name: kestrel --version failed"
  [[ "$version" =~ ^kestrel\ [0-9]+\.[0-9]+ ]] || fail "$name: kestrel --version said '$version'"

  local device=$work/$name-device
  clean "$kestrel" fixture --root "$device" --now 2026-12-08T14:30:00Z --tz Europe/Berlin >/dev/null ||
    fail "$name: kestrel fixture failed"
  local rows
  rows=$(cd "$work" && clean LD_DEBUG=files LD_DEBUG_OUTPUT="$work/$name-ld" "$kestrel" rows --plugin tasks \
           --plugin events --root "$device" --now 2026-12-08T14:30:00Z --tz Europe/Berlin) ||
    fail "$name: kestrel rows failed"
  grep -q '^== tasks: ' <<<"$rows" || fail "$name: no tasks section in: $rows"
  grep -q '^== events: ' <<<"$rows" || fail "$name: no events section in: $rows"
  local opened
  opened=$(cat "$work/$name-ld".* | sed -n 's/.*file=\([^ ]*\).*/\1/p' | sort -u)
  grep -qF "$prefix/lib/kestrel/libTWPlugin.so" <<<"$opened" || fail "$name: the tasks plug-in was not loaded from the prefix"
  grep -qF "$prefix/lib/kestrel/libTWCalPlugin.so" <<<"$opened" || fail "$name: the events plug-in was not loaded from the prefix"
  if grep -F "$build" <<<"$opened"; then fail "$name: a library came from the build tree"; fi
  echo "$name: $version, $(grep -c '^== ' <<<"$rows") sections from $prefix"
}

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
check_prefix "$work/prefix" installed "$work/prefix"

(cd "$work" && "$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/package/*.deb)
dpkg-deb -f "$deb" Package Version Depends
dpkg-deb -x "$deb" "$work/unpacked"
check_prefix "$work/unpacked/usr" package /usr
