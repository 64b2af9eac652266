// The alias-method discrete generator, Cauchy, Pareto, stable variates and
// the table-method generators over a caller's density.
#include <gtest/gtest.h>

#include <boost/math/distributions/cauchy.hpp>
#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/pareto.hpp>
#include <cmath>
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

class DiscreteTest : public PlaceholderInstalled {};

// ---------------------------------------------------------------------------
// DiscreteGen

// One draw with the two given uniforms: cell, then alias test.
double draw_with(DiscreteGen& g, double u1, double u2) {
  ScriptedRNG rng({u1, u2});
  rng.install();
  const double x = g.Next();
  EXPECT_EQ(rng.remaining(), 0u);
  Random::RNG = Random::Dummy;
  return x;
}

TEST_F(DiscreteTest, EqualProbabilitiesLetTheFirstUniformDecide) {
  double prob[] = {0.25, 0.25, 0.25, 0.25};
  DiscreteGen g(4, prob);
  // Every value is its own alias with alias probability 0: even the smallest
  // second uniform keeps the cell's value.
  EXPECT_EQ(draw_with(g, 0.1, 1e-9), 0.0);
  EXPECT_EQ(draw_with(g, 0.3, 1e-9), 1.0);
  EXPECT_EQ(draw_with(g, 0.6, 1e-9), 2.0);
  EXPECT_EQ(draw_with(g, 0.9, 1e-9), 3.0);
  EXPECT_EQ(std::string(g.Name()), "DiscreteGen");
}

TEST_F(DiscreteTest, AliasTablesMoveTheSurplusCellsToTheLargestValue) {
  double prob[] = {0.3, 0.6, 0.1};
  DiscreteGen g(3, prob);
  // Cell 0 (area 1/3) keeps 0 with probability 0.9 and gives 1 otherwise;
  // cell 2 keeps 2 with probability 0.3 and gives 1 otherwise; cell 1 is 1.
  EXPECT_EQ(draw_with(g, 0.1, 0.09), 1.0);
  EXPECT_EQ(draw_with(g, 0.1, 0.11), 0.0);
  EXPECT_EQ(draw_with(g, 0.9, 0.69), 1.0);
  EXPECT_EQ(draw_with(g, 0.9, 0.71), 2.0);
  EXPECT_EQ(draw_with(g, 0.5, 1e-9), 1.0);
  EXPECT_EQ(draw_with(g, 0.5, 0.999), 1.0);
  EXPECT_NEAR(g.Mean().Value(), 0.8, 1e-15);
  EXPECT_NEAR(g.Variance().Value(), 0.36, 1e-15);
  EXPECT_TRUE(g.Mean().IsReal());
}

TEST_F(DiscreteTest, LongRunFrequenciesMatchTheProbabilities) {
  ScriptedRNG rng(pass_through_mt, 0.31);
  rng.install();
  double prob[] = {0.3, 0.6, 0.1};
  DiscreteGen g(3, prob);
  auto cdf = [](double k) { return k < 0 ? 0.0 : k < 1 ? 0.3 : k < 2 ? 0.9 : 1.0; };
  EXPECT_TRUE(gof::fits_chi_square(g, 30000, cdf, 0, 2));

  double skewed[] = {0.01, 0.04, 0.15, 0.5, 0.2, 0.1};
  DiscreteGen h(6, skewed);
  auto cdf_h = [&](double k) {
    double c = 0.0;
    for (int i = 0; i <= k && i < 6; ++i) c += skewed[i];
    return c;
  };
  EXPECT_TRUE(gof::fits_chi_square(h, 40000, cdf_h, 0, 5));
}

TEST_F(DiscreteTest, OneValueStillTakesTwoUniforms) {
  double prob[] = {1.0};
  DiscreteGen g(1, prob);
  EXPECT_EQ(draw_with(g, 0.7, 0.2), 0.0);
  double values[] = {7.5};
  DiscreteGen h(1, prob, values);
  EXPECT_EQ(draw_with(h, 0.7, 0.2), 7.5);
  EXPECT_EQ(h.Mean().Value(), 7.5);
  EXPECT_EQ(h.Variance().Value(), 0.0);
}

TEST_F(DiscreteTest, GivenValuesAreDrawnAndSetTheMoments) {
  double prob[] = {0.5, 0.25, 0.25};
  double values[] = {-1.0, 2.0, 10.0};
  DiscreteGen g(3, prob, values);
  values[1] = 99.0;  // the generator keeps its own copy
  EXPECT_DOUBLE_EQ(g.Mean().Value(), 2.5);
  EXPECT_DOUBLE_EQ(g.Variance().Value(), 0.5 * 12.25 + 0.25 * 0.25 + 0.25 * 56.25);
  EXPECT_EQ(draw_with(g, 0.1, 0.999), -1.0);
  EXPECT_EQ(draw_with(g, 0.5, 0.999), 2.0);
}

TEST_F(DiscreteTest, ProbabilitiesThatDoNotAddToOneAreRefused) {
  double short_of_one[] = {0.45, 0.45};
  EXPECT_THROWS_MESSAGE(Runtime_error, DiscreteGen(2, short_of_one),
                        "Vargen: probs don't add to 1 (b)");
  double above_one[] = {0.55, 0.55};
  EXPECT_THROWS_MESSAGE(Runtime_error, DiscreteGen(2, above_one),
                        "Vargen: probs don't add to 1 (a)");
  double not_a_number[] = {std::nan(""), 0.5};
  EXPECT_THROWS_MESSAGE(Runtime_error, DiscreteGen(2, not_a_number),
                        "Vargen: method fails");
  double values[] = {1.0, 2.0};
  EXPECT_THROWS_MESSAGE(Runtime_error, DiscreteGen(2, above_one, values),
                        "Vargen: probs don't add to 1 (a)");
}

TEST_F(DiscreteTest, FewerThanOneValueIsRefusedBeforeAnyTable) {
  double prob[] = {1.0};
  double values[] = {1.0};
  EXPECT_THROWS_MESSAGE(Logic_error, DiscreteGen(0, prob), "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, DiscreteGen(-3, prob), "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, DiscreteGen(-3, prob, values),
                        "Vargen: illegal parameters");
}

// ---------------------------------------------------------------------------
// Cauchy and Pareto

TEST_F(DiscreteTest, CauchyFiguresAndDraws) {
  Cauchy c;
  EXPECT_EQ(std::string(c.Name()), "Cauchy");
  EXPECT_EQ(c.Density(2e15), 0.0);
  EXPECT_EQ(c.Density(-2e15), 0.0);
  EXPECT_DOUBLE_EQ(c.Density(0.0), 0.31830988618);
  EXPECT_DOUBLE_EQ(c.Density(2.0), 0.31830988618 / 5.0);
  EXPECT_EQ(c.Mean().Code(), Indefinite);
  EXPECT_EQ(c.Variance().Code(), PlusInfinity);
  ScriptedRNG rng(pass_through_mt, 0.77);
  rng.install();
  boost::math::cauchy_distribution<> ref(0.0, 1.0);
  EXPECT_TRUE(gof::fits_continuous(c, 50000, [&](double x) { return cdf(ref, x); }));
}

TEST_F(DiscreteTest, ParetoMomentsAndDraws) {
  EXPECT_EQ(Pareto(1.0).Mean().Code(), PlusInfinity);
  EXPECT_EQ(Pareto(0.5).Mean().Code(), PlusInfinity);
  EXPECT_EQ(Pareto(2.0).Variance().Code(), PlusInfinity);
  EXPECT_DOUBLE_EQ(Pareto(3.0).Mean().Value(), 1.5);
  EXPECT_DOUBLE_EQ(Pareto(3.0).Variance().Value(), 0.75);
  EXPECT_DOUBLE_EQ(Pareto(2.5).Mean().Value(), 2.5 / 1.5);
  EXPECT_DOUBLE_EQ(Pareto(2.5).Variance().Value(), 2.5 / 2.25 / 0.5);
  EXPECT_EQ(std::string(Pareto(3.0).Name()), "Pareto");
  EXPECT_THROWS_MESSAGE(Logic_error, Pareto(0.0), "Vargen: illegal parameter");
  EXPECT_THROWS_MESSAGE(Logic_error, Pareto(-2.0), "Vargen: illegal parameter");

  ScriptedRNG one({0.125});
  one.install();
  EXPECT_DOUBLE_EQ(Pareto(3.0).Next(), 2.0);  // 0.125^(-1/3), by inversion
  ScriptedRNG rng(pass_through_mt, 0.4);
  rng.install();
  Pareto p(2.5);
  boost::math::pareto_distribution<> ref(1.0, 2.5);
  EXPECT_TRUE(gof::fits_continuous(p, 50000, [&](double x) { return cdf(ref, x); }));
}

// ---------------------------------------------------------------------------
// Stable

TEST_F(DiscreteTest, StableNotationsAndTheirErrors) {
  EXPECT_NO_THROW(Stable(2.0, 0.5, Stable::UnspecifiedForm));
  EXPECT_NO_THROW(Stable(1.0, 0.5, Stable::UnspecifiedForm));
  EXPECT_NO_THROW(Stable(1.5, 0.0, Stable::UnspecifiedForm));
  EXPECT_THROWS_MESSAGE(Logic_error, Stable(1.5, 0.5, Stable::UnspecifiedForm),
                        "Vargen: must specify Stable notation");
  EXPECT_THROWS_MESSAGE(Logic_error, Stable(1.5, 0.5, static_cast<Stable::Notation>(7)),
                        "Vargen: Stable notation not recognised");
  EXPECT_THROWS_MESSAGE(Logic_error, Stable(1.5, 0.5, static_cast<Stable::Notation>(-1)),
                        "Vargen: Stable notation not recognised");
  EXPECT_EQ(std::string(Stable(1.5, 0.5, Stable::ZeroMeanForm).Name()), "Stable");
}

TEST_F(DiscreteTest, StableMeansAndVariances) {
  EXPECT_EQ(Stable(0.5, 1.0, Stable::ContinuousForm).Mean().Code(), PlusInfinity);
  EXPECT_EQ(Stable(0.5, -1.0, Stable::ContinuousForm).Mean().Code(), MinusInfinity);
  EXPECT_EQ(Stable(0.5, 0.3, Stable::ContinuousForm).Mean().Code(), Indefinite);
  EXPECT_EQ(Stable(1.0, 0.3, Stable::ContinuousForm).Mean().Code(), Indefinite);
  // alpha > 1: -beta tan(alpha pi/2) in the continuous form, 0 otherwise.
  EXPECT_NEAR(Stable(1.5, 0.5, Stable::ContinuousForm).Mean().Value(), 0.5, 1e-8);
  EXPECT_EQ(Stable(1.5, 0.5, Stable::ZeroMeanForm).Mean().Value(), 0.0);
  EXPECT_EQ(Stable(1.5, 0.5, Stable::ScaledForm).Mean().Value(), 0.0);
  EXPECT_EQ(Stable(2.0, 0.0, Stable::UnspecifiedForm).Variance().Value(), 2.0);
  EXPECT_EQ(Stable(1.5, 0.0, Stable::UnspecifiedForm).Variance().Code(), PlusInfinity);
}

TEST_F(DiscreteTest, StableHelpersAreExactAtTheirRemovableSingularities) {
  Stable s(1.5, 0.0, Stable::ContinuousForm);
  EXPECT_EQ(Stable::k(0.5), 0.5);
  EXPECT_EQ(Stable::k(1.5), 0.5);
  EXPECT_EQ(Stable::k(2.0), 0.0);
  EXPECT_NEAR(s.tan2(0.0), 1.0, 1e-8);
  for (double x : {0.1, 0.4, 0.7, 0.785398162, -0.5})
    EXPECT_NEAR(s.tan2(x), std::tan(x) / x, 1e-8) << x;
  EXPECT_EQ(s.tan2(1.2), std::tan(1.2) / 1.2);
  EXPECT_EQ(Stable::d2(0.0), 1.0);
  for (double z : {1e-6, 0.05, -0.05, 0.0999999, -0.0999999})
    EXPECT_NEAR(Stable::d2(z), std::expm1(z) / z, 1e-13) << z;
}

TEST_F(DiscreteTest, StableFormsDifferByTheirShiftAndScale) {
  const std::vector<double> script = {0.2, 0.7, 0.9, 0.35, 0.55, 0.05};
  auto draws = [&](Stable s) {
    ScriptedRNG rng(script);
    rng.install();
    std::vector<double> x;
    for (int i = 0; i < 3; ++i) x.push_back(s.Next());
    EXPECT_EQ(rng.remaining(), 0u);  // two uniforms per draw
    Random::RNG = Random::Dummy;
    return x;
  };
  const auto cont = draws(Stable(1.5, 0.5, Stable::ContinuousForm));
  const auto zero = draws(Stable(1.5, 0.5, Stable::ZeroMeanForm));
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(zero[i] - cont[i], 0.5 * std::tan(1.5 * 1.570796327), 1e-12);
  // At alpha = 1 the scaled form keeps beta and returns the basic variate.
  const auto scaled1 = draws(Stable(1.0, 0.5, Stable::ScaledForm));
  const auto cont1 = draws(Stable(1.0, 0.5, Stable::ContinuousForm));
  EXPECT_EQ(scaled1, cont1);
}

TEST_F(DiscreteTest, StableSpecialCasesAreNormalAndCauchy) {
  ScriptedRNG rng(pass_through_mt, 0.6);
  rng.install();
  Stable normal(2.0, 0.0, Stable::UnspecifiedForm);
  boost::math::normal_distribution<> n2(0.0, std::sqrt(2.0));
  EXPECT_TRUE(gof::fits_continuous(normal, 50000, [&](double x) { return cdf(n2, x); }));
  Stable cauchy(1.0, 0.0, Stable::UnspecifiedForm);
  boost::math::cauchy_distribution<> c(0.0, 1.0);
  EXPECT_TRUE(gof::fits_continuous(cauchy, 50000, [&](double x) { return cdf(c, x); }));
}

// ---------------------------------------------------------------------------
// Table-method generators over the caller's density

double exp_density(double x) { return (x < 0.0 || x > 40.0) ? 0.0 : std::exp(-x); }
double normal_density(double x) {
  return std::fabs(x) > 8.0 ? 0.0 : std::exp(-x * x / 2) / std::sqrt(2 * M_PI);
}
double gamma3_density(double x) {  // shape 3: x^2 e^-x / 2, mode 2
  return (x <= 0.0 || x > 60.0) ? 0.0 : x * x * std::exp(-x) / 2.0;
}
double half_mass(double x) { return (x < 0.0 || x > 40.0) ? 0.0 : 0.5 * std::exp(-x); }

TEST_F(DiscreteTest, GeneratorsOverTheCallersDensity) {
  PosGenX pos(exp_density);
  SymGenX sym(normal_density);
  AsymGenX asym(gamma3_density, 2.0);
  EXPECT_EQ(std::string(pos.Name()), "PosGenX");
  EXPECT_EQ(std::string(sym.Name()), "SymGenX");
  EXPECT_EQ(std::string(asym.Name()), "AsymGenX");
  EXPECT_EQ(asym.Density(1.5), gamma3_density(1.5));
  EXPECT_EQ(pos.Mean().Code(), Missing);
  ScriptedRNG rng(pass_through_mt, 0.9);
  rng.install();
  boost::math::exponential_distribution<> e(1.0);
  EXPECT_TRUE(gof::fits_continuous(pos, 40000, [&](double x) { return cdf(e, x); }));
  boost::math::normal_distribution<> n(0.0, 1.0);
  EXPECT_TRUE(gof::fits_continuous(sym, 40000, [&](double x) { return cdf(n, x); }));
  boost::math::gamma_distribution<> g(3.0, 1.0);
  EXPECT_TRUE(gof::fits_continuous(asym, 40000, [&](double x) { return cdf(g, x); }));
}

TEST_F(DiscreteTest, ACallersDensityOfTheWrongMassFailsAtTheFirstDraw) {
  ScriptedRNG rng(pass_through_mt, 0.9);
  rng.install();
  PosGenX small(half_mass);
  EXPECT_THROWS_MESSAGE(Runtime_error, small.Next(), "Vargen: area too small");
}

}  // namespace
