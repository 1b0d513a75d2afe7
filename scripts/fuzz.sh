#!/usr/bin/env bash
# Builds the libFuzzer targets (container reader, XML reader, database handlers) with clang and
# the address and undefined-behaviour sanitizers in build-fuzz/, then runs each for SECONDS
# (default 60). Findings stop the run with a non-zero exit and leave a crash-* file behind.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${GLIMMERPEN_FUZZ_DIR:-$root/build-fuzz}
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGLIMMERPEN_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" >/dev/null
cmake --build "$build" --target fuzz_container fuzz_xml fuzz_database -j2
for target in container xml database; do
  out="$root/fuzz/out/$target"
  mkdir -p "$out"
  echo "== fuzz_$target for ${seconds}s"
  (cd "$out" && "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -print_final_stats=1 "$out" "$root/fuzz/corpus/$target" 2>&1 | grep -v "^Exception has been created$" | tail -n 15)
done
