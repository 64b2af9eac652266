// Steps of the allele frequencies (each cohort's and the shared one) and of
// the null-class weights with their hierarchical mean and dispersion.
#include <cmath>
#include <iostream>

#include "data.h"
#include "densities.h"
#include "step_rule.h"

// The log ratio of the target of alpha[j] between new_value and old_value:
// the change of the Dirichlet prior of lambda[j] plus the change of alpha[j]'s
// Beta prior about alpha_star. The null-class weight and the normaliser are
// the same at both values and drop out. A class whose Dirichlet weight is 0
// at both values (X mode, a cohort without a woman of known sex, has no
// heterozygote weight) has no part in the prior and contributes nothing.
double data::MH_alpha_density(int j, double old_value, double new_value) {
  if (names) std::cout << "MH_alpha_density()" << std::endl;
  const double w = (1 - eta[j]) * pgd;
  double g_old[3], g_new[3];
  bool present[3];
  for (int k = 0; k < 3; ++k) {
    g_old[k] = geno_prop(j, k, old_value);
    g_new[k] = geno_prop(j, k, new_value);
    present[k] = g_old[k] * w != 0 || g_new[k] * w != 0;
  }
  // Written as is to keep its bits: see step_rule.h.
  double S = 0;
  for (int k = 0; k < 3; ++k) {
    if (!present[k]) continue;
    S = S + std::log(lambda[j][k]) * (w * (g_new[k] - g_old[k]));
  }
  for (int k = 0; k < 3; ++k) {
    if (!present[k]) continue;
    S = S + std::lgamma(g_old[k] * w);
    S = S - std::lgamma(g_new[k] * w);
  }
  return S + log_dbeta_mean_var(new_value, alpha_star, c_alpha_cohorts) -
         log_dbeta_mean_var(old_value, alpha_star, c_alpha_cohorts);
}

// The log ratio of the target of eta[j] between new_value and old_value: the
// change of the Dirichlet prior of lambda[j] plus the change of eta[j]'s Beta
// prior. Classes of Dirichlet weight 0 at both values contribute nothing.
double data::MH_eta_density(int j, double old_value, double new_value) {
  if (names) std::cout << "MH_eta_density()" << std::endl;
  const double P = pgd;
  double g[3];
  bool present[3];
  for (int k = 0; k < 3; ++k) {
    g[k] = geno_prop(j, k, alpha[j]);
    present[k] = (1 - old_value) * P * g[k] != 0 || (1 - new_value) * P * g[k] != 0;
  }
  const bool null_present = old_value * P != 0 || new_value * P != 0;
  // Written as is to keep its bits: see step_rule.h.
  double S = 0;
  for (int k = 0; k < 3; ++k) {
    if (!present[k]) continue;
    S = S + std::log(lambda[j][k]) * (g[k] * P * (old_value - new_value));
  }
  if (null_present) S = S + (new_value - old_value) * P * std::log(lambda[j][3]);
  for (int k = 0; k < 3; ++k) {
    if (!present[k]) continue;
    S = S + std::lgamma((1 - old_value) * P * g[k]);
    S = S - std::lgamma((1 - new_value) * P * g[k]);
  }
  if (null_present) S = S + (std::lgamma(old_value * P) - std::lgamma(new_value * P));
  return S + log_dbeta_mean_var(new_value, eta_mean, eta_var) -
         log_dbeta_mean_var(old_value, eta_mean, eta_var);
}

void data::update_alpha() {
  if (pr) std::cout << "update_alpha" << std::endl;
  if (names) std::cout << "update_alpha()" << std::endl;
  const mh::beta_walk walk(pk[1], 1e-8);
  for (int j = 0; j < n_cohorts; ++j) {
    mh::step(
        *this, alpha[j], walk,
        [&](double proposed) {
          const double L = MH_alpha_density(j, alpha[j], proposed);
          if (pr) std::cout << alpha[j] << " " << proposed << std::endl;
          return L;
        },
        accept_alpha);
  }
  update_alpha_star();
}

void data::update_alpha_star() {
  if (names) std::cout << "update_alpha_star()" << std::endl;
  const mh::beta_walk walk(pk[1], 1e-8);
  // The SNP's prior frequency, an observation of alpha_star.
  const double f0 = allele_prior_a / prior_chromosomes;
  mh::step(
      *this, alpha_star, walk,
      [&](double proposed) {
        const double old = alpha_star;
        // Written as is to keep its bits: see step_rule.h.
        double L = 0;
        for (int j = 0; j < n_cohorts; ++j) {
          L = L + log_dbeta_mean_var(alpha[j], proposed, c_alpha_cohorts);
          L = L - log_dbeta_mean_var(alpha[j], old, c_alpha_cohorts);
        }
        L = L + log_dbeta_mean_var(f0, proposed, c_alpha_prior);
        L = L - log_dbeta_mean_var(f0, old, c_alpha_prior);
        L = L + log_dbeta(proposed, alpha_star_prior[0], alpha_star_prior[1]);
        L = L - log_dbeta(old, alpha_star_prior[0], alpha_star_prior[1]);
        return L;
      },
      accept_alpha_star);
}

void data::update_eta() {
  if (names) std::cout << "update_eta" << std::endl;
  const mh::beta_walk walk(pk[0], 1e-8);
  for (int j = 0; j < n_cohorts; ++j) {
    mh::step(
        *this, eta[j], walk,
        [&](double proposed) {
          const double L = MH_eta_density(j, eta[j], proposed);
          if (pr) std::cout << eta[j] << " " << proposed << std::endl;
          return L;
        },
        accept_eta, true);
  }

  if (names) std::cout << "update_mean" << std::endl;
  mh::hyper_step(*this,
                 mh::hyper{mh::support::unit, &eta, &eta_mean, &eta_var, true,
                           eta_mean_prior[0], eta_mean_prior[1]},
                 walk, accept_eta);

  if (names) std::cout << "update_eta_var" << std::endl;
  mh::hyper_step(*this,
                 mh::hyper{mh::support::unit, &eta, &eta_mean, &eta_var, false,
                           eta_var_prior[0], eta_var_prior[1]},
                 walk, accept_eta);
}
