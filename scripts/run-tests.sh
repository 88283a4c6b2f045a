#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under CTest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build"
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer.
# The build uses clang with coverage instrumentation, so that the fuzz
# targets come out of the same build; each of them then runs for 30 s.
# Leaks inside system libraries are suppressed (fuzz/lsan.supp).
CC=clang CXX=clang++ "$here/scripts/build.sh" "$here/build-asan" -DTRUSTKEEP_SANITIZE=ON \
  -DTRUSTKEEP_BUILD_FUZZERS=ON -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
export LSAN_OPTIONS="suppressions=$here/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$here/build-asan"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
"$here/fuzz/run.sh" "$here/build-asan" 30
