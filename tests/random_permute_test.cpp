// Random permutations, the Shell sort and rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

class PermuteTest : public PlaceholderInstalled {};

TEST_F(PermuteTest, FullPermutationHoldsEveryValueOnceAndDrawsOneUniformEach) {
  ScriptedRNG rng(pass_through_mt, 0.12345);
  rng.install();
  for (int trial = 0; trial < 20; ++trial) {
    int s[5] = {0, 0, 0, 0, 0};
    rng.clear();
    RandomPermutation().Next(5, 5, s, 1);
    EXPECT_EQ(rng.count(), 5u);
    std::vector<int> v(s, s + 5);
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4, 5}));
  }
}

TEST_F(PermuteTest, PartialSelectionIsDistinctAndInRange) {
  ScriptedRNG rng(pass_through_mt, 0.5);
  rng.install();
  for (int trial = 0; trial < 50; ++trial) {
    int s[4] = {-7, -7, -7, -7};
    RandomPermutation().Next(10, 3, s, 0);
    std::vector<int> v(s, s + 3);
    for (int x : v) {
      EXPECT_GE(x, 0);
      EXPECT_LE(x, 9);
    }
    std::sort(v.begin(), v.end());
    EXPECT_EQ(std::unique(v.begin(), v.end()), v.end());
    EXPECT_EQ(s[3], -7);  // nothing beyond the M values is written
  }
}

TEST_F(PermuteTest, ScriptedUniformsGiveTheShuffleOrder) {
  ScriptedRNG high({0.99, 0.99, 0.99, 0.99});
  high.install();
  int s[4];
  RandomPermutation().Next(4, 4, s, 1);
  EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{4, 1, 2, 3}));

  ScriptedRNG low({1e-9, 1e-9, 1e-9, 1e-9});
  low.install();
  RandomPermutation().Next(4, 4, s, 1);
  EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{1, 2, 3, 4}));

  // The values may end at the largest int.
  ScriptedRNG top({0.99, 0.99, 0.99, 0.99});
  top.install();
  RandomPermutation().Next(4, 4, s, INT_MAX - 3);
  EXPECT_EQ(std::vector<int>(s, s + 4),
            (std::vector<int>{INT_MAX, INT_MAX - 3, INT_MAX - 2, INT_MAX - 1}));
}

TEST_F(PermuteTest, EveryOrderOfFourIsEquallyLikely) {
  ScriptedRNG rng(pass_through_mt, 0.2718);
  rng.install();
  std::map<std::vector<int>, int> seen;
  const int draws = 24000;
  for (int i = 0; i < draws; ++i) {
    int s[4];
    RandomPermutation().Next(4, 4, s, 0);
    ++seen[std::vector<int>(s, s + 4)];
  }
  ASSERT_EQ(seen.size(), 24u);
  const double e = draws / 24.0;
  double x2 = 0.0;
  for (const auto& kv : seen) x2 += (kv.second - e) * (kv.second - e) / e;
  const double p = boost::math::cdf(complement(boost::math::chi_squared(23), x2));
  EXPECT_GT(p, 0.001) << "chi-square " << x2;
}

TEST_F(PermuteTest, ParameterErrorsDrawNothingAndWriteNothing) {
  ScriptedRNG rng(std::vector<double>{});
  rng.install();
  int s[4] = {-7, -7, -7, -7};
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(3, 4, s, 1),
                        "Vargen: N < M in RandomPermutation");
  // A negative count of values is refused before any array is made.
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(-1, -2, s, 1),
                        "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(-5, -5, s, 1),
                        "Vargen: illegal parameters");
  // The values p to p + N - 1 must all be ints.
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(2, 1, s, INT_MAX),
                        "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(4, 4, s, INT_MAX - 2),
                        "Vargen: illegal parameters");
  EXPECT_THROWS_MESSAGE(Logic_error, RandomPermutation().Next(INT_MAX, 0, s, 2),
                        "Vargen: illegal parameters");
  RandomPermutation().Next(4, 0, s, 1);
  RandomPermutation().Next(0, 0, s, 1);
  EXPECT_EQ(rng.count(), 0u);
  EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{-7, -7, -7, -7}));
}

TEST(ShellSort, SortsEverySizeAcrossTheGapChanges) {
  // Sizes on both sides of each change of the first gap (9, 36, 117, 360).
  unsigned state = 12345u;
  for (int n : {0, 1, 2, 8, 9, 10, 35, 36, 37, 116, 117, 118, 359, 360, 361, 1000}) {
    std::vector<int> a(static_cast<std::size_t>(n));
    for (int& x : a) {
      state = state * 1103515245u + 12345u;
      x = static_cast<int>((state >> 8) % 50) - 25;  // with many repeats
    }
    std::vector<int> expected = a, b = a;
    std::sort(expected.begin(), expected.end());
    ShellSortAscending(a.data(), n);
    EXPECT_EQ(a, expected) << "n = " << n;
    RandomCombination().SortAscending(n, b.data());
    EXPECT_EQ(b, expected) << "n = " << n;
  }
  std::vector<int> reversed(100);
  std::iota(reversed.rbegin(), reversed.rend(), -50);
  ShellSortAscending(reversed.data(), 100);
  EXPECT_TRUE(std::is_sorted(reversed.begin(), reversed.end()));
}

TEST(Round, HalvesGoUpAndTheIntRangeIsChecked) {
  EXPECT_EQ(Round(2.5), 3);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-0.4), 0);
  EXPECT_EQ(Round(7.0), 7);
  EXPECT_EQ(Round(-7.6), -8);
  EXPECT_EQ(Round(2147483647.0), INT_MAX);
  EXPECT_EQ(Round(2147483647.4), INT_MAX);
  EXPECT_EQ(Round(-2147483648.0), INT_MIN);
  EXPECT_EQ(Round(-2147483648.5), INT_MIN);
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(1e10), "Cannot convert to integer ");
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(-1e10), "Cannot convert to integer ");
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(2147483647.5), "Cannot convert to integer ");
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(-2147483648.6),
                        "Cannot convert to integer ");
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(std::numeric_limits<double>::infinity()),
                        "Cannot convert to integer ");
  // A NaN has no nearest integer: it is refused like any unrepresentable value.
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(std::nan("")), "Cannot convert to integer ");
}

TEST(Round, TheFailureCarriesItsTraceFrame) {
  EXPECT_THROWS_MESSAGE(Runtime_error, Round(1e10), "Round");
}

}  // namespace
