// The table method (PosGen, SymGen, AsymGen), Normal and Exponential: table
// figures, failures, the shared normal table, the order of draws, and the
// distributions against Boost.Math.
#include <gtest/gtest.h>

#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <string>

#include "goodness_of_fit.h"
#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

// Read access to the tables of the classes under test.
template <class Base>
struct Probe : Base {
  using Base::Base;
  double strips() const { return this->xi; }
  const double* x() const { return this->sx; }
  const double* fx() const { return this->sfx; }
  bool ready() const { return !this->NotReady; }
};

template <class Base>
struct AsymProbe : Probe<Base> {
  using Probe<Base>::Probe;
  int last_right() const { return this->ic; }
};

// Densities for the failures of the table build.
struct HalfRateExponential : PosGen {  // mass 2: too many strips
  double Density(double x) const override { return x > 40.0 ? 0.0 : std::exp(-x / 2); }
};
struct HalfMassExponential : PosGen {  // mass 0.5: too few strips
  double Density(double x) const override { return x > 40.0 ? 0.0 : 0.5 * std::exp(-x); }
};
struct ZeroAtMode : AsymGen {
  ZeroAtMode() : AsymGen(1.0) {}
  double Density(double) const override { return 0.0; }
};
// A two-sided exponential about 0 with masses `right` and `left` on its sides.
struct TwoSided : AsymGen {
  TwoSided(double right, double left) : AsymGen(0.0), r(right), l(left) {}
  double Density(double x) const override {
    if (std::fabs(x) > 40.0) return 0.0;
    return x >= 0 ? r * std::exp(-x) : l * std::exp(x);
  }
  double r, l;
};
struct NoDensity : SymGen {};

class TablesTest : public PlaceholderInstalled {};

// Every strip's rectangle has the same area.
template <class P>
void expect_equal_areas(const P& p, int strips, double area) {
  for (int k = 0; k < strips; ++k)
    EXPECT_NEAR(p.fx()[k] * (p.x()[k + 1] - p.x()[k]), area, 1e-12) << "strip " << k;
}

TEST_F(TablesTest, NormalTableFigures) {
  Probe<Normal> n;  // builds at construction
  ASSERT_TRUE(n.ready());
  EXPECT_EQ(n.strips(), 106.0);
  EXPECT_EQ(n.x()[0], 0.0);
  EXPECT_NEAR(n.x()[52], 3.283, 0.0005);  // last boundary with a positive density
  EXPECT_GT(n.fx()[52], 0.0);
  EXPECT_NEAR(n.x()[53], 8.777, 0.0005);  // end point: first beyond 8
  EXPECT_EQ(n.fx()[53], 0.0);
  for (int k = 0; k < 53; ++k) EXPECT_LT(n.x()[k], n.x()[k + 1]);
  expect_equal_areas(n, 53, 0.01);
}

TEST_F(TablesTest, ExponentialTableFigures) {
  ScriptedRNG rng({0.5, 0.5, 0.0});
  rng.install();
  Probe<Exponential> e;
  EXPECT_FALSE(e.ready());  // built at the first draw
  e.Next();
  ASSERT_TRUE(e.ready());
  EXPECT_EQ(e.strips(), 54.0);
  EXPECT_NEAR(e.x()[53], 8.685, 0.0005);
  EXPECT_GT(e.x()[54], 40.0);
  EXPECT_EQ(e.fx()[54], 0.0);
  expect_equal_areas(e, 54, 0.02);
}

TEST_F(TablesTest, DensityCutOffs) {
  Normal n;
  EXPECT_GT(n.Density(8.0), 0.0);
  EXPECT_EQ(n.Density(8.000001), 0.0);
  EXPECT_EQ(n.Density(-8.000001), 0.0);
  EXPECT_DOUBLE_EQ(n.Density(0.0), 0.39894228);
  EXPECT_DOUBLE_EQ(n.Density(-1.5), std::exp(-1.125) * 0.39894228);
  Exponential e;
  EXPECT_EQ(e.Density(-0.0001), 0.0);
  EXPECT_EQ(e.Density(40.0001), 0.0);
  EXPECT_EQ(e.Density(40.0), std::exp(-40.0));
  EXPECT_EQ(e.Density(0.0), 1.0);
}

TEST_F(TablesTest, NamesMeansAndVariances) {
  Normal n;
  Exponential e;
  PosGen p;
  SymGen s;
  AsymGen a(0.0);
  EXPECT_STREQ(n.Name(), "Normal");
  EXPECT_STREQ(e.Name(), "Exponential");
  EXPECT_STREQ(p.Name(), "PosGen");
  EXPECT_STREQ(s.Name(), "SymGen");
  EXPECT_STREQ(a.Name(), "AsymGen");
  EXPECT_EQ(n.Mean().Value(), 0.0);
  EXPECT_EQ(n.Variance().Value(), 1.0);
  EXPECT_EQ(e.Mean().Value(), 1.0);
  EXPECT_EQ(e.Variance().Value(), 1.0);
  EXPECT_EQ(n.Mean().Code(), Finite);
  for (Random* r :
       {static_cast<Random*>(&p), static_cast<Random*>(&s), static_cast<Random*>(&a)}) {
    EXPECT_EQ(r->Mean().Code(), Missing);
    EXPECT_EQ(r->Variance().Code(), Missing);
  }
}

TEST_F(TablesTest, BuildFailures) {
  ScriptedRNG rng({});
  rng.install();
  {
    Probe<HalfRateExponential> p;
    EXPECT_THROWS_MESSAGE(Runtime_error, p.Next(), "Vargen: area too large");
    EXPECT_FALSE(p.ready());  // nothing half-built is kept ...
    EXPECT_EQ(p.x(), nullptr);
    EXPECT_THROWS_MESSAGE(Runtime_error, p.Next(),
                          "Vargen: area too large");  // ... so it fails again
  }
  {
    HalfMassExponential p;
    EXPECT_THROWS_MESSAGE(Runtime_error, p.Next(), "Vargen: area too small");
  }
  {
    ZeroAtMode a;
    EXPECT_THROWS_MESSAGE(Runtime_error, a.Next(), "Vargen: area too small");
  }
  {
    TwoSided right_heavy(2.0, 0.3);
    EXPECT_THROWS_MESSAGE(Runtime_error, right_heavy.Next(),
                          "Vargen: area too large (a)");
    TwoSided left_heavy(0.3, 2.0);
    EXPECT_THROWS_MESSAGE(Runtime_error, left_heavy.Next(), "Vargen: area too large (b)");
    TwoSided light(0.3, 0.3);
    EXPECT_THROWS_MESSAGE(Runtime_error, light.Next(), "Vargen: area too small");
    // The right side's failure comes first; the left one fails on the sum.
    TwoSided both_heavy(2.0, 2.0);
    EXPECT_THROWS_MESSAGE(Runtime_error, both_heavy.Next(), "Vargen: area too large (a)");
    TwoSided together_heavy(0.61, 0.61);
    EXPECT_THROWS_MESSAGE(Runtime_error, together_heavy.Next(),
                          "Vargen: area too large (b)");
  }
  {
    NoDensity s;
    EXPECT_THROWS_MESSAGE(Logic_error, s.Next(),
                          "Vargen: density function not available");
  }
  EXPECT_EQ(rng.count(), 0u);  // no failed build drew anything
}

TEST_F(TablesTest, AsymmetricTableLayout) {
  ScriptedRNG rng({0.5, 0.5, 0.0});
  rng.install();
  AsymProbe<TwoSided> a(0.6, 0.5);  // more strips on the right than on the left
  a.Next();
  ASSERT_TRUE(a.ready());
  const int ic = a.last_right();
  const int n = static_cast<int>(a.strips());
  EXPECT_GT(ic + 1, n - ic - 1);
  EXPECT_GE(n - ic - 1, 50);
  EXPECT_LE(n, 119);
  EXPECT_EQ(a.x()[0], 0.0);
  EXPECT_EQ(a.x()[ic + 1], 0.0);  // the left side starts again at the mode
  EXPECT_GT(a.x()[120], 40.0);    // right end point
  EXPECT_EQ(a.fx()[120], 0.0);
  EXPECT_LT(a.x()[n], -40.0);  // left end point
  EXPECT_LE(a.fx()[n], 0.0);
  for (int k = 0; k < n; ++k) {
    const int next = k == ic ? 120 : k + 1;
    EXPECT_NEAR(a.fx()[k] * std::fabs(a.x()[next] - a.x()[k]), 0.01, 1e-12)
        << "strip " << k;
  }
}

// The two-sided table written out step by step: the right side from the
// mode up, its end point moved to entry 120, then the left side from the
// mode down, starting at the index where the right side stopped. Returns the
// number of strips, or -1 where either side runs too long.
int two_sided_table(const Random& dist, double mode, double* sx, double* sfx, int* ic) {
  double x = mode;
  int i = 0;
  for (;;) {
    sx[i] = x;
    const double f = dist.Density(x);
    sfx[i] = f;
    if (f <= 0) break;
    if (++i == 120) return -1;
    x = x + 0.01 / f;
  }
  *ic = i - 1;
  sx[120] = x;
  sfx[120] = 0;
  x = mode;
  for (;;) {
    sx[i] = x;
    const double f = dist.Density(x);
    sfx[i] = f;
    if (f <= 0) break;
    if (++i > 119) return -1;
    x = x - 0.01 / f;
  }
  return i;
}

// Builds the table of `a` (at its first draw) and checks every entry against
// the step-by-step walk, to the bit.
template <class Base>
void expect_step_by_step_table(AsymProbe<Base>& a, double mode, const std::string& what) {
  ScriptedRNG rng(pass_through_mt, 0.5);
  rng.install();
  a.Next();
  double sx[121], sfx[121];
  int ic = 0;
  const int n = two_sided_table(a, mode, sx, sfx, &ic);
  ASSERT_GT(n, 0) << what;
  EXPECT_EQ(a.strips(), n) << what;
  EXPECT_EQ(a.last_right(), ic) << what;
  for (int k = 0; k <= n; ++k) {
    EXPECT_EQ(a.x()[k], sx[k]) << what << ", entry " << k;
    EXPECT_EQ(a.fx()[k], sfx[k]) << what << ", entry " << k;
  }
  EXPECT_EQ(a.x()[120], sx[120]) << what;
  EXPECT_EQ(a.fx()[120], 0.0) << what;
}

TEST_F(TablesTest, TwoSidedTablesHoldTheValuesOfTheStepByStepWalk) {
  const double sides[][2] = {{0.6, 0.5}, {0.5, 0.6}, {0.3, 0.7}};
  for (const auto& m : sides) {
    AsymProbe<TwoSided> a(m[0], m[1]);
    expect_step_by_step_table(
        a, 0.0, "masses " + std::to_string(m[0]) + ", " + std::to_string(m[1]));
  }
  for (double shape : {1.0000001, 2.5, 20.0, 481.3, 100000.0}) {
    AsymProbe<Gamma2> g(shape);
    expect_step_by_step_table(g, shape - 1.0, "Gamma2(" + std::to_string(shape) + ")");
  }
}

TEST_F(TablesTest, NormalObjectsShareOneTable) {
  ScriptedRNG rng(pass_through_mt, 0.4);
  rng.install();
  auto* first = new Probe<Normal>;
  auto* second = new Probe<Normal>;
  EXPECT_EQ(first->x(), second->x());
  EXPECT_EQ(first->fx(), second->fx());
  delete first;  // the table stays with the second
  for (int i = 0; i < 1000; ++i) second->Next();
  EXPECT_EQ(second->strips(), 106.0);
  {
    Probe<Normal> third;  // joins the second
    EXPECT_EQ(third.x(), second->x());
  }
  delete second;        // the last one frees the table
  Probe<Normal> fresh;  // builds a new one
  EXPECT_EQ(fresh.strips(), 106.0);
  EXPECT_NEAR(fresh.x()[53], 8.777, 0.0005);
  for (int i = 0; i < 1000; ++i) fresh.Next();
}

TEST_F(TablesTest, ExponentialDrawOrder) {
  Probe<Exponential> e;
  ScriptedRNG rng({0.5, 0.5, 0.0});
  rng.install();
  e.Next();  // build
  rng.clear();

  // Strip from the first uniform, position from the second, height from the
  // third; a height under the next boundary's density accepts at once.
  rng.append({0.3, 0.25, 0.1});
  const int ir = static_cast<int>(0.3 * 54);
  const double expected = e.x()[ir] + 0.25 * (e.x()[ir + 1] - e.x()[ir]);
  EXPECT_EQ(e.Next(), expected);
  EXPECT_EQ(rng.count(), 3u);

  // Strip 0 runs from 0 to 0.02.  A height above the density rejects and the
  // next three uniforms start over; one between the squeeze and the density
  // accepts.
  rng.clear();
  rng.append({0.001, 0.999, 0.99999, 0.001, 0.001, 0.99});
  const double x = e.Next();
  EXPECT_EQ(rng.count(), 6u);
  EXPECT_EQ(x, 0.0 + 0.001 * (e.x()[1] - e.x()[0]));
  EXPECT_EQ(rng.remaining(), 0u);
}

TEST_F(TablesTest, SymmetricDrawTakesItsSignFromTheFirstUniform) {
  Probe<Normal> n;
  ScriptedRNG rng({0.3, 0.5, 0.0, 0.7, 0.5, 0.0});
  rng.install();
  const double up = n.Next();
  const double down = n.Next();
  EXPECT_EQ(rng.count(), 6u);
  const int ir = static_cast<int>(0.3 * 106);
  const double x = n.x()[ir] + 0.5 * (n.x()[ir + 1] - n.x()[ir]);
  EXPECT_EQ(up, x);
  // 0.7 -> negative, folded back to 1 - 0.7.
  const int ir2 = static_cast<int>((1.0 - 0.7) * 106);
  EXPECT_EQ(down, -(n.x()[ir2] + 0.5 * (n.x()[ir2 + 1] - n.x()[ir2])));
  EXPECT_LT(down, 0.0);
}

TEST_F(TablesTest, FirstUniformOfExactlyOneHalfTakesTheLastStrip) {
  Probe<Normal> n;
  ScriptedRNG rng({0.5, 0.5, 0.0});
  rng.install();
  const double x = n.Next();
  EXPECT_EQ(rng.count(), 3u);  // no extra uniform
  EXPECT_EQ(x, n.x()[52] + 0.5 * (n.x()[53] - n.x()[52]));
  EXPECT_GT(x, 0.0);  // the sign stays positive
}

TEST_F(TablesTest, FirstUniformOfExactlyOneTakesTheLastStrip) {
  // One-sided table: 54 strips, u * 54 = 54 is one past the table.  The last
  // strip reaches beyond the cut-off: take a point near its start.
  Probe<Exponential> e;
  ScriptedRNG rng({0.5, 0.5, 0.0, 1.0, 0.001, 0.0});
  rng.install();
  e.Next();  // build
  const double x = e.Next();
  EXPECT_EQ(rng.count(), 6u);
  EXPECT_EQ(x, e.x()[53] + 0.001 * (e.x()[54] - e.x()[53]));

  // Two-sided table: the last strip is the last one of the left side, which
  // ends at the left end point.
  ScriptedRNG two({0.5, 0.5, 0.0, 1.0, 0.001, 0.0});
  two.install();
  AsymProbe<TwoSided> a(0.6, 0.5);
  a.Next();  // build
  const int n = static_cast<int>(a.strips());
  const double y = a.Next();
  EXPECT_EQ(two.count(), 6u);
  EXPECT_EQ(y, a.x()[n - 1] + 0.001 * (a.x()[n] - a.x()[n - 1]));
  EXPECT_LT(y, 0.0);
}

TEST_F(TablesTest, AsymmetricDrawOrder) {
  ScriptedRNG rng({0.5, 0.5, 0.0});
  rng.install();
  AsymProbe<TwoSided> a(0.6, 0.5);
  a.Next();
  rng.clear();
  const int ic = a.last_right();
  const double n = a.strips();
  // The last strip of the right side reaches to the end point in entry 120.
  const double u_last_right = (ic + 0.5) / n;
  // A strip of the left side runs downward.
  const double u_left = (ic + 3.5) / n;
  // The last right strip is wide and its far end lies beyond the cut-off:
  // take a point near its start, where the density is positive.
  rng.append({u_last_right, 0.001, 0.0, u_left, 0.5, 0.0});
  const double right = a.Next();
  const double left = a.Next();
  EXPECT_EQ(rng.count(), 6u);
  EXPECT_EQ(right, a.x()[ic] + 0.001 * (a.x()[120] - a.x()[ic]));
  EXPECT_EQ(left, a.x()[ic + 3] + 0.5 * (a.x()[ic + 4] - a.x()[ic + 3]));
  EXPECT_LT(left, 0.0);
}

TEST_F(TablesTest, EveryTryTakesThreeUniforms) {
  ScriptedRNG rng(pass_through_mt, 0.777);
  rng.install();
  Normal n;
  Exponential e;
  for (Random* r : {static_cast<Random*>(&n), static_cast<Random*>(&e)}) {
    for (int i = 0; i < 2000; ++i) {
      rng.clear();
      r->Next();
      ASSERT_GE(rng.count(), 3u);
      ASSERT_EQ(rng.count() % 3, 0u);
    }
  }
}

TEST_F(TablesTest, DrawingWithoutAGeneratorFails) {
  Normal n;  // building the table draws nothing
  EXPECT_THROWS_MESSAGE(Runtime_error, n.Next(), "Vargen: uniform rng not setup");
  Exponential e;
  EXPECT_THROWS_MESSAGE(Runtime_error, e.Next(), "Vargen: uniform rng not setup");
}

// Goodness of fit at a fixed seed (threshold: see goodness_of_fit.h).
TEST_F(TablesTest, NormalMatchesTheReferenceDistribution) {
  MT mt(0.12345);
  Random::Set(mt);
  Normal n;
  const boost::math::normal_distribution<double> reference(0.0, 1.0);
  EXPECT_TRUE(
      gof::fits_continuous(n, 50000, [&](double x) { return cdf(reference, x); }));
  // Moments, and the symmetry of the sign.
  double sum = 0, sum2 = 0;
  int negative = 0;
  const int draws = 100000;
  for (int i = 0; i < draws; ++i) {
    const double x = n.Next();
    sum += x;
    sum2 += x * x;
    negative += x < 0;
  }
  EXPECT_NEAR(sum / draws, 0.0, 0.015);
  EXPECT_NEAR(sum2 / draws, 1.0, 0.02);
  EXPECT_NEAR(negative / double(draws), 0.5, 0.006);
}

TEST_F(TablesTest, ExponentialMatchesTheReferenceDistribution) {
  MT mt(0.54321);
  Random::Set(mt);
  Exponential e;
  const boost::math::exponential_distribution<double> reference(1.0);
  EXPECT_TRUE(
      gof::fits_continuous(e, 50000, [&](double x) { return cdf(reference, x); }));
}

TEST_F(TablesTest, TheCheckRejectsAWrongDistribution) {
  // The helper's power: a normal sample against a normal of slightly
  // different scale fails.
  MT mt(0.12345);
  Random::Set(mt);
  Normal n;
  const boost::math::normal_distribution<double> wrong(0.0, 1.03);
  EXPECT_FALSE(gof::fits_continuous(n, 50000, [&](double x) { return cdf(wrong, x); }));
}

}  // namespace
