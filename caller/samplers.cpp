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

// A class drawn from the probabilities p, counted from 1: one uniform u,
// from which the probabilities are taken away in turn until it is used up.
// When rounding leaves the probabilities summing to less than u, the last
// class is returned; 0 only for a non-positive u.
int rmultinom(std::vector<double>* p) {
  Uniform uniform;
  double u = uniform.Next();
  if (!(u > 0)) return 0;
  const std::vector<double>& probs = *p;
  for (size_t i = 0; i < probs.size(); i++) {
    u = u - probs[i];
    if (!(u > 0)) return static_cast<int>(i) + 1;
  }
  return static_cast<int>(probs.size());
}
