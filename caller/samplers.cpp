// Samplers that the fit uses: gamma and beta variates, a class from its
// probabilities.
#include "stats.h"

#include "vargen1.h"
#include "vargen2.h"

// A gamma variate with shape a and rate b: one draw of a fresh Gamma of
// shape a, scaled by the rate.
double rgamma(double a, double b) {
  Gamma g(a);
  double x = g.Next();
  return x / b;
}

// A beta variate from two gamma variates, X ~ Gamma(a) then Y ~ Gamma(b),
// returned as X / (X + Y). The parameters arrive in single precision.
double genbet(float a, float b) {
  Gamma ga(static_cast<double>(a));
  Gamma gb(static_cast<double>(b));
  double x = ga.Next();
  double y = gb.Next();
  return x / (x + y);
}
// STUB rmultinom: replaced by the genotype calls' author
