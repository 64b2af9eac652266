// Genotype calls: class probabilities, the overrides, the arg-max tie rule,
// the counts, and the number and order of the uniforms drawn.
#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <vector>

#include "capture_stdout.h"
#include "data.h"
#include "mixture_fixture.h"
#include "samplers.h"
#include "scripted_rng.h"

namespace {

// Class probabilities of a point from Boost's univariate normals (the x
// marginal times the conditional of y), an oracle independent of the
// inverse-covariance form.
std::vector<double> oracle_probs(const data& d, int j, double x, double y) {
  std::vector<double> p(4);
  for (int k = 0; k < 4; k++) {
    double sxx = 100, syy = 100, sxy = 0, mx = 0.89, my = 0.89;
    if (k < 3) {
      const double s = d.sigma[j], v = d.varfrac[j];
      const double sx = (k == 2 ? v : 1.0) * s, sy = (k == 0 ? v : 1.0) * s;
      sxx = sx * sx;
      syy = sy * sy;
      sxy = d.r[j][k] * sx * sy;
      mx = d.mu[j][k][0];
      my = d.mu[j][k][1];
    }
    boost::math::normal_distribution<double> mx_dist(mx, std::sqrt(sxx));
    boost::math::normal_distribution<double> cond(my + sxy / sxx * (x - mx),
                                                  std::sqrt(syy - sxy * sxy / sxx));
    p[k] = d.lambda[j][k] * boost::math::pdf(mx_dist, x) * boost::math::pdf(cond, y);
  }
  const double s = p[0] + p[1] + p[2] + p[3];
  for (double& v : p) v /= s;
  return p;
}

// Points near each class of the fixture's clusters, and one far out.
std::vector<cohort_points> typical_cohorts() {
  return {{{1.45, 0.55}, {0.95, 1.25}, {0.55, 1.5}, {1.0, 1.2}, {3.0, -2.0}},
          {{0.6, 1.45}, {1.4, 0.5}, {1.0, 1.3}}};
}

}  // namespace

TEST(Rmultinom, WalksTheUniformDownTheProbabilities) {
  std::vector<double> p = {0.2, 0.3, 0.5, 0};
  ScriptedRNG rng({0.6, 0.1, 0.2, 0.999999});
  rng.install();
  EXPECT_EQ(rmultinom(&p), 3);
  EXPECT_EQ(rmultinom(&p), 1);
  EXPECT_EQ(rmultinom(&p), 1);  // exactly used up: the class it ends in
  // Probabilities summing to less than u: the last class.
  std::vector<double> short_p = {0.2, 0.3, 0.4, 0.0999};
  EXPECT_EQ(rmultinom(&short_p), 4);
  EXPECT_EQ(rng.count(), 4u);
}

TEST(UpdateCalls, ProbabilitiesMatchTheMixtureDensity) {
  data d;
  fill_model(&d, typical_cohorts());
  d.sampling = false;
  ScriptedRNG rng(std::vector<double>{});
  rng.install();
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 0u);
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < d.n_ind[j]; i++) {
      const std::vector<double>& pt = d.snps[0].points[j][i];
      const std::vector<double> want = oracle_probs(d, j, pt[0], pt[1]);
      for (int k = 0; k < 4; k++)
        EXPECT_NEAR(d.call_probs[j][i][k], want[k], 1e-8)
            << "cohort " << j << " individual " << i << " class " << k;
    }
  // Each point goes to the class it lies near; the far one is null.
  EXPECT_EQ(d.calls[0], (std::vector<int>{0, 1, 2, 1, 3}));
  EXPECT_EQ(d.calls[1], (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(d.counts[0], (std::vector<int>{1, 2, 1, 1}));
  EXPECT_EQ(d.counts[1], (std::vector<int>{1, 1, 1, 0}));
}

TEST(UpdateCalls, NoNullExcludesTheNullClass) {
  data d;
  fill_model(&d, typical_cohorts());
  d.sampling = false;
  d.nonull = true;
  d.update_calls(false);
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < d.n_ind[j]; i++) {
      EXPECT_EQ(d.call_probs[j][i][3], 0.0);
      EXPECT_NE(d.calls[j][i], 3);
    }
  EXPECT_EQ(d.counts[0][3], 0);
}

TEST(UpdateCalls, MaleHeterozygotesOverriddenOnX) {
  // Every point sits at the heterozygous mean.
  data d;
  fill_model(&d, {{{0, 0}, {0, 0}, {0, 0}}});
  for (int i = 0; i < 3; i++) d.snps[0].points[0][i] = d.mu[0][1];
  d.chrX = true;
  d.sex = {{1, 2, 0}};  // male, female, unknown
  d.sex_counts = {{1, 1, 1}};
  d.sampling = false;
  d.update_calls(false);
  EXPECT_EQ(d.call_probs[0][0][1], 0.0);
  EXPECT_NE(d.calls[0][0], 1);
  EXPECT_GT(d.call_probs[0][1][1], 0.9);
  EXPECT_GT(d.call_probs[0][2][1], 0.9);
  EXPECT_EQ(d.calls[0][1], 1);
  EXPECT_EQ(d.calls[0][2], 1);

  d.allow_male_hets = true;
  d.update_calls(false);
  EXPECT_EQ(d.calls[0], (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(d.call_probs[0][0], d.call_probs[0][1]);

  // update_call_probs applies the same override.
  d.allow_male_hets = false;
  d.update_call_probs();
  EXPECT_EQ(d.call_probs[0][0][1], 0.0);
  EXPECT_GT(d.call_probs[0][1][1], 0.9);
}

TEST(UpdateCalls, SexListNotMatchingTheCohortCountsAsUnknown) {
  // A sex list shorter than the cohort is never read past its end.
  data d;
  fill_model(&d, {{{0, 0}, {0, 0}, {0, 0}}});
  for (int i = 0; i < 3; i++) d.snps[0].points[0][i] = d.mu[0][1];
  d.chrX = true;
  d.sex = {{1}};
  d.sex_counts = {{0, 1, 0}};
  d.sampling = false;
  d.update_calls(false);
  EXPECT_EQ(d.calls[0], (std::vector<int>{1, 1, 1}));
}

TEST(UpdateCalls, TieGoesToTheLowerClass) {
  data d;
  fill_model(&d, {{{1.0, 1.0}, {1.0, 1.0}}});
  // Classes 1 and 2 identical and far ahead of 0 and the null class.
  d.varfrac[0] = 1;
  d.r[0] = {0.3, 0.3, 0.3};
  d.mu[0][1] = {1.0, 1.0};
  d.mu[0][2] = {1.0, 1.0};
  d.lambda[0] = {0.1, 0.4, 0.4, 0.1};
  d.sampling = false;
  d.update_calls(false);
  EXPECT_EQ(d.call_probs[0][0][1], d.call_probs[0][0][2]);
  EXPECT_EQ(d.calls[0], (std::vector<int>{1, 1}));
  // All four equal: class 0.
  d.mu[0][0] = {1.0, 1.0};
  d.lambda[0] = {0.25, 0.25, 0.25, 0.25};
  d.sigma[0] = 10;  // class 0..2 covariance 100 I, like the null class
  d.r[0] = {0, 0, 0};
  d.mu[0] = {{0.89, 0.89}, {0.89, 0.89}, {0.89, 0.89}};
  d.update_calls(false);
  EXPECT_EQ(d.call_probs[0][0][0], d.call_probs[0][0][3]);
  EXPECT_EQ(d.calls[0], (std::vector<int>{0, 0}));
}

namespace {

// Every class of cohort j gets the same cluster, so that each point's
// probabilities are the class proportions {0.3, 0.4, 0.25, 0.05} wherever it
// lies; a uniform u then picks class 0 below 0.3, 1 below 0.7, 2 below 0.95
// and 3 above.
void flatten_classes(data* d, int j) {
  d->sigma[j] = 10;
  d->varfrac[j] = 1;
  d->r[j] = {0, 0, 0};
  d->mu[j] = {{0.89, 0.89}, {0.89, 0.89}, {0.89, 0.89}};
  d->lambda[j] = {0.3, 0.4, 0.25, 0.05};
}

}  // namespace

TEST(UpdateCalls, SamplingDrawsOneUniformPerIndividualInOrder) {
  data d;
  fill_model(&d, typical_cohorts());
  flatten_classes(&d, 0);
  flatten_classes(&d, 1);
  d.sampling = true;
  const std::vector<double> script = {0.1, 0.5, 0.8, 0.97, 0.2, 0.96, 0.6, 0.05};
  ScriptedRNG rng(script);
  rng.install();
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 8u);
  EXPECT_EQ(d.calls[0], (std::vector<int>{0, 1, 2, 3, 0}));
  EXPECT_EQ(d.calls[1], (std::vector<int>{3, 1, 0}));
  EXPECT_EQ(d.counts[0], (std::vector<int>{2, 1, 1, 1}));
  EXPECT_EQ(d.counts[1], (std::vector<int>{1, 1, 0, 1}));
  for (int k = 0; k < 4; k++) EXPECT_NEAR(d.call_probs[1][2][k], d.lambda[1][k], 1e-12);

  // Maximising: no uniform at all, each individual in the most probable
  // class.
  rng.clear();
  d.sampling = false;
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 0u);
  EXPECT_EQ(d.calls[0], (std::vector<int>(5, 1)));
  EXPECT_EQ(d.counts[1], (std::vector<int>{0, 3, 0, 0}));
}

TEST(UpdateCalls, ClumpedDrawsOneUniformPerCellInKeyOrder) {
  data d;
  fill_model(&d, typical_cohorts());
  flatten_classes(&d, 0);
  flatten_classes(&d, 1);
  d.clumped = true;
  // Cells made out of order; the walk takes x keys ascending and, within
  // each, y keys ascending: (0.2, 0.1), (0.2, 0.9), (1.0, 0.2), (1.0, 0.5).
  add_cell(&d, 0, 1.0, 0.5, 2);
  add_cell(&d, 0, 0.2, 0.9, 1);
  add_cell(&d, 0, 0.2, 0.1, 7);
  add_cell(&d, 0, 1.0, 0.2, 3);
  add_cell(&d, 1, 0.4, 0.4, 2);
  add_cell(&d, 1, 0.3, 0.6, 1);
  d.sampling = true;
  ScriptedRNG rng({0.5, 0.97, 0.1, 0.8, 0.2, 0.9});
  rng.install();
  const ivec2 calls_before = d.calls;
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 6u);
  grid& g0 = d.snps[0].clumps[0];
  EXPECT_EQ(g0[0.2][0.1].call, 1);
  EXPECT_EQ(g0[0.2][0.9].call, 3);
  EXPECT_EQ(g0[1.0][0.2].call, 0);
  EXPECT_EQ(g0[1.0][0.5].call, 2);
  grid& g1 = d.snps[0].clumps[1];
  EXPECT_EQ(g1[0.3][0.6].call, 0);
  EXPECT_EQ(g1[0.4][0.4].call, 2);
  // Counts weigh each cell by its individuals: 7 into class 1.
  EXPECT_EQ(d.counts[0], (std::vector<int>{3, 7, 2, 1}));
  EXPECT_EQ(d.counts[1], (std::vector<int>{1, 0, 2, 0}));
  for (int k = 0; k < 4; k++) EXPECT_NEAR(g0[1.0][0.5].probs[k], d.lambda[0][k], 1e-12);
  // The individual calls are left for the declumping.
  EXPECT_EQ(d.calls, calls_before);

  rng.clear();
  d.sampling = false;
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 0u);
  EXPECT_EQ(g0[0.2][0.1].call, 1);
  EXPECT_EQ(d.counts[0], (std::vector<int>{0, 13, 0, 0}));
}

TEST(UpdateCalls, ClumpedCellIsCalledAtItsIndividualsMean) {
  // Both cells' keys (lower corners) lie at the heterozygous mean; their
  // individuals' means lie at the two homozygous means.
  data d;
  fill_model(&d, {{{0, 0}}});
  d.clumped = true;
  d.sampling = false;
  const vec2 mu = d.mu[0];
  add_cell(&d, 0, mu[1][0], mu[1][1], 3, mu[0][0], mu[0][1]);
  add_cell(&d, 0, mu[1][0], mu[1][1] + 0.01, 2, mu[2][0], mu[2][1]);
  d.update_calls(false);
  EXPECT_EQ(d.counts[0], (std::vector<int>{3, 0, 2, 0}));
}

TEST(UpdateCalls, CountsSumToTheCohortSizes) {
  data d;
  fill_model(&d, typical_cohorts());
  ScriptedRNG rng(pass_through_mt, 0.12345);
  rng.install();
  d.sampling = true;
  for (int round = 0; round < 5; round++) {
    d.update_calls(false);
    for (int j = 0; j < 2; j++) {
      int total = 0;
      for (int k = 0; k < 4; k++) total += d.counts[j][k];
      EXPECT_EQ(total, d.n_ind[j]);
      for (int i = 0; i < d.n_ind[j]; i++) {
        const std::vector<double>& p = d.call_probs[j][i];
        EXPECT_NEAR(p[0] + p[1] + p[2] + p[3], 1.0, 1e-12);
      }
    }
  }
  EXPECT_EQ(rng.count(), 5u * 8u);
}

TEST(UpdateCalls, NamesTracePrintsOncePerCall) {
  data d;
  fill_model(&d, typical_cohorts());
  d.sampling = false;
  d.names = true;
  CaptureStdout out;
  d.update_calls(false);
  EXPECT_EQ(out.text(), "update_calls()\n");
}

TEST(UpdateCallProbs, ScoresIndividualsWithoutDrawingOrCalling) {
  data d;
  fill_model(&d, typical_cohorts());
  d.clumped = true;  // the individual points all the same
  d.sampling = true;
  d.calls[0] = {4, 4, 4, 4, 4};
  d.counts[0] = {9, 9, 9, 9};
  ScriptedRNG rng(std::vector<double>{});
  rng.install();
  CaptureStdout out;
  d.names = true;
  d.update_call_probs();
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(rng.count(), 0u);
  EXPECT_EQ(d.calls[0], (std::vector<int>(5, 4)));
  EXPECT_EQ(d.counts[0], (std::vector<int>(4, 9)));
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < d.n_ind[j]; i++) {
      const std::vector<double>& pt = d.snps[0].points[j][i];
      const std::vector<double> want = oracle_probs(d, j, pt[0], pt[1]);
      for (int k = 0; k < 4; k++) EXPECT_NEAR(d.call_probs[j][i][k], want[k], 1e-8);
    }
}

TEST(UpdateCalls, ClumpedXModeTakesNoCellAsMale) {
  // Every individual is male, but a grid cell may stand for either sex:
  // no cell gets the male-heterozygote override, while the individual
  // scoring of update_call_probs still does.
  data d;
  fill_model(&d, {{{0, 0}, {0, 0}}});
  for (int i = 0; i < 2; i++) d.snps[0].points[0][i] = d.mu[0][1];
  d.chrX = true;
  d.sex = {{1, 1}};
  d.sex_counts = {{0, 2, 0}};
  d.clumped = true;
  add_cell(&d, 0, d.mu[0][1][0], d.mu[0][1][1], 2);
  d.sampling = false;
  d.update_calls(false);
  const point& cell = d.snps[0].clumps[0].begin()->second.begin()->second;
  EXPECT_EQ(cell.call, 1);
  EXPECT_GT(cell.probs[1], 0.9);
  EXPECT_EQ(d.counts[0], (std::vector<int>{0, 2, 0, 0}));

  d.update_call_probs();
  for (int i = 0; i < 2; i++) EXPECT_EQ(d.call_probs[0][i][1], 0.0);
}

TEST(UpdateCalls, NonPositiveUniformCallsTheFirstClass) {
  // The installed generators never give u <= 0; should one, the call falls
  // into class 0 and is counted there, never outside the classes.
  data d;
  fill_model(&d, {{{1.0, 1.0}}});
  d.sampling = true;
  ScriptedRNG rng({0.0});
  rng.install();
  d.update_calls(false);
  EXPECT_EQ(rng.count(), 1u);
  EXPECT_EQ(d.calls[0], (std::vector<int>{0}));
  EXPECT_EQ(d.counts[0], (std::vector<int>{1, 0, 0, 0}));
}
