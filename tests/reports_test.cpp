// The state report and the acceptance-rate report.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"

namespace {

// A two-cohort state with easily read values.
void two_cohorts(data* d) {
  d->n_cohorts = 2;
  d->counts = {{30, 50, 20, 0}, {0, 0, 0, 4}};
  d->lambda = {{0.25, 0.5, 0.125, 0.125}, {0.1, 0.2, 0.3, 0.4}};
  d->mu = {{{1.5, 0.5}, {1.25, 1.25}, {0.5, 1.5}}, {{2, 0.25}, {1, 1}, {0.25, 2}}};
  d->gradient = {1, 2};
  d->gradient_mean = 1.5;
  d->gradient_var = 0.02;
  d->length = {1.25, 3};
  d->length_mean = 1;
  d->length_var = 0.5;
  d->fraction = {0.5, 0.25};
  d->fraction_mean = 0.375;
  d->fraction_var = 0.01;
  d->departure = {0.502, 0.2};
  d->departure_mean = 0.2;
  d->departure_var = 0.03;
  d->center = {{1, 1}, {1.125, 1.125}};
  d->center_mean = {0.7, 0.75};
  d->center_var = 0.0003;
  d->alpha = {0.55, 0.5};
  d->alpha_star = 0.525;
  d->eta = {0.03125, 0.0625};
  d->eta_mean = 0.04;
  d->eta_var = 0.05;
  d->sigma = {0.25, 0.5};
  d->sigma_mean = 0.375;
  d->sigma_var = 0.01;
  d->varfrac = {0.25, 0.75};
  d->varfrac_mean = 0.5;
  d->varfrac_var = 0.0625;
  d->r = {{0.1, 0.9, 0.2}, {0.3, 0.8, 0.4}};
  d->r_mean = {0.25, 0.875, 0.5};
  d->r_var = {0.125, 0.0625, 0.03125};
}

}  // namespace

TEST(PrintAll, TwoCohortsInFull) {
  data d;
  two_cohorts(&d);
  CaptureStdout out(kRunPrecision);
  d.print_all();
  const std::string expected =
      "Genotype counts (N) :\n"
      " cohort 0: 30 50 20 0 \t0.55\n"
      " cohort 1: 0 0 0 4 \t-nan\n"
      "\n"
      "Genotype proportions (lambda) :\n"
      " cohort 0: 0.25 0.5 0.125 0.125 \n"
      " cohort 1: 0.1 0.2 0.3 0.4 \n"
      "\n"
      "Class mean vectors (mu)\n"
      " cohort 0: (1.5 , 0.5) (1.25 , 1.25) (0.5 , 1.5) \n"
      " cohort 1: (2 , 0.25) (1 , 1) (0.25 , 2) \n"
      "\n"
      "Components of class mean vectors\n"
      "gradient\n"
      " 1 2 \n"
      " mean = 1.5 variance = 0.02\n"
      "\n"
      "length\n"
      " 1.25 3 \n"
      " mean = 1 variance = 0.5\n"
      "\n"
      "fraction\n"
      " 0.5 0.25 \n"
      " mean = 0.375 variance = 0.01\n"
      "\n"
      "departure\n"
      " 0.502 0.2 \n"
      " mean = 0.2 variance = 0.03\n"
      "\n"
      "center\n"
      " (1 , 1)\n"
      " (1.125 , 1.125)\n"
      " mean = (0.7 , 0.75) variance =  0.0003\n"
      "\n"
      "alpha\n"
      " 0.55 0.5 \n"
      " mean = 0.525\n"
      "\n"
      "eta\n"
      " 0.03125 0.0625 \n"
      " mean = 0.04 variance = 0.05\n"
      "\n"
      "Components of class covariances\n"
      " sigma\n"
      " 0.25 0.5 \n"
      " mean = 0.375 variance = 0.01\n"
      "\n"
      " varfrac\n"
      " 0.25 0.75 \n"
      " mean = 0.5 variance = 0.0625\n"
      "\n"
      " r\n"
      " cohort 0: 0.1 0.9 0.2 \n"
      " cohort 1: 0.3 0.8 0.4 \n"
      " mean = 0.25 0.875 0.5 \n"
      " variance = 0.125 0.0625 0.03125 \n"
      "\n";
  // The empty cohort's frequency is 0/0: not a number, whatever its sign.
  std::string text = out.text();
  const std::string::size_type nan_at = text.find("\tnan\n");
  if (nan_at != std::string::npos) text.replace(nan_at, 5, "\t-nan\n");
  EXPECT_EQ(text, expected);
}

class Rates : public ::testing::Test {
 protected:
  void SetUp() override {
    d.n_cohorts = 1;
    d.burn_in = 200;
    d.n_iter = 1000;  // T = 1200
  }
  std::vector<std::string> report() {
    CaptureStdout out(kRunPrecision);
    d.print_rates();
    return lines_of(out.text());
  }
  data d;
};

TEST_F(Rates, LabelsAndDivisors) {
  d.n_cohorts = 2;            // C = 2, T = 1200
  d.accept_alpha = 1200;      // / (2 T)       = 0.5
  d.accept_alpha_star = 600;  // / (2 T)       = 0.25
  d.accept_eta = 2400;        // / (4 T)       = 0.5
  d.accept_r = 3000;          // / (12 T)      = 0.2083333333
  d.accept_sigma = 960;       // / (4 T)       = 0.2
  d.accept_varfrac = 480;     // / (4 T)       = 0.1
  d.accept_gradient = 1440;   // / (4 T)       = 0.3
  d.accept_length = 1920;     // / (4 T)       = 0.4
  d.accept_fraction = 2880;   // / (4 T)       = 0.6
  d.accept_departure = 3360;  // / (4 T)       = 0.7
  d.accept_global = 96;       // / (T / 10)    = 0.8
  d.accept_center = 4320;     // / (4 T)       = 0.9
  const std::vector<std::string> expected = {
      "Acceptance rates : ", "     alpha : 0.5", "alpha_star : 0.25",
      "       eta : 0.5",    "        mu : 0",   "         r : 0.2083333333",
      "     sigma : 0.2",    "    vafrac : 0.1", "  gradient : 0.3",
      "    length : 0.4",    "  fraction : 0.6", " departure : 0.7",
      "    global : 0.8",    "    center : 0.9", ""};
  EXPECT_EQ(report(), expected);
}

TEST_F(Rates, OneCohortFigures) {
  d.accept_eta = 1800;   // 1800 / (3 x 1200)
  d.accept_global = 60;  // 60 / (1200 / 10)
  const std::vector<std::string> lines = report();
  ASSERT_EQ(lines.size(), 15u);  // heading, 13 rates, empty line
  EXPECT_EQ(lines[3], "       eta : 0.5");
  EXPECT_EQ(lines[12], "    global : 0.5");
  EXPECT_EQ(lines[14], "");
}

TEST_F(Rates, ModelLineOnlyUnderTest) {
  d.test = 3;
  d.accept_model = 0;
  const std::vector<std::string> lines = report();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[14], "     model : 0");
  EXPECT_EQ(lines[15], "");
}
