// The command line of velmar++: the option table, the three passes, and the
// one function that checks the values read.
#include "options.h"

#include <cerrno>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"

bool parse_whole_number(const char* s, int& value) {
  if (*s == '\0' || std::isspace(static_cast<unsigned char>(*s))) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s, &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

bool parse_real_number(const char* s, double& value) {
  if (*s == '\0' || std::isspace(static_cast<unsigned char>(*s))) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(s, &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  // Underflow to a tiny or zero value is still that number; overflow gave
  // an infinity, refused above.
  value = v;
  return true;
}

namespace {

std::string number_text(double v) {
  std::ostringstream os;
  os.precision(10);
  os << v;
  return os.str();
}

// One option of the table.
struct option_rule;

// The values that follow one option word on the command line.
class option_values {
 public:
  option_values(int argc, char** argv, int at, const option_rule& rule);

  // Value k (1-based) as it stands, as a whole number, as a real.
  std::string text(int k) const { return argv_[at_ + k]; }
  int whole(int k) const;
  double real(int k) const;
  // The words after the option up to, not including, the first word that
  // begins with '-' or the end of the command line.
  std::vector<std::string> list() const;

 private:
  std::string which(int k) const;

  int argc_;
  char** argv_;
  int at_;
  const option_rule& rule_;
};

struct option_rule {
  const char* word;
  int pass;        // 1 or 2
  int n_values;    // value words taken; 0 also for the lists "-i" and "-chrX"
  const char* form;  // the values as a message names them
  std::function<void(data&, const option_values&)> apply;
};

option_values::option_values(int argc, char** argv, int at,
                             const option_rule& rule)
    : argc_(argc), argv_(argv), at_(at), rule_(rule) {
  int available = argc - 1 - at;
  if (available < rule.n_values) {
    std::string got = available == 0
                          ? "nothing"
                          : "only '" + std::string(argv[at + 1]) + "'";
    throw input_error(std::string(rule.word) + ": expected " + rule.form +
                      ", got " + got);
  }
}

std::string option_values::which(int k) const {
  if (rule_.n_values < 2) return "";
  return k == 1 ? " as its first value" : " as its second value";
}

int option_values::whole(int k) const {
  int v = 0;
  if (!parse_whole_number(argv_[at_ + k], v))
    throw input_error(std::string(rule_.word) + ": expected a whole number" +
                      which(k) + ", got '" + argv_[at_ + k] + "'");
  return v;
}

double option_values::real(int k) const {
  double v = 0;
  if (!parse_real_number(argv_[at_ + k], v))
    throw input_error(std::string(rule_.word) + ": expected a number" +
                      which(k) + ", got '" + argv_[at_ + k] + "'");
  return v;
}

std::vector<std::string> option_values::list() const {
  std::vector<std::string> words;
  for (int i = at_ + 1; i < argc_ && argv_[i][0] != '-'; ++i)
    words.push_back(argv_[i]);
  return words;
}

// A prior pair option: two reals into the pair member.
option_rule pair_option(const char* word, vec data::*member) {
  return {word, 2, 2, "two numbers a and b",
          [member](data& d, const option_values& v) {
            double a = v.real(1);
            double b = v.real(2);
            d.*member = {a, b};
          }};
}

// A valueless switch.
option_rule flag_option(const char* word, int pass, bool data::*member,
                        bool value) {
  return {word, pass, 0, "",
          [member, value](data& d, const option_values&) { d.*member = value; }};
}

// A whole-number option.
option_rule whole_option(const char* word, int pass, int data::*member) {
  return {word, pass, 1, "a whole number",
          [member](data& d, const option_values& v) { d.*member = v.whole(1); }};
}

// A real option.
option_rule real_option(const char* word, double data::*member) {
  return {word, 2, 1, "a number",
          [member](data& d, const option_values& v) { d.*member = v.real(1); }};
}

// An option whose real value is read and has no effect.
option_rule ignored_real_option(const char* word) {
  return {word, 2, 1, "a number",
          [](data&, const option_values& v) { v.real(1); }};
}

const std::vector<option_rule>& option_table() {
  static const std::vector<option_rule> table = {
      // pass 1: the input and the SNP range
      {"-f", 1, 1, "a file name",
       [](data& d, const option_values& v) {
         // An empty info_file means "none": an empty name would silently
         // drop the file the user asked for.
         std::string file = v.text(1);
         if (file.empty())
           throw input_error("-f: expected a file name, got ''");
         d.info_file = file;
       }},
      whole_option("-single", 1, &data::single),
      flag_option("-gz", 1, &data::gz, true),
      flag_option("-bz2", 1, &data::bz2, true),
      {"-snps", 1, 2, "two whole numbers (first and last SNP)",
       [](data& d, const option_values& v) {
         int first = v.whole(1);
         int last = v.whole(2);
         d.snp_start = first;
         d.snp_end = last;
       }},
      {"-i", 1, 0, "",
       [](data& d, const option_values& v) {
         for (const std::string& f : v.list()) d.intensity_files.push_back(f);
       }},
      {"-chrX", 1, 0, "",
       [](data& d, const option_values& v) {
         for (const std::string& f : v.list()) d.sex_files.push_back(f);
         d.chrX = true;
       }},

      // pass 2: the fit
      {"-test", 2, 2, "a whole number and a number",
       [](data& d, const option_values& v) {
         int t = v.whole(1);
         v.real(2);  // read; it has no effect
         d.test = t;
       }},
      {"-o", 2, 1, "an output prefix",
       [](data& d, const option_values& v) { d.output_prefix = v.text(1); }},
      ignored_real_option("-thresh"),
      {"-approx", 2, 2, "two whole numbers (clumping mode and grid cells)",
       [](data& d, const option_values& v) {
         int mode = v.whole(1);
         int cells = v.whole(2);
         d.approx = mode;
         d.grid_cells = cells;
       }},
      flag_option("-allow_male_hets", 2, &data::allow_male_hets, true),
      flag_option("-pr", 2, &data::pr, true),
      flag_option("-names", 2, &data::names, true),
      flag_option("-print_params", 2, &data::print_params, true),
      {"-print_calls", 2, 0, "", [](data&, const option_values&) {}},
      flag_option("-watch_counts", 2, &data::watch_counts, true),
      flag_option("-max1", 2, &data::sampling_stage1, false),
      flag_option("-max2", 2, &data::sampling_stage2, false),
      whole_option("-nmax", 2, &data::nmax),
      whole_option("-n", 2, &data::n_iter),
      whole_option("-b", 2, &data::burn_in),
      whole_option("-ns", 2, &data::ns),
      whole_option("-fancy", 2, &data::fancy),
      ignored_real_option("-ps"),
      {"-paf", 2, 1, "a number",
       [](data& d, const option_values& v) {
         d.paf = v.real(1);
         d.use_paf = true;
       }},
      real_option("-c_alpha_prior", &data::c_alpha_prior),
      real_option("-c_alpha_cohorts", &data::c_alpha_cohorts),
      pair_option("-alpha_star_prior", &data::alpha_star_prior),
      real_option("-pgd", &data::pgd),
      flag_option("-nonull", 2, &data::nonull, true),
      pair_option("-eta_mean_prior", &data::eta_mean_prior),
      pair_option("-eta_var_prior", &data::eta_var_prior),
      pair_option("-length_mean_prior", &data::length_mean_prior),
      pair_option("-length_var_prior", &data::length_var_prior),
      pair_option("-gradient_mean_prior", &data::gradient_mean_prior),
      pair_option("-gradient_var_prior", &data::gradient_var_prior),
      pair_option("-fraction_mean_prior", &data::fraction_mean_prior),
      pair_option("-fraction_var_prior", &data::fraction_var_prior),
      pair_option("-departure_mean_prior", &data::departure_mean_prior),
      pair_option("-departure_var_prior", &data::departure_var_prior),
      {"-center_var_prior_mean", 2, 2,
       "a number and a whole number (scale and degrees of freedom)",
       [](data& d, const option_values& v) {
         double s = v.real(1);
         int nu = v.whole(2);
         d.center_var_prior_mean = {s, static_cast<double>(nu)};
       }},
      pair_option("-sigma_mean_prior", &data::sigma_mean_prior),
      pair_option("-sigma_var_prior", &data::sigma_var_prior),
      pair_option("-varfrac_mean_prior", &data::varfrac_mean_prior),
      pair_option("-varfrac_var_prior", &data::varfrac_var_prior),
      {"-r_mean_prior", 2, 1, "a number",
       [](data& d, const option_values& v) {
         double x = v.real(1);
         d.r_mean_prior_a.assign(3, x);
         d.r_mean_prior_b.assign(3, x);
       }},
      {"-r_var_prior", 2, 1, "a number",
       [](data& d, const option_values& v) {
         double x = v.real(1);
         d.r_var_prior_a.assign(3, x);
         d.r_var_prior_b.assign(3, x);
       }},
      ignored_real_option("-mu_sd"),
      pair_option("-pk", &data::pk),
  };
  return table;
}

void read_pass(int argc, char** argv, data& d, int pass) {
  for (int i = 0; i < argc; ++i) {
    if (argv[i][0] != '-') continue;
    for (const option_rule& o : option_table()) {
      if (o.pass != pass || std::strcmp(argv[i], o.word) != 0) continue;
      option_values values(argc, argv, i, o);
      o.apply(d, values);
      break;
    }
  }
}

std::string at_least(const char* option, const char* what, int minimum,
                     int got) {
  return std::string(option) + ": expected " + what + " of at least " +
         std::to_string(minimum) + ", got " + std::to_string(got);
}

// The starting dispersion of a Beta-type family is factor * a / (a + b) of
// its var-prior pair (a, b); it must lie strictly between 0 and 1.
void check_dispersion_pair(const std::string& option, const std::string& pair,
                           const std::string& formula, double factor,
                           double a, double b) {
  double v = factor * a / (a + b);
  if (v > 0 && v < 1) return;
  throw input_error(option + ": the prior pair " + pair +
                    " starts the dispersion at " + formula + " = " +
                    number_text(v) +
                    ", which must lie strictly between 0 and 1");
}

}  // namespace

double read_seed_option(int argc, char** argv, double clock_seed) {
  double seed = clock_seed;
  for (int i = 0; i < argc; ++i)
    if (argv[i][0] == '-' && std::strcmp(argv[i], "-nrs") == 0)
      seed = fixed_seed;
  return seed;
}

void read_input_options(int argc, char** argv, data& d) {
  read_pass(argc, argv, d, 1);
}

void read_run_options(int argc, char** argv, data& d) {
  read_pass(argc, argv, d, 2);
}

void check_input_options(const data& d) {
  if (d.intensity_files.empty())
    throw input_error("-i: no intensity file given; name one per cohort");
  if (d.chrX && d.sex_files.size() < d.intensity_files.size())
    throw input_error("-chrX: X-chromosome mode needs one sex file per cohort, got " +
                      std::to_string(d.sex_files.size()) + " for " +
                      std::to_string(d.intensity_files.size()) +
                      " intensity file" +
                      (d.intensity_files.size() == 1 ? "" : "s"));
}

void validate_options(const data& d) {
  check_input_options(d);

  if (d.ns < 1) throw input_error(at_least("-ns", "a whole number", 1, d.ns));
  if (d.fancy < 1)
    throw input_error(at_least("-fancy", "a whole number", 1, d.fancy));
  if (d.burn_in < 0)
    throw input_error(at_least("-b", "a whole number", 0, d.burn_in));
  if (d.sampling_stage2 && d.n_iter < 1)
    throw input_error(at_least("-n", "a whole number", 1, d.n_iter) +
                      " (stage 2 samples and the genotype values are "
                      "divided by it; give -max2 to maximise instead)");
  if (d.approx != 0 && d.grid_cells < 1)
    throw input_error("-approx: clumping mode " + std::to_string(d.approx) +
                      " needs a whole number of grid cells of at least 1, got " +
                      std::to_string(d.grid_cells));
  if (d.use_paf && !(d.paf >= 0 && d.paf <= 1))
    throw input_error("-paf: expected a frequency between 0 and 1, got " +
                      number_text(d.paf));

  struct beta_family {
    const char* option;
    const vec& pair;
    double factor;
  };
  const beta_family families[] = {
      {"-eta_var_prior", d.eta_var_prior, 1},
      {"-fraction_var_prior", d.fraction_var_prior, 2},
      {"-departure_var_prior", d.departure_var_prior, 2},
      {"-varfrac_var_prior", d.varfrac_var_prior, 1},
  };
  for (const beta_family& f : families) {
    double a = f.pair[0];
    double b = f.pair[1];
    check_dispersion_pair(f.option, number_text(a) + " " + number_text(b),
                          f.factor == 2 ? "2a/(a+b)" : "a/(a+b)", f.factor, a,
                          b);
  }
  for (int k = 0; k < 3; ++k) {
    double a = d.r_var_prior_a[k];
    double b = d.r_var_prior_b[k];
    check_dispersion_pair("-r_var_prior",
                          number_text(a) + " " + number_text(b) + " of class " +
                              std::to_string(k),
                          "a/(a+b)", 1, a, b);
  }
}

void check_command_line(int argc, char** argv) {
  data scratch;
  read_input_options(argc, argv, scratch);
  read_run_options(argc, argv, scratch);
  validate_options(scratch);
}
