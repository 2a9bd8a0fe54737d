#!/usr/bin/env bash
# Runs the test suite of the build folder it is started in. The tests labelled "calc" drive a
# LibreOffice that each test program starts for itself; a program that fails there is run once
# more, as bringing up the office over UNO has failed by itself about once in twenty starts.
# Every other test runs once.
set -euo pipefail
ctest --output-on-failure -j"$(nproc)" -LE calc
ctest --output-on-failure -j"$(nproc)" -L calc --repeat until-pass:2
