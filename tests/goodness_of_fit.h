// Goodness-of-fit checks of a random-variate generator against a reference
// distribution function (typically one of Boost.Math's cdf functions).
//
// Each distribution's test draws a sample from the installed generator at a
// fixed seed and calls one of:
//
//   gof::fits_continuous(dist, n, cdf)   Kolmogorov-Smirnov, continuous cdf
//   gof::fits_discrete(dist, n, cdf)     Kolmogorov-Smirnov on integer values
//   gof::fits_chi_square(dist, n, cdf, lo, hi)
//                                        Pearson chi-square on integer values
//
// each returning a ::testing::AssertionResult that names the statistic and
// its p-value.  The threshold: a fit is rejected when its p-value is below
// gof::kMinPValue = 0.001.  Since the seed is fixed the outcome is
// deterministic; a correct generator fails a given check with probability
// 0.001 over the choice of seed, while a wrong shape, scale or tail shows up
// as p-values far below it at the sample sizes used (10^4 to 10^5).
//
// The Kolmogorov-Smirnov p-value is the asymptotic Kolmogorov distribution
// with Stephens' correction, lambda = (sqrt(n) + 0.12 + 0.11 / sqrt(n)) * D,
// accurate to a few per cent for n >= 100.  For integer-valued samples it is
// conservative (true p-values are smaller), so fits_chi_square is the sharper test
// for discrete distributions.
#ifndef VELMAR_TESTS_GOODNESS_OF_FIT_H
#define VELMAR_TESTS_GOODNESS_OF_FIT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <cstddef>
#include <sstream>
#include <vector>

#include "vargen1.h"

namespace gof {

constexpr double kMinPValue = 0.001;

struct Result {
  std::size_t n = 0;       // sample size
  double statistic = 0.0;  // D for Kolmogorov-Smirnov, X^2 for chi-square
  double p_value = 1.0;
  int dof = 0;  // degrees of freedom of a chi-square test
};

// Asymptotic p-value of the Kolmogorov-Smirnov statistic D of n draws.
inline double kolmogorov_p(double d, std::size_t n) {
  const double sn = std::sqrt(static_cast<double>(n));
  const double lambda = (sn + 0.12 + 0.11 / sn) * d;
  if (lambda < 0.2) return 1.0;
  double sum = 0.0, sign = 1.0;
  for (int j = 1; j <= 100; ++j) {
    const double term = std::exp(-2.0 * j * j * lambda * lambda);
    sum += sign * term;
    if (term < 1e-16) break;
    sign = -sign;
  }
  return std::clamp(2.0 * sum, 0.0, 1.0);
}

// n draws of dist, one per statement, in order.
inline std::vector<double> draw(Random& dist, std::size_t n) {
  std::vector<double> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = dist.Next();
  return x;
}

// Kolmogorov-Smirnov test of a sample against a continuous cdf.
template <class Cdf>
Result ks_continuous(std::vector<double> x, Cdf cdf) {
  std::sort(x.begin(), x.end());
  const double n = static_cast<double>(x.size());
  double d = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double f = cdf(x[i]);
    d = std::max(d, std::max((i + 1) / n - f, f - i / n));
  }
  return {x.size(), d, kolmogorov_p(d, x.size()), 0};
}

// Kolmogorov-Smirnov test of an integer-valued sample against the cdf
// F(k) = P(X <= k), evaluated at every integer from below the smallest value
// to the largest.
template <class Cdf>
Result ks_discrete(std::vector<double> x, Cdf cdf) {
  std::sort(x.begin(), x.end());
  const double n = static_cast<double>(x.size());
  const long lo = static_cast<long>(std::floor(x.front())) - 1;
  const long hi = static_cast<long>(std::floor(x.back()));
  double d = 0.0;
  std::size_t below = 0;  // number of sample values <= k
  for (long k = lo; k <= hi; ++k) {
    while (below < x.size() && x[below] <= k) ++below;
    d = std::max(d, std::fabs(below / n - cdf(static_cast<double>(k))));
  }
  return {x.size(), d, kolmogorov_p(d, x.size()), 0};
}

// Pearson chi-square test of an integer-valued sample against the cdf
// F(k) = P(X <= k), in the cells lo..hi: the cell lo holds every value up to
// lo, the cell hi every value from hi on, and neighbouring cells are pooled
// until each expects at least 5.
template <class Cdf>
Result chi_square_discrete(const std::vector<double>& x, Cdf cdf, long lo, long hi) {
  const std::size_t cells = static_cast<std::size_t>(hi - lo + 1);
  std::vector<double> observed(cells, 0.0), expected(cells, 0.0);
  for (double v : x) {
    long k = static_cast<long>(std::floor(v));
    k = std::clamp(k, lo, hi);
    observed[static_cast<std::size_t>(k - lo)] += 1.0;
  }
  const double n = static_cast<double>(x.size());
  double below = 0.0;  // P(X <= k - 1)
  for (long k = lo; k < hi; ++k) {
    const double f = cdf(static_cast<double>(k));
    expected[static_cast<std::size_t>(k - lo)] = n * (f - below);
    below = f;
  }
  expected[cells - 1] = n * (1.0 - below);
  double stat = 0.0, o = 0.0, e = 0.0;
  int groups = 0;
  for (std::size_t i = 0; i < cells; ++i) {
    o += observed[i];
    e += expected[i];
    const bool last = i + 1 == cells;
    if (e >= 5.0 || last) {
      if (e > 0.0) {
        stat += (o - e) * (o - e) / e;
        ++groups;
      } else if (o > 0.0) {
        return {x.size(), INFINITY, 0.0, groups};  // values where none are possible
      }
      o = e = 0.0;
    }
  }
  const int dof = std::max(groups - 1, 1);
  const double p = boost::math::cdf(complement(boost::math::chi_squared(dof), stat));
  return {x.size(), stat, p, dof};
}

inline ::testing::AssertionResult judge(const Result& r, const char* test) {
  std::ostringstream s;
  s << test << ": n = " << r.n << ", statistic = " << r.statistic;
  if (r.dof) s << " (" << r.dof << " degrees of freedom)";
  s << ", p = " << r.p_value << " (threshold " << kMinPValue << ")";
  if (r.p_value >= kMinPValue) return ::testing::AssertionSuccess() << s.str();
  return ::testing::AssertionFailure() << s.str();
}

// n draws of dist tested against the continuous cdf.
template <class Cdf>
::testing::AssertionResult fits_continuous(Random& dist, std::size_t n, Cdf cdf) {
  return judge(ks_continuous(draw(dist, n), cdf), "Kolmogorov-Smirnov");
}

// n integer-valued draws of dist tested against the cdf P(X <= k).
template <class Cdf>
::testing::AssertionResult fits_discrete(Random& dist, std::size_t n, Cdf cdf) {
  return judge(ks_discrete(draw(dist, n), cdf), "Kolmogorov-Smirnov (discrete)");
}

// n integer-valued draws of dist tested by chi-square against the cdf
// P(X <= k) in the cells lo..hi (the tails pooled into the end cells).
template <class Cdf>
::testing::AssertionResult fits_chi_square(Random& dist, std::size_t n, Cdf cdf, long lo,
                                           long hi) {
  return judge(chi_square_discrete(draw(dist, n), cdf, lo, hi), "chi-square");
}

}  // namespace gof

#endif
