#!/usr/bin/env bash
# Prints the files an install must put below the prefix, sorted: the list of
# installed_files.txt, the programs (a comma-separated list) in bin/, and every file of the
# source tree's share/ in share/k9-90/.
#   expected_files.sh SOURCE_DIR LIBDIR QT_PLUGINS PROGRAMS
set -euo pipefail
source_dir="$1" libdir="$2" qt_plugins="$3" programs="$4"
{
  grep -v '^#' "$source_dir/tests/install/installed_files.txt" |
    sed -e "s|@LIBDIR@|$libdir|" -e "s|@QT_PLUGINS@|$qt_plugins|"
  tr ',' '\n' <<<"$programs" | sed 's|^|bin/|'
  (cd "$source_dir/share" && find . -type f | sed 's|^\./|share/k9-90/|')
} | LC_ALL=C sort
