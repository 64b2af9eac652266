// The last check of one SNP's results before they are written: every
// written value must be a finite number.
#ifndef VELMAR_RESULT_CHECK_H
#define VELMAR_RESULT_CHECK_H

#include <string>

#include "data.h"

// The values of one SNP's results that are not finite numbers, among its
// parameters and information measures (p) and its genotype values (per
// cohort, individual and class), named as the result files' columns, e.g.
// "final_log_posterior = nan, sigma_1 = inf"; empty when every value is
// finite.
std::string non_finite_results(const params& p, const vec3& genotype_values);

#endif
