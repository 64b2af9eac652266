// Random-variate library: chi-square distributions.
//
// ChiSq composes simpler generators, using the additivity of chi-square
// variates: twice a standard exponential is a chi-square with 2 degrees of
// freedom, twice a gamma of shape k/2 one with k, and a non-central
// chi-square with df degrees of freedom and non-centrality lambda is a
// central one with df - 1 plus a non-central one with 1 degree of freedom
// and non-centrality lambda (or, for df = 2, the sum of two with lambda/2).
//
//   version  df, noncen          first           second      Next
//   0        1, any              ChiSq1(nc)      -           first
//   1        2, 0                Exponential     -           2 first
//   2        > 2, 0              Gamma2(df/2)    -           2 first
//   3        2, > 0              ChiSq1(nc/2)    -           first + first
//   4        3, > 0              Exponential     ChiSq1(nc)  2 first + second
//   5        > 3, > 0            Gamma2((df-1)/2) ChiSq1(nc) 2 first + second
#include <cmath>
#include <memory>
#include <new>

#include "allocation.h"
#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Logic_error;
using vargen_internal::checked;

// ---------------------------------------------------------------------------
// ChiSq1

ChiSq1::ChiSq1(double noncen) : deltasq(noncen), delta(std::sqrt(noncen)) {}

double ChiSq1::Next() {
  const double z = SymGen::Next();
  const double t = z + delta;
  return t * t;
}

ExtReal ChiSq1::Mean() const { return 1.0 + deltasq; }
ExtReal ChiSq1::Variance() const { return 4.0 * deltasq + 2.0; }

// ---------------------------------------------------------------------------
// ChiSq

ChiSq::ChiSq(int df, double noncen)
    : c1(nullptr), c2(nullptr), version(0), mean(0.0), var(0.0) {
  // A NaN non-centrality is refused with the negative ones.
  if (df <= 0 || !(noncen >= 0.0)) throw Logic_error("Vargen: illegal parameters");
  if (df == 1)
    version = 0;
  else if (noncen == 0.0)
    version = (df == 2) ? 1 : 2;
  else if (df == 2)
    version = 3;
  else if (df == 3)
    version = 4;
  else
    version = 5;

  // Held until the whole object stands, so that a failure frees them again.
  std::unique_ptr<Random> first;
  std::unique_ptr<Random> second;
  switch (version) {
    case 0:
      first.reset(new (std::nothrow) ChiSq1(noncen));
      break;
    case 1:
      first.reset(new (std::nothrow) Exponential);
      break;
    case 2:
      first.reset(new (std::nothrow) Gamma2(df / 2.0));
      break;
    case 3:
      first.reset(new (std::nothrow) ChiSq1(noncen / 2.0));
      break;
    case 4:
      first.reset(new (std::nothrow) Exponential);
      break;
    default:
      first.reset(new (std::nothrow) Gamma2((df - 1) / 2.0));
      break;
  }
  checked(first.get());
  if (version > 3) second.reset(checked(new (std::nothrow) ChiSq1(noncen)));

  c1 = first.release();
  c2 = second.release();
  mean = df + noncen;
  var = 2.0 * df + 4.0 * noncen;
}

ChiSq::~ChiSq() {
  delete c1;
  delete c2;
}

double ChiSq::Next() {
  switch (version) {
    case 0:
      return c1->Next();
    case 1:
    case 2:
      return 2.0 * c1->Next();
    case 3: {
      const double a = c1->Next();
      const double b = c1->Next();
      return a + b;
    }
    default: {
      const double a = c1->Next();
      const double b = c2->Next();
      return 2.0 * a + b;
    }
  }
}

const char* ChiSq::Name() { return "ChiSq"; }
ExtReal ChiSq::Mean() const { return mean; }
ExtReal ChiSq::Variance() const { return var; }
