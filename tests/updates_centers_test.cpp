// Centre steps: the per-cohort moves against the log posterior, the draws in
// order, and the centres' mean and variance (conditional modes and draws).
#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "updates_harness.h"
#include "vargen2.h"

namespace {

double log_normal_pdf(double x, double m, double v) {
  return std::log(
      boost::math::pdf(boost::math::normal_distribution<double>(m, std::sqrt(v)), x));
}

struct seen_decision {
  mh::decision dec;
  std::size_t drawn_before;
};

class Centers : public ::testing::TestWithParam<bool> {};

TEST_P(Centers, MovesMeanAndVarianceInOrder) {
  for (int trial = 0; trial < 4; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    data d;
    harness::make_model(&d, 3);
    d.sampling = GetParam();
    d.center_var = 0.01;
    const data before = d;
    ScriptedRNG rng(pass_through_mt, 0.15 + 0.2 * trial);
    rng.install();
    std::vector<seen_decision> seen;
    mh::set_observer([&](const mh::decision& dec) {
      seen.push_back({dec, rng.count()});
    });
    d.update_centers();
    mh::set_observer(nullptr);
    ASSERT_EQ(seen.size(), 3u);
    const std::vector<double> drawn = rng.drawn();

    // Each cohort: two normal draws, then (sampling) one uniform.
    data shadow = before;
    std::size_t position = 0;
    int accepted = 0;
    for (int j = 0; j < 3; ++j) {
      const mh::decision& dec = seen[j].dec;
      const std::size_t end = seen[j].drawn_before - (d.sampling ? 1 : 0);
      ScriptedRNG replay(
          std::vector<double>(drawn.begin() + position, drawn.begin() + end));
      replay.install();
      Normal n;
      const double z1 = n.Next();
      const double z2 = n.Next();
      EXPECT_EQ(replay.remaining(), 0u);
      rng.install();
      position = seen[j].drawn_before;

      const double cv = before.center_var;
      const vec old = shadow.center[j];
      const vec proposed = {before.center_mean[0] + z1 * std::sqrt(cv),
                            before.center_mean[1] + z2 * std::sqrt(cv)};
      const double lp0 = shadow.log_posterior(false);
      shadow.center[j] = proposed;
      shadow.set_mu_from_params(j);
      const double lp1 = shadow.log_posterior(false);
      EXPECT_NEAR(dec.L, lp1 - lp0, 1e-9 * (1 + std::fabs(lp0)));
      if (d.sampling) {
        const double correction = log_normal_pdf(old[0], before.center_mean[0], cv) +
                                  log_normal_pdf(old[1], before.center_mean[1], cv) -
                                  log_normal_pdf(proposed[0], before.center_mean[0], cv) -
                                  log_normal_pdf(proposed[1], before.center_mean[1], cv);
        EXPECT_NEAR(dec.t - dec.L, correction, 1e-8);
        EXPECT_EQ(dec.u, drawn[end]);
      } else {
        EXPECT_TRUE(std::isnan(dec.u));
        EXPECT_EQ(dec.accepted, dec.L > 0);
      }
      if (dec.accepted) {
        ++accepted;
      } else {
        shadow.center[j] = old;
        shadow.set_mu_from_params(j);
      }
      EXPECT_EQ(d.center[j], shadow.center[j]);
      EXPECT_EQ(d.mu[j], shadow.mu[j]);
    }
    EXPECT_EQ(d.accept_center, accepted);

    // The centres' mean and variance.
    const int C = 3;
    double mean[2];
    for (int i = 0; i < 2; ++i) {
      double S = 0;
      for (int j = 0; j < C; ++j) S += d.center[j][i];
      mean[i] = S / C;
    }
    const double nu0 = before.center_var_prior_mean[1];
    const double s0sq = before.center_var_prior_mean[0];
    const double nu = 2 * C + nu0;
    if (!d.sampling) {
      EXPECT_EQ(position, drawn.size()) << "maximising draws only proposals";
      EXPECT_NEAR(d.center_mean[0], mean[0], 1e-14);
      EXPECT_NEAR(d.center_mean[1], mean[1], 1e-14);
      double SS = 0;
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < C; ++j)
          SS += (d.center[j][i] - d.center_mean[i]) * (d.center[j][i] - d.center_mean[i]);
      EXPECT_NEAR(d.center_var, (nu0 * s0sq + SS) / (nu + 2), 1e-14);
    } else {
      // One normal per axis, then one gamma variate.
      ScriptedRNG replay(std::vector<double>(drawn.begin() + position, drawn.end()));
      replay.install();
      Normal n;
      const double zx = n.Next();
      const double zy = n.Next();
      const double vpost = before.center_var / C;
      const double mx = mean[0] + zx * std::sqrt(vpost);
      const double my = mean[1] + zy * std::sqrt(vpost);
      double SS = 0;
      for (int j = 0; j < C; ++j) SS += (d.center[j][0] - mx) * (d.center[j][0] - mx);
      for (int j = 0; j < C; ++j) SS += (d.center[j][1] - my) * (d.center[j][1] - my);
      const double chi2 = rgamma(0.5 * nu, 0.5);
      EXPECT_EQ(replay.remaining(), 0u);
      rng.install();
      EXPECT_NEAR(d.center_mean[0], mx, 1e-12);
      EXPECT_NEAR(d.center_mean[1], my, 1e-12);
      EXPECT_NEAR(d.center_var, (nu0 * s0sq + SS) / nu * nu / chi2, 1e-12 * d.center_var);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, Centers, ::testing::Values(true, false),
                         [](const auto& info) {
                           return info.param ? "Sampling" : "Maximising";
                         });

// One cohort, maximising: the mean is the cohort's centre and the variance
// nu0 s0sq / (nu0 + 4).
TEST(CentersFigure, OneCohortMaximising) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  d.center_var_prior_mean = {0.0001, 100};
  ScriptedRNG rng(pass_through_mt, 0.8);
  rng.install();
  d.update_centers();
  EXPECT_NEAR(d.center_mean[0], d.center[0][0], 1e-15);
  EXPECT_NEAR(d.center_mean[1], d.center[0][1], 1e-15);
  EXPECT_NEAR(d.center_var, 100 * 0.0001 / 104, 1e-18);
}

TEST(CentersNames, TraceLines) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = true;
  d.names = true;
  ScriptedRNG rng(pass_through_mt, 0.8);
  rng.install();
  CaptureStdout out;
  d.update_centers();
  std::vector<std::string> names;
  std::istringstream in(out.text());
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("update_", 0) == 0) names.push_back(line);
  EXPECT_EQ(names, (std::vector<std::string>{"update_centers()", "update_center_mean()",
                                             "update_center_var()"}));
  EXPECT_EQ(out.text().find("accept"), std::string::npos);  // sampling: no trace
}

// Each centre move evaluates its cohort's likelihood over classes 0-2 only
// (the null class does not move with the centre), before and after the
// move; the mean and variance updates evaluate none.
TEST(CentersNames, LikelihoodEvaluationsPerCohort) {
  data d;
  harness::make_model(&d, 3);
  d.sampling = true;
  d.names = true;
  ScriptedRNG rng(pass_through_mt, 0.37);
  rng.install();
  CaptureStdout out;
  d.update_centers();
  EXPECT_EQ(harness::posterior_evaluations(out.text()), 3 * 2 * 3);
}

}  // namespace
