// The command line of velmar++: the option table, the three passes, and the
// one function that checks the values read.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "messages.h"

namespace {

// The whole of s as one whole number in base 10 (no blanks, no trailing
// characters); one beyond long long is held as the nearest long long, so
// its sign and its place beyond int stay known.
bool parse_wide_whole_number(const char* s, long long& value) {
  if (*s == '\0' || std::isspace(static_cast<unsigned char>(*s))) return false;
  char* end = nullptr;
  value = std::strtoll(s, &end, 10);
  return *end == '\0';
}

// What the whole of s is as a real number.
enum class real_reading { number, not_a_number, out_of_range };

real_reading read_real_number(const char* s, double& value) {
  if (*s == '\0' || std::isspace(static_cast<unsigned char>(*s)))
    return real_reading::not_a_number;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s, &end);
  if (*end != '\0') return real_reading::not_a_number;
  // Overflow gives an infinity and ERANGE; "inf" and "nan" written out are
  // no numbers. Underflow to a tiny or zero value is still that number.
  if (std::isinf(v) && errno == ERANGE) return real_reading::out_of_range;
  if (!std::isfinite(v)) return real_reading::not_a_number;
  value = v;
  return real_reading::number;
}

}  // namespace

bool parse_whole_number(const char* s, int& value) {
  long long v = 0;
  if (!parse_wide_whole_number(s, v) || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

bool parse_real_number(const char* s, double& value) {
  return read_real_number(s, value) == real_reading::number;
}

namespace {

std::string number_text(double v) {
  std::ostringstream os;
  os.precision(10);
  os << v;
  return os.str();
}

// The real values an option accepts: what a message calls them and the
// test of one value. A draw or density of the fit is undefined or degenerate
// outside them (a Gamma or Beta shape, a rate, a concentration or a scale of
// 0 or below; a dispersion of 0, 1 or beyond).
struct domain {
  const char* expected;
  bool (*holds)(double);
};

const domain positive{"a positive number", [](double v) { return v > 0; }};
const domain dispersion{"a number strictly between 0 and 1",
                        [](double v) { return v > 0 && v < 1; }};
const domain frequency{"a frequency between 0 and 1",
                       [](double v) { return v >= 0 && v <= 1; }};

// The whole numbers an option accepts, from least to most; both lie within
// int, which holds every count of the run.
struct whole_domain {
  long long least;
  long long most;
};

const whole_domain any_whole{INT_MIN, INT_MAX};
const whole_domain at_least_zero{0, INT_MAX};
// Fewer than 1 start, sweep or degree of freedom leaves the fit undefined.
const whole_domain at_least_one{1, INT_MAX};
// A loop `for (it = 1; it <= n; ++it)` on an int ends only for n < INT_MAX.
const whole_domain loop_bound{0, INT_MAX - 1};

// The int nearest to v.
int nearest_int(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// " as its first value" or " as its second value" for an option of two
// values, nothing for one of a single value.
std::string value_place(int n_values, int k) {
  if (n_values < 2) return "";
  return k == 1 ? " as its first value" : " as its second value";
}

// Throws when value k (1-based) of an option of n_values values lies
// outside its domain.
void require(const char* word, int n_values, int k, const domain& allowed, double value) {
  if (allowed.holds(value)) return;
  throw user_error(std::string(word) + ": expected " + allowed.expected +
                   value_place(n_values, k) + ", got " + number_text(value));
}

// The message that refuses value k of a whole-number option for lying
// beyond `limit`, `bound` being "at least" or "at most"; `got` is the value
// as the command line gives it.
std::string whole_refusal(const char* word, int n_values, int k, const char* bound,
                          long long limit, const std::string& got) {
  return std::string(word) + ": expected a whole number of " + bound + " " +
         std::to_string(limit) + value_place(n_values, k) + ", got " + got;
}

// Throws when value k of a whole-number option lies outside its domain.
void require_whole(const char* word, int n_values, int k, const whole_domain& allowed,
                   long long value, const std::string& got) {
  if (value < allowed.least)
    throw user_error(whole_refusal(word, n_values, k, "at least", allowed.least, got));
  if (value > allowed.most)
    throw user_error(whole_refusal(word, n_values, k, "at most", allowed.most, got));
}

void require_whole(const char* word, int n_values, int k, const whole_domain& allowed,
                   long long value) {
  require_whole(word, n_values, k, allowed, value, std::to_string(value));
}

// One option of the table.
struct option_rule;

// The values that follow one option word on the command line.
class option_values {
 public:
  option_values(int argc, char** argv, int at, const option_rule& rule);

  // Value k (1-based) as it stands.
  std::string text(int k) const { return argv_[at_ + k]; }
  // Value k as an int; a whole number beyond int is refused with the limit
  // of `allowed` on its side (a value within int meets `allowed` in the
  // option's check, on the model).
  int whole(int k, const whole_domain& allowed) const;
  // Value k as a whole number of any size, one beyond long long as the
  // nearest long long.
  long long wide_whole(int k) const;
  // Value k as a finite real.
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
  int pass;          // 1 or 2
  int n_values;      // value words taken; 0 for the lists
  const char* form;  // the values as a message names them
  std::function<void(data&, const option_values&)> apply;
  // Throws when a value the option sets lies outside its domain; empty for
  // the switches, the file lists and the values that have no effect.
  std::function<void(const data&)> check = nullptr;
  // "-i" and "-chrX": the values are the list of option_values::list().
  bool takes_list = false;
};

option_values::option_values(int argc, char** argv, int at, const option_rule& rule)
    : argc_(argc), argv_(argv), at_(at), rule_(rule) {
  int available = argc - 1 - at;
  if (available < rule.n_values) {
    std::string got =
        available == 0 ? "nothing" : "only '" + std::string(argv[at + 1]) + "'";
    throw user_error(std::string(rule.word) + ": expected " + rule.form + ", got " + got);
  }
}

std::string option_values::which(int k) const { return value_place(rule_.n_values, k); }

int option_values::whole(int k, const whole_domain& allowed) const {
  const long long v = wide_whole(k);
  if (v < INT_MIN || v > INT_MAX)
    require_whole(rule_.word, rule_.n_values, k, allowed, v, text(k));
  return static_cast<int>(v);
}

long long option_values::wide_whole(int k) const {
  long long v = 0;
  if (!parse_wide_whole_number(argv_[at_ + k], v))
    throw user_error(std::string(rule_.word) + ": expected a whole number" + which(k) +
                     ", got '" + argv_[at_ + k] + "'");
  return v;
}

double option_values::real(int k) const {
  double v = 0;
  const real_reading reading = read_real_number(argv_[at_ + k], v);
  if (reading == real_reading::number) return v;
  std::string message = std::string(rule_.word) + ": expected a number" + which(k) +
                        ", got '" + argv_[at_ + k] + "'";
  if (reading == real_reading::out_of_range)
    message +=
        ", which is out of range (no number of magnitude beyond about 1.8e308 can "
        "be held)";
  throw user_error(message);
}

std::vector<std::string> option_values::list() const {
  std::vector<std::string> words;
  for (int i = at_ + 1; i < argc_ && argv_[i][0] != '-'; ++i) words.push_back(argv_[i]);
  return words;
}

// A prior pair option: two reals into the pair member, both positive (the
// shape and rate of a Gamma, or the two shapes of a Beta).
option_rule pair_option(const char* word, vec data::*member) {
  return {word,
          2,
          2,
          "two numbers a and b",
          [member](data& d, const option_values& v) {
            double a = v.real(1);
            double b = v.real(2);
            d.*member = {a, b};
          },
          [word, member](const data& d) {
            require(word, 2, 1, positive, (d.*member)[0]);
            require(word, 2, 2, positive, (d.*member)[1]);
          }};
}

// A valueless switch.
option_rule flag_option(const char* word, int pass, bool data::*member, bool value) {
  return {word, pass, 0, "",
          [member, value](data& d, const option_values&) { d.*member = value; }};
}

// A whole-number option whose value lies in `allowed`.
option_rule whole_option(const char* word, int pass, int data::*member,
                         const whole_domain& allowed) {
  return {word,
          pass,
          1,
          "a whole number",
          [member, &allowed](data& d, const option_values& v) {
            d.*member = v.whole(1, allowed);
          },
          [word, member, &allowed](const data& d) {
            require_whole(word, 1, 1, allowed, d.*member);
          }};
}

// A real option whose value lies in `allowed`.
option_rule real_option(const char* word, double data::*member, const domain& allowed) {
  return {word,
          2,
          1,
          "a number",
          [member](data& d, const option_values& v) { d.*member = v.real(1); },
          [word, member, &allowed](const data& d) {
            require(word, 1, 1, allowed, d.*member);
          }};
}

// An option of one positive real that sets all three entries of two prior
// arrays (the correlations' hyper-priors, one Beta pair per class).
option_rule class_pairs_option(const char* word, vec data::*a, vec data::*b) {
  return {word,
          2,
          1,
          "a number",
          [a, b](data& d, const option_values& v) {
            double x = v.real(1);
            (d.*a).assign(3, x);
            (d.*b).assign(3, x);
          },
          [word, a, b](const data& d) {
            for (int k = 0; k < 3; ++k) {
              require(word, 1, 1, positive, (d.*a)[k]);
              require(word, 1, 1, positive, (d.*b)[k]);
            }
          }};
}

// An option whose real value is read and has no effect.
option_rule ignored_real_option(const char* word) {
  return {word, 2, 1, "a number", [](data&, const option_values& v) { v.real(1); }};
}

const std::vector<option_rule>& option_table() {
  static const std::vector<option_rule> table = {
      // pass 1: the input and the SNP range
      {"-f", 1, 1, "a file name",
       [](data& d, const option_values& v) {
         // An empty info_file means "none": an empty name would silently
         // drop the file the user asked for.
         std::string file = v.text(1);
         if (file.empty()) throw user_error("-f: expected a file name, got ''");
         d.info_file = file;
       }},
      whole_option("-single", 1, &data::single, any_whole),
      flag_option("-gz", 1, &data::gz, true),
      flag_option("-bz2", 1, &data::bz2, true),
      {"-snps", 1, 2, "two whole numbers (first and last SNP)",
       [](data& d, const option_values& v) {
         // A first SNP below 1 means the first SNP, and a last SNP below 1
         // or beyond the end the last, however far out: such a number is
         // held as the nearest int. No file reaches a first SNP beyond int.
         const long long first = v.wide_whole(1);
         const long long last = v.wide_whole(2);
         if (first > INT_MAX) require_whole("-snps", 2, 1, any_whole, first, v.text(1));
         d.snp_start = nearest_int(first);
         d.snp_end = nearest_int(last);
       }},
      {"-i", 1, 0, "",
       [](data& d, const option_values& v) {
         for (const std::string& f : v.list()) d.intensity_files.push_back(f);
       },
       nullptr, true},
      {"-chrX", 1, 0, "",
       [](data& d, const option_values& v) {
         for (const std::string& f : v.list()) d.sex_files.push_back(f);
         d.chrX = true;
       },
       nullptr, true},

      // pass 2: the fit
      {"-test", 2, 2, "a whole number and a number",
       [](data& d, const option_values& v) {
         int t = v.whole(1, any_whole);
         v.real(2);  // read; it has no effect
         d.test = t;
       }},
      {"-o", 2, 1, "an output prefix",
       [](data& d, const option_values& v) {
         // An empty prefix would name the result files "_0_mcmc", ...
         std::string prefix = v.text(1);
         if (prefix.empty()) throw user_error("-o: expected an output prefix, got ''");
         d.output_prefix = prefix;
       }},
      ignored_real_option("-thresh"),
      {"-approx", 2, 2, "two whole numbers (clumping mode and grid cells)",
       [](data& d, const option_values& v) {
         int mode = v.whole(1, any_whole);
         int cells = v.whole(2, any_whole);
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
      whole_option("-nmax", 2, &data::nmax, loop_bound),
      // At least 1 when stage 2 samples, and with -b within the stage-2
      // counter: see the rules across options.
      whole_option("-n", 2, &data::n_iter, any_whole),
      whole_option("-b", 2, &data::burn_in, at_least_zero),
      whole_option("-ns", 2, &data::ns, at_least_one),
      whole_option("-fancy", 2, &data::fancy, at_least_one),
      ignored_real_option("-ps"),
      {"-paf", 2, 1, "a number",
       [](data& d, const option_values& v) {
         d.paf = v.real(1);
         d.use_paf = true;
       },
       [](const data& d) { require("-paf", 1, 1, frequency, d.paf); }},
      real_option("-c_alpha_prior", &data::c_alpha_prior, dispersion),
      real_option("-c_alpha_cohorts", &data::c_alpha_cohorts, dispersion),
      pair_option("-alpha_star_prior", &data::alpha_star_prior),
      real_option("-pgd", &data::pgd, positive),  // a Dirichlet concentration
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
         int nu = v.whole(2, at_least_one);
         d.center_var_prior_mean = {s, static_cast<double>(nu)};
       },
       [](const data& d) {
         const char* word = "-center_var_prior_mean";
         require(word, 2, 1, positive, d.center_var_prior_mean[0]);
         require_whole(word, 2, 2, at_least_one,
                       static_cast<long long>(d.center_var_prior_mean[1]));
       }},
      pair_option("-sigma_mean_prior", &data::sigma_mean_prior),
      pair_option("-sigma_var_prior", &data::sigma_var_prior),
      pair_option("-varfrac_mean_prior", &data::varfrac_mean_prior),
      pair_option("-varfrac_var_prior", &data::varfrac_var_prior),
      class_pairs_option("-r_mean_prior", &data::r_mean_prior_a, &data::r_mean_prior_b),
      class_pairs_option("-r_var_prior", &data::r_var_prior_a, &data::r_var_prior_b),
      ignored_real_option("-mu_sd"),
      pair_option("-pk", &data::pk),  // two random-walk concentrations
  };
  return table;
}

// The rule of the table whose option word `word` is; nullptr for any other
// word.
const option_rule* rule_of(const char* word) {
  for (const option_rule& o : option_table())
    if (std::strcmp(word, o.word) == 0) return &o;
  return nullptr;
}

const char* const fixed_seed_word = "-nrs";

// An option word of any pass: a word of the table, or "-nrs".
bool is_option_word(const char* word) {
  return rule_of(word) != nullptr || std::strcmp(word, fixed_seed_word) == 0;
}

void read_pass(int argc, char** argv, data& d, int pass) {
  for (int i = 0; i < argc; ++i) {
    const option_rule* o = rule_of(argv[i]);
    if (o == nullptr || o->pass != pass) continue;
    option_values values(argc, argv, i, *o);
    o->apply(d, values);
  }
}

// The starting hierarchical mean and variance (or dispersion) of one family,
// as every random start sets them from the family's two prior pairs (see
// data::initialize), must lie where the family's values live, and the prior
// they give each cohort's value must have usable shapes: the cohorts' values
// are drawn from it.
struct family_start {
  const char* mean_option;
  const char* var_option;
  std::string which;  // " of class k" for the correlations, else ""
  bool beta_type;     // values in (0, 1); else positive
  vec mean_pair;
  vec var_pair;
  double var_factor;  // 2 for the line families: 2a/b or 2a/(a+b)
  // Each start draws the cohorts' values from Beta(mean pair) itself.
  bool drawn_from_mean_pair;
};

bool finite_positive(double v) { return v > 0 && std::isfinite(v); }

// A shape that the single-precision beta draws can take.
bool usable_in_single_precision(double v) {
  return finite_positive(static_cast<float>(v));
}

std::string pair_text(const vec& pair) {
  return number_text(pair[0]) + " " + number_text(pair[1]);
}

// Throws unless `value`, which the prior pair of `option` starts `what` at
// by `formula`, lies in (0, 1) (beta_type) or is positive and finite.
void require_start(const char* option, const vec& pair, const std::string& which,
                   const char* what, const std::string& formula, bool beta_type,
                   double value) {
  bool ok = beta_type ? value > 0 && value < 1 : finite_positive(value);
  if (ok) return;
  throw user_error(
      std::string(option) + ": the prior pair " + pair_text(pair) + which + " starts " +
      what + " at " + formula + " = " + number_text(value) + ", which must " +
      (beta_type ? "lie strictly between 0 and 1" : "be positive and finite"));
}

void check_family_start(const family_start& f) {
  const double a = f.mean_pair[0], b = f.mean_pair[1];
  const double m = f.beta_type ? a / (a + b) : a / b;
  require_start(f.mean_option, f.mean_pair, f.which, "the mean",
                f.beta_type ? "a/(a+b)" : "a/b", f.beta_type, m);

  const double c = f.var_pair[0], e = f.var_pair[1];
  const double v = f.beta_type ? f.var_factor * c / (c + e) : f.var_factor * c / e;
  const std::string factor = f.var_factor == 2 ? "2" : "";
  require_start(f.var_option, f.var_pair, f.which,
                f.beta_type ? "the dispersion" : "the variance",
                factor + (f.beta_type ? "a/(a+b)" : "a/b"), f.beta_type, v);

  // Beta(m(1 - v)/v, (1 - m)(1 - v)/v) is drawn in single precision; the
  // Gamma of shape m m / v and rate m / v in double precision.
  const double first = f.beta_type ? m * (1 - v) / v : m * m / v;
  const double second = f.beta_type ? (1 - m) * (1 - v) / v : m / v;
  const bool usable = f.beta_type ? usable_in_single_precision(first) &&
                                        usable_in_single_precision(second)
                                  : finite_positive(first) && finite_positive(second);
  if (!usable)
    throw user_error(std::string(f.mean_option) + " and " + f.var_option +
                     ": the prior pairs " + pair_text(f.mean_pair) + " and " +
                     pair_text(f.var_pair) + f.which + " start the cohorts' prior at " +
                     (f.beta_type ? "Beta(" : "Gamma(shape ") + number_text(first) +
                     (f.beta_type ? ", " : ", rate ") + number_text(second) +
                     "), whose parameters must be positive and finite" +
                     (f.beta_type ? " in single precision" : ""));
  if (f.drawn_from_mean_pair &&
      !(usable_in_single_precision(a) && usable_in_single_precision(b)))
    throw user_error(std::string(f.mean_option) + ": the prior pair " +
                     pair_text(f.mean_pair) + f.which +
                     " cannot be held in single precision, in which the "
                     "starting values are drawn from Beta(a, b)");
}

// Why `word`, which the passes do not read, is left out. A file is most
// likely one that was meant for a file list but stands after its end.
std::string stray_word_warning(const std::string& word) {
  std::error_code ignored;
  const std::filesystem::path path(word);
  if (!word.empty() && std::filesystem::exists(path, ignored) &&
      !std::filesystem::is_directory(path, ignored))
    return "'" + word +
           "' names a file but was not read: it is no intensity file of this run "
           "(the file lists of -i and -chrX end at the first word that begins with "
           "'-': give their files right after the option, before any other)";
  if (word[0] == '-')
    return "'" + word +
           "' is no option and is ignored (option names are exact, case-sensitive "
           "words, and an option's values are the words after it, as in \"-nmax 60\")";
  return "'" + word +
         "' was not read: it is no option and no option's value (an option's "
         "values are the words right after it, as in \"-nmax 60\", and the file "
         "lists of -i and -chrX end at the first word that begins with '-')";
}

// One warning for every value word that is an option word too, in
// command-line order, each warning once: the passes read such a word as
// both, so a forgotten value, as in "-o -print_params", takes the next
// option word in its place.
std::vector<std::string> option_words_as_values(int argc, char** argv) {
  std::vector<std::string> warnings;
  for (int i = 1; i < argc; ++i) {
    const option_rule* o = rule_of(argv[i]);
    if (o == nullptr) continue;
    for (int k = 1; k <= o->n_values && i + k < argc; ++k) {
      const char* value = argv[i + k];
      if (!is_option_word(value)) continue;
      const std::string which = o->n_values == 1 ? "the value"
                                : k == 1         ? "the first value"
                                                 : "the second value";
      const std::string warning =
          "'" + std::string(value) + "', " + which + " of " + o->word +
          ", is an option word and is also read as the option " + value +
          " (an option's values are the words right after it, whatever they are: give " +
          o->word + (o->n_values == 1 ? " its value" : " its values") +
          " right after it)";
      if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
        warnings.push_back(warning);
    }
  }
  return warnings;
}

}  // namespace

double read_seed_option(int argc, char** argv, double clock_seed) {
  double seed = clock_seed;
  for (int i = 0; i < argc; ++i)
    if (std::strcmp(argv[i], fixed_seed_word) == 0) seed = fixed_seed;
  return seed;
}

void read_input_options(int argc, char** argv, data& d) { read_pass(argc, argv, d, 1); }

void read_run_options(int argc, char** argv, data& d) { read_pass(argc, argv, d, 2); }

void check_input_options(const data& d) {
  if (d.intensity_files.empty())
    throw user_error("-i: no intensity file given; name one per cohort");
  // More sex files than cohorts is refused too: "-i a -chrX sa b sb" (a
  // typo) would otherwise take b as a sex file and lose its cohort.
  if (d.chrX && d.sex_files.size() != d.intensity_files.size())
    throw user_error("-chrX: X-chromosome mode needs one sex file per cohort, got " +
                     std::to_string(d.sex_files.size()) + " for " +
                     std::to_string(d.intensity_files.size()) + " intensity file" +
                     (d.intensity_files.size() == 1 ? "" : "s"));
}

void validate_options(const data& d) {
  check_input_options(d);

  // The domain of every value, as the option table states it.
  for (const option_rule& o : option_table())
    if (o.check) o.check(d);

  // Rules across options.
  if (d.sampling_stage2 && d.n_iter < 1)
    throw user_error(whole_refusal("-n", 1, 1, "at least", 1, std::to_string(d.n_iter)) +
                     " (stage 2 samples and the genotype values are "
                     "divided by it; give -max2 to maximise instead)");
  // Stage 2 counts and prints its iterations, burn-in included, in an int;
  // -approx 1 raises -n to 10 before it. (-b is at least 0 by now.)
  const bool raised = d.approx == 1 && d.n_iter < 10;
  const long long iterations = raised ? 10 : d.n_iter;
  if (d.burn_in + iterations > INT_MAX)
    throw user_error("-b and -n: the burn-in plus the iterations of stage 2, " +
                     std::to_string(d.burn_in) + " + " + std::to_string(iterations) +
                     (raised ? " (-approx 1 raises -n to 10)" : "") +
                     ", must be at most " + std::to_string(INT_MAX));
  if (d.approx != 0 && d.grid_cells < 1)
    throw user_error("-approx: clumping mode " + std::to_string(d.approx) +
                     " needs a whole number of grid cells of at least 1, got " +
                     std::to_string(d.grid_cells));

  // The values the random starts derive from the prior pairs.
  const family_start families[] = {
      {"-eta_mean_prior", "-eta_var_prior", "", true, d.eta_mean_prior, d.eta_var_prior,
       1, false},
      {"-length_mean_prior", "-length_var_prior", "", false, d.length_mean_prior,
       d.length_var_prior, 2, false},
      {"-gradient_mean_prior", "-gradient_var_prior", "", false, d.gradient_mean_prior,
       d.gradient_var_prior, 2, false},
      {"-fraction_mean_prior", "-fraction_var_prior", "", true, d.fraction_mean_prior,
       d.fraction_var_prior, 2, false},
      {"-departure_mean_prior", "-departure_var_prior", "", true, d.departure_mean_prior,
       d.departure_var_prior, 2, false},
      {"-sigma_mean_prior", "-sigma_var_prior", "", false, d.sigma_mean_prior,
       d.sigma_var_prior, 1, false},
      {"-varfrac_mean_prior", "-varfrac_var_prior", "", true, d.varfrac_mean_prior,
       d.varfrac_var_prior, 1, false},
  };
  for (const family_start& f : families) check_family_start(f);
  for (int k = 0; k < 3; ++k)
    check_family_start({"-r_mean_prior",
                        "-r_var_prior",
                        " of class " + std::to_string(k),
                        true,
                        {d.r_mean_prior_a[k], d.r_mean_prior_b[k]},
                        {d.r_var_prior_a[k], d.r_var_prior_b[k]},
                        1,
                        true});
  const double center_var = 3 * d.center_var_prior_mean[0];
  if (!finite_positive(center_var))
    throw user_error("-center_var_prior_mean: the scale " +
                     number_text(d.center_var_prior_mean[0]) +
                     " starts the centres' variance at 3s = " + number_text(center_var) +
                     ", which must be positive and finite");
}

std::vector<std::string> stray_words(int argc, char** argv) {
  // Every word is tested as an option word in every pass, a value word too,
  // so the values of an option are the words after any word that is one.
  std::vector<bool> read(argc, false);
  for (int i = 1; i < argc; ++i) {
    if (!is_option_word(argv[i])) continue;
    read[i] = true;
    const option_rule* o = rule_of(argv[i]);
    if (o == nullptr) continue;
    const int n_values =
        o->takes_list ? static_cast<int>(option_values(argc, argv, i, *o).list().size())
                      : o->n_values;
    for (int k = 1; k <= n_values && i + k < argc; ++k) read[i + k] = true;
  }
  std::vector<std::string> stray;
  for (int i = 1; i < argc; ++i) {
    if (read[i]) continue;
    if (std::find(stray.begin(), stray.end(), argv[i]) == stray.end())
      stray.push_back(argv[i]);
  }
  return stray;
}

data check_command_line(int argc, char** argv) {
  for (const std::string& word : stray_words(argc, argv)) warn(stray_word_warning(word));
  for (const std::string& warning : option_words_as_values(argc, argv)) warn(warning);

  data scratch;
  read_input_options(argc, argv, scratch);
  read_run_options(argc, argv, scratch);
  if (scratch.allow_male_hets && !scratch.chrX)
    warn(
        "-allow_male_hets has no effect without -chrX (it allows heterozygous calls "
        "for males in X-chromosome mode)");
  validate_options(scratch);
  return scratch;
}
