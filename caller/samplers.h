// Samplers that the fit uses: gamma and beta variates, and a class drawn
// from its probabilities. Every draw comes from the installed generator.
#ifndef VELMAR_SAMPLERS_H
#define VELMAR_SAMPLERS_H

#include <vector>

// A gamma variate with shape a and rate b.
double rgamma(double a, double b);

// A beta variate with parameters a and b (taken in single precision).
double genbet(float a, float b);

// A class drawn from the probabilities p, counted from 1.
int rmultinom(std::vector<double>* p);

#endif
