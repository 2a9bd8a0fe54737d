#!/usr/bin/env bash
# Configures and builds the project into build/ (binaries in build/bin).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON >/dev/null
cmake --build "$top/build" -j"$(nproc)"
