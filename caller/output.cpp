// The result files of a run, written once after the last SNP: one genotype
// file per cohort, the parameter file, the information file and, with
// "-test", the test file.
//
// The files are written under temporary names and renamed over their final
// names together once every one of them is whole (result_writer), so that a
// run leaves either all its result files or none, and never spoils those of
// an earlier run.
//
// Every file goes through one output stream. Doubles are written in the
// stream's default format until the first genotype value that is neither
// near 0 nor near 1; that value switches the stream to fixed notation with
// four decimals, and the switch holds for every later value of every later
// file. The genotype values of each SNP are kept as their text from the end
// of its fit (keep_genotype_values), which notes whether the switch is due.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "fd_output.h"

namespace {

// Every result file of a run, written through one stream beside its final
// name under a temporary name of its own ("<name>.tmp.XXXXXX", created
// exclusively: runs on other hosts may share the directory), and renamed
// over the final names only when every file was written whole. A file that
// fails is still "written" (into nothing), so that the format of the later
// files does not depend on it; the failures are reported together at the
// end, when every temporary file is removed and every earlier file of the
// prefix is left as it was.
class result_writer {
 public:
  result_writer() : os_(nullptr) {}
  result_writer(const result_writer&) = delete;
  result_writer& operator=(const result_writer&) = delete;
  ~result_writer() { remove_temporaries(); }

  // Starts the file that will be called `name`.
  std::ostream& open(const std::string& name) {
    file f;
    f.name = name;
    int error = 0;
    struct stat st;
    if (stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      error = EISDIR;  // the rename at the end would fail
    } else {
      std::string pattern = name + ".tmp.XXXXXX";
      f.fd = mkstemp(&pattern[0]);
      if (f.fd < 0) {
        error = errno;
      } else {
        f.temporary = pattern;
        // mkstemp makes the file private; a result file gets the mode of
        // any new file.
        if (fchmod(f.fd, 0666 & ~file_mode_mask()) != 0) error = errno;
      }
    }
    files_.push_back(f);
    buffer_ = std::make_unique<fd_output_buffer>(error == 0 ? f.fd : -1, error);
    os_.rdbuf(buffer_.get());
    return os_;
  }

  // Ends the current file: its buffer written out, the file on disk and
  // closed, every step checked.
  void close() {
    file& f = files_.back();
    buffer_->pubsync();
    if (f.fd >= 0) {
      // Some file systems report a lost write only here or at the close.
      if (buffer_->error() == 0 && fsync(f.fd) != 0 && errno != EINVAL)
        buffer_->note_error(errno);
      if (::close(f.fd) != 0) buffer_->note_error(errno);
      f.fd = -1;
    }
    f.error = buffer_->error();
    os_.rdbuf(nullptr);
    buffer_.reset();
  }

  // Renames every file over its final name when all were written, else
  // removes them all; throws user_error naming each file that failed and
  // the reason.
  void commit() {
    std::vector<std::string> failed;
    for (const file& f : files_)
      if (f.error != 0) failed.push_back(f.name + " (" + std::strerror(f.error) + ")");
    if (!failed.empty()) {
      remove_temporaries();
      std::string message = "cannot write result file";
      if (failed.size() > 1) message += "s";
      for (size_t k = 0; k < failed.size(); k++)
        message += (k == 0 ? " " : ", ") + failed[k];
      throw user_error(message + "; no result file was written or replaced");
    }
    for (size_t k = 0; k < files_.size(); k++) {
      file& f = files_[k];
      if (std::rename(f.temporary.c_str(), f.name.c_str()) != 0) {
        const int error = errno;
        remove_temporaries();
        std::string message =
            "cannot write result file " + f.name + " (" + std::strerror(error) + ")";
        if (k == 0)
          throw user_error(message + "; no result file was written or replaced");
        message += "; written before it:";
        for (size_t done = 0; done < k; done++) message += " " + files_[done].name;
        throw user_error(message);
      }
      f.temporary.clear();
    }
  }

 private:
  struct file {
    std::string name;       // the final name
    std::string temporary;  // the name it is written under; empty once renamed
    int fd = -1;
    int error = 0;  // errno of the first failure, 0 if none
  };

  // The bits the process's umask clears from the mode of a new file.
  static mode_t file_mode_mask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
  }

  void remove_temporaries() {
    for (file& f : files_) {
      if (f.fd >= 0) ::close(f.fd);
      f.fd = -1;
      if (!f.temporary.empty()) unlink(f.temporary.c_str());
      f.temporary.clear();
    }
  }

  std::ostream os_;
  std::unique_ptr<fd_output_buffer> buffer_;
  std::vector<file> files_;
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

  try {
    files.commit();
  } catch (const user_error&) {
    std::cout << std::endl;
    throw;
  }
}
