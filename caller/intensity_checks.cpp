// The checks of the intensities read, made once the input is read and before
// the fit, so that a run on intensities the priors do not fit can be stopped
// at once instead of being found out at its end.  The default priors assume
// normalised intensities: raw scanner ones, 100 or 1000 times larger, leave
// many individuals in the null class and make more calls wrong; ones 100 or
// 1000 times smaller make half of the calls wrong or more.  Points at
// x = y = 0, which some exports write for a failed sample, are fitted as
// intensities at the origin, and most of them are called heterozygous.
#include "intensity_checks.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"

namespace {

// Counts of values on a log scale, in a fixed number of bins: 50 per decade
// from 1e-324 (below the least positive double, about 4.9e-324) to 1e152
// (beyond the largest intensity read, 1e150).  The lowest bin takes exactly
// the values of 0 and below, the highest every value from 1e152 on,
// infinities included, so that no value is cast to a bin number out of
// range.
class log_histogram {
 public:
  log_histogram() : counts_(decades * bins_per_decade, 0) {}

  void add(double v) {
    const double decade = std::log10(v);  // -inf or NaN when v <= 0
    int bin = 0;
    if (decade >= lowest_decade + decades)
      bin = static_cast<int>(counts_.size()) - 1;
    else if (decade > lowest_decade)
      bin = static_cast<int>((decade - lowest_decade) * bins_per_decade);
    ++counts_[bin];
    ++total_;
  }

  // The geometric middle of the bin that holds the median (the lower one of
  // an even count), or 0 when that is the bin of 0 and below, once a value
  // is counted.
  double median() const {
    const size_t rank = (total_ - 1) / 2;
    size_t below = 0;
    size_t bin = 0;
    while (below + counts_[bin] <= rank) below += counts_[bin++];
    if (bin == 0) return 0;
    return std::pow(10.0,
                    lowest_decade + (static_cast<double>(bin) + 0.5) / bins_per_decade);
  }

 private:
  static constexpr int lowest_decade = -324;
  static constexpr int decades = 476;
  static constexpr int bins_per_decade = 50;
  std::vector<size_t> counts_;
  size_t total_ = 0;
};

// The median larger intensity from which intensities count as raw. Points
// on the normalised scale have a median of about 1 (0.84 to 1.05 on data of
// tools/simulate with cluster spreads from its default 0.04 up to 1; 0.88 on
// the example data), raw ones about 100 or 1000 times that (88 and 880 on
// the example data times 100 and 1000). 10 lies between them on a log
// scale; simulated normalised data reach it only at a spread between 22
// and 23, over 500 times the default.
const double raw_scale_median = 10;

// The median larger intensity (of the points other than those at x = y = 0)
// below which intensities count as far below the normalised scale: a tenth
// of the normalised median, as the raw threshold is ten times it.  Medians
// measured (tools/simulate with its defaults but --spread and
// --null-fraction, the share of null points, which lie near (0.05, 0.05)):
//
//   example data times   1      0.5    0.25   0.1    0.05   0.02   0.01   0.001
//   median               0.88   0.44   0.22   0.088  0.044  0.018  0.0088 0.00088
//   wrong calls          0.9%   1.8%   2.0%   3.9%   14%    30%    50%    63%
//
//   --null-fraction        0      0.02   0.1    0.3    0.45   0.5    0.55
//   spread 0.01            0.85   0.84   0.81   0.60   0.50   0.44   0.059
//   spread 0.04 (default)  0.85   0.84   0.80   0.61   0.51   0.43   0.085
//   spread 0.1             0.83   0.82   0.77   0.64   0.53   0.39   0.14
//   spread 0.2             0.83   0.82   0.78   0.67   0.53   0.33   0.22
//   spread 0.5             0.90   0.89   0.83   0.66   0.49   0.43   0.37
//   spread 1               1.04   1.03   0.95   0.75   0.62   0.58   0.55
//   spread 2               1.40   1.38   1.30   1.10   0.97   0.91   0.86
//
// (wrong calls: of those with genotype values summing to 0.5 or more, in
// seeded runs with -f example/snpinfo.txt.)  0.1 is met by the example data
// times 0.1 and below, where the calls go wrong four times as often and
// more, and by no simulated data set up to a null share of 0.5; the example
// data times 0.5 lie 4.4 times above it.
const double low_scale_median = 0.1;

// v, above 0, to two significant digits, without an exponent from 1e-5 to
// 1e15 (0.0088, 88, 890, 8900).
std::string two_significant_digits(double v) {
  const double unit = std::pow(10.0, std::floor(std::log10(v)) - 1);
  const double rounded = std::round(v / unit) * unit;
  std::ostringstream text;
  text.precision(std::min(std::max(static_cast<int>(std::log10(rounded)) + 1, 2), 15));
  text << rounded;
  return text.str();
}

// Calls `use` with each point (x, y) of `snps`, all SNPs and cohorts; a
// missing point is none.
template <class Use>
void for_each_point(const std::vector<snp>& snps, Use use) {
  for (const snp& s : snps)
    for (const xy_list& cohort : s.points)
      for (const xy& p : cohort)
        if (!std::isnan(p[0]) && !std::isnan(p[1])) use(p[0], p[1]);
}

bool is_no_signal(double x, double y) { return x == 0 && y == 0; }

// "is about 89", or "is 0 or less": the median of the larger intensity of
// the points for which `counted` holds.
template <class Counted>
std::string median_text(const std::vector<snp>& snps, Counted counted) {
  log_histogram larger_intensities;
  for_each_point(snps, [&](double x, double y) {
    if (counted(x, y)) larger_intensities.add(std::max(x, y));
  });
  const double median = larger_intensities.median();
  return median > 0 ? "is about " + two_significant_digits(median) : "is 0 or less";
}

}  // namespace

std::vector<std::string> intensity_warnings(const std::vector<snp>& snps) {
  // One pass decides, with a comparison or two per point; a histogram, with
  // a logarithm per point, is made only for the figure of a warning.
  size_t points = 0, below_raw = 0, below_low = 0, no_signal = 0;
  for_each_point(snps, [&](double x, double y) {
    ++points;
    const double larger = std::max(x, y);
    if (larger >= raw_scale_median) return;
    ++below_raw;
    if (larger >= low_scale_median) return;
    if (is_no_signal(x, y))
      ++no_signal;
    else
      ++below_low;
  });
  std::vector<std::string> warnings;
  // A median (the lower middle value of an even count) of `count` values is
  // below a threshold when more than (count - 1) / 2 of them lie below it.
  const std::string about_the_priors =
      "; the default priors assume normalised intensities of roughly 0 to 2";
  if (points > 0 && below_raw <= (points - 1) / 2)
    warnings.push_back("the median of the points' larger intensity, max(x, y), " +
                       median_text(snps, [](double, double) { return true; }) +
                       ": the intensities may not be normalised" + about_the_priors);
  const size_t with_signal = points - no_signal;
  if (with_signal > 0 && below_low > (with_signal - 1) / 2)
    warnings.push_back(
        "the median of the points' larger intensity, max(x, y), " +
        median_text(snps, [](double x, double y) { return !is_no_signal(x, y); }) +
        (no_signal > 0 ? " (the points at x = y = 0 left out)" : "") +
        ": the intensities may lie far below the normalised scale" + about_the_priors);
  if (no_signal > 0)
    warnings.push_back(std::to_string(no_signal) + " of " + std::to_string(points) +
                       (points == 1 ? " point read " : " points read ") +
                       (no_signal == 1 ? "has" : "have") +
                       " x = y = 0: they are fitted as intensities; if they mark "
                       "failed samples, write NaN for their x and y to leave them "
                       "out of the fit");
  return warnings;
}
