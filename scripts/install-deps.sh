#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev libpcre2-dev zlib1g-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 nginx-light openssl
  xvfb xauth
  appstream desktop-file-utils dbus
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  clang libclang-rt-14-dev llvm clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q || true
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
