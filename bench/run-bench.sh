#!/usr/bin/env bash
# Times whole velmar++ runs on simulated data and prints, per case, the
# seconds per SNP and the peak memory (maximum resident set size).
#
#   bench/run-bench.sh [build directory]      (default: build-bench)
#
# Cases: 1 cohort of 2000 individuals and 3 cohorts of 1000, 50 SNPs each,
# with the default options and with "-approx 1 20". Every run is seeded
# ("-nrs"), so the work done is the same from one machine to the next.
# Needs GNU time (/usr/bin/time) for the peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
snps=50

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmar++ simulate >/dev/null

if [ ! -x /usr/bin/time ]; then
  echo "run-bench.sh: GNU time (/usr/bin/time) is needed for the peak memory" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

printf '%-28s %-14s %12s %14s %14s\n' "data" "options" "seconds" "seconds/SNP" "peak memory"
for shape in "1 2000" "3 1000"; do
  read -r cohorts individuals <<<"$shape"
  data="$work/c${cohorts}x${individuals}"
  mkdir -p "$data"
  "$build/simulate" --seed 5 --cohorts "$cohorts" --individuals "$individuals" \
    --snps "$snps" --snpinfo --out "$data" >/dev/null
  inputs=()
  for ((c = 0; c < cohorts; c++)); do inputs+=("$data/cohort$c.txt"); done

  for options in "" "-approx 1 20"; do
    # shellcheck disable=SC2086
    /usr/bin/time -f "%e %M" -o "$work/time" \
      "$build/velmar++" -nrs -i "${inputs[@]}" -f "$data/snpinfo.txt" \
      $options -o "$work/out" >"$work/log"
    read -r seconds peak_kb <"$work/time"
    per_snp="$(awk -v s="$seconds" -v n="$snps" 'BEGIN { printf "%.3f", s / n }')"
    peak_mb="$(awk -v k="$peak_kb" 'BEGIN { printf "%.1f MB", k / 1024 }')"
    printf '%-28s %-14s %12s %14s %14s\n' \
      "$cohorts x $individuals, $snps SNPs" "${options:-default}" \
      "$seconds" "$per_snp" "$peak_mb"
  done
done
