// The command line: the three passes, their edge cases, and every value
// that is missing, not a number, or not usable by the run.
#include "options.h"

#include <gtest/gtest.h>

#include <climits>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "scratch_dir.h"

namespace {

// A command line as the program gets it: argv[0] is the program's name.
class command_line {
 public:
  command_line(std::initializer_list<std::string> words)
      : command_line(std::vector<std::string>(words)) {}
  explicit command_line(const std::vector<std::string>& words) {
    words_.push_back("velmar++");
    for (const std::string& w : words) words_.push_back(w);
    for (std::string& w : words_) argv_.push_back(&w[0]);
    argv_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return argv_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

// Both passes into d.
void read_all(command_line& cl, data& d) {
  read_input_options(cl.argc(), cl.argv(), d);
  read_run_options(cl.argc(), cl.argv(), d);
}

// The message of the user_error that checking the whole command line
// throws, or "" when it throws none.
std::string command_line_error(command_line cl) {
  try {
    check_command_line(cl.argc(), cl.argv());
  } catch (const user_error& e) {
    return e.what();
  }
  return "";
}

TEST(OptionPasses, OnlyAnIntensityFileKeepsEveryDefault) {
  command_line cl{"-i", "a.txt"};
  data d;
  read_all(cl, d);
  data defaults;
  EXPECT_EQ(d.intensity_files, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(d.output_prefix, "out");
  EXPECT_TRUE(d.info_file.empty());
  EXPECT_EQ(d.snp_start, -1);
  EXPECT_EQ(d.snp_end, -1);
  EXPECT_EQ(d.nmax, 40);
  EXPECT_EQ(d.ns, 4);
  EXPECT_EQ(d.n_iter, 1000);
  EXPECT_EQ(d.burn_in, 200);
  EXPECT_EQ(d.fancy, 10);
  EXPECT_EQ(d.pk, defaults.pk);
  EXPECT_EQ(d.eta_var_prior, defaults.eta_var_prior);
  EXPECT_EQ(d.r_mean_prior_a, defaults.r_mean_prior_a);
  EXPECT_FALSE(d.chrX);
  EXPECT_FALSE(d.use_paf);
  EXPECT_NO_THROW(validate_options(d));
  EXPECT_EQ(read_seed_option(cl.argc(), cl.argv(), 0.75), 0.75);
}

TEST(OptionPasses, NrsFixesTheSeedWherever) {
  command_line cl{"-i", "a.txt", "-nrs"};
  EXPECT_EQ(read_seed_option(cl.argc(), cl.argv(), 0.75), 0.12345);
  // A value word is tested as an option word too.
  command_line as_value{"-o", "-nrs", "-i", "a.txt"};
  EXPECT_EQ(read_seed_option(as_value.argc(), as_value.argv(), 0.75), 0.12345);
}

TEST(OptionPasses, ListsAccumulateInOrder) {
  command_line cl{"-i", "a.txt", "b.txt", "-o", "res"};
  data d;
  read_all(cl, d);
  EXPECT_EQ(d.intensity_files, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(d.output_prefix, "res");

  command_line spread{"-i", "a.txt", "-n", "500", "-i", "b.txt"};
  data e;
  read_all(spread, e);
  EXPECT_EQ(e.intensity_files, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(e.n_iter, 500);

  command_line sexes{"-chrX", "s0", "s1", "-i", "a", "b", "-chrX", "s2"};
  data f;
  read_all(sexes, f);
  EXPECT_TRUE(f.chrX);
  EXPECT_EQ(f.sex_files, (std::vector<std::string>{"s0", "s1", "s2"}));
}

TEST(OptionPasses, ChrXAsLastWordSetsTheModeWithNoFile) {
  command_line cl{"-i", "a.txt", "-chrX"};
  data d;
  read_all(cl, d);
  EXPECT_TRUE(d.chrX);
  EXPECT_TRUE(d.sex_files.empty());
}

TEST(OptionPasses, EachPassReadsOnlyItsOwnOptions) {
  command_line cl{"-i", "a.txt", "-nmax", "7", "-snps", "2", "5", "-o", "p"};
  data one;
  read_input_options(cl.argc(), cl.argv(), one);
  EXPECT_EQ(one.snp_start, 2);
  EXPECT_EQ(one.snp_end, 5);
  EXPECT_EQ(one.nmax, 40);
  EXPECT_EQ(one.output_prefix, "out");
  data two;
  read_run_options(cl.argc(), cl.argv(), two);
  EXPECT_TRUE(two.intensity_files.empty());
  EXPECT_EQ(two.snp_start, -1);
  EXPECT_EQ(two.nmax, 7);
  EXPECT_EQ(two.output_prefix, "p");
}

TEST(OptionPasses, EdgeCasesOfValues) {
  command_line cl{"-i",
                  "a.txt",
                  "-snps",
                  "-5",
                  "10",
                  "-test",
                  "1",
                  "0.5",
                  "-r_mean_prior",
                  "2",
                  "-pk",
                  "200",
                  "300",
                  "-pk",
                  "400",
                  "600",
                  "-NMAX",
                  "5",
                  "-nmax=5",
                  "-center_var_prior_mean",
                  "0.001",
                  "50"};
  data d;
  read_all(cl, d);
  EXPECT_EQ(d.snp_start, -5);
  EXPECT_EQ(d.snp_end, 10);
  EXPECT_EQ(d.test, 1);
  EXPECT_EQ(d.r_mean_prior_a, (vec{2, 2, 2}));
  EXPECT_EQ(d.r_mean_prior_b, (vec{2, 2, 2}));
  EXPECT_EQ(d.pk, (vec{400, 600}));
  EXPECT_EQ(d.nmax, 40);
  EXPECT_EQ(d.center_var_prior_mean, (vec{0.001, 50.0}));

  // SNP numbers beyond int keep their meaning: the first SNP, the last SNP.
  command_line far{"-snps", "-99999999999", "99999999999999999999999"};
  data e;
  read_input_options(far.argc(), far.argv(), e);
  EXPECT_EQ(e.snp_start, INT_MIN);
  EXPECT_EQ(e.snp_end, INT_MAX);
}

TEST(OptionPasses, EveryOptionSetsItsMember) {
  command_line cl{"-f",
                  "info.txt",
                  "-single",
                  "2",
                  "-gz",
                  "-bz2",
                  "-i",
                  "a",
                  "-approx",
                  "1",
                  "8",
                  "-allow_male_hets",
                  "-pr",
                  "-names",
                  "-print_params",
                  "-print_calls",
                  "-watch_counts",
                  "-max1",
                  "-max2",
                  "-nmax",
                  "3",
                  "-n",
                  "4",
                  "-b",
                  "5",
                  "-ns",
                  "6",
                  "-fancy",
                  "7",
                  "-thresh",
                  "0.2",
                  "-ps",
                  "0.3",
                  "-mu_sd",
                  "0.4",
                  "-paf",
                  "0.1",
                  "-c_alpha_prior",
                  "0.02",
                  "-c_alpha_cohorts",
                  "0.03",
                  "-alpha_star_prior",
                  "2",
                  "3",
                  "-pgd",
                  "11",
                  "-nonull",
                  "-eta_mean_prior",
                  "4",
                  "90",
                  "-eta_var_prior",
                  "6",
                  "90",
                  "-length_mean_prior",
                  "21",
                  "22",
                  "-length_var_prior",
                  "2",
                  "90",
                  "-gradient_mean_prior",
                  "11",
                  "12",
                  "-gradient_var_prior",
                  "3",
                  "90",
                  "-fraction_mean_prior",
                  "31",
                  "32",
                  "-fraction_var_prior",
                  "4",
                  "90",
                  "-departure_mean_prior",
                  "3",
                  "9",
                  "-departure_var_prior",
                  "5",
                  "90",
                  "-sigma_mean_prior",
                  "2",
                  "5",
                  "-sigma_var_prior",
                  "6",
                  "90",
                  "-varfrac_mean_prior",
                  "3.5",
                  "8.5",
                  "-varfrac_var_prior",
                  "7",
                  "90",
                  "-r_var_prior",
                  "9",
                  "-o",
                  "pre"};
  data d;
  read_all(cl, d);
  EXPECT_EQ(d.info_file, "info.txt");
  EXPECT_EQ(d.single, 2);
  EXPECT_TRUE(d.gz);
  EXPECT_TRUE(d.bz2);
  EXPECT_EQ(d.approx, 1);
  EXPECT_EQ(d.grid_cells, 8);
  EXPECT_TRUE(d.allow_male_hets);
  EXPECT_TRUE(d.pr);
  EXPECT_TRUE(d.names);
  EXPECT_TRUE(d.print_params);
  EXPECT_TRUE(d.watch_counts);
  EXPECT_FALSE(d.sampling_stage1);
  EXPECT_FALSE(d.sampling_stage2);
  EXPECT_EQ(d.nmax, 3);
  EXPECT_EQ(d.n_iter, 4);
  EXPECT_EQ(d.burn_in, 5);
  EXPECT_EQ(d.ns, 6);
  EXPECT_EQ(d.fancy, 7);
  EXPECT_TRUE(d.use_paf);
  EXPECT_EQ(d.paf, 0.1);
  EXPECT_EQ(d.c_alpha_prior, 0.02);
  EXPECT_EQ(d.c_alpha_cohorts, 0.03);
  EXPECT_EQ(d.alpha_star_prior, (vec{2, 3}));
  EXPECT_EQ(d.pgd, 11);
  EXPECT_TRUE(d.nonull);
  EXPECT_EQ(d.eta_mean_prior, (vec{4, 90}));
  EXPECT_EQ(d.eta_var_prior, (vec{6, 90}));
  EXPECT_EQ(d.length_mean_prior, (vec{21, 22}));
  EXPECT_EQ(d.length_var_prior, (vec{2, 90}));
  EXPECT_EQ(d.gradient_mean_prior, (vec{11, 12}));
  EXPECT_EQ(d.gradient_var_prior, (vec{3, 90}));
  EXPECT_EQ(d.fraction_mean_prior, (vec{31, 32}));
  EXPECT_EQ(d.fraction_var_prior, (vec{4, 90}));
  EXPECT_EQ(d.departure_mean_prior, (vec{3, 9}));
  EXPECT_EQ(d.departure_var_prior, (vec{5, 90}));
  EXPECT_EQ(d.sigma_mean_prior, (vec{2, 5}));
  EXPECT_EQ(d.sigma_var_prior, (vec{6, 90}));
  EXPECT_EQ(d.varfrac_mean_prior, (vec{3.5, 8.5}));
  EXPECT_EQ(d.varfrac_var_prior, (vec{7, 90}));
  EXPECT_EQ(d.r_var_prior_a, (vec{9, 9, 9}));
  EXPECT_EQ(d.r_var_prior_b, (vec{9, 9, 9}));
  EXPECT_EQ(d.output_prefix, "pre");
  EXPECT_NO_THROW(validate_options(d));
}

TEST(OptionPasses, LastOccurrenceWins) {
  command_line cl{"-i", "a", "-nmax", "3", "-nmax", "9", "-o", "x", "-o", "y"};
  data d;
  read_all(cl, d);
  EXPECT_EQ(d.nmax, 9);
  EXPECT_EQ(d.output_prefix, "y");
}

// Every value-taking option, with its number of value words.
struct arity {
  const char* word;
  int values;
};
const arity value_options[] = {
    {"-f", 1},
    {"-single", 1},
    {"-snps", 2},
    {"-test", 2},
    {"-o", 1},
    {"-thresh", 1},
    {"-approx", 2},
    {"-nmax", 1},
    {"-n", 1},
    {"-b", 1},
    {"-ns", 1},
    {"-fancy", 1},
    {"-ps", 1},
    {"-paf", 1},
    {"-c_alpha_prior", 1},
    {"-c_alpha_cohorts", 1},
    {"-alpha_star_prior", 2},
    {"-pgd", 1},
    {"-eta_mean_prior", 2},
    {"-eta_var_prior", 2},
    {"-length_mean_prior", 2},
    {"-length_var_prior", 2},
    {"-gradient_mean_prior", 2},
    {"-gradient_var_prior", 2},
    {"-fraction_mean_prior", 2},
    {"-fraction_var_prior", 2},
    {"-departure_mean_prior", 2},
    {"-departure_var_prior", 2},
    {"-center_var_prior_mean", 2},
    {"-sigma_mean_prior", 2},
    {"-sigma_var_prior", 2},
    {"-varfrac_mean_prior", 2},
    {"-varfrac_var_prior", 2},
    {"-r_mean_prior", 1},
    {"-r_var_prior", 1},
    {"-mu_sd", 1},
    {"-pk", 2},
};

TEST(OptionFaults, OptionAtTheEndWithoutItsValuesIsReported) {
  for (const arity& o : value_options) {
    std::string none = command_line_error({"-i", "a.txt", o.word});
    EXPECT_EQ(none.find(std::string(o.word) + ": expected "), 0u)
        << o.word << " -> " << none;
    EXPECT_NE(none.find("got nothing"), std::string::npos) << none;
    if (o.values == 2) {
      std::string one = command_line_error({"-i", "a.txt", o.word, "1"});
      EXPECT_EQ(one.find(std::string(o.word) + ": expected "), 0u)
          << o.word << " -> " << one;
      EXPECT_NE(one.find("got only '1'"), std::string::npos) << one;
    }
  }
  EXPECT_EQ(command_line_error({"-i", "a.txt", "-nmax"}),
            "-nmax: expected a whole number, got nothing");
  EXPECT_EQ(command_line_error({"-i", "a.txt", "-pk", "3"}),
            "-pk: expected two numbers a and b, got only '3'");
}

TEST(OptionFaults, ValuesThatAreNotWhollyNumbers) {
  EXPECT_EQ(command_line_error({"-i", "a", "-nmax", "abc"}),
            "-nmax: expected a whole number, got 'abc'");
  EXPECT_EQ(command_line_error({"-i", "a", "-n", "1e3"}),
            "-n: expected a whole number, got '1e3'");
  EXPECT_EQ(command_line_error({"-i", "a", "-ns", "5x"}),
            "-ns: expected a whole number, got '5x'");
  EXPECT_EQ(command_line_error({"-i", "a", "-b", " 5"}),
            "-b: expected a whole number, got ' 5'");
  EXPECT_EQ(command_line_error({"-i", "a", "-b", ""}),
            "-b: expected a whole number, got ''");
  EXPECT_EQ(command_line_error({"-i", "a", "-snps", "2", "x"}),
            "-snps: expected a whole number as its second value, got 'x'");
  EXPECT_EQ(command_line_error({"-i", "a", "-center_var_prior_mean", "0.001", "50.9"}),
            "-center_var_prior_mean: expected a whole number as its second "
            "value, got '50.9'");
  EXPECT_EQ(command_line_error({"-i", "a", "-pgd", "1.5x"}),
            "-pgd: expected a number, got '1.5x'");
  EXPECT_EQ(command_line_error({"-i", "a", "-pk", "nan", "3"}),
            "-pk: expected a number as its first value, got 'nan'");
  EXPECT_EQ(command_line_error({"-i", "a", "-pk", "3", "inf"}),
            "-pk: expected a number as its second value, got 'inf'");
  EXPECT_EQ(command_line_error({"-i", "a", "-test", "1", "x"}),
            "-test: expected a number as its second value, got 'x'");
  // A forgotten value: the next option word is taken as the value.
  EXPECT_EQ(command_line_error({"-i", "a", "-nmax", "-ns", "3"}),
            "-nmax: expected a whole number, got '-ns'");
  // Well-formed numbers in their usual spellings are read.
  EXPECT_EQ(command_line_error({"-i", "a", "-pgd", "1e3", "-b", "+5", "-snps", "-5", "10",
                                "-pk", ".5", "2E2"}),
            "");
}

TEST(OptionFaults, ValuesTheRunCannotUse) {
  EXPECT_EQ(command_line_error({"-i", "a", "-ns", "0"}),
            "-ns: expected a whole number of at least 1, got 0");
  EXPECT_EQ(command_line_error({"-i", "a", "-fancy", "0"}),
            "-fancy: expected a whole number of at least 1, got 0");
  EXPECT_EQ(command_line_error({"-i", "a", "-b", "-1"}),
            "-b: expected a whole number of at least 0, got -1");
  EXPECT_EQ(command_line_error({"-i", "a", "-n", "0"})
                .find("-n: expected a whole number of at least 1, got 0"),
            0u);
  // -n 0 is usable when stage 2 maximises: nothing is divided by it.
  EXPECT_EQ(command_line_error({"-i", "a", "-n", "0", "-max2"}), "");
  EXPECT_EQ(command_line_error({"-i", "a", "-approx", "1", "0"}),
            "-approx: clumping mode 1 needs a whole number of grid cells of "
            "at least 1, got 0");
  EXPECT_EQ(command_line_error({"-i", "a", "-approx", "2", "-3"}).find("-approx"), 0u);
  EXPECT_EQ(command_line_error({"-i", "a", "-approx", "0", "0"}), "");
  EXPECT_EQ(command_line_error({"-i", "a", "-b", "0", "-ns", "1", "-fancy", "1", "-n",
                                "1", "-approx", "1", "1"}),
            "");
}

TEST(OptionFaults, InputFilesMissing) {
  EXPECT_EQ(command_line_error({}), "-i: no intensity file given; name one per cohort");
  EXPECT_EQ(command_line_error({"-i", "-nrs"}),
            "-i: no intensity file given; name one per cohort");
  EXPECT_EQ(command_line_error({"-i", "a", "-chrX"}),
            "-chrX: X-chromosome mode needs one sex file per cohort, got 0 "
            "for 1 intensity file");
  EXPECT_EQ(command_line_error({"-i", "a", "b", "-chrX", "s"}),
            "-chrX: X-chromosome mode needs one sex file per cohort, got 1 "
            "for 2 intensity files");
  EXPECT_EQ(command_line_error({"-i", "a", "b", "-chrX", "s", "t"}), "");
  // The typo "-i a -chrX sa b sb" would take b for a sex file.
  EXPECT_EQ(command_line_error({"-i", "a", "-chrX", "sa", "b", "sb"}),
            "-chrX: X-chromosome mode needs one sex file per cohort, got 3 "
            "for 1 intensity file");
  // An empty name is not "no SNP-information file".
  EXPECT_EQ(command_line_error({"-i", "a", "-f", ""}),
            "-f: expected a file name, got ''");
}

TEST(OptionFaults, PriorFrequencyOutsideTheUnitInterval) {
  EXPECT_EQ(command_line_error({"-i", "a", "-paf", "1.5"}),
            "-paf: expected a frequency between 0 and 1, got 1.5");
  EXPECT_EQ(command_line_error({"-i", "a", "-paf", "-0.1"}),
            "-paf: expected a frequency between 0 and 1, got -0.1");
  EXPECT_EQ(command_line_error({"-i", "a", "-paf", "0"}), "");
  EXPECT_EQ(command_line_error({"-i", "a", "-paf", "1"}), "");
}

TEST(OptionFaults, BetaDispersionMustStartInsideTheUnitInterval) {
  EXPECT_EQ(command_line_error({"-i", "a", "-fraction_var_prior", "1", "1"}),
            "-fraction_var_prior: the prior pair 1 1 starts the dispersion at "
            "2a/(a+b) = 1, which must lie strictly between 0 and 1");
  EXPECT_EQ(command_line_error({"-i", "a", "-fraction_var_prior", "1", "2"}), "");
  EXPECT_NE(command_line_error({"-i", "a", "-departure_var_prior", "3", "1"}), "");
  EXPECT_EQ(command_line_error({"-i", "a", "-departure_var_prior", "1", "3"}), "");
  // eta and varfrac start at a/(a+b), without the factor 2.
  EXPECT_EQ(command_line_error({"-i", "a", "-eta_var_prior", "1", "1"}), "");
  EXPECT_EQ(command_line_error({"-i", "a", "-eta_var_prior", "1", "0"}),
            "-eta_var_prior: expected a positive number as its second value, "
            "got 0");
  EXPECT_NE(command_line_error({"-i", "a", "-varfrac_var_prior", "0", "5"}), "");
  EXPECT_NE(command_line_error({"-i", "a", "-varfrac_var_prior", "1", "-1"}), "");
  // -r_var_prior sets a = b, so its dispersion always starts at 1/2.
  EXPECT_EQ(command_line_error({"-i", "a", "-r_var_prior", "0"}),
            "-r_var_prior: expected a positive number, got 0");
  EXPECT_EQ(command_line_error({"-i", "a", "-r_var_prior", "5"}), "");
  // The Gamma-type families have no such bound.
  EXPECT_EQ(command_line_error({"-i", "a", "-length_var_prior", "300", "1"}), "");
}

// Each option value outside its domain, alone or through a starting value
// the random starts derive from it, with the message that refuses it; and
// values at the edges of the domains, which are kept.
TEST(OptionFaults, ValuesOutsideTheirDomainsAreRefused) {
  struct refusal {
    std::vector<std::string> words;
    std::string message;  // "" when the values are usable
  };
  const std::string positive_first =
      "expected a positive number as its first value, got ";
  const std::string positive_second =
      "expected a positive number as its second value, got ";
  const std::string unit = "expected a number strictly between 0 and 1, got ";
  const std::string stage2 = "-b and -n: the burn-in plus the iterations of stage 2, ";
  const std::string at_most = ", must be at most 2147483647";
  const refusal cases[] = {
      // Concentrations, shapes, rates and scales must be positive.
      {{"-pk", "0", "0"}, "-pk: " + positive_first + "0"},
      {{"-pk", "-1", "500"}, "-pk: " + positive_first + "-1"},
      {{"-pk", "500", "0"}, "-pk: " + positive_second + "0"},
      {{"-pgd", "-1"}, "-pgd: expected a positive number, got -1"},
      {{"-pgd", "0"}, "-pgd: expected a positive number, got 0"},
      {{"-alpha_star_prior", "0", "0"}, "-alpha_star_prior: " + positive_first + "0"},
      {{"-eta_mean_prior", "0", "0"}, "-eta_mean_prior: " + positive_first + "0"},
      {{"-eta_var_prior", "-1", "-5"}, "-eta_var_prior: " + positive_first + "-1"},
      {{"-length_mean_prior", "1", "0"}, "-length_mean_prior: " + positive_second + "0"},
      {{"-length_var_prior", "0", "1"}, "-length_var_prior: " + positive_first + "0"},
      {{"-gradient_mean_prior", "2", "-1"},
       "-gradient_mean_prior: " + positive_second + "-1"},
      {{"-gradient_var_prior", "-1", "5"},
       "-gradient_var_prior: " + positive_first + "-1"},
      {{"-fraction_mean_prior", "0", "3"},
       "-fraction_mean_prior: " + positive_first + "0"},
      {{"-departure_mean_prior", "2", "0"},
       "-departure_mean_prior: " + positive_second + "0"},
      {{"-sigma_mean_prior", "0", "1"}, "-sigma_mean_prior: " + positive_first + "0"},
      {{"-sigma_var_prior", "1", "-4"}, "-sigma_var_prior: " + positive_second + "-4"},
      {{"-varfrac_mean_prior", "-2.5", "7.5"},
       "-varfrac_mean_prior: " + positive_first + "-2.5"},
      {{"-varfrac_var_prior", "-2", "-10"},
       "-varfrac_var_prior: " + positive_first + "-2"},
      {{"-r_mean_prior", "0"}, "-r_mean_prior: expected a positive number, got 0"},
      {{"-r_var_prior", "-1"}, "-r_var_prior: expected a positive number, got -1"},
      {{"-center_var_prior_mean", "0", "100"},
       "-center_var_prior_mean: " + positive_first + "0"},
      {{"-center_var_prior_mean", "-0.001", "100"},
       "-center_var_prior_mean: " + positive_first + "-0.001"},
      // Degrees of freedom below 1.
      {{"-center_var_prior_mean", "0.001", "-5"},
       "-center_var_prior_mean: expected a whole number of at least 1 as its "
       "second value, got -5"},
      {{"-center_var_prior_mean", "0.001", "0"},
       "-center_var_prior_mean: expected a whole number of at least 1 as its "
       "second value, got 0"},
      // Dispersions outside (0, 1).
      {{"-c_alpha_cohorts", "0"}, "-c_alpha_cohorts: " + unit + "0"},
      {{"-c_alpha_cohorts", "1"}, "-c_alpha_cohorts: " + unit + "1"},
      {{"-c_alpha_prior", "1.5"}, "-c_alpha_prior: " + unit + "1.5"},
      {{"-c_alpha_prior", "-0.01"}, "-c_alpha_prior: " + unit + "-0.01"},
      // Positive values whose starting values are degenerate.
      {{"-eta_mean_prior", "1e20", "1"},
       "-eta_mean_prior: the prior pair 1e+20 1 starts the mean at a/(a+b) = "
       "1, which must lie strictly between 0 and 1"},
      {{"-length_mean_prior", "1e-300", "1e300"},
       "-length_mean_prior: the prior pair 1e-300 1e+300 starts the mean at "
       "a/b = 0, which must be positive and finite"},
      {{"-sigma_var_prior", "1e300", "1e-300"},
       "-sigma_var_prior: the prior pair 1e+300 1e-300 starts the variance at "
       "a/b = inf, which must be positive and finite"},
      {{"-departure_var_prior", "3", "1"},
       "-departure_var_prior: the prior pair 3 1 starts the dispersion at "
       "2a/(a+b) = 1.5, which must lie strictly between 0 and 1"},
      {{"-eta_mean_prior", "1", "1e300"},
       "-eta_mean_prior and -eta_var_prior: the prior pairs 1 1e+300 and 5 100 "
       "start the cohorts' prior at Beta(2e-299, 20), whose parameters must be "
       "positive and finite in single precision"},
      {{"-gradient_mean_prior", "1e200", "1", "-gradient_var_prior", "1e-200", "1"},
       "-gradient_mean_prior and -gradient_var_prior: the prior pairs 1e+200 1 "
       "and 1e-200 1 start the cohorts' prior at Gamma(shape inf, rate inf), "
       "whose parameters must be positive and finite"},
      {{"-r_mean_prior", "1e-50"},
       "-r_mean_prior: the prior pair 1e-50 1e-50 of class 0 cannot be held in "
       "single precision, in which the starting values are drawn from Beta(a, b)"},
      {{"-center_var_prior_mean", "1e308", "1"},
       "-center_var_prior_mean: the scale 1e+308 starts the centres' variance "
       "at 3s = inf, which must be positive and finite"},
      // Counts beyond the int counters of the fit's loops.
      {{"-nmax", "2147483647"},
       "-nmax: expected a whole number of at most 2147483646, got 2147483647"},
      {{"-nmax", "2147483648"},
       "-nmax: expected a whole number of at most 2147483646, got 2147483648"},
      {{"-nmax", "-5"}, "-nmax: expected a whole number of at least 0, got -5"},
      {{"-b", "99999999999"},
       "-b: expected a whole number of at most 2147483647, got 99999999999"},
      {{"-ns", "-99999999999"},
       "-ns: expected a whole number of at least 1, got -99999999999"},
      {{"-center_var_prior_mean", "1", "3000000000"},
       "-center_var_prior_mean: expected a whole number of at most 2147483647 as its "
       "second value, got 3000000000"},
      {{"-snps", "3000000000", "5"},
       "-snps: expected a whole number of at most 2147483647 as its first value, got "
       "3000000000"},
      // Reals beyond a double.
      {{"-paf", "1e400"},
       "-paf: expected a number, got '1e400', which is out of range (no number of "
       "magnitude beyond about 1.8e308 can be held)"},
      {{"-thresh", "-1e999"},
       "-thresh: expected a number, got '-1e999', which is out of range (no number of "
       "magnitude beyond about 1.8e308 can be held)"},
      {{"-b", "2147483000", "-n", "2000"}, stage2 + "2147483000 + 2000" + at_most},
      {{"-max2", "-b", "2147483647", "-n", "1"}, stage2 + "2147483647 + 1" + at_most},
      {{"-approx", "1", "5", "-n", "3", "-b", "2147483640"},
       stage2 + "2147483640 + 10 (-approx 1 raises -n to 10)" + at_most},
      {{"-o", ""}, "-o: expected an output prefix, got ''"},
      // The edges of the domains are usable.
      {{"-c_alpha_cohorts",
        "0.999",
        "-c_alpha_prior",
        "1e-6",
        "-pgd",
        "0.001",
        "-pk",
        "0.001",
        "1e6",
        "-center_var_prior_mean",
        "1e-9",
        "1",
        "-r_var_prior",
        "0.001",
        "-eta_var_prior",
        "1",
        "1e6",
        "-alpha_star_prior",
        "0.01",
        "0.01"},
       ""},
      {{"-nmax", "2147483646", "-b", "2147483646", "-n", "1"}, ""},
      // Each count at its very limit.
      {{"-ns", "2147483647", "-fancy", "2147483647", "-center_var_prior_mean", "1",
        "2147483647", "-max2", "-b", "2147483647", "-n", "0"},
       ""},
      {{"-n", "2147483647", "-b", "0"}, ""},
      {{"-nmax", "0", "-thresh", "1e-400"}, ""},
      {{"-approx", "1", "5", "-n", "3", "-b", "2147483637"}, ""},
      {{"-approx", "2", "5", "-n", "3", "-b", "2147483644"}, ""},
  };
  for (const refusal& r : cases) {
    std::vector<std::string> words = {"-i", "a.txt"};
    words.insert(words.end(), r.words.begin(), r.words.end());
    EXPECT_EQ(command_line_error(command_line(words)), r.message) << r.words[0];
  }
}

TEST(OptionFaults, ValidateChecksTheModelItIsGiven) {
  data d;
  d.intensity_files = {"a"};
  EXPECT_NO_THROW(validate_options(d));
  d.r_var_prior_a[2] = 200;  // 200 / 300 is fine
  EXPECT_NO_THROW(validate_options(d));
  d.r_var_prior_b[1] = 0;  // 1 / 1 is not
  EXPECT_THROW(validate_options(d), user_error);
}

TEST(OptionPasses, WordsThatAreNoOptionDrawOneWarningEach) {
  ScratchDir scratch;
  const std::string file = scratch.write("b.txt", "");
  // The warning for a value of -o that is an option word too.
  const auto also_read = [](const std::string& word) {
    return "velmar++: warning: '" + word +
           "', the value of -o, is an option word and is also read as the option " +
           word +
           " (an option's values are the words right after it, whatever they are: give "
           "-o its value right after it)\n";
  };
  const std::string male_hets =
      "velmar++: warning: -allow_male_hets has no effect without -chrX (it allows "
      "heterozygous calls for males in X-chromosome mode)\n";
  struct case_ {
    std::vector<std::string> words;
    std::vector<std::string> warned;
    std::string then_warned = "";  // the warnings after those of the words warned
  };
  const case_ cases[] = {
      {{"-i", "a.txt", "-nmax=5"}, {"-nmax=5"}},
      {{"-i", "a.txt", "-NMAX", "5", "-nmx", "5"}, {"-NMAX", "5", "-nmx"}},
      // Values that begin with '-', of one- and two-value options.
      {{"-i", "a.txt", "-snps", "-5", "10", "-o", "-x", "-test", "1", "-0.5"}, {}},
      // A value word that is itself an option takes its own values.
      {{"-i", "a.txt", "-o", "-n", "-2", "-max2"}, {}, also_read("-n")},
      {{"-i", "a.txt", "-o", "-nrs", "-nmx", "-o", "-print_params", "-o", "-nrs"},
       {"-nmx"},
       also_read("-nrs") + also_read("-print_params")},
      {{"-i", "a.txt", "-allow_male_hets"}, {}, male_hets},
      // The lists end at the first word with '-': it is not one of theirs.
      {{"-i", "a.txt", "-b.txt", "-chrX", "s.txt", "-s2.txt", "-allow_male_hets"},
       {"-b.txt", "-s2.txt"}},
      // Valueless options take no value; a word repeated is warned once.
      {{"-i", "a.txt", "-nrs", "-5", "-gz", "-", "-5"}, {"-5", "-"}},
      // Words without '-' that are no list word; an existing file after the
      // end of a list is named as such, a directory is not.
      {{"a.txt", "-i", "b.txt", "-o", "out", "c.txt", "-thresh", "0.5", "0.7", ""},
       {"a.txt", "c.txt", "0.7", ""}},
      {{"-i", "a.txt", "-nrs", file, scratch.dir(), file}, {file, scratch.dir()}},
  };
  for (const case_& c : cases) {
    command_line cl(c.words);
    EXPECT_EQ(stray_words(cl.argc(), cl.argv()), c.warned) << c.words.back();
    // Checking the command line prints each warning once, on standard
    // error only.
    testing::internal::CaptureStderr();
    std::string fault = command_line_error(cl);
    const std::string err = testing::internal::GetCapturedStderr();
    std::string expected;
    for (const std::string& w : c.warned) {
      expected += "velmar++: warning: '" + w;
      if (w == file)
        expected +=
            "' names a file but was not read: it is no intensity file of this run "
            "(the file lists of -i and -chrX end at the first word that begins "
            "with '-': give their files right after the option, before any other)\n";
      else if (w[0] == '-')
        expected +=
            "' is no option and is ignored (option names are exact, "
            "case-sensitive words, and an option's values are the words "
            "after it, as in \"-nmax 60\")\n";
      else
        expected +=
            "' was not read: it is no option and no option's value (an option's "
            "values are the words right after it, as in \"-nmax 60\", and the file "
            "lists of -i and -chrX end at the first word that begins with '-')\n";
    }
    EXPECT_EQ(err, expected + c.then_warned);
    EXPECT_EQ(fault, "") << c.words.back();
  }
}

TEST(NumberParsing, WholeAndReal) {
  int i = 0;
  EXPECT_TRUE(parse_whole_number("-12", i));
  EXPECT_EQ(i, -12);
  EXPECT_TRUE(parse_whole_number("2147483647", i));
  EXPECT_FALSE(parse_whole_number("2147483648", i));
  EXPECT_FALSE(parse_whole_number("0x10", i));
  EXPECT_FALSE(parse_whole_number("3 ", i));
  double x = 0;
  EXPECT_TRUE(parse_real_number("-2.5e-3", x));
  EXPECT_EQ(x, -2.5e-3);
  EXPECT_TRUE(parse_real_number("1e-320", x));  // subnormal, still a number
  EXPECT_FALSE(parse_real_number("-inf", x));
  EXPECT_FALSE(parse_real_number("NaN", x));
  EXPECT_FALSE(parse_real_number("1e400", x));
  EXPECT_FALSE(parse_real_number("1,5", x));
}

}  // namespace
