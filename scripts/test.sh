#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test suite.
# TARROW_SANITIZE=1 builds in build-asan with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build
extra=()
if [ "${TARROW_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  extra=(-DTARROW_SANITIZE=ON -DTARROW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi
cmake -S . -B "$build" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure
