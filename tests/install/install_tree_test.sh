#!/usr/bin/env bash
# The installed system, in a DESTDIR tree: `cmake --install --prefix /usr` puts exactly the
# expected files there; no program or library carries a run path; only libvxvisa exports the
# VISA functions; the installed programs work from the tree (the meter scan, the object
# registry's libraries); and the C example builds against the installed header and library
# through pkg-config, lists the simulated meters and reads one. Every program has its manual
# page.
#   install_tree_test.sh BUILD_DIR SOURCE_DIR LIBDIR QT_PLUGINS PROGRAMS C_COMPILER \
#                        [LINKER [FLAGS]]
# LINKER (the C compiler by default) links the example; FLAGS go to compiling and linking.
set -euo pipefail
build="$(realpath "$1")" source="$(realpath "$2")" libdir="$3" qt_plugins="$4" programs="$5"
cc="$6" linker="${7:-$6}" cflags="${8:-}"
work="$build/test-install"
dest="$work/root"
prefix="$dest/usr"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Whether the build has the Calc host, and LibreOffice's program folder, its one run path.
calc=$(sed -n 's/^calc=//p' "$build/install-layout.env")
libreoffice=$(sed -n 's/^libreoffice=//p' "$build/install-layout.env")

rm -rf "$work"
mkdir -p "$work/home"
DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -5 "$work/install.log")"

echo "== the installed files"
"$source/tests/install/expected_files.sh" "$source" "$libdir" "$qt_plugins" "$programs" \
  "${calc:-ON}" >"$work/expected.txt"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed.txt"
diff -u "$work/expected.txt" "$work/installed.txt" ||
  fail "the installed tree differs from the expected list (- missing, + unexpected)"
for program in $(tr ',' ' ' <<<"$programs"); do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
[ "$(readlink "$prefix/$libdir/libvxvisa.so")" = libvxvisa.so.1 ] ||
  fail "libvxvisa.so does not link to the library's soname"
objdump -p "$prefix/$libdir/libvxvisa.so.1" | grep -q 'SONAME *libvxvisa\.so\.1$' ||
  fail "libvxvisa's soname is not libvxvisa.so.1"

echo "== run paths and exported VISA functions"
while IFS= read -r file; do
  path="$prefix/$file"
  [ -L "$path" ] && continue
  head -c 4 "$path" | grep -q $'\x7fELF' || continue
  runpath=$(readelf -d "$path" | grep -E '\((RPATH|RUNPATH)\)' || true)
  if [ "$file" = "$libdir/k9-90/libvxcalc.so" ]; then
    # The Calc host finds the UNO runtime in LibreOffice's own folder, and only there.
    grep -qF "[$libreoffice]" <<<"$runpath" ||
      fail "$file does not look for LibreOffice in $libreoffice: $runpath"
  elif [ -n "$runpath" ]; then
    fail "$file carries a run path: $runpath"
  fi
  exported=$(nm -D --defined-only "$path" | grep -c ' T vi[A-Z]' || true)
  case "$file" in
    "$libdir"/libvxvisa.so.*) [ "$exported" -ge 100 ] || fail "$file exports $exported vi* functions" ;;
    *) [ "$exported" -eq 0 ] || fail "$file exports $exported vi* functions of its own" ;;
  esac
done <"$work/installed.txt"

echo "== the installed programs, from the tree"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export VX_VISA_SIM="$prefix/share/k9-90/sim/default.ini" VX_VISA_NATIVE=0 VX_VISA_LIBRARY=
export QT_QPA_PLATFORM=offscreen
unset VX_OBJECT_REGISTRY VX_TOOL_SYSDIR
scan=$("$prefix/bin/vxquery" scan) || fail "the installed vxquery scan failed"
grep -q $'^W9-90/1-USBTMC-TW00012345\t' <<<"$scan" || fail "vxquery scan lists no USB meter: $scan"
grep -q $'^W9-90/1-GPIB-22\t' <<<"$scan" || fail "vxquery scan lists no GPIB meter: $scan"
# vxlink creates the engine through the installed registry, which names its libraries
# relative to itself.
listed=$("$prefix/bin/vxlink" --list 2>&1) || fail "the installed vxlink --list failed: $listed"
grep -q 'GPIB0::22::INSTR' <<<"$listed" || fail "vxlink --list found no meter: $listed"
# The installed registry serves the spreadsheet program from Calc where LibreOffice is there,
# else from the in-memory host; the environment chooses either.
if [ "${calc:-ON}" = ON ]; then
  which=$("$prefix/bin/vxregister" --which) || fail "vxregister --which failed: $which"
  if [ -x "$libreoffice/soffice" ]; then
    grep -q '^Excel.Application: Excel.Application.Calc ' <<<"$which" ||
      fail "the installed registry does not serve Excel.Application from Calc: $which"
  fi
  which=$(VX_SOFFICE=/nonexistent "$prefix/bin/vxregister" --which) || fail "--which: $which"
  grep -q 'Excel.Application.Calc is not available here' <<<"$which" ||
    fail "without LibreOffice the registry does not fall back to the in-memory host: $which"
  which=$(VX_SPREADSHEET_HOST=memory "$prefix/bin/vxregister" --which) || fail "--which: $which"
  grep -q '^Excel.Application: Excel.Application.Memory ' <<<"$which" ||
    fail "VX_SPREADSHEET_HOST=memory does not choose the in-memory host: $which"
fi

echo "== the C example against the installed header and library"
# The pkg-config file names plain paths below /usr; the DESTDIR tree is its system root.
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$dest"
flags=$(pkg-config --cflags --libs vxvisa) || fail "pkg-config knows no vxvisa"
grep -q -- "-I$prefix/include/vxvisa" <<<"$flags" || fail "pkg-config gives no plain include path: $flags"
# shellcheck disable=SC2086
"$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror $cflags $(pkg-config --cflags vxvisa) \
  -c -o "$work/list_meters.o" "$source/examples/list_meters.c" ||
  fail "the C example does not compile with the installed header"
# shellcheck disable=SC2086
"$linker" $cflags -o "$work/list_meters" "$work/list_meters.o" $flags \
  -Wl,-rpath,"$prefix/$libdir" || fail "the C example does not link with the installed library"
out=$("$work/list_meters") || fail "list_meters failed: $out"
grep -q $'^reading\tUSB0::0x1F3A::0x0C21::TW00012345::INSTR\t[-+][0-9]' <<<"$out" ||
  fail "list_meters took no reading: $out"
grep -q $'^GPIB0::22::INSTR\tTOLVEX,W9-90/1,' <<<"$out" || fail "list_meters missed the GPIB meter"
# This library named as the vendor library to pass calls to: refused, and nothing hangs.
err=$(VX_VISA_LIBRARY="$prefix/$libdir/libvxvisa.so.1" timeout 20 "$work/list_meters" "TCPIP?*" 2>&1) &&
  fail "list_meters found a TCPIP instrument: $err"
grep -q "is this VISA library itself" <<<"$err" || fail "no word on the refused library: $err"

if command -v desktop-file-validate >/dev/null; then
  echo "== the desktop entry"
  desktop-file-validate "$prefix/share/applications/k9-90-vx-tool.desktop" ||
    fail "the desktop entry is not valid"
fi
echo "the installed tree is complete and works"
