// The checks of the intensities read, made before the fit: the alleles, the
// scale of each cohort and between cohorts, and the points at x = y = 0.
#include "intensity_checks.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "data.h"

namespace {

TEST(IntensityWarnings, NameTheMedianLargerIntensityAndThePointsAtZero) {
  // Per cohort, the raw scale from a median max(x, y) of ten and the low below
  // a tenth, of the points other than those at x = y = 0; then the rest.
  const double nan_value = std::numeric_limits<double>::quiet_NaN();
  const double inf_value = std::numeric_limits<double>::infinity();
  const std::string priors =
      "; the default priors assume normalised intensities of roughly 0 to 2";
  struct case_ {
    const char* what;
    xy_list points;
    std::vector<std::string> warnings;  // each found in its warning, in order
    xy_list cohort1 = {};               // a second cohort's points, when any
    std::vector<int> zero_allele_cohorts = {};
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
      {"just below ten", {{9.99, 1}}, {}},
      {"ten", {{10, 1}}, {"is about 10: the intensities may not be normalised"}},
      {"the largest intensity read", {{0, 1e150}}, {"is about 1e+150: "}},
      {"no point", {}, {}},
      {"times 0.01",
       {{0.0088, 0.001}, {0.001, 0.0095}, {0.0055, 0.0055}},
       {"the median of the points' larger intensity, max(x, y), in intensity file "
        "'c0.txt' is about 0.0089: the intensities may lie far below the normalised "
        "scale" +
        priors +
        "; normalise them before the run, for example by scaling x and y so that this "
        "median is about 1"}},
      {"a low median, but a 90th percentile of 0.3",
       {{0.01, 0}, {0.02, 0}, {0.03, 0}, {0.3, 0}, {1, 0.1}},
       {"is about 0.030, but its 90th percentile is about 0.30: half of the points or "
        "more lie near the origin, far below the others, as those of failed samples "
        "do; if they are failed samples, write NaN"}},
      {"a low median, and a 90th percentile just below 0.3",
       {{0.01, 0}, {0.02, 0}, {0.03, 0}, {0.2999, 0}, {1, 0.1}},
       {"is about 0.030: the intensities may lie far below"}},
      {"a tenth", {{0.1, 0}}, {}},
      {"just below a tenth", {{0.0999, 0}}, {"is about 0.098: "}},
      {"the lower median below a tenth, the upper far above",
       {{0.01, 0}, {0.5, 0}},
       {"is about 0.010: "}},
      {"points at x = y = 0 are left out of the median",
       {{0, 0}, {0, 0}, {-0.0, 0}, {0.5, 1}},
       {"3 of 4 points read have x = y = 0: they are fitted as intensities; if they "
        "mark failed samples, write NaN for their x and y to leave them out of the "
        "fit"}},
      {"one axis at 0 is a signal", {{0, 0.5}, {0.5, 0}}, {}},
      {"a low scale of the points other than those at x = y = 0",
       {{0, 0}, {0, 0}, {0.02, 0.01}, {0.05, 0.01}, {0.5, 0}},
       {"is about 0.049 (the points at x = y = 0 left out): ", "2 of 5 points read "}},
      {"points at x = y = 0 are left out of the raw median too",
       {{0, 0}, {0, 0}, {88, 1}},
       {"is about 89 (the points at x = y = 0 left out): the intensities may not",
        "2 of 3 points read "}},
      {"cohort 1 alone raw",
       {{0.89, 0.1}},
       {"in intensity file 'c1.txt' is about 89: ",
        "the 90th percentile of the points' larger intensity, max(x, y), is about 0.89 "
        "in intensity file 'c0.txt' and about 89 in 'c1.txt': the cohorts' intensities "
        "differ in scale by a factor of about 100, and the model"},
       {{88, 1}}},
      {"cohorts 1.6 times apart", {{1, 0}}, {}, {{1.6, 0}}},
      {"cohorts 1.7 times apart",
       {{1, 0}},
       {"is about 1.0 in intensity file 'c0.txt' and about 1.7 in 'c1.txt': the cohorts' "
        "intensities differ in scale by a factor of about 1.7,"},
       {{1.7, 0}}},
      {"cohort 1's failed samples halve its median, not its 90th percentile",
       {{1, 0}},
       {},
       {{0.4, 0}, {0.45, 0}, {0.5, 0}, {1, 0}, {1, 0}}},
      {"alleles 0 and 0 in both files, before cohort 1's raw scale",
       {{1, 0}},
       {"'c0.txt' gives the alleles as 0 and 0", "'c1.txt' gives", "'c1.txt' is about 89",
        "differ"},
       {{88, 1}},
       {0, 1}},
      {"an infinity counts in the highest bin",
       {{inf_value, 1}},
       {"is about 9.8e+151: "}},
  };
  for (const case_& c : cases) {
    SCOPED_TRACE(c.what);
    data d;
    d.intensity_files = {"c0.txt", "c1.txt"};  // cohort 1 empty in most rows
    d.snps.resize(1);
    d.snps[0].points = {c.points, c.cohort1};
    d.zero_allele_cohorts = c.zero_allele_cohorts;
    const std::vector<std::string> warnings = intensity_warnings(d);
    ASSERT_EQ(warnings.size(), c.warnings.size())
        << (warnings.empty() ? "" : warnings[0]);
    for (size_t w = 0; w < warnings.size(); ++w)
      EXPECT_NE(warnings[w].find(c.warnings[w]), std::string::npos) << warnings[w];
  }
  // Every SNP counts in its cohort, every cohort in the total, no empty one.
  data d;
  d.intensity_files = {"c0.txt", "c1.txt", "c2.txt", "c3.txt"};
  d.snps.resize(2);
  d.snps[0].points = {{{50, 1}}, {{0.5, 0.5}}, {}, {}};
  d.snps[1].points = {{{60, 1}, {70, 1}}, {{0, 0}}, {{1, 1}}, {}};
  const std::vector<std::string> warnings = intensity_warnings(d);
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_NE(warnings[0].find("'c0.txt' is about 59: "), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("in 'c0.txt' (the lowest and the highest of 3 cohorts)"),
            std::string::npos);
  EXPECT_NE(warnings[2].find("1 of 6 points read has"), std::string::npos);
}

}  // namespace
