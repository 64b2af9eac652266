// Cluster geometry: genotype proportions, class clusters, class means from
// the line parameters and back, and the class log-likelihood.
#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <string>

#include "capture_stdout.h"
#include "data.h"
#include "mixture_fixture.h"

namespace {

// Log density of a bivariate normal written as the x marginal times the
// conditional of y given x, from Boost's univariate normal: an oracle that
// shares no code path with the inverse-covariance form.
double bivariate_log_density(double x, double y, double mx, double my, double sxx,
                             double syy, double sxy) {
  boost::math::normal_distribution<double> marginal(mx, std::sqrt(sxx));
  const double cond_mean = my + sxy / sxx * (x - mx);
  const double cond_var = syy - sxy * sxy / sxx;
  boost::math::normal_distribution<double> conditional(cond_mean, std::sqrt(cond_var));
  return std::log(boost::math::pdf(marginal, x)) +
         std::log(boost::math::pdf(conditional, y));
}

// The covariance of class k of cohort j from its definition.
void class_covariance(const data& d, int j, int k, double* sxx, double* syy,
                      double* sxy) {
  const double s = d.sigma[j], v = d.varfrac[j], rho = d.r[j][k];
  const double sx = (k == 2 ? v : 1.0) * s;
  const double sy = (k == 0 ? v : 1.0) * s;
  *sxx = sx * sx;
  *syy = sy * sy;
  *sxy = rho * sx * sy;
}

}  // namespace

TEST(GenoProp, HardyWeinbergOutsideXMode) {
  data d;
  d.chrX = false;
  EXPECT_NEAR(d.geno_prop(0, 0, 0.3), 0.09, 1e-15);
  EXPECT_NEAR(d.geno_prop(0, 1, 0.3), 0.42, 1e-15);
  EXPECT_NEAR(d.geno_prop(0, 2, 0.3), 0.49, 1e-15);
  for (double a : {0.0, 0.01, 0.5, 0.77, 1.0})
    EXPECT_NEAR(d.geno_prop(0, 0, a) + d.geno_prop(0, 1, a) + d.geno_prop(0, 2, a), 1.0,
                1e-15);
}

TEST(GenoProp, XModeMixesMalesAndFemales) {
  data d;
  d.chrX = true;
  d.n_cohorts = 2;
  // Individuals of unknown sex (entry 0) do not count.
  d.sex_counts = {{3, 1, 1}, {7, 10, 30}};
  EXPECT_NEAR(d.geno_prop(1, 0, 0.3), 0.1425, 1e-15);
  EXPECT_NEAR(d.geno_prop(1, 1, 0.3), 0.315, 1e-15);
  EXPECT_NEAR(d.geno_prop(1, 2, 0.3), 0.5425, 1e-15);
  EXPECT_NEAR(d.geno_prop(1, 0, 0.3) + d.geno_prop(1, 1, 0.3) + d.geno_prop(1, 2, 0.3),
              1.0, 1e-15);
  // Half men, half women.
  EXPECT_NEAR(d.geno_prop(0, 1, 0.3), 0.21, 1e-15);
}

TEST(GenoProp, XModeWithoutWomenHasNoHeterozygotes) {
  data d;
  d.chrX = true;
  d.n_cohorts = 1;
  d.sex_counts = {{2, 12, 0}};
  EXPECT_EQ(d.geno_prop(0, 1, 0.3), 0.0);
  EXPECT_NEAR(d.geno_prop(0, 0, 0.3), 0.3, 1e-15);
  EXPECT_NEAR(d.geno_prop(0, 2, 0.3), 0.7, 1e-15);
}

TEST(GenoProp, XModeWithoutKnownSexIsFiniteHardyWeinberg) {
  data d;
  d.chrX = true;
  d.n_cohorts = 1;
  d.sex_counts = {{9, 0, 0}};
  EXPECT_NEAR(d.geno_prop(0, 0, 0.3), 0.09, 1e-15);
  EXPECT_NEAR(d.geno_prop(0, 1, 0.3), 0.42, 1e-15);
  EXPECT_NEAR(d.geno_prop(0, 2, 0.3), 0.49, 1e-15);
}

TEST(CalcCluster, NullClassIsFixed) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.sigma[0] = 7;
  d.r[0] = {0.9, 0.9, 0.9};
  double cl[6];
  d.calc_cluster(0, 3, cl);
  EXPECT_DOUBLE_EQ(cl[0], 10000);
  EXPECT_DOUBLE_EQ(cl[1], 0.01);
  EXPECT_EQ(cl[2], 0.0);
  EXPECT_DOUBLE_EQ(cl[3], 0.01);
  EXPECT_DOUBLE_EQ(cl[4], 0.89);
  EXPECT_DOUBLE_EQ(cl[5], 0.89);
}

TEST(CalcCluster, HeterozygoteWithUnitScale) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.sigma[0] = 1;
  d.r[0][1] = 0.5;
  double cl[6];
  d.calc_cluster(0, 1, cl);
  EXPECT_DOUBLE_EQ(cl[0], 0.75);
  EXPECT_DOUBLE_EQ(cl[1], 1 / 0.75);
  EXPECT_DOUBLE_EQ(cl[2], -0.5 / 0.75);
  EXPECT_DOUBLE_EQ(cl[3], 1 / 0.75);
  EXPECT_EQ(cl[4], d.mu[0][1][0]);
  EXPECT_EQ(cl[5], d.mu[0][1][1]);
}

TEST(CalcCluster, InverseCovarianceOfEveryGenotypeClass) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.sigma[0] = 0.3;
  d.varfrac[0] = 0.4;
  d.r[0] = {-0.3, 0.7, 0.2};
  for (int k = 0; k < 3; k++) {
    double cl[6];
    d.calc_cluster(0, k, cl);
    double sxx, syy, sxy;
    class_covariance(d, 0, k, &sxx, &syy, &sxy);
    const double rho = d.r[0][k];
    const double s4 = std::pow(0.3, 4);
    const double expected_det = (k == 1 ? 1.0 : 0.16) * s4 * (1 - rho * rho);
    EXPECT_NEAR(cl[0], expected_det, 1e-15) << "class " << k;
    // Covariance times its inverse is the identity.
    EXPECT_NEAR(sxx * cl[1] + sxy * cl[2], 1.0, 1e-12);
    EXPECT_NEAR(sxx * cl[2] + sxy * cl[3], 0.0, 1e-12);
    EXPECT_NEAR(sxy * cl[1] + syy * cl[2], 0.0, 1e-12);
    EXPECT_NEAR(sxy * cl[2] + syy * cl[3], 1.0, 1e-12);
    EXPECT_EQ(cl[4], d.mu[0][k][0]);
    EXPECT_EQ(cl[5], d.mu[0][k][1]);
  }
}

TEST(LineGeometry, WorkedExampleAndBack) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.center[0] = {1, 1};
  d.gradient[0] = 1;
  d.length[0] = std::sqrt(2.0);
  d.fraction[0] = 0.5;
  d.departure[0] = 0.5;
  d.set_mu_from_params(0);
  EXPECT_NEAR(d.mu[0][0][0], 1.5, 1e-15);
  EXPECT_NEAR(d.mu[0][0][1], 0.5, 1e-15);
  EXPECT_NEAR(d.mu[0][2][0], 0.5, 1e-15);
  EXPECT_NEAR(d.mu[0][2][1], 1.5, 1e-15);
  EXPECT_NEAR(d.mu[0][1][0], 1.25, 1e-15);
  EXPECT_NEAR(d.mu[0][1][1], 1.25, 1e-15);

  d.set_params_from_mu(0);
  EXPECT_NEAR(d.length[0], std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(d.gradient[0], 1, 1e-15);
  EXPECT_NEAR(d.fraction[0], 0.5, 1e-15);
  EXPECT_NEAR(d.center[0][0], 1, 1e-15);
  EXPECT_NEAR(d.center[0][1], 1, 1e-15);
  // The 0.001 offset of the inverse.
  EXPECT_NEAR(d.departure[0], 0.502, 1e-14);
}

TEST(LineGeometry, MeansLieOnTheSegmentAndRoundTrip) {
  struct line {
    double cx, cy, g, L, f, dep;
  };
  for (const line& p :
       {line{0.9, 0.7, 0.8, 1.2, 0.4, 0.3}, line{1.3, 0.2, 2.5, 0.9, 0.7, 0.6},
        line{0.5, 1.5, 0.3, 2.0, 0.2, 0.1}}) {
    data d;
    fill_model(&d, {{{1, 1}}});
    d.center[0] = {p.cx, p.cy};
    d.gradient[0] = p.g;
    d.length[0] = p.L;
    d.fraction[0] = p.f;
    d.departure[0] = p.dep;
    d.set_mu_from_params(0);
    const vec2 m = d.mu[0];

    // Homozygous means: length L, slope -g, midpoint the centre.
    EXPECT_NEAR(std::hypot(m[0][0] - m[2][0], m[0][1] - m[2][1]), p.L, 1e-12);
    EXPECT_NEAR((m[0][1] - m[2][1]) / (m[0][0] - m[2][0]), -p.g, 1e-12);
    EXPECT_NEAR((m[0][0] + m[2][0]) / 2, p.cx, 1e-12);
    EXPECT_NEAR((m[0][1] + m[2][1]) / 2, p.cy, 1e-12);
    // The heterozygous mean lies above the segment, off the point at
    // fraction f along the perpendicular direction (g, 1), and stays within
    // the box of the two homozygous means.
    const double px = m[2][0] + p.f * (m[0][0] - m[2][0]);
    const double py = m[2][1] + p.f * (m[0][1] - m[2][1]);
    const double ox = m[1][0] - px, oy = m[1][1] - py;
    EXPECT_NEAR(ox * 1 + oy * -p.g, 0.0, 1e-12);
    EXPECT_GT(oy, 0.0);
    EXPECT_LE(m[1][0], m[0][0]);
    EXPECT_LE(m[1][1], m[2][1]);

    CaptureStdout out;
    d.set_params_from_mu(0);
    EXPECT_EQ(out.text(), "");
    EXPECT_NEAR(d.length[0], p.L, 1e-12);
    EXPECT_NEAR(d.gradient[0], p.g, 1e-12);
    EXPECT_NEAR(d.fraction[0], p.f, 1e-12);
    EXPECT_NEAR(d.center[0][0], p.cx, 1e-12);
    EXPECT_NEAR(d.center[0][1], p.cy, 1e-12);
    // Departure comes back up to the 0.001 offset.
    EXPECT_GT(d.departure[0], p.dep);
    EXPECT_LT(d.departure[0], p.dep + 0.02);
  }
}

TEST(LineGeometry, ZeroGradientPutsTheHeterozygoteOnTheSegment) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.center[0] = {1, 0.5};
  d.gradient[0] = 0;
  d.length[0] = 1;
  d.fraction[0] = 0.3;
  d.departure[0] = 0.8;
  d.set_mu_from_params(0);
  EXPECT_EQ(d.mu[0][1][1], 0.5);
  EXPECT_NEAR(d.mu[0][1][0], 0.8, 1e-15);
}

TEST(LineGeometry, DiagnosticsLeaveTheValuesInPlace) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.center[0] = {1, 1};
  d.gradient[0] = 1;
  d.length[0] = std::sqrt(2.0);
  d.fraction[0] = 0.5;
  d.departure[0] = 3;  // pushes the heterozygote past the x of mu0
  {
    CaptureStdout out;
    d.set_mu_from_params(0);
    EXPECT_EQ(out.text(),
              "mu[j][1][0] > mu[j][0][0] in set_mu_from_params\n3\n1.5\n0.5\n"
              "2.5\n2.5\n0.5\n1.5\n");
  }
  EXPECT_NEAR(d.mu[0][1][0], 2.5, 1e-15);

  d.mu[0][1] = {1.25, 1.8};  // above the height of mu2
  CaptureStdout out;
  d.set_params_from_mu(0);
  EXPECT_EQ(out.text().substr(0, out.text().find('\n') + 1),
            "departure[j] > 1 in set_params_from_mu 0\n");
  EXPECT_GT(d.departure[0], 1);
}

TEST(ClassLikelihood, SumsTheLogDensitiesOfTheCalledPoints) {
  data d;
  fill_model(&d, {{{0.5, 1.4}, {1.2, 1.1}, {1.4, 0.6}, {0.9, 0.95}, {0.2, 0.1}},
                  {{1.6, 0.4}, {0.8, 1.3}}});
  d.calls[0] = {2, 1, 0, 1, 3};
  d.calls[1] = {0, 2};
  for (int j = 0; j < 2; j++) {
    for (int k = 0; k < 4; k++) {
      double expected = 0;
      for (int i = 0; i < d.n_ind[j]; i++) {
        if (d.calls[j][i] != k) continue;
        const std::vector<double>& pt = d.snps[0].points[j][i];
        double sxx = 100, syy = 100, sxy = 0, mx = 0.89, my = 0.89;
        if (k < 3) {
          class_covariance(d, j, k, &sxx, &syy, &sxy);
          mx = d.mu[j][k][0];
          my = d.mu[j][k][1];
        }
        expected += bivariate_log_density(pt[0], pt[1], mx, my, sxx, syy, sxy);
      }
      const double got = d.log_posterior_X_given_K(k, j);
      if (expected == 0)
        EXPECT_EQ(got, 0.0) << "cohort " << j << " class " << k;
      else
        EXPECT_NEAR(got, expected, 1e-8 * std::fabs(expected) + 1e-8)
            << "cohort " << j << " class " << k;
    }
  }
  // No point called into class 1 of the second cohort: exactly 0.
  EXPECT_EQ(d.log_posterior_X_given_K(1, 1), 0.0);
}

TEST(ClassLikelihood, ClumpedCellsWeighTheirIndividuals) {
  // Cells at (0.5, 1.4) x 3, (1.2, 1.1) x 1, (1.4, 0.6) x 2 and an
  // individual list holding the same points one by one.
  data single;
  fill_model(&single,
             {{{0.5, 1.4}, {0.5, 1.4}, {0.5, 1.4}, {1.2, 1.1}, {1.4, 0.6}, {1.4, 0.6}}});
  single.calls[0] = {1, 1, 1, 1, 0, 0};

  data clumped;
  fill_model(&clumped, {{{0, 0}}});
  clumped.clumped = true;
  add_cell(&clumped, 0, 1.4, 0.6, 2);
  add_cell(&clumped, 0, 0.5, 1.4, 3);
  add_cell(&clumped, 0, 1.2, 1.1, 1);
  grid& g = clumped.snps[0].clumps[0];
  g[0.5][1.4].call = 1;
  g[1.2][1.1].call = 1;
  g[1.4][0.6].call = 0;

  for (int k = 0; k < 4; k++) {
    const double a = single.log_posterior_X_given_K(k, 0);
    const double b = clumped.log_posterior_X_given_K(k, 0);
    EXPECT_NEAR(a, b, 1e-12 * std::fabs(a)) << "class " << k;
  }
  EXPECT_EQ(clumped.log_posterior_X_given_K(2, 0), 0.0);
  EXPECT_EQ(clumped.log_posterior_X_given_K(3, 0), 0.0);

  // A single cell of count 7 is seven times one individual at its
  // individuals' mean, not at its keys (its lower corner).
  data one;
  fill_model(&one, {{{1.2, 1.1}}});
  one.calls[0] = {1};
  data seven;
  fill_model(&seven, {{{0, 0}}});
  seven.clumped = true;
  add_cell(&seven, 0, 1.0, 0.9, 7, 1.2, 1.1);
  seven.snps[0].clumps[0][1.0][0.9].call = 1;
  EXPECT_NEAR(seven.log_posterior_X_given_K(1, 0), 7 * one.log_posterior_X_given_K(1, 0),
              1e-12);

  // A grid built from spread points, every individual called as its cell:
  // the cells' sums are those of the individuals, which holds for every
  // class's covariance only if each cell keeps its members' count, mean and
  // spread right.
  cohort_points spread;
  for (int i = 0; i < 300; i++)
    spread.push_back({1.0 + 0.6 * std::sin(i * 1.3), 1.0 + 0.5 * std::cos(i * 0.7)});
  data d;
  fill_model(&d, {spread});
  d.grid_cells = 4;
  snp& s = d.snps[0];
  {
    CaptureStdout quiet;
    d.calc_range(s);
    d.clump_data(s);
  }
  int tag = 0;
  for (auto& column : s.clumps[0])
    for (auto& cell : column.second) cell.second.call = tag++ % 4;
  d.copy_cell_calls(s);
  for (int k = 0; k < 4; k++) {
    d.clumped = false;
    const double a = d.log_posterior_X_given_K(k, 0);
    d.clumped = true;
    const double b = d.log_posterior_X_given_K(k, 0);
    EXPECT_NEAR(a, b, 1e-12 * std::fabs(a)) << "class " << k;
  }
}

TEST(ClassLikelihood, NamesTracePrintsItsName) {
  data d;
  fill_model(&d, {{{1, 1}}});
  d.calls[0] = {1};
  d.names = true;
  CaptureStdout out;
  d.log_posterior_X_given_K(1, 0);
  EXPECT_EQ(out.text(), "log_posterior_X_given_K()\n");
}

TEST(ClassLikelihood, KeptSumsAreTheSumsOfAFreshPass) {
  // Two models go through the same moves of the clusters, one keeping its
  // class sums and one not: every sum agrees to the bit, also when a move
  // is undone and when a third value has pushed the first one out. The two
  // cohorts start with the same clusters but different members.
  const std::vector<cohort_points> points = {
      {{0.5, 1.4}, {1.2, 1.1}, {1.4, 0.6}, {0.9, 0.95}, {0.2, 0.1}, {1.3, 0.5}},
      {{1.6, 0.4}, {0.8, 1.3}, {0.6, 0.6}}};
  data kept, fresh;
  for (data* d : {&kept, &fresh}) {
    fill_model(d, points);
    d->calls[0] = {2, 1, 0, 1, 3, 0};
    d->calls[1] = {0, 4, 1};  // one not yet called
    d->sigma[1] = d->sigma[0];
  }
  const class_likelihood_memo::scope keep(kept.class_likelihoods, kept.n_cohorts);

  struct move {
    const char* what;
    void (*apply)(data&);
  };
  const move moves[] = {
      {"nothing", [](data&) {}},
      {"sigma", [](data& d) { d.sigma[0] = 0.2; }},
      {"sigma back", [](data& d) { d.sigma[0] = 0.1; }},
      {"r of class 1", [](data& d) { d.r[0][1] = 0.3; }},
      {"sigma third", [](data& d) { d.sigma[0] = 0.3; }},
      {"sigma after a third", [](data& d) { d.sigma[0] = 0.2; }},
      {"both back",
       [](data& d) {
         d.sigma[0] = 0.1;
         d.r[0][1] = 0.6;
       }},
      {"centre",
       [](data& d) {
         d.center[1] = {1.1, 0.9};
         d.set_mu_from_params(1);
       }},
  };
  for (const move& m : moves) {
    m.apply(kept);
    m.apply(fresh);
    for (int j = 0; j < 2; j++) {
      for (unsigned classes : {0xFu, 0x7u, 0x5u, 0x2u, 0x8u}) {
        double a[4], b[4];
        kept.log_posterior_X_given_classes(j, classes, a);
        fresh.log_posterior_X_given_classes(j, classes, b);
        for (int k = 0; k < 4; k++) {
          if (!(classes & (1u << k))) continue;
          EXPECT_EQ(a[k], b[k]) << m.what << ", cohort " << j << " class " << k;
        }
      }
    }
  }
}

TEST(ClassLikelihood, SumsAreKeptOnlyWhileTheScopeLives) {
  data d;
  fill_model(&d, {{{0.5, 1.4}, {1.2, 1.1}}});
  d.calls[0] = {1, 1};
  const double first = d.log_posterior_X_given_K(1, 0);
  {
    const class_likelihood_memo::scope keep(d.class_likelihoods, d.n_cohorts);
    EXPECT_EQ(d.log_posterior_X_given_K(1, 0), first);
    // Inside the scope points do not move; one that does is not seen, as
    // the kept sum serves without a pass.
    d.snps[0].points[0][0] = {0.9, 0.9};
    EXPECT_EQ(d.log_posterior_X_given_K(1, 0), first);
  }
  EXPECT_NE(d.log_posterior_X_given_K(1, 0), first);
}
