// velmar++: calls genotypes at SNPs from two-channel intensity data.
//
// The entry point: banner, run seed and generator, the command line around
// the reading of the input, then one fit per SNP and the result files.
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "data.h"
#include "errors.h"
#include "options.h"
#include "vargen1.h"

int main(int argc, char** argv) {
  try {
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

    for (int j = 0; j < d.n_snps; ++j) {
      d.current_snp = j;
      std::cout << std::endl;
      std::cout << "snp " << j + 1 << " [" << d.snps[j].rs << "] " << std::endl;
      d.v1();
    }

    std::cout << std::endl;
    d.output_mcmc();
    std::cout << "finished" << std::endl;
    // The generator goes first (the placeholder generator is installed
    // again), then the model object.
    return 0;
  } catch (const input_error& e) {
    std::cout << std::flush;
    std::cerr << "velmar++: " << e.what() << std::endl;
    return 1;
  }
}
