// The model object's defaults, per-SNP storage and stored copies.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "capture_stdout.h"
#include "data.h"

namespace {

TEST(ModelObject, DefaultsOfAFreshObject) {
  data d;
  EXPECT_EQ(d.snp_start, -1);
  EXPECT_EQ(d.snp_end, -1);
  EXPECT_EQ(d.output_prefix, "out");
  EXPECT_TRUE(d.info_file.empty());
  EXPECT_EQ(d.ns, 4);
  EXPECT_EQ(d.nmax, 40);
  EXPECT_EQ(d.burn_in, 200);
  EXPECT_EQ(d.n_iter, 1000);
  EXPECT_EQ(d.fancy, 10);
  EXPECT_TRUE(d.sampling_stage1);
  EXPECT_TRUE(d.sampling_stage2);
  EXPECT_EQ(d.pk, (vec{500, 500}));
  EXPECT_EQ(d.prior_chromosomes, 120.0);
  EXPECT_FALSE(d.use_paf);
  EXPECT_EQ(d.paf, 0.5);
  EXPECT_EQ(d.eta_mean_prior, (vec{3, 100}));
  EXPECT_EQ(d.varfrac_mean_prior, (vec{2.5, 7.5}));
  EXPECT_EQ(d.departure_mean_prior, (vec{2, 8}));
  EXPECT_EQ(d.r_mean_prior_b, (vec{50, 1, 50}));
  EXPECT_EQ(d.center_mean.size(), 2u);
  EXPECT_FALSE(d.clumped);
}

TEST(ModelObject, EveryOptionAndPriorDefault) {
  data d;
  EXPECT_EQ(d.test, 0);
  EXPECT_EQ(d.single, 0);
  EXPECT_EQ(d.approx, 0);
  EXPECT_EQ(d.grid_cells, 0);
  EXPECT_FALSE(d.chrX || d.allow_male_hets || d.gz || d.bz2 || d.nonull);
  EXPECT_FALSE(d.names || d.pr || d.print_params || d.watch_counts);
  EXPECT_TRUE(d.intensity_files.empty() && d.sex_files.empty());
  EXPECT_EQ(d.center_var_prior_mean, (vec{0.0001, 100}));
  EXPECT_EQ(d.c_alpha_prior, 0.01);
  EXPECT_EQ(d.c_alpha_cohorts, 0.005);
  EXPECT_EQ(d.alpha_star_prior, (vec{1, 1}));
  EXPECT_EQ(d.pgd, 10);
  // The hyper-prior pairs of the seven families: mean pair, variance pair.
  const struct {
    const char* name;
    vec mean_prior, var_prior, expected_mean, expected_var;
  } families[] = {
      {"eta", d.eta_mean_prior, d.eta_var_prior, {3, 100}, {5, 100}},
      {"length", d.length_mean_prior, d.length_var_prior, {20, 20}, {1, 100}},
      {"gradient", d.gradient_mean_prior, d.gradient_var_prior, {10, 10}, {1, 100}},
      {"fraction", d.fraction_mean_prior, d.fraction_var_prior, {30, 30}, {1, 100}},
      {"departure", d.departure_mean_prior, d.departure_var_prior, {2, 8}, {1, 100}},
      {"sigma", d.sigma_mean_prior, d.sigma_var_prior, {1, 4}, {1, 100}},
      {"varfrac", d.varfrac_mean_prior, d.varfrac_var_prior, {2.5, 7.5}, {1, 100}},
  };
  for (const auto& f : families) {
    EXPECT_EQ(f.mean_prior, f.expected_mean) << f.name;
    EXPECT_EQ(f.var_prior, f.expected_var) << f.name;
  }
  EXPECT_EQ(d.r_mean_prior_a, (vec{1, 10, 1}));
  EXPECT_EQ(d.r_var_prior_a, (vec{1, 1, 1}));
  EXPECT_EQ(d.r_var_prior_b, (vec{100, 100, 100}));
  EXPECT_EQ(d.center_mean, (vec{0.0, 0.0}));
  // Construction prints nothing.
  CaptureStdout out;
  data quiet;
  EXPECT_EQ(out.text(), "");
}

TEST(ModelObject, StorageEmptiesTheRebuiltArraysAndLeavesTheRest) {
  // The state a previous SNP of three cohorts left behind.
  data d;
  d.n_cohorts = 3;
  d.n_ind = {2, 2, 2};
  d.lambda = vec2(3, vec(4, 0.25));
  d.center = vec2(3, vec{0.5, 0.5});
  d.r = vec2(3, vec(3, 0.5));
  d.mu = vec3(3, vec2(3, vec{1, 1}));
  d.eta = {0.1, 0.2, 0.3};
  d.sigma = {1, 2, 3};
  d.r_mean = {0.2, 0.8, 0.2};
  d.center_mean = {0.6, 0.7};
  d.alpha_store = {0.45};
  d.sigma_mean = 0.3;
  d.accept_sigma = 17;
  d.log_posterior_terms = {1, 2, 3, 4, 5, 6, 7};
  // The next SNP has one cohort of four individuals.
  d.n_cohorts = 1;
  d.n_ind = {4};
  CaptureStdout out;
  d.set_storage();
  EXPECT_EQ(d.lambda, vec2(1, vec(4, 0.0)));
  EXPECT_EQ(d.center, vec2(1, vec(2, 0.0)));
  EXPECT_EQ(d.r, vec2(1, vec(3, 0.0)));
  EXPECT_EQ(d.mu, vec3(1, vec2(3, vec(2, 0.0))));
  EXPECT_EQ(d.calls, ivec2(1, std::vector<int>(4, 4)));
  // Cut to one cohort, keeping the first entry.
  EXPECT_EQ(d.eta, (vec{0.1}));
  EXPECT_EQ(d.sigma, (vec{1}));
  EXPECT_EQ(d.r_mean, (vec{0.2, 0.8, 0.2}));
  EXPECT_EQ(d.center_mean, (vec{0.6, 0.7}));
  EXPECT_EQ(d.log_posterior_terms, (vec{1, 2, 3, 4, 5, 6, 7}));
  // Stored copies, hierarchical values and counters are not touched.
  EXPECT_EQ(d.alpha_store, (vec{0.45}));
  EXPECT_EQ(d.sigma_mean, 0.3);
  EXPECT_EQ(d.accept_sigma, 17);
}

TEST(ModelObject, StorageIsSizedPerCohortAndKeepsCarriedValues) {
  data d;
  d.n_cohorts = 2;
  d.n_ind = {3, 5};
  d.alpha = {0.3};
  CaptureStdout out;
  d.set_storage();
  EXPECT_EQ(out.text(), " setting storage...done\n");
  ASSERT_EQ(d.calls.size(), 2u);
  EXPECT_EQ(d.calls[0], std::vector<int>(3, 4));
  EXPECT_EQ(d.calls[1], std::vector<int>(5, 4));
  EXPECT_EQ(d.counts, ivec2(2, std::vector<int>(4, 0)));
  EXPECT_EQ(d.call_probs[1].size(), 5u);
  EXPECT_EQ(d.call_tallies[0], vec2(3, vec(4, 0.0)));
  EXPECT_EQ(d.mu, vec3(2, vec2(3, vec(2, 0.0))));
  EXPECT_EQ(d.r, vec2(2, vec(3, 0.0)));
  EXPECT_EQ(d.alpha, (vec{0.3, 0.0}));
  EXPECT_EQ(d.center_mean.size(), 2u);
  EXPECT_EQ(d.log_posterior_terms.size(), 7u);
}

TEST(ModelObject, RecyclingWidensStoredArraysFromOneCohort) {
  data d;
  d.n_cohorts = 3;
  d.n_ind = {1, 1, 1};
  d.lambda_store = {{0.1, 0.2, 0.3, 0.4}};
  d.alpha_store = {0.4};
  d.eta_store = {0.01, 0.02};
  d.sigma_store = {1, 2, 3, 4};
  d.r_store = {{0.1, 0.2, 0.3}};
  d.mu_store = {vec2(3, vec{1, 2})};
  d.gradient_store = d.varfrac_store = d.length_store = {1};
  d.fraction_store = d.departure_store = {0.5};
  d.center_store = {{0.5, 0.6}};
  CaptureStdout out;
  d.recycle_max_params(0);
  EXPECT_EQ(out.text(), " setting maximium for all cohorts from one...done\n");
  EXPECT_EQ(d.alpha_store, (vec{0.4, 0.4, 0.4}));
  EXPECT_EQ(d.eta_store, (vec{0.01, 0.02, 0.01}));
  EXPECT_EQ(d.sigma_store, (vec{1, 2, 3}));
  EXPECT_EQ(d.lambda_store[2], (vec{0.1, 0.2, 0.3, 0.4}));
  EXPECT_EQ(d.mu_store.size(), 3u);
  EXPECT_EQ(d.center_store[1], (vec{0.5, 0.6}));
}

TEST(ModelObject, RestoreBringsBackEveryStoredParameter) {
  data d;
  d.alpha = {0.2, 0.3};
  d.alpha_star = 0.25;
  d.center_var = 0.001;
  d.r_mean = {0.1, 0.2, 0.3};
  d.departure_var = 0.05;
  d.store_state();
  d.alpha = {0.9};
  d.alpha_star = 0.9;
  d.center_var = 9;
  d.r_mean = {0.9, 0.9, 0.9};
  d.departure_var = 0.9;
  d.restore_state();
  EXPECT_EQ(d.alpha, (vec{0.2, 0.3}));
  EXPECT_EQ(d.alpha_star, 0.25);
  EXPECT_EQ(d.center_var, 0.001);
  EXPECT_EQ(d.r_mean, (vec{0.1, 0.2, 0.3}));
  EXPECT_EQ(d.departure_var, 0.05);
}

}  // namespace
