#!/usr/bin/env bash
# Builds the whole project with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs every test there. The Calc host is left out: LibreOffice's UNO
# runtime is not built with the sanitizers, and its own allocations at exit would be reported
# as ours; the C and decimal-comma suites run its tests.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-asan" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DVX_WERROR=ON -DVX_SANITIZE=ON -DVX_BUILD_BENCH=OFF -DVX_CALC_HOST=OFF >/dev/null
cmake --build "$top/build-asan" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$top/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$top/build-asan"
ctest --output-on-failure -j"$(nproc)"
