#!/usr/bin/env bash
# Copies the pages the README shows from the last demonstration
# (build/demo-screenshots/, made by scripts/run-demo.sh) to docs/screenshots/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
shots="$here/build/demo-screenshots"
mkdir -p "$here/docs/screenshots"
for page in service-shop-new list-user details settings service-change-password import-file; do
  found=$(ls "$shots"/[0-9][0-9]-"$page".png)
  cp "$found" "$here/docs/screenshots/${page%-new}.png"
done
ls -s "$here/docs/screenshots"
