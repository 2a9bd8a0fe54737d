#!/usr/bin/env bash
# Run inside a fresh Debian 12 system (scripts/fresh-machine.sh --package): installs the
# packages as a user does, with apt-get and without recommended packages, and checks what
# the user gets: the manual pages and copyright, VX_TOOL opening its window on the display
# in DISPLAY (a server of the machine outside), and, with the windowed LibreOffice Calc
# installed beside them, Load showing the VX-Link toolbar in Calc's window and Rescind
# taking it away again.
#   fresh_package_check.sh PACKAGE.deb...
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== apt-get install --no-install-recommends $*"
apt-get update -qq
apt-get install -y -qq --no-install-recommends "$@" >/tmp/install.log 2>&1 ||
  fail "the packages do not install: $(tail -20 /tmp/install.log)"

echo "== manual pages and copyright"
for program in VX_TOOL vxquery vxrecord vxscan vxlink vxregister k9sim Load Rescind; do
  [ -x "/usr/bin/$program" ] || fail "no /usr/bin/$program"
  [ -s "/usr/share/man/man1/$program.1.gz" ] || fail "no manual page for $program"
done
[ -s /usr/share/doc/k9-90/copyright ] || fail "no /usr/share/doc/k9-90/copyright"
[ -s /usr/share/doc/k9-90/changelog.Debian.gz ] || fail "no changelog.Debian.gz"

echo "== VX_TOOL opens its window"
[ -n "${DISPLAY:-}" ] || fail "no display to open the window on"
mkdir -p /root/K9-90/DB
cd /root/K9-90
VX_VISA_SIM=/usr/share/k9-90/sim/default.ini VX_TOOL >/tmp/vx_tool.log 2>&1 &
panel=$!
sleep 3
kill -0 "$panel" 2>/dev/null || fail "VX_TOOL ended at once: $(cat /tmp/vx_tool.log)"
# Only now the tools to look at the window: VX_TOOL has found everything it needs without
# them.
apt-get install -y -qq --no-install-recommends x11-utils >/dev/null 2>&1 ||
  fail "x11-utils, to look at the window, does not install"
found=""
for _ in $(seq 50); do
  found=$(xwininfo -root -children | grep '("VX_TOOL" "VX_TOOL")' || true)
  [ -n "$found" ] && break
  sleep 0.2
done
kill "$panel" 2>/dev/null || true
[ -n "$found" ] || fail "no window of class VX_TOOL: $(xwininfo -root -children)"
echo "VX_TOOL's window: $found"

echo "== VX-Link in a windowed Calc"
apt-get install -y -qq --no-install-recommends libreoffice-calc >/tmp/calc.log 2>&1 ||
  fail "libreoffice-calc does not install: $(tail -20 /tmp/calc.log)"
export VX_CALC_PIPE=vx-desktop-check
# A scan's results open in a Calc window; Calc is started for them.
VX_VISA_SIM=/usr/share/k9-90/sim/default.ini timeout 120 vxscan --channels "1=DCV,11=2W" \
  --count 2 --out /root/scan.xlsx >/tmp/vxscan.log 2>&1 || fail "vxscan: $(cat /tmp/vxscan.log)"
if grep -q "cannot be shown" /tmp/vxscan.log; then fail "vxscan: $(cat /tmp/vxscan.log)"; fi
addin=/usr/share/k9-90/addin/QVK990LINK.xla
timeout 120 Load "$addin" >/tmp/load.log 2>&1 || fail "Load $addin failed: $(cat /tmp/load.log)"
# The UNO bridge for Python, to look at Calc's windows, only now.
apt-get install -y -qq --no-install-recommends python3-uno >/dev/null 2>&1 ||
  fail "python3-uno, to look at Calc's windows, does not install"
python3 /root/calc_toolbar_probe.py "$VX_CALC_PIPE" | grep -q "^scan.xlsx - LibreOffice Calc" ||
  fail "no Calc window with vxscan's results"
toolbar_in_every_window() {
  local windows
  windows=$(python3 /root/calc_toolbar_probe.py "$VX_CALC_PIPE")
  echo "$windows"
  [ -n "$windows" ] || fail "no Calc window"
  ! grep -qv $'\t'"$1"'$' <<<"$windows"
}
toolbar_in_every_window shown || fail "Load: the VX-Link toolbar is not shown in every Calc window"
timeout 120 Rescind >/tmp/rescind.log 2>&1 || fail "Rescind failed: $(cat /tmp/rescind.log)"
toolbar_in_every_window absent || fail "Rescind: the VX-Link toolbar is still shown"
timeout 120 Load "$addin" >/tmp/load.log 2>&1 || fail "Load again failed: $(cat /tmp/load.log)"
toolbar_in_every_window shown || fail "Load again: the toolbar did not come back to the window"
echo "the packages install and work on a fresh system"
