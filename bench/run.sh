#!/usr/bin/env bash
# Runs the benchmarks against a build and prints one table: each figure as
# the median ratio to its floor over repeated runs, the spread, the target
# and whether it is met.
#   bench/run.sh BUILD_DIR [REPEATS]      (default 5 repeats)
# TRUSTKEEP_BENCH_ONLY=cold,warm,records,load,scan,memory,model,list,cabundle picks figures.
set -euo pipefail
build=$(cd "${1:?usage: bench/run.sh BUILD_DIR [REPEATS]}" && pwd)
cmake --build "$build" --target trustkeep-bench trustkeep-floorservice >/dev/null
export TRUSTKEEP_BUILD_DIR=$build
export QT_QPA_PLATFORM=offscreen
unset TRUSTKEEP_LOG_STDERR
exec "$build/bin/trustkeep-bench" "${2:-5}"
