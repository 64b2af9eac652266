// The checks of the intensities read, made once the input is read and before
// the fit, so that a run on intensities the priors do not fit can be stopped
// at once instead of being found out at its end.  The default priors assume
// normalised intensities: raw scanner ones, 100 or 1000 times larger, leave
// many individuals in the null class and make more calls wrong; ones far
// smaller make many calls wrong.  Each cohort's file is its own export, so
// each is checked on its own, and the cohorts against each other: the model
// the cohorts share fits them badly when one is on another scale, and on
// data of a rare allele it can miscall a whole SNP of the other cohort.
// Points at x = y = 0, which some exports write for a failed sample, are
// fitted as intensities at the origin, and most of them are called
// heterozygous; they are left out of every figure.  The README gives the
// measurements behind each threshold.
#include "intensity_checks.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
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
  }

  // The bin that holds the value of `rank` (from 0) in ascending order, of
  // a rank below the number of values counted; bin 0 holds the values of 0
  // and below.
  int bin_of_rank(size_t rank) const {
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

 private:
  static constexpr int bins_per_decade = 50;
  static constexpr int lowest_decade = -324;
  static constexpr int decades = 476;
  std::vector<size_t> counts_;
};

// A cohort's median larger intensity from which its intensities count as
// raw: normalised ones have a median of about 1, raw ones 100 or 1000 times
// that, and 10 lies between them on a log scale.
const double raw_scale_median = 10;

// A cohort's median larger intensity below which its intensities count as
// far below the normalised scale: a tenth of the normalised median, as the
// raw threshold is ten times it.
const double low_scale_median = 0.1;

// The 90th percentile of a cohort's larger intensity from which a median
// below the low threshold is taken for failed samples rather than for a low
// scale: three times that threshold.  Intensities scaled down as a whole
// take their 90th percentile down with their median, which they keep within
// a small factor of it; samples that failed near the origin pull the median
// down and leave the 90th percentile of the others where it was.
const double failed_samples_upper = 0.3;

// How far apart, in bins of the histogram, the lowest and the highest
// cohort's 90th percentile may lie before the cohorts count as being on
// different scales: 11 bins, a factor of 10^(11/50) = 1.66, about 1.7.  The
// 90th percentile rather than the median, as failed samples near the origin
// pull a cohort's median down but hardly move its 90th percentile.  A
// percentile lies within its bin, so a difference of d bins means a ratio of
// 10^((d - 1)/50) to 10^((d + 1)/50): ratios up to 10^(10/50) = 1.58 never
// warn and ratios from 10^(12/50) = 1.74 always do.
const int cohort_scale_bins = 11;

// v, above 0, rounded to two significant digits.
double two_significant_digits(double v) {
  const double unit = std::pow(10.0, std::floor(std::log10(v)) - 1);
  return std::round(v / unit) * unit;
}

// v, a figure of two significant digits, with both digits (1.0, 0.089) and
// without an exponent from 1e-5 to 1e15 (0.0088, 88, 890, 8900).
std::string figure_text(double v) {
  std::ostringstream text;
  // The rounding to two digits may leave 0.1 a hair below itself.
  const int magnitude = static_cast<int>(std::floor(std::log10(v) + 1e-9));
  if (magnitude < 1 && magnitude >= -5)
    text << std::fixed << std::setprecision(1 - magnitude);
  else
    text.precision(std::min(std::max(magnitude + 1, 2), 15));
  text << v;
  return text.str();
}

// A figure of a cohort, given to within 6% as the middle of its bin rounded
// to two significant digits, or 0 for the lowest bin (0 or less).
double bin_figure(int bin) {
  return bin > 0 ? two_significant_digits(log_histogram::middle(bin)) : 0;
}

// "about 89", or "0 or less".
std::string bin_figure_text(int bin) {
  return bin > 0 ? "about " + figure_text(bin_figure(bin)) : "0 or less";
}

// What one cohort's points tell of its scale.
struct cohort_scale {
  size_t points = 0;     // present points
  size_t no_signal = 0;  // of them, those at x = y = 0
  // Of the others, those whose larger intensity lies below the raw, the
  // failed samples' and the low threshold: counted exactly, as a value near a
  // threshold may fall in the bin on its other side.
  size_t below_raw = 0, below_low = 0, below_failed_samples_upper = 0;
  // The bins of the median (the lower middle value of an even count) and of
  // the 90th percentile (the value of rank 0.9 (n - 1), rounded down, from
  // 0) of the larger intensity of the others.
  int median_bin = 0, upper_bin = 0;

  size_t with_signal() const { return points - no_signal; }
  size_t median_rank() const { return (with_signal() - 1) / 2; }
  size_t upper_rank() const { return (with_signal() - 1) * 9 / 10; }
};

// The scale of the points of cohort c at every SNP of `snps`, in one pass
// with a few comparisons and a logarithm (the histogram's) per point.  One
// cohort at a time, so that one histogram is held however many cohorts
// there are.
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
      if (larger >= failed_samples_upper) continue;
      ++scale.below_failed_samples_upper;
      if (larger < low_scale_median) ++scale.below_low;
    }
  }
  if (scale.with_signal() > 0) {
    scale.median_bin = larger_intensities.bin_of_rank(scale.median_rank());
    scale.upper_bin = larger_intensities.bin_of_rank(scale.upper_rank());
  }
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
  const std::string larger_intensity = "of the points' larger intensity, max(x, y),";
  size_t points = 0, no_signal = 0, with_signal = 0;
  int lowest = -1, highest = -1;  // the cohorts of the lowest and highest percentile
  for (size_t c = 0; c < cohorts.size(); ++c) {
    const cohort_scale& scale = cohorts[c];
    points += scale.points;
    no_signal += scale.no_signal;
    if (scale.with_signal() == 0) continue;
    ++with_signal;
    const std::string median =
        "the median " + larger_intensity + " in intensity file " + quoted(files[c]) +
        " is " + bin_figure_text(scale.median_bin) +
        (scale.no_signal > 0 ? " (the points at x = y = 0 left out)" : "");
    // A value of rank r (from 0) is below a threshold when more than r
    // values lie below it.
    const bool low_median = scale.below_low > scale.median_rank();
    if (scale.below_raw <= scale.median_rank())
      warnings.push_back(median + ": the intensities may not be normalised" +
                         about_the_priors);
    else if (low_median && scale.below_failed_samples_upper <= scale.upper_rank())
      warnings.push_back(median + ", but its 90th percentile is " +
                         bin_figure_text(scale.upper_bin) +
                         ": half of the points or more lie near the origin, far "
                         "below the others, as those of failed samples do; if they "
                         "are failed samples, write NaN for their x and y to leave "
                         "them out of the fit");
    else if (low_median)
      warnings.push_back(median +
                         ": the intensities may lie far below the normalised scale" +
                         about_the_priors +
                         "; normalise them before the run, for example by scaling "
                         "x and y so that this median is about 1");
    if (lowest < 0 || scale.upper_bin < cohorts[lowest].upper_bin)
      lowest = static_cast<int>(c);
    if (highest < 0 || scale.upper_bin > cohorts[highest].upper_bin)
      highest = static_cast<int>(c);
  }
  if (lowest >= 0 &&
      cohorts[highest].upper_bin - cohorts[lowest].upper_bin >= cohort_scale_bins) {
    // The factor of the two figures given, so that the message agrees with
    // itself; none when the lower is 0 or less.
    const int low_bin = cohorts[lowest].upper_bin, high_bin = cohorts[highest].upper_bin;
    const std::string factor =
        low_bin > 0
            ? " by a factor of about " + figure_text(two_significant_digits(
                                             bin_figure(high_bin) / bin_figure(low_bin)))
            : "";
    warnings.push_back(
        "the 90th percentile " + larger_intensity + " is " + bin_figure_text(low_bin) +
        " in intensity file " + quoted(files[lowest]) + " and " +
        bin_figure_text(high_bin) + " in " + quoted(files[highest]) +
        (with_signal > 2 ? " (the lowest and the highest of " +
                               std::to_string(with_signal) + " cohorts)"
                         : "") +
        ": the cohorts' intensities differ in scale" + factor +
        ", and the model the cohorts share assumes them normalised alike; normalise "
        "every cohort's file the same way, for example by scaling each so that its "
        "90th percentile is about 1");
  }

  if (no_signal > 0)
    warnings.push_back(std::to_string(no_signal) + " of " + std::to_string(points) +
                       (points == 1 ? " point read " : " points read ") +
                       (no_signal == 1 ? "has" : "have") +
                       " x = y = 0: they are fitted as intensities; if they mark "
                       "failed samples, write NaN for their x and y to leave them "
                       "out of the fit");
  return warnings;
}
