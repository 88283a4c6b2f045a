#!/usr/bin/env bash
# The main job, one command on a fresh Debian 12: installs what is missing,
# builds the programs of the demonstration into build/, and runs it on an
# emulated device under build/demo-device (never the real device paths).
# The output is a few lines; the detail goes to logs under build/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
mkdir -p "$build"
# demo.sh tells the time of the whole run.
export TRUSTKEEP_DEMO_STARTED=${TRUSTKEEP_DEMO_STARTED:-$(date +%s)}

echo "Installing the Debian packages that are missing (log: build/demo-install.log)"
if ! "$here/scripts/install-deps.sh" > "$build/demo-install.log" 2>&1; then
  tail -n 20 "$build/demo-install.log" >&2
  exit 1
fi

# A progress line from the build's own percentages: rewritten in place on a
# terminal, every quarter otherwise.
progress() {
  local shown=-1 percent
  while IFS= read -r line; do
    printf '%s\n' "$line" >> "$build/demo-build.log"
    [[ $line =~ ^\[\ *([0-9]+)%\] ]] || continue
    percent=${BASH_REMATCH[1]}
    if [ -t 1 ]; then
      printf '\r   building: %3d%%' "$percent"
    elif [ $((percent / 25)) -gt $((shown / 25)) ]; then
      printf '   building: %d%%\n' "$percent"
    fi
    shown=$percent
  done
  if [ -t 1 ]; then printf '\r   building: done\n'; fi
}
echo "Building into build/ (log: build/demo-build.log)"
: > "$build/demo-build.log"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >> "$build/demo-build.log" 2>&1
if ! cmake --build "$build" -j"$(nproc)" --target demo 2>&1 | progress; then
  grep -E 'error|Error' "$build/demo-build.log" | head -n 20 >&2
  exit 1
fi

exec "$here/scripts/demo.sh" "$build"
