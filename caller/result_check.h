// The last checks of one SNP's results before they are written: every
// written value must be a finite number, and most individuals should not sit
// in the null class.  (The checks of the intensities read, before the fit,
// are in intensity_checks.h.)
#ifndef VELMAR_RESULT_CHECK_H
#define VELMAR_RESULT_CHECK_H

#include <string>
#include <vector>

#include "data.h"

// The values of one SNP's results that are not finite numbers, among its
// parameters and information measures (p) and its genotype values (per
// cohort, individual and class), named as the result files' columns, e.g.
// "final_log_posterior = nan, sigma_1 = inf"; empty when every value is
// finite.
std::string non_finite_results(const params& p, const vec3& genotype_values);

// True when more than half of the individuals of one SNP (those present in
// its intensity files) sit in the null class: their genotype values of
// classes 0, 1 and 2, as written, sum to less than 0.5. `values` [C][n_c][4]
// are the stage-2 values of the present individuals, `n_iter` their divisor:
// the number of kept iterations when they are tallies, 1 when they are
// class probabilities. When this holds for most SNPs of a run, the
// intensities are most likely not on the normalised scale the priors assume.
bool mostly_null_class(const vec3& values, double n_iter);

#endif
