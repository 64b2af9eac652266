// The shared step rule: guards, the two acceptance modes, the one uniform,
// counters, proposal densities, and the gamma and beta variates.
#include "step_rule.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <cmath>
#include <limits>

#include "data.h"
#include "goodness_of_fit.h"
#include "samplers.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

const double nan_value = std::numeric_limits<double>::quiet_NaN();

// A proposal that returns a fixed value, drawing one uniform of its own first
// (so that the order of the proposal's draw and the rule's can be seen).
class fixed_proposal : public mh::proposal {
 public:
  fixed_proposal(mh::support kind, double value)
      : mh::proposal(kind, reverse_first), value_(value) {}
  double draw(double) const override {
    Uniform u;
    const double drawn = u.Next();
    (void)drawn;
    return value_;
  }
  double log_q(double, double) const override { return 0; }

 private:
  double value_;
};

TEST(Guard, BoundsAreStrictAndNaNFails) {
  using mh::support;
  EXPECT_FALSE(mh::in_support(support::positive, 1e-8));
  EXPECT_TRUE(mh::in_support(support::positive, 1.0000001e-8));
  EXPECT_TRUE(mh::in_support(support::positive, 1e300));
  EXPECT_FALSE(mh::in_support(support::positive, -1));
  EXPECT_FALSE(mh::in_support(support::positive, nan_value));
  EXPECT_FALSE(mh::in_support(support::unit, 1e-8));
  EXPECT_FALSE(mh::in_support(support::unit, 0.99999999));
  EXPECT_TRUE(mh::in_support(support::unit, 0.9999999));
  EXPECT_TRUE(mh::in_support(support::unit, 0.5));
  EXPECT_FALSE(mh::in_support(support::unit, 1.0));
  EXPECT_FALSE(mh::in_support(support::unit, nan_value));
}

TEST(Test, MaximisingDrawsNothingAndNeedsARise) {
  data d;
  d.sampling = false;
  ScriptedRNG rng(std::vector<double>{});  // any draw would throw
  rng.install();
  EXPECT_TRUE(mh::test(d, 1e-300, -5));
  EXPECT_FALSE(mh::test(d, 0.0, 5));
  EXPECT_FALSE(mh::test(d, -1, 5));
  EXPECT_FALSE(mh::test(d, nan_value, 5));
  EXPECT_EQ(rng.count(), 0u);
}

TEST(Test, SamplingDrawsExactlyOneUniformEveryTime) {
  data d;
  d.sampling = true;
  ScriptedRNG rng({0.9, 0.2, 0.5, 0.3, 0.999, 0.01});
  rng.install();
  EXPECT_TRUE(mh::test(d, -7, 3.0));  // positive: still draws
  EXPECT_EQ(rng.count(), 1u);
  EXPECT_TRUE(mh::test(d, 0, std::log(0.25)));
  EXPECT_EQ(rng.count(), 2u);                    // 0.2 < 0.25
  EXPECT_FALSE(mh::test(d, 0, std::log(0.25)));  // 0.5 >= 0.25
  EXPECT_FALSE(mh::test(d, 0, nan_value));       // NaN rejects, u drawn
  EXPECT_TRUE(mh::test(d, 0, 0.0));              // u < exp(0) = 1
  EXPECT_FALSE(mh::test(d, 0, -std::numeric_limits<double>::infinity()));
  EXPECT_EQ(rng.count(), 6u);
}

// A proposal stopped by its guard: sampling mode accepts and counts it with
// the value unchanged; maximisation mode rejects it and counts nothing.
TEST(Step, GuardFailureBySamplingAndMaximising) {
  const double bad[] = {0.99999999, 1e-8, 1.5, nan_value};
  for (double value : bad) {
    for (bool sampling : {true, false}) {
      SCOPED_TRACE(std::to_string(value) + (sampling ? " sampling" : " max"));
      data d;
      d.sampling = sampling;
      ScriptedRNG rng({0.42, 0.77});
      rng.install();
      double x = 0.3, counter = 0;
      double seen_proposal = -1;
      const mh::outcome out = mh::step(
          d, x, fixed_proposal(mh::support::unit, value),
          [&](double p) {
            seen_proposal = p;
            return p == 0.3 ? 0.0 : 1.0;
          },
          counter);
      EXPECT_EQ(seen_proposal, 0.3);
      EXPECT_EQ(out.log_ratio, 0.0);
      EXPECT_EQ(x, 0.3);
      EXPECT_EQ(out.accepted, sampling);
      EXPECT_EQ(counter, sampling ? 1.0 : 0.0);
      EXPECT_EQ(rng.count(), sampling ? 2u : 1u);
    }
  }
}

TEST(Step, ProposalFirstThenTheUniformThenUndoOnRejection) {
  data d;
  d.sampling = true;
  ScriptedRNG rng({0.1, 0.95});
  rng.install();
  double x = 2.0, counter = 0;
  int undone = 0;
  mh::decision seen{};
  mh::set_observer([&](const mh::decision& dec) { seen = dec; });
  const mh::outcome out = mh::step(
      d, x, fixed_proposal(mh::support::positive, 3.0),
      [&](double p) {
        x = p;  // a step that evaluates with the proposal in place
        return std::log(0.5);
      },
      counter, false, [&] { ++undone; });
  mh::set_observer(nullptr);
  EXPECT_FALSE(out.accepted);  // 0.95 >= 0.5 (log q terms are 0)
  EXPECT_EQ(seen.u, 0.95);
  EXPECT_EQ(seen.current, 2.0);
  EXPECT_EQ(seen.proposed, 3.0);
  EXPECT_EQ(x, 2.0);
  EXPECT_EQ(undone, 1);
  EXPECT_EQ(counter, 0.0);
}

TEST(Proposals, DensitiesAgreeWithBoost) {
  const mh::gamma_walk g(500);
  const boost::math::gamma_distribution<double> gd(500 * 0.3, 1.0 / 500);
  EXPECT_NEAR(g.log_q(0.31, 0.3), std::log(boost::math::pdf(gd, 0.31)), 1e-9);

  const mh::beta_walk b(10, 1e-8);
  const boost::math::beta_distribution<double> bd(10 * 0.2 + 1e-8, 0.8 * 10 + 1e-8);
  EXPECT_NEAR(b.log_q(0.25, 0.2), std::log(boost::math::pdf(bd, 0.25)), 1e-9);

  const mh::prior_draw pg(mh::support::positive, 2, 4);  // shape 1, rate 0.5
  EXPECT_NEAR(pg.log_q(3, 99), std::log(0.5) - 1.5, 1e-12);
  const mh::prior_draw pb(mh::support::unit, 0.5, 0.5);  // Beta(0.5, 0.5)
  const boost::math::beta_distribution<double> arcsine(0.5, 0.5);
  EXPECT_NEAR(pb.log_q(0.1, 0.7), std::log(boost::math::pdf(arcsine, 0.1)), 1e-12);
}

TEST(Proposals, CorrectionInBothOrders) {
  const mh::gamma_walk back_first(50);
  const mh::gamma_walk forth_first(50, mh::proposal::forward_first);
  const double L = 0.7, x = 1.2, y = 1.3;
  const double expected = L + back_first.log_q(x, y) - back_first.log_q(y, x);
  EXPECT_NEAR(back_first.corrected(L, x, y), expected, 1e-12);
  EXPECT_NEAR(forth_first.corrected(L, x, y), expected, 1e-12);
  // An independence proposal from the prior cancels the prior ratio.
  const mh::prior_draw prior(mh::support::unit, 0.3, 0.1);
  const double Lp = 0.2 + prior.log_q(0.4, 0) - prior.log_q(0.35, 0);
  EXPECT_NEAR(prior.corrected(Lp, 0.35, 0.4), 0.2, 1e-12);
}

// rgamma is one Gamma variate over the rate; genbet two, a's first, with
// both parameters rounded to single precision.
TEST(Variates, DrawnFromTheirGammaVariatesInOrder) {
  ScriptedRNG rng(pass_through_mt, 0.31);
  rng.install();
  const double g = rgamma(2.5, 4.0);
  const double b = genbet(0.1, 0.7);
  const std::vector<double> drawn = rng.drawn();

  ScriptedRNG replay(drawn);
  replay.install();
  Gamma ga(2.5);
  const double x = ga.Next();
  EXPECT_EQ(g, x / 4.0);
  Gamma g1(static_cast<double>(0.1f));
  Gamma g2(static_cast<double>(0.7f));
  const double bx = g1.Next();
  const double by = g2.Next();
  EXPECT_EQ(b, bx / (bx + by));
  EXPECT_EQ(replay.remaining(), 0u);
  rng.install();
}

TEST(Variates, FitTheirDistributions) {
  ScriptedRNG rng(pass_through_mt, 0.77);
  rng.install();
  std::vector<double> gs(20000), bs(20000);
  for (double& v : gs) v = rgamma(3.0, 2.0);
  for (double& v : bs) v = genbet(2.0, 6.0);
  const boost::math::gamma_distribution<double> gd(3.0, 0.5);
  const boost::math::beta_distribution<double> bd(2.0, 6.0);
  const gof::Result rg =
      gof::ks_continuous(gs, [&](double v) { return boost::math::cdf(gd, v); });
  const gof::Result rb =
      gof::ks_continuous(bs, [&](double v) { return boost::math::cdf(bd, v); });
  EXPECT_GT(rg.p_value, gof::kMinPValue);
  EXPECT_GT(rb.p_value, gof::kMinPValue);
}

// Draws about a family's mean and variance or dispersion: Gamma(m m / v) over
// the rate m / v; two gamma variates of the Beta parameters m (1 - v) / v and
// (1 - m)(1 - v) / v plus their offsets, rounded to single precision.
TEST(Variates, DrawsAboutAMeanAndSpread) {
  ScriptedRNG rng(pass_through_mt, 0.53);
  rng.install();
  const double g = mh::gamma_about(2, 4);              // shape 1, rate 0.5
  const double b = mh::beta_about(0.3, 0.1, 1e-8, 0);  // Beta(2.7 + 1e-8, 6.3)
  const double c = mh::beta_about(0.25, 0.5);          // Beta(0.25, 0.75)
  const std::vector<double> drawn = rng.drawn();

  ScriptedRNG replay(drawn);
  replay.install();
  Gamma one(1.0);
  const double gx = one.Next();
  EXPECT_EQ(g, gx * 2);
  Gamma ba(static_cast<double>(static_cast<float>(2.70000001)));
  Gamma bb(static_cast<double>(6.3f));
  const double bx = ba.Next();
  const double by = bb.Next();
  EXPECT_EQ(b, bx / (bx + by));
  Gamma ca(0.25);
  Gamma cb(0.75);
  const double cx = ca.Next();
  const double cy = cb.Next();
  EXPECT_EQ(c, cx / (cx + cy));
  EXPECT_EQ(replay.remaining(), 0u);
  rng.install();
}

}  // namespace
