// The model object's storage for one SNP, and the copies of the best state.
#include <iostream>

#include "data.h"

data::data() {}

void data::set_storage() {
  std::cout << " setting storage..." << std::flush;
  const int C = n_cohorts;

  calls.clear();
  counts.clear();
  for (int c = 0; c < C; c++) {
    calls.push_back(std::vector<int>(n_ind[c], 4));
    counts.push_back(std::vector<int>(4, 0));
  }

  lambda.assign(C, vec(4, 0.0));
  alpha.resize(C, 0.0);
  eta.resize(C, 0.0);
  mu.assign(C, vec2(3, vec(2, 0.0)));
  length.resize(C, 0.0);
  gradient.resize(C, 0.0);
  fraction.resize(C, 0.0);
  departure.resize(C, 0.0);
  center.assign(C, vec(2, 0.0));
  sigma.resize(C, 0.0);
  varfrac.resize(C, 0.0);
  r.assign(C, vec(3, 0.0));
  r_mean.resize(3, 0.0);
  r_var.resize(3, 0.0);
  log_posterior_terms.resize(7, 0.0);

  call_probs.clear();
  call_tallies.clear();
  for (int c = 0; c < C; c++) {
    call_probs.push_back(vec2(n_ind[c], vec(4, 0.0)));
    call_tallies.push_back(vec2(n_ind[c], vec(4, 0.0)));
  }
  std::cout << "done" << std::endl;
}

namespace {
// Resizes a stored per-cohort array to C entries; new entries copy entry k as
// it stood before the resize.
template <typename T>
void widen_from(std::vector<T>& stored, int k, int C) {
  const T source = stored[k];
  stored.resize(C, source);
}
}  // namespace

void data::recycle_max_params(int k) {
  std::cout << " setting maximium for all cohorts from one...";
  const int C = n_cohorts;
  widen_from(lambda_store, k, C);
  widen_from(alpha_store, k, C);
  widen_from(eta_store, k, C);
  widen_from(sigma_store, k, C);
  widen_from(r_store, k, C);
  widen_from(mu_store, k, C);
  widen_from(gradient_store, k, C);
  widen_from(varfrac_store, k, C);
  widen_from(length_store, k, C);
  widen_from(fraction_store, k, C);
  widen_from(departure_store, k, C);
  widen_from(center_store, k, C);
  std::cout << "done" << std::endl;
}

// Every member that a store copies into its twin and a restore copies back.
#define VELMAR_STORED_MEMBERS(X) \
  X(lambda)                      \
  X(alpha)                       \
  X(alpha_star)                  \
  X(eta)                         \
  X(eta_mean)                    \
  X(eta_var)                     \
  X(sigma)                       \
  X(sigma_mean)                  \
  X(sigma_var)                   \
  X(r)                           \
  X(r_mean)                      \
  X(r_var)                       \
  X(varfrac)                     \
  X(varfrac_mean)                \
  X(varfrac_var)                 \
  X(mu)                          \
  X(gradient)                    \
  X(gradient_mean)               \
  X(gradient_var)                \
  X(length)                      \
  X(length_mean)                 \
  X(length_var)                  \
  X(fraction)                    \
  X(fraction_mean)               \
  X(fraction_var)                \
  X(departure)                   \
  X(departure_mean)              \
  X(departure_var)               \
  X(center)                      \
  X(center_mean)                 \
  X(center_var)

void data::store_state() {
#define VELMAR_STORE(m) m##_store = m;
  VELMAR_STORED_MEMBERS(VELMAR_STORE)
#undef VELMAR_STORE
}

void data::restore_state() {
#define VELMAR_RESTORE(m) m = m##_store;
  VELMAR_STORED_MEMBERS(VELMAR_RESTORE)
#undef VELMAR_RESTORE
}
