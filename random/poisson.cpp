// Random-variate library: Poisson, binomial and negative-binomial variates,
// with fixed parameters (tables built once) or with parameters given at every
// call (VariPoisson, VariBinomial, VariLogNormal).
#include <cmath>
#include <new>

#include "allocation.h"
#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Tracer;
using vargen_internal::checked;

namespace {

const int TABLE_SIZE = 40;  // entries of the discrete tables: values 0 to 39

// Below this the density of a table-method class is taken as 0, which ends
// its strip table.
const double LOG_CUTOFF = -40.0;

double density_from_log(double L) { return L < LOG_CUTOFF ? 0.0 : std::exp(L); }

[[noreturn]] void illegal() { throw Logic_error("Vargen: illegal parameters"); }

// A success probability in [0, 1] (not a NaN) and a count of trials >= 0.
bool binomial_parameters(int n, double p) { return n >= 0 && p >= 0.0 && p <= 1.0; }

// A finite mean >= 0 (not a NaN).
bool poisson_mean(double mu) { return mu >= 0.0 && std::isfinite(mu); }

}  // namespace

// ---------------------------------------------------------------------------
// Poisson

Poisson::Poisson(double mu) : method(nullptr) {
  if (!poisson_mean(mu)) illegal();
  if (mu > 8.0)
    method = checked(new (std::nothrow) Poisson1(mu));
  else
    method = checked(new (std::nothrow) Poisson2(mu));
}

Poisson::~Poisson() { delete method; }
double Poisson::Next() { return method->Next(); }
const char* Poisson::Name() { return "Poisson"; }
ExtReal Poisson::Mean() const { return method->Mean(); }
ExtReal Poisson::Variance() const { return method->Variance(); }

// The table method over the step density whose value on [k, k + 1) is the
// probability of k; the integer part of the continuous draw is the variate.
Poisson1::Poisson1(double mux) : AsymGen(mux), mu(mux), ln_mu(0.0) {
  if (!poisson_mean(mu) || mu == 0.0) illegal();  // the density needs ln mu
  ln_mu = std::log(mu);
}

double Poisson1::Next() { return std::floor(AsymGen::Next()); }

double Poisson1::Density(double x) const {
  if (x < 0.0) return 0.0;
  const double k = std::floor(x);
  return density_from_log(k * ln_mu - mu - ln_gamma(k + 1.0));
}

ExtReal Poisson1::Mean() const { return mu; }
ExtReal Poisson1::Variance() const { return mu; }

// The probabilities of 0 to 39; larger values are never drawn.
Poisson2::Poisson2(double mu) : dg(nullptr) {
  if (!poisson_mean(mu)) illegal();
  double t[TABLE_SIZE];
  t[0] = std::exp(-mu);
  for (int k = 1; k < TABLE_SIZE; ++k) t[k] = mu * t[k - 1] / k;
  dg = checked(new (std::nothrow) DiscreteGen(TABLE_SIZE, t));
}

Poisson2::~Poisson2() { delete dg; }
double Poisson2::Next() { return dg->Next(); }
ExtReal Poisson2::Mean() const { return dg->Mean(); }
ExtReal Poisson2::Variance() const { return dg->Variance(); }

// ---------------------------------------------------------------------------
// Binomial

Binomial::Binomial(int n, double p) : method(nullptr) {
  if (!binomial_parameters(n, p)) illegal();
  if (p == 0.0 || p == 1.0)
    // Every trial fails, or every one succeeds: a point mass, which neither
    // table can hold (its logarithms are infinite).
    method = checked(new (std::nothrow) Constant(p == 0.0 ? 0.0 : n));
  else if (n > 39 && n * p > 8.0)
    method = checked(new (std::nothrow) Binomial1(n, p));
  else
    method = checked(new (std::nothrow) Binomial2(n, p));
}

Binomial::~Binomial() { delete method; }
double Binomial::Next() { return method->Next(); }
const char* Binomial::Name() { return "Binomial"; }
ExtReal Binomial::Mean() const { return method->Mean(); }
ExtReal Binomial::Variance() const { return method->Variance(); }

// The table method needs a probability strictly between 0 and 1: at 0 or 1
// the logarithms of the density are infinite.
Binomial1::Binomial1(int nx, double px) : AsymGen((nx + 1.0) * px) {
  if (!binomial_parameters(nx, px) || px == 0.0 || px == 1.0) illegal();
  p = px;
  q = 1.0 - px;
  ln_p = std::log(p);
  ln_q = std::log(q);
  ln_gam = ln_gamma(nx + 1.0);
  n = nx;
}

double Binomial1::Next() { return std::floor(AsymGen::Next()); }

double Binomial1::Density(double x) const {
  const double k = std::floor(x);
  if (k < 0.0 || k > n) return 0.0;
  return density_from_log(ln_gam - ln_gamma(k + 1.0) - ln_gamma(n - k + 1.0) + k * ln_p +
                          (n - k) * ln_q);
}

ExtReal Binomial1::Mean() const { return n * p; }
ExtReal Binomial1::Variance() const { return p * q * n; }

// The probabilities of 0 to min(n, 39), computed outward from the one of
// n p truncated.  That starting index must lie in the table, so a table of
// more than 39 trials needs n p < 40.
Binomial2::Binomial2(int n, double p) : dg(nullptr) {
  if (!binomial_parameters(n, p)) illegal();
  const int m = static_cast<int>(n * p);
  const int K = n <= 39 ? n : 39;
  if (m > K) illegal();
  const double q = 1.0 - p;
  double t[TABLE_SIZE];
  if (p == 0.0 || p == 1.0)
    t[m] = 1.0;  // all the mass on m (0 or n): the formula would take 0 log 0
  else
    t[m] = std::exp(((ln_gamma(n + 1.0) - ln_gamma(m + 1.0)) - ln_gamma(n - m + 1.0)) +
                    m * std::log(p) + (n - m) * std::log(q));
  for (int j = m + 1; j <= K; ++j) t[j] = p * t[j - 1] * (n - j + 1) / q / j;
  for (int i = m - 1; i >= 0; --i) t[i] = q * t[i + 1] * (i + 1) / p / (n - i);
  dg = checked(new (std::nothrow) DiscreteGen(K + 1, t));
}

Binomial2::~Binomial2() { delete dg; }
double Binomial2::Next() { return dg->Next(); }
ExtReal Binomial2::Mean() const { return dg->Mean(); }
ExtReal Binomial2::Variance() const { return dg->Variance(); }

// ---------------------------------------------------------------------------
// NegativeBinomial

namespace {

double negative_binomial_mode(double N, double P) {
  const double m = (N - 1.0) * P;
  return m < 1.0 ? 0.0 : m;
}

}  // namespace

NegativeBinomial::NegativeBinomial(double Nx, double Px)
    : AsymGen(negative_binomial_mode(Nx, Px)) {
  if (!(Nx > 0.0 && Px > 0.0 && std::isfinite(Nx) && std::isfinite(Px))) illegal();
  N = Nx;
  P = Px;
  Q = 1.0 + P;
  p = 1.0 / Q;
  ln_q = std::log(1.0 - p);
  c = N * std::log(p) - ln_gamma(N);
}

double NegativeBinomial::Next() { return std::floor(AsymGen::Next()); }
const char* NegativeBinomial::Name() { return "NegativeBinomial"; }

double NegativeBinomial::Density(double x) const {
  if (x < 0.0) return 0.0;
  const double k = std::floor(x);
  return density_from_log(c + ln_gamma(k + N) - ln_gamma(k + 1.0) + k * ln_q);
}

ExtReal NegativeBinomial::Mean() const { return N * P; }
ExtReal NegativeBinomial::Variance() const { return N * P * Q; }

// ---------------------------------------------------------------------------
// VariPoisson

VariPoisson::VariPoisson() : P100(100.0), P200(200.0) {}

double VariPoisson::Next(double mu) {
  if (!(mu >= 0.0)) illegal();
  if (mu == 0.0) return 0.0;
  if (mu < 10.0) return Next_very_small(mu);
  if (mu < 100.0) return Next_small(mu);
  if (mu < 200.0) {
    const int v = static_cast<int>(P100.Next());
    return v + Next_small(mu - 100.0);
  }
  if (mu < 300.0) {
    const int v = static_cast<int>(P200.Next());
    return v + Next_small(mu - 200.0);
  }
  return Next_large(mu);
}

int VariPoisson::iNext(double mu) {
  Tracer tr("VariPoisson::iNext ");
  return Round(Next(mu));
}

// Inversion from 0: the first k whose cumulative probability reaches u.  A
// uniform above the whole sum (by rounding) stops where the terms underflow.
double VariPoisson::Next_very_small(double mu) {
  if (mu == 0.0) return 0.0;
  double p = std::exp(-mu);
  double cum = p;
  int k = 0;
  const double u = U.Next();
  while (u > cum) {
    if (p == 0.0) break;
    ++k;
    p = p * (mu / k);
    cum = cum + p;
  }
  return k;
}

// Search outward from m = mu truncated: m, m + 1, m - 1, m + 2, m - 2, ...,
// and only upward once 0 is reached.  A uniform above the whole sum (by
// rounding) stops where no term is left to add.
double VariPoisson::Next_small(double mu) {
  if (mu < 10.0) return Next_very_small(mu);
  const int m = static_cast<int>(mu);
  const double u = U.Next();
  const double pm = std::exp(std::log(mu) * m - mu - ln_gamma(m + 1.0));
  if (pm > u) return m;
  double cum = pm;
  int up = m, down = m;
  double pu = pm, pd = pm;
  for (;;) {
    ++up;
    pu = pu * (mu / up);
    cum = cum + pu;
    if (cum > u) return up;
    if (down > 0) {
      pd = pd * (down / mu);
      --down;
      cum = cum + pd;
      if (cum > u) return down;
    }
    if (pu == 0.0 && (down == 0 || pd == 0.0)) return up;
  }
}

double VariPoisson::Next_large(double mu) {
  // The first approximation takes mu squared: a mean whose square overflows
  // (above about 1.3e154, or an infinite one) would give an infinite draw.
  if (!std::isfinite(mu * mu)) illegal();
  const double u = U.Next();
  if (u > 0.3333333333333333) {
    const double a = (mu - 0.08333333333333333) * 0.5;
    const double s = std::sqrt(mu * mu - a);
    const double t = std::sqrt(a / (mu + s));
    const double z = N.Next();
    const double r = t * z + std::sqrt(s);
    return std::fmax(0.0, std::floor(r * r + 0.5));
  }
  const double z = N.Next();
  return std::fmax(0.0, std::floor(z * std::sqrt(mu - 0.08333333333333333) + mu + 0.5));
}

// ---------------------------------------------------------------------------
// VariBinomial

VariBinomial::VariBinomial() {}

double VariBinomial::Next(int n, double p) {
  if (!binomial_parameters(n, p)) illegal();
  if (p > 0.5) {
    const double x = Next(n, 1.0 - p);
    return n - x;
  }
  if (n == 0 || p == 0.0) return 0.0;
  const double m = n * p;
  if (m <= 10.0) return Next_very_small(n, p);
  if (m <= 200.0) return Next_small(n, p);
  return Next_large(n, p);
}

int VariBinomial::iNext(int n, double p) {
  Tracer tr("VariBinomial::iNext ");
  return Round(Next(n, p));
}

// Inversion from 0.
double VariBinomial::Next_very_small(int n, double p) {
  const double q = 1.0 - p;
  if (q == 0.0) return n;
  const double r = p / q;
  const double u = U.Next();
  if (n < 0) return 0.0;
  double pk = std::pow(q, static_cast<double>(n));
  if (pk >= u) return 0.0;
  double cum = pk;
  for (int k = 1; k <= n; ++k) {
    pk = pk * ((n - k + 1) * r / k);
    cum = cum + pk;
    if (cum >= u) return k;
  }
  return 0.0;
}

// Search outward from the mode, for 0 < p <= 0.5 and 10 < n p <= 200.
double VariBinomial::Next_small(int n, double p) {
  const double q = 1.0 - p;
  const double r = p / q;
  const double u = U.Next();
  const int m = static_cast<int>(n * r / (1.0 + r));
  const double pm =
      std::exp(ln_gamma(n + 1.0) - ln_gamma(m + 1.0) - ln_gamma(n - m + 1.0) +
               m * std::log(p) + (n - m) * std::log(q));
  if (pm >= u) return m;
  double cum = pm;
  int up = m, down = m;
  double pu = pm, pd = pm;
  for (;;) {
    ++up;
    pu = pu * ((n - up + 1) * r / up);
    cum = cum + pu;
    if (cum >= u) return up;
    if (down > 0) {
      --down;
      pd = pd * (static_cast<double>(down + 1) / (n - down) / r);
      cum = cum + pd;
      if (cum >= u) return down;
    } else if (up >= n) {
      return 0.0;
    }
  }
}

double VariBinomial::Next_large(int n, double p) {
  const double m = n * p;
  const double sd = std::sqrt((1.0 - p) * m - 0.08333333333333333);
  const double z = N.Next();
  return std::floor(sd * z + m + 0.5);
}

// ---------------------------------------------------------------------------
// VariLogNormal

double VariLogNormal::Next(double mean, double sd) {
  const double s2 = std::log(1.0 + (sd / mean) * (sd / mean));
  const double z = N.Next();
  return std::exp(std::sqrt(s2) * z - 0.5 * s2) * mean;
}
