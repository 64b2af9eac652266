// The rule that every Metropolis-Hastings step of the fit shares.
//
// A step moves one parameter x: it draws a proposal x', replaces a proposal
// outside the parameter's support by x itself (the guard), computes the log
// target ratio L of the move, and then
//  - when maximising, accepts if and only if L > 0, drawing nothing more;
//  - when sampling, adds the proposal correction to L, draws exactly one
//    uniform (also when L > 0 or the guard failed) and accepts if the
//    corrected ratio is positive or the uniform lies below its exponential.
// An accepted move increases the step's counter by 1.0 and, when asked,
// prints the accept trace under "-names" in maximisation mode.
//
// The proposal objects below supply the draws and their densities; the
// steps supply only the parameter, the log target ratio and the trace.
//
// Arithmetic kept as written. A seeded run ("-nrs") must give the same
// result files and log bit for bit, so the log ratios of the steps, the
// log posterior and the other sums of the fit keep the exact order and
// grouping they are written in, even where a tidier form looks equal:
//  - 0 - x is not -x: for x = +0 the one is +0, the other -0 (and
//    a + (0 - b) is not a - b when a = -0, b = 0);
//  - x + 0.0 turns -0 into +0;
//  - the order and grouping of a sum or product changes its rounding:
//    (a + b) + c is not a + (b + c), a * (b * c) is not (a * b) * c, a sum of
//    quotients is not the quotient of the sum, and terms that cancel (a prior
//    added and taken away again) still round;
//  - the build uses -ffp-contract=off so that the compiler never fuses a
//    product and a sum into one rounding.
// Each such place carries the line "Written as is to keep its bits: see
// step_rule.h." Change one only with a seeded run compared byte for byte.
#ifndef VELMAR_STEP_RULE_H
#define VELMAR_STEP_RULE_H

#include <cmath>
#include <functional>

#include "data.h"
#include "vargen2.h"

namespace mh {

// Where a parameter lives: Gamma-type on (0, inf), Beta-type on (0, 1).
enum class support { positive, unit };

// The guard: a Gamma-type value must exceed 1e-8, a Beta-type value must
// lie strictly between 1e-8 and 0.99999999. NaN fails both.
bool in_support(support kind, double x);

// The prior of a family member x given the family's hierarchical mean m and
// variance (Gamma-type) or dispersion (Beta-type) v.
double family_prior(support kind, double x, double m, double v);

// The hyper-prior of a family's mean or variance h: Gamma(a, rate b) for a
// Gamma-type family, Beta(a, b) for a Beta-type family.
double hyper_prior(support kind, double h, double a, double b);

// A proposal: how x' is drawn from x and the log density log q(y | x) of
// drawing y from x. The correction log q(x | x') - log q(x' | x) joins the
// log target ratio in one of two orders, the one the step was built with.
class proposal {
 public:
  enum order {
    reverse_first,  // (L + log q(x | x')) - log q(x' | x)
    forward_first   // (L - log q(x' | x)) + log q(x | x')
  };
  proposal(support kind, order o) : kind_(kind), order_(o) {}
  virtual ~proposal() = default;

  support kind() const { return kind_; }
  virtual double draw(double x) const = 0;
  virtual double log_q(double y, double x) const = 0;
  // The sampling-mode test value of a move x -> y with log target ratio L.
  double corrected(double L, double x, double y) const;

 private:
  support kind_;
  order order_;
};

// Gamma random walk with concentration c: y ~ Gamma(shape c x, rate c),
// mean x and variance x / c.
class gamma_walk : public proposal {
 public:
  explicit gamma_walk(double c, order o = reverse_first)
      : proposal(support::positive, o), c_(c) {}
  double draw(double x) const override;
  double log_q(double y, double x) const override;

 private:
  double c_;
};

// Beta random walk with concentration c and offset eps:
// y ~ Beta(c x + eps, (1 - x) c + eps). The draw takes its two parameters in
// single precision; the density is evaluated with them in double precision.
class beta_walk : public proposal {
 public:
  beta_walk(double c, double eps, order o = reverse_first)
      : proposal(support::unit, o), c_(c), eps_(eps) {}
  double draw(double x) const override;
  double log_q(double y, double x) const override;

 private:
  double c_, eps_;
};

// Draws from a family's prior given its mean m and its variance (Gamma-type)
// or dispersion (Beta-type) v: a gamma variate of shape m m / v and rate m / v;
// a beta variate of parameters m (1 - v) / v + offset_a and
// (1 - m)(1 - v) / v + offset_b, both taken in single precision.
double gamma_about(double m, double v);
double beta_about(double m, double v, double offset_a = 0, double offset_b = 0);

// A centre drawn from the centres' normal prior: x, then y, each the mean
// plus a standard normal variate times the standard deviation.
vec normal_about(Normal& normal, const vec& mean, double variance);

// Independence proposal from a family's prior given its mean m and variance
// or dispersion v: the draw ignores the current value. The prior terms of the
// target cancel against the correction, so a sampling-mode test rests on the
// likelihood alone.
class prior_draw : public proposal {
 public:
  prior_draw(support kind, double m, double v)
      : proposal(kind, forward_first), m_(m), v_(v) {}
  double draw(double x) const override;
  double log_q(double y, double x) const override;

 private:
  double m_, v_;
};

// The acceptance test. Maximising: L > 0, nothing drawn. Sampling: one
// uniform u is drawn, then t > 0 or u < exp(t), t the corrected ratio.
// A NaN rejects in both modes. A scalar step passes its current and
// proposed values along for the observer.
bool test(const data& d, double L, double t, double current = NAN, double proposed = NAN);

// One decision of the rule, as an observer sees it: the log ratio L, the
// sampling-mode test value t (L when maximising), the outcome, the uniform
// (NaN when maximising) and, for scalar steps, the values moved between
// (NaN for the centre and joint moves).
struct decision {
  double L, t;
  bool accepted;
  double u;
  double current, proposed;
};

// Installs a function that sees every decision right after it is made, for
// checking and diagnosing the steps; an empty function removes it.
void set_observer(std::function<void(const decision&)> observer);

// The accept trace of maximisation mode under "-names": the line "accept",
// then "old = " (the log posterior before the move, the new one less the
// move's log ratio), " new = " (the log posterior after it) and " mh = " L.
void accept_trace(data& d, double L);

// What a scalar step reports back.
struct outcome {
  bool accepted;
  double proposed;   // x' after the guard
  double log_ratio;  // L, before any correction
};

// One scalar step of the rule. x is the parameter; log_ratio(x') returns L
// (a step that evaluates the likelihood with x' in place writes x' into the
// parameter itself). On acceptance x = x' and counter += 1.0, with the accept
// trace when trace is set; on rejection x takes its old value back, then
// after_reject runs (for instance to rebuild the class means).
outcome step(data& d, double& x, const proposal& q,
             const std::function<double(double)>& log_ratio, double& counter,
             bool trace = false, const std::function<void()>& after_reject = nullptr);

// A step of one hierarchical hyper-parameter of a family whose per-cohort
// values are `values`: the mean (moving_mean) or the variance/dispersion.
// L = sum over cohorts of [prior(value | new) - prior(value | old)] plus the
// change of the hyper-prior with pair (a, b).
struct hyper {
  support kind;
  const vec* values;
  double* mean;
  double* var;
  bool moving_mean;
  double a, b;
};
outcome hyper_step(data& d, const hyper& h, const proposal& q, double& counter,
                   bool trace = false);

}  // namespace mh

#endif
