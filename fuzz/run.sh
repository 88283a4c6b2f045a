#!/usr/bin/env bash
# Makes the seed corpora and runs every fuzz target for a while.
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]   (default 30, as in CI)
# A long run: fuzz/run.sh build-fuzz 14400 (four hours per target).
# The corpora grow in BUILD_DIR/fuzz-corpus/<target>/ and are kept between
# runs; a crash leaves its input in BUILD_DIR/fuzz-artifacts/ and fails the run.
set -euo pipefail
build=$(cd "${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-30}
corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
mkdir -p "$corpus" "$artifacts"
QT_QPA_PLATFORM=offscreen "$build/bin/fuzzseeds" "$corpus"

here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

status=0
for target in base64_fuzzer deserializeitem_fuzzer certificatefile_fuzzer certificateoutline_fuzzer servicecall_fuzzer; do
    echo "== $target: ${seconds}s"
    if ! "$build/bin/$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
            -rss_limit_mb=4096 -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
            "$corpus/$target" >"$build/fuzz-$target.log" 2>&1; then
        echo "$target FAILED; see $build/fuzz-$target.log and $artifacts"
        tail -40 "$build/fuzz-$target.log"
        status=1
    else
        grep -E '^(stat::number_of_executed_units|Done)' "$build/fuzz-$target.log" || true
    fi
done
exit $status
