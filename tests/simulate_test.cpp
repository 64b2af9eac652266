// The synthetic data simulator (tools/simulate): the shape of the files it
// writes, the agreement of its truth file with its options and its points,
// and compressed output that decompresses to the plain bytes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/file.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace fs = std::filesystem;

namespace {

class SimulateTest : public ScratchDirTest {
 protected:
  // Runs simulate with the given options into `sub` (made under the temporary
  // directory), after the shell commands `setup`, as the user nobody when
  // `as_nobody`; returns its exit status. Standard error goes to dir_/stderr.
  int run(const std::string& options, const std::string& sub = "out",
          const std::string& setup = "", bool as_nobody = false) {
    fs::create_directories(path(sub));
    const std::string program =
        as_nobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups " +
                        copy_for_nobody(SIMULATE_BIN)
                  : SIMULATE_BIN;
    const std::string command = setup + program + " " + options + " --out '" + path(sub) +
                                "' >'" + path("stdout") + "' 2>'" + path("stderr") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::vector<std::vector<std::string>> lines_of_tokens(const fs::path& path) const {
    std::vector<std::vector<std::string>> lines;
    std::istringstream text(read_file(path));
    std::string line;
    while (std::getline(text, line)) {
      std::istringstream words(line);
      std::vector<std::string> tokens;
      std::string t;
      while (words >> t) tokens.push_back(t);
      lines.push_back(tokens);
    }
    return lines;
  }
};

TEST_F(SimulateTest, FilesHaveTheInputShape) {
  ASSERT_EQ(run("--seed 5 --cohorts 3 --individuals 7 --snps 4 --snpinfo --freq-min 0.2 "
                "--freq-max 0.3"),
            0);
  const fs::path out = path("out");
  std::vector<std::vector<std::vector<std::string>>> cohorts;
  for (int c = 0; c < 3; ++c) {
    const std::string text = read_file(out / ("cohort" + std::to_string(c) + ".txt"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    cohorts.push_back(lines_of_tokens(out / ("cohort" + std::to_string(c) + ".txt")));
    const auto& lines = cohorts.back();
    ASSERT_EQ(lines.size(), 5u);
    ASSERT_EQ(lines[0].size(), 5u + 2 * 7);
    EXPECT_EQ(lines[0][0], "SNP_ID");
    EXPECT_EQ(lines[0][1], "rs");
    EXPECT_EQ(lines[0][4], "allele2");
    for (size_t s = 1; s < lines.size(); ++s) {
      ASSERT_EQ(lines[s].size(), 5u + 2 * 7);
      for (size_t t = 5; t < lines[s].size(); ++t) {
        size_t used = 0;
        std::stod(lines[s][t], &used);
        EXPECT_EQ(used, lines[s][t].size()) << lines[s][t];
      }
      for (int k = 0; k < 5; ++k) EXPECT_EQ(lines[s][k], cohorts[0][s][k]);  // same SNPs
    }
  }
  // The header must end with a line feed right after its last name.
  const std::string first = read_file(out / "cohort0.txt");
  EXPECT_NE(first.substr(0, first.find('\n')).back(), ' ');

  const auto info = lines_of_tokens(out / "snpinfo.txt");
  ASSERT_EQ(info.size(), 4u);
  for (size_t s = 0; s < info.size(); ++s) {
    ASSERT_EQ(info[s].size(), 5u);
    EXPECT_EQ(info[s][0], cohorts[0][s + 1][1]);  // the rs of the same SNP
    const double f = std::stod(info[s][4]);
    EXPECT_GE(f, 0.2);
    EXPECT_LE(f, 0.3);
  }

  const auto truth = lines_of_tokens(out / "truth.txt");
  ASSERT_EQ(truth.size(), 4u * 3);
  for (size_t l = 0; l < truth.size(); ++l) {
    ASSERT_EQ(truth[l].size(), 2u + 7);
    EXPECT_EQ(truth[l][0], cohorts[0][l / 3 + 1][0]);
    EXPECT_EQ(truth[l][1], std::to_string(l % 3));
  }
}

TEST_F(SimulateTest, TruthAgreesWithThePoints) {
  ASSERT_EQ(run("--seed 11 --cohorts 2 --individuals 200 --snps 6 --null-fraction 0.05"),
            0);
  const fs::path out = path("out");
  const auto truth = lines_of_tokens(out / "truth.txt");
  int seen[4] = {0, 0, 0, 0};
  for (int c = 0; c < 2; ++c) {
    const auto lines = lines_of_tokens(out / ("cohort" + std::to_string(c) + ".txt"));
    for (int s = 0; s < 6; ++s) {
      const auto& classes = truth[s * 2 + c];
      for (int i = 0; i < 200; ++i) {
        const double x = std::stod(lines[s + 1][5 + 2 * i]);
        const double y = std::stod(lines[s + 1][6 + 2 * i]);
        const int k = std::stoi(classes[2 + i]);
        ASSERT_GE(k, 0);
        ASSERT_LE(k, 3);
        ++seen[k];
        if (k == 0) {
          EXPECT_GT(x, y + 0.3);
        }
        if (k == 2) {
          EXPECT_GT(y, x + 0.3);
        }
        if (k == 1) {
          EXPECT_LT(std::abs(x - y), 0.4);
        }
        if (k == 3) {
          EXPECT_LT(x + y, 0.4);
        }
      }
    }
  }
  for (int k = 0; k < 4; ++k) EXPECT_GT(seen[k], 0) << "class " << k;
}

TEST_F(SimulateTest, TruthFollowsFrequencyAndNullOptions) {
  ASSERT_EQ(
      run("--individuals 50 --snps 3 --freq-min 1 --freq-max 1 --null-fraction 0", "a"),
      0);
  for (const auto& line : lines_of_tokens(path("a/truth.txt")))
    for (size_t t = 2; t < line.size(); ++t) EXPECT_EQ(line[t], "0");

  ASSERT_EQ(run("--individuals 50 --snps 3 --null-fraction 1", "b"), 0);
  for (const auto& line : lines_of_tokens(path("b/truth.txt")))
    for (size_t t = 2; t < line.size(); ++t) EXPECT_EQ(line[t], "3");
}

TEST_F(SimulateTest, SexFilesAndNoHeterozygousMales) {
  ASSERT_EQ(run("--seed 3 --chrX --cohorts 2 --individuals 120 --snps 8 --freq-min 0.4 "
                "--freq-max 0.6 --null-fraction 0"),
            0);
  const fs::path out = path("out");
  const auto truth = lines_of_tokens(out / "truth.txt");
  for (int c = 0; c < 2; ++c) {
    const std::string text = read_file(out / ("sex" + std::to_string(c) + ".txt"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');  // the last code must be followed by white space
    std::istringstream codes(text);
    std::vector<int> sex;
    int code;
    while (codes >> code) sex.push_back(code);
    ASSERT_EQ(sex.size(), 120u);
    int males = 0, female_hets = 0;
    for (int i = 0; i < 120; ++i) {
      ASSERT_TRUE(sex[i] == 0 || sex[i] == 1 || sex[i] == 2);
      if (sex[i] == 1) ++males;
      for (int s = 0; s < 8; ++s) {
        const std::string& k = truth[s * 2 + c][2 + i];
        if (sex[i] == 1) {
          EXPECT_NE(k, "1") << "heterozygous male " << i;
        }
        if (sex[i] == 2 && k == "1") ++female_hets;
      }
    }
    EXPECT_GT(males, 20);
    EXPECT_GT(female_hets, 0);
  }
}

std::string decompress(const fs::path& path, bool gzip) {
  namespace io = boost::iostreams;
  io::filtering_istream in;
  if (gzip)
    in.push(io::gzip_decompressor());
  else
    in.push(io::bzip2_decompressor());
  in.push(io::file_source(path.string(), std::ios::in | std::ios::binary));
  std::ostringstream text;
  io::copy(in, text);
  return text.str();
}

TEST_F(SimulateTest, CompressedFilesHoldThePlainBytesAndSeedsRepeat) {
  const std::string options = "--seed 42 --individuals 30 --snps 10 --snpinfo";
  ASSERT_EQ(run(options, "plain"), 0);
  ASSERT_EQ(run(options + " --compress gzip", "gz"), 0);
  ASSERT_EQ(run(options + " --compress bzip2", "bz2"), 0);
  // Links at two output names are replaced, never written through.
  const std::string kept = write("kept", "not simulate's\n");
  fs::create_directories(path("again"));
  fs::create_symlink(kept, path("again/cohort0.txt"));
  fs::create_hard_link(kept, path("again/truth.txt"));
  ASSERT_EQ(run(options, "again"), 0);
  EXPECT_EQ(read_file(kept), "not simulate's\n");
  EXPECT_FALSE(fs::is_symlink(path("again/cohort0.txt")));
  EXPECT_EQ(read_file(path("again/truth.txt")), read_file(path("plain/truth.txt")));
  ASSERT_EQ(run("--seed 43 --individuals 30 --snps 10", "other"), 0);
  for (const std::string name : {"cohort0", "cohort1"}) {
    const std::string plain = read_file(path("plain/" + name + ".txt"));
    ASSERT_FALSE(plain.empty());
    EXPECT_FALSE(fs::exists(path("gz/" + name + ".txt")));
    EXPECT_EQ(decompress(path("gz/" + name + ".txt.gz"), true), plain);
    EXPECT_EQ(decompress(path("bz2/" + name + ".txt.bz2"), false), plain);
    EXPECT_EQ(read_file(path("again/" + name + ".txt")), plain);
    EXPECT_NE(read_file(path("other/" + name + ".txt")), plain);
  }
  // Truth and SNP information are never compressed, and do not depend on it.
  EXPECT_EQ(read_file(path("gz/truth.txt")), read_file(path("plain/truth.txt")));
  EXPECT_EQ(read_file(path("bz2/snpinfo.txt")), read_file(path("plain/snpinfo.txt")));
}

TEST_F(SimulateTest, BadOptionsStopWithAMessage) {
  for (const char* bad :
       {"--snps 0", "--individuals x", "--spread -1", "--freq-min 0.7 --freq-max 0.2",
        "--null-fraction 2", "--compress zip", "--seed -3", "--bogus", "--cohorts"}) {
    EXPECT_EQ(run(bad), 1) << bad;
    EXPECT_FALSE(read_file(path("stderr")).empty()) << bad;
  }
  const std::string command =
      std::string(SIMULATE_BIN) + " --out '" + path("no-such-dir") + "' 2>/dev/null";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

TEST_F(SimulateTest, AFailedWriteStopsAndLeavesNoFile) {
  // One cohort of 400 SNPs: a truth file of 124 KB and an intensity file of
  // 214 KB (bzip2, written only when closed) to 854 KB (plain). The limit of
  // 320 blocks of 512 bytes (the unit of a POSIX shell) lies between. SIGXFSZ
  // keeps its default action, which ends a process past the limit, as in a
  // job under a limit: simulate must ignore it itself.
  std::signal(SIGXFSZ, SIG_DFL);
  const std::string limit = "ulimit -f 320; ";
  // "link": a link at the intensity file's name stays, and its file too. A
  // directory at truth.txt from the start ("dir"), from before the checks ahead
  // of the renames ("late") or after them ("rename").
  const std::string kept = write("kept", "not simulate's\n");
  fs::create_directories(path("link"));
  fs::create_symlink(kept, path("link/cohort0.txt"));
  const std::string removed = "; every file written so far was removed";
  const std::string too_large = " (File too large)" + removed;
  const std::string earlier = "echo earlier >cohort0.txt; SIMULATE_TEST_DIRECTORY_";
  const std::string to_truth =
      "cannot rename @/truth.txt.tmp.XXXXXX to @/truth.txt (Is a directory); ";
  struct Row {  // cohort0: how cohort0.txt starts after the run; left: entries left
    std::string name, kind, cohort0;
    long left;
    std::string setup, message;
    bool as_nobody = false;  // simulate run as the user nobody, after root's setup
  };
  for (const Row& row : std::vector<Row>{
           {"none", "none", "", 0, limit, "cannot write @/cohort0.txt" + too_large},
           {"gzip", "gzip", "", 0, limit, "cannot write @/cohort0.txt.gz" + too_large},
           {"bzip2", "bzip2", "", 0, limit, "cannot write @/cohort0.txt.bz2" + too_large},
           {"link", "none", "not sim", 1, limit,
            "cannot write @/cohort0.txt" + too_large},
           {"dir", "none", "earlier", 2, "echo earlier >cohort0.txt; mkdir truth.txt; ",
            "cannot write @/truth.txt (Is a directory)" + removed},
           {"late", "none", "earlier", 2, earlier + "BEFORE_CHECK=truth.txt ",
            to_truth + "nothing was renamed, and every file written was removed"},
           {"rename", "none", "SNP_ID ", 2, earlier + "AFTER_CHECK=truth.txt ",
            to_truth + "now holding this run's files: @/cohort0.txt (replacing an "
                       "earlier file); the other names keep what was there, and this "
                       "run's other files were removed"},
           // The user nobody in a sticky directory: its own cohort0.txt replaced, not
           // root's truth.txt; in its own such directory, root's cohort0.txt too.
           {"sticky", "none", "earlier", 2,
            "chmod 1777 .; echo earlier >truth.txt; echo earlier >cohort0.txt; chown "
            "65534 cohort0.txt; ",
            "cannot rename @/truth.txt.tmp.XXXXXX to @/truth.txt (Operation not "
            "permitted); nothing was renamed, and every file written was removed",
            true},
           {"sticky-own", "none", "earlier", 2,
            "chmod 1777 .; chown 65534 .; " + earlier + "BEFORE_CHECK=truth.txt ",
            to_truth + "nothing was renamed, and every file written was removed",
            true}}) {
    SCOPED_TRACE(row.name);
    if (row.as_nobody && geteuid() != 0) continue;  // root's files need root
    const std::string dir = path(row.name);
    EXPECT_EQ(run("--cohorts 1 --snps 400 --compress " + row.kind, row.name,
                  "cd " + dir + "; " + row.setup, row.as_nobody),
              1);
    EXPECT_EQ(
        std::regex_replace(read_file(path("stderr")), std::regex(R"(\.tmp\.\w{6})"),
                           ".tmp.XXXXXX"),
        "simulate: " + std::regex_replace(row.message, std::regex("@"), dir) + "\n");
    EXPECT_EQ(read_file(dir + "/cohort0.txt").substr(0, 7), row.cohort0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), row.left);
  }
  EXPECT_EQ(fs::read_symlink(path("link/cohort0.txt")), kept);
  EXPECT_EQ(read_file(kept), "not simulate's\n");
}

}  // namespace
