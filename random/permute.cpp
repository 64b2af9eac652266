// Random-variate library: random permutations, Shell sort and rounding.
#include <climits>
#include <cmath>
#include <memory>

#include "allocation.h"
#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
using RBD_COMMON::Tracer;

// A partial Fisher-Yates shuffle of p ... p + N - 1: the i-th value is drawn
// from the N - i values not yet taken.
void RandomPermutation::Next(int N, int M, int* s, int p) {
  if (N < M) throw Logic_error("Vargen: N < M in RandomPermutation");
  // A negative count, or values p to p + N - 1 that go beyond int.
  if (N < 0 || (N > 0 && p > INT_MAX - (N - 1)))
    throw Logic_error("Vargen: illegal parameters");
  std::unique_ptr<int[]> r = vargen_internal::allocate_array<int>(N);
  for (int i = 0; i < N; ++i) r[i] = p + i;
  for (int i = 0; i < M; ++i) {
    const double u = Random::RNG->Next();
    int j = i + static_cast<int>((N - i) * u);
    if (j >= N) j = N - 1;  // a uniform of exactly 1 takes the last value
    s[i] = r[j];
    r[j] = r[i];
  }
}

// Shell sort with the gaps ..., 121, 40, 13, 4, 1: the first gap is the
// first of 4, 13, 40, ... above n / 9 (1 when n < 9).
void ShellSortAscending(int* a, int n) {
  int h = 1;
  const int m = n / 9;
  if (m > 0)
    while (h <= m) h = 3 * h + 1;
  for (; h > 0; h /= 3) {
    for (int i = h; i < n; ++i) {
      const int t = a[i];
      int j = i;
      while (j >= h && a[j - h] > t) {
        a[j] = a[j - h];
        j -= h;
      }
      a[j] = t;
    }
  }
}

void RandomCombination::SortAscending(int n, int* a) { ShellSortAscending(a, n); }

// The range is checked before the conversion, since converting a double
// outside the range of int (or a NaN) has no defined result.
int Round(double x) {
  const double r = std::floor(x + 0.5);
  if (!(r >= static_cast<double>(INT_MIN) && r <= static_cast<double>(INT_MAX)) ||
      !(std::fabs(r - x) <= 0.5)) {
    Tracer tr("Round ");
    throw Runtime_error("Cannot convert to integer ");
  }
  return static_cast<int>(r);
}
