#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a while from its seed corpus
# (tests/fuzz/corpus/<target>/, left unchanged). Not part of scripts/test.sh.
#   scripts/fuzz.sh [seconds per target, default 20] [target...]
# A crash stops the run; its input is left in build-fuzz/crashes/.
# ZOR_FUZZ_SANITIZERS=undefined builds into build-fuzz-undefined without AddressSanitizer,
# several times faster for long runs; the corpus in build-fuzz/corpus/ is shared.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitizers=${ZOR_FUZZ_SANITIZERS:-address,undefined}
build=build-fuzz
if [ "$sanitizers" != "address,undefined" ]; then build=build-fuzz-${sanitizers//,/-}; fi
seconds=${1:-20}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_ini fuzz_skin fuzz_lists fuzz_address fuzz_session fuzz_status fuzz_archive fuzz_links fuzz_favorites fuzz_bookmarks
    fuzz_translist)
fi
CC=clang CXX=clang++ cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOR_FUZZ=ON -DZOR_GUI=OFF -DZOR_TESTS=OFF -DZOR_FUZZ_SANITIZERS="$sanitizers" >/dev/null
ninja -C "$build" "${targets[@]}"
mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  echo "== $target: ${seconds} s"
  log=build-fuzz/crashes/$target.log
  if ! "$build"/tests/fuzz/$target "$work" tests/fuzz/corpus/$target -max_total_time="$seconds" \
      -artifact_prefix=build-fuzz/crashes/$target- -print_final_stats=1 >"$log" 2>&1; then
    tail -40 "$log"
    echo "$target failed: its input is in build-fuzz/crashes/"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units" "$log"
done
