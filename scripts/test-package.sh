#!/usr/bin/env bash
# Tests the Debian package on this machine: checks its contents, installs it, runs both
# programs from a folder of their own with no configuration of the user's, and purges it again,
# so no system-wide configuration is left behind for later runs. Needs root or sudo.
#
#   scripts/test-package.sh build-package/package/halyard-station_*.deb
set -euo pipefail

deb=$(realpath "${1:?usage: test-package.sh PACKAGE.deb}")
name=halyard-station
sudo=""
if [[ $(id -u) -ne 0 ]]; then
  sudo="sudo"
fi

fail() {
  echo "test-package: $*" >&2
  exit 1
}

# An installed station may be someone's real one: never replace it, never purge it.
if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "installed"; then
  fail "$name is already installed here; remove it first (dpkg -P $name)"
fi

echo "== package"
dpkg-deb -I "$deb" | sed -n '/Package:/,$p'
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for wanted in ./usr/bin/halyard-station ./usr/bin/halyardctl ./usr/include/halyard/driver.h \
  ./etc/halyard-station/halyard-station.ini \
  ./usr/share/halyard-station/firmware/halyard-fw.srec \
  ./usr/share/halyard-station/firmware/gxTrim.srec \
  ./usr/share/applications/halyard-station.desktop \
  ./usr/share/icons/hicolor/scalable/apps/halyard-station.svg \
  ./usr/share/man/man1/halyard-station.1.gz ./usr/share/man/man1/halyardctl.1.gz \
  ./usr/share/doc/halyard-station/copyright ./usr/share/doc/halyard-station/changelog.gz; do
  grep -qx -- "$wanted" <<<"$contents" || fail "the package lacks $wanted"
done
grep -q '/libhalyard-sim-driver.so$' <<<"$contents" || fail "the package lacks the bench driver"
if grep -E '_tests$|halyard-screenshots|loopback' <<<"$contents"; then
  fail "the package holds test programs or tools that stay in the build folder"
fi
[[ $(dpkg-deb -f "$deb" Depends) == *libqt6widgets6* ]] || fail "Depends does not name Qt Widgets"

cleanup() {
  $sudo dpkg -P "$name" >/dev/null 2>&1 || true
  rm -rf "$work"
}
work=$(mktemp -d)
trap cleanup EXIT

echo "== install"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "installing failed"; }
dpkg-query -W -f='${Package} ${Version} ${Status}\n' "$name"

# A fresh operator: no configuration of their own, started from an empty folder.
mkdir -p "$work/home" "$work/run"
cd "$work/run"
ctl() { env -u XDG_CONFIG_HOME HOME="$work/home" XDG_STATE_HOME="$work/home/state" halyardctl "$@"; }

echo "== halyardctl --version"
ctl --version | tee "$work/version.txt"
grep -qx "halyardctl [0-9.]*" "$work/version.txt" || fail "unexpected version line"

echo "== halyard-station --help (its Qt libraries resolve)"
halyard-station --help | head -n 1

echo "== halyardctl --no-wait configure run-all (in $PWD)"
ctl --no-wait configure run-all | tee "$work/session.txt"
grep -qx "result: pass" "$work/session.txt" || fail "the session did not pass"

echo "== the installed configuration names the installed images"
ctl --no-wait state program | tee "$work/program.txt" | grep -E 'SREC_Name|verdict|result'
grep -q 'SREC_Name.* = "/usr/share/halyard-station/firmware/halyard-fw.srec"' "$work/program.txt" ||
  fail "the system-wide configuration was not read"
grep -qx "result: pass" "$work/program.txt" || fail "programming the installed image failed"

echo "== the bench as an installed driver"
driver=$(grep '/libhalyard-sim-driver.so$' <<<"$contents" | sed 's/^\.//')
ctl --no-wait --adapter "driver:$driver" version-test | grep -E 'verdict|result'

echo "== the operator's own configuration comes before the system-wide one"
mkdir -p "$work/home/.config/halyard-station"
printf '[DefaultFiles]\nSREC_FileName=own.srec\n' >"$work/home/.config/halyard-station/halyard-station.ini"
ctl --no-wait state >"$work/own.txt"
grep -q 'SREC_Name.* = "own.srec"' "$work/own.txt" || fail "~/.config was not read first"
echo "read ~/.config/halyard-station/halyard-station.ini"

echo "== manual pages and desktop entry"
man -w halyardctl halyard-station
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/halyard-station.desktop
fi

echo "== purge"
$sudo dpkg -P "$name" >/dev/null
[[ ! -e /etc/halyard-station && ! -e /usr/bin/halyardctl ]] || fail "files were left behind"
echo "removed, /etc/halyard-station gone"
echo "test-package: pass"
