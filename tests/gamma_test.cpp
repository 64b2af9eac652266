// Gamma variates and the log-gamma and gamma functions.
#include <gtest/gtest.h>

#include <boost/math/distributions/gamma.hpp>
#include <boost/math/special_functions/gamma.hpp>
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

using RBD_COMMON::Invalid_argument;
using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
using RBD_COMMON::Tracer;

const double pi = 3.141592653589793;
const double nan_value = std::numeric_limits<double>::quiet_NaN();

struct GammaProbe : Gamma {
  using Gamma::Gamma;
  Random* sub() const { return method; }
};
struct Gamma1Probe : Gamma1 {
  using Gamma1::Gamma1;
  double strips() const { return xi; }
  const double* x() const { return sx; }
};
struct Gamma2Probe : Gamma2 {
  using Gamma2::Gamma2;
  double strips() const { return xi; }
};

class GammaTest : public PlaceholderInstalled {};

TEST_F(GammaTest, ShapeChoosesTheSubGenerator) {
  GammaProbe below(0.5), one(1.0), above(1.0000001);
  EXPECT_NE(dynamic_cast<Gamma1*>(below.sub()), nullptr);
  EXPECT_NE(dynamic_cast<Exponential*>(one.sub()), nullptr);
  EXPECT_NE(dynamic_cast<Gamma2*>(above.sub()), nullptr);
  EXPECT_STREQ(below.sub()->Name(), "PosGen");
  EXPECT_STREQ(one.sub()->Name(), "Exponential");
  EXPECT_STREQ(above.sub()->Name(), "AsymGen");
  EXPECT_STREQ(GammaProbe(0.7).Name(), "Gamma");
  GammaProbe tiny(0.999999);
  EXPECT_NE(dynamic_cast<Gamma1*>(tiny.sub()), nullptr);
}

TEST_F(GammaTest, MeanAndVarianceAreTheShape) {
  for (double shape : {0.3, 1.0, 3.5}) {
    Gamma g(shape);
    EXPECT_EQ(g.Mean().Code(), Finite);
    EXPECT_EQ(g.Mean().Value(), shape);
    EXPECT_EQ(g.Variance().Value(), shape);
  }
}

TEST_F(GammaTest, TablesBuildForEveryShape) {
  MT mt(0.1);
  Random::Set(mt);
  for (double shape = 0.01; shape < 1.0; shape += 0.0245) {
    Gamma1Probe g(shape);
    g.Next();
    EXPECT_GE(g.strips(), 52) << shape;
    EXPECT_LE(g.strips(), 54) << shape;
  }
  Gamma1Probe last(0.999);
  last.Next();
  EXPECT_GE(last.strips(), 52);
  for (double shape : {1.0000001, 1.001, 1.1, 1.5, 2.0, 2.5, 5.0, 10.0, 40.0, 100.0,
                       1000.0, 12345.0, 100000.0}) {
    Gamma2Probe g(shape);
    g.Next();
    EXPECT_GE(g.strips(), 105) << shape;
    EXPECT_LE(g.strips(), 107) << shape;
  }
}

TEST_F(GammaTest, DensitiesAndTheirCutOffs) {
  Gamma1 g1(0.5);  // density of Y = X^0.5: exp(-y^2) / Gamma(1.5)
  EXPECT_NEAR(g1.Density(0.0), 1.0 / std::tgamma(1.5), 1e-14);
  EXPECT_NEAR(g1.Density(1.2), std::exp(-1.44) / std::tgamma(1.5), 1e-14);
  EXPECT_GT(g1.Density(6.3), 0.0);  // exponent about -39.8
  EXPECT_EQ(g1.Density(6.4), 0.0);  // exponent below -40
  Gamma2 g2(3.0);
  EXPECT_EQ(g2.Density(0.0), 0.0);
  EXPECT_EQ(g2.Density(-1.0), 0.0);
  EXPECT_NEAR(g2.Density(2.0), 4.0 * std::exp(-2.0) / 2.0, 1e-15);
  EXPECT_EQ(g2.Density(60.0), 0.0);  // 2 log 60 - 60 - log 2 < -40
}

TEST_F(GammaTest, ShapesBelowOneDrawThroughTheTransformedTable) {
  // One try of three uniforms; the point y of the table is returned as y^(1/alpha).
  Gamma1Probe probe(0.5);
  ScriptedRNG rng({0.5, 0.5, 0.0, 0.3, 0.25, 0.0});
  rng.install();
  probe.Next();
  const int ir = static_cast<int>(0.3 * probe.strips());
  const double y = probe.x()[ir] + 0.25 * (probe.x()[ir + 1] - probe.x()[ir]);
  const double drawn = probe.Next();
  EXPECT_EQ(drawn, std::pow(y, 2.0));
  EXPECT_EQ(rng.count(), 6u);

  // A Gamma of the same shape takes the same uniforms and gives the same value.
  ScriptedRNG again({0.3, 0.25, 0.0});
  again.install();
  Gamma g(0.5);
  EXPECT_EQ(g.Next(), drawn);
  EXPECT_EQ(again.count(), 3u);
}

TEST_F(GammaTest, EveryDrawTakesWholeTriesOfThreeUniforms) {
  ScriptedRNG rng(pass_through_mt, 0.31);
  rng.install();
  for (double shape : {0.05, 0.3, 1.0, 2.5, 40.0}) {
    for (int i = 0; i < 300; ++i) {
      rng.clear();
      Gamma g(shape);  // as the genotype caller does: one object per draw
      g.Next();
      ASSERT_GE(rng.count(), 3u);
      ASSERT_EQ(rng.count() % 3, 0u);
    }
  }
}

TEST_F(GammaTest, SeededDrawsRepeat) {
  std::vector<double> first, second;
  for (auto* out : {&first, &second}) {
    MT mt(0.12345);
    Random::Set(mt);
    for (double shape : {0.05, 0.3, 1.0, 2.5, 40.0}) {
      Gamma g(shape);
      for (int i = 0; i < 50; ++i) out->push_back(g.Next());
    }
  }
  EXPECT_EQ(first, second);
}

// Goodness of fit at a fixed seed (threshold: see goodness_of_fit.h).
TEST_F(GammaTest, MatchesTheReferenceDistributions) {
  MT mt(0.12345);
  Random::Set(mt);
  for (double shape : {0.05, 0.3, 1.0, 2.5, 40.0}) {
    Gamma g(shape);
    const boost::math::gamma_distribution<double> reference(shape, 1.0);
    EXPECT_TRUE(
        gof::fits_continuous(g, 30000, [&](double x) { return cdf(reference, x); }))
        << "shape " << shape;
  }
  // Fresh objects per draw, as the genotype caller draws.
  std::vector<double> x;
  for (int i = 0; i < 20000; ++i) {
    Gamma g(0.7);
    x.push_back(g.Next());
  }
  const boost::math::gamma_distribution<double> reference(0.7, 1.0);
  EXPECT_TRUE(
      gof::judge(gof::ks_continuous(x, [&](double v) { return cdf(reference, v); }),
                 "Kolmogorov-Smirnov, one object per draw"));
}

TEST_F(GammaTest, SampleMomentsOfASmallShape) {
  MT mt(0.2468);
  Random::Set(mt);
  Gamma g(0.3);
  double sum = 0, sum2 = 0;
  const int n = 200000;
  for (int i = 0; i < n; ++i) {
    const double x = g.Next();
    sum += x;
    sum2 += x * x;
  }
  const double mean = sum / n;
  EXPECT_NEAR(mean, 0.3, 0.005);
  EXPECT_NEAR(sum2 / n - mean * mean, 0.3, 0.015);
}

TEST_F(GammaTest, ShapesWithoutADistributionAreRejected) {
  for (double shape : {0.0, -0.5, -1.0, -2.5, -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::infinity()})
    EXPECT_THROWS_MESSAGE(Logic_error, Gamma g(shape), "Vargen: illegal parameters")
        << shape;
  // A NaN shape reaches the log-gamma of Gamma2, which rejects it.
  EXPECT_THROWS_MESSAGE(Invalid_argument, Gamma g(nan_value), "Negative gamma value ");
}

TEST_F(GammaTest, DrawingWithoutAGeneratorFails) {
  Gamma g(2.5);
  EXPECT_THROWS_MESSAGE(Runtime_error, g.Next(), "Vargen: uniform rng not setup");
}

// ---------------------------------------------------------------------------
// Log-gamma and gamma functions.

TEST(LogGamma, KnownValues) {
  const double ln_sqrt_pi = 0.5 * std::log(pi);
  EXPECT_EQ(ln_gamma(1.0), 0.0);
  EXPECT_TRUE(std::signbit(ln_gamma(1.0)));  // -gamma * 0
  EXPECT_EQ(ln_gamma(2.0), 0.0);
  EXPECT_FALSE(std::signbit(ln_gamma(2.0)));
  EXPECT_NEAR(ln_gamma(0.5), ln_sqrt_pi, 1e-14 * ln_sqrt_pi);
  EXPECT_NEAR(ln_gamma(3.0), std::log(2.0), 1e-14 * std::log(2.0));
  EXPECT_NEAR(ln_gamma(100.0), 359.13420536957539878, 1e-14 * 359.1342);
  EXPECT_NEAR(ln_gamma(1.5), std::log(0.5 * std::sqrt(pi)), 1e-15);
  EXPECT_NEAR(ln_gamma(11.0), std::log(3628800.0), 1e-13);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ln_gamma(inf), inf);
  int sign = 0;
  EXPECT_EQ(ln_gamma(inf, sign), inf);
  EXPECT_EQ(sign, 1);
}

TEST(LogGamma, SignOfTheReflection) {
  int sign = 0;
  const double v = ln_gamma(-0.5, sign);
  EXPECT_EQ(sign, -1);
  EXPECT_NEAR(v, std::log(2.0 * std::sqrt(pi)), 1e-14);
  EXPECT_NEAR(ln_gamma(-1.5), std::log(4.0 * std::sqrt(pi) / 3.0), 1e-14);
  ln_gamma(-1.5, sign);
  EXPECT_EQ(sign, 1);
  ln_gamma(0.3, sign);
  EXPECT_EQ(sign, 1);
  ln_gamma(5.0, sign);
  EXPECT_EQ(sign, 1);
}

TEST(LogGamma, Failures) {
  int sign;
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(-0.5), "Negative gamma value ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(0.0),
                        "Non-positive integer argument ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(-2.0),
                        "Non-positive integer argument ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(-7.0, sign),
                        "Non-positive integer argument ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma_gt_1(0.85), "Argument less than 1");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma_gt_1(nan_value),
                        "Argument less than 1");
  // A NaN: one message for both forms of ln_gamma.
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(nan_value), "Negative gamma value ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, ln_gamma(nan_value, sign),
                        "Negative gamma value ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, gamma_fn(0.0),
                        "Non-positive integer argument ");
  EXPECT_THROWS_MESSAGE(Invalid_argument, gamma_fn(-3.0),
                        "Non-positive integer argument ");
}

TEST(LogGamma, FailuresCarryTheirTraceFrames) {
  const Tracer* before = Tracer::last;
  const std::string m = message_of<Invalid_argument>([] { ln_gamma(-2.0); });
  EXPECT_NE(m.find("ln_gamma(sign)"), std::string::npos) << m;
  EXPECT_NE(m.find("; ln_gamma"), std::string::npos) << m;
  const std::string g = message_of<Invalid_argument>([] { ln_gamma_gt_1(0.5); });
  EXPECT_NE(g.find("ln_gamma_gt_1 "), std::string::npos) << g;
  const std::string f = message_of<Invalid_argument>([] { gamma_fn(-1.0); });
  EXPECT_NE(f.find("gamma_fn"), std::string::npos) << f;
  EXPECT_EQ(Tracer::last, before);  // every frame popped on the way out
}

// ln_gamma against the C library's lgamma from -50 to 1e6, through every
// range of the implementation and the reflection.
TEST(LogGamma, AgreesWithTheLibraryLogGamma) {
  std::vector<double> xs;
  for (double x = 0.8; x <= 2.3; x += 0.00137) xs.push_back(x);  // the series ranges
  for (double x :
       {0.9, 1.1, 1.9, 2.1, 100.0, 99.999999, 0.8999999, 1.0999999, 1.8999999, 2.0999999})
    xs.push_back(x);
  for (double x = 1e-3; x <= 1e6; x *= 1.0173) xs.push_back(x);
  for (double x = 2.3; x <= 120.0; x += 0.0913) xs.push_back(x);
  for (double x = 1e-12; x < 1e-3; x *= 3.7) xs.push_back(x);  // small positive values
  for (double x = -50.0; x < 0.0; x += 0.00731) {
    if (std::fabs(x - std::round(x)) >= 0.001) xs.push_back(x);
  }
  int checked = 0;
  for (double x : xs) {
    int sign = 0;
    const double v = ln_gamma(x, sign);
    const double expected = std::lgamma(x);
    ASSERT_NEAR(v, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << "x = " << x;
    int reference_sign = 0;
    boost::math::lgamma(x, &reference_sign);
    ASSERT_EQ(sign, reference_sign) << "x = " << x;
    if (sign > 0) {
      ASSERT_EQ(ln_gamma(x), v);
    }
    ++checked;
  }
  EXPECT_GT(checked, 10000);
}

TEST(LogGamma, OtherFormsOfTheSeries) {
  for (double x = 1.0; x < 100.0; x += 0.37) {
    EXPECT_NEAR(ln_gamma_lanczos(x), std::lgamma(x),
                1e-12 * std::max(1.0, std::lgamma(x)))
        << x;
    EXPECT_NEAR(gamma_series(x - 1) * std::pow(x + 9.5, x - 0.5) * std::exp(-(x - 0.5)),
                std::tgamma(x), 1e-12 * std::tgamma(x))
        << x;
  }
  // Both branches of the rational function meet at z = 10.
  EXPECT_NEAR(gamma_series(10.0L - 1e-15L), gamma_series(10.0L),
              1e-14 * gamma_series(10.0L));
}

TEST(GammaFunction, KnownValuesAndTheLibraryGamma) {
  EXPECT_NEAR(gamma_fn(5.0), 24.0, 24.0 * 1e-14);
  EXPECT_NEAR(gamma_fn(-0.5), -2.0 * std::sqrt(pi), 2.0 * std::sqrt(pi) * 1e-14);
  EXPECT_NEAR(gamma_fn(0.5), std::sqrt(pi), 1e-14);
  EXPECT_NEAR(gamma_fn(1e-10), std::tgamma(1e-10), 1e-12 * std::tgamma(1e-10));
  for (double x = -20.0; x < 150.0; x += 0.0373) {
    if (x < 0 && std::fabs(x - std::round(x)) < 0.001) continue;
    const double expected = std::tgamma(x);
    ASSERT_NEAR(gamma_fn(x), expected, 1e-12 * std::fabs(expected)) << "x = " << x;
  }
  EXPECT_TRUE(std::isnan(gamma_fn(nan_value)));
}

}  // namespace
