// Allele-frequency and null-weight steps: their log ratios, draws and traces.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "updates_harness.h"

namespace {

using harness::target;

std::vector<target> alpha_targets(const data& d) {
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j)
    t.push_back({"alpha[" + std::to_string(j) + "]",
                 [j](data& m) -> double& { return m.alpha[j]; }, -1, mh::support::unit,
                 harness::beta_walk(d.pk[1], 1e-8), harness::beta_walk_q(d.pk[1], 1e-8)});
  t.push_back({"alpha_star", [](data& m) -> double& { return m.alpha_star; }, -1,
               mh::support::unit, harness::beta_walk(d.pk[1], 1e-8),
               harness::beta_walk_q(d.pk[1], 1e-8)});
  return t;
}

std::vector<target> eta_targets(const data& d) {
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j)
    t.push_back({"eta[" + std::to_string(j) + "]",
                 [j](data& m) -> double& { return m.eta[j]; }, -1, mh::support::unit,
                 harness::beta_walk(d.pk[0], 1e-8), harness::beta_walk_q(d.pk[0], 1e-8)});
  t.push_back({"eta_mean", [](data& m) -> double& { return m.eta_mean; }, -1,
               mh::support::unit, harness::beta_walk(d.pk[0], 1e-8),
               harness::beta_walk_q(d.pk[0], 1e-8)});
  t.push_back({"eta_var", [](data& m) -> double& { return m.eta_var; }, -1,
               mh::support::unit, harness::beta_walk(d.pk[0], 1e-8),
               harness::beta_walk_q(d.pk[0], 1e-8)});
  return t;
}

class AlphaEtaSteps : public ::testing::TestWithParam<bool> {};

TEST_P(AlphaEtaSteps, AlphaRatiosDrawsAndCounters) {
  data d;
  harness::make_model(&d, 2);
  d.sampling = GetParam();
  d.pk = {500, 200};  // the allele-frequency walks use the second value
  for (int sweep = 0; sweep < 4; ++sweep) {
    SCOPED_TRACE("sweep " + std::to_string(sweep));
    const data before = d;
    ScriptedRNG rng(pass_through_mt, 0.25 + 0.1 * sweep);
    auto seen = harness::run_observed(rng, [&] { d.update_alpha(); });
    harness::check_decisions(before, d, seen, alpha_targets(before), rng);
    int alpha_accepted = 0;
    for (int j = 0; j < 2; ++j) alpha_accepted += seen[j].dec.accepted;
    EXPECT_EQ(d.accept_alpha - before.accept_alpha, alpha_accepted);
    EXPECT_EQ(d.accept_alpha_star - before.accept_alpha_star,
              seen[2].dec.accepted ? 1 : 0);
  }
}

TEST_P(AlphaEtaSteps, EtaRatiosDrawsAndCounters) {
  data d;
  harness::make_model(&d, 2);
  d.sampling = GetParam();
  for (int sweep = 0; sweep < 4; ++sweep) {
    SCOPED_TRACE("sweep " + std::to_string(sweep));
    const data before = d;
    ScriptedRNG rng(pass_through_mt, 0.5 + 0.1 * sweep);
    auto seen = harness::run_observed(rng, [&] { d.update_eta(); });
    harness::check_decisions(before, d, seen, eta_targets(before), rng);
    int accepted = 0;
    for (const auto& s : seen) accepted += s.dec.accepted;
    EXPECT_EQ(d.accept_eta - before.accept_eta, accepted);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, AlphaEtaSteps, ::testing::Values(true, false),
                         [](const auto& info) {
                           return info.param ? "Sampling" : "Maximising";
                         });

// The worked figure: outside X mode, eta 0.1, pgd 10, lambda
// {0.25, 0.5, 0.2, 0.05}, a move of alpha from 0.5 to 0.6.
TEST(MHAlphaDensity, WorkedFigure) {
  data d;
  harness::make_model(&d, 1);
  d.eta[0] = 0.1;
  d.pgd = 10;
  d.lambda[0] = {0.25, 0.5, 0.2, 0.05};
  const double n[3] = {9 * 0.36, 9 * 0.48, 9 * 0.16};
  const double o[3] = {9 * 0.25, 9 * 0.5, 9 * 0.25};
  double expected = 0;
  for (int k = 0; k < 3; ++k)
    expected +=
        (n[k] - o[k]) * std::log(d.lambda[0][k]) - std::lgamma(n[k]) + std::lgamma(o[k]);
  expected += harness::log_beta_mean_disp(0.6, d.alpha_star, d.c_alpha_cohorts) -
              harness::log_beta_mean_disp(0.5, d.alpha_star, d.c_alpha_cohorts);
  EXPECT_NEAR(d.MH_alpha_density(0, 0.5, 0.6), expected, 1e-10);
}

TEST(MHDensities, NoMoveIsExactlyZero) {
  data d;
  harness::make_model(&d, 2);
  EXPECT_EQ(d.MH_alpha_density(1, 0.37, 0.37), 0.0);
  EXPECT_EQ(d.MH_eta_density(1, 0.08, 0.08), 0.0);
}

// In X mode a cohort without a woman of known sex has no heterozygote weight;
// the densities stay finite and still equal the change of the log posterior.
TEST(MHDensities, ZeroHeterozygoteWeightContributesNothing) {
  data d;
  harness::make_model(&d, 2);
  d.chrX = true;
  d.sex_counts = {{0, 12, 0}, {2, 8, 9}};
  d.sex = {std::vector<int>(19, 1), std::vector<int>(19, 2)};
  ASSERT_EQ(d.geno_prop(0, 1, 0.4), 0.0);

  const double lp0 = d.log_posterior(false);
  ASSERT_TRUE(std::isfinite(lp0));

  const double a = d.MH_alpha_density(0, d.alpha[0], 0.47);
  ASSERT_TRUE(std::isfinite(a));
  data moved = d;
  moved.alpha[0] = 0.47;
  EXPECT_NEAR(a, moved.log_posterior(false) - lp0, 1e-9 * std::fabs(lp0));

  const double e = d.MH_eta_density(0, d.eta[0], 0.09);
  ASSERT_TRUE(std::isfinite(e));
  moved = d;
  moved.eta[0] = 0.09;
  EXPECT_NEAR(e, moved.log_posterior(false) - lp0, 1e-9 * std::fabs(lp0));
}

TEST(AlphaTrace, PrintsValuesUnderPrAndNames) {
  data d;
  harness::make_model(&d, 2);
  d.sampling = true;
  d.pr = true;
  d.names = true;
  ScriptedRNG rng(pass_through_mt, 0.3);
  CaptureStdout out;
  auto seen = harness::run_observed(rng, [&] { d.update_alpha(); });
  const std::vector<std::string> got = lines_of(out.text());
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[0], "update_alpha");
  EXPECT_EQ(got[1], "update_alpha()");
  EXPECT_EQ(got[2], "MH_alpha_density()");
  std::ostringstream pair;
  pair.precision(std::cout.precision());
  pair << seen[0].dec.current << " " << seen[0].dec.proposed;
  EXPECT_EQ(got[3], pair.str());
  EXPECT_EQ(got[4], "MH_alpha_density()");
  EXPECT_EQ(got[6], "update_alpha_star()");
}

// Maximisation mode under "-names": an accepted eta move prints "accept" and
// the log posteriors before and after it with its ratio.
TEST(EtaTrace, AcceptTraceInMaximisation) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  d.eta[0] = 0.3;  // far above the counts' support: moves down improve
  bool checked = false;
  for (int attempt = 0; attempt < 20 && !checked; ++attempt) {
    d.names = false;
    const double lp_before = d.log_posterior(false);
    d.names = true;
    ScriptedRNG rng(pass_through_mt, 0.1 + 0.01 * attempt);
    CaptureStdout captured(kRunPrecision);
    auto seen = harness::run_observed(rng, [&] { d.update_eta(); });
    const std::string out = captured.text();
    if (!seen[0].dec.accepted) continue;
    checked = true;
    const std::size_t at = out.find("accept\n");
    ASSERT_NE(at, std::string::npos);
    const std::size_t line_at = out.find("old = ", at);
    ASSERT_NE(line_at, std::string::npos);
    std::istringstream in(out.substr(line_at));
    std::string w_old, eq1, w_new, eq2, w_mh, eq3;
    double v_old, v_new, v_mh;
    in >> w_old >> eq1 >> v_old >> w_new >> eq2 >> v_new >> w_mh >> eq3 >> v_mh;
    EXPECT_EQ(w_new, "new");
    EXPECT_EQ(w_mh, "mh");
    EXPECT_NEAR(v_old, lp_before, 1e-6 * std::fabs(lp_before));
    EXPECT_NEAR(v_mh, seen[0].dec.L, 1e-6 * std::fabs(v_mh));
    EXPECT_NEAR(v_new, v_old + v_mh, 1e-6 * std::fabs(v_new));
    // Only the per-cohort move prints the trace, not the hyper steps.
    EXPECT_EQ(out.find("accept\n", at + 1), std::string::npos);
  }
  EXPECT_TRUE(checked);
}

}  // namespace
