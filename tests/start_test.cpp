// Starting configurations: the allele-frequency prior, the starting values
// from the prior pairs, the three placements of the class means and the
// order of the random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"
#include "samplers.h"
#include "scripted_rng.h"

namespace {

// A model ready for a random start: `sizes` individuals per cohort spread
// over [0.2, 1.8] x [0.1, 0.9], and one SNP per entry of `freqs`.
class Start : public ::testing::Test {
 protected:
  void prepare(const std::vector<int>& sizes, const std::vector<double>& freqs) {
    d.n_cohorts = static_cast<int>(sizes.size());
    d.n_ind = sizes;
    d.snps.assign(freqs.size(), snp());
    for (std::size_t n = 0; n < freqs.size(); n++) {
      snp& s = d.snps[n];
      s.prior_freq = freqs[n];
      s.points.assign(sizes.size(), vec2());
      for (std::size_t c = 0; c < sizes.size(); c++)
        for (int i = 0; i < sizes[c]; i++)
          s.points[c].push_back(
              {0.2 + 1.6 * ((i * 7) % 11) / 10.0, 0.1 + 0.8 * ((i * 3) % 5) / 4.0});
      s.x_low = 0.2;
      s.x_high = 1.8;
      s.y_low = 0.1;
      s.y_high = 0.9;
    }
    d.current_snp = 0;
    d.sampling = false;  // arg-max calls: the call update draws nothing
    CaptureStdout quiet(kRunPrecision);
    d.set_storage();
  }

  // Runs initialize for SNP `n` and returns its console output.
  std::string start(int n, int type = 0, int number = 0) {
    d.current_snp = n;
    CaptureStdout out(kRunPrecision);
    d.initialize(type, number);
    return out.text();
  }

  data d;
  // Held by pointer: a generator's destructor may throw, a fixture's may not.
  std::unique_ptr<ScriptedRNG> rng;
  void SetUp() override {
    rng.reset(new ScriptedRNG(pass_through_mt, 0.25));
    rng->install();
  }
};

void expect_point(const vec& p, double x, double y) {
  ASSERT_EQ(p.size(), 2u);
  EXPECT_DOUBLE_EQ(p[0], x);
  EXPECT_DOUBLE_EQ(p[1], y);
}

}  // namespace

TEST_F(Start, DefaultsWithoutPriorFrequency) {
  prepare({20, 15}, {-1.0});
  const std::string text = start(0);
  EXPECT_EQ(text.substr(0, text.find('\n') + 1),
            "Allele frequency prior : alpha ~ Beta(1, 1)\n");
  EXPECT_EQ(d.allele_prior_a, 1);
  EXPECT_EQ(d.allele_prior_b, 1);
  EXPECT_EQ(d.c_alpha_prior, 0.5);
  EXPECT_EQ(d.alpha_star, 0.5);
  EXPECT_EQ(d.alpha, vec({0.5, 0.5}));
  EXPECT_DOUBLE_EQ(d.eta_mean, 3.0 / 103);
  EXPECT_DOUBLE_EQ(d.eta_var, 5.0 / 105);
  EXPECT_DOUBLE_EQ(d.length_mean, 1);
  EXPECT_DOUBLE_EQ(d.length_var, 0.02);
  EXPECT_DOUBLE_EQ(d.gradient_mean, 1);
  EXPECT_DOUBLE_EQ(d.gradient_var, 0.02);
  EXPECT_DOUBLE_EQ(d.fraction_mean, 0.5);
  EXPECT_DOUBLE_EQ(d.fraction_var, 2.0 / 101);
  EXPECT_DOUBLE_EQ(d.departure_mean, 0.2);
  EXPECT_DOUBLE_EQ(d.departure_var, 2.0 / 101);
  EXPECT_EQ(d.center_mean, vec({0.7, 0.7}));
  EXPECT_DOUBLE_EQ(d.center_var, 0.0003);
  EXPECT_EQ(d.sigma, vec({0.25, 0.25}));
  EXPECT_EQ(d.sigma_mean, 0.25);
  EXPECT_DOUBLE_EQ(d.sigma_var, 0.01);
  EXPECT_EQ(d.varfrac, vec({0.25, 0.25}));
  EXPECT_EQ(d.varfrac_mean, 0.25);
  EXPECT_DOUBLE_EQ(d.varfrac_var, 1.0 / 101);
  EXPECT_DOUBLE_EQ(d.r_mean[0], 1.0 / 51);
  EXPECT_DOUBLE_EQ(d.r_mean[1], 10.0 / 11);
  EXPECT_DOUBLE_EQ(d.r_mean[2], 1.0 / 51);
  for (int k = 0; k < 3; k++) EXPECT_DOUBLE_EQ(d.r_var[k], 1.0 / 101);
  // Hardy-Weinberg proportions scaled by the drawn null weight.
  for (int j = 0; j < 2; j++) {
    const double e = d.eta[j];
    EXPECT_GT(e, 0);
    EXPECT_LT(e, 1);
    EXPECT_DOUBLE_EQ(d.lambda[j][0], (1 - e) * 0.25);
    EXPECT_DOUBLE_EQ(d.lambda[j][1], (1 - e) * 0.5);
    EXPECT_DOUBLE_EQ(d.lambda[j][2], (1 - e) * 0.25);
    EXPECT_EQ(d.lambda[j][3], e);
  }
  // Every individual is called and counted.
  for (int j = 0; j < 2; j++) {
    EXPECT_EQ(d.counts[j][0] + d.counts[j][1] + d.counts[j][2] + d.counts[j][3],
              d.n_ind[j]);
    for (int c : d.calls[j]) EXPECT_LT(c, 4);
  }
}

// With "-pr" the start announces itself before the prior line, on the same
// line, and closes with "done"; nothing else is printed.
TEST_F(Start, TraceUnderPr) {
  prepare({6}, {-1.0, 0.25});
  d.pr = true;
  EXPECT_EQ(start(0, 1, 0),
            "initialize...Allele frequency prior : alpha ~ Beta(1, 1)\n"
            "done\n");
  EXPECT_EQ(start(1, 2, 0),
            "initialize...Allele frequency prior : alpha ~ Beta(30, 90)\n"
            "done\n");
}

TEST_F(Start, PriorFrequencyCases) {
  prepare({10}, {0.0, 1.0, 0.25});
  const std::string low = start(0);
  EXPECT_EQ(low.substr(0, low.find('\n')),
            "Allele frequency prior : alpha ~ Beta(0.0012, 119.9988)");
  EXPECT_EQ(d.allele_prior_a, 120 * 0.00001);
  EXPECT_EQ(d.allele_prior_b, 120 * 0.99999);
  start(1);
  EXPECT_EQ(d.allele_prior_a, 120 * 0.99999);
  EXPECT_EQ(d.allele_prior_b, 120 * (1 - 0.99999));
  EXPECT_DOUBLE_EQ(d.allele_prior_b, 0.0011999999999945388);
  const std::string text = start(2);
  EXPECT_EQ(text.substr(0, text.find('\n') + 1),
            "Allele frequency prior : alpha ~ Beta(30, 90)\n");
  EXPECT_EQ(d.alpha_star, 0.25);
  EXPECT_EQ(d.alpha[0], 0.25);
  EXPECT_EQ(d.c_alpha_prior, 0.01);
}

TEST_F(Start, UsersDispersionComesBackForSnpsWithFrequency) {
  prepare({10}, {-1.0, 0.25, -1.0, 0.4});
  d.c_alpha_prior = 0.02;  // as "-c_alpha_prior 0.02" sets it
  start(0);
  EXPECT_EQ(d.c_alpha_prior, 0.5);
  start(0);  // a second start of the same SNP
  EXPECT_EQ(d.c_alpha_prior, 0.5);
  start(1);
  EXPECT_EQ(d.c_alpha_prior, 0.02);
  start(2);
  EXPECT_EQ(d.c_alpha_prior, 0.5);
  start(3);
  EXPECT_EQ(d.c_alpha_prior, 0.02);
}

TEST_F(Start, OnePriorFrequencyForEverySnp) {
  prepare({10}, {-1.0, 0.3});
  d.use_paf = true;
  d.paf = 0.1;
  for (int n = 0; n < 2; n++) {
    const std::string text = start(n);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "Allele frequency prior : alpha ~ Beta(12, 108)");
    EXPECT_EQ(d.c_alpha_prior, 0.01);
  }
  // A frequency of 0 or 1 is held inside the open interval.
  d.paf = 0;
  start(0);
  EXPECT_EQ(d.allele_prior_a, 120 * 0.00001);
  EXPECT_EQ(d.allele_prior_b, 120 * 0.99999);
  EXPECT_TRUE(std::isfinite(std::log(d.alpha_star)));
  d.paf = 1;
  start(0);
  EXPECT_EQ(d.allele_prior_a, 120 * 0.99999);
  EXPECT_EQ(d.allele_prior_b, 120 * (1 - 0.99999));
  EXPECT_TRUE(std::isfinite(std::log(1 - d.alpha_star)));
}

TEST_F(Start, TypeZeroScalesWithTheStartNumber) {
  prepare({10, 10}, {0.5});
  start(0, 0, 0);
  for (int j = 0; j < 2; j++) {
    EXPECT_EQ(d.mu[j][0], vec({0.62 * 0.5, 0.15 * 0.5}));
    EXPECT_EQ(d.mu[j][1], vec({0.45 * 0.5, 0.45 * 0.5}));
    EXPECT_EQ(d.mu[j][2], vec({0.15 * 0.5, 0.62 * 0.5}));
  }
  EXPECT_DOUBLE_EQ(d.mu[0][0][0], 0.31);
  EXPECT_DOUBLE_EQ(d.mu[0][0][1], 0.075);
  start(0, 0, 3);
  EXPECT_DOUBLE_EQ(d.mu[1][0][0], 1.24);
  EXPECT_DOUBLE_EQ(d.mu[1][0][1], 0.3);
  // The line parameters follow from the means.
  for (int j = 0; j < 2; j++) {
    const vec2& m = d.mu[j];
    EXPECT_DOUBLE_EQ(d.length[j], std::hypot(m[0][0] - m[2][0], m[0][1] - m[2][1]));
    EXPECT_DOUBLE_EQ(d.gradient[j], -(m[0][1] - m[2][1]) / (m[0][0] - m[2][0]));
    EXPECT_DOUBLE_EQ(d.center[j][0], (m[0][0] + m[2][0]) * 0.5);
    EXPECT_DOUBLE_EQ(d.center[j][1], (m[0][1] + m[2][1]) * 0.5);
  }
}

TEST_F(Start, TypeOnePlacesTheMeansInTheMiddle) {
  prepare({10}, {0.5});
  start(0, 1, 2);
  expect_point(d.mu[0][0], 1.0, 0.5);
  expect_point(d.mu[0][1], 0.75 + 1e-8, 0.75 + 1e-8);
  EXPECT_NE(d.mu[0][1][0], 0.75);
  expect_point(d.mu[0][2], 0.5, 1.0);
  // With the ranges swapped class 0 still has the larger x.
  snp& s = d.snps[0];
  std::swap(s.x_low, s.y_low);
  std::swap(s.x_high, s.y_high);
  start(0, 1, 0);
  expect_point(d.mu[0][0], 1.0, 0.5);
  expect_point(d.mu[0][2], 0.5, 1.0);
}

TEST_F(Start, TypeTwoPlacesTheMeansNearTheCorners) {
  prepare({10}, {0.5});
  snp& s = d.snps[0];
  s.x_low = 0;
  s.x_high = 1;
  s.y_low = 0;
  s.y_high = 2;
  start(0, 2, 1);
  expect_point(d.mu[0][0], 0.9, 0.2);
  expect_point(d.mu[0][1], 0.5, 1.0);
  expect_point(d.mu[0][2], 0.1, 1.8);
}

// The draws of a start, replayed from the same stream: the null weights
// cohort by cohort, then the correlations class by class and cohort by
// cohort, and nothing else when the calls are made by maximum.
TEST_F(Start, DrawOrder) {
  for (int C : {1, 3}) {
    prepare(std::vector<int>(C, 12), {0.5});
    ScriptedRNG first(pass_through_mt, 0.375);
    first.install();
    start(0, 1, 0);
    const std::size_t drawn = first.count();

    ScriptedRNG replay(pass_through_mt, 0.375);
    replay.install();
    const double m = 3.0 / 103, v = 5.0 / 105;
    for (int j = 0; j < C; j++) {
      const double e = genbet(m * (1 - v) / v, (1 - m) * (1 - v) / v);
      EXPECT_EQ(d.eta[j], e) << "cohort " << j;
    }
    for (int k = 0; k < 3; k++)
      for (int j = 0; j < C; j++) {
        const double r = genbet(d.r_mean_prior_a[k], d.r_mean_prior_b[k]);
        EXPECT_EQ(d.r[j][k], r) << "cohort " << j << " class " << k;
      }
    EXPECT_EQ(replay.count(), drawn);
    EXPECT_EQ(replay.drawn(), first.drawn());
  }
}

TEST_F(Start, SamplingCallsDrawOneUniformPerIndividualAfterTheStart) {
  prepare({12, 5}, {0.5});
  ScriptedRNG maximising(pass_through_mt, 0.625);
  maximising.install();
  start(0);
  const std::size_t start_draws = maximising.count();

  d.sampling = true;
  ScriptedRNG sampling(pass_through_mt, 0.625);
  sampling.install();
  start(0);
  EXPECT_EQ(sampling.count(), start_draws + 17);
  EXPECT_EQ(d.counts[0][0] + d.counts[0][1] + d.counts[0][2] + d.counts[0][3], 12);
}
