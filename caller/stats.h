// Densities and samplers that the fit uses.
#ifndef VELMAR_STATS_H
#define VELMAR_STATS_H

#include <vector>

// Log density of Beta(a, b) at x.
double log_dbeta(double x, double a, double b);

// A gamma variate with shape a and rate b.
double rgamma(double a, double b);

// A beta variate with parameters a and b (taken in single precision).
double genbet(float a, float b);

// A class drawn from the probabilities p, counted from 1.
int rmultinom(std::vector<double>* p);

#endif
