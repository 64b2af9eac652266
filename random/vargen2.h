// Random-variate library, distributions.
//
// The table method: PosGen (a density decreasing on [0, inf)), SymGen (a
// density symmetric about 0) and AsymGen (a unimodal density about a given
// mode) draw by cutting the density into strips of equal rectangle area,
// choosing a strip and a point in it uniformly and accepting the point under
// the density.  A subclass supplies Density (and Mean and Variance where it
// knows them).  Tables are built at the first draw and owned by the object;
// table-owning objects cannot be copied.
//
// Every uniform is taken from the installed generator (Random::RNG), three
// per try, in the order strip (and sign), position, height.
//
// Defined in vargen2.cpp (the table method, Normal, Exponential and the
// gamma generators), loggamma.cpp (the log-gamma and gamma functions) and
// chisq.cpp (the chi-square generators).
#ifndef VARGEN_VARGEN2_H
#define VARGEN_VARGEN2_H

#include "vargen1.h"

// ---------------------------------------------------------------------------
// Table method

class PosGen : public Random {
 public:
  PosGen();
  PosGen(const PosGen&) = delete;
  PosGen& operator=(const PosGen&) = delete;
  ~PosGen() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;      // Missing
  ExtReal Variance() const override;  // Missing

 protected:
  // Builds the one-sided table (strip area 0.02, xi = n) or, with sym, the
  // half of a symmetric table (strip area 0.01, xi = 2n).  Does nothing when
  // the table exists.  A failed build throws and leaves no table behind.
  void Build(bool sym);

  double xi;      // number of strips the first uniform chooses from
  double* sx;     // strip boundaries, sx[0] = 0, increasing
  double* sfx;    // the density at each boundary
  bool NotReady;  // true until the table is built
};

class SymGen : public PosGen {
 public:
  SymGen() {}
  double Next() override;
  const char* Name() override;
};

class AsymGen : public Random {
 public:
  explicit AsymGen(double modex);
  AsymGen(const AsymGen&) = delete;
  AsymGen& operator=(const AsymGen&) = delete;
  ~AsymGen() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;      // Missing
  ExtReal Variance() const override;  // Missing

 protected:
  // Builds the two-sided table about the mode; does nothing when it exists.
  // A failed build throws and leaves no table behind.
  void Build();

  double xi;      // total number of strips, both sides
  double* sx;     // right side from the mode up, then left side from the mode down;
                  // entry 120 holds the right end point
  double* sfx;    // the density at each boundary (0 in entry 120)
  int ic;         // index of the last strip of the right side
  bool NotReady;  // true until the table is built
  double mode;
};

// ---------------------------------------------------------------------------
// Normal and exponential

// The standard normal.  All live Normal objects (subclasses included) share
// one table, built by the first and freed by the last.
class Normal : public SymGen {
 public:
  Normal();
  ~Normal() override;
  const char* Name() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  static double Nxi;
  static double* Nsx;
  static double* Nsfx;
  static long count;  // number of live Normal objects
};

// The standard exponential.
class Exponential : public PosGen {
 public:
  Exponential() {}
  const char* Name() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

// ---------------------------------------------------------------------------
// Gamma

// Gamma variates of shape alpha < 1, by the one-sided table method applied to
// Y = X^alpha, whose density exp(-y^(1/alpha)) / Gamma(alpha + 1) is finite
// and decreasing.
class Gamma1 : public PosGen {
 public:
  explicit Gamma1(double alpha);
  double Next() override;
  double Density(double y) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double ln_gam;  // ln Gamma(alpha + 1)
  double ralpha;  // 1 / alpha
  double alpha;
};

// Gamma variates of shape alpha > 1, by the two-sided table method about the
// mode alpha - 1.
class Gamma2 : public AsymGen {
 public:
  explicit Gamma2(double alpha);
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double alpha;
  double ln_gam;  // ln Gamma(alpha)
};

// Gamma variates of a given shape and scale 1, drawn by Gamma1 (shape below
// 1), Exponential (shape 1) or Gamma2 (shape above 1).
class Gamma : public Random {
 public:
  explicit Gamma(double alpha);
  Gamma(const Gamma&) = delete;
  Gamma& operator=(const Gamma&) = delete;
  ~Gamma() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 protected:
  Random* method;  // the sub-generator, owned
};

// ---------------------------------------------------------------------------
// Log-gamma and gamma functions (the series in extended precision).

double ln_gamma(double x);             // ln Gamma(x) where Gamma(x) > 0
double ln_gamma(double x, int& sign);  // ln |Gamma(x)|, sign of Gamma(x)
double ln_gamma_gt_1(double x);        // ln Gamma(x) for x >= 0.9
double gamma_series(long double z);    // the rational function of the series
double ln_gamma_lanczos(double x);
double gamma_fn(double x);  // Gamma(x)

// ---------------------------------------------------------------------------
// Chi-square distributions.

// The non-central chi-square with one degree of freedom: (z + sqrt(lambda))^2
// for a standard normal z.  As a Normal it shares the normal table and keeps
// Normal's name and density.
class ChiSq1 : public Normal {
 public:
  explicit ChiSq1(double noncen);
  double Next() override;
  ExtReal Mean() const override;      // 1 + lambda
  ExtReal Variance() const override;  // 4 lambda + 2

 private:
  double deltasq;  // the non-centrality lambda
  double delta;    // sqrt(lambda)
};

// Chi-square variates with df degrees of freedom and non-centrality noncen,
// composed from ChiSq1, Exponential and Gamma2 by the additivity of
// chi-square variates.
class ChiSq : public Random {
 public:
  ChiSq(int df, double noncen);
  ChiSq(const ChiSq&) = delete;
  ChiSq& operator=(const ChiSq&) = delete;
  ~ChiSq() override;
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;      // df + noncen
  ExtReal Variance() const override;  // 2 df + 4 noncen

 private:
  Random* c1;   // the first sub-generator, owned
  Random* c2;   // the second, owned; null but in versions 4 and 5
  int version;  // 0 to 5: which composition Next uses
  double mean;
  double var;
};

// ---------------------------------------------------------------------------
// Discrete generator, other continuous distributions, permutations, Poisson,
// binomial and the combination operators.
#include "vargen3.h"

#endif
