#!/usr/bin/env bash
# Installs the Debian packages trustkeep needs to build, test and demonstrate.
# Only missing packages are installed; sudo is used only when not running as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache
  qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools
  libqt5sql5-sqlite libqt5dbus5
  libssl-dev openssl
  dbus libglib2.0-bin sqlite3 python3 ca-certificates
  clang libclang-rt-14-dev
  fonts-dejavu-core
  dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
