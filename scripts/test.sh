#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test suite.
# TARROW_SANITIZE=1 builds in build-asan with AddressSanitizer and UndefinedBehaviorSanitizer;
# TARROW_TSAN=1 builds in build-tsan with ThreadSanitizer and runs the suites where threads meet;
# TARROW_WERROR=1 treats warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build
extra=()
tests=()
if [ "${TARROW_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  extra=(-DTARROW_SANITIZE=ON -DTARROW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
elif [ "${TARROW_TSAN:-0}" = 1 ]; then
  build=build-tsan
  extra=(-DTARROW_TSAN=ON -DTARROW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  tests=(-R '^test_(engine|crawl|crawl_parallel|faults|faults_parallel|http|ui)$')
  export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
fi
[ "${TARROW_WERROR:-0}" = 1 ] && extra+=(-DTARROW_WERROR=ON)
cmake -S . -B "$build" -G Ninja "${extra[@]}" >/dev/null
if [ ${#tests[@]} -gt 0 ]; then
  cmake --build "$build" --target test_engine test_crawl test_faults test_http test_ui
else
  cmake --build "$build"
fi
ctest --test-dir "$build" --output-on-failure "${tests[@]}"
