// The density forms the model is written in: natural-log densities of the
// Beta, Gamma and normal distributions, used by the log posterior and the
// acceptance ratios of the update steps. log_dgamma and log_dnorm belong to
// the statistics library's family of densities too (statistics.h includes
// this header).
#ifndef VELMAR_DENSITIES_H
#define VELMAR_DENSITIES_H

// Log density of Beta(a, b) at x.
double log_dbeta(double x, double a, double b);

// Log density of the Beta with mean m and dispersion v (both in (0, 1)):
// log_dbeta(x, a, b) with a = m(1 - v)/v and b = (1 - m)(1 - v)/v, so that
// the Beta's variance is m(1 - m)v.
double log_dbeta_mean_var(double x, double m, double v);

// Log density of the Gamma with mean m and variance v: shape m*m/v, rate m/v.
double log_dgamma_mean_var(double x, double m, double v);

// Log density of the Gamma with shape a and rate b at x (the hyper-prior of
// the Gamma-type families).
double log_dgamma(double x, double a, double b);

// Log density of the normal with mean m and variance w at x, with 2 pi
// written as 6.283185308.
double log_dnorm(double x, double m, double w);

#endif
