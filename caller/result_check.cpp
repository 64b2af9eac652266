// The checks behind the run's messages on standard error. Before the fit,
// the scale of the intensities: the default priors assume normalised ones,
// and raw scanner intensities, 100 or 1000 times larger, leave many
// individuals in the null class and make more calls wrong. After each SNP's
// fit, its results: the fit's guards keep the parameters inside their
// supports, so a value that is not finite there means the fit went wrong
// for this SNP, and the run says so instead of presenting nan as a result;
// and a SNP whose individuals mostly fall in the null class is counted, as a
// hint at intensities on another scale than the priors'.
#include "result_check.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Counts of values on a log scale, in a fixed number of bins: 50 per decade
// from 1e-3 to 1e152 (beyond the largest intensity read, 1e150). The lowest
// bin also takes every value of at most 1e-3, the highest every value above
// its range.
class log_histogram {
 public:
  log_histogram() : counts_(decades * bins_per_decade, 0) {}

  void add(double v) {
    const double decade = std::log10(v);  // -inf or NaN when v <= 0
    int bin = 0;
    if (decade > lowest_decade)
      bin = static_cast<int>((decade - lowest_decade) * bins_per_decade);
    ++counts_[std::min(bin, static_cast<int>(counts_.size()) - 1)];
    ++total_;
  }

  // The geometric middle of the bin that holds the median (the lower one of
  // an even count), once a value is counted.
  double median() const {
    const size_t rank = (total_ - 1) / 2;
    size_t below = 0;
    size_t bin = 0;
    while (below + counts_[bin] <= rank) below += counts_[bin++];
    return std::pow(10.0,
                    lowest_decade + (static_cast<double>(bin) + 0.5) / bins_per_decade);
  }

 private:
  static constexpr int lowest_decade = -3;
  static constexpr int decades = 155;
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

// v, at least 1, to two significant digits, without an exponent below 1e15
// (88, 890, 8900).
std::string two_significant_digits(double v) {
  const double unit = std::pow(10.0, std::floor(std::log10(v)) - 1);
  const double rounded = std::round(v / unit) * unit;
  std::ostringstream text;
  text.precision(std::min(std::max(static_cast<int>(std::log10(rounded)) + 1, 2), 15));
  text << rounded;
  return text.str();
}

// Calls `use` with the larger intensity, max(x, y), of every point of
// `snps` (all SNPs and cohorts; a missing point is none).
template <class Use>
void for_each_larger_intensity(const std::vector<snp>& snps, Use use) {
  for (const snp& s : snps)
    for (const xy_list& cohort : s.points)
      for (const xy& p : cohort)
        if (!std::isnan(p[0]) && !std::isnan(p[1])) use(std::max(p[0], p[1]));
}

// Collects the values that are not finite, under the names of their columns
// in the result files (alpha_0, mu_1_2_0, info2_1, ...).
class non_finite_list {
 public:
  non_finite_list() { text_.precision(10); }

  void check(const std::string& column, double v) {
    if (std::isfinite(v)) return;
    separate();
    text_ << column << " = " << v;
  }
  // The n values from `values`, as name_0, name_1, ...
  void check_each(const std::string& name, const double* values, int n) {
    for (int i = 0; i < n; ++i) check(name + "_" + std::to_string(i), values[i]);
  }
  // The value `member` of every cohort, as name_0, name_1, ...
  void check_per_cohort(const std::string& name, const params& p,
                        double cohort_params::*member) {
    for (size_t c = 0; c < p.cohorts.size(); ++c)
      check(name + "_" + std::to_string(c), p.cohorts[c].*member);
  }
  // Per cohort, how many of its individuals have a genotype value that is
  // not finite.
  void check_genotypes(const vec3& values) {
    for (size_t c = 0; c < values.size(); ++c) {
      int individuals = 0;
      for (const vec& classes : values[c])
        for (double v : classes)
          if (!std::isfinite(v)) {
            ++individuals;
            break;
          }
      if (individuals == 0) continue;
      separate();
      text_ << "the genotype values of " << individuals << " individual"
            << (individuals == 1 ? "" : "s") << " of cohort " << c;
    }
  }

  std::string text() const { return text_.str(); }

 private:
  void separate() {
    if (!text_.str().empty()) text_ << ", ";
  }
  std::ostringstream text_;
};

}  // namespace

std::string raw_scale_warning(const std::vector<snp>& snps) {
  // One comparison per point decides; the histogram, with a logarithm per
  // point, is made only for the figure of a warning.
  size_t points = 0, below = 0;
  for_each_larger_intensity(snps, [&](double v) {
    ++points;
    if (v < raw_scale_median) ++below;
  });
  // The median (the lower middle value of an even count) is at least
  // raw_scale_median when at most (points - 1) / 2 values lie below it.
  if (points == 0 || below > (points - 1) / 2) return "";
  log_histogram larger_intensities;
  for_each_larger_intensity(snps, [&](double v) { larger_intensities.add(v); });
  return "the median of the points' larger intensity, max(x, y), is about " +
         two_significant_digits(larger_intensities.median()) +
         ": the intensities may not be normalised; the default priors assume "
         "normalised intensities of roughly 0 to 2";
}

std::string non_finite_results(const params& p, const vec3& genotype_values) {
  non_finite_list found;
  found.check("final_log_posterior", p.final_log_posterior);
  found.check_per_cohort("alpha", p, &cohort_params::alpha);
  found.check_per_cohort("eta", p, &cohort_params::eta);
  for (size_t c = 0; c < p.cohorts.size(); ++c)
    for (int k = 0; k < 3; ++k)
      found.check_each("mu_" + std::to_string(c) + "_" + std::to_string(k),
                       p.cohorts[c].mu[k], 2);
  found.check_per_cohort("sigma", p, &cohort_params::sigma);
  found.check_per_cohort("varfrac", p, &cohort_params::varfrac);
  for (size_t c = 0; c < p.cohorts.size(); ++c)
    found.check_each("r_" + std::to_string(c), p.cohorts[c].r, 3);
  found.check_per_cohort("info1", p, &cohort_params::info1);
  found.check_per_cohort("info2", p, &cohort_params::info2);
  found.check_genotypes(genotype_values);
  return found.text();
}

bool mostly_null_class(const vec3& values, double n_iter) {
  size_t present = 0, null_class = 0;
  for (const vec2& cohort : values)
    for (const vec& v : cohort) {
      ++present;
      // Divided one by one, as the genotype files write them.
      if (v[0] / n_iter + v[1] / n_iter + v[2] / n_iter < 0.5) ++null_class;
    }
  return 2 * null_class > present;
}
