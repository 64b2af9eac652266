// Steps of the covariance parameters: the scale sigma, the variance fraction
// varfrac and the per-class correlations r, each with its hierarchical mean
// and variance (or dispersion).
#include <iostream>

#include "data.h"
#include "densities.h"
#include "step_rule.h"

namespace {

// Under "-pr" the sigma and r steps report a sampling-mode acceptance and
// any rejection.
void print_outcome(const data& d, const mh::outcome& out) {
  if (!d.pr) return;
  if (!out.accepted)
    std::cout << "reject " << std::endl;
  else if (d.sampling)
    std::cout << "accept " << std::endl;
}

}  // namespace

void data::update_sigma() {
  const mh::gamma_walk walk(pk[0]);
  for (int j = 0; j < n_cohorts; ++j) {
    double lo[3];
    log_posterior_X_given_classes(j, 0x7, lo);
    const double lo0 = lo[0], lo1 = lo[1], lo2 = lo[2];
    const double x = sigma[j];
    const mh::outcome out = mh::step(
        *this, sigma[j], walk,
        [&](double proposed) {
          sigma[j] = proposed;
          double ln[3];
          log_posterior_X_given_classes(j, 0x7, ln);
          const double ln0 = ln[0], ln1 = ln[1], ln2 = ln[2];
          // Written as is to keep its bits: see step_rule.h.
          const double L = ((((0 - lo0) - lo1) - lo2 + ln0) + ln1 + ln2) -
                           log_dgamma_mean_var(x, sigma_mean, sigma_var) +
                           log_dgamma_mean_var(sigma[j], sigma_mean, sigma_var);
          if (pr) std::cout << "log-mh = " << L << std::endl;
          return L;
        },
        accept_sigma);
    print_outcome(*this, out);
  }

  mh::hyper_step(*this,
                 mh::hyper{mh::support::positive, &sigma, &sigma_mean, &sigma_var, true,
                           sigma_mean_prior[0], sigma_mean_prior[1]},
                 walk, accept_sigma);
  mh::hyper_step(*this,
                 mh::hyper{mh::support::positive, &sigma, &sigma_mean, &sigma_var, false,
                           sigma_var_prior[0], sigma_var_prior[1]},
                 walk, accept_sigma);
}

void data::update_varfrac() {
  const mh::beta_walk walk(pk[0], 1e-8);
  for (int j = 0; j < n_cohorts; ++j) {
    // varfrac shapes only the two homozygote classes.
    double lo[3];
    log_posterior_X_given_classes(j, 0x5, lo);
    const double lo0 = lo[0], lo2 = lo[2];
    const double x = varfrac[j];
    mh::step(
        *this, varfrac[j], walk,
        [&](double proposed) {
          varfrac[j] = proposed;
          double ln[3];
          log_posterior_X_given_classes(j, 0x5, ln);
          const double ln0 = ln[0], ln2 = ln[2];
          if (pr) std::cout << varfrac[j] << " " << x << std::endl;
          // Written as is to keep its bits: see step_rule.h.
          return ln2 + (((0 - lo0) - lo2) + ln0) +
                 log_dbeta_mean_var(varfrac[j], varfrac_mean, varfrac_var) -
                 log_dbeta_mean_var(x, varfrac_mean, varfrac_var);
        },
        accept_varfrac);
  }

  mh::hyper_step(*this,
                 mh::hyper{mh::support::unit, &varfrac, &varfrac_mean, &varfrac_var, true,
                           varfrac_mean_prior[0], varfrac_mean_prior[1]},
                 walk, accept_varfrac);
  mh::hyper_step(*this,
                 mh::hyper{mh::support::unit, &varfrac, &varfrac_mean, &varfrac_var,
                           false, varfrac_var_prior[0], varfrac_var_prior[1]},
                 walk, accept_varfrac);
}

void data::update_r() {
  // The correlations walk with the fixed concentration 10.
  const mh::beta_walk walk(10, 1e-8);
  for (int j = 0; j < n_cohorts; ++j) {
    for (int k = 0; k < 3; ++k) {
      // r[j][k] shapes class k alone.
      const double lo = log_posterior_X_given_K(k, j);
      const double x = r[j][k];
      const mh::outcome out = mh::step(
          *this, r[j][k], walk,
          [&](double proposed) {
            r[j][k] = proposed;
            const double ln = log_posterior_X_given_K(k, j);
            // Written as is to keep its bits: see step_rule.h.
            return ((0 - lo) + ln) + log_dbeta_mean_var(r[j][k], r_mean[k], r_var[k]) -
                   log_dbeta_mean_var(x, r_mean[k], r_var[k]);
          },
          accept_r);
      print_outcome(*this, out);
    }
  }
  update_r_mean();
  update_r_var();
}

namespace {

// The correlations of class k, one per cohort.
vec r_column(const data& d, int k) {
  vec column(d.n_cohorts);
  for (int j = 0; j < d.n_cohorts; ++j) column[j] = d.r[j][k];
  return column;
}

}  // namespace

void data::update_r_mean() {
  const mh::beta_walk walk(pk[0], 1e-8);
  for (int k = 0; k < 3; ++k) {
    const vec column = r_column(*this, k);
    mh::hyper_step(*this,
                   mh::hyper{mh::support::unit, &column, &r_mean[k], &r_var[k], true,
                             r_mean_prior_a[k], r_mean_prior_b[k]},
                   walk, accept_r);
  }
}

void data::update_r_var() {
  const mh::beta_walk walk(pk[0], 1e-8);
  for (int k = 0; k < 3; ++k) {
    const vec column = r_column(*this, k);
    mh::hyper_step(*this,
                   mh::hyper{mh::support::unit, &column, &r_mean[k], &r_var[k], false,
                             r_var_prior_a[k], r_var_prior_b[k]},
                   walk, accept_r);
  }
}
