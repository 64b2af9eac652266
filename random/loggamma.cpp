// Random-variate library: the log-gamma and gamma functions.  The series
// and the rational function are evaluated in extended precision (long
// double) and rounded to double.
#include <cmath>

#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Invalid_argument;
using RBD_COMMON::Tracer;

namespace {

const double PI = 3.141592653589793;

// ln Gamma(1 + t) = -gamma t + sum_{k=2..20} (-1)^k zeta(k)/k t^k, |t| <= 0.1,
// by Horner's rule from the highest power down.
long double series_about_1(long double t) {
  const long double euler = 0.577215664901532860616L;
  const long double zeta_20 = 1.00000095396203387279611L;  // divided by 20 below
  const long double c[18] = {                              // zeta(k)/k for k = 2 .. 19
                             0.822467033424113218236208L,  0.400685634386531428466579L,
                             0.270580808427784547879001L,  0.207385551028673985266273L,
                             0.169557176997408189952420L,  0.144049896768846118119971L,
                             0.125509669524743042422336L,  0.111334265869564690490873L,
                             0.100099457512781808533715L,  0.0909540171458290422326093L,
                             0.0833538405461090040248865L, 0.0769325164113521914728271L,
                             0.0714329462953613360592328L, 0.0666687058824204680329034L,
                             0.0625009551412130407419833L, 0.0588239786586845823389573L,
                             0.0555557676274036111022142L, 0.0526316793796166607336277L};
  long double s = zeta_20 / 20.0L;
  for (int k = 19; k >= 2; --k) {
    if (k % 2)
      s = s * t - c[k - 2];
    else
      s = s * t + c[k - 2];
  }
  s = s * t - euler;
  return s * t;
}

// ln Gamma(2 + t) = (1 - gamma) t + sum_{k=2..15} (-1)^k (zeta(k) - 1)/k t^k,
// |t| <= 0.1.  The highest coefficient carries its sign.
long double series_about_2(long double t) {
  const long double one_minus_euler = 0.422784335098467139384L;
  const long double c15 = -0.0000020392157538013662367819L;
  const long double c[13] = {
      // (zeta(k) - 1)/k for k = 2 .. 14
      0.322467033424113218236208L,     0.0673523010531980951332461L,
      0.0205808084277845478790009L,    0.0073855510286739852662731L,
      0.00289051033074152328575299L,   0.00119275391170326097711394L,
      0.000509669524743042422335655L,  0.000223154758453579379761419L,
      0.0000994575127818085337145959L, 0.0000449262367381331417002075L,
      0.0000205072127756706915531665L, 0.00000943948827526839590398743L,
      0.00000437486678990748780418179L};
  long double s = c15;
  for (int k = 14; k >= 2; --k) {
    if (k % 2)
      s = s * t - c[k - 2];
    else
      s = s * t + c[k - 2];
  }
  s = s * t + one_minus_euler;
  return s * t;
}

// Gamma(c) < 0 for an integer c <= 0 that is even: the sign of the reflected
// value is +1 when c is odd.
bool is_odd(double c) { return std::fabs(std::ceil(c * 0.5) - c * 0.5) > 0.25; }

// sin(pi d) for the reflection, d = ceil(x) - x.  For 0 < x < 0.5 the
// difference 1 - x is rounded and would lose the digits of a small x, so
// sin(pi x), equal to it, is used instead.
double reflection_sine(double x, double d) {
  if (x > 0.0 && x < 0.5) return std::sin(PI * x);
  return std::sin(PI * d);
}

// The reflection Gamma(x) Gamma(2 - x) = pi (1 - x) / sin(pi x) for x < 1:
// returns its magnitude pi (1 - x) / sin(pi d), with d = ceil(x) - x in
// (0, 1) so that the sine is positive, and sets odd to whether ceil(x) is odd
// (Gamma(x) is then positive).  Throws for x = 0, -1, -2, ...
double reflection(double x, bool& odd) {
  const double c = std::ceil(x);
  const double d = c - x;
  if (d == 0) throw Invalid_argument("Non-positive integer argument ");
  odd = is_odd(c);
  return PI * (1 - x) / reflection_sine(x, d);
}

}  // namespace

double gamma_series(long double z) {
  const long double p[11] = {
      // p_0 .. p_10
      1846356.77480089707763L,   1759131.71293580398481L,    754212.408326993603566L,
      191621.955233809180243L,   31949.6592486238262492L,    3652.83820906105093362L,
      290.022832045463934164L,   15.7898196286535556065L,    0.564145967416346085128L,
      0.0119443368011180931176L, 0.000113800747608906017093L};
  const long double q[11] = {// q_0 .. q_10 of (z + 1)(z + 2) ... (z + 10)
                             3628800.0L, 10628640.0L, 12753576.0L, 8409500.0L,
                             3416930.0L, 902055.0L,   157773.0L,   18150.0L,
                             1320.0L,    55.0L,       1.0L};
  long double num, den;
  if (z < 10.0L) {
    num = p[10];
    den = q[10];
    for (int k = 9; k >= 0; --k) {
      num = num * z + p[k];
      den = den * z + q[k];
    }
  } else {
    // Both divided by z^10 and evaluated in w = 1/z, keeping the terms in range.
    const long double w = 1.0L / z;
    num = p[0];
    den = q[0];
    for (int k = 1; k <= 10; ++k) {
      num = num * w + p[k];
      den = den * w + q[k];
    }
  }
  return static_cast<double>(num / den);
}

double ln_gamma_lanczos(double x) {
  return std::log(gamma_series(x - 1)) + (x - 0.5) * (std::log(x + 10 - 0.5) - 1);
}

double ln_gamma_gt_1(double x) {
  Tracer tr("ln_gamma_gt_1 ");
  if (x >= 100.0) {
    // Stirling's series; at +inf its (x - 0.5) log x - x would be inf - inf.
    if (std::isinf(x)) return x;
    const long double S = 0.918938533204672741695L;  // ln(2 pi) / 2
    const long double lx = x;
    const long double x2 = lx * lx;
    const long double bracket =
        (1.0L / 12.0L -
         (1.0L / 360.0L - (1.0L / 1260.0L - (1.0L / 1680.0L) / x2) / x2) / x2) /
        lx;
    return static_cast<double>((x - 0.5) * std::log(x) - x + S + bracket);
  }
  if (x >= 2.1) return ln_gamma_lanczos(x);
  if (x >= 1.9)
    return static_cast<double>(series_about_2(static_cast<long double>(x) - 2.0L));
  if (x >= 1.1) return ln_gamma_lanczos(x);
  if (x >= 0.9)
    return static_cast<double>(series_about_1(static_cast<long double>(x) - 1.0L));
  throw Invalid_argument("Argument less than 1");  // x < 0.9, or a NaN
}

double ln_gamma(double x, int& sign) {
  Tracer tr("ln_gamma(sign)");
  sign = 1;
  if (x >= 2.1) return ln_gamma_gt_1(x);
  if (x >= 1.9)
    return static_cast<double>(series_about_2(static_cast<long double>(x) - 2.0L));
  if (x >= 1.1) return ln_gamma_gt_1(x);
  if (x >= 0.9)
    return static_cast<double>(series_about_1(static_cast<long double>(x) - 1.0L));
  // A NaN has neither a value nor a sign.
  if (std::isnan(x)) throw Invalid_argument("Negative gamma value ");
  // Reflection: Gamma(x) = pi (1 - x) / (sin(pi x) Gamma(2 - x)).
  bool odd;
  const double r = reflection(x, odd);
  sign = odd ? 1 : -1;
  return std::log(r) - ln_gamma_gt_1(2 - x);
}

double ln_gamma(double x) {
  Tracer tr("ln_gamma");
  int sign;
  const double v = ln_gamma(x, sign);
  if (sign < 0) throw Invalid_argument("Negative gamma value ");
  return v;
}

double gamma_fn(double x) {
  Tracer tr("gamma_fn");
  if (x >= 1)
    return gamma_series(x - 1) * std::pow((x + 10 - 0.5) / 2.718281828459045, x - 0.5);
  if (std::isnan(x)) return x;  // the reflection would call itself without end
  bool odd;
  const double g = reflection(x, odd) / gamma_fn(2 - x);
  return odd ? g : -g;
}
