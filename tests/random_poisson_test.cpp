// Poisson, binomial and negative-binomial variates with fixed parameters, and
// the per-call generators VariPoisson, VariBinomial and VariLogNormal:
// method choices, names, densities, parameter errors, the order of the
// searches, and the draws against Boost.Math.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "goodness_of_fit.h"
#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
namespace bm = boost::math;

class PoissonTest : public PlaceholderInstalled {};

// For a distribution with mode 20, searched outward from it in the order 20,
// 21, 19, 22, 18: for each of these values, the uniform halfway through its
// probability (after those of the values searched before it), and the value.
template <class Dist>
std::vector<std::pair<double, double>> search_from_20(const Dist& d) {
  std::vector<std::pair<double, double>> cases;
  double before = 0;
  for (int k : {20, 21, 19, 22, 18}) {
    const double p = pdf(d, k);
    cases.push_back({before + 0.5 * p, k});
    before += p;
  }
  return cases;
}

// Chi-square fit of n draws against a Boost.Math discrete distribution, in
// the cells from 5 standard deviations below the mean to 5 above.
template <class Dist>
::testing::AssertionResult fits(Random& r, const Dist& d, std::size_t n,
                                double top = 1e300) {
  const double m = mean(d), s = standard_deviation(d);
  const long lo = std::max(0L, static_cast<long>(std::floor(m - 5 * s)));
  const long hi = static_cast<long>(std::ceil(std::min(m + 5 * s, top)));
  auto cdf_at = [&](double k) {
    if (k < 0) return 0.0;
    if (k >= top) return 1.0;
    return cdf(d, k);
  };
  return gof::fits_chi_square(r, n, cdf_at, lo, hi);
}

// Uniforms taken by one draw of r.
std::size_t uniforms_per_draw(Random& r) {
  ScriptedRNG rng(pass_through_mt, 0.25);
  rng.install();
  r.Next();
  const std::size_t n = rng.count();
  Random::RNG = Random::Dummy;
  return n;
}

// ---------------------------------------------------------------------------
// Fixed parameters

TEST_F(PoissonTest, MethodIsChosenByTheMean) {
  // The discrete table takes two uniforms per draw; the table method three
  // per try, and reports the exact mean.
  Poisson table(8.0), strips(8.000001);
  EXPECT_EQ(uniforms_per_draw(table), 2u);
  EXPECT_EQ(uniforms_per_draw(strips) % 3, 0u);
  EXPECT_EQ(strips.Mean().Value(), 8.000001);
  EXPECT_EQ(strips.Variance().Value(), 8.000001);
  EXPECT_NEAR(table.Mean().Value(), 8.0, 1e-9);

  Binomial few(39, 0.9), forty(40, 0.2), above(40, 0.25);
  EXPECT_EQ(uniforms_per_draw(few), 2u);
  EXPECT_EQ(uniforms_per_draw(forty), 2u);
  EXPECT_EQ(uniforms_per_draw(above) % 3, 0u);
  EXPECT_EQ(above.Mean().Value(), 10.0);
  EXPECT_DOUBLE_EQ(above.Variance().Value(), 7.5);
}

TEST_F(PoissonTest, Names) {
  EXPECT_EQ(std::string(Poisson(3.0).Name()), "Poisson");
  EXPECT_EQ(std::string(Poisson(30.0).Name()), "Poisson");
  EXPECT_EQ(std::string(Binomial(10, 0.3).Name()), "Binomial");
  EXPECT_EQ(std::string(NegativeBinomial(2.0, 3.0).Name()), "NegativeBinomial");
  EXPECT_EQ(std::string(Poisson1(5.5).Name()), "AsymGen");
  EXPECT_EQ(std::string(Binomial1(50, 0.3).Name()), "AsymGen");
  EXPECT_EQ(std::string(Poisson2(3.0).Name()), "Random");
  EXPECT_EQ(std::string(Binomial2(10, 0.3).Name()), "Random");
}

TEST_F(PoissonTest, StepDensitiesHoldTheProbabilities) {
  Poisson1 p(5.5);
  const double p5 = pdf(bm::poisson_distribution<>(5.5), 5);
  for (double x : {5.0, 5.3, 5.999}) EXPECT_NEAR(p.Density(x), p5, 1e-13 * p5) << x;
  EXPECT_EQ(p.Density(-0.5), 0.0);
  EXPECT_EQ(p.Density(200.0), 0.0);  // beyond the cut-off

  Binomial1 b(50, 0.3);
  const double b15 = pdf(bm::binomial_distribution<>(50, 0.3), 15);
  EXPECT_NEAR(b.Density(15.3), b15, 1e-13 * b15);
  EXPECT_EQ(b.Density(50.5), 0.0);
  EXPECT_EQ(b.Density(-0.1), 0.0);
  const double b50 = pdf(bm::binomial_distribution<>(50, 0.9), 50);
  EXPECT_NEAR(Binomial1(50, 0.9).Density(50.2), b50, 1e-12 * b50);

  NegativeBinomial nb(2.5, 1.5);
  const bm::negative_binomial_distribution<> ref(2.5, 1.0 / 2.5);
  for (int k : {0, 1, 4, 9}) {
    const double pk = pdf(ref, k);
    EXPECT_NEAR(nb.Density(k + 0.5), pk, 1e-12 * pk) << k;
  }
  EXPECT_EQ(nb.Density(-0.01), 0.0);
}

template <class Base>
struct ModeProbe : Base {
  using Base::Base;
  double the_mode() const { return this->mode; }
};

TEST_F(PoissonTest, NegativeBinomialFigures) {
  ModeProbe<NegativeBinomial> a(2.0, 3.0), b(1.0, 0.5), c(1.5, 1.5);
  EXPECT_EQ(a.Mean().Value(), 6.0);
  EXPECT_EQ(a.Variance().Value(), 24.0);
  EXPECT_EQ(a.the_mode(), 3.0);
  EXPECT_EQ(b.the_mode(), 0.0);  // 0 x 0.5 is below 1
  EXPECT_EQ(c.the_mode(), 0.0);  // 0.75 is below 1
  EXPECT_EQ(ModeProbe<Binomial1>(50, 0.3).the_mode(), 51 * 0.3);
  EXPECT_EQ(ModeProbe<Poisson1>(12.5).the_mode(), 12.5);
}

TEST_F(PoissonTest, DrawsFitTheirDistributions) {
  ScriptedRNG rng(pass_through_mt, 0.12345);
  rng.install();
  for (double mu : {0.4, 3.5, 8.0, 8.5, 25.0, 150.0}) {
    Poisson p(mu);
    EXPECT_TRUE(fits(p, bm::poisson_distribution<>(mu), 20000)) << "mu = " << mu;
  }
  const std::vector<std::pair<int, double>> binomials = {
      {1, 0.5}, {20, 0.3}, {39, 0.9}, {40, 0.2}, {1000, 0.005}, {200, 0.3}, {60, 0.85}};
  for (const auto& np : binomials) {
    Binomial b(np.first, np.second);
    EXPECT_TRUE(
        fits(b, bm::binomial_distribution<>(np.first, np.second), 20000, np.first))
        << "n = " << np.first << ", p = " << np.second;
  }
  for (const auto& NP :
       std::vector<std::pair<double, double>>{{2.5, 1.5}, {1.0, 0.5}, {10.0, 3.0}}) {
    NegativeBinomial nb(NP.first, NP.second);
    const bm::negative_binomial_distribution<> ref(NP.first, 1.0 / (1.0 + NP.second));
    EXPECT_TRUE(fits(nb, ref, 20000)) << "N = " << NP.first << ", P = " << NP.second;
  }
}

TEST_F(PoissonTest, CertainOutcomesArePointMasses) {
  ScriptedRNG rng(std::vector<double>{});
  rng.install();
  Binomial none(10, 0.0), all(10, 1.0), all_many(100, 1.0), zero_trials(0, 0.4);
  EXPECT_EQ(none.Next(), 0.0);
  EXPECT_EQ(all.Next(), 10.0);
  EXPECT_EQ(all_many.Next(), 100.0);
  EXPECT_EQ(all_many.Mean().Value(), 100.0);
  EXPECT_EQ(all_many.Variance().Value(), 0.0);
  EXPECT_EQ(none.Variance().Value(), 0.0);
  EXPECT_EQ(rng.count(), 0u);
  // The table classes themselves hold a point mass in one entry.
  ScriptedRNG more(pass_through_mt, 0.5);
  more.install();
  Binomial2 t0(10, 0.0), t1(10, 1.0);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(t0.Next(), 0.0);
    EXPECT_EQ(t1.Next(), 10.0);
    EXPECT_EQ(zero_trials.Next(), 0.0);
  }
}

TEST_F(PoissonTest, ImpossibleParametersAreRefused) {
  const char* msg = "Vargen: illegal parameters";
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial(5, -0.1), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial(5, 1.5), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial(-1, 0.5), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial(5, std::nan("")), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial2(10, 1.5), msg);
  // A table of more than 39 trials cannot start beyond its last entry.
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial2(100, 0.5), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Binomial1(100, 1.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson(-1.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson2(-1.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson1(0.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, NegativeBinomial(0.0, 1.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, NegativeBinomial(2.0, -1.0), msg);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson p(inf), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson1 p(inf), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, Poisson2 p(inf), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, NegativeBinomial(inf, 1.0), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, NegativeBinomial(2.0, inf), msg);
}

TEST_F(PoissonTest, BinomialUpToTheLargestCountOfTrials) {
  // The mode (n + 1) p of the table method, and draws that are whole numbers
  // from 0 to n with the mean n p (within 5 standard errors).
  EXPECT_EQ(ModeProbe<Binomial1>(INT_MAX, 0.5).the_mode(), 1073741824.0);
  ScriptedRNG rng(pass_through_mt, 0.12345);
  rng.install();
  for (double p : {1e-6, 0.3, 0.5, 0.9}) {
    Binomial b(INT_MAX, p);
    const int draws = 2000;
    double sum = 0.0;
    for (int i = 0; i < draws; ++i) {
      const double x = b.Next();
      ASSERT_EQ(x, std::floor(x)) << p;
      ASSERT_GE(x, 0.0) << p;
      ASSERT_LE(x, INT_MAX) << p;
      sum += x;
    }
    const double mean = INT_MAX * p;
    EXPECT_NEAR(sum / draws, mean, 5.0 * std::sqrt(mean * (1.0 - p) / draws)) << p;
  }
}

// ---------------------------------------------------------------------------
// VariPoisson

// A VariPoisson, VariBinomial or VariLogNormal at fixed parameters, as a
// Random for the goodness-of-fit checks.
template <class F>
struct Fixed : Random {
  explicit Fixed(F f) : draw(f) {}
  double Next() override { return draw(); }
  F draw;
};
template <class F>
Fixed<F> fixed(F f) {
  return Fixed<F>(f);
}

TEST_F(PoissonTest, VariPoissonFiguresAndErrors) {
  ScriptedRNG none(std::vector<double>{});
  none.install();
  VariPoisson vp;
  EXPECT_EQ(vp.Next(0.0), 0.0);
  EXPECT_EQ(none.count(), 0u);
  EXPECT_THROWS_MESSAGE(Logic_error, vp.Next(-1.0), "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, vp.Next(std::nan("")), "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, vp.iNext(-1.0), "Vargen: illegal parameters");
  // An infinite mean, and one whose square overflows, are refused before any
  // draw; below that the draws are finite.
  for (double mu : {std::numeric_limits<double>::infinity(), 1.35e154, 1e300}) {
    EXPECT_THROWS_MESSAGE(Logic_error, vp.Next(mu), "Vargen: illegal parameters") << mu;
    EXPECT_THROWS_MESSAGE(Logic_error, vp.Next_large(mu), "Vargen: illegal parameters")
        << mu;
  }
  ScriptedRNG through(pass_through_mt, 0.5);
  through.install();
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(std::isfinite(vp.Next(1.34e154)));

  ScriptedRNG at_p0({std::exp(-4.0)});
  at_p0.install();
  EXPECT_EQ(vp.Next_very_small(4.0), 0.0);
}

TEST_F(PoissonTest, VariPoissonAtOneHundredIsOneDrawOfItsStoredPoisson) {
  ScriptedRNG a(pass_through_mt, 0.42);
  a.install();
  VariPoisson vp;
  std::vector<double> x;
  for (int i = 0; i < 5; ++i) x.push_back(vp.Next(100.0));
  ScriptedRNG b(pass_through_mt, 0.42);
  b.install();
  Poisson p(100.0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(x[i], p.Next());
}

TEST_F(PoissonTest, VariPoissonSearchesOutwardFromTheMode) {
  VariPoisson vp;
  for (const auto& c : search_from_20(bm::poisson_distribution<>(20.5))) {
    ScriptedRNG rng({c.first, c.first});
    rng.install();
    EXPECT_EQ(vp.Next_small(20.5), c.second);
    EXPECT_EQ(vp.Next(20.5), c.second);  // one uniform each
  }
}

TEST_F(PoissonTest, VariPoissonStopsWhenItsTermsUnderflow) {
  // A uniform above every cumulative sum ends where no term is left to add,
  // in the far upper tail, instead of searching for ever.
  // At these means the rounded probabilities of 0, 1, 2, ... add up to just
  // below 1, so the largest uniforms lie above every cumulative sum.
  VariPoisson vp;
  for (double mu : {0.02, 0.1}) {
    for (double u : {0.9999999999999999, 1.0}) {
      ScriptedRNG rng({u});
      rng.install();
      EXPECT_GE(vp.Next_very_small(mu), 5.0) << mu;
    }
  }
  // The search from the mode, with a value above any sum rounding can give.
  for (double mu : {12.0, 50.0, 99.5}) {
    ScriptedRNG rng({1.5});
    rng.install();
    EXPECT_GE(vp.Next_small(mu), mu + 10 * std::sqrt(mu)) << mu;
  }
}

TEST_F(PoissonTest, VariPoissonDrawsFitInEveryRegime) {
  ScriptedRNG rng(pass_through_mt, 0.777);
  rng.install();
  VariPoisson vp;
  for (double mu :
       {0.7, 5.0, 9.99, 10.0, 42.5, 99.9, 100.0, 163.2, 200.0, 287.0, 300.0, 1500.0}) {
    auto r = fixed([&vp, mu] { return vp.Next(mu); });
    EXPECT_TRUE(fits(r, bm::poisson_distribution<>(mu), 20000)) << "mu = " << mu;
  }
}

TEST_F(PoissonTest, VariPoissonLargeMeansGiveWholeNonNegativeNumbers) {
  ScriptedRNG rng(pass_through_mt, 0.31);
  rng.install();
  VariPoisson vp;
  double sum = 0.0, sum2 = 0.0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    const double x = vp.Next_large(300.5);
    ASSERT_EQ(x, std::floor(x));
    ASSERT_GE(x, 0.0);
    sum += x;
    sum2 += x * x;
  }
  const double m = sum / n, v = sum2 / n - m * m;
  EXPECT_NEAR(m, 300.5, 0.6);
  EXPECT_NEAR(v, 300.5, 15.0);
  for (int i = 0; i < 200; ++i) EXPECT_GE(vp.Next_large(0.5), 0.0);  // clamped at 0
}

TEST_F(PoissonTest, VariPoissonWholeNumberResult) {
  ScriptedRNG a(pass_through_mt, 0.9);
  a.install();
  VariPoisson vp;
  std::vector<double> x;
  for (double mu : {3.0, 30.0, 130.0, 400.0}) x.push_back(vp.Next(mu));
  ScriptedRNG b(pass_through_mt, 0.9);
  b.install();
  VariPoisson vq;
  int i = 0;
  for (double mu : {3.0, 30.0, 130.0, 400.0})
    EXPECT_EQ(vq.iNext(mu), static_cast<int>(x[i++]));
}

// ---------------------------------------------------------------------------
// VariBinomial

TEST_F(PoissonTest, VariBinomialFiguresAndErrors) {
  ScriptedRNG none(std::vector<double>{});
  none.install();
  VariBinomial vb;
  EXPECT_EQ(vb.Next(10, 1.0), 10.0);
  EXPECT_EQ(vb.Next(0, 0.3), 0.0);
  EXPECT_EQ(vb.Next(7, 0.0), 0.0);
  EXPECT_EQ(none.count(), 0u);
  const char* msg = "Vargen: illegal parameters";
  EXPECT_THROWS_MESSAGE(Logic_error, vb.Next(-1, 0.3), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, vb.Next(5, -0.1), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, vb.Next(5, 1.5), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, vb.Next(5, std::nan("")), msg);
  EXPECT_THROWS_MESSAGE(Logic_error, vb.iNext(5, 1.5), msg);

  ScriptedRNG at_q_n({std::pow(0.7, 20.0)});
  at_q_n.install();
  EXPECT_EQ(vb.Next_very_small(20, 0.3), 0.0);
}

TEST_F(PoissonTest, VariBinomialAboveOneHalfIsTheComplement) {
  for (int n : {12, 80, 600, 5000}) {
    ScriptedRNG a(pass_through_mt, 0.61);
    a.install();
    VariBinomial vb;
    std::vector<double> x;
    for (int i = 0; i < 5; ++i) x.push_back(vb.Next(n, 0.7));
    ScriptedRNG b(pass_through_mt, 0.61);
    b.install();
    VariBinomial vc;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(x[i], n - vc.Next(n, 0.30000000000000004)) << n;
  }
}

TEST_F(PoissonTest, VariBinomialSearchesOutwardFromTheMode) {
  VariBinomial vb;
  // The downward steps need the ratio (down + 1) / (n - down) in floating
  // point.
  for (const auto& c : search_from_20(bm::binomial_distribution<>(100, 0.2))) {
    ScriptedRNG rng({c.first});
    rng.install();
    EXPECT_EQ(vb.Next_small(100, 0.2), c.second);
  }
}

TEST_F(PoissonTest, VariBinomialDrawsFitInEveryRegime) {
  ScriptedRNG rng(pass_through_mt, 0.555);
  rng.install();
  VariBinomial vb;
  const std::vector<std::pair<int, double>> cases = {
      {1, 0.3},   {30, 0.2},  {25, 0.4},   {100, 0.1},  {25, 0.5},  {200, 0.3},
      {100, 0.8}, {400, 0.5}, {1000, 0.2}, {5000, 0.1}, {3000, 0.9}};
  for (const auto& np : cases) {
    const int n = np.first;
    const double p = np.second;
    auto r = fixed([&vb, n, p] { return vb.Next(n, p); });
    EXPECT_TRUE(fits(r, bm::binomial_distribution<>(n, p), 20000, n))
        << "n = " << n << ", p = " << p;
  }
}

// ---------------------------------------------------------------------------
// VariLogNormal

TEST_F(PoissonTest, VariLogNormalHasTheGivenMeanAndDeviation) {
  ScriptedRNG rng(pass_through_mt, 0.1);
  rng.install();
  VariLogNormal vl;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(vl.Next(1.0, 0.0), 1.0);
  const double mean = 2.0, sd = 0.5;
  const double s2 = std::log(1.0 + (sd / mean) * (sd / mean));
  const bm::lognormal_distribution<> ref(std::log(mean) - 0.5 * s2, std::sqrt(s2));
  auto r = fixed([&vl, mean, sd] { return vl.Next(mean, sd); });
  EXPECT_TRUE(gof::fits_continuous(r, 40000, [&](double x) { return cdf(ref, x); }));
}

}  // namespace
