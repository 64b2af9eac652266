// The checks of the intensities read, made once the input is read and before
// the fit, so that a run on intensities the priors do not fit can be stopped
// at once instead of being found out at its end.  The default priors assume
// normalised intensities: raw scanner ones, 100 or 1000 times larger, leave
// many individuals in the null class and make more calls wrong; ones 100 or
// 1000 times smaller make half of the calls wrong or more.  Each cohort's
// file is its own export, so each is checked on its own, and the cohorts
// against each other: the model the cohorts share fits them badly when one is
// on another scale.  Points at x = y = 0, which some exports write for a
// failed sample, are fitted as intensities at the origin, and most of them
// are called heterozygous; they are left out of the medians.
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

  // The bin that holds the median (the lower one of an even count), once a
  // value is counted; bin 0 holds the values of 0 and below.
  int median_bin() const {
    const size_t rank = (total_ - 1) / 2;
    size_t below = 0;
    int bin = 0;
    while (below + counts_[bin] <= rank) below += counts_[bin++];
    return bin;
  }

  // The geometric middle of `bin`, above 0.
  static double middle(int bin) {
    return std::pow(10.0,
                    lowest_decade + (static_cast<double>(bin) + 0.5) / bins_per_decade);
  }

  static constexpr int bins_per_decade = 50;

 private:
  static constexpr int lowest_decade = -324;
  static constexpr int decades = 476;
  std::vector<size_t> counts_;
  size_t total_ = 0;
};

// A cohort's median larger intensity from which its intensities count as
// raw. Points on the normalised scale have a median of about 1 (0.81 to 1.04
// per cohort on data of tools/simulate with cluster spreads from its default
// 0.04 up to 1; 0.88 in either cohort of the example data), raw ones about
// 100 or 1000 times that (88 and 880 on the example data times 100 and
// 1000). 10 lies between them on a log scale; a cohort of simulated
// normalised data reaches it only at a spread of 22, over 500 times the
// default.
const double raw_scale_median = 10;

// A cohort's median larger intensity below which its intensities count as
// far below the normalised scale: a tenth of the normalised median, as the
// raw threshold is ten times it.  Medians measured (tools/simulate with its
// defaults but --spread and --null-fraction, the share of null points, which
// lie near (0.05, 0.05); each figure of both cohorts together, and each
// cohort's own within 10% of it, 0.31 and 0.36 at spread 0.2 and null share
// 0.5):
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
// seeded runs with -f example/snpinfo.txt, both cohorts rescaled.)  0.1 is
// met by the example data times 0.1 and below, where the calls go wrong four
// times as often and more, and by no simulated cohort up to a null share of
// 0.5; the example data times 0.5 lie 4.4 times above it.
const double low_scale_median = 0.1;

// How far apart, in bins of the histogram (50 per decade), the lowest and
// the highest cohort median may lie before the cohorts count as being on
// different scales: 20 bins, a factor of 10^(20/50) = 2.51.  Seeded runs
// (-nrs -f example/snpinfo.txt) on the example data with cohort 1 alone
// rescaled, medians as the warnings give them (cohort 0's is 0.89):
//
//   cohort 1 times    0.1   0.2   0.3   0.5   0.67  1.5   2     3     5     10
//   its median        0.089 0.18  0.27  0.45  0.59  1.3   1.8   2.7   4.5   8.9
//   bins from 0.89    50    35    26    15    9     9     15    24    35    50
//   wrong, cohort 0   0.8%  1.6%  1.6%  1.1%  0.9%  1.2%  0.8%  6.1%  1.5%  1.2%
//   wrong, cohort 1   61%   18%   2.6%  2.5%  2.0%  2.1%  2.1%  0.8%  0.0%  1.5%
//   null, cohort 1    0     4     7     13    9     5     4     46    72    1089
//
// (wrong: of the calls with genotype values summing to 0.5 or more, 0.6% and
// 1.2% as is; null: of 3000 points, 31 as is.)  Up to a factor of 2 either
// way the calls stay near those of the data as is; at 3 and at 0.2 one
// cohort's go wrong 10 and 15 times as often, and at 10 over a third of cohort
// 1 ends in the null class.  The 6 cohorts of a data set of tools/simulate,
// all of one scale, lie within 3% of each other with its defaults (seeds 1
// to 5), and within 13% with spreads up to 1 and null shares up to 0.45.
// The medians are compared by their bins rather than by their figures: a
// median lies within its bin, so a difference of d bins means a ratio of
// 10^((d - 1)/50) to 10^((d + 1)/50).  Ratios up to 10^(19/50) = 2.40 so never
// warn and ratios from 2.51 always do, and the band between, where a bin
// edge decides, lies between the ratios of 2 and 3 measured above; the
// rounding of the figures to two digits adds nothing to it.
const int cohort_scale_bins = 20;

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

// What one cohort's points tell of its scale.
struct cohort_scale {
  size_t points = 0;     // present points
  size_t no_signal = 0;  // of them, those at x = y = 0
  // Of the others, those whose larger intensity lies below the raw and the
  // low threshold: counted exactly, as a value near a threshold may fall in
  // the bin on its other side.
  size_t below_raw = 0, below_low = 0;
  int median_bin = 0;  // the bin of the median larger intensity of the others

  size_t with_signal() const { return points - no_signal; }
  // "about 89", or "0 or less".
  std::string median() const {
    return median_bin > 0
               ? "about " + two_significant_digits(log_histogram::middle(median_bin))
               : "0 or less";
  }
};

// The scale of the points of cohort c at every SNP of `snps`, in one pass
// with a comparison or two and a logarithm (the histogram's) per point: 12 ns
// a point measured, 1.2 s on 1e8 points, where the fit of the example data
// takes 0.36 ms a point.  One cohort at a time, so that one histogram is held
// however many cohorts there are.
cohort_scale scale_of(const std::vector<snp>& snps, size_t c) {
  cohort_scale scale;
  log_histogram larger_intensities;
  for (const snp& s : snps) {
    if (c >= s.points.size()) continue;
    for (const xy& p : s.points[c]) {
      const double x = p[0], y = p[1];
      if (std::isnan(x) || std::isnan(y)) continue;
      ++scale.points;
      if (x == 0 && y == 0) {
        ++scale.no_signal;
        continue;
      }
      const double larger = std::max(x, y);
      larger_intensities.add(larger);
      if (larger >= raw_scale_median) continue;
      ++scale.below_raw;
      if (larger < low_scale_median) ++scale.below_low;
    }
  }
  if (scale.with_signal() > 0) scale.median_bin = larger_intensities.median_bin();
  return scale;
}

std::string quoted(const std::string& file) { return "'" + file + "'"; }

}  // namespace

std::vector<std::string> intensity_warnings(const data& d) {
  std::vector<std::string> warnings;
  const std::vector<std::string>& files = d.intensity_files;

  // Each cohort's file as read_data judged it by all of its SNP lines read.
  for (int c : d.zero_allele_cohorts)
    warnings.push_back(
        "intensity file " + quoted(files[c]) +
        " gives the alleles as 0 and 0 on every SNP line read: a file with three "
        "key columns rather than five (SNP_ID, rs, position, allele1, allele2) whose "
        "first sample reads 0 0 would have that sample's x and y read as the alleles "
        "and every later sample shifted by one; if the file has three key columns, "
        "add two allele columns after the position, such as N N where the alleles "
        "are unknown");

  std::vector<cohort_scale> cohorts;
  for (size_t c = 0; c < files.size(); ++c) cohorts.push_back(scale_of(d.snps, c));

  const std::string about_the_priors =
      "; the default priors assume normalised intensities of roughly 0 to 2";
  size_t points = 0, no_signal = 0;
  int lowest = -1, highest = -1;  // the cohorts of the lowest and highest median
  for (size_t c = 0; c < cohorts.size(); ++c) {
    const cohort_scale& scale = cohorts[c];
    points += scale.points;
    no_signal += scale.no_signal;
    if (scale.with_signal() == 0) continue;
    // A median (the lower middle value of an even count) of `count` values
    // is below a threshold when more than (count - 1) / 2 of them lie below
    // it.
    const size_t rank = (scale.with_signal() - 1) / 2;
    const std::string median =
        "the median of the points' larger intensity, max(x, y), in intensity file " +
        quoted(files[c]) + " is " + scale.median() +
        (scale.no_signal > 0 ? " (the points at x = y = 0 left out)" : "");
    if (scale.below_raw <= rank)
      warnings.push_back(median + ": the intensities may not be normalised" +
                         about_the_priors);
    else if (scale.below_low > rank)
      warnings.push_back(median +
                         ": the intensities may lie far below the normalised scale" +
                         about_the_priors);
    if (lowest < 0 || scale.median_bin < cohorts[lowest].median_bin)
      lowest = static_cast<int>(c);
    if (highest < 0 || scale.median_bin > cohorts[highest].median_bin)
      highest = static_cast<int>(c);
  }
  if (lowest >= 0 &&
      cohorts[highest].median_bin - cohorts[lowest].median_bin >= cohort_scale_bins)
    warnings.push_back(
        "the median of the points' larger intensity, max(x, y), is " +
        cohorts[lowest].median() + " in intensity file " + quoted(files[lowest]) +
        " and " + cohorts[highest].median() + " in " + quoted(files[highest]) +
        (cohorts.size() > 2 ? " (the lowest and the highest of " +
                                  std::to_string(cohorts.size()) + " cohorts)"
                            : "") +
        ": the cohorts' intensities differ in scale by a factor of 2.5 or more, "
        "and the model the cohorts share assumes them normalised alike");

  if (no_signal > 0)
    warnings.push_back(std::to_string(no_signal) + " of " + std::to_string(points) +
                       (points == 1 ? " point read " : " points read ") +
                       (no_signal == 1 ? "has" : "have") +
                       " x = y = 0: they are fitted as intensities; if they mark "
                       "failed samples, write NaN for their x and y to leave them "
                       "out of the fit");
  return warnings;
}
