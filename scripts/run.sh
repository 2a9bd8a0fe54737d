#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and starts the front panel VX_TOOL on the
# simulated meters of share/sim/default.ini, in a working folder whose DB subfolder holds
# the record files (VX_WORKDIR, by default work/ in the checkout).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
export VX_VISA_SIM="${VX_VISA_SIM:-$top/share/sim/default.ini}"
workdir="${VX_WORKDIR:-$top/work}"
mkdir -p "$workdir/DB"
cd "$workdir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the front panel on; these are the meters it would list:"
  exec "$top/build/bin/vxquery" scan
fi
exec "$top/build/bin/VX_TOOL"
