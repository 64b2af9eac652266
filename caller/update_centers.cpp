// Steps of the cohorts' centres and of the mean and variance they share.
#include <cmath>
#include <iostream>

#include "data.h"
#include "densities.h"
#include "samplers.h"
#include "step_rule.h"
#include "vargen2.h"

void data::update_centers() {
  Normal normal;
  if (names) std::cout << "update_centers()" << std::endl;
  const int C = n_cohorts;

  // Each centre by an independence step from the centres' normal prior.
  for (int j = 0; j < C; ++j) {
    const double cv = center_var;
    double before[3];
    log_posterior_X_given_classes(j, 0x7, before);
    // Written as is to keep its bits: see step_rule.h.
    const double L = 0 - before[0] - before[1] - before[2];
    saved_center = center[j];
    center[j] = mh::normal_about(normal, center_mean, cv);
    set_mu_from_params(j);

    const double new_x = log_dnorm(center[j][0], center_mean[0], cv);
    const double new_y = log_dnorm(center[j][1], center_mean[1], cv);
    const double old_x = log_dnorm(saved_center[0], center_mean[0], cv);
    const double old_y = log_dnorm(saved_center[1], center_mean[1], cv);
    double after[3];
    log_posterior_X_given_classes(j, 0x7, after);
    // Written as is to keep its bits: see step_rule.h.
    double logr = L + after[0] + after[1] + after[2];
    logr = logr + new_x + new_y - old_x - old_y;
    // The proposal correction cancels the prior terms.
    const double t = logr - new_x - new_y + old_x + old_y;

    if (mh::test(*this, logr, t)) {
      accept_center += 1.0;
      if (!sampling && names) mh::accept_trace(*this, logr);
    } else {
      center[j] = saved_center;
      set_mu_from_params(j);
    }
  }

  // The centres' mean, axis by axis, under a flat prior: drawn from its
  // conditional normal when sampling, set to its mode when maximising.
  if (names) std::cout << "update_center_mean()" << std::endl;
  for (int i = 0; i < 2; ++i) {
    double S = 0;
    for (int j = 0; j < C; ++j) S = S + center[j][i];
    // Written as is to keep its bits: see step_rule.h.
    const double precision = C / center_var + 0.0;
    const double vpost = 1.0 / precision;
    const double mpost = (S / center_var + 0.0) * vpost;
    center_mean[i] = mpost;
    if (sampling) {
      const double z = normal.Next();
      center_mean[i] = mpost + z * std::sqrt(vpost);
    }
  }

  // The centres' variance under its scaled inverse chi-square prior (scale
  // s0sq, nu0 degrees of freedom): a draw from its conditional, or its mode.
  if (names) std::cout << "update_center_var()" << std::endl;
  const double s0sq = center_var_prior_mean[0];
  const double nu0 = center_var_prior_mean[1];
  double SS = 0;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < C; ++j) {
      const double dev = center[j][i] - center_mean[i];
      SS = SS + dev * dev;
    }
  const double nu = static_cast<double>(2 * C) + nu0;
  const double s2 = (nu0 * s0sq + SS) / nu;
  // Written as is to keep its bits: see step_rule.h.
  if (sampling) {
    const double chi2 = rgamma(0.5 * nu, 0.5);
    center_var = (s2 * nu) / chi2;
  } else {
    center_var = (s2 * nu) / (nu + 2.0);
  }
}
