#!/usr/bin/env bash
# Installs what is missing, builds velmar++ (without the test suites, so
# GoogleTest is not needed) and runs it on the example data set.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh program
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" --target velmar++
mkdir -p example-out
build/velmar++ -nrs -i example/cohort0.txt example/cohort1.txt -f example/snpinfo.txt \
  -o example-out/example "$@"
