#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time. The time is
# FUZZ_SECONDS per target when set; otherwise FUZZ_TOTAL_SECONDS (420 by default) shared
# among the targets, so that CI's time stays the same as targets are added. The corpora
# start from the seeds under fuzz/seeds/<target>/. A crash stops the run; its input is left
# in build-fuzz/ (crash-*), to become a seed and a test.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON -DVX_FUZZ=ON -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF \
  >/dev/null
cmake --build "$top/build-fuzz" -j"$(nproc)" --target fuzz_targets
targets=("$top"/build-fuzz/bin/fuzz_*)
if [ -n "${FUZZ_SECONDS:-}" ]; then
  seconds="$FUZZ_SECONDS"
else
  total="${FUZZ_TOTAL_SECONDS:-420}"
  seconds=$(( total / ${#targets[@]} ))
  [ "$seconds" -ge 1 ] || seconds=1
fi
for target in "${targets[@]}"; do
  name="$(basename "$target")"
  corpus="$top/build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$top/build-fuzz/" "$corpus" "$top/fuzz/seeds/$name"
done
