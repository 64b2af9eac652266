// velmar++: calls genotypes at SNPs from two-channel intensity data.
//
// The entry point: banner, run seed and generator, the command line around
// the reading of the input, then one fit per SNP and the result files.
//
// Exit status: 0 when every SNP was fitted and every result file written;
// 1 for a fault of the command line or of an input file, or a result file
// that cannot be written; 2 when the result files are written but some SNP's
// fit ended with a value that is not a finite number (each such SNP is named
// on standard error); 3 when the run stopped on a failure inside the fit
// (the random-variate library refused a parameter, memory ran out, ...),
// before any result file was written.
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>

#include "data.h"
#include "errors.h"
#include "input.h"
#include "options.h"
#include "result_check.h"
#include "vargen1.h"

namespace {

// The SNP being fitted, for the message of a failure inside its fit.
struct run_progress {
  bool fitting = false;
  int snp = 0;  // counted from 1
  std::string rs;

  std::string where() const {
    if (!fitting) return "";
    return " while fitting SNP " + std::to_string(snp) + " [" + rs + "]";
  }
};

// The whole run; returns the exit status of an orderly end.
int run(int argc, char** argv, run_progress& progress) {
  data d;

  std::cout << std::endl;
  std::cout << "velmar++" << std::endl;
  std::cout << "========" << std::endl;
  std::cout << std::endl;

  srandom(static_cast<unsigned>(time(NULL)));
  double clock_seed = rand() / 2147483647.0;

  // A bad command line ends the run here, before any input is read.
  check_command_line(argc, argv);

  double seed = read_seed_option(argc, argv, clock_seed);
  MT generator(seed);
  Random::Set(generator);

  read_input_options(argc, argv, d);
  d.read_data();
  read_run_options(argc, argv, d);
  validate_options(d);

  std::cout << std::endl;
  std::cout << "algorithm" << std::endl;

  int failed_snps = 0;
  for (int j = 0; j < d.n_snps; ++j) {
    d.current_snp = j;
    progress = {true, j + 1, d.snps[j].rs};
    std::cout << std::endl;
    std::cout << "snp " << j + 1 << " [" << d.snps[j].rs << "] " << std::endl;
    d.v1();
    std::string fault = non_finite_results(d.all_params.back(), d.stage2_values());
    if (!fault.empty()) {
      std::cout << std::flush;
      std::cerr << "velmar++: SNP " << j + 1 << " [" << d.snps[j].rs
                << "]: the fit ended with values that are not finite numbers: " << fault
                << std::endl;
      ++failed_snps;
    }
  }
  progress.fitting = false;

  std::cout << std::endl;
  d.output_mcmc();
  std::cout << "finished" << std::endl;
  const std::string no_priors = missing_priors_warning(d);
  if (!no_priors.empty()) std::cerr << "velmar++: warning: " << no_priors << std::endl;
  // Returning destroys the generator first (the placeholder generator is
  // installed again), then the model object.
  if (failed_snps > 0) {
    std::cerr << "velmar++: the fit of " << failed_snps << " of " << d.n_snps << " SNP"
              << (d.n_snps == 1 ? "" : "s")
              << " failed (named above); the result files hold every SNP" << std::endl;
    return status_failed_snps;
  }
  return 0;
}

}  // namespace

// Every failure ends here with a message on standard error; the locals of
// run (the model, the generator) are gone by then, and no result file is
// written, as they are written only at the very end of an orderly run.
int main(int argc, char** argv) {
  run_progress progress;
  try {
    return run(argc, argv, progress);
  } catch (...) {
    return report_failure(progress.where());
  }
}
