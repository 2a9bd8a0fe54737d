#!/usr/bin/env bash
# The Debian packages that `cpack -G DEB` made in BUILD_DIR: k9-90 and k9-90-dev hold exactly
# their expected files below /usr; lintian reports neither errors nor warnings (the warnings
# the packages keep are overridden in them, with reasons); dependencies come from the shared
# libraries, with Qt's platform plugins; the maintainer scripts, the shlibs entry and the
# ldconfig trigger are there; apt can install both here; every program has its manual page;
# vxvisa.pc gives plain paths; and the unpacked programs find the simulated meters, with
# VX_TOOL's window of the class its desktop entry names.
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
the_deb() {
  mapfile -t found < <(find "$build" -maxdepth 1 -name "$1_*.deb")
  [ "${#found[@]}" -eq 1 ] || fail "expected one $1_*.deb in $build, found ${#found[@]}"
  realpath "${found[0]}"
}
deb="$(the_deb k9-90)"
dev_deb="$(the_deb k9-90-dev)"
rm -rf "$work"
mkdir -p "$work/home"

for package in k9-90 k9-90-dev; do
  file="$deb"
  [ "$package" = k9-90-dev ] && file="$dev_deb"
  echo "== $(basename "$file"): its files"
  "$source/tests/install/expected_files.sh" "$source" "$libdir" "$qt_plugins" "$programs" \
    "${calc:-ON}" "$package" >"$work/$package.expected"
  dpkg-deb -c "$file" | awk '{ print $6 }' | grep -v '/$' | sed 's|^\./usr/||' |
    LC_ALL=C sort >"$work/$package.packaged"
  diff -u "$work/$package.expected" "$work/$package.packaged" ||
    fail "$package's files differ from the expected list (- missing, + unexpected)"
  dpkg-deb -c "$file" | grep -v '\./usr/' | awk '{ print $6 }' | grep -vx '\./' &&
    fail "$package puts files outside /usr"
done

echo "== lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" "$dev_deb" 2>&1 |
  grep -v 'running with root privileges' || true
lintian --fail-on error,warning "$deb" "$dev_deb" >/dev/null 2>&1 ||
  fail "lintian reports errors or warnings (above)"

echo "== their control information"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libsqlite3-0 libxlsxwriter4 \
  qt6-qpa-plugins; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
version=$(dpkg-deb -f "$deb" Version)
grep -q "k9-90 (= $version)" <<<"$(dpkg-deb -f "$dev_deb" Depends)" ||
  fail "k9-90-dev does not depend on k9-90 $version"
grep -q vxscan <<<"$(dpkg-deb -f "$deb" Description)" || fail "the description leaves out vxscan"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script is not a valid shell script"
done
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" || fail "no ldconfig trigger"
grep -q "^libvxvisa 1 k9-90 " "$work/control/shlibs" || fail "no shlibs entry for libvxvisa"
apt-get install --simulate "$deb" "$dev_deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get cannot install the packages here: $(tail -5 "$work/apt.log")"

echo "== the unpacked files"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -x "$dev_deb" "$work/root"
prefix="$work/root/usr"
for program in $(tr ',' ' ' <<<"$programs"); do
  page="$prefix/share/man/man1/$program.1.gz"
  zcat "$page" | grep -q "^\.SH NAME" || fail "no manual page for $program"
  zcat "$page" | grep -q -- '--help\|usage' || fail "the manual page of $program holds no usage"
done
zcat "$prefix/share/doc/k9-90/changelog.Debian.gz" | head -1 | grep -q "^k9-90 ($version)" ||
  fail "changelog.Debian.gz does not name version $version"
cflags=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs vxvisa | xargs)
[ "$cflags" = "-I/usr/include/vxvisa -lvxvisa" ] ||
  [ "$cflags" = "-I/usr/include/vxvisa -L/usr/$libdir -lvxvisa" ] ||
  fail "pkg-config vxvisa gives paths that are not plain: $cflags"
grep -qx 'StartupWMClass=VX_TOOL' "$prefix/share/applications/k9-90-vx-tool.desktop" ||
  fail "the desktop entry names no StartupWMClass"

echo "== the unpacked programs"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export VX_VISA_SIM="$prefix/share/k9-90/sim/default.ini" VX_VISA_NATIVE=0 VX_VISA_LIBRARY=
unset VX_OBJECT_REGISTRY VX_TOOL_SYSDIR
scan=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/vxquery" scan) || fail "the packaged vxquery scan failed"
grep -q $'^W9-90/1-USBTMC-TW00012345\t' <<<"$scan" || fail "vxquery scan lists no USB meter: $scan"
grep -q $'^W9-90/1-GPIB-22\t' <<<"$scan" || fail "vxquery scan lists no GPIB meter: $scan"
listed=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/vxlink" --list 2>&1) ||
  fail "the packaged vxlink --list failed: $listed"
grep -q 'GPIB0::22::INSTR' <<<"$listed" || fail "vxlink --list found no meter: $listed"
# The window's class, as the desktop reads it, is the one the entry names.
class=$(cd "$work/home" && xvfb-run -a "$source/tests/install/window_class.sh" "$prefix/bin/VX_TOOL") ||
  fail "VX_TOOL opened no window: $class"
[ "$class" = '"VX_TOOL", "VX_TOOL"' ] || fail "VX_TOOL's window class is $class"
echo "the packages are complete and work"
