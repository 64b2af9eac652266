#!/usr/bin/env bash
# Remakes the example data set in example/ with tools/simulate:
# 2 cohorts of 150 individuals, 20 SNPs, with an SNP-information file.
# Writes example/cohort0.txt, example/cohort1.txt, example/snpinfo.txt and example/truth.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" --target simulate
build/simulate --seed 20240 --cohorts 2 --individuals 150 --snps 20 --snpinfo --out example
