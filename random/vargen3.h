// Random-variate library, further distributions (included by vargen2.h):
// the alias-method discrete generator, Cauchy, Pareto and stable variates,
// table-method variates of a caller's density, random permutations and
// rounding, Poisson, binomial and negative-binomial variates with fixed or
// per-call parameters, and the operators that combine random variables into
// sums, products, mixtures and selections.
//
// Every uniform is one Next() of the installed generator (Random::RNG).
//
// It has no source of its own: defined in discrete.cpp (the discrete
// generator, Cauchy, Pareto, stable and the caller-density generators),
// permute.cpp (permutations, combinations, sorting and rounding),
// poisson.cpp (Poisson, binomial, negative-binomial and the Vari classes)
// and combine.cpp (the combination operators and their holders).
#ifndef VARGEN_VARGEN3_H
#define VARGEN_VARGEN3_H

#include "vargen2.h"

// ---------------------------------------------------------------------------
// Discrete generator (alias method): n values with given probabilities, two
// uniforms per draw and no loop.  The draws are 0 ... n - 1 (as doubles), or
// the values given.

class DiscreteGen : public Random {
 public:
  DiscreteGen(int n, double* prob);
  DiscreteGen(int n, double* prob, double* values);
  DiscreteGen(const DiscreteGen&) = delete;
  DiscreteGen& operator=(const DiscreteGen&) = delete;
  ~DiscreteGen() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  // Builds the alias tables; on failure throws and holds no table.
  void Gen(int n, double* prob);

  double* alias_prob;  // probability that a draw in cell i moves to alias[i]
  int* alias;
  int n;
  double* val;  // the values drawn, or null for 0 ... n - 1
  double mean;
  double var;
};

// ---------------------------------------------------------------------------
// Other continuous distributions

// The standard Cauchy distribution, by the symmetric table method.
class Cauchy : public SymGen {
 public:
  Cauchy() {}
  const char* Name() override;
  double Density(double x) const override;
  ExtReal Mean() const override;      // Indefinite
  ExtReal Variance() const override;  // PlusInfinity
};

// The Pareto distribution with minimum 1, by inversion.
class Pareto : public Random {
 public:
  explicit Pareto(double shape);
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double shape;
  double rshape;  // -1 / shape
};

// Stable distributions of index alpha and skewness beta, by a transformation
// of one uniform angle and one exponential variate.
class Stable : public Random {
 public:
  enum Notation : int { ContinuousForm, ZeroMeanForm, ScaledForm, UnspecifiedForm };

  Stable(double alpha, double beta, Notation notation);
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;  // 2 at alpha = 2, else PlusInfinity

  static double k(double x);    // 1 - |1 - x|
  double tan2(double x) const;  // tan(x) / x, exact at 0
  static double d2(double z);   // (exp(z) - 1) / z, exact at 0

 private:
  double alpha;
  double beta;        // the skewness that Next uses
  double beta_given;  // the caller's skewness (ScaledForm only)
  Notation notation;
  static constexpr double pi2 = 1.570796327;  // pi / 2 to 10 digits
  static constexpr double pi4 = 0.785398163;  // pi / 4 to 9 digits
};

// Table-method generators over a density supplied by the caller (not owned).
class PosGenX : public PosGen {
 public:
  explicit PosGenX(double (*f)(double)) : density_fn(f) {}
  const char* Name() override;
  double Density(double x) const override;

 private:
  double (*density_fn)(double);
};

class SymGenX : public SymGen {
 public:
  explicit SymGenX(double (*f)(double)) : density_fn(f) {}
  const char* Name() override;
  double Density(double x) const override;

 private:
  double (*density_fn)(double);
};

class AsymGenX : public AsymGen {
 public:
  AsymGenX(double (*f)(double), double mode) : AsymGen(mode), density_fn(f) {}
  const char* Name() override;
  double Density(double x) const override;

 private:
  double (*density_fn)(double);
};

// ---------------------------------------------------------------------------
// Permutations, sorting and rounding

class RandomPermutation {
 public:
  // Writes into s[0] ... s[M-1] M distinct values drawn without replacement
  // from p, p + 1, ..., p + N - 1, in random order; one uniform per value.
  void Next(int N, int M, int* s, int p);
};

class RandomCombination {
 public:
  // Sorts a[0] ... a[n-1] in ascending order (Shell's method).
  void SortAscending(int n, int* a);
};

void ShellSortAscending(int* a, int n);

// The int nearest to x (halves rounded up); throws "Cannot convert to
// integer " when no int represents x.
int Round(double x);

// ---------------------------------------------------------------------------
// Poisson, binomial and negative binomial

// Poisson variates of mean mu: the table method above a mean of 8, a
// 40-entry discrete table up to 8.
class Poisson : public Random {
 public:
  explicit Poisson(double mu);
  Poisson(const Poisson&) = delete;
  Poisson& operator=(const Poisson&) = delete;
  ~Poisson() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  Random* method;  // a Poisson1 or a Poisson2, owned
};

class Poisson1 : public AsymGen {
 public:
  explicit Poisson1(double mu);
  double Next() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double mu;
  double ln_mu;
};

class Poisson2 : public Random {
 public:
  explicit Poisson2(double mu);
  Poisson2(const Poisson2&) = delete;
  Poisson2& operator=(const Poisson2&) = delete;
  ~Poisson2() override;
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  DiscreteGen* dg;  // owned
};

// Binomial variates of n trials with probability p: the table method for at
// least 40 trials and a mean above 8, a discrete table otherwise; p of 0 or
// 1 is a point mass.
class Binomial : public Random {
 public:
  Binomial(int n, double p);
  Binomial(const Binomial&) = delete;
  Binomial& operator=(const Binomial&) = delete;
  ~Binomial() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  Random* method;  // a Binomial1, a Binomial2 or (a point mass) a Constant; owned
};

class Binomial1 : public AsymGen {
 public:
  Binomial1(int n, double p);
  double Next() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double p;
  double q;
  double ln_p;
  double ln_q;
  double ln_gam;  // ln Gamma(n + 1)
  int n;
};

class Binomial2 : public Random {
 public:
  Binomial2(int n, double p);
  Binomial2(const Binomial2&) = delete;
  Binomial2& operator=(const Binomial2&) = delete;
  ~Binomial2() override;
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  DiscreteGen* dg;  // owned
};

// The number of failures before the N-th success with success probability
// 1 / (1 + P) (N need not be whole): mean N P, variance N P (1 + P).
class NegativeBinomial : public AsymGen {
 public:
  NegativeBinomial(double N, double P);
  double Next() override;
  const char* Name() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double N;
  double P;
  double Q;     // 1 + P
  double p;     // 1 / Q
  double ln_q;  // ln(1 - p)
  double c;     // N ln p - ln Gamma(N)
};

// Poisson variates whose mean is given with every call; no table is built
// per call.
class VariPoisson {
 public:
  VariPoisson();
  double Next(double mu);
  int iNext(double mu);
  double Next_very_small(double mu);  // inversion from 0
  double Next_small(double mu);       // search outward from the mode
  double Next_large(double mu);       // normal approximations

 private:
  Uniform U;
  Normal N;
  Poisson P100;
  Poisson P200;
};

// Binomial variates whose parameters are given with every call.
class VariBinomial {
 public:
  VariBinomial();
  double Next(int n, double p);
  int iNext(int n, double p);
  double Next_very_small(int n, double p);
  double Next_small(int n, double p);
  double Next_large(int n, double p);

 private:
  Uniform U;
  Normal N;
};

// Log-normal variates of a given mean and standard deviation.
class VariLogNormal {
 public:
  VariLogNormal() {}
  double Next(double mean, double sd);

 private:
  Normal N;
};

// ---------------------------------------------------------------------------
// Combination operators.  Each operator allocates one node, itself a Random,
// and returns a reference to it.  A tree of nodes is owned by one holder
// (SumRandom or MixedRandom), which frees its nodes through tDelete; the
// leaves (the caller's distribution objects) are never freed by a tree and
// must outlive it.

class NegatedRandom : public Random {
 public:
  explicit NegatedRandom(Random& x) : rv(&x) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
  void tDelete() override;

 protected:
  Random* rv;
};

class ScaledRandom : public Random {
 public:
  ScaledRandom(Random& x, double d) : rv(&x), s(d) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
  void tDelete() override;

 protected:
  Random* rv;
  double s;
};

class ShiftedRandom : public ScaledRandom {
 public:
  ShiftedRandom(Random& x, double d) : ScaledRandom(x, d) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

class ReverseShiftedRandom : public ScaledRandom {
 public:
  ReverseShiftedRandom(Random& x, double d) : ScaledRandom(x, d) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

class ReciprocalRandom : public Random {
 public:
  ReciprocalRandom(Random& x, double d) : rv(&x), s(d) {}
  double Next() override;
  ExtReal Mean() const override;      // Missing
  ExtReal Variance() const override;  // Missing
  void tDelete() override;

 protected:
  Random* rv;
  double s;
};

class MultipliedRandom : public Random {
 public:
  MultipliedRandom(Random& x, Random& y) : rv1(&x), rv2(&y) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
  void tDelete() override;

 protected:
  Random* rv1;
  Random* rv2;
};

class AddedRandom : public MultipliedRandom {
 public:
  AddedRandom(Random& x, Random& y) : MultipliedRandom(x, y) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

class SubtractedRandom : public MultipliedRandom {
 public:
  SubtractedRandom(Random& x, Random& y) : MultipliedRandom(x, y) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

class DividedRandom : public MultipliedRandom {
 public:
  DividedRandom(Random& x, Random& y) : MultipliedRandom(x, y) {}
  double Next() override;
  ExtReal Mean() const override;      // Missing
  ExtReal Variance() const override;  // Missing
};

// The sum of n draws of its operand (0 when n <= 0).
class RepeatedRandom : public Random {
 public:
  RepeatedRandom(Random& x, int k) : rv(&x), n(k) {}
  double Next() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
  void tDelete() override;

 protected:
  Random* rv;
  int n;
};

// A component of a mixture, chosen with probability p.  A selection is not a
// variable: it can only be handed to a MixedRandom.
class SelectedRandom : public Random {
 public:
  SelectedRandom(Random& x, double d) : rv(&x), p(d) {}
  double Next() override;  // throws "Vargen: Next not defined"
  void tDelete() override;
  void load(int* k, double* probs, Random** rvs) override;

 protected:
  Random* rv;
  double p;
};

class AddedSelectedRandom : public Random {
 public:
  AddedSelectedRandom(Random& x, Random& y) : rv1(&x), rv2(&y) {}
  double Next() override;  // throws "Vargen: Next not defined"
  void tDelete() override;
  int nelems() const override;
  void load(int* k, double* probs, Random** rvs) override;

 protected:
  Random* rv1;
  Random* rv2;
};

// Holder of an arithmetic expression: draws the whole tree once per Next and
// frees its nodes when destroyed.
class SumRandom : public Random {
 public:
  explicit SumRandom(Random& root) : rv(&root) {}
  SumRandom(const SumRandom&) = delete;
  SumRandom& operator=(const SumRandom&) = delete;
  ~SumRandom() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  Random* rv;
};

// Holder of a mixture: X(0.3) + Y(0.7) draws X with probability 0.3, else Y.
// It owns the components' trees (not their leaves).  A constructor that
// throws frees what it was handed.
class MixedRandom : public Random {
 public:
  explicit MixedRandom(AddedSelectedRandom& sr);
  MixedRandom(int n, double* prob, Random** r);
  MixedRandom(const MixedRandom&) = delete;
  MixedRandom& operator=(const MixedRandom&) = delete;
  ~MixedRandom() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  void Build(double* prob);
  void Release();  // frees the components' trees, dg and rv

  int n;
  DiscreteGen* dg;  // owned
  Random** rv;      // owned array of the components
  ExtReal mean;
  ExtReal var;
};

NegatedRandom& operator-(Random& x);
ScaledRandom& operator*(Random& x, double d);
ScaledRandom& operator*(double d, Random& x);
ScaledRandom& operator/(Random& x, double d);
ShiftedRandom& operator+(Random& x, double d);
ShiftedRandom& operator+(double d, Random& x);
ShiftedRandom& operator-(Random& x, double d);
ReverseShiftedRandom& operator-(double d, Random& x);
ReciprocalRandom& operator/(double d, Random& x);
AddedRandom& operator+(Random& x, Random& y);
SubtractedRandom& operator-(Random& x, Random& y);
MultipliedRandom& operator*(Random& x, Random& y);
DividedRandom& operator/(Random& x, Random& y);
AddedSelectedRandom& operator+(SelectedRandom& x, SelectedRandom& y);
AddedSelectedRandom& operator+(SelectedRandom& x, AddedSelectedRandom& y);
AddedSelectedRandom& operator+(AddedSelectedRandom& x, SelectedRandom& y);
AddedSelectedRandom& operator+(AddedSelectedRandom& x, AddedSelectedRandom& y);

#endif
