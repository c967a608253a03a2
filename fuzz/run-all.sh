#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60), starting from
# the seed corpora in fuzz/corpus/. New inputs go to a scratch corpus, never into the repository.
# A crash, a hang (an input slower than TARROW_FUZZ_TIMEOUT seconds, default 10) or memory past
# 2 GiB stops that target and leaves its input under the scratch folder; the script then fails.
#
#   fuzz/run-all.sh 60                      # every target, one minute each
#   fuzz/run-all.sh 30 fuzz_markup          # only the named targets
#
# Environment: TARROW_FUZZ_BUILD (build folder, default build-fuzz), TARROW_FUZZ_WORK (scratch
# folder for corpora, logs and crash inputs, default <build folder>/fuzz-work), TARROW_FUZZ_SEED
# (a fixed random seed, so a run can be repeated; CI sets one).
set -euo pipefail

seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARROW_FUZZ_BUILD:-$root/build-fuzz}
work=${TARROW_FUZZ_WORK:-$build/fuzz-work}
timeout=${TARROW_FUZZ_TIMEOUT:-10}

# Every target that fuzz/CMakeLists.txt declares, so a new one is one line there.
mapfile -t all_targets < <(sed -n 's/^tarrow_add_fuzzer(\([a-z0-9_]*\) .*/\1/p' "$root/fuzz/CMakeLists.txt")
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

declare -A dictionary=(
  [fuzz_markup]=html [fuzz_process_links]=html [fuzz_output_paths]=html
  [fuzz_attr_decode]=html [fuzz_settings]=settings [fuzz_http_content]=charsets
  [fuzz_replace_rules]=regex [fuzz_style_sheet]=css [fuzz_srcset]=srcset
  [fuzz_proxy_url]=proxy [fuzz_sitemap]=sitemap
)

if ! command -v clang++ >/dev/null; then
  echo "run-all.sh: clang++ is missing (Debian: clang libclang-rt-14-dev)" >&2
  exit 2
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTARROW_BUILD_FUZZ=ON \
  -DTARROW_BUILD_UI=OFF -DTARROW_BUILD_TESTS=OFF -DTARROW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

mkdir -p "$work"
failed=()
summary=()
for target in "${targets[@]}"; do
  corpus="$work/corpus/$target"
  mkdir -p "$corpus" "$work/artifacts"
  log="$work/$target.log"
  args=(-max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1
    ${TARROW_FUZZ_SEED:+-seed=$TARROW_FUZZ_SEED}
    -artifact_prefix="$work/artifacts/$target-")
  dict="$root/fuzz/dicts/${dictionary[$target]:-none}.dict"
  [ -f "$dict" ] && args+=(-dict="$dict")
  echo "== $target: ${seconds}s"
  status=0
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/$target" "${args[@]}" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 ||
    status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $status -ne 0 ]; then
    failed+=("$target")
    summary+=("$(printf '%-22s %12s runs  FAILED (see %s)' "$target" "${runs:-?}" "$log")")
    tail -40 "$log" >&2
  else
    summary+=("$(printf '%-22s %12s runs  ok' "$target" "${runs:-?}")")
  fi
done

echo
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed: ${failed[*]}; inputs in $work/artifacts" >&2
  exit 1
fi
