// Reports of the current fit to the run's log: the whole model state, and
// the acceptance rates of the update steps over stage 2.
#include <iostream>
#include <string>
#include <vector>

#include "data.h"

namespace {

// One family's block: its heading, the per-cohort values, the hierarchical
// mean and variance, and an empty line.
void print_family(const std::string& heading, int cohorts, const vec& values, double mean,
                  double var) {
  std::cout << heading << std::endl;
  std::cout << " ";
  for (int c = 0; c < cohorts; c++) std::cout << values[c] << " ";
  std::cout << std::endl;
  std::cout << " mean = " << mean << " variance = " << var << std::endl;
  std::cout << std::endl;
}

// The observed frequency of the first allele from a cohort's genotype counts
// (the null class left out): sums as integers, division in doubles.
double observed_frequency(const std::vector<int>& counts) {
  const int numerator = 2 * counts[0] + counts[1];
  const int denominator = 2 * (counts[0] + counts[1] + counts[2]);
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

// One line of the rate table.
void print_rate(const char* label, double rate) {
  std::cout << label << rate << std::endl;
}

}  // namespace

void data::print_count_table(bool with_frequency) const {
  std::cout << "Genotype counts (N) :" << std::endl;
  for (int c = 0; c < n_cohorts; c++) {
    std::cout << " cohort " << c << ": ";
    for (int k = 0; k < 4; k++) std::cout << counts[c][k] << " ";
    if (with_frequency) std::cout << "\t" << observed_frequency(counts[c]);
    std::cout << std::endl;
  }
}

void data::print_all() {
  const int C = n_cohorts;

  print_count_table(true);
  std::cout << std::endl;

  std::cout << "Genotype proportions (lambda) :" << std::endl;
  for (int c = 0; c < C; c++) {
    std::cout << " cohort " << c << ": ";
    for (int k = 0; k < 4; k++) std::cout << lambda[c][k] << " ";
    std::cout << std::endl;
  }
  std::cout << std::endl;

  std::cout << "Class mean vectors (mu)" << std::endl;
  for (int c = 0; c < C; c++) {
    std::cout << " cohort " << c << ": ";
    for (int k = 0; k < 3; k++)
      std::cout << "(" << mu[c][k][0] << " , " << mu[c][k][1] << ") ";
    std::cout << std::endl;
  }
  std::cout << std::endl;

  std::cout << "Components of class mean vectors" << std::endl;
  print_family("gradient", C, gradient, gradient_mean, gradient_var);
  print_family("length", C, length, length_mean, length_var);
  print_family("fraction", C, fraction, fraction_mean, fraction_var);
  print_family("departure", C, departure, departure_mean, departure_var);

  std::cout << "center" << std::endl;
  for (int c = 0; c < C; c++)
    std::cout << " (" << center[c][0] << " , " << center[c][1] << ")" << std::endl;
  std::cout << " mean = (" << center_mean[0] << " , " << center_mean[1]
            << ") variance =  " << center_var << std::endl;
  std::cout << std::endl;

  std::cout << "alpha" << std::endl;
  std::cout << " ";
  for (int c = 0; c < C; c++) std::cout << alpha[c] << " ";
  std::cout << std::endl;
  std::cout << " mean = " << alpha_star << std::endl;
  std::cout << std::endl;

  print_family("eta", C, eta, eta_mean, eta_var);

  std::cout << "Components of class covariances" << std::endl;
  print_family(" sigma", C, sigma, sigma_mean, sigma_var);
  print_family(" varfrac", C, varfrac, varfrac_mean, varfrac_var);

  std::cout << " r" << std::endl;
  for (int c = 0; c < C; c++) {
    std::cout << " cohort " << c << ": ";
    for (int k = 0; k < 3; k++) std::cout << r[c][k] << " ";
    std::cout << std::endl;
  }
  std::cout << " mean = ";
  for (int k = 0; k < 3; k++) std::cout << r_mean[k] << " ";
  std::cout << std::endl;
  std::cout << " variance = ";
  for (int k = 0; k < 3; k++) std::cout << r_var[k] << " ";
  std::cout << std::endl;
  std::cout << std::endl;
}

void data::print_rates() {
  const int C = n_cohorts;
  const double T = static_cast<double>(burn_in + n_iter);

  std::cout << "Acceptance rates : " << std::endl;
  print_rate("     alpha : ", accept_alpha / (C * T));
  print_rate("alpha_star : ", accept_alpha_star / (C * T));
  print_rate("       eta : ", accept_eta / ((C + 2) * T));
  print_rate("        mu : ", accept_mu / ((3 * C) * T));
  print_rate("         r : ", accept_r / ((3 * C + 6) * T));
  print_rate("     sigma : ", accept_sigma / ((C + 2) * T));
  print_rate("    vafrac : ", accept_varfrac / ((C + 2) * T));
  print_rate("  gradient : ", accept_gradient / ((C + 2) * T));
  print_rate("    length : ", accept_length / ((C + 2) * T));
  print_rate("  fraction : ", accept_fraction / ((C + 2) * T));
  print_rate(" departure : ", accept_departure / ((C + 2) * T));
  // Written as is to keep its bits: see step_rule.h.
  print_rate("    global : ", accept_global / (T / 10.0));
  print_rate("    center : ", accept_center / ((C + 2) * T));
  if (test != 0) print_rate("     model : ", accept_model / T);
  std::cout << std::endl;
}
