// The checks behind the run's messages on standard error: the scale of the
// intensities read, checked before the fit, and the last checks of one SNP's
// results before they are written (every written value must be a finite
// number, and most individuals should not sit in the null class).
#ifndef VELMAR_RESULT_CHECK_H
#define VELMAR_RESULT_CHECK_H

#include <string>
#include <vector>

#include "data.h"

// The warning, without "velmar++: warning: ", for intensities that seem to
// be on a raw scanner scale rather than the normalised one the priors
// assume: the median of the larger intensity, max(x, y), of every point of
// `snps` (all SNPs and cohorts; a missing point is none) is 10 or more. The
// warning gives that median to within 2.5%, from a histogram of 50 bins per
// decade, so the points need no copy however many there are. "" otherwise.
std::string raw_scale_warning(const std::vector<snp>& snps);

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
