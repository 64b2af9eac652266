// The last check of one SNP's results: every value that is not a finite
// number is named by its result-file column, and finite results pass.
#include "result_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "data.h"

namespace {

const double nan_value = std::numeric_limits<double>::quiet_NaN();
const double inf_value = std::numeric_limits<double>::infinity();

// Finite results of two cohorts of two individuals.
params finite_params() {
  params p;
  p.alpha = {0.3, 0.4};
  p.eta = {0.01, 0.02};
  p.mu = {{{1, 0.1}, {0.5, 0.5}, {0.1, 1}}, {{1.1, 0.2}, {0.6, 0.5}, {0.2, 1.1}}};
  p.sigma = {0.2, 0.25};
  p.varfrac = {0.3, 0.35};
  p.r = {{0.01, 0.9, 0.01}, {0.02, 0.8, 0.02}};
  p.info1 = {0.9, 0.8};
  p.info2 = {0.7, 0.6};
  p.final_log_posterior = -1234.5;
  return p;
}

vec3 finite_genotypes() {
  return {{{1, 0, 0, 0}, {0, 0.5, 0.5, 0}}, {{0, 0, 1, 0}, {0.25, 0.25, 0.5, 0}}};
}

TEST(ResultCheck, NamesEveryValueThatIsNotFinite) {
  struct forced {
    std::function<void(params&, vec3&)> spoil;
    std::string named;
  };
  const forced cases[] = {
      {[](params&, vec3&) {}, ""},
      {[](params& p, vec3&) { p.final_log_posterior = nan_value; },
       "final_log_posterior = nan"},
      {[](params& p, vec3&) { p.alpha[1] = inf_value; }, "alpha_1 = inf"},
      {[](params& p, vec3&) { p.eta[0] = -inf_value; }, "eta_0 = -inf"},
      {[](params& p, vec3&) { p.mu[1][2][0] = nan_value; }, "mu_1_2_0 = nan"},
      {[](params& p, vec3&) { p.sigma[0] = inf_value; }, "sigma_0 = inf"},
      {[](params& p, vec3&) { p.varfrac[1] = nan_value; }, "varfrac_1 = nan"},
      {[](params& p, vec3&) { p.r[0][1] = nan_value; }, "r_0_1 = nan"},
      {[](params& p, vec3&) { p.info1[1] = -inf_value; }, "info1_1 = -inf"},
      {[](params& p, vec3&) { p.info2[0] = nan_value; }, "info2_0 = nan"},
      {[](params&, vec3& g) {
         g[1][0][2] = nan_value;
         g[1][1][0] = inf_value;
       },
       "the genotype values of 2 individuals of cohort 1"},
      {[](params& p, vec3& g) {
         p.final_log_posterior = -inf_value;
         p.alpha[0] = nan_value;
         g[0][1][3] = nan_value;
       },
       "final_log_posterior = -inf, alpha_0 = nan, the genotype values of 1 "
       "individual of cohort 0"},
  };
  for (const forced& c : cases) {
    params p = finite_params();
    vec3 g = finite_genotypes();
    c.spoil(p, g);
    // A NaN may print with a sign: compare without it.
    std::string got = non_finite_results(p, g);
    for (size_t at; (at = got.find("-nan")) != std::string::npos;) got.erase(at, 1);
    EXPECT_EQ(got, c.named);
  }
}

}  // namespace
