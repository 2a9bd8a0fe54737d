#!/usr/bin/env bash
# Builds the Release configuration into build-release/ with warnings as errors, runs its test
# suite, makes the Debian package there (k9-90_<version>_<arch>.deb) and checks the package.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVX_WERROR=ON \
  >/dev/null
cmake --build "$top/build-release" -j"$(nproc)"
(cd "$top/build-release" && ctest --output-on-failure -j"$(nproc)")
rm -f "$top"/build-release/k9-90_*.deb
(cd "$top/build-release" && cpack -G DEB)
"$top/tests/install/package_test.sh" "$top/build-release" "$top"
