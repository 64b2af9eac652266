// A small model object for the mixture-model tests: one SNP, the given
// cohorts' points, storage sized and every parameter set to a plausible
// value, class means built from the line parameters.
#ifndef VELMAR_TESTS_MIXTURE_FIXTURE_H
#define VELMAR_TESTS_MIXTURE_FIXTURE_H

#include <cmath>
#include <vector>

#include "capture_stdout.h"
#include "data.h"

// Points of one cohort: (x, y) pairs.
typedef std::vector<std::vector<double> > cohort_points;

inline void fill_model(data* d, const std::vector<cohort_points>& cohorts) {
  d->n_cohorts = static_cast<int>(cohorts.size());
  d->n_ind.clear();
  d->snps.assign(1, snp());
  d->current_snp = 0;
  snp& s = d->snps[0];
  for (size_t c = 0; c < cohorts.size(); c++) {
    d->n_ind.push_back(static_cast<int>(cohorts[c].size()));
    s.points.push_back(cohorts[c]);
    s.cohort_of.push_back(std::vector<int>(cohorts[c].size(), static_cast<int>(c)));
  }
  s.clumps.assign(cohorts.size(), grid());

  {
    CaptureStdout quiet;
    d->set_storage();
  }

  for (int j = 0; j < d->n_cohorts; j++) {
    d->alpha[j] = 0.4 + 0.05 * j;
    d->eta[j] = 0.05;
    d->lambda[j] = {0.3, 0.4, 0.25, 0.05};
    d->center[j] = {1.0, 1.0};
    d->gradient[j] = 1.1;
    d->length[j] = 1.4;
    d->fraction[j] = 0.5;
    d->departure[j] = 0.4;
    d->sigma[j] = 0.1 + 0.01 * j;
    d->varfrac[j] = 0.5;
    d->r[j] = {0.1, 0.6, 0.2};
    d->set_mu_from_params(j);
  }
  d->alpha_star = 0.45;
  d->allele_prior_a = 54;
  d->eta_mean = 0.04;
  d->eta_var = 0.02;
  d->gradient_mean = 1.0;
  d->gradient_var = 0.5;
  d->length_mean = 1.5;
  d->length_var = 0.3;
  d->fraction_mean = 0.5;
  d->fraction_var = 0.05;
  d->departure_mean = 0.3;
  d->departure_var = 0.1;
  d->sigma_mean = 0.12;
  d->sigma_var = 0.01;
  d->varfrac_mean = 0.4;
  d->varfrac_var = 0.1;
  d->r_mean = {0.1, 0.5, 0.1};
  d->r_var = {0.05, 0.1, 0.05};
  d->center_mean = {0.95, 1.05};
  d->center_var = 0.02;
}

// A grid cell with the given keys and count whose individuals' mean is
// (x, y); call 3 and zero probabilities, as the clumping makes them.
inline void add_cell(data* d, int j, double kx, double ky, int count, double x,
                     double y) {
  point p;
  p.count = count;
  p.call = 3;
  p.x = x;
  p.y = y;
  d->snps[d->current_snp].clumps[j][kx][ky] = p;
}

// A grid cell whose individuals' mean is its keys.
inline void add_cell(data* d, int j, double kx, double ky, int count) {
  add_cell(d, j, kx, ky, count, kx, ky);
}

#endif
