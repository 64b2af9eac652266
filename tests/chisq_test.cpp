// Chi-square distributions: the composition chosen for each number of
// degrees of freedom and non-centrality, moments, parameter checks, and the
// fit of the draws to Boost.Math's chi-square and non-central chi-square.
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <cmath>
#include <functional>
#include <string>

#include "goodness_of_fit.h"
#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

using RBD_COMMON::Logic_error;

class ChiSquare : public ::testing::Test {
 protected:
  void SetUp() override { Random::Set(mt); }
  void TearDown() override { Random::RNG = Random::Dummy; }
  void restart() { MT::init_genrand(seed_word); }

  static constexpr unsigned long seed_word = 530213712UL;  // of the seed 0.12345
  MT mt{0.12345};
};

// Each draw of ChiSq(df, noncen) is its composition of simpler variates,
// drawn from the same stream in the same order.
void expect_composition(int df, double noncen, const std::function<double()>& composed,
                        const std::function<void()>& restart) {
  for (int i = 0; i < 200; ++i) {
    // Draw i of a fresh ChiSq and of a fresh composition, both from the
    // stream restarted and advanced by i uniforms.
    restart();
    for (int k = 0; k < i; ++k) Random::RNG->Next();
    ChiSq chi(df, noncen);
    const double got = chi.Next();
    restart();
    for (int k = 0; k < i; ++k) Random::RNG->Next();
    const double expected = composed();
    ASSERT_EQ(got, expected) << "ChiSq(" << df << ", " << noncen << "), offset " << i;
  }
}

TEST_F(ChiSquare, EachVersionIsItsComposition) {
  auto R = [this] { restart(); };
  // Version 0: a squared shifted normal.
  expect_composition(
      1, 0.0,
      [] {
        Normal n;
        const double z = n.Next();
        return z * z;
      },
      R);
  expect_composition(
      1, 2.5,
      [] {
        Normal n;
        const double z = n.Next();
        const double t = z + std::sqrt(2.5);
        return t * t;
      },
      R);
  // Version 1: twice an exponential.
  expect_composition(
      2, 0.0,
      [] {
        Exponential e;
        return 2.0 * e.Next();
      },
      R);
  // Version 2: twice a gamma of shape df / 2.
  expect_composition(
      5, 0.0,
      [] {
        Gamma2 g(2.5);
        return 2.0 * g.Next();
      },
      R);
  expect_composition(
      8, 0.0,
      [] {
        Gamma2 g(4.0);
        return 2.0 * g.Next();
      },
      R);
  // Version 3: two non-central draws with half the non-centrality.
  expect_composition(
      2, 3.0,
      [] {
        ChiSq1 c(1.5);
        const double a = c.Next();
        const double b = c.Next();
        return a + b;
      },
      R);
  // Version 4: twice an exponential, then a non-central draw.
  expect_composition(
      3, 1.5,
      [] {
        Exponential e;
        ChiSq1 c(1.5);
        const double a = e.Next();
        const double b = c.Next();
        return 2.0 * a + b;
      },
      R);
  // Version 5: twice a gamma of shape (df - 1) / 2, then a non-central draw.
  expect_composition(
      6, 2.0,
      [] {
        Gamma2 g(2.5);
        ChiSq1 c(2.0);
        const double a = g.Next();
        const double b = c.Next();
        return 2.0 * a + b;
      },
      R);
}

TEST_F(ChiSquare, NonCentralOneDegreeIsASquaredShiftedNormal) {
  ChiSq1 c(2.0);
  EXPECT_STREQ(c.Name(), "Normal");
  EXPECT_EQ(c.Density(0.0), Normal().Density(0.0));
  EXPECT_EQ(c.Mean().Value(), 3.0);
  EXPECT_EQ(c.Variance().Value(), 10.0);
  restart();
  const double got = c.Next();
  restart();
  const double z = Normal().Next();
  EXPECT_EQ(got, (z + std::sqrt(2.0)) * (z + std::sqrt(2.0)));
  // A negative non-centrality is not checked here: its draws are NaN.
  ChiSq1 bad(-1.0);
  EXPECT_TRUE(std::isnan(bad.Next()));
}

TEST_F(ChiSquare, MomentsAndName) {
  struct Case {
    int df;
    double nc, mean, var;
  };
  for (const Case& c :
       {Case{1, 0.0, 1.0, 2.0}, Case{2, 0.0, 2.0, 4.0}, Case{2, 3.0, 5.0, 16.0},
        Case{3, 1.5, 4.5, 12.0}, Case{5, 0.0, 5.0, 10.0}, Case{6, 2.0, 8.0, 20.0}}) {
    ChiSq chi(c.df, c.nc);
    EXPECT_EQ(chi.Mean().Code(), Finite);
    EXPECT_EQ(chi.Mean().Value(), c.mean) << c.df << ", " << c.nc;
    EXPECT_EQ(chi.Variance().Code(), Finite);
    EXPECT_EQ(chi.Variance().Value(), c.var) << c.df << ", " << c.nc;
    EXPECT_STREQ(chi.Name(), "ChiSq");
  }
}

TEST_F(ChiSquare, IllegalParametersAreRefused) {
  const std::string msg = "Vargen: illegal parameters";
  EXPECT_NE(message_of<Logic_error>([] { ChiSq c(0, 0.0); }).find(msg),
            std::string::npos);
  EXPECT_NE(message_of<Logic_error>([] { ChiSq c(-3, 1.0); }).find(msg),
            std::string::npos);
  EXPECT_NE(message_of<Logic_error>([] { ChiSq c(4, -0.1); }).find(msg),
            std::string::npos);
  for (int df : {1, 2, 4})
    EXPECT_NE(message_of<Logic_error>([df] { ChiSq c(df, std::nan("")); }).find(msg),
              std::string::npos)
        << df;
  EXPECT_EQ(message_of<Logic_error>([] { ChiSq c(1, 0.0); }), "<no exception>");
  EXPECT_EQ(message_of<Logic_error>([] { ChiSq c(4, 1e-300); }), "<no exception>");
}

TEST_F(ChiSquare, SampleMomentsOfANonCentralChiSquare) {
  ChiSq chi(4, 2.0);
  const int n = 200000;
  double sum = 0.0, sumsq = 0.0;
  for (int i = 0; i < n; ++i) {
    const double x = chi.Next();
    sum += x;
    sumsq += x * x;
  }
  const double mean = sum / n;
  const double var = (sumsq - n * mean * mean) / (n - 1);
  EXPECT_NEAR(mean, 6.0, 0.05);  // about 5 standard errors
  EXPECT_NEAR(var, 16.0, 0.4);
}

TEST_F(ChiSquare, CentralDrawsFitTheChiSquareDistribution) {
  for (int df : {1, 2, 3, 4, 5, 9, 30}) {
    ChiSq chi(df, 0.0);
    boost::math::chi_squared reference(df);
    EXPECT_TRUE(
        gof::fits_continuous(chi, 20000, [&](double x) { return cdf(reference, x); }))
        << "df " << df;
  }
}

TEST_F(ChiSquare, NonCentralDrawsFitTheNonCentralChiSquareDistribution) {
  struct Case {
    int df;
    double nc;
  };
  for (const Case& c : {Case{1, 0.5}, Case{1, 4.0}, Case{2, 3.0}, Case{3, 1.5},
                        Case{4, 2.0}, Case{7, 0.25}, Case{12, 9.0}}) {
    ChiSq chi(c.df, c.nc);
    boost::math::non_central_chi_squared reference(c.df, c.nc);
    EXPECT_TRUE(
        gof::fits_continuous(chi, 20000, [&](double x) { return cdf(reference, x); }))
        << "df " << c.df << ", non-centrality " << c.nc;
  }
}

}  // namespace
