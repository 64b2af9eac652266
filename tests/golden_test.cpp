// Whole runs of velmar++ on the example data set.
//
// Golden runs: seeded ("-nrs") runs whose result files and log must match the
// committed copies under tests/golden/ byte for byte; gzip and bzip2 copies
// of the input must give the same files. When a change of the program
// changes the results on purpose, regenerate the copies with
//
//   VELMAR_UPDATE_GOLDEN=1 <build>/tests/golden_test
//
// and say in the commit why they changed.
//
// The other runs try the main options and check that every result file is
// well formed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/file.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace fs = std::filesystem;
namespace io = boost::iostreams;

namespace {

const std::string source_dir = SOURCE_DIR;
const std::string golden_dir = source_dir + "/tests/golden";
const std::string example_dir = source_dir + "/example";

// Short runs: a whole golden run takes about a second, also with the
// sanitizers.
const std::string short_run = "-nrs -nmax 10 -ns 2 -b 10 -n 20";
const char* const result_suffixes[] = {"_0_mcmc", "_1_mcmc", "_params", "_information"};

void write_file(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

std::string replace_all(std::string text, const std::string& from,
                        const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Compresses `from` into `to`, with gzip or bzip2.
void compress(const std::string& from, const std::string& to, bool gzip) {
  std::ifstream in(from, std::ios::binary);
  io::filtering_ostream out;
  if (gzip)
    out.push(io::gzip_compressor());
  else
    out.push(io::bzip2_compressor());
  out.push(io::file_sink(to, std::ios::binary));
  io::copy(in, out);
}

// A scratch directory with the example's input files, for runs that name
// their inputs relative to it (so the log does not depend on where the
// sources lie); removed at the end of each test.
class WholeRun : public ScratchDirTest {
 protected:
  void SetUp() override {
    for (const char* f : {"cohort0.txt", "cohort1.txt", "snpinfo.txt"})
      fs::copy_file(example_dir + "/" + f, path(f));
  }

  // Runs velmar++ in the scratch directory with the given arguments; the
  // log goes to `log`, standard error to `log`.err. Returns the exit status.
  int run(const std::string& args, const std::string& log = "log.txt") {
    const std::string command = "cd '" + dir_ + "' && '" + VELMAR_BIN + "' " + args +
                                " > " + log + " 2> " + log + ".err";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Compares the run's result files and log with the golden copies of
  // `name`, or writes them when VELMAR_UPDATE_GOLDEN is set.
  void check_golden(const std::string& name, const std::string& prefix,
                    const std::string& log) {
    const std::string golden = golden_dir + "/" + name;
    const char* update = std::getenv("VELMAR_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
      fs::create_directories(golden);
      for (const char* suffix : result_suffixes)
        fs::copy_file(path(prefix + suffix), golden + "/out" + suffix,
                      fs::copy_options::overwrite_existing);
      write_file(golden + "/log.txt", read_file(path(log)));
      return;
    }
    for (const char* suffix : result_suffixes) {
      SCOPED_TRACE(prefix + suffix);
      ASSERT_TRUE(fs::exists(golden + "/out" + suffix))
          << "no golden copy: run with VELMAR_UPDATE_GOLDEN=1";
      EXPECT_TRUE(read_file(path(prefix + suffix)) == read_file(golden + "/out" + suffix))
          << "differs from " << golden << "/out" << suffix;
    }
    EXPECT_TRUE(read_file(path(log)) == read_file(golden + "/log.txt"))
        << "the log differs from " << golden << "/log.txt";
  }
};

// Splits a result line into its blank-separated fields; every field, the
// last included, is followed by exactly one blank.
std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> fields;
  EXPECT_FALSE(line.empty());
  if (line.empty()) return fields;
  EXPECT_EQ(line.back(), ' ') << line.substr(0, 80);
  size_t start = 0;
  for (size_t at = line.find(' '); at != std::string::npos; at = line.find(' ', start)) {
    EXPECT_GT(at, start) << "empty field in " << line.substr(0, 80);
    fields.push_back(line.substr(start, at - start));
    start = at + 1;
  }
  return fields;
}

std::vector<std::string> lines_of(const std::string& name) {
  std::ifstream in(name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Checks the result files of `prefix` for C cohorts of `n[c]` individuals
// and `snps` SNPs: lines and fields, genotype values in [0, 1] with a sum
// per individual of at most 1 (four-decimal rounding aside), three values
// per individual (the null class not written).
void expect_well_formed(const std::string& prefix, const std::vector<int>& n, int snps) {
  const int C = static_cast<int>(n.size());
  for (int c = 0; c < C; c++) {
    SCOPED_TRACE("cohort " + std::to_string(c));
    const std::vector<std::string> lines =
        lines_of(prefix + "_" + std::to_string(c) + "_mcmc");
    ASSERT_EQ(lines.size(), static_cast<size_t>(snps));
    for (const std::string& line : lines) {
      const std::vector<std::string> f = fields_of(line);
      ASSERT_EQ(f.size(), static_cast<size_t>(5 + 3 * n[c]));
      for (int i = 0; i < n[c]; i++) {
        double sum = 0;
        for (int k = 0; k < 3; k++) {
          const double v = std::stod(f[5 + 3 * i + k]);
          EXPECT_GE(v, 0.0);
          EXPECT_LE(v, 1.0);
          sum += v;
        }
        EXPECT_LE(sum, 1.0 + 2e-4);
      }
    }
  }
  EXPECT_FALSE(fs::exists(prefix + "_" + std::to_string(C) + "_mcmc"));

  const std::vector<std::string> params = lines_of(prefix + "_params");
  ASSERT_EQ(params.size(), static_cast<size_t>(snps + 1));
  for (const std::string& line : params)
    EXPECT_EQ(fields_of(line).size(), static_cast<size_t>(5 + 13 * C));
  const std::vector<std::string> info = lines_of(prefix + "_information");
  ASSERT_EQ(info.size(), static_cast<size_t>(snps + 1));
  for (const std::string& line : info)
    EXPECT_EQ(fields_of(line).size(), static_cast<size_t>(6 + 2 * C));
}

}  // namespace

TEST_F(WholeRun, GoldenSampling) {
  const std::string input = "-i cohort0.txt cohort1.txt -f snpinfo.txt ";
  ASSERT_EQ(run(input + short_run + " -o plain"), 0);
  check_golden("sampling", "plain", "log.txt");

  // gzip and bzip2 copies of the input give the same files and log.
  for (bool gzip : {true, false}) {
    const std::string ext = gzip ? ".gz" : ".bz2";
    SCOPED_TRACE(ext);
    compress(path("cohort0.txt"), path("cohort0.txt" + ext), gzip);
    compress(path("cohort1.txt"), path("cohort1.txt" + ext), gzip);
    const std::string prefix = gzip ? "gz" : "bz2";
    ASSERT_EQ(run("-i cohort0.txt" + ext + " cohort1.txt" + ext + " -f snpinfo.txt " +
                      (gzip ? "-gz " : "-bz2 ") + short_run + " -o " + prefix,
                  prefix + ".txt"),
              0);
    for (const char* suffix : result_suffixes)
      EXPECT_TRUE(read_file(path(prefix + suffix)) ==
                  read_file(path(std::string("plain") + suffix)))
          << suffix;
    EXPECT_TRUE(replace_all(read_file(path(prefix + ".txt")), ".txt" + ext, ".txt") ==
                read_file(path("log.txt")));
  }
}

TEST_F(WholeRun, GoldenMaximising) {
  // Class probabilities: the genotype values switch the result stream to
  // four decimals, which carries over to the parameter file.
  ASSERT_EQ(
      run("-i cohort0.txt cohort1.txt -f snpinfo.txt -max2 " + short_run + " -o max"), 0);
  check_golden("maximising", "max", "log.txt");
  EXPECT_NE(read_file(path("max_0_mcmc")).find(".0"), std::string::npos);
}

TEST_F(WholeRun, MainOptionsWriteWellFormedFiles) {
  const std::string input =
      "-i cohort0.txt cohort1.txt -f snpinfo.txt -snps 3 5 -nrs -nmax 10 "
      "-ns 1 -b 5 -n 10 ";
  const std::vector<std::string> options = {
      "-max1",        "-max2",         "-single 1",
      "-approx 1 20", "-approx 2 20",  "-approx 2 20 -max2",
      "-nonull",      "-nonull -max2", "-test 1 0"};
  for (size_t o = 0; o < options.size(); o++) {
    SCOPED_TRACE(options[o]);
    const std::string prefix = "run" + std::to_string(o);
    ASSERT_EQ(run(input + options[o] + " -o " + prefix), 0)
        << read_file(path("log.txt.err"));
    expect_well_formed(path(prefix), {150, 150}, 3);
    EXPECT_NE(read_file(path("log.txt")).find("finished"), std::string::npos);
  }
  // "-single 2" stays pooled: one genotype file of every individual.
  ASSERT_EQ(run(input + "-single 2 -o pooled"), 0);
  expect_well_formed(path("pooled"), {300}, 3);
  // "-test 1": the test file has NA where no value exists.
  const std::vector<std::string> tests = lines_of(path("run8_tests"));
  ASSERT_EQ(tests.size(), 4u);
  EXPECT_EQ(tests[0], "SNP_ID rs position bayes factors");
  EXPECT_EQ(tests[1].substr(tests[1].size() - 3), " NA");
}

TEST_F(WholeRun, XChromosomeWritesWellFormedFiles) {
  const std::string simulate = std::string("'") + SIMULATE_BIN +
                               "' --seed 7 --cohorts 2 --individuals 60 "
                               "--snps 3 --chrX --out '" +
                               dir_ + "' > /dev/null";
  ASSERT_EQ(std::system(simulate.c_str()), 0);
  const std::string input =
      "-i cohort0.txt cohort1.txt -chrX sex0.txt sex1.txt -nrs -nmax 10 -ns 1 "
      "-b 5 -n 10 ";
  const std::vector<std::string> options = {"", "-max2", "-single 1 -max2", "-single 2",
                                            "-allow_male_hets"};
  for (size_t o = 0; o < options.size(); o++) {
    SCOPED_TRACE(options[o]);
    const std::string prefix = "x" + std::to_string(o);
    ASSERT_EQ(run(input + options[o] + " -o " + prefix), 0)
        << read_file(path("log.txt.err"));
    const bool pooled = options[o] == "-single 2";
    expect_well_formed(path(prefix),
                       pooled ? std::vector<int>{120} : std::vector<int>{60, 60}, 3);
  }
}

TEST_F(WholeRun, LostResultsEndWithStatusOne) {
  ASSERT_EQ(run("-i cohort0.txt cohort1.txt -snps 1 1 -nrs -nmax 10 -ns 1 "
                "-b 2 -n 2 -o no/such/dir/out"),
            1);
  EXPECT_NE(read_file(path("log.txt.err")).find("no/such/dir/out_0_mcmc"),
            std::string::npos)
      << read_file(path("log.txt.err"));
  EXPECT_EQ(read_file(path("log.txt")).find("finished"), std::string::npos);
}
