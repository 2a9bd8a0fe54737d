#!/usr/bin/env bash
# Prints the files an install must put below the prefix, sorted: the list of
# installed_files.txt, the programs (a comma-separated list) in bin/, and every file of the
# source tree's share/ in share/k9-90/. CALC (ON or OFF, default ON) says whether the build has
# the LibreOffice Calc host.
#   expected_files.sh SOURCE_DIR LIBDIR QT_PLUGINS PROGRAMS [CALC]
set -euo pipefail
source_dir="$1" libdir="$2" qt_plugins="$3" programs="$4" calc="${5:-ON}"
{
  grep -v '^#' "$source_dir/tests/install/installed_files.txt" |
    if [ "$calc" = ON ]; then sed 's|^calc ||'; else grep -v '^calc '; fi |
    sed -e "s|@LIBDIR@|$libdir|" -e "s|@QT_PLUGINS@|$qt_plugins|"
  tr ',' '\n' <<<"$programs" | sed 's|^|bin/|'
  (cd "$source_dir/share" && find . -type f | sed 's|^\./|share/k9-90/|')
} | LC_ALL=C sort
