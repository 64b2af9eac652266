// The checks of the intensities read, made before the fit: the scale of
// the points and the points at x = y = 0.
#include "intensity_checks.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "data.h"

namespace {

TEST(IntensityWarnings, NameTheMedianLargerIntensityAndThePointsAtZero) {
  // The raw scale from a median max(x, y) of ten, the low scale below a
  // tenth (of the points other than those at x = y = 0), and those points.
  const double nan_value = std::numeric_limits<double>::quiet_NaN();
  const double inf_value = std::numeric_limits<double>::infinity();
  const std::string priors =
      "; the default priors assume normalised intensities of roughly 0 to 2";
  struct case_ {
    const char* what;
    xy_list points;
    std::vector<std::string> warnings;  // each found in its warning, in order
  };
  const case_ cases[] = {
      {"normalised", {{1, 0.1}, {0.1, 1}, {0.55, 0.55}}, {}},
      {"times 100, the lower median",
       {{100, 10}, {10, 100}, {55, 55}, {1, 2}},
       {"is about 56: "}},
      {"the lower median below ten, the upper above", {{9, 1}, {11, 1}}, {}},
      {"a missing point is none",
       {{nan_value, 1}, {1, nan_value}, {88, 1}},
       {"is about 89: "}},
      {"zero and negative ones count, below",
       {{0, -1}, {-5, -3}, {88, 90}},
       {"is 0 or less: the intensities may lie far below"}},
      {"just below ten", {{9.9, 1}}, {}},
      {"ten", {{10, 1}}, {"is about 10: the intensities may not be normalised"}},
      {"the largest intensity read", {{0, 1e150}}, {"is about 1e+150: "}},
      {"no point", {}, {}},
      {"times 0.01",
       {{0.0088, 0.001}, {0.001, 0.0095}, {0.0055, 0.0055}},
       {"the median of the points' larger intensity, max(x, y), is about 0.0089: the "
        "intensities may lie far below the normalised scale" +
        priors}},
      {"a tenth", {{0.1, 0}}, {}},
      {"the lower median below a tenth, the upper far above",
       {{0.01, 0}, {0.5, 0}},
       {"is about 0.01: "}},
      {"points at x = y = 0 are left out of the median",
       {{0, 0}, {0, 0}, {-0.0, 0}, {0.5, 1}},
       {"3 of 4 points read have x = y = 0: they are fitted as intensities; if they "
        "mark failed samples, write NaN for their x and y to leave them out of the "
        "fit"}},
      {"one axis at 0 is a signal", {{0, 0.5}, {0.5, 0}}, {}},
      {"a low scale of the points other than those at x = y = 0",
       {{0, 0}, {0, 0}, {0.02, 0.01}, {0.05, 0.01}, {0.5, 0}},
       {"is about 0.049 (the points at x = y = 0 left out): ", "2 of 5 points read "}},
      {"an infinity counts in the highest bin",
       {{inf_value, 1}},
       {"is about 9.8e+151: "}},
  };
  for (const case_& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<snp> snps(1);
    snps[0].points = {c.points};
    const std::vector<std::string> warnings = intensity_warnings(snps);
    ASSERT_EQ(warnings.size(), c.warnings.size())
        << (warnings.empty() ? "" : warnings[0]);
    for (size_t w = 0; w < warnings.size(); ++w)
      EXPECT_NE(warnings[w].find(c.warnings[w]), std::string::npos) << warnings[w];
  }
  // Every SNP and cohort counts.
  std::vector<snp> snps(2);
  snps[0].points = {{{50, 1}}, {{0.5, 0.5}}};
  snps[1].points = {{{60, 1}, {70, 1}}, {{0, 0}}};
  const std::vector<std::string> warnings = intensity_warnings(snps);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("is about 49: "), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("1 of 5 points read has"), std::string::npos);
}

}  // namespace
