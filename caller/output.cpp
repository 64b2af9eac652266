// The result files of a run, written once after the last SNP: one genotype
// file per cohort, the parameter file, the information file and, with
// "-test", the test file.
//
// The files are written under temporary names and renamed over their final
// names together once every one of them is whole (result_files.h), so that
// a run leaves either all its result files or none, and never spoils those
// of an earlier run; only a rename that fails midway leaves the files
// renamed before it, and its message names them.
//
// Every file goes through one output stream. Doubles are written in the
// stream's default format until the first genotype value that is neither
// near 0 nor near 1; that value switches the stream to fixed notation with
// four decimals, and the switch holds for every later value of every later
// file. The genotype values of each SNP are kept as their text from the end
// of its fit (keep_genotype_values), which notes whether the switch is due.
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "result_files.h"

namespace {

// The words that head the five key columns, each followed by a blank.
const char* const key_words = "SNP_ID rs position allele1 allele2 ";

// `word` followed by each cohort number, each followed by a blank.
void write_cohort_words(std::ostream& os, const char* word, int C) {
  for (int c = 0; c < C; c++) os << word << c << " ";
}

// The field `value` of every cohort's record, each followed by a blank.
void write_per_cohort(std::ostream& os, const std::vector<cohort_params>& cohorts, int C,
                      double cohort_params::*value) {
  for (int c = 0; c < C; c++) os << cohorts[c].*value << " ";
}

void write_keys(std::ostream& os, const snp& s) {
  os << s.SNP_ID << " " << s.rs << " " << s.position << " " << s.allele1 << " "
     << s.allele2 << " ";
}

// Writes doubles with four decimals from now on.
void use_four_decimals(std::ostream& os) {
  os.setf(std::ios::fixed, std::ios::floatfield);
  os.precision(4);
}

// A genotype value: 1 above 0.999, 0 below 0.001, else with four decimals.
// True when written with four decimals.
bool write_genotype_value(std::ostream& os, double v) {
  bool decimals = false;
  if (v > 0.999) {
    os << 1;
  } else if (v < 0.001) {
    os << 0;
  } else {
    use_four_decimals(os);
    os << v;
    decimals = true;
  }
  os << " ";
  return decimals;
}

// Per SNP its line of cohort c. The first value written with four decimals
// switches the stream to four decimals for every later double, as if the
// values were written one by one.
void write_genotypes(const data& d, int c, std::ostream& os) {
  for (int j = 0; j < d.n_snps; j++) {
    const snp_genotypes& g = d.all_call_probs[j];
    if (g.four_decimals) use_four_decimals(os);
    write_keys(os, d.snps[j]);
    os << g.cohort(c) << std::endl;
  }
}

void write_parameters(const data& d, std::ostream& os) {
  const int C = d.n_cohorts;
  os << key_words;
  write_cohort_words(os, "alpha_", C);
  write_cohort_words(os, "eta_", C);
  for (int c = 0; c < C; c++)
    for (int l = 0; l < 3; l++)
      os << "mu_" << c << "_" << l << "_0 "
         << "mu_" << c << "_" << l << "_1 ";
  write_cohort_words(os, "sigma_", C);
  write_cohort_words(os, "varfrac_", C);
  for (int c = 0; c < C; c++)
    for (int l = 0; l < 3; l++) os << "r_" << c << "_" << l << " ";
  os << std::endl;

  for (int j = 0; j < d.n_snps; j++) {
    const std::vector<cohort_params>& p = d.all_params[j].cohorts;
    write_keys(os, d.snps[j]);
    write_per_cohort(os, p, C, &cohort_params::alpha);
    write_per_cohort(os, p, C, &cohort_params::eta);
    for (int c = 0; c < C; c++)
      for (int l = 0; l < 3; l++) os << p[c].mu[l][0] << " " << p[c].mu[l][1] << " ";
    write_per_cohort(os, p, C, &cohort_params::sigma);
    write_per_cohort(os, p, C, &cohort_params::varfrac);
    for (int c = 0; c < C; c++)
      for (int l = 0; l < 3; l++) os << p[c].r[l] << " ";
    os << std::endl;
  }
}

void write_information(const data& d, std::ostream& os) {
  const int C = d.n_cohorts;
  os << key_words << "final_log_posterior ";
  write_cohort_words(os, "info1_", C);
  write_cohort_words(os, "info2_", C);
  os << std::endl;

  for (int j = 0; j < d.n_snps; j++) {
    const params& p = d.all_params[j];
    write_keys(os, d.snps[j]);
    os << p.final_log_posterior << " ";
    write_per_cohort(os, p.cohorts, C, &cohort_params::info1);
    write_per_cohort(os, p.cohorts, C, &cohort_params::info2);
    os << std::endl;
  }
}

// The test file: one Bayes factor per SNP. Nothing in the fit computes one,
// so a SNP without a value reads NA.
void write_tests(const data& d, std::ostream& os) {
  os << "SNP_ID rs position bayes factors" << std::endl;
  for (int j = 0; j < d.n_snps; j++) {
    const snp& s = d.snps[j];
    os << s.SNP_ID << " " << s.rs << " " << s.position << " ";
    if (static_cast<size_t>(j) < d.bayes_factors.size())
      os << d.bayes_factors[j];
    else
      os << "NA";
    os << std::endl;
  }
}

}  // namespace

void data::keep_genotype_values(const vec3& values) {
  const snp& s = snps[current_snp];
  const std::vector<int> none;
  snp_genotypes g;
  std::ostringstream os;
  for (size_t c = 0; c < values.size(); c++) {
    const vec2& cohort = values[c];
    const std::vector<int>& missing = c < s.missing.size() ? s.missing[c] : none;
    // The individuals of the file in order: a missing one has no genotype.
    const size_t individuals = cohort.size() + missing.size();
    size_t present = 0, next_missing = 0;
    for (size_t i = 0; i < individuals; i++) {
      if (next_missing < missing.size() &&
          static_cast<size_t>(missing[next_missing]) == i) {
        next_missing++;
        os << "0 0 0 ";
        continue;
      }
      for (int k = 0; k < 3; k++) {
        double v = cohort[present][k];
        if (sampling) v = v / static_cast<double>(n_iter);
        if (write_genotype_value(os, v)) g.four_decimals = true;
      }
      present++;
    }
    os << "\n";
  }
  g.text = os.str();
  // Sized for every SNP of the range at the first, never grown by doubling.
  all_call_probs.reserve(snps.size());
  all_call_probs.push_back(std::move(g));
}

std::vector<std::string> result_file_names(const std::string& prefix, int n_cohorts,
                                           bool test) {
  std::vector<std::string> names;
  for (int c = 0; c < n_cohorts; c++)
    names.push_back(prefix + "_" + std::to_string(c) + "_mcmc");
  names.push_back(prefix + "_params");
  names.push_back(prefix + "_information");
  if (test) names.push_back(prefix + "_tests");
  return names;
}

void data::output_mcmc(staged_file* trace) {
  std::cout << "writing output...." << std::flush;
  // One per cohort as the fit leaves them: one alone when -single pooled them.
  const int genotype_files = genotype_file_count(*this);
  const std::vector<std::string> names =
      result_file_names(output_prefix, genotype_files, test != 0);
  std::vector<std::unique_ptr<staged_file> > files;
  // One stream for every file: the switch to four decimals carries over. A
  // file that fails is still "written" (into nothing), so that the format
  // of the later files does not depend on it.
  std::ostream os(nullptr);
  for (const std::string& name : names) {
    // The files in the order of result_file_names.
    const int file = static_cast<int>(files.size());
    files.push_back(std::make_unique<staged_file>(name));
    os.rdbuf(files.back()->buffer());
    if (file < genotype_files)
      write_genotypes(*this, file, os);
    else if (file == genotype_files)
      write_parameters(*this, os);
    else if (file == genotype_files + 1)
      write_information(*this, os);
    else
      write_tests(*this, os);
    os.rdbuf(nullptr);
    files.back()->finish();
  }

  std::vector<staged_file*> together;
  for (const std::unique_ptr<staged_file>& f : files) together.push_back(f.get());
  if (trace) {
    trace->finish();
    together.push_back(trace);
  }
  try {
    rename_together(together, directory_of(output_prefix));
  } catch (const user_error&) {
    std::cout << std::endl;
    throw;
  }
}
