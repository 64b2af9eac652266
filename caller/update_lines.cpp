// Steps of the line parameters that place the class means: gradient and
// length (Gamma-type), fraction and departure (Beta-type), each with its
// hierarchical mean and variance or dispersion.
//
// A cohort's value moves by an independence step whose proposal is a fresh
// draw from the family's prior; the hyper-parameters move by random walks
// with the first pk concentration. The four families differ only in the
// members they use, so one description per family drives the same code.
#include <iostream>

#include "data.h"
#include "step_rule.h"

namespace {

struct line_family {
  vec data::*values;
  double data::*mean;
  double data::*var;
  vec data::*mean_prior;
  vec data::*var_prior;
  double data::*counter;
  mh::support kind;
  int classes;       // classes whose likelihood the value shapes
  bool trace;        // accept trace of the per-cohort moves
  const char* name;  // printed under "-names" by the per-cohort step
  const char* mean_name;
  const char* var_name;
};

const line_family gradients = {&data::gradient,
                               &data::gradient_mean,
                               &data::gradient_var,
                               &data::gradient_mean_prior,
                               &data::gradient_var_prior,
                               &data::accept_gradient,
                               mh::support::positive,
                               3,
                               true,
                               "update_gradients()",
                               "update_gradient_mean()",
                               "update_gradient_var()"};

const line_family lengths = {&data::length,
                             &data::length_mean,
                             &data::length_var,
                             &data::length_mean_prior,
                             &data::length_var_prior,
                             &data::accept_length,
                             mh::support::positive,
                             3,
                             true,
                             "update_lengths()",
                             "update_length_mean()",
                             "update_length_var()"};

const line_family fractions = {&data::fraction,
                               &data::fraction_mean,
                               &data::fraction_var,
                               &data::fraction_mean_prior,
                               &data::fraction_var_prior,
                               &data::accept_fraction,
                               mh::support::unit,
                               3,
                               true,
                               "update_fractions()",
                               "update_fraction_mean()",
                               "update_fraction_var()"};

// The departure step also sums the null class (its term cancels) and prints
// no accept trace.
const line_family departures = {&data::departure,
                                &data::departure_mean,
                                &data::departure_var,
                                &data::departure_mean_prior,
                                &data::departure_var_prior,
                                &data::accept_departure,
                                mh::support::unit,
                                4,
                                false,
                                "update_departures()",
                                "update_departure_mean()",
                                "update_departure_var()"};

// One independence step per cohort; the class means follow every move.
void cohort_steps(data& d, const line_family& f) {
  if (d.names) std::cout << f.name << std::endl;
  vec& values = d.*f.values;
  const double m = d.*f.mean;
  const double v = d.*f.var;
  const mh::prior_draw from_prior(f.kind, m, v);
  for (int j = 0; j < d.n_cohorts; ++j) {
    const unsigned classes = (1u << f.classes) - 1;
    double before[4];
    d.log_posterior_X_given_classes(j, classes, before);
    // Written as is to keep its bits: see step_rule.h.
    double L = 0;
    for (int k = 0; k < f.classes; ++k) L = L - before[k];
    mh::step(
        d, values[j], from_prior,
        [&](double proposed) {
          const double old = values[j];
          values[j] = proposed;
          d.set_mu_from_params(j);
          double after[4];
          d.log_posterior_X_given_classes(j, classes, after);
          double logr = L;
          for (int k = 0; k < f.classes; ++k) logr = logr + after[k];
          return (logr + mh::family_prior(f.kind, values[j], m, v)) -
                 mh::family_prior(f.kind, old, m, v);
        },
        d.*f.counter, f.trace, [&] { d.set_mu_from_params(j); });
  }
}

// A random walk of the family's mean or variance, with its accept trace.
void hyper_step(data& d, const line_family& f, bool moving_mean) {
  if (d.names) std::cout << (moving_mean ? f.mean_name : f.var_name) << std::endl;
  const vec& pair = moving_mean ? d.*f.mean_prior : d.*f.var_prior;
  const mh::hyper h{f.kind,      &(d.*f.values), &(d.*f.mean), &(d.*f.var),
                    moving_mean, pair[0],        pair[1]};
  const double k = d.pk[0];
  // Written as is (forward_first) to keep its bits: see step_rule.h.
  if (f.kind == mh::support::positive)
    mh::hyper_step(d, h, mh::gamma_walk(k, mh::proposal::forward_first), d.*f.counter,
                   true);
  else
    mh::hyper_step(d, h, mh::beta_walk(k, 0.0, mh::proposal::forward_first), d.*f.counter,
                   true);
}

void family_sweep(data& d, const line_family& f, void (data::*mean_step)(),
                  void (data::*var_step)()) {
  cohort_steps(d, f);
  (d.*mean_step)();
  (d.*var_step)();
}

}  // namespace

void data::update_gradients() {
  family_sweep(*this, gradients, &data::update_gradient_mean, &data::update_gradient_var);
}
void data::update_lengths() {
  family_sweep(*this, lengths, &data::update_length_mean, &data::update_length_var);
}
void data::update_fractions() {
  family_sweep(*this, fractions, &data::update_fraction_mean, &data::update_fraction_var);
}
void data::update_departures() {
  family_sweep(*this, departures, &data::update_departure_mean,
               &data::update_departure_var);
}

void data::update_gradient_mean() { hyper_step(*this, gradients, true); }
void data::update_gradient_var() { hyper_step(*this, gradients, false); }
void data::update_length_mean() { hyper_step(*this, lengths, true); }
void data::update_length_var() { hyper_step(*this, lengths, false); }
void data::update_fraction_mean() { hyper_step(*this, fractions, true); }
void data::update_fraction_var() { hyper_step(*this, fractions, false); }
void data::update_departure_mean() { hyper_step(*this, departures, true); }
void data::update_departure_var() { hyper_step(*this, departures, false); }
