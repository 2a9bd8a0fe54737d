#!/usr/bin/env bash
# Builds the Release configuration into build-release/ with warnings as errors, runs its test
# suite, makes the Debian packages there (k9-90_<version>_<arch>.deb and
# k9-90-dev_<version>_<arch>.deb) and checks them: their files, lintian, their control
# information and the unpacked programs (tests/install/package_test.sh), then, as root,
# installs them on a fresh Debian 12 system and opens VX_TOOL's window there
# (scripts/fresh-machine.sh --package).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVX_WERROR=ON \
  >/dev/null
cmake --build "$top/build-release" -j"$(nproc)"
(cd "$top/build-release" && "$top/scripts/suite.sh")
rm -f "$top"/build-release/k9-90*.deb
(cd "$top/build-release" && cpack -G DEB)
"$top/tests/install/package_test.sh" "$top/build-release" "$top"
if [ "$(id -u)" -eq 0 ]; then
  xvfb-run -a "$top/scripts/fresh-machine.sh" --package "$top"/build-release/k9-90_*.deb \
    "$top"/build-release/k9-90-dev_*.deb
else
  echo "Not root: the install on a fresh system (scripts/fresh-machine.sh --package) is left out"
fi
