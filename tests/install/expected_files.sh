#!/usr/bin/env bash
# Prints the files an install must put below the prefix, sorted: the list of
# installed_files.txt, the programs (a comma-separated list) in bin/ with their manual pages,
# and every file of the source tree's share/ in share/k9-90/. With PACKAGE (k9-90 or
# k9-90-dev) only the files of that Debian package.
#   expected_files.sh SOURCE_DIR LIBDIR QT_PLUGINS PROGRAMS [PACKAGE]
set -euo pipefail
source_dir="$1" libdir="$2" qt_plugins="$3" programs="$4" package="${5:-}"
{
  grep -v '^#' "$source_dir/tests/install/installed_files.txt" | grep -v '^$' |
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
