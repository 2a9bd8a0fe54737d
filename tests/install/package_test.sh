#!/usr/bin/env bash
# The Debian package that `cpack -G DEB` made in BUILD_DIR: exactly the expected files below
# /usr, dependencies derived from the shared libraries, the maintainer scripts, the shlibs
# entry and the ldconfig trigger, dependencies that apt can satisfy here, and the unpacked
# programs finding the simulated meters.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(realpath "$1")" source="$(realpath "$2")"
work="$build/test-package"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# shellcheck source=/dev/null
. "$build/install-layout.env"
mapfile -t packages < <(find "$build" -maxdepth 1 -name 'k9-90_*.deb')
[ "${#packages[@]}" -eq 1 ] || fail "expected one k9-90_*.deb in $build, found ${#packages[@]}"
deb="$(realpath "${packages[0]}")"
echo "== $(basename "$deb")"
rm -rf "$work"
mkdir -p "$work/home"

echo "== its files"
"$source/tests/install/expected_files.sh" "$source" "$libdir" "$qt_plugins" "$programs" \
  "${calc:-ON}" >"$work/expected.txt"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sed 's|^\./usr/||' | LC_ALL=C sort \
  >"$work/packaged.txt"
diff -u "$work/expected.txt" "$work/packaged.txt" ||
  fail "the package's files differ from the expected list (- missing, + unexpected)"
dpkg-deb -c "$deb" | grep -v '\./usr/' | awk '{ print $6 }' | grep -vx '\./' &&
  fail "the package puts files outside /usr"

echo "== its control information"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libsqlite3-0 libxlsxwriter4; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script is not a valid shell script"
done
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" || fail "no ldconfig trigger"
grep -q "^libvxvisa 1 k9-90 " "$work/control/shlibs" || fail "no shlibs entry for libvxvisa"
apt-get install --simulate "$deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get cannot install the package here: $(tail -5 "$work/apt.log")"

echo "== the unpacked programs"
dpkg-deb -x "$deb" "$work/root"
prefix="$work/root/usr"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export VX_VISA_SIM="$prefix/share/k9-90/sim/default.ini" VX_VISA_NATIVE=0 VX_VISA_LIBRARY=
export QT_QPA_PLATFORM=offscreen
unset VX_OBJECT_REGISTRY VX_TOOL_SYSDIR
scan=$("$prefix/bin/vxquery" scan) || fail "the packaged vxquery scan failed"
grep -q $'^W9-90/1-USBTMC-TW00012345\t' <<<"$scan" || fail "vxquery scan lists no USB meter: $scan"
grep -q $'^W9-90/1-GPIB-22\t' <<<"$scan" || fail "vxquery scan lists no GPIB meter: $scan"
listed=$("$prefix/bin/vxlink" --list 2>&1) || fail "the packaged vxlink --list failed: $listed"
grep -q 'GPIB0::22::INSTR' <<<"$listed" || fail "vxlink --list found no meter: $listed"
echo "the package is complete and works"
