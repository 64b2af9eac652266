#!/usr/bin/env bash
# Installs what is missing, checks that every tracked C++ file follows
# .clang-format, then builds and runs every test twice: in the normal build
# and in an AddressSanitizer + UndefinedBehaviorSanitizer build; then runs the
# fuzz target over the command line and the input files for two minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
unformatted=()
while IFS= read -r -d '' f; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "test.sh: these files do not follow .clang-format:" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  echo "format them with: clang-format -i$(printf ' %q' "${unformatted[@]}")" >&2
  exit 1
fi
jobs="$(nproc)"
# BUILD_TESTING is given explicitly: scripts/run-example.sh configures build/ without the tests.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs")
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_SANITIZE=ON \
  -DBUILD_TESTING=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure --no-tests=error -j"$jobs")
bash scripts/fuzz.sh 120
