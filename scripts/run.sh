#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs the system on the simulated meters
# described in share/sim/default.ini.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
export VX_VISA_SIM="$top/share/sim/default.ini"
exec "$top/build/bin/vxquery" scan
