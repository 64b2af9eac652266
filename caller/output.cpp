// The result files of a run, written once after the last SNP: one genotype
// file per cohort, the parameter file, the information file and, with
// "-test", the test file.
//
// Every file goes through one output stream. Doubles are written in the
// stream's default format until the first genotype value that is neither
// near 0 nor near 1; that value switches the stream to fixed notation with
// four decimals, and the switch holds for every later value of every later
// file. The genotype values of each SNP are kept as their text from the end
// of its fit (keep_genotype_values), which notes whether the switch is due.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"

namespace {

// One stream for every result file, with the names of the files that could
// not be opened or written.
class result_writer {
 public:
  // Opens `name`, replacing any file of that name. A file that cannot be
  // opened is still "written" (the stream is failed and the writes are
  // lost), so that the format of the later files does not depend on it; it
  // is reported at the end.
  std::ostream& open(const std::string& name) {
    name_ = name;
    errno = 0;
    os_.open(name, std::ios::out | std::ios::trunc);
    if (os_.is_open()) {
      os_.clear();
      open_error_.clear();
    } else {
      open_error_ = errno != 0 ? std::strerror(errno) : "";
    }
    return os_;
  }

  // Closes the current file and notes it when anything was lost.
  void close() {
    bool ok = os_.is_open() && !os_.fail();
    if (os_.is_open()) {
      os_.close();
      if (os_.fail()) ok = false;
    }
    if (!ok) {
      std::string entry = name_;
      if (!open_error_.empty()) entry += " (" + open_error_ + ")";
      failed_.push_back(entry);
    }
  }

  const std::vector<std::string>& failed() const { return failed_; }

 private:
  std::ofstream os_;
  std::string name_;
  std::string open_error_;
  std::vector<std::string> failed_;
};

// The words that head the five key columns, each followed by a blank.
const char* const key_words = "SNP_ID rs position allele1 allele2 ";

// `word` followed by each cohort number, each followed by a blank.
void write_cohort_words(std::ostream& os, const char* word, int C) {
  for (int c = 0; c < C; c++) os << word << c << " ";
}

// One value per cohort, each followed by a blank.
void write_cohort_values(std::ostream& os, const vec& values, int C) {
  for (int c = 0; c < C; c++) os << values[c] << " ";
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
    os << g.cohorts[c] << std::endl;
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
    const params& p = d.all_params[j];
    write_keys(os, d.snps[j]);
    write_cohort_values(os, p.alpha, C);
    write_cohort_values(os, p.eta, C);
    for (int c = 0; c < C; c++)
      for (int l = 0; l < 3; l++) os << p.mu[c][l][0] << " " << p.mu[c][l][1] << " ";
    write_cohort_values(os, p.sigma, C);
    write_cohort_values(os, p.varfrac, C);
    for (int c = 0; c < C; c++)
      for (int l = 0; l < 3; l++) os << p.r[c][l] << " ";
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
    write_cohort_values(os, p.info1, C);
    write_cohort_values(os, p.info2, C);
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
  for (size_t c = 0; c < values.size(); c++) {
    const vec2& cohort = values[c];
    const std::vector<int>& missing = c < s.missing.size() ? s.missing[c] : none;
    std::ostringstream os;
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
    g.cohorts.push_back(os.str());
  }
  all_call_probs.push_back(std::move(g));
}

void data::output_mcmc() {
  std::cout << "writing output...." << std::flush;
  result_writer files;
  const std::string prefix = output_prefix;

  for (int c = 0; c < n_cohorts; c++) {
    std::ostream& os = files.open(prefix + "_" + std::to_string(c) + "_mcmc");
    write_genotypes(*this, c, os);
    files.close();
  }
  write_parameters(*this, files.open(prefix + "_params"));
  files.close();
  write_information(*this, files.open(prefix + "_information"));
  files.close();
  if (test != 0) {
    write_tests(*this, files.open(prefix + "_tests"));
    files.close();
  }

  if (!files.failed().empty()) {
    std::cout << std::endl;
    std::string message = "cannot write result file";
    if (files.failed().size() > 1) message += "s";
    for (size_t f = 0; f < files.failed().size(); f++)
      message += (f == 0 ? " " : ", ") + files.failed()[f];
    throw user_error(message);
  }
}
