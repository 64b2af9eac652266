// The last checks of one SNP's results, after its fit: the fit's guards
// keep the parameters inside their supports, so a value that is not finite
// there means the fit went wrong for this SNP, and the run says so instead
// of presenting nan as a result; and a SNP whose individuals mostly fall in
// the null class is counted, as a hint at intensities on another scale than
// the priors'.
#include "result_check.h"

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

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
