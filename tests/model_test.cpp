// The model object's defaults, per-SNP storage and stored copies.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "data.h"

namespace {

// Captures standard output for the life of the object.
class capture_stdout {
 public:
  capture_stdout() : old_(std::cout.rdbuf(out_.rdbuf())) {}
  ~capture_stdout() { std::cout.rdbuf(old_); }
  std::string text() const { return out_.str(); }

 private:
  std::ostringstream out_;
  std::streambuf* old_;
};

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

TEST(ModelObject, StorageIsSizedPerCohortAndKeepsCarriedValues) {
  data d;
  d.n_cohorts = 2;
  d.n_ind = {3, 5};
  d.alpha = {0.3};
  capture_stdout out;
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
  capture_stdout out;
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
