// Accuracy of whole runs on simulated data with known genotypes: with
// well-separated clusters, the call of each individual (its largest genotype
// value) agrees with the truth for at least 99% of the individuals simulated
// outside the null class.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace {

const int cohorts = 2;
const int individuals = 200;
const int snps = 6;

class Accuracy : public ScratchDirTest {
 protected:
  int shell(const std::string& command) {
    const int status = std::system(("cd '" + dir_ + "' && " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Simulates the data set, runs velmar++ with `options` and returns the
  // share of non-null individuals called right, over every SNP and cohort.
  double agreement(const std::string& options) {
    EXPECT_EQ(shell(std::string("'") + SIMULATE_BIN + "' --seed 11 --cohorts " +
                    std::to_string(cohorts) + " --individuals " +
                    std::to_string(individuals) + " --snps " + std::to_string(snps) +
                    " --spread 0.03 --freq-min 0.2 --freq-max 0.8 > /dev/null"),
              0);
    std::string input = "-i";
    for (int c = 0; c < cohorts; c++) input += " cohort" + std::to_string(c) + ".txt";
    EXPECT_EQ(shell(std::string("'") + VELMAR_BIN + "' " + input +
                    " -nrs -nmax 20 -ns 2 -b 10 -n 30 " + options + " -o out > log.txt"),
              0);

    // truth.txt: per SNP, per cohort: SNP_ID, cohort, the class of every
    // individual (3 = null).
    std::ifstream truth(path("truth.txt"));
    std::vector<std::ifstream> called;
    for (int c = 0; c < cohorts; c++)
      called.emplace_back(path("out_" + std::to_string(c) + "_mcmc"));
    std::vector<std::vector<std::string> > rows(cohorts);
    int right = 0, total = 0;
    for (int j = 0; j < snps; j++) {
      for (int c = 0; c < cohorts; c++) {
        std::string id, key;
        int cohort = -1;
        EXPECT_TRUE(truth >> id >> cohort);
        EXPECT_EQ(cohort, c);
        std::string line;
        EXPECT_TRUE(std::getline(called[c], line));
        std::istringstream fields(line);
        for (int k = 0; k < 5; k++) fields >> key;
        for (int i = 0; i < individuals; i++) {
          int true_class = -1;
          EXPECT_TRUE(truth >> true_class);
          double v[3];
          EXPECT_TRUE(fields >> v[0] >> v[1] >> v[2]);
          int call = 0;
          for (int k = 1; k < 3; k++)
            if (v[k] > v[call]) call = k;
          if (true_class == 3) continue;
          total++;
          right += call == true_class;
        }
      }
    }
    EXPECT_GT(total, 0);
    return total > 0 ? static_cast<double>(right) / total : 0.0;
  }
};

void report(const std::string& what, double share) {
  std::cout << "called right (" << what << "): " << share * 100
            << "% of the non-null individuals" << std::endl;
  ::testing::Test::RecordProperty("agreement_" + what, std::to_string(share));
}

}  // namespace

TEST_F(Accuracy, SamplingCallsAgreeWithTheTruth) {
  const double share = agreement("");
  report("sampling", share);
  EXPECT_GE(share, 0.99);
}

TEST_F(Accuracy, MaximisingCallsAgreeWithTheTruth) {
  const double share = agreement("-max2");
  report("maximising", share);
  EXPECT_GE(share, 0.99);
}

TEST_F(Accuracy, ClumpedCallsAgreeWithTheTruth) {
  // A coarse grid too: a cell of a 4-cell grid spans a quarter of the range,
  // so a cell scored away from its individuals moves them by that much.
  for (const char* grid : {"1 20", "1 4"}) {
    const std::string options = std::string("-approx ") + grid;
    const double share = agreement(options);
    report(options.substr(1), share);
    EXPECT_GE(share, 0.99) << options;
  }
}
