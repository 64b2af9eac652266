// The density forms of the model (see densities.h).
#include "densities.h"

#include <cmath>

double log_dbeta(double x, double a, double b) {
  return (a - 1) * std::log(x) + (b - 1) * std::log(1 - x) + std::lgamma(a + b) -
         std::lgamma(a) - std::lgamma(b);
}

double log_dbeta_mean_var(double x, double m, double v) {
  const double a = m * (1 - v) / v;
  const double b = (1 - m) * (1 - v) / v;
  return log_dbeta(x, a, b);
}

double log_dgamma_mean_var(double x, double m, double v) {
  const double shape = m * m / v;
  const double rate = m / v;
  return shape * std::log(rate) - std::lgamma(shape) + (shape - 1) * std::log(x) -
         rate * x;
}

double log_dgamma(double x, double a, double b) {
  return a * std::log(b) - std::lgamma(a) + (a - 1) * std::log(x) - b * x;
}

double log_dnorm(double x, double m, double w) {
  return -0.5 * ((x - m) * (x - m) / w + std::log(6.283185308 * w));
}
