// Starting configurations: the state every stage-1 random start begins from.
#include <iostream>

#include "data.h"
#include "samplers.h"

namespace {

// The frequencies that stand in for a prior frequency of exactly 0 or 1,
// which would give a zero Beta parameter.
const double lowest_frequency = 0.00001;
const double highest_frequency = 0.99999;

// The Beta prior (a0, b0) of a known allele frequency e, from `chromosomes`
// chromosomes; a frequency at or beyond either end is held just inside it.
void frequency_prior(double e, double chromosomes, double* a0, double* b0) {
  if (e <= 0) {
    *a0 = chromosomes * lowest_frequency;
    *b0 = chromosomes * highest_frequency;
  } else if (e >= 1) {
    *a0 = chromosomes * highest_frequency;
    *b0 = chromosomes * (1 - highest_frequency);
  } else {
    *a0 = chromosomes * e;
    *b0 = chromosomes * (1 - e);
  }
}

// Class means of type 0: on fixed proportions of a scale that grows with
// the start number.
void fixed_means(int start, vec2* m) {
  const double l = (start + 1) * 0.5;
  (*m)[0] = {0.62 * l, 0.15 * l};
  (*m)[1] = {0.45 * l, 0.45 * l};
  (*m)[2] = {0.15 * l, 0.62 * l};
}

// Class means of type 1: the middle of the data range, class 0 on the side
// of the larger coordinate sum on x.
void middle_means(const snp& s, vec2* m) {
  const double xm = (s.x_low + s.x_high) * 0.5;
  const double ym = (s.y_low + s.y_high) * 0.5;
  const double q = (s.x_low + s.x_high + s.y_low + s.y_high) * 0.25 + 1e-8;
  (*m)[1] = {q, q};
  if (s.x_low + s.x_high > s.y_low + s.y_high) {
    (*m)[0] = {xm, ym};
    (*m)[2] = {ym, xm};
  } else {
    (*m)[0] = {ym, xm};
    (*m)[2] = {xm, ym};
  }
}

// Class means of type 2: near the corners of the data range.
void corner_means(const snp& s, vec2* m) {
  const double xm = (s.x_low + s.x_high) * 0.5;
  const double ym = (s.y_low + s.y_high) * 0.5;
  const double w = s.x_high - s.x_low;
  const double h = s.y_high - s.y_low;
  (*m)[0] = {s.x_low + 0.9 * w, s.y_low + 0.1 * h};
  (*m)[1] = {xm, ym};
  (*m)[2] = {s.x_low + 0.1 * w, s.y_low + 0.9 * h};
}

}  // namespace

void data::initialize(int type, int start) {
  if (pr) std::cout << "initialize..." << std::flush;
  const int C = n_cohorts;
  const snp& s = snps[current_snp];

  // The SNP's allele-frequency prior. A SNP without a prior frequency runs
  // with a flat prior and the broad dispersion 0.5 about it; the user's
  // dispersion comes back for the next SNP that has a frequency.
  double a0, b0;
  if (use_paf || s.prior_freq >= 0) {
    frequency_prior(use_paf ? paf : s.prior_freq, prior_chromosomes, &a0, &b0);
    if (c_alpha_prior_overridden) {
      c_alpha_prior = c_alpha_prior_user;
      c_alpha_prior_overridden = false;
    }
  } else {
    a0 = 1;
    b0 = 1;
    if (!c_alpha_prior_overridden) {
      c_alpha_prior_user = c_alpha_prior;
      c_alpha_prior_overridden = true;
    }
    c_alpha_prior = 0.5;
  }
  allele_prior_a = a0;
  allele_prior_b = b0;
  std::cout << "Allele frequency prior : alpha ~ Beta(" << a0 << ", " << b0 << ")"
            << std::endl;

  alpha_star = a0 / (a0 + b0);
  for (int j = 0; j < C; j++) alpha[j] = a0 / (a0 + b0);

  // Null-class weights, drawn about their prior mean.
  eta_mean = eta_mean_prior[0] / (eta_mean_prior[0] + eta_mean_prior[1]);
  eta_var = eta_var_prior[0] / (eta_var_prior[0] + eta_var_prior[1]);
  for (int j = 0; j < C; j++) {
    const double m = eta_mean;
    const double v = eta_var;
    eta[j] = genbet(m * (1 - v) / v, (1 - m) * (1 - v) / v);
  }

  // Hardy-Weinberg class proportions scaled by the non-null share.
  // Written as is to keep its bits: see step_rule.h.
  for (int j = 0; j < C; j++) {
    const double a = alpha[j];
    const double e = eta[j];
    lambda[j][0] = (1 - e) * a * a;
    lambda[j][1] = 2 * (1 - e) * a * (1 - a);
    lambda[j][2] = (1 - e) * (1 - a) * (1 - a);
    lambda[j][3] = e;
  }

  vec2 means(3, vec(2, 0.0));
  if (type == 0) {
    fixed_means(start, &means);
  } else if (type == 1) {
    middle_means(s, &means);
  } else {
    corner_means(s, &means);
  }
  for (int j = 0; j < C; j++) mu[j] = means;
  for (int j = 0; j < C; j++) set_params_from_mu(j);

  // Hierarchical means and variances at their prior means.
  length_mean = length_mean_prior[0] / length_mean_prior[1];
  length_var = 2 * length_var_prior[0] / length_var_prior[1];
  gradient_mean = gradient_mean_prior[0] / gradient_mean_prior[1];
  gradient_var = 2 * gradient_var_prior[0] / gradient_var_prior[1];
  fraction_mean =
      fraction_mean_prior[0] / (fraction_mean_prior[0] + fraction_mean_prior[1]);
  fraction_var =
      2 * fraction_var_prior[0] / (fraction_var_prior[0] + fraction_var_prior[1]);
  departure_mean =
      departure_mean_prior[0] / (departure_mean_prior[0] + departure_mean_prior[1]);
  departure_var =
      2 * departure_var_prior[0] / (departure_var_prior[0] + departure_var_prior[1]);
  center_mean = {0.7, 0.7};
  center_var = 3 * center_var_prior_mean[0];
  for (int j = 0; j < C; j++) sigma[j] = sigma_mean_prior[0] / sigma_mean_prior[1];
  sigma_mean = sigma_mean_prior[0] / sigma_mean_prior[1];
  sigma_var = sigma_var_prior[0] / sigma_var_prior[1];
  for (int j = 0; j < C; j++)
    varfrac[j] = varfrac_mean_prior[0] / (varfrac_mean_prior[0] + varfrac_mean_prior[1]);
  varfrac_mean = varfrac_mean_prior[0] / (varfrac_mean_prior[0] + varfrac_mean_prior[1]);
  varfrac_var = varfrac_var_prior[0] / (varfrac_var_prior[0] + varfrac_var_prior[1]);

  // Correlations: drawn from their priors, class by class, cohort by cohort.
  for (int k = 0; k < 3; k++) {
    for (int j = 0; j < C; j++) {
      r[j][k] = genbet(r_mean_prior_a[k], r_mean_prior_b[k]);
    }
    r_mean[k] = r_mean_prior_a[k] / (r_mean_prior_a[k] + r_mean_prior_b[k]);
    r_var[k] = r_var_prior_a[k] / (r_var_prior_a[k] + r_var_prior_b[k]);
  }

  update_calls(false);
  if (pr) std::cout << "done" << std::endl;
}
