#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, 60 by default). The corpora start from the seeds under fuzz/.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
"$top/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF \
  >/dev/null
cmake --build "$top/build-fuzz" -j"$(nproc)" --target fuzz_targets
for target in "$top"/build-fuzz/bin/fuzz_*; do
  name="$(basename "$target")"
  corpus="$top/build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$top/build-fuzz/" "$corpus" "$top/fuzz/seeds/$name"
done
