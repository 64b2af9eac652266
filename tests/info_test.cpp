// The two information measures on hand-built geometry, against an
// independent projection by vectors.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"

namespace {

// Offsets that spread a cluster around its mean.
const std::vector<std::vector<double> > kSpread = {
    {0.01, -0.02}, {-0.03, 0.01}, {0.02, 0.03},  {-0.01, -0.015},
    {0.04, 0.0},   {0.0, -0.035}, {-0.025, 0.02}};

// The projection of p on the line from a to b, as a signed distance from a.
double projection(const vec& a, const vec& b, const vec& p) {
  const double ux = b[0] - a[0], uy = b[1] - a[1];
  return ((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / std::hypot(ux, uy);
}

double mean(const vec& v) {
  double s = 0;
  for (double t : v) s += t;
  return s / v.size();
}

double variance(const vec& v, double about) {
  double s = 0;
  for (double t : v) s += (t - about) * (t - about);
  return s / (v.size() - 1);
}

// The positions, along the line from mean k to mean k + 1, of the members
// called k (A) and k + 1 (B).
void project_pair(const data& d, int j, int k, vec& A, vec& B) {
  const vec& a = d.mu[j][k];
  const vec& b = d.mu[j][k + 1];
  for (int i = 0; i < d.n_ind[j]; i++) {
    const double t = projection(a, b, d.snps[0].points[j][i]);
    if (d.calls[j][i] == k) A.push_back(t);
    if (d.calls[j][i] == k + 1) B.push_back(t);
  }
}

// The first measure's score of the pair (k, k + 1) from its own positions.
double oracle1(const data& d, int j, int k) {
  vec A, B;
  project_pair(d, j, k, A, B);
  if (A.size() < 2 || B.size() < 2) return -1;
  const double mA = mean(A), mB = mean(B);
  return (mA - mB) * (mA - mB) / (variance(A, mA) + variance(B, mB));
}

// The second measure's score of the pair (k, k + 1).
double oracle2(const data& d, int j, int k) {
  const vec& a = d.mu[j][k];
  const vec& b = d.mu[j][k + 1];
  vec A, B;
  project_pair(d, j, k, A, B);
  const double tb = std::hypot(b[0] - a[0], b[1] - a[1]);
  double vA = A.size() >= 2 ? variance(A, 0.0) : 0;
  double vB = B.size() >= 2 ? variance(B, tb) : 0;
  if (vA == 0) vA = vB;
  if (vB == 0) vB = vA;
  if (vA == 0) return -1;
  return tb * tb / (vA + vB);
}

// A model with cohorts whose class means are given; `members[k]` individuals
// of class k sit around mean k (class 3 around (0.9, 0.9)).
class Geometry {
 public:
  explicit Geometry(int cohorts) {
    d.n_cohorts = cohorts;
    d.current_snp = 0;
    d.snps.assign(1, snp());
    d.snps[0].points.assign(cohorts, vec2());
    d.n_ind.assign(cohorts, 0);
    d.calls.assign(cohorts, std::vector<int>());
    d.mu.assign(cohorts, vec2(3, vec(2, 0.0)));
  }
  void cohort(int j, const vec2& means, const std::vector<int>& members) {
    d.mu[j] = means;
    for (int k = 0; k < 4; k++) {
      const vec centre = k < 3 ? means[k] : vec{0.9, 0.9};
      for (int n = 0; n < members[k]; n++) {
        const vec& o = kSpread[n % kSpread.size()];
        const double stretch = 1 + n / kSpread.size();
        d.snps[0].points[j].push_back(
            {centre[0] + stretch * o[0], centre[1] + stretch * o[1]});
        d.calls[j].push_back(k);
      }
    }
    d.n_ind[j] = static_cast<int>(d.calls[j].size());
  }
  data d;
};

// Runs a measure and reads back its printed line "name(j) : s1 s2 result".
struct Measure {
  double result, s1, s2;
  std::string line;
  std::string printed1, printed2, printed_result;  // the printed numbers
};
Measure run(data& d, int which, int j) {
  CaptureStdout out(kRunPrecision);
  Measure m;
  m.result = which == 1 ? d.info_calc1(j) : d.info_calc2(j);
  m.line = out.text();
  std::istringstream in(m.line.substr(m.line.find(" : ") + 3));
  in >> m.printed1 >> m.printed2 >> m.printed_result;
  m.s1 = std::stod(m.printed1);
  m.s2 = std::stod(m.printed2);
  return m;
}

// Expects the measure's two printed scores to be s1 and s2 and its result
// the smaller of them.
void expect_scores(const Measure& m, double s1, double s2) {
  EXPECT_NEAR(m.s1, s1, 1e-8 * s1) << m.line;
  EXPECT_NEAR(m.s2, s2, 1e-8 * s2) << m.line;
  EXPECT_NEAR(m.result, std::min(s1, s2), 1e-8 * s1) << m.line;
}

// Runs measure `which` (1 or 2) on cohort j, expecting the scores of the
// projection by vectors.
Measure run_against_projection(data& d, int which, int j) {
  const Measure m = run(d, which, j);
  const auto oracle = which == 1 ? oracle1 : oracle2;
  expect_scores(m, oracle(d, j, 0), oracle(d, j, 1));
  return m;
}

const vec2 kSlanted = {{2.0, 0.5}, {1.2, 1.1}, {0.4, 1.9}};

}  // namespace

TEST(InfoCalc1, MatchesTheVectorProjection) {
  Geometry g(2);
  g.cohort(0, {{1, 0.2}, {0.8, 0.8}, {0.2, 1}}, {5, 5, 5, 1});
  g.cohort(1, kSlanted, {7, 9, 6, 2});
  const Measure m = run_against_projection(g.d, 1, 1);
  EXPECT_EQ(m.line.substr(0, 15), "info_calc1(1) :");
}

TEST(InfoCalc2, MatchesTheVectorProjection) {
  Geometry g(1);
  g.cohort(0, kSlanted, {7, 9, 6, 2});
  const Measure m = run_against_projection(g.d, 2, 0);
  EXPECT_EQ(m.line.substr(0, 15), "info_calc2(0) :");
}

TEST(InfoCalc2, LoneIndividualBorrowsTheOtherVariance) {
  Geometry g(1);
  g.cohort(0, kSlanted, {1, 7, 0, 0});
  const Measure m = run(g.d, 2, 0);
  // vA is 0, so the denominator of pass (0, 1) is twice vB.
  vec B;
  for (int i = 1; i < 8; i++)
    B.push_back(projection(kSlanted[0], kSlanted[1], g.d.snps[0].points[0][i]));
  const double tb =
      std::hypot(kSlanted[1][0] - kSlanted[0][0], kSlanted[1][1] - kSlanted[0][1]);
  const double expected = tb * tb / (2 * variance(B, tb));
  EXPECT_NEAR(m.s1, expected, 1e-8 * expected);
  // Pass (1, 2): the class-1 spread is borrowed by the empty class 2.
  EXPECT_GT(m.s2, 0);
}

TEST(InfoMeasures, OneClusterScoresMinusOne) {
  // Every individual called 1: each pass sees one class only, since every
  // pass starts from empty lists.
  Geometry g(1);
  g.cohort(0, kSlanted, {0, 9, 0, 0});
  const Measure m1 = run(g.d, 1, 0);
  EXPECT_EQ(m1.line, "info_calc1(0) : -1 -1 -1\n");
  EXPECT_EQ(m1.result, -1);
}

TEST(InfoMeasures, AllNullScoresMinusOne) {
  Geometry g(1);
  g.cohort(0, kSlanted, {0, 0, 0, 8});
  EXPECT_EQ(run(g.d, 1, 0).line, "info_calc1(0) : -1 -1 -1\n");
  const Measure m2 = run(g.d, 2, 0);
  EXPECT_EQ(m2.line, "info_calc2(0) : -1 -1 -1\n");
  EXPECT_EQ(m2.result, -1);
}

TEST(InfoMeasures, SecondPassIgnoresTheFirstPairsIndividuals) {
  // Classes 0 and 1 only: pass (1, 2) has no class-2 individual, so it
  // cannot be scored; the result is the first pass's score.
  Geometry g(1);
  g.cohort(0, kSlanted, {6, 6, 0, 0});
  const Measure m = run(g.d, 1, 0);
  EXPECT_EQ(m.s2, -1);
  EXPECT_GT(m.s1, 0);
  EXPECT_EQ(m.printed_result, m.printed1);
}

TEST(InfoMeasures, ResultIsTheSmallerPositiveScore) {
  // A tight first pair and a loose second pair, then the other way round.
  Geometry g(2);
  g.cohort(0, {{3.0, 0.2}, {1.2, 1.1}, {0.9, 1.5}}, {7, 7, 7, 0});
  g.cohort(1, {{1.6, 0.8}, {1.2, 1.1}, {-0.6, 3.0}}, {7, 7, 7, 0});
  const Measure a = run(g.d, 1, 0);
  EXPECT_GT(a.s1, a.s2);
  EXPECT_GT(a.s2, 0);
  EXPECT_EQ(a.printed_result, a.printed2);
  const Measure b = run(g.d, 1, 1);
  EXPECT_LT(b.s1, b.s2);
  EXPECT_GT(b.s1, 0);
  EXPECT_EQ(b.printed_result, b.printed1);
}

TEST(InfoMeasures, AxisParallelPairsHaveFiniteScores) {
  // Classes 0 and 1 share their y coordinate, classes 1 and 2 their x.
  Geometry g(1);
  const vec2 means = {{2.0, 1.0}, {1.0, 1.0}, {1.0, 2.0}};
  g.cohort(0, means, {7, 7, 7, 1});
  for (int which = 1; which <= 2; which++) {
    const Measure m = run_against_projection(g.d, which, 0);
    EXPECT_TRUE(std::isfinite(m.s1) && std::isfinite(m.s2)) << m.line;
  }
}

TEST(InfoMeasures, KnownFiguresOnTheDiagonal) {
  // Means on the line y = x at distance sqrt(2) apart. Along the line, class
  // 0 sits at 0.1 and 0.3 (in units of sqrt(2)), class 1 at 0.9 and 1.1,
  // class 2 at 1.8 and 2.2; offsets across the line do not move the
  // positions. Hand figures: pass (0, 1) of the first measure 1.28 / 0.08 =
  // 16, pass (1, 2) 2 / (0.04 + 0.16) = 10; the second measure's pass (0, 1)
  // spreads class 0 about its model mean: 2 / (0.2 + 0.04) = 8.333...
  Geometry g(1);
  g.d.mu[0] = {{0, 0}, {1, 1}, {2, 2}};
  g.d.snps[0].points[0] = {{0.15, 0.05}, {0.3, 0.3}, {0.9, 0.9}, {1.05, 1.15},
                           {1.8, 1.8},   {2.2, 2.2}, {5.0, -3.0}};
  g.d.calls[0] = {0, 0, 1, 1, 2, 2, 3};
  g.d.n_ind[0] = 7;
  const Measure m1 = run(g.d, 1, 0);
  EXPECT_EQ(m1.line, "info_calc1(0) : 16 10 10\n");
  EXPECT_NEAR(m1.result, 10, 1e-12);
  const Measure m2 = run(g.d, 2, 0);
  EXPECT_EQ(m2.line, "info_calc2(0) : 8.333333333 10 8.333333333\n");
  EXPECT_NEAR(m2.result, 25.0 / 3, 1e-12);
}
