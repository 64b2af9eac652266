// The shared Metropolis-Hastings step rule and its proposals.
#include "step_rule.h"

#include <cmath>
#include <iostream>

#include "densities.h"
#include "samplers.h"
#include "vargen1.h"

namespace mh {

bool in_support(support kind, double x) {
  if (kind == support::positive) return x > 1e-8;
  return x > 1e-8 && x < 0.99999999;
}

double family_prior(support kind, double x, double m, double v) {
  if (kind == support::positive) return log_dgamma_mean_var(x, m, v);
  return log_dbeta_mean_var(x, m, v);
}

double hyper_prior(support kind, double h, double a, double b) {
  if (kind == support::positive) return log_dgamma(h, a, b);
  return log_dbeta(h, a, b);
}

double proposal::corrected(double L, double x, double y) const {
  // Written as is to keep its bits: see step_rule.h.
  if (order_ == reverse_first) {
    const double back = log_q(x, y);
    const double forth = log_q(y, x);
    return (L + back) - forth;
  }
  const double forth = log_q(y, x);
  const double back = log_q(x, y);
  return (L - forth) + back;
}

double gamma_walk::draw(double x) const { return rgamma(c_ * x, c_); }

double gamma_walk::log_q(double y, double x) const { return log_dgamma(y, c_ * x, c_); }

double beta_walk::draw(double x) const {
  return genbet(static_cast<float>(c_ * x + eps_),
                static_cast<float>((1 - x) * c_ + eps_));
}

double beta_walk::log_q(double y, double x) const {
  return log_dbeta(y, c_ * x + eps_, (1 - x) * c_ + eps_);
}

double gamma_about(double m, double v) { return rgamma(m * m / v, m / v); }

double beta_about(double m, double v, double offset_a, double offset_b) {
  const double a = m * (1 - v) / v + offset_a;
  const double b = (1 - m) * (1 - v) / v + offset_b;
  return genbet(static_cast<float>(a), static_cast<float>(b));
}

vec normal_about(Normal& normal, const vec& mean, double variance) {
  const double spread = std::sqrt(variance);
  vec drawn(2);
  const double z1 = normal.Next();
  drawn[0] = mean[0] + z1 * spread;
  const double z2 = normal.Next();
  drawn[1] = mean[1] + z2 * spread;
  return drawn;
}

double prior_draw::draw(double) const {
  if (kind() == support::positive) return gamma_about(m_, v_);
  return beta_about(m_, v_);
}

double prior_draw::log_q(double y, double) const {
  return family_prior(kind(), y, m_, v_);
}

namespace {
std::function<void(const decision&)> the_observer;
}

void set_observer(std::function<void(const decision&)> observer) {
  the_observer = std::move(observer);
}

bool test(const ::data& d, double L, double t, double current, double proposed) {
  bool accepted;
  double u = NAN;
  if (!d.sampling) {
    accepted = L > 0;
  } else {
    Uniform uniform;
    u = uniform.Next();
    accepted = t > 0 || u < std::exp(t);
  }
  if (the_observer) the_observer(decision{L, t, accepted, u, current, proposed});
  return accepted;
}

void accept_trace(::data& d, double L) {
  std::cout << "accept" << std::endl;
  const double lp = d.log_posterior(false);
  std::cout << "old = " << lp - L << " new = " << lp << " mh = " << L << std::endl;
}

outcome step(::data& d, double& x, const proposal& q,
             const std::function<double(double)>& log_ratio, double& counter, bool trace,
             const std::function<void()>& after_reject) {
  const double old = x;
  double proposed = q.draw(old);
  if (!in_support(q.kind(), proposed)) proposed = old;
  const double L = log_ratio(proposed);
  const double t = d.sampling ? q.corrected(L, old, proposed) : L;
  const bool accepted = test(d, L, t, old, proposed);
  if (accepted) {
    x = proposed;
    counter += 1.0;
    if (trace && !d.sampling && d.names) accept_trace(d, L);
  } else {
    x = old;
    if (after_reject) after_reject();
  }
  return outcome{accepted, proposed, L};
}

outcome hyper_step(::data& d, const hyper& h, const proposal& q, double& counter,
                   bool trace) {
  double& moving = h.moving_mean ? *h.mean : *h.var;
  return step(
      d, moving, q,
      [&](double proposed) {
        const double old = moving;
        const double m_new = h.moving_mean ? proposed : *h.mean;
        const double v_new = h.moving_mean ? *h.var : proposed;
        // Written as is to keep its bits: see step_rule.h.
        double L = 0;
        for (int j = 0; j < d.n_cohorts; ++j) {
          const double value = (*h.values)[j];
          L = L + family_prior(h.kind, value, m_new, v_new);
          L = L - family_prior(h.kind, value, *h.mean, *h.var);
        }
        return (L + hyper_prior(h.kind, proposed, h.a, h.b)) -
               hyper_prior(h.kind, old, h.a, h.b);
      },
      counter, trace);
}

}  // namespace mh
