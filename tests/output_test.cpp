// The result files: names, headers, the genotype value format and its
// carry-over to later files, the report of a file that cannot be written or
// renamed, and the termination signals held while the files are renamed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"
#include "errors.h"
#include "result_files.h"
#include "scratch_dir.h"

namespace {

// What the renames of the program saw while `watching`: a SIGTERM is raised
// at the first, and each notes whether every termination signal was held
// and whether that SIGTERM was handled before it.
struct rename_watch {
  bool watching = false;
  int renames = 0;
  int with_signals_held = 0;
  int after_the_signal = 0;
} watch;
volatile sig_atomic_t sigterm_handled = 0;

}  // namespace

// Stands in for the C library's rename in this test program.
extern "C" int rename(const char* from, const char* to) noexcept {
  if (watch.watching) {
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    bool held = true;
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGXCPU})
      held = held && sigismember(&blocked, sig) == 1;
    watch.with_signals_held += held;
    watch.after_the_signal += sigterm_handled;
    if (watch.renames++ == 0) raise(SIGTERM);
  }
  return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

namespace {

bool exists(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0;
}

snp make_snp(int j) {
  snp s;
  s.SNP_ID = "SNP" + std::to_string(j);
  s.rs = "rs" + std::to_string(j);
  s.position = std::to_string(1000 + j);
  s.allele1 = "A";
  s.allele2 = "G";
  return s;
}

params make_params(int C, double base) {
  params p;
  for (int c = 0; c < C; c++) {
    p.cohorts.push_back({base + 0.1234567,
                         0.01,
                         {{1.5, 0.25}, {0.5, 0.5}, {0.25, 1.5}},
                         0.05,
                         0.25,
                         {0.01, 0.9, 0.02},
                         12.5,
                         -1});
  }
  p.final_log_posterior = -1234.56789;
  return p;
}

// A finished run of `n_snps` SNPs whose genotype values are `values`
// [C][n_c][4] at every SNP: stage-2 tallies of 1000 iterations when
// `sampling`, else class probabilities.
data finished_run(const std::string& prefix, int n_snps, const vec3& values,
                  bool sampling) {
  data d;
  d.output_prefix = prefix;
  d.n_snps = n_snps;
  d.n_cohorts = static_cast<int>(values.size());
  d.intensity_files.assign(values.size(), "cohort.txt");
  for (const vec2& cohort : values) d.n_ind.push_back(static_cast<int>(cohort.size()));
  d.sampling = sampling;
  d.n_iter = 1000;
  for (int j = 0; j < n_snps; j++) {
    d.snps.push_back(make_snp(j));
    d.all_params.push_back(make_params(d.n_cohorts, 0));
    d.current_snp = j;
    d.keep_genotype_values(values);
  }
  return d;
}

// The same values {v} for one individual of each of C cohorts.
vec3 everyone(int C, const vec& v) { return vec3(C, vec2(1, v)); }

void quiet_output(data& d) {
  CaptureStdout quiet;
  d.output_mcmc();
}

// Each test writes into a fresh directory, removed afterwards.
class ResultFiles : public ScratchDirTest {
 protected:
  std::string temp_dir() const { return dir_; }
};

}  // namespace

TEST_F(ResultFiles, TalliesAreSharesOfTheKeptIterations) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/out", 1, {{{0, 1000, 0, 0}, {500, 500, 0, 0}}}, true);
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_0_mcmc"), "SNP0 rs0 1000 A G 0 1 0 0.5000 0.5000 0 \n");
  // The switch to four decimals carries over to the parameter file.
  const std::string p = read_file(dir + "/out_params");
  EXPECT_NE(p.find("\nSNP0 rs0 1000 A G 0.1235 0.0100 1.5000 0.2500 "), std::string::npos)
      << p;
  EXPECT_NE(read_file(dir + "/out_information")
                .find("\nSNP0 rs0 1000 A G -1234.5679 12.5000 -1.0000 \n"),
            std::string::npos);
}

TEST_F(ResultFiles, DefaultFormatWhileEveryValueIsZeroOrOne) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/out", 2, {{{1, 0, 0, 0}, {1, 0, 0, 0}}}, false);
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_0_mcmc"),
            "SNP0 rs0 1000 A G 1 0 0 1 0 0 \n"
            "SNP1 rs1 1001 A G 1 0 0 1 0 0 \n");
  EXPECT_EQ(read_file(dir + "/out_information"),
            "SNP_ID rs position allele1 allele2 final_log_posterior info1_0 "
            "info2_0 \n"
            "SNP0 rs0 1000 A G -1234.57 12.5 -1 \n"
            "SNP1 rs1 1001 A G -1234.57 12.5 -1 \n");
  const std::string p = read_file(dir + "/out_params");
  EXPECT_NE(p.find("\nSNP0 rs0 1000 A G 0.123457 0.01 1.5 0.25 0.5 0.5 "
                   "0.25 1.5 0.05 0.25 0.01 0.9 0.02 \n"),
            std::string::npos)
      << p;
}

TEST_F(ResultFiles, BoundsOfTheRoundedValues) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/out", 1,
                        {{{0.9991, 0.0009, 0.999, 0}, {0.001, 0.5, 0.25, 0.249}}}, false);
  quiet_output(d);
  // The null class (the fourth value) is never written.
  EXPECT_EQ(read_file(dir + "/out_0_mcmc"),
            "SNP0 rs0 1000 A G 1 0 0.9990 0.0010 0.5000 0.2500 \n");
}

TEST_F(ResultFiles, NamesAndHeadersOfTwoCohorts) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/run7", 1, {{{1, 0, 0, 0}}, {{0, 0, 1, 0}, {0, 1, 0, 0}}},
                        false);
  quiet_output(d);
  // Each cohort's file has its own individuals' values.
  EXPECT_EQ(read_file(dir + "/run7_0_mcmc"), "SNP0 rs0 1000 A G 1 0 0 \n");
  EXPECT_EQ(read_file(dir + "/run7_1_mcmc"), "SNP0 rs0 1000 A G 0 0 1 0 1 0 \n");
  EXPECT_FALSE(exists(dir + "/run7_2_mcmc"));
  EXPECT_FALSE(exists(dir + "/run7_tests"));
  const std::string p = read_file(dir + "/run7_params");
  EXPECT_EQ(p.substr(0, p.find('\n') + 1),
            "SNP_ID rs position allele1 allele2 alpha_0 alpha_1 eta_0 eta_1 "
            "mu_0_0_0 mu_0_0_1 mu_0_1_0 mu_0_1_1 mu_0_2_0 mu_0_2_1 mu_1_0_0 "
            "mu_1_0_1 mu_1_1_0 mu_1_1_1 mu_1_2_0 mu_1_2_1 sigma_0 sigma_1 "
            "varfrac_0 varfrac_1 r_0_0 r_0_1 r_0_2 r_1_0 r_1_1 r_1_2 \n");
  const std::string info = read_file(dir + "/run7_information");
  EXPECT_EQ(info.substr(0, info.find('\n') + 1),
            "SNP_ID rs position allele1 allele2 final_log_posterior info1_0 "
            "info1_1 info2_0 info2_1 \n");
  // Every row: 5 keys, then 13 values per cohort.
  std::istringstream rows(p);
  std::string header, row;
  std::getline(rows, header);
  std::getline(rows, row);
  std::istringstream fields(row);
  int n = 0;
  for (std::string f; fields >> f;) n++;
  EXPECT_EQ(n, 5 + 2 * (1 + 1 + 6 + 1 + 1 + 3));
  // A genotype file for a cohort the values do not hold is a fault.
  d.intensity_files.push_back("cohort.txt");
  EXPECT_THROW(quiet_output(d), std::logic_error);
}

TEST_F(ResultFiles, TestFileWritesNaWithoutABayesFactor) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/out", 2, everyone(1, {1, 0, 0, 0}), false);
  d.test = 1;
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_tests"),
            "SNP_ID rs position bayes factors\n"
            "SNP0 rs0 1000 NA\n"
            "SNP1 rs1 1001 NA\n");
  d.bayes_factors = {2.5};
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_tests"),
            "SNP_ID rs position bayes factors\n"
            "SNP0 rs0 1000 2.5\n"
            "SNP1 rs1 1001 NA\n");
}

TEST_F(ResultFiles, ExistingFilesAreReplaced) {
  const std::string dir = temp_dir();
  {
    std::ofstream old(dir + "/out_0_mcmc");
    old << "an old, much longer file that must be gone afterwards\n";
  }
  data d = finished_run(dir + "/out", 1, everyone(1, {0, 0, 1, 0}), false);
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_0_mcmc"), "SNP0 rs0 1000 A G 0 0 1 \n");
}

TEST_F(ResultFiles, AnUnwritableFileIsReportedByName) {
  const std::string dir = temp_dir();
  // A directory in the place of the parameter file: that file alone fails,
  // and then no file is written at all.
  ASSERT_EQ(mkdir((dir + "/out_params").c_str(), 0700), 0);
  data d = finished_run(dir + "/out", 1, everyone(1, {0, 0, 1, 0}), false);
  try {
    quiet_output(d);
    FAIL() << "no error reported";
  } catch (const user_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(dir + "/out_params (Is a directory)"), std::string::npos) << what;
    EXPECT_EQ(what.find("out_0_mcmc"), std::string::npos) << what;
    EXPECT_EQ(what.find("out_information"), std::string::npos) << what;
  }
  EXPECT_FALSE(exists(dir + "/out_0_mcmc"));
  EXPECT_FALSE(exists(dir + "/out_information"));
}

TEST_F(ResultFiles, MissingDirectoryNamesEveryFile) {
  const std::string dir = temp_dir() + "/no/such/dir";
  data d = finished_run(dir + "/out", 1, everyone(2, {0, 0, 1, 0}), false);
  try {
    quiet_output(d);
    FAIL() << "no error reported";
  } catch (const user_error& e) {
    const std::string what = e.what();
    for (const char* name :
         {"/out_0_mcmc", "/out_1_mcmc", "/out_params", "/out_information"})
      EXPECT_NE(what.find(dir + name), std::string::npos) << what;
  }
}

TEST_F(ResultFiles, PrefixLongerThanFourHundredCharacters) {
  std::string dir = temp_dir();
  // Nested directories make a prefix of well over 400 characters.
  for (int level = 0; level < 8; level++) {
    dir += "/" + std::string(60, 'a' + level);
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  }
  const std::string prefix = dir + "/" + std::string(50, 'p');
  ASSERT_GT(prefix.size(), 400u);
  data d = finished_run(prefix, 1, everyone(1, {0, 1, 0, 0}), false);
  quiet_output(d);
  EXPECT_EQ(read_file(prefix + "_0_mcmc"), "SNP0 rs0 1000 A G 0 1 0 \n");
  EXPECT_TRUE(exists(prefix + "_params"));
  EXPECT_TRUE(exists(prefix + "_information"));
}

TEST_F(ResultFiles, FourDecimalsCarryOverToTheTestFile) {
  const std::string dir = temp_dir();
  data d = finished_run(dir + "/out", 2, everyone(1, {0.5, 0.5, 0, 0}), false);
  d.test = 1;
  d.bayes_factors = {2.5, 0.125};
  quiet_output(d);
  EXPECT_EQ(read_file(dir + "/out_tests"),
            "SNP_ID rs position bayes factors\n"
            "SNP0 rs0 1000 2.5000\n"
            "SNP1 rs1 1001 0.1250\n");
}

TEST_F(ResultFiles, ARenameFailingMidwayNamesTheFilesAlreadyReplaced) {
  const std::string dir = temp_dir();
  staged_file genotypes(dir + "/out_0_mcmc"), parameters(dir + "/out_params");
  std::ostream(genotypes.buffer()) << "new\n";
  genotypes.finish();
  parameters.finish();
  // A directory takes the parameter file's place once it is written.
  ASSERT_EQ(mkdir((dir + "/out_params").c_str(), 0700), 0);
  try {
    rename_together({&genotypes, &parameters}, dir);
    FAIL() << "no error reported";
  } catch (const user_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "cannot write result file " + dir +
                  "/out_params (Is a directory); already replaced by this run's files: " +
                  dir + "/out_0_mcmc; the other result files are as they were");
  }
  EXPECT_EQ(read_file(dir + "/out_0_mcmc"), "new\n");
}

TEST_F(ResultFiles, ASignalDuringTheRenamesWaitsUntilAllAreDone) {
  const std::string dir = temp_dir();
  staged_file genotypes(dir + "/out_0_mcmc"), parameters(dir + "/out_params"),
      information(dir + "/out_information");
  for (staged_file* f : {&genotypes, &parameters, &information}) f->finish();
  struct sigaction noting = {}, before;
  noting.sa_handler = [](int) { sigterm_handled = 1; };
  sigemptyset(&noting.sa_mask);
  ASSERT_EQ(sigaction(SIGTERM, &noting, &before), 0);
  watch.watching = true;
  rename_together({&genotypes, &parameters, &information}, dir);
  watch.watching = false;
  EXPECT_EQ(sigterm_handled, 1);  // once the renames are done
  sigaction(SIGTERM, &before, nullptr);
  EXPECT_EQ(watch.renames, 3);
  EXPECT_EQ(watch.with_signals_held, 3);
  EXPECT_EQ(watch.after_the_signal, 0);
}

TEST(HiddenResultFiles, APrefixEndingInDotOrDotDotIsWarnedOf) {
  struct case_ {
    const char* prefix;
    std::string warning;  // "" for none
  };
  const std::string hidden =
      ", so the result files are hidden (names beginning with '.', which ls lists "
      "only with -a): ";
  const case_ cases[] = {
      {".", "velmar++: warning: -o: the prefix '.' ends in '.'" + hidden +
                "._0_mcmc, ._params, ._information; to write them into directory '.', "
                "end the prefix with a name, as in -o ./out\n"},
      {"d/.", "velmar++: warning: -o: the prefix 'd/.' ends in '.'" + hidden +
                  "d/._0_mcmc, d/._params, d/._information; to write them into "
                  "directory 'd/.', end the prefix with a name, as in -o d/./out\n"},
      {"..", "velmar++: warning: -o: the prefix '..' ends in '..'" + hidden +
                 ".._0_mcmc, .._params, .._information; to write them into directory "
                 "'..', end the prefix with a name, as in -o ../out\n"},
      // A name ending in a dot, and a prefix ending in '/', write no hidden file.
      {"r.", ""},
      {"d../r", ""},
      {"d/", ""},
  };
  for (const case_& c : cases) {
    testing::internal::CaptureStderr();
    warn_of_hidden_result_files(c.prefix, result_file_names(c.prefix, 1, false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning) << c.prefix;
  }
}
