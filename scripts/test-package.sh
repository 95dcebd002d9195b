#!/usr/bin/env bash
# Checks the Debian package as a user gets it: builds it (scripts/package.sh), installs it
# with apt (which brings its dependencies), validates the menu entry and the metainfo, starts
# the installed program as a new ordinary user under xvfb-run and looks for its settings in
# that user's ~/.config/norvane, then removes the package and the user again.
# Needs root: it installs into /usr. Ends with one line: "package: N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "package: needs root (installs the package, adds a user)"; exit 1; }

app_id=com.norvane.Norvane
user=norvane-check$$
home=/home/$user
work=$(mktemp -d)
installed=no
cleanup() {
  [ "$installed" = no ] || apt_remove >/dev/null 2>&1 || true
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
# check NAME COMMAND...: runs the command, its output kept for a failure.
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
    sed 's/^/      /' "$work/out" | tail -n 20
  fi
}
lists() { dpkg -L norvane | grep -qx "$1"; }
as_user() { runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
apt_remove() { DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq norvane; }
# Comes up under a fresh X server and keeps running until timeout stops it (exit code 124).
runs_as_user() {
  local rc=0
  as_user timeout 60 xvfb-run -a timeout 8 /usr/bin/norvane >"$work/run.log" 2>&1 || rc=$?
  [ $rc -eq 124 ] || { echo "exit code $rc, not 124 (stopped by timeout)"; cat "$work/run.log"; return 1; }
}
says_version() { [ "$(as_user /usr/bin/norvane --version)" = "norvane $version" ]; }
removed() { apt_remove && [ ! -e /usr/bin/norvane ]; }

apt_install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb"; }

check "scripts/package.sh builds the package" scripts/package.sh
[ "$failed" -eq 0 ] || { echo "package: $passed passed, $failed failed"; exit 1; }
deb=$(tail -n 1 "$work/out")
version=$(dpkg-deb -f "$deb" Version)
installed=yes
check "apt-get install ./$deb" apt_install
[ "$failed" -eq 0 ] || { echo "package: $passed passed, $failed failed"; exit 1; }
check "lists the program, menu entry, icons and metainfo" eval 'lists /usr/bin/norvane &&
  lists "/usr/share/applications/$app_id.desktop" &&
  lists /usr/share/icons/hicolor/scalable/apps/norvane.svg &&
  lists /usr/share/icons/hicolor/48x48/apps/norvane.png &&
  lists "/usr/share/metainfo/$app_id.metainfo.xml"'
check "desktop-file-validate" desktop-file-validate "/usr/share/applications/$app_id.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"
useradd -m "$user"
# A booted system has the X socket folder (tmpfiles); an X server started by a user cannot make it.
install -d -m 1777 /tmp/.X11-unix
check "norvane --version says $version without a display" says_version
check "starts as $user under xvfb-run and keeps running" runs_as_user
check "settings in ~/.config/norvane, logs folder in ~/.local/share/norvane" \
  test -s "$home/.config/norvane/norvane.ini" -a -d "$home/.local/share/norvane"
check "nothing written beside /usr/bin/norvane" test ! -e /usr/bin/norvane.ini
check "apt-get remove norvane" removed
installed=no

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
