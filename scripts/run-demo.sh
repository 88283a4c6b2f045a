#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demonstration on an emulated
# device under build/demo-device (never the real device paths).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build"
exec "$here/scripts/demo.sh" "$here/build"
