// The checks of a SNP's results behind the run's warnings and failures:
// every value of a SNP's results that is not a finite number is named by its
// result-file column, and finite results pass; a SNP whose individuals
// mostly sit in the null class is recognised.
#include "result_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "data.h"

namespace {

const double nan_value = std::numeric_limits<double>::quiet_NaN();
const double inf_value = std::numeric_limits<double>::infinity();

// Finite results of two cohorts of two individuals.
params finite_params() {
  params p;
  // alpha, eta, mu, sigma, varfrac, r, info1, info2 of each cohort.
  p.cohorts = {{0.3,
                0.01,
                {{1, 0.1}, {0.5, 0.5}, {0.1, 1}},
                0.2,
                0.3,
                {0.01, 0.9, 0.01},
                0.9,
                0.7},
               {0.4,
                0.02,
                {{1.1, 0.2}, {0.6, 0.5}, {0.2, 1.1}},
                0.25,
                0.35,
                {0.02, 0.8, 0.02},
                0.8,
                0.6}};
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
      {[](params& p, vec3&) { p.cohorts[1].alpha = inf_value; }, "alpha_1 = inf"},
      {[](params& p, vec3&) { p.cohorts[0].eta = -inf_value; }, "eta_0 = -inf"},
      {[](params& p, vec3&) { p.cohorts[1].mu[2][0] = nan_value; }, "mu_1_2_0 = nan"},
      {[](params& p, vec3&) { p.cohorts[0].sigma = inf_value; }, "sigma_0 = inf"},
      {[](params& p, vec3&) { p.cohorts[1].varfrac = nan_value; }, "varfrac_1 = nan"},
      {[](params& p, vec3&) { p.cohorts[0].r[1] = nan_value; }, "r_0_1 = nan"},
      {[](params& p, vec3&) { p.cohorts[1].info1 = -inf_value; }, "info1_1 = -inf"},
      {[](params& p, vec3&) { p.cohorts[0].info2 = nan_value; }, "info2_0 = nan"},
      {[](params&, vec3& g) {
         g[1][0][2] = nan_value;
         g[1][1][0] = inf_value;
       },
       "the genotype values of 2 individuals of cohort 1"},
      {[](params& p, vec3& g) {
         p.final_log_posterior = -inf_value;
         p.cohorts[0].alpha = nan_value;
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

TEST(ResultCheck, MostlyNullClassWhenMoreThanHalfSumBelowOneHalf) {
  struct case_ {
    const char* what;
    vec3 values;
    double n_iter;
    bool expected;
  };
  const vec called = {0, 1, 0, 0};
  const vec null = {0.2, 0.1, 0.1, 0.6};
  const case_ cases[] = {
      {"every individual called", {{called, called}, {called}}, 1, false},
      {"half in the null class is not more than half",
       {{null, called}, {null, called}},
       1,
       false},
      {"3 of 5, counted over the cohorts together",
       {{null, called}, {null, null, called}},
       1,
       true},
      // 0.5 itself is not below one half.
      {"a sum of exactly 0.5", {{{0.25, 0.25, 0, 0.5}}}, 1, false},
      // Tallies of 1000 kept iterations: 499 in classes 0 to 2 is below
      // one half, 500 is not.
      {"tallies below one half", {{{0, 499, 0, 501}}}, 1000, true},
      {"tallies of one half", {{{0, 250, 250, 500}}}, 1000, false},
      // The same tallies read as probabilities are far above one half.
      {"tallies read as probabilities", {{{0, 499, 0, 501}}}, 1, false},
      {"no individual present", {{}, {}}, 1, false},
  };
  for (const case_& c : cases)
    EXPECT_EQ(mostly_null_class(c.values, c.n_iter), c.expected) << c.what;
}

}  // namespace
