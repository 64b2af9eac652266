#!/usr/bin/env bash
# Usage: bench/run-bench.sh [--baseline REV] [--repeats N] [build directory]
#
# Times whole seeded velmar++ runs ("-nrs") on simulated data and prints, per
# case, the seconds per SNP and the peak memory per intensity point: the
# maximum resident set size divided by cohorts x individuals x SNPs.
#
# The current tree (with any uncommitted changes) is built in the build
# directory (default: build-bench). With --baseline REV, the git revision REV
# (main, a commit id, a tag) is also built, in a temporary git worktree that is
# removed afterwards, and both builds run on the same data, their runs
# interleaved (REV, this tree, REV, this tree, ...) so that a change in the
# machine's load falls on both; the table then gives both figures and the
# ratio this tree / REV. Every figure is the median of N runs (default 3).
#
# Cases:
#   1 cohort x 2000 individuals x 2000 SNPs, the smallest fit the options
#   allow (no stage-1 sweep, one random start, one stage-2 iteration): for the
#   memory per point, which the stored input and results dominate;
#   2 x 10 individuals x 50000 SNPs, the same smallest fit: for the memory
#   per SNP, whatever its individuals (its keys and result records);
#   1 x 2000 and 3 x 1000, 50 SNPs each, with the default options and with
#   "-approx 1 20": for the time per SNP.
#
# Needs git, CMake, a C++ compiler and GNU time (/usr/bin/time).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n 's/^# Usage: /usage: /p' "$0" >&2
  exit 1
}

baseline=""
repeats=3
build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --baseline)
      [ $# -ge 2 ] || usage
      baseline="$2"
      shift 2
      ;;
    --repeats)
      [ $# -ge 2 ] || usage
      repeats="$2"
      shift 2
      ;;
    -*) usage ;;
    *)
      [ -z "$build" ] || usage
      build="$1"
      shift
      ;;
  esac
done
build="${build:-build-bench}"
case "$repeats" in
  '' | *[!0-9]* | 0) echo "run-bench.sh: --repeats takes a whole number of at least 1" >&2; exit 1 ;;
esac
if [ ! -x /usr/bin/time ]; then
  echo "run-bench.sh: GNU time (/usr/bin/time) is needed for the peak memory" >&2
  exit 1
fi

work="$(mktemp -d)"
baseline_tree="$work/baseline"
cleanup() {
  if [ -d "$baseline_tree" ]; then git worktree remove --force "$baseline_tree"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Builds velmar++ and simulate of the source tree $1 in $2 (at most 4 jobs:
# the machine may be shared).
build_tree() {
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$2" -j4 --target velmar++ simulate >/dev/null
}

build_tree . "$build"
programs=("$build/velmar++")
if [ -n "$baseline" ]; then
  git worktree add --detach --quiet "$baseline_tree" "$baseline"
  build_tree "$baseline_tree" "$baseline_tree/build"
  programs=("$baseline_tree/build/velmar++" "$build/velmar++")
fi

# The median of the numbers given as arguments.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# cohorts individuals SNPs options
cases=(
  "1 2000 2000 -nmax 0 -ns 1 -b 0 -n 1"
  "2 10 50000 -nmax 0 -ns 1 -b 0 -n 1"
  "1 2000 50"
  "1 2000 50 -approx 1 20"
  "3 1000 50"
  "3 1000 50 -approx 1 20"
)

if [ -n "$baseline" ]; then
  printf '%-22s %-24s %12s %12s %7s %12s %12s\n' "data" "options" \
    "s/SNP $baseline" "s/SNP this" "ratio" "B/pt $baseline" "B/pt this"
else
  printf '%-22s %-24s %12s %12s %12s\n' "data" "options" "s/SNP" "peak MB" "B/point"
fi

for case_line in "${cases[@]}"; do
  read -r cohorts individuals snps options <<<"$case_line"
  data="$work/c${cohorts}x${individuals}x${snps}"
  # The result files of a case with more cohorts would draw a warning from
  # each run of a case with fewer.
  rm -f "$work"/out_*
  if [ ! -d "$data" ]; then
    mkdir -p "$data"
    "$build/simulate" --seed 5 --cohorts "$cohorts" --individuals "$individuals" \
      --snps "$snps" --snpinfo --out "$data" >/dev/null
  fi
  inputs=()
  for ((c = 0; c < cohorts; c++)); do inputs+=("$data/cohort$c.txt"); done
  points=$((cohorts * individuals * snps))

  # seconds[b] and peaks[b]: the runs of build b, as space-separated lists.
  seconds=()
  peaks=()
  for ((r = 0; r < repeats; r++)); do
    for b in "${!programs[@]}"; do
      # shellcheck disable=SC2086
      /usr/bin/time -f "%e %M" -o "$work/time" \
        "${programs[$b]}" -nrs -i "${inputs[@]}" -f "$data/snpinfo.txt" \
        $options -o "$work/out" >/dev/null
      read -r s peak_kb <"$work/time"
      seconds[b]="${seconds[b]:-} $s"
      peaks[b]="${peaks[b]:-} $peak_kb"
    done
  done

  per_snp=()
  per_point=()
  peak_mb=()
  for b in "${!programs[@]}"; do
    # shellcheck disable=SC2086
    s="$(median ${seconds[b]})"
    # shellcheck disable=SC2086
    kb="$(median ${peaks[b]})"
    per_snp[b]="$(awk -v s="$s" -v n="$snps" 'BEGIN { printf "%.4f", s / n }')"
    per_point[b]="$(awk -v k="$kb" -v p="$points" 'BEGIN { printf "%.1f", k * 1024 / p }')"
    peak_mb[b]="$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')"
  done

  shape="$cohorts x $individuals, $snps SNPs"
  if [ -n "$baseline" ]; then
    ratio="$(awk -v a="${per_snp[0]}" -v b="${per_snp[1]}" \
      'BEGIN { if (a > 0) printf "%.2f", b / a; else print "-" }')"
    printf '%-22s %-24s %12s %12s %7s %12s %12s\n' "$shape" "${options:-default}" \
      "${per_snp[0]}" "${per_snp[1]}" "$ratio" "${per_point[0]}" "${per_point[1]}"
  else
    printf '%-22s %-24s %12s %12s %12s\n' "$shape" "${options:-default}" \
      "${per_snp[0]}" "${peak_mb[0]}" "${per_point[0]}"
  fi
done
