// Random-variate library: the alias-method discrete generator, Cauchy,
// Pareto and stable variates, and table-method generators over a density
// given by the caller.
#include <cmath>
#include <memory>

#include "allocation.h"
#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
using vargen_internal::allocate_array;

// ---------------------------------------------------------------------------
// DiscreteGen

// The alias method: each of the n cells has the area 1/n; cell i keeps value
// i with probability 1 - alias_prob[i] and otherwise gives alias[i].  The
// tables are filled in n passes: each pass places the unplaced value with
// the smallest remaining probability, topping its cell up from the value
// with the largest.  The last pass places the last value in its own cell and
// measures how far the probabilities fall short of 1.
void DiscreteGen::Gen(int nx, double* prob) {
  // Fewer than one value leaves nothing to draw from (and no array to
  // allocate): refuse before allocating.
  if (nx < 1) throw Logic_error("Vargen: illegal parameters");
  std::unique_ptr<double[]> ap = allocate_array<double>(nx);
  std::unique_ptr<int[]> al = allocate_array<int>(nx);
  const double rn = 1.0 / nx;
  for (int i = 0; i < nx; ++i) {
    al[i] = -1;   // unplaced
    ap[i] = 0.0;  // while unplaced: the probability already placed elsewhere
  }
  double nd = 0.0;
  for (int pass = 0; pass < nx; ++pass) {
    double pmax = -1.0, pmin = 1.0;
    int jmax = -1, jmin = -1;
    for (int j = 0; j < nx; ++j) {
      if (al[j] >= 0) continue;
      const double px = prob[j] - ap[j];
      if (px >= pmax) {
        pmax = px;
        jmax = j;
      }
      if (px <= pmin) {
        pmin = px;
        jmin = j;
      }
    }
    if (jmax < 0 || jmin < 0) throw Runtime_error("Vargen: method fails");
    al[jmin] = jmax;
    const double d = rn - pmin;
    ap[jmax] += d;
    nd = nx * d;
    ap[jmin] = nd;
    if (nd > 1.00001 || nd < -0.00001)
      throw Runtime_error("Vargen: probs don't add to 1 (a)");
  }
  if (nd > 0.00001) throw Runtime_error("Vargen: probs don't add to 1 (b)");
  n = nx;
  alias_prob = ap.release();
  alias = al.release();
}

namespace {

// The mean and variance of the n values (0 ... n - 1 when values is null)
// drawn with the probabilities prob.
void moments(int n, const double* prob, const double* values, double& mean, double& var) {
  for (int i = 0; i < n; ++i) mean += (values ? values[i] : i) * prob[i];
  for (int i = 0; i < n; ++i) {
    const double d = (values ? values[i] : i) - mean;
    var += d * d * prob[i];
  }
}

}  // namespace

DiscreteGen::DiscreteGen(int nx, double* prob)
    : alias_prob(nullptr), alias(nullptr), n(0), val(nullptr), mean(0.0), var(0.0) {
  Gen(nx, prob);
  moments(n, prob, val, mean, var);
}

DiscreteGen::DiscreteGen(int nx, double* prob, double* values)
    : alias_prob(nullptr), alias(nullptr), n(0), val(nullptr), mean(0.0), var(0.0) {
  if (nx < 1) throw Logic_error("Vargen: illegal parameters");
  std::unique_ptr<double[]> v = allocate_array<double>(nx);
  for (int i = 0; i < nx; ++i) v[i] = values[i];
  Gen(nx, prob);
  val = v.release();
  moments(n, prob, val, mean, var);
}

DiscreteGen::~DiscreteGen() {
  delete[] alias_prob;
  delete[] alias;
  delete[] val;
}

double DiscreteGen::Next() {
  const double u1 = RNG->Next();
  int i = static_cast<int>(u1 * n);
  if (i >= n) i = n - 1;  // a uniform of exactly 1 takes the last cell
  const double u2 = RNG->Next();
  if (alias_prob[i] > u2) i = alias[i];
  return val ? val[i] : i;
}

const char* DiscreteGen::Name() { return "DiscreteGen"; }
ExtReal DiscreteGen::Mean() const { return mean; }
ExtReal DiscreteGen::Variance() const { return var; }

// ---------------------------------------------------------------------------
// Cauchy

const char* Cauchy::Name() { return "Cauchy"; }

double Cauchy::Density(double x) const {
  if (std::fabs(x) > 1e15) return 0.0;
  return 0.31830988618 / (1.0 + x * x);
}

ExtReal Cauchy::Mean() const { return Indefinite; }
ExtReal Cauchy::Variance() const { return PlusInfinity; }

// ---------------------------------------------------------------------------
// Pareto: u^(-1/shape) for a uniform u.

Pareto::Pareto(double shapex) : shape(shapex), rshape(0.0) {
  if (!(shape > 0.0)) throw Logic_error("Vargen: illegal parameter");
  rshape = -1.0 / shape;
}

double Pareto::Next() {
  const double u = RNG->Next();
  return std::pow(u, rshape);
}

const char* Pareto::Name() { return "Pareto"; }

ExtReal Pareto::Mean() const {
  if (shape > 1.0) return shape / (shape - 1.0);
  return PlusInfinity;
}

ExtReal Pareto::Variance() const {
  if (shape > 2.0) return shape / ((shape - 1.0) * (shape - 1.0)) / (shape - 2.0);
  return PlusInfinity;
}

// ---------------------------------------------------------------------------
// Stable

Stable::Stable(double alphax, double b0, Notation notationx)
    : alpha(alphax), beta(0.0), beta_given(0.0), notation(notationx) {
  switch (notationx) {
    case ContinuousForm:
    case ZeroMeanForm:
      beta = b0;
      break;
    case ScaledForm:
      beta_given = b0;
      if (alpha == 1.0)
        beta = b0;
      else if (std::fabs(b0) == 1.0)
        beta = alpha > 1.0 ? -b0 : b0;
      else
        beta = std::tan(b0 * pi2 * k(alpha)) / std::tan(pi2 * alpha);
      break;
    case UnspecifiedForm:
      notation = ContinuousForm;
      beta = b0;
      if (!(b0 == 0.0 || alpha == 1.0 || alpha == 2.0))
        throw Logic_error("Vargen: must specify Stable notation");
      break;
    default:
      throw Logic_error("Vargen: Stable notation not recognised");
  }
}

double Stable::k(double x) { return 1.0 - std::fabs(1.0 - x); }

double Stable::tan2(double x) const {
  if (std::fabs(x) > pi4) return std::tan(x) / x;
  const double w = (std::fabs(x) / pi4) * (std::fabs(x) / pi4);
  return ((0.0528644456 * w - 8.87662377) * w + 129.221035) /
         (((w - 45.1320561) * w + 164.529332) * pi4);
}

double Stable::d2(double z) {
  if (std::fabs(z) > 0.1) return (std::exp(z) - 1.0) / z;
  const double s = z * z;
  const double p = 20.001114158996458 * s + 840.0668525364832;
  const double q = (s + 180.01337040739003) * s + 1680.1337050729664;
  return 2.0 * p / (q - z * p);
}

double Stable::Next() {
  const double a = alpha, b = beta;
  const double u1 = RNG->Next();
  const double u2 = RNG->Next();
  const double W = -std::log(u2);
  const double e = 1.0 - a;
  const double phi = pi2 * (u1 - 0.5);
  const double tau = std::tan(phi);
  const double A = tan2(e * phi);
  const double B = e * phi * A;
  const double TB = e > -0.99 ? b / (pi2 * tan2(e * pi2)) : b * e * std::tan(a * pi2);
  const double tau2 = tau * tau;
  const double z = ((1.0 - B * B) + 2.0 * phi * A * TB) * (1.0 + tau2) /
                   (W * (1.0 - tau2) * (1.0 + B * B));
  const double LZ = std::log(z) / a;
  const double D = d2(e * LZ);
  const double X =
      2.0 *
          ((tau - B) * (1.0 + tau * B) - phi * A * TB * (B * (1.0 - tau2) - 2.0 * tau)) *
          (1.0 + e * LZ * D) / ((1.0 - tau2) * (1.0 + B * B)) +
      TB * LZ * D;
  if (notation == ContinuousForm || b == 0.0 || a == 1.0 || a == 2.0) return X;
  if (notation == ZeroMeanForm) return X + b * std::tan(a * pi2);
  const double y = beta_given * pi2 * k(a);  // ScaledForm
  return (X + std::tan(y)) * std::pow(std::cos(y), 1.0 / a);
}

const char* Stable::Name() { return "Stable"; }

ExtReal Stable::Mean() const {
  if (alpha < 1.0) {
    if (beta == 1.0) return PlusInfinity;
    if (beta == -1.0) return MinusInfinity;
    return Indefinite;
  }
  if (alpha == 1.0) return Indefinite;
  if (notation == ContinuousForm) return -beta * std::tan(alpha * pi2);
  return 0.0;
}

// Only at alpha = 2 (the normal law, whose variate here has variance 2) is
// the variance finite.
ExtReal Stable::Variance() const {
  if (alpha == 2.0) return 2.0;
  return PlusInfinity;
}

// ---------------------------------------------------------------------------
// Table-method generators over the caller's density

const char* PosGenX::Name() { return "PosGenX"; }
double PosGenX::Density(double x) const { return density_fn(x); }

const char* SymGenX::Name() { return "SymGenX"; }
double SymGenX::Density(double x) const { return density_fn(x); }

const char* AsymGenX::Name() { return "AsymGenX"; }
double AsymGenX::Density(double x) const { return density_fn(x); }
