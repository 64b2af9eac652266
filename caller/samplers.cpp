// Samplers that the fit uses: gamma and beta variates, a class from its
// probabilities.
#include "samplers.h"

#include <memory>

#include "vargen1.h"
#include "vargen2.h"

namespace {

// The Gamma generators of the shapes drawn from most recently, kept for
// reuse. Building a generator's strip table evaluates its density some 120
// times, and the fit often draws from a shape again (a walk from a value
// whose last move was rejected, a prior draw for each cohort). The build
// takes no uniforms, so a generator whose table is built draws exactly as a
// fresh Gamma of the same shape would.
class gamma_pool {
 public:
  // The generator of shape a; on a miss a fresh Gamma(a) takes the place of
  // the least recently used one.
  Gamma& of_shape(double a) {
    ++clock_;
    entry* oldest = &entries_[0];
    for (entry& e : entries_) {
      if (e.generator && e.shape == a) {
        e.last_use = clock_;
        return *e.generator;
      }
      if (e.last_use < oldest->last_use) oldest = &e;
    }
    oldest->generator.reset();
    oldest->generator.reset(new Gamma(a));  // throws for a shape <= 0
    oldest->shape = a;
    oldest->last_use = clock_;
    return *oldest->generator;
  }

 private:
  struct entry {
    double shape = 0;
    unsigned long long last_use = 0;
    std::unique_ptr<Gamma> generator;
  };
  entry entries_[64];
  unsigned long long clock_ = 0;
};

Gamma& gamma_of_shape(double a) {
  static gamma_pool pool;
  return pool.of_shape(a);
}

}  // namespace

// A gamma variate with shape a and rate b: one draw of a Gamma of shape a,
// scaled by the rate.
double rgamma(double a, double b) {
  double x = gamma_of_shape(a).Next();
  return x / b;
}

// A beta variate from two gamma variates, X ~ Gamma(a) then Y ~ Gamma(b),
// returned as X / (X + Y). The parameters arrive in single precision.
double genbet(float a, float b) {
  // Both generators are found before either draws, as two fresh ones would
  // be made; the second lookup never evicts the first, just used.
  Gamma& ga = gamma_of_shape(static_cast<double>(a));
  Gamma& gb = gamma_of_shape(static_cast<double>(b));
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
