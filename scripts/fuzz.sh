#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a while from its seed corpus
# (tests/fuzz/corpus/<target>/, left unchanged). Not part of scripts/test.sh.
#   scripts/fuzz.sh [seconds per target, default 20] [target...]
# A crash stops the run; its input is left in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_ini fuzz_skin fuzz_lists fuzz_address fuzz_session fuzz_status fuzz_archive fuzz_links fuzz_favorites fuzz_bookmarks
    fuzz_translist)
fi
CC=clang CXX=clang++ cmake -G Ninja -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOR_FUZZ=ON -DZOR_GUI=OFF -DZOR_TESTS=OFF >/dev/null
ninja -C build-fuzz "${targets[@]}"
mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  echo "== $target: ${seconds} s"
  log=build-fuzz/crashes/$target.log
  if ! build-fuzz/tests/fuzz/$target "$work" tests/fuzz/corpus/$target -max_total_time="$seconds" \
      -artifact_prefix=build-fuzz/crashes/$target- -print_final_stats=1 >"$log" 2>&1; then
    tail -40 "$log"
    echo "$target failed: its input is in build-fuzz/crashes/"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units" "$log"
done
