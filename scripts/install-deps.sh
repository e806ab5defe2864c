#!/usr/bin/env bash
# Installs the Debian packages that building and testing the station needs.
# Installs only what is missing; uses sudo when not run as root.
# --with-tools adds the screenshot and formatting tools, --with-packaging what make package needs.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++
  # CMakeLists.txt builds with clang and links with lld when they are there; the sanitizer
  # builds and the fuzzers take clang's runtime libraries.
  clang lld libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  binutils
  libsqlite3-dev sqlite3 libpq-dev libssl-dev postgresql
  # the quality report is checked in a real browser (tests/records/ReportBrowserTest.cpp)
  chromium
  # The factory messages: Qpid Proton's AMQP 1.0 client, and the broker its tests start.
  libqpid-proton-cpp12-dev rabbitmq-server
)
for option in "$@"; do
  case "$option" in
    --with-tools) packages+=(xvfb xauth imagemagick clang-format) ;;
    # make package: dpkg-shlibdeps finds the package's runtime dependencies, lintian checks it.
    --with-packaging) packages+=(dpkg-dev file lintian) ;;
    *) echo "install-deps: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
