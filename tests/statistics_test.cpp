// Tests of the caller's statistics functions: moments, densities, samplers
// and matrix functions.
#include "statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/inverse_chi_squared.hpp>
#include <boost/math/distributions/inverse_gamma.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <set>
#include <vector>

#include "capture_stdout.h"
#include "newmat.h"
#include "vargen1.h"
#include "vargen2.h"

namespace {

// A generator that returns the given uniforms in turn and counts its draws.
class ScriptedUniforms : public Random {
 public:
  explicit ScriptedUniforms(std::vector<double> values) : values_(values) {}
  double Next() override {
    double u = values_[draws_ % values_.size()];
    draws_++;
    return u;
  }
  size_t draws() const { return draws_; }

 private:
  std::vector<double> values_;
  size_t draws_ = 0;
};

std::vector<double> sample_of(int n, double seed) {
  MT mt(seed);
  Random::Set(mt);
  Normal normal;
  std::vector<double> v;
  for (int i = 0; i < n; i++) {
    double z = normal.Next();
    v.push_back(3.0 + 2.0 * z);
  }
  return v;
}

// ---- Moments -------------------------------------------------------------

TEST(SampleMoments, KnownValuesReadOnlyTheFirstN) {
  std::vector<double> v = {2, 4, 4, 4, 5, 5, 7, 9, 1000};
  EXPECT_DOUBLE_EQ(meanvec(&v, 8), 5.0);
  EXPECT_DOUBLE_EQ(varvec(&v, 5.0, 8), 32.0 / 7.0);
  EXPECT_DOUBLE_EQ(varvec1(&v, 8), 32.0 / 7.0);
  EXPECT_DOUBLE_EQ(varvec(&v, 4.0, 8), (32.0 + 8.0) / 7.0);

  std::vector<double> a = {1, 2, 3, 4, -50};
  std::vector<double> b = {2, 4, 6, 8, 99};
  EXPECT_DOUBLE_EQ(covvec1(&a, &b, 4), 2.0 * varvec1(&a, 4));
  std::vector<double> c = {4, 3, 2, 1};
  EXPECT_DOUBLE_EQ(covvec1(&a, &c, 4), -varvec1(&a, 4));
  // About other centres: sum (a - 0)(b - 0) / 3 = 60 / 3.
  EXPECT_DOUBLE_EQ(covvec(&a, &b, 0.0, 0.0, 4), 20.0);
  EXPECT_EQ(v.size(), 9u);
}

TEST(RunningMoments, FiguresOfThreeAndTwoValues) {
  double xs[] = {1, 3, 5};
  double m = 0, v = 0;
  for (int i = 0; i < 3; i++) {
    sequential_mean(&m, &xs[i], i + 1);
    sequential_variance(&v, &m, &xs[i], i + 1);
  }
  EXPECT_DOUBLE_EQ(m, 3.0);
  EXPECT_DOUBLE_EQ(v, 4.0);

  double ys[] = {2, 4};
  double ms = 0, s = 0;
  for (int i = 0; i < 2; i++) {
    sequential_mean(&ms, &ys[i], i + 1);
    sequential_sd(&s, &ms, &ys[i], i + 1);
  }
  EXPECT_DOUBLE_EQ(s, std::sqrt(2.0));
}

TEST(RunningMoments, AgreeWithDirectMoments) {
  std::vector<double> x = sample_of(200, 0.5);
  double m = 0, v = 0, s = 0;
  for (int i = 0; i < 200; i++) {
    double n = i + 1;
    sequential_mean(&m, &x[i], n);
    sequential_variance(&v, &m, &x[i], n);
    sequential_sd(&s, &m, &x[i], n);
    if (i >= 1) {
      EXPECT_NEAR(m, meanvec(&x, i + 1), 1e-12);
      EXPECT_NEAR(v, varvec1(&x, i + 1), 1e-10 * (1 + v));
      EXPECT_NEAR(s, std::sqrt(varvec1(&x, i + 1)), 1e-10 * (1 + s));
    }
  }
}

TEST(RunningMoments, VectorFormsWorkElementwise) {
  // Two series side by side; a third slot beyond k must stay untouched.
  double a[] = {1, 3, 5, 10};
  double b[] = {-2, 0, 8, 1};
  double m[3] = {0, 0, 99}, v[3] = {0, 0, 99}, s[3] = {0, 0, 99};
  for (int i = 0; i < 4; i++) {
    double x[3] = {a[i], b[i], 77};
    sequential_mean_vec(m, x, i + 1, 2);
    sequential_variance_vec(v, m, x, i + 1, 2);
    sequential_sd_vec(s, m, x, i + 1, 2);
  }
  std::vector<double> va(a, a + 4), vb(b, b + 4);
  EXPECT_NEAR(m[0], meanvec(&va, 4), 1e-14);
  EXPECT_NEAR(m[1], meanvec(&vb, 4), 1e-14);
  EXPECT_NEAR(v[0], varvec1(&va, 4), 1e-12);
  EXPECT_NEAR(v[1], varvec1(&vb, 4), 1e-12);
  EXPECT_NEAR(s[1], std::sqrt(varvec1(&vb, 4)), 1e-12);
  EXPECT_EQ(m[2], 99);
  EXPECT_EQ(v[2], 99);
  EXPECT_EQ(s[2], 99);
}

TEST(RunningMoments, CountsBelowOneLeaveTheValueAlone) {
  double v = 7, s = 7, m = 1, x = 3;
  sequential_variance(&v, &m, &x, 0);
  sequential_sd(&s, &m, &x, 0.5);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(s, 7);
}

// ---- Densities -----------------------------------------------------------

TEST(Densities, NormalAgainstBoost) {
  boost::math::normal_distribution<> nd(1.5, 0.7);
  double m = 1.5, s = 0.7;
  for (double x : {-1.0, 0.3, 1.5, 2.9}) {
    // The normaliser is the square root of 2 pi written to ten digits.
    EXPECT_NEAR(dnorm(x, &m, &s), boost::math::pdf(nd, x),
                1e-10 * boost::math::pdf(nd, x));
    // 2 pi is written to ten digits: the log differs by about 1e-10.
    EXPECT_NEAR(log_dnorm(x, 1.5, 0.49), std::log(boost::math::pdf(nd, x)), 1e-9);
  }
}

TEST(Densities, GammaAgainstBoostAndExponential) {
  for (double x : {0.1, 1.0, 2.5, 7.0}) {
    EXPECT_NEAR(dgamma(x, 1, 1, 0), std::exp(-x), 1e-15);
    boost::math::gamma_distribution<> gd(2.5, 1 / 1.5);  // shape, scale
    double want = boost::math::pdf(gd, x);
    EXPECT_NEAR(dgamma(x, 2.5, 1.5, 0), want, 1e-12 * want);
    EXPECT_NEAR(dgamma(x, 2.5, 1.5, 1), std::log(want), 1e-12);
    EXPECT_NEAR(log_dgamma(x, 2.5, 1.5), std::log(want), 1e-12);
  }
}

TEST(Densities, ScaledInverseChiSquareAgainstBoost) {
  for (double nu : {1.0, 4.0, 9.5}) {
    for (double s2 : {0.3, 2.0}) {
      boost::math::inverse_chi_squared_distribution<> d(nu, s2);
      for (double x : {0.1, 0.8, 3.0}) {
        EXPECT_NEAR(log_dscaled_Inv_Chi_Squared(x, nu, s2),
                    std::log(boost::math::pdf(d, x)), 1e-11);
      }
    }
  }
}

TEST(Densities, DirichletAgainstBetaAndFlat) {
  double alpha[2] = {2.5, 0.7};
  int k = 2;
  boost::math::beta_distribution<> bd(2.5, 0.7);
  for (double x1 : {0.05, 0.4, 0.93}) {
    double x[2] = {x1, 1 - x1};
    EXPECT_NEAR(ddirichlet(x, alpha, &k), std::log(boost::math::pdf(bd, x1)), 1e-11);
  }
  // The flat Dirichlet on the simplex of three has the density Gamma(3) = 2.
  double flat[3] = {1, 1, 1};
  double x[3] = {0.2, 0.5, 0.3};
  int k3 = 3;
  EXPECT_NEAR(ddirichlet(x, flat, &k3), std::log(2.0), 1e-14);
}

// ---- Inverse-Wishart and multivariate normal -----------------------------

NEWMAT::SymmetricMatrix sym2(double a11, double a12, double a22) {
  NEWMAT::SymmetricMatrix m(2);
  m(1, 1) = a11;
  m(2, 1) = a12;
  m(2, 2) = a22;
  return m;
}

TEST(InverseWishart, TwoByTwoAgreesWithGeneral) {
  struct Case {
    double x11, x12, x22, s11, s12, s22, nu;
  };
  Case cases[] = {{1.0, 0.0, 1.0, 1.0, 0.0, 1.0, 3.0},
                  {2.0, 0.5, 1.0, 1.5, -0.3, 0.8, 5.0},
                  {0.4, -0.1, 3.0, 2.0, 0.9, 1.2, 7.5}};
  for (const Case& c : cases) {
    std::vector<double> X = {c.x11, c.x12, c.x22};
    std::vector<double> S = {c.s11, c.s12, c.s22};
    NEWMAT::SymmetricMatrix Xm = sym2(c.x11, c.x12, c.x22);
    NEWMAT::SymmetricMatrix Sm = sym2(c.s11, c.s12, c.s22);
    double two_d = log_inverse_Wishart_density_2D(&X, c.nu, &S);
    double general = log_inverse_Wishart_density(&Xm, c.nu, &Sm);
    EXPECT_NEAR(two_d, general, 1e-11 * (1 + std::fabs(two_d)));
  }
}

TEST(InverseWishart, OneByOneIsInverseGamma) {
  // For p = 1 the inverse-Wishart(nu, s) is the inverse gamma with shape
  // nu/2 and scale s/2.
  for (double nu : {2.0, 5.0}) {
    for (double s : {0.5, 3.0}) {
      boost::math::inverse_gamma_distribution<> ig(nu / 2, s / 2);
      for (double x : {0.2, 1.0, 4.0}) {
        NEWMAT::SymmetricMatrix X(1), S(1);
        X(1, 1) = x;
        S(1, 1) = s;
        EXPECT_NEAR(log_inverse_Wishart_density(&X, nu, &S),
                    std::log(boost::math::pdf(ig, x)), 1e-11);
      }
    }
  }
}

TEST(MultivariateNormal, OneDimensionMatchesLogDnorm) {
  NEWMAT::ColumnVector x(1), mu(1);
  NEWMAT::SymmetricMatrix sigma(1);
  for (double xv : {-2.0, 0.0, 1.3}) {
    x(1) = xv;
    mu(1) = 0.4;
    sigma(1, 1) = 2.25;
    EXPECT_NEAR(log_mvt_norm_density(&x, &mu, &sigma), log_dnorm(xv, 0.4, 2.25), 1e-13);
  }
}

TEST(MultivariateNormal, TwoDimensions) {
  NEWMAT::ColumnVector x(2), mu(2);
  x(1) = 1.0;
  x(2) = -0.5;
  mu(1) = 0.2;
  mu(2) = 0.1;
  // Uncorrelated: the sum of two one-dimensional log densities.
  NEWMAT::SymmetricMatrix diag = sym2(0.5, 0.0, 3.0);
  EXPECT_NEAR(log_mvt_norm_density(&x, &mu, &diag),
              log_dnorm(1.0, 0.2, 0.5) + log_dnorm(-0.5, 0.1, 3.0), 1e-13);
  // Correlated: the bivariate normal by standard deviations and correlation.
  double s1 = 1.2, s2 = 0.7, rho = 0.6;
  NEWMAT::SymmetricMatrix cov = sym2(s1 * s1, rho * s1 * s2, s2 * s2);
  double z1 = (1.0 - 0.2) / s1, z2 = (-0.5 - 0.1) / s2;
  double q = (z1 * z1 - 2 * rho * z1 * z2 + z2 * z2) / (1 - rho * rho);
  double want = -std::log(6.283185308 * s1 * s2 * std::sqrt(1 - rho * rho)) - 0.5 * q;
  EXPECT_NEAR(log_mvt_norm_density(&x, &mu, &cov), want, 1e-12);
}

// ---- Matrix exponential --------------------------------------------------

TEST(MatrixExp, OneByOne) {
  std::vector<std::vector<double> > q = {{1.0}};
  matrix_exp(&q, 1.0);
  EXPECT_NEAR(q[0][0], 1.0, 1e-14);

  std::vector<std::vector<double> > q2 = {{-0.5}};
  matrix_exp(&q2, 2.0);
  EXPECT_NEAR(q2[0][0], std::exp(-2.0) * std::exp(-1.0), 1e-15);
}

TEST(MatrixExp, NilpotentAndDiagonal) {
  // N^2 = 0, so exp(tN) = I + tN.
  double t = 1.7;
  std::vector<std::vector<double> > n = {{0.0, 1.0}, {0.0, 0.0}};
  matrix_exp(&n, t);
  double e = std::exp(-t);
  EXPECT_NEAR(n[0][0], e, 1e-15);
  EXPECT_NEAR(n[0][1], e * t, 1e-15);
  EXPECT_EQ(n[1][0], 0.0);
  EXPECT_NEAR(n[1][1], e, 1e-15);

  std::vector<std::vector<double> > d = {{2.0, 0.0}, {0.0, -1.0}};
  matrix_exp(&d, 0.5);
  EXPECT_NEAR(d[0][0], std::exp(-0.5) * std::exp(1.0), 1e-14);
  EXPECT_NEAR(d[1][1], std::exp(-0.5) * std::exp(-0.5), 1e-14);
  EXPECT_EQ(d[0][1], 0.0);
}

TEST(MatrixExp, EmptyMatrixIsLeftAlone) {
  std::vector<std::vector<double> > q;
  matrix_exp(&q, 1.0);
  EXPECT_TRUE(q.empty());
}

// ---- Samplers ------------------------------------------------------------

TEST(UniformIndex, SubtractionFigures) {
  ScriptedUniforms g({0.3, 0.9, 0.25, 0.999999, 0.5});
  Random::Set(g);
  EXPECT_EQ(rmultinom_unif(4), 2);
  EXPECT_EQ(rmultinom_unif(4), 4);
  EXPECT_EQ(rmultinom_unif(4), 1);  // 0.25 - 0.25 = 0 ends the walk
  EXPECT_EQ(rmultinom_unif(4), 4);
  EXPECT_EQ(rmultinom_unif(1), 1);
  EXPECT_EQ(g.draws(), 5u);
}

TEST(UniformIndex, FailedDrawsGiveZeroAfterOneDraw) {
  ScriptedUniforms g({0.5});
  Random::Set(g);
  EXPECT_EQ(rmultinom_unif(0), 0);
  EXPECT_EQ(rmultinom_unif(-3), 0);
  EXPECT_EQ(g.draws(), 2u);
  ScriptedUniforms zero({0.0});
  Random::Set(zero);
  EXPECT_EQ(rmultinom_unif(5), 0);
}

TEST(UniformIndex, CoversTheRangeForAFixedSeed) {
  MT mt(0.5);
  Random::Set(mt);
  std::vector<int> seen(8, 0);
  for (int i = 0; i < 4000; i++) {
    int c = rmultinom_unif(7);
    ASSERT_GE(c, 1);
    ASSERT_LE(c, 7);
    seen[c]++;
  }
  for (int c = 1; c <= 7; c++) {
    EXPECT_GT(seen[c], 450);
    EXPECT_LT(seen[c], 700);
  }
}

TEST(TableDraw, WalksFromTheLargestKey) {
  weighted_table table;
  table.insert(std::make_pair(1.0, std::vector<int>{1}));
  table.insert(std::make_pair(3.0, std::vector<int>{3}));
  table.insert(std::make_pair(6.0, std::vector<int>{6}));
  // Total 10: 6 covers u in (0, 0.6], 3 covers (0.6, 0.9], 1 the rest.
  ScriptedUniforms g({0.55, 0.6, 0.85, 0.95});
  Random::Set(g);
  EXPECT_EQ(rmultinom(&table, 10.0)->second[0], 6);
  EXPECT_EQ(rmultinom(&table, 10.0)->second[0], 6);
  EXPECT_EQ(rmultinom(&table, 10.0)->second[0], 3);
  EXPECT_EQ(rmultinom(&table, 10.0)->second[0], 1);
  // Keys adding up to less than the total: the last entry.
  ScriptedUniforms high({0.99});
  Random::Set(high);
  EXPECT_EQ(rmultinom(&table, 20.0)->second[0], 1);
  weighted_table empty;
  EXPECT_TRUE(rmultinom(&empty, 1.0) == empty.end());
}

TEST(Samp, IdentityPrefixAndDistinctDraws) {
  MT mt(0.5);
  Random::Set(mt);
  for (int rep = 0; rep < 50; rep++) {
    std::vector<int> out(6, -1);
    samp(10, 3, 6, &out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 2);
    std::set<int> drawn(out.begin() + 3, out.end());
    EXPECT_EQ(drawn.size(), 3u);
    for (int v : drawn) {
      EXPECT_GE(v, 3);
      EXPECT_LE(v, 9);
    }
  }
}

TEST(Samp, AllValuesGiveAPermutation) {
  MT mt(0.25);
  Random::Set(mt);
  std::vector<int> out(8, -1);
  samp(8, 2, 8, &out);
  std::vector<int> sorted(out);
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 8; i++) EXPECT_EQ(sorted[i], i);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 1);
}

TEST(Samp, MoreThanExistStopsAtTheEndOfTheSet) {
  ScriptedUniforms g({0.99, 0.01, 0.5});
  Random::Set(g);
  std::vector<int> out(8, -1);
  CaptureStdout log;
  samp(5, 2, 8, &out);
  EXPECT_EQ(log.text(), "need p >= M and p <= N in samp function\n");
  // 0.99 takes the last of {2, 3, 4}, 0.01 the first of {2, 3}, then 3.
  std::vector<int> want = {0, 1, 4, 2, 3, -1, -1, -1};
  EXPECT_EQ(out, want);
  EXPECT_EQ(g.draws(), 3u);
}

TEST(Samp, NeverWritesPastAShortOutput) {
  ScriptedUniforms g({0.5});
  Random::Set(g);
  std::vector<int> out(4, -1);
  samp(10, 2, 7, &out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 1);
  EXPECT_GE(out[2], 2);
  EXPECT_GE(out[3], 2);
  EXPECT_NE(out[2], out[3]);
  EXPECT_EQ(g.draws(), 2u);
}

TEST(Samp1, PairsInRandomOrder) {
  MT mt(0.5);
  Random::Set(mt);
  for (int rep = 0; rep < 30; rep++) {
    std::vector<int> out(9, -1);
    samp1(9, 1, 9, &out);
    EXPECT_EQ(out[0], 0);
    std::set<int> starts;
    for (int d = 0; d < 4; d++) {
      int e = out[1 + 2 * d];
      EXPECT_EQ(out[2 + 2 * d], e + 1);
      EXPECT_EQ(e % 2, 1);
      starts.insert(e);
    }
    EXPECT_EQ(starts, (std::set<int>{1, 3, 5, 7}));
  }
}

TEST(Samp1, OddRangeLeavesOneStartUndrawn) {
  ScriptedUniforms g({0.1});
  Random::Set(g);
  std::vector<int> out(7, -1);
  samp1(7, 2, 7, &out);  // starts 2, 4, 6; two pairs drawn
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(out[2], 2);
  EXPECT_EQ(out[3], 3);
  EXPECT_EQ(out[4], 4);
  EXPECT_EQ(out[5], 5);
  EXPECT_EQ(out[6], -1);
  EXPECT_EQ(g.draws(), 2u);
}

TEST(Samp1, StopsBeforeAPairThatDoesNotFit) {
  ScriptedUniforms g({0.9});
  Random::Set(g);
  std::vector<int> out(6, -1);
  {
    CaptureStdout log;
    samp1(9, 1, 6, &out);
    EXPECT_EQ(log.text(), "");
  }
  // The last start each time: 7, then 5; the third pair would need out[6].
  std::vector<int> want = {0, 7, 8, 5, 6, -1};
  EXPECT_EQ(out, want);
  EXPECT_EQ(g.draws(), 2u);

  CaptureStdout log;
  std::vector<int> small(3, -1);
  samp1(9, 1, 12, &small);
  EXPECT_EQ(log.text(), "need p >= M and p <= N in samp function\n");
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[2], small[1] + 1);
}

TEST(Dirichlet, BoundsAndSums) {
  MT mt(0.5);
  Random::Set(mt);
  double alpha2[2] = {0.3, 5.0};
  int k2 = 2;
  for (int rep = 0; rep < 300; rep++) {
    double out[2];
    rdirichlet(out, alpha2, &k2);
    for (double o : out) {
      EXPECT_GE(o, 0.01 / 1.02 - 1e-15);
      EXPECT_LE(o, 1.01 / 1.02 + 1e-15);
    }
    EXPECT_NEAR(out[0] + out[1], 1.0, 1e-14);
  }
  double alpha4[4] = {0.2, 1.0, 2.0, 10.0};
  int k4 = 4;
  double mean[4] = {0, 0, 0, 0};
  const int reps = 3000;
  for (int rep = 0; rep < reps; rep++) {
    double out[4];
    rdirichlet(out, alpha4, &k4);
    double sum = 0;
    for (int i = 0; i < 4; i++) {
      EXPECT_GE(out[i], 0.01 / 1.04 - 1e-15);
      sum += out[i];
      mean[i] += out[i] / reps;
    }
    EXPECT_NEAR(sum, 1.0, 1e-14);
  }
  // The mean of each component is (alpha_i / 13.2 + 0.01) / 1.04.
  for (int i = 0; i < 4; i++)
    EXPECT_NEAR(mean[i], (alpha4[i] / 13.2 + 0.01) / 1.04, 0.01);
}

// ---- Chi-square and Wishart draws ----------------------------------------

TEST(ChiSquareDraw, PositiveWithTheRightMean) {
  MT mt(0.5);
  Random::Set(mt);
  for (int df : {1, 2, 5}) {
    double sum = 0;
    const int reps = 4000;
    for (int i = 0; i < reps; i++) {
      double x = genchi(df);
      ASSERT_GT(x, 0.0);
      sum += x;
    }
    EXPECT_NEAR(sum / reps, df, 0.1 * df + 0.05);
  }
}

TEST(Wishart, OneByOneIsScaledChiSquare) {
  NEWMAT::SymmetricMatrix S(1), W(1);
  S(1, 1) = 2.5;
  for (bool inv : {false, true}) {
    MT first(0.5);
    Random::Set(first);
    double c = genchi(4);
    MT second(0.5);
    Random::Set(second);
    rwish(&W, 4, &S, inv);
    double want = inv ? 1 / (c / 2.5) : 2.5 * c;
    EXPECT_NEAR(W(1, 1), want, 1e-12 * want);
  }
}

TEST(Wishart, DrawsArePositiveDefiniteWithMeanNuS) {
  MT mt(0.5);
  Random::Set(mt);
  NEWMAT::SymmetricMatrix S = sym2(1.0, 0.4, 2.0);
  NEWMAT::SymmetricMatrix W(2);
  const int nu = 6, reps = 3000;
  double m11 = 0, m12 = 0, m22 = 0;
  for (int i = 0; i < reps; i++) {
    rwish(&W, nu, &S, false);
    ASSERT_GT(W(1, 1), 0.0);
    ASSERT_GT(W(1, 1) * W(2, 2) - W(2, 1) * W(2, 1), 0.0);
    m11 += W(1, 1) / reps;
    m12 += W(2, 1) / reps;
    m22 += W(2, 2) / reps;
  }
  EXPECT_NEAR(m11, nu * 1.0, 0.3);
  EXPECT_NEAR(m12, nu * 0.4, 0.3);
  EXPECT_NEAR(m22, nu * 2.0, 0.6);

  // Inverse draws: the mean is S / (nu - p - 1) = S / 3.
  double i11 = 0, i22 = 0;
  for (int i = 0; i < reps; i++) {
    rwish(&W, nu, &S, true);
    ASSERT_GT(W(1, 1) * W(2, 2) - W(2, 1) * W(2, 1), 0.0);
    i11 += W(1, 1) / reps;
    i22 += W(2, 2) / reps;
  }
  EXPECT_NEAR(i11, 1.0 / 3, 0.05);
  EXPECT_NEAR(i22, 2.0 / 3, 0.1);
}

}  // namespace
