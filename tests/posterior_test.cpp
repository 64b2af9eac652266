// Density forms and the log posterior, against Boost.Math's densities.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/inverse_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"
#include "densities.h"
#include "mixture_fixture.h"

namespace bm = boost::math;

namespace {

double ref_beta(double x, double a, double b) {
  return std::log(bm::pdf(bm::beta_distribution<double>(a, b), x));
}
// Beta with mean m and dispersion v: variance m(1 - m)v.
double ref_beta_mean_disp(double x, double m, double v) {
  return ref_beta(x, m * (1 - v) / v, (1 - m) * (1 - v) / v);
}
// Gamma with shape a and rate b.
double ref_gamma(double x, double a, double b) {
  return std::log(bm::pdf(bm::gamma_distribution<double>(a, 1 / b), x));
}
double ref_gamma_mean_var(double x, double m, double v) {
  return ref_gamma(x, m * m / v, m / v);
}
double ref_normal(double x, double m, double w) {
  return std::log(bm::pdf(bm::normal_distribution<double>(m, std::sqrt(w)), x));
}

using Density = double (*)(double, double, double);

// Expects f(x, a, b) to be ref(x, a, b), within rel * (1 + |ref(x, a, b)|),
// for every x, a and b of the lists.
void expect_agrees(Density f, Density ref, const std::vector<double>& xs,
                   const std::vector<double>& as, const std::vector<double>& bs,
                   double rel) {
  for (double x : xs)
    for (double a : as)
      for (double b : bs)
        EXPECT_NEAR(f(x, a, b), ref(x, a, b), rel * (1 + std::fabs(ref(x, a, b))))
            << x << " " << a << " " << b;
}

// Two cohorts with calls into every class and counts to match.
void fill_called_model(data* d) {
  fill_model(d, {{{0.5, 1.4}, {1.2, 1.1}, {1.4, 0.6}, {0.9, 0.95}, {0.2, 0.1}},
                 {{1.6, 0.4}, {0.8, 1.3}, {1.0, 1.05}}});
  d->calls[0] = {2, 1, 0, 1, 3};
  d->calls[1] = {0, 2, 1};
  d->counts[0] = {1, 2, 1, 1};
  d->counts[1] = {1, 1, 1, 0};
}

}  // namespace

TEST(DensityForms, BetaKnownValues) {
  EXPECT_EQ(log_dbeta(0.5, 1, 1), 0.0);
  EXPECT_NEAR(log_dbeta(0.25, 2, 1), std::log(0.5), 1e-15);
  expect_agrees(log_dbeta, ref_beta, {0.01, 0.3, 0.77, 0.999}, {0.5, 1.0, 3.2, 40.0},
                {0.7, 2.0, 95.0}, 1e-10);
}

TEST(DensityForms, BetaByMeanAndDispersion) {
  // Mean 0.5 and dispersion 0.5 is Beta(0.5, 0.5).
  for (double x : {0.1, 0.5, 0.93})
    EXPECT_NEAR(log_dbeta_mean_var(x, 0.5, 0.5), ref_beta(x, 0.5, 0.5), 1e-12);
  expect_agrees(log_dbeta_mean_var, ref_beta_mean_disp, {0.05, 0.4, 0.8}, {0.1, 0.5, 0.9},
                {0.005, 0.2, 0.7}, 1e-9);
}

TEST(DensityForms, GammaByMeanAndVarianceAndByShapeAndRate) {
  // Mean 2 and variance 4 is shape 1, rate 0.5.
  for (double x : {0.1, 1.0, 7.5})
    EXPECT_NEAR(log_dgamma_mean_var(x, 2, 4), ref_gamma(x, 1, 0.5), 1e-13);
  expect_agrees(log_dgamma_mean_var, ref_gamma_mean_var, {0.05, 1.3, 12.0},
                {0.2, 1.0, 20.0}, {0.01, 1.0, 9.0}, 1e-9);
  expect_agrees(log_dgamma, ref_gamma, {0.05, 1.3, 12.0}, {1.0, 10.0, 20.0},
                {4.0, 20.0, 100.0}, 1e-9);
}

TEST(DensityForms, NormalWithTwoPiAsWritten) {
  for (double x : {-1.0, 0.3, 2.0})
    EXPECT_NEAR(log_dnorm(x, 0.5, 0.04), ref_normal(x, 0.5, 0.04), 1e-9);
  EXPECT_EQ(log_dnorm(0, 0, 1), -0.5 * std::log(6.283185308));
}

TEST(DensityForms, OutsideTheSupportPassesThrough) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(log_dbeta(0, 2, 3), -inf);
  EXPECT_EQ(log_dbeta(1, 2, 3), -inf);
  EXPECT_TRUE(std::isnan(log_dbeta(0, 1, 1)));  // 0 * log(0)
  EXPECT_TRUE(std::isnan(log_dbeta(-0.5, 2, 2)));
  EXPECT_TRUE(std::isnan(log_dgamma_mean_var(-1, 2, 4)));
}

TEST(LogPosterior, IsTheSumOfItsSevenStoredTerms) {
  data d;
  fill_called_model(&d);
  const double lp = d.log_posterior(false);
  ASSERT_EQ(d.log_posterior_terms.size(), 7u);
  double sum = 0;
  for (int i = 0; i < 7; i++) {
    EXPECT_TRUE(std::isfinite(d.log_posterior_terms[i])) << "term " << i;
    sum += d.log_posterior_terms[i];
  }
  EXPECT_EQ(lp, sum);
  EXPECT_TRUE(std::isfinite(lp));
  // No change in between: the same value.
  EXPECT_EQ(d.log_posterior(false), lp);
}

TEST(LogPosterior, EveryTermAgainstIndependentDensities) {
  data d;
  fill_called_model(&d);
  d.log_posterior(false);
  const vec& t = d.log_posterior_terms;

  double data_term = 0, counts_term = 0, dirichlet = 0, allele = 0, null_w = 0;
  for (int j = 0; j < 2; j++) {
    for (int k = 0; k < 4; k++) {
      data_term += d.log_posterior_X_given_K(k, j);
      counts_term += d.counts[j][k] * std::log(d.lambda[j][k]);
    }
    // Dirichlet prior without its normaliser, Hardy-Weinberg weights.
    const double a = d.alpha[j], e = d.eta[j];
    const double w[4] = {10 * (1 - e) * a * a, 10 * (1 - e) * 2 * a * (1 - a),
                         10 * (1 - e) * (1 - a) * (1 - a), 10 * e};
    for (int k = 0; k < 4; k++)
      dirichlet += (w[k] - 1) * std::log(d.lambda[j][k]) - std::lgamma(w[k]);
    allele += ref_beta_mean_disp(d.alpha[j], d.alpha_star, d.c_alpha_cohorts);
    null_w += ref_beta_mean_disp(d.eta[j], d.eta_mean, d.eta_var);
  }
  allele += ref_beta_mean_disp(54.0 / 120.0, d.alpha_star, d.c_alpha_prior) +
            ref_beta(d.alpha_star, 1, 1);
  null_w += ref_beta(d.eta_mean, 3, 100) + ref_beta(d.eta_var, 5, 100);

  double lines = 0, var = 0;
  for (int j = 0; j < 2; j++) {
    lines += ref_gamma_mean_var(d.gradient[j], d.gradient_mean, d.gradient_var) +
             ref_gamma_mean_var(d.length[j], d.length_mean, d.length_var) +
             ref_beta_mean_disp(d.fraction[j], d.fraction_mean, d.fraction_var) +
             ref_beta_mean_disp(d.departure[j], d.departure_mean, d.departure_var) +
             ref_normal(d.center[j][0], d.center_mean[0], d.center_var) +
             ref_normal(d.center[j][1], d.center_mean[1], d.center_var);
    for (int k = 0; k < 3; k++)
      var += ref_beta_mean_disp(d.r[j][k], d.r_mean[k], d.r_var[k]);
    var += ref_gamma_mean_var(d.sigma[j], d.sigma_mean, d.sigma_var) +
           ref_beta_mean_disp(d.varfrac[j], d.varfrac_mean, d.varfrac_var);
  }
  lines += ref_gamma(d.gradient_mean, 10, 10) + ref_gamma(d.gradient_var, 1, 100) +
           ref_gamma(d.length_mean, 20, 20) + ref_gamma(d.length_var, 1, 100) +
           ref_beta(d.departure_mean, 2, 8) + ref_beta(d.departure_var, 1, 100) +
           ref_beta(d.fraction_mean, 30, 30) + ref_beta(d.fraction_var, 1, 100) +
           ref_normal(d.center_mean[0], 1, 1000) + ref_normal(d.center_mean[1], 1, 1000) +
           std::log(bm::pdf(bm::inverse_chi_squared_distribution<double>(100, 0.0001),
                            d.center_var));
  const double r_a[3] = {1, 10, 1}, r_b[3] = {50, 1, 50};
  for (int k = 0; k < 3; k++)
    var += ref_beta(d.r_mean[k], r_a[k], r_b[k]) + ref_beta(d.r_var[k], 1, 100);
  var += ref_gamma(d.sigma_mean, 1, 4) + ref_gamma(d.sigma_var, 1, 100) +
         ref_beta(d.varfrac_mean, 2.5, 7.5) + ref_beta(d.varfrac_var, 1, 100);

  EXPECT_EQ(t[0], data_term);
  EXPECT_NEAR(t[1], counts_term, 1e-12);
  EXPECT_NEAR(t[2], dirichlet, 1e-10);
  EXPECT_NEAR(t[3], allele, 1e-8);
  EXPECT_NEAR(t[4], null_w, 1e-8);
  EXPECT_NEAR(t[5], lines, 1e-7);
  EXPECT_NEAR(t[6], var, 1e-7);
  EXPECT_NEAR(d.p_mu(false), lines, 1e-7);
  EXPECT_NEAR(d.p_Var(false), var, 1e-7);
}

TEST(LogPosterior, CountsAndDirichletTermsOfSimpleStates) {
  data d;
  fill_model(&d, {{{1, 1}, {1.1, 0.9}}});
  d.lambda[0] = {0.25, 0.25, 0.25, 0.25};
  d.log_posterior(false);
  // Every count 0: exactly 0.
  EXPECT_EQ(d.log_posterior_terms[1], 0.0);
  double expected = 0;
  for (int k = 0; k < 4; k++) {
    const double w =
        k < 3 ? 10 * (1 - d.eta[0]) * d.geno_prop(0, k, d.alpha[0]) : 10 * d.eta[0];
    expected += (w - 1) * std::log(0.25) - std::lgamma(w);
  }
  EXPECT_NEAR(d.log_posterior_terms[2], expected, 1e-12);
  EXPECT_NEAR(d.p_lambda(0), expected, 1e-12);
}

TEST(LogPosterior, ClassWithoutPriorWeightContributesNothing) {
  // X mode, a cohort of men only: the heterozygous class has Dirichlet
  // weight 0 and drops out, instead of lgamma(0) making the term infinite.
  data d;
  fill_called_model(&d);
  d.chrX = true;
  d.sex_counts = {{0, 5, 0}, {1, 1, 1}};
  d.sex = {{1, 1, 1, 1, 1}, {0, 1, 2}};
  const double a = d.alpha[0], e = d.eta[0];
  const double w[4] = {10 * (1 - e) * a, 0, 10 * (1 - e) * (1 - a), 10 * e};
  double expected = 0;
  for (int k : {0, 2, 3})
    expected += (w[k] - 1) * std::log(d.lambda[0][k]) - std::lgamma(w[k]);
  EXPECT_NEAR(d.p_lambda(0), expected, 1e-12);
  EXPECT_TRUE(std::isfinite(d.log_posterior(false)));
}

TEST(LogPosterior, NaNAndMinusInfinityPassThrough) {
  data d;
  fill_called_model(&d);
  d.alpha[1] = 0;  // outside the support of its Beta prior
  EXPECT_EQ(d.log_posterior(false), -std::numeric_limits<double>::infinity());

  fill_called_model(&d);
  d.lambda[1][3] = 0;  // no individual called null, so 0 * log 0
  EXPECT_TRUE(std::isnan(d.log_posterior(false)));
}

TEST(LogPosterior, NamesTraceOrder) {
  data d;
  fill_called_model(&d);
  d.names = true;
  CaptureStdout out;
  d.log_posterior(false);
  std::string expected;
  for (int i = 0; i < 8; i++) expected += "log_posterior_X_given_K()\n";
  expected += "p_sigma\np_varfrac\np_sigma\np_varfrac\n";
  EXPECT_EQ(out.text(), expected);
}
