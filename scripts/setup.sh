#!/usr/bin/env bash
# Installs every Debian package ZOR-Browser needs to build, run and test.
# Idempotent: packages already present are left alone and apt-get update runs
# at most once per machine boot (and only when something is missing).
set -euo pipefail

BUILD_PKGS=(
  build-essential cmake ninja-build pkg-config
  libgtkmm-4.0-dev libwebkitgtk-6.0-dev libsqlite3-dev
  libcurl4-openssl-dev libgmime-3.0-dev libgumbo-dev libxtst-dev
  googletest libgtest-dev libgmock-dev
  clang libclang-rt-dev dpkg-dev
)
RUN_PKGS=(
  xvfb xauth xdotool openbox imagemagick dbus-x11 fonts-noto-cjk
  python3 dbus at-spi2-core python3-gi gir1.2-atspi-2.0 gir1.2-gtk-4.0 gir1.2-webkit-6.0
  appstream desktop-file-utils librsvg2-bin
  xdg-utils
)

missing=()
for p in "${BUILD_PKGS[@]}" "${RUN_PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

stamp=/tmp/.zor-browser-apt-updated
if [ ! -e "$stamp" ]; then
  $SUDO apt-get update
  touch "$stamp"
fi
echo "setup: installing ${missing[*]}"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
