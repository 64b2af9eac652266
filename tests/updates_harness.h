// Checks shared by the update-step tests.
//
// A step is run on a small model with a recording generator installed and an
// observer on the step rule. Afterwards every decision the rule made is
// checked against independent computations:
//  - its log ratio equals the change of the full log posterior (calls held
//    fixed) when the one moved value goes from its current to its proposed
//    value;
//  - in sampling mode, the test value less the log ratio equals the proposal
//    correction log q(x | x') - log q(x' | x), from Boost's densities;
//  - the uniforms the step drew before the decision are exactly those of its
//    proposal (replayed by hand from the recorded uniforms), followed, in
//    sampling mode only, by exactly one uniform, the one the rule tested;
//  - the outcome follows from the ratio and the uniform, and the model holds
//    the accepted values (the rejected ones are put back).
#ifndef VELMAR_TESTS_UPDATES_HARNESS_H
#define VELMAR_TESTS_UPDATES_HARNESS_H

#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "mixture_fixture.h"
#include "samplers.h"
#include "scripted_rng.h"
#include "step_rule.h"

namespace harness {

// Log densities from Boost, independent of the model's own forms.
inline double log_gamma_pdf(double y, double shape, double rate) {
  return std::log(
      boost::math::pdf(boost::math::gamma_distribution<double>(shape, 1.0 / rate), y));
}
inline double log_beta_pdf(double y, double a, double b) {
  return std::log(boost::math::pdf(boost::math::beta_distribution<double>(a, b), y));
}
inline double log_gamma_mean_var(double y, double m, double v) {
  return log_gamma_pdf(y, m * m / v, m / v);
}
inline double log_beta_mean_disp(double y, double m, double v) {
  return log_beta_pdf(y, m * (1 - v) / v, (1 - m) * (1 - v) / v);
}

// A model of C cohorts with three well-separated clusters per cohort, the
// points called by the most probable class.
inline void make_model(data* d, int cohorts) {
  std::vector<cohort_points> all;
  for (int c = 0; c < cohorts; ++c) {
    cohort_points pts;
    const double shift = 0.03 * c;
    // Small fixed offsets about three cluster means.
    const double off[6][2] = {{0.02, -0.01},  {-0.03, 0.02}, {0.01, 0.03},
                              {-0.02, -0.02}, {0.04, 0.0},   {0.0, -0.04}};
    const double centres[3][2] = {{1.6 + shift, 0.4}, {1.15, 1.2 + shift}, {0.4, 1.6}};
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 6; ++i)
        pts.push_back({centres[k][0] + off[i][0], centres[k][1] + off[i][1]});
    pts.push_back({0.9, 0.3});  // an outlier
    all.push_back(pts);
  }
  fill_model(d, all);
  d->sampling = false;
  d->update_calls(false);
}

// One moved value: how to reach it in a model, whether the class means follow
// it, how its proposal is drawn (replayed from recorded uniforms) and its log
// proposal density log q(y | x).
struct target {
  std::string what;
  std::function<double&(data&)> value;
  int rebuild_cohort;  // -1: the class means do not depend on it
  mh::support kind;
  std::function<double(double x)> propose;
  std::function<double(double y, double x)> log_q;
};

struct observed {
  mh::decision dec;
  std::size_t drawn_before;  // uniforms drawn when the decision was made
};

// Runs `step` with the recording generator `rng` installed and returns what
// the rule decided, in order; `rng` keeps the record of the uniforms.
inline std::vector<observed> run_observed(ScriptedRNG& rng,
                                          const std::function<void()>& step) {
  std::vector<observed> seen;
  rng.install();
  rng.clear();
  mh::set_observer([&](const mh::decision& dec) {
    seen.push_back(observed{dec, rng.count()});
  });
  step();
  mh::set_observer(nullptr);
  return seen;
}

// Replays `fn` on exactly the uniforms drawn[from, to): it must use them all
// and no more. Reinstalls `back` afterwards.
inline double replay(const std::vector<double>& drawn, std::size_t from, std::size_t to,
                     const std::function<double()>& fn, ScriptedRNG& back, bool* exact) {
  ScriptedRNG script(std::vector<double>(drawn.begin() + from, drawn.begin() + to));
  script.install();
  double value = NAN;
  *exact = true;
  try {
    value = fn();
  } catch (const std::out_of_range&) {
    *exact = false;
  }
  if (script.remaining() != 0) *exact = false;
  back.install();
  return value;
}

// The full check of one run of a step whose decisions move `targets` in
// order. `before` is the model as it stood before the step, `after` as it
// stands after.
inline void check_decisions(const data& before, data& after,
                            const std::vector<observed>& seen,
                            const std::vector<target>& targets, ScriptedRNG& rng,
                            std::size_t start = 0) {
  ASSERT_EQ(seen.size(), targets.size()) << "number of decisions";
  data shadow = before;
  const std::vector<double> drawn = rng.drawn();
  std::size_t position = start;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const target& tg = targets[i];
    const mh::decision& dec = seen[i].dec;
    SCOPED_TRACE("decision " + std::to_string(i) + " (" + tg.what + ")");
    double& value = tg.value(shadow);
    const double x = value;
    EXPECT_EQ(dec.current, x);

    // Draws: the proposal, then one uniform when sampling.
    const std::size_t end = seen[i].drawn_before - (before.sampling ? 1 : 0);
    if (position > end) {
      ADD_FAILURE() << "the decision came before its proposal's draws";
      return;
    }
    bool exact = false;
    const double raw = replay(
        drawn, position, end, [&] { return tg.propose(x); }, rng, &exact);
    EXPECT_TRUE(exact) << "the proposal uses exactly the uniforms before the test";
    const double expected = mh::in_support(tg.kind, raw) ? raw : x;
    EXPECT_EQ(dec.proposed, expected);
    if (before.sampling) {
      EXPECT_EQ(dec.u, drawn[end]);
      EXPECT_EQ(dec.accepted, dec.t > 0 || dec.u < std::exp(dec.t));
    } else {
      EXPECT_TRUE(std::isnan(dec.u));
      EXPECT_EQ(dec.accepted, dec.L > 0);
    }
    position = seen[i].drawn_before;

    // The ratio against the change of the full log posterior.
    const double lp0 = shadow.log_posterior(false);
    value = dec.proposed;
    if (tg.rebuild_cohort >= 0) shadow.set_mu_from_params(tg.rebuild_cohort);
    const double lp1 = shadow.log_posterior(false);
    const double tol = 1e-9 * (1 + std::fabs(lp0));
    EXPECT_NEAR(dec.L, lp1 - lp0, tol);
    if (before.sampling && dec.proposed != x) {
      const double correction = tg.log_q(x, dec.proposed) - tg.log_q(dec.proposed, x);
      EXPECT_NEAR(dec.t - dec.L, correction, 1e-7 * (1 + std::fabs(correction)));
    }
    if (before.sampling && dec.proposed == x) {
      EXPECT_NEAR(dec.t, dec.L, 1e-12 * (1 + std::fabs(dec.L)));
    }
    if (!dec.accepted) {
      value = x;
      if (tg.rebuild_cohort >= 0) shadow.set_mu_from_params(tg.rebuild_cohort);
    }
  }
  EXPECT_EQ(position, drawn.size()) << "no draw after the last decision";
  for (const target& tg : targets)
    EXPECT_EQ(tg.value(after), tg.value(shadow)) << tg.what;
  for (int j = 0; j < after.n_cohorts; ++j)
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 2; ++c)
        EXPECT_EQ(after.mu[j][k][c], shadow.mu[j][k][c]) << "class means";
}

// How many times the full log posterior was evaluated, from what a step
// printed with the trace of function names on: its lines
// "log_posterior_X_given_K()".
inline int posterior_evaluations(const std::string& out) {
  std::istringstream in(out);
  std::string line;
  int evaluations = 0;
  while (std::getline(in, line))
    if (line == "log_posterior_X_given_K()") ++evaluations;
  return evaluations;
}

// Proposals, as the steps draw them.
inline std::function<double(double)> gamma_walk(double c) {
  return [c](double x) { return rgamma(c * x, c); };
}
inline std::function<double(double)> beta_walk(double c, double eps) {
  return [c, eps](double x) { return genbet(c * x + eps, (1 - x) * c + eps); };
}
inline std::function<double(double, double)> gamma_walk_q(double c) {
  return [c](double y, double x) { return log_gamma_pdf(y, c * x, c); };
}
inline std::function<double(double, double)> beta_walk_q(double c, double eps) {
  return [c, eps](double y, double x) {
    return log_beta_pdf(y, c * x + eps, (1 - x) * c + eps);
  };
}

}  // namespace harness

#endif
