#!/usr/bin/env bash
# Installs the Debian packages Pelvaro! needs to build, run and test.
# Safe to run again: it only asks apt for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config curl
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libqt6opengl6-dev
  libsqlite3-dev libc-ares-dev libarchive-dev libssl-dev ca-certificates
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation2 fontconfig
  clang-format
  clang libclang-rt-14-dev
  poppler-utils
  xvfb x11-utils
  libreoffice-writer-nogui
  appstream desktop-file-utils shared-mime-info dpkg-dev file libcap2-bin librsvg2-bin man-db
  cups-daemon cups-client
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installiere fehlende Pakete: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
