// The log posterior of one SNP's fit, the sum of seven terms: data, call
// counts, class-proportion prior, allele frequency, null weight, line
// parameters and covariances. The density forms it is written in are in
// densities.cpp.
//
// Nothing is validated: a value outside the support of a form makes the sum
// minus infinity or NaN, which the update steps reject (NaN fails every
// comparison).
#include <cmath>
#include <iostream>

#include "data.h"
#include "densities.h"

double data::p_lambda(int j) {
  const double a = alpha[j];
  const double e = eta[j];
  const double big_p = pgd;
  double d[4];
  for (int k = 0; k < 3; k++) d[k] = big_p * (1 - e) * geno_prop(j, k, a);
  d[3] = big_p * e;

  // A class whose weight is 0 (in X mode the heterozygotes of a cohort
  // without women) has proportion 0 under the prior and so drops out of the
  // density, instead of lgamma(0) making the whole term infinite.
  // Written as is to keep its bits: see step_rule.h.
  double s = 0;
  for (int k = 0; k < 4; k++)
    if (d[k] != 0) s += (d[k] - 1) * std::log(lambda[j][k]);
  double g = 0;
  for (int k = 0; k < 4; k++)
    if (d[k] != 0) g += std::lgamma(d[k]);
  return s - g;
}

double data::p_mu(int j, bool verbose) {
  (void)verbose;  // every caller passes false; true changes nothing
  double p = log_dgamma_mean_var(gradient[j], gradient_mean, gradient_var) +
             log_dgamma_mean_var(length[j], length_mean, length_var) +
             log_dbeta_mean_var(fraction[j], fraction_mean, fraction_var) +
             log_dbeta_mean_var(departure[j], departure_mean, departure_var);
  for (int i = 0; i < 2; i++) p += log_dnorm(center[j][i], center_mean[i], center_var);
  return p;
}

double data::p_mu(bool verbose) {
  double p = 0;
  for (int j = 0; j < n_cohorts; j++) p += p_mu(j, verbose);

  p += log_dgamma(gradient_mean, gradient_mean_prior[0], gradient_mean_prior[1]);
  p += log_dgamma(gradient_var, gradient_var_prior[0], gradient_var_prior[1]);
  p += log_dgamma(length_mean, length_mean_prior[0], length_mean_prior[1]);
  p += log_dgamma(length_var, length_var_prior[0], length_var_prior[1]);
  p += log_dbeta(departure_mean, departure_mean_prior[0], departure_mean_prior[1]);
  p += log_dbeta(departure_var, departure_var_prior[0], departure_var_prior[1]);
  p += log_dbeta(fraction_mean, fraction_mean_prior[0], fraction_mean_prior[1]);
  p += log_dbeta(fraction_var, fraction_var_prior[0], fraction_var_prior[1]);

  // Normal(1, 1000) prior on each coordinate of the centres' mean.
  for (int i = 0; i < 2; i++) {
    const double dev = center_mean[i] - 1;
    // Written as is to keep its bits: see step_rule.h.
    p += -0.5 * (dev * dev / 1000 + std::log(6283.185308));
  }

  // Scaled inverse chi-square prior of the centres' variance.
  const double nu = center_var_prior_mean[1];
  const double s2 = center_var_prior_mean[0];
  // Written as is to keep its bits: see step_rule.h.
  p += 0.5 * nu * std::log(0.5 * nu * s2) - std::lgamma(0.5 * nu) -
       std::log(center_var) * (1 + 0.5 * nu) + nu * s2 / (center_var * (-2));
  return p;
}

double data::p_Var(bool verbose) {
  (void)verbose;  // every caller passes false; true changes nothing
  double p = 0;
  for (int j = 0; j < n_cohorts; j++) {
    for (int k = 0; k < 3; k++) p += log_dbeta_mean_var(r[j][k], r_mean[k], r_var[k]);
    if (names) std::cout << "p_sigma" << std::endl;
    p += log_dgamma_mean_var(sigma[j], sigma_mean, sigma_var);
    if (names) std::cout << "p_varfrac" << std::endl;
    p += log_dbeta_mean_var(varfrac[j], varfrac_mean, varfrac_var);
  }
  for (int k = 0; k < 3; k++) {
    p += log_dbeta(r_mean[k], r_mean_prior_a[k], r_mean_prior_b[k]);
    p += log_dbeta(r_var[k], r_var_prior_a[k], r_var_prior_b[k]);
  }
  p += log_dgamma(sigma_mean, sigma_mean_prior[0], sigma_mean_prior[1]);
  p += log_dgamma(sigma_var, sigma_var_prior[0], sigma_var_prior[1]);
  p += log_dbeta(varfrac_mean, varfrac_mean_prior[0], varfrac_mean_prior[1]);
  p += log_dbeta(varfrac_var, varfrac_var_prior[0], varfrac_var_prior[1]);
  return p;
}

double data::log_posterior(bool verbose) {
  log_posterior_terms.resize(7);
  vec& t = log_posterior_terms;

  // 0: the points of every class under its cluster.
  t[0] = 0;
  for (int j = 0; j < n_cohorts; j++) {
    double by_class[4];
    log_posterior_X_given_classes(j, 0xF, by_class);
    for (int k = 0; k < 4; k++) t[0] += by_class[k];
  }

  // 1: the calls under the class proportions.
  t[1] = 0;
  for (int j = 0; j < n_cohorts; j++)
    for (int k = 0; k < 4; k++) t[1] += counts[j][k] * std::log(lambda[j][k]);

  // 2: the Dirichlet prior of the class proportions.
  t[2] = 0;
  for (int j = 0; j < n_cohorts; j++) t[2] += p_lambda(j);

  // 3: each cohort's allele frequency about the shared one, the SNP's prior
  // frequency as an observation of the shared one, and its own prior.
  t[3] = 0;
  for (int j = 0; j < n_cohorts; j++)
    t[3] += log_dbeta_mean_var(alpha[j], alpha_star, c_alpha_cohorts);
  t[3] +=
      log_dbeta_mean_var(allele_prior_a / prior_chromosomes, alpha_star, c_alpha_prior);
  t[3] += log_dbeta(alpha_star, alpha_star_prior[0], alpha_star_prior[1]);

  // 4: the null-class weights and their hyper-priors.
  t[4] = 0;
  for (int j = 0; j < n_cohorts; j++)
    t[4] += log_dbeta_mean_var(eta[j], eta_mean, eta_var);
  t[4] += log_dbeta(eta_mean, eta_mean_prior[0], eta_mean_prior[1]);
  t[4] += log_dbeta(eta_var, eta_var_prior[0], eta_var_prior[1]);

  // 5 and 6: line parameters and covariances.
  t[5] = p_mu(verbose);
  t[6] = p_Var(verbose);

  double sum = 0;
  for (int i = 0; i < 7; i++) sum += t[i];
  return sum;
}
