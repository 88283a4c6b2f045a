#!/usr/bin/env bash
# The demonstration on an emulated device under BUILD_DIR/demo-device (never
# the real device paths). Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: demo.sh BUILD_DIR}
build=$(cd "$build" && pwd)

device="$build/demo-device"
rm -rf "$device"
mkdir -p "$device/home/user/private"
export TRUSTKEEP_DEVICE_ROOT="$device"

echo "### The certificate store"
"$build/bin/bastra-certman-demo"

echo
echo "### Files on the emulated device"
(cd "$device" && find . -mindepth 1 -path ./home/user/private -prune -o -print | sort | sed 's/^\.\//   /')
