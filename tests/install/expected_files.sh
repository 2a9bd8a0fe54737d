#!/usr/bin/env bash
# Prints the files an install must put below the prefix, sorted: the list of
# installed_files.txt, the programs (a comma-separated list) in bin/ with their manual pages,
# and every file of the source tree's share/ in share/k9-90/. CALC (ON or OFF) says whether
# the build has the LibreOffice Calc host. With PACKAGE (k9-90 or k9-90-dev) only the files
# of that Debian package.
#   expected_files.sh SOURCE_DIR LIBDIR QT_PLUGINS PROGRAMS CALC [PACKAGE]
set -euo pipefail
source_dir="$1" libdir="$2" qt_plugins="$3" programs="$4" calc="$5" package="${6:-}"
{
  grep -v '^#' "$source_dir/tests/install/installed_files.txt" | grep -v '^$' |
    if [ "$calc" = ON ]; then sed 's|^calc ||'; else grep -v '^calc '; fi |
    sed -e "s|@LIBDIR@|$libdir|" -e "s|@QT_PLUGINS@|$qt_plugins|" |
    awk -v package="$package" '
      { in_dev = ($2 == "dev") }
      package == "" || (package == "k9-90-dev") == in_dev { print $1 }'
  if [ "$package" != k9-90-dev ]; then
    tr ',' '\n' <<<"$programs" | sed 's|^|bin/|'
    tr ',' '\n' <<<"$programs" | sed 's|^\(.*\)$|share/man/man1/\1.1.gz|'
    (cd "$source_dir/share" && find . -type f | sed 's|^\./|share/k9-90/|')
  fi
} | LC_ALL=C sort
