#!/usr/bin/env bash
# Builds the libFuzzer target over the command line and the input files in
# build-fuzz/ (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# it for SECONDS seconds (default 120) from the seed corpus in fuzz/corpus/,
# in two worker processes. New inputs go to build-fuzz/corpus/, findings to
# build-fuzz/findings/, the fuzzer's log to build-fuzz/fuzz.log. Exits
# non-zero on a finding.
#
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
bash scripts/install-deps.sh
need=()
command -v clang++ >/dev/null || need+=(clang)
dpkg-query -W -f='${Status}' libclang-rt-dev 2>/dev/null | grep -q "install ok installed" ||
  need+=(libclang-rt-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVELMAR_FUZZ=ON >/dev/null
cmake --build build-fuzz -j4 --target input_fuzzer
mkdir -p build-fuzz/corpus build-fuzz/findings
log=build-fuzz/fuzz.log
status=0
(cd build-fuzz && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ./input_fuzzer \
  -max_total_time="$seconds" -fork=2 -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
  -artifact_prefix=findings/ -print_final_stats=1 corpus ../fuzz/corpus) >"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "fuzz: a finding; its input is in build-fuzz/findings/, the whole log in $log"
  exit "$status"
fi
echo "fuzz: no finding in ${seconds} s; last progress line of $log:"
grep -E '^#[0-9]+: cov:' "$log" | tail -n 1
