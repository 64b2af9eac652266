// The class proportions, renewed from the calls, and the joint move that
// redraws every parameter of one cohort from the hierarchical priors.
#include <cmath>
#include <iostream>

#include "data.h"
#include "samplers.h"
#include "step_rule.h"
#include "vargen2.h"

void data::update_lambda() {
  if (names) std::cout << "update_lambda" << std::endl;
  for (int j = 0; j < n_cohorts; ++j) {
    const double a = alpha[j];
    const double e = eta[j];
    const double P = pgd;
    // Dirichlet shapes: the counts plus the prior weights.
    double d[4];
    // Written as is to keep its bits: see step_rule.h.
    for (int k = 0; k < 3; ++k)
      d[k] = (counts[j][k] + 1e-7) + geno_prop(j, k, a) * ((1 - e) * P);
    d[3] = (counts[j][3] + 1e-7) + e * P;

    vec& l = lambda[j];
    for (int k = 0; k < 4; ++k) {
      if (sampling) {
        const double g = rgamma(d[k], 1);
        l[k] = g;
      } else {
        l[k] = d[k];
      }
    }
    if (nonull) l[3] = 1e-7;

    // Floor every proportion and renormalise to a sum of 1.
    // Written as is to keep its bits: see step_rule.h.
    const double s = ((l[0] + l[1]) + l[2]) + l[3];
    const double t = 1e-6 * s;
    const double b = 1.000004 * s;
    for (int k = 0; k < 4; ++k) l[k] = (t + l[k]) / b;

    if (pr) {
      for (int k = 0; k < 4; ++k) std::cout << l[k] << " ";
      std::cout << std::endl;
    }
  }
}

namespace {

// Keep a drawn value inside [1e-8, 0.99999999].
double clamp_unit(double x) {
  if (x >= 0.99999999) x = 0.99999999;
  if (x <= 1e-8) x = 1e-8;
  return x;
}

// The diagnostic values of cohort j's geometry, one per line.
void print_geometry(const data& d, int j) {
  const vec2& m = d.mu[j];
  std::cout << d.departure[j] << std::endl
            << m[0][0] << std::endl
            << m[0][1] << std::endl
            << m[1][0] << std::endl
            << m[1][1] << std::endl
            << m[2][0] << std::endl
            << m[2][1] << std::endl;
}

}  // namespace

void data::update_all(int j) {
  Normal normal;
  if (names) std::cout << "update_all(int j)" << std::endl;
  const double lp_old = log_posterior(false);
  if (departure[j] > 1) {
    std::cout << "problem_0" << std::endl;
    print_geometry(*this, j);
  }

  const double alpha_old = alpha[j];
  const double eta_old = eta[j];
  const vec lambda_old = lambda[j];
  const double gradient_old = gradient[j];
  const double length_old = length[j];
  const double fraction_old = fraction[j];
  const double departure_old = departure[j];
  const vec center_old = center[j];
  const double sigma_old = sigma[j];
  const double varfrac_old = varfrac[j];
  const vec r_old = r[j];

  // New values of cohort j, drawn in this order.
  alpha[j] = mh::beta_about(alpha_star, c_alpha_cohorts, 1e-8, 1e-8);
  alpha[j] = clamp_unit(alpha[j]);

  eta[j] = mh::beta_about(eta_mean, eta_var) + 1e-8;

  const double a = alpha[j];
  const double e = eta[j];
  // Written as is to keep its bits: see step_rule.h.
  lambda[j] = {a * ((1 - e) * a), ((1 - e) + (1 - e)) * a * (1 - a),
               (1 - a) * ((1 - e) * (1 - a)), e};

  gradient[j] = mh::gamma_about(gradient_mean, gradient_var) + 1e-8;
  length[j] = mh::gamma_about(length_mean, length_var) + 1e-8;

  fraction[j] = mh::beta_about(fraction_mean, fraction_var);
  fraction[j] = clamp_unit(fraction[j]);

  departure[j] = mh::beta_about(departure_mean, departure_var, 1e-8, 0) + 1e-8;
  departure[j] = clamp_unit(departure[j]);

  center[j] = mh::normal_about(normal, center_mean, center_var);
  set_mu_from_params(j);

  sigma[j] = mh::gamma_about(sigma_mean, sigma_var) + 1e-8;
  varfrac[j] = mh::beta_about(varfrac_mean, varfrac_var) + 1e-8;
  for (int k = 0; k < 3; ++k) r[j][k] = mh::beta_about(r_mean[k], r_var[k]) + 1e-8;

  // The whole set stands or falls by the change of the log posterior.
  const double lp_new = log_posterior(false);
  // Written as is to keep its bits: see step_rule.h.
  const double L = lp_new + (0 - lp_old);
  if (mh::test(*this, L, L)) {
    accept_global += 1.0;
  } else {
    alpha[j] = alpha_old;
    eta[j] = eta_old;
    lambda[j] = lambda_old;
    gradient[j] = gradient_old;
    length[j] = length_old;
    fraction[j] = fraction_old;
    departure[j] = departure_old;
    center[j] = center_old;
    sigma[j] = sigma_old;
    varfrac[j] = varfrac_old;
    r[j] = r_old;
    set_mu_from_params(j);
  }

  if (mu[j][1][0] > mu[j][0][0]) {
    std::cout << "problem" << std::endl;
    print_geometry(*this, j);
  }
  update_calls(false);
}
