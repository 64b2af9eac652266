// Class proportions and the joint cohort move: figures, draws in order,
// acceptance by the log posterior, and exact restoration on rejection.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "updates_harness.h"
#include "vargen2.h"

namespace {

// The worked figure: counts {10, 20, 10, 0}, alpha 0.5, eta 0.1, pgd 10.
TEST(UpdateLambda, MaximisingFigure) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  d.counts[0] = {10, 20, 10, 0};
  d.alpha[0] = 0.5;
  d.eta[0] = 0.1;
  d.pgd = 10;
  ScriptedRNG none(std::vector<double>{});
  none.install();
  d.update_lambda();
  EXPECT_EQ(none.count(), 0u);
  const double dk[4] = {10 + 1e-7 + 2.25, 20 + 1e-7 + 4.5, 10 + 1e-7 + 2.25, 1e-7 + 1};
  const double s = dk[0] + dk[1] + dk[2] + dk[3];
  double sum = 0;
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(d.lambda[0][k], (1e-6 * s + dk[k]) / (1.000004 * s), 1e-15);
    sum += d.lambda[0][k];
  }
  EXPECT_NEAR(sum, 1.0, 1e-15);
}

// Sampling: four gamma variates per cohort, classes in order, also for the
// null class under "-nonull", whose proportion is then set to the floor.
TEST(UpdateLambda, SamplingDrawsFourGammaVariatesPerCohort) {
  for (bool nonull : {false, true}) {
    SCOPED_TRACE(nonull ? "nonull" : "with null class");
    data d;
    harness::make_model(&d, 2);
    d.sampling = true;
    d.nonull = nonull;
    d.counts[0] = {5, 8, 4, 2};
    d.counts[1] = {6, 7, 6, 0};
    data before = d;
    ScriptedRNG rng(pass_through_mt, 0.61);
    rng.install();
    d.update_lambda();

    ScriptedRNG replay(rng.drawn());
    replay.install();
    for (int j = 0; j < 2; ++j) {
      const double e = before.eta[j], P = before.pgd;
      double g[4];
      for (int k = 0; k < 3; ++k) {
        const double shape = (before.counts[j][k] + 1e-7) +
                             before.geno_prop(j, k, before.alpha[j]) * ((1 - e) * P);
        g[k] = rgamma(shape, 1);
      }
      g[3] = rgamma((before.counts[j][3] + 1e-7) + e * P, 1);
      if (nonull) g[3] = 1e-7;
      const double s = g[0] + g[1] + g[2] + g[3];
      for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(d.lambda[j][k], (1e-6 * s + g[k]) / (1.000004 * s), 1e-14);
    }
    EXPECT_EQ(replay.remaining(), 0u);
    rng.install();
  }
}

TEST(UpdateLambda, PrPrintsTheFourValues) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  d.pr = true;
  CaptureStdout out;
  d.update_lambda();
  std::ostringstream expected;
  for (int k = 0; k < 4; ++k) expected << d.lambda[0][k] << " ";
  expected << "\n";
  EXPECT_EQ(out.text(), expected.str());
}

// Everything update_all moves in cohort j.
struct cohort_state {
  double alpha, eta, gradient, length, fraction, departure, sigma, varfrac;
  vec lambda, center, r;
  vec2 mu;
  bool operator==(const cohort_state& o) const {
    return alpha == o.alpha && eta == o.eta && gradient == o.gradient &&
           length == o.length && fraction == o.fraction && departure == o.departure &&
           sigma == o.sigma && varfrac == o.varfrac && lambda == o.lambda &&
           center == o.center && r == o.r && mu == o.mu;
  }
};

cohort_state state_of(const data& d, int j) {
  return {d.alpha[j],    d.eta[j],       d.gradient[j], d.length[j],
          d.fraction[j], d.departure[j], d.sigma[j],    d.varfrac[j],
          d.lambda[j],   d.center[j],    d.r[j],        d.mu[j]};
}

double clamp_unit(double x) {
  if (x >= 0.99999999) x = 0.99999999;
  if (x <= 1e-8) x = 1e-8;
  return x;
}

double beta_about(double m, double v, double oa, double ob) {
  return genbet(m * (1 - v) / v + oa, (1 - m) * (1 - v) / v + ob);
}
double gamma_about(double m, double v) { return rgamma(m * m / v, m / v); }

// The joint move's draws, in order, from the hyper-parameters of `h`.
cohort_state draw_joint(const data& h, const data& model, int j) {
  cohort_state s = state_of(model, j);
  s.alpha = clamp_unit(beta_about(h.alpha_star, h.c_alpha_cohorts, 1e-8, 1e-8));
  s.eta = beta_about(h.eta_mean, h.eta_var, 0, 0) + 1e-8;
  const double a = s.alpha, e = s.eta;
  s.lambda = {a * (1 - e) * a, 2 * (1 - e) * a * (1 - a), (1 - a) * (1 - e) * (1 - a), e};
  s.gradient = gamma_about(h.gradient_mean, h.gradient_var) + 1e-8;
  s.length = gamma_about(h.length_mean, h.length_var) + 1e-8;
  s.fraction = clamp_unit(beta_about(h.fraction_mean, h.fraction_var, 0, 0));
  s.departure = clamp_unit(beta_about(h.departure_mean, h.departure_var, 1e-8, 0) + 1e-8);
  Normal n;
  const double z1 = n.Next();
  const double z2 = n.Next();
  s.center = {h.center_mean[0] + z1 * std::sqrt(h.center_var),
              h.center_mean[1] + z2 * std::sqrt(h.center_var)};
  s.sigma = gamma_about(h.sigma_mean, h.sigma_var) + 1e-8;
  s.varfrac = beta_about(h.varfrac_mean, h.varfrac_var, 0, 0) + 1e-8;
  for (int k = 0; k < 3; ++k) s.r[k] = beta_about(h.r_mean[k], h.r_var[k], 0, 0) + 1e-8;
  return s;
}

class JointMove : public ::testing::TestWithParam<bool> {};

TEST_P(JointMove, DrawsInOrderAndStandsOrFallsWhole) {
  int accepted_seen = 0, rejected_seen = 0;
  for (int trial = 0; trial < 12; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    data d;
    harness::make_model(&d, 2);
    d.sampling = GetParam();
    const int j = trial % 2;
    if (trial >= 6) {
      // A poor current state, so that new draws often win.
      d.sigma[j] = 0.6;
      d.center[j] = {0.5, 0.5};
      d.set_mu_from_params(j);
    }
    const data before = d;

    cohort_state drawn_state{};
    ScriptedRNG rng(pass_through_mt, 0.05 + 0.07 * trial);
    rng.install();
    std::vector<mh::decision> decisions;
    std::size_t drawn_before = 0;
    mh::set_observer([&](const mh::decision& dec) {
      decisions.push_back(dec);
      drawn_before = rng.count();
      drawn_state = state_of(d, j);
    });
    d.update_all(j);
    mh::set_observer(nullptr);
    ASSERT_EQ(decisions.size(), 1u);
    const mh::decision dec = decisions[0];

    // The proposal's draws, replayed by hand, use exactly the uniforms
    // before the test; in sampling mode one uniform follows, then one per
    // individual for the calls.
    const std::vector<double> drawn = rng.drawn();
    const std::size_t proposal_end = drawn_before - (d.sampling ? 1 : 0);
    ScriptedRNG replay(std::vector<double>(drawn.begin(), drawn.begin() + proposal_end));
    replay.install();
    cohort_state expected = draw_joint(before, before, j);
    EXPECT_EQ(replay.remaining(), 0u);
    rng.install();
    const std::size_t calls = d.sampling ? d.n_ind[0] + d.n_ind[1] : 0;
    EXPECT_EQ(drawn.size(), drawn_before + calls);
    if (d.sampling) {
      EXPECT_EQ(dec.u, drawn[proposal_end]);
    }

    // The drawn state, before the test, is the replayed one.
    EXPECT_NEAR(drawn_state.alpha, expected.alpha, 1e-15);
    EXPECT_EQ(drawn_state.eta, expected.eta);
    EXPECT_EQ(drawn_state.gradient, expected.gradient);
    EXPECT_EQ(drawn_state.length, expected.length);
    EXPECT_EQ(drawn_state.fraction, expected.fraction);
    EXPECT_EQ(drawn_state.departure, expected.departure);
    EXPECT_EQ(drawn_state.center, expected.center);
    EXPECT_EQ(drawn_state.sigma, expected.sigma);
    EXPECT_EQ(drawn_state.varfrac, expected.varfrac);
    EXPECT_EQ(drawn_state.r, expected.r);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(drawn_state.lambda[k], expected.lambda[k], 1e-15);

    // The ratio is the change of the log posterior, calls held fixed.
    data shadow = before;
    shadow.alpha[j] = drawn_state.alpha;
    shadow.eta[j] = drawn_state.eta;
    shadow.lambda[j] = drawn_state.lambda;
    shadow.gradient[j] = drawn_state.gradient;
    shadow.length[j] = drawn_state.length;
    shadow.fraction[j] = drawn_state.fraction;
    shadow.departure[j] = drawn_state.departure;
    shadow.center[j] = drawn_state.center;
    shadow.sigma[j] = drawn_state.sigma;
    shadow.varfrac[j] = drawn_state.varfrac;
    shadow.r[j] = drawn_state.r;
    shadow.set_mu_from_params(j);
    CaptureStdout quiet;
    const double lp0 = data(before).log_posterior(false);
    const double lp1 = shadow.log_posterior(false);
    EXPECT_NEAR(dec.L, lp1 - lp0, 1e-9 * (1 + std::fabs(lp0)));
    EXPECT_EQ(dec.t, dec.L);

    const int other = 1 - j;
    EXPECT_TRUE(state_of(d, other) == state_of(before, other));
    if (dec.accepted) {
      ++accepted_seen;
      EXPECT_EQ(d.accept_global, 1.0);
      EXPECT_TRUE(state_of(d, j) == drawn_state);
    } else {
      ++rejected_seen;
      EXPECT_EQ(d.accept_global, 0.0);
      EXPECT_TRUE(state_of(d, j) == state_of(before, j));
    }
  }
  EXPECT_GT(accepted_seen, 0);
  EXPECT_GT(rejected_seen, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, JointMove, ::testing::Values(true, false),
                         [](const auto& info) {
                           return info.param ? "Sampling" : "Maximising";
                         });

// The cohort allele frequency drawn by the joint move of a one-cohort model,
// maximising, whose overall frequency is alpha_star and whose cohort
// frequencies barely spread about it.
double drawn_alpha(double alpha_star) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  d.alpha_star = alpha_star;
  d.c_alpha_cohorts = 1e-7;
  double drawn = -1;
  ScriptedRNG rng(pass_through_mt, 0.5);
  rng.install();
  mh::set_observer([&](const mh::decision&) { drawn = d.alpha[0]; });
  CaptureStdout quiet;
  d.update_all(0);
  mh::set_observer(nullptr);
  return drawn;
}

// A drawn allele frequency of 1 is held at 0.99999999, one of 1e-8 or less
// at 1e-8.
TEST(JointMove, AlleleFrequencyIsClamped) {
  const struct {
    double alpha_star, held;
  } cases[] = {{1 - 1e-12, 0.99999999}, {1e-12, 1e-8}};
  for (const auto& c : cases)
    EXPECT_EQ(drawn_alpha(c.alpha_star), c.held) << c.alpha_star;
}

// A departure above 1 before the move is reported first: "problem_0", then
// the departure and the six coordinates of the class means, one per line.
TEST(JointMove, DepartureAboveOneIsReportedBeforeTheMove) {
  data d;
  harness::make_model(&d, 2);
  d.sampling = false;
  d.departure[1] = 1.25;
  const vec2 means = d.mu[1];
  ScriptedRNG rng(pass_through_mt, 0.4);
  rng.install();
  CaptureStdout out;
  d.update_all(1);
  std::ostringstream expected;
  expected.precision(std::cout.precision());
  expected << "problem_0\n1.25\n";
  for (int k = 0; k < 3; ++k) expected << means[k][0] << "\n" << means[k][1] << "\n";
  EXPECT_EQ(out.text().substr(0, expected.str().size()), expected.str());
}

}  // namespace
