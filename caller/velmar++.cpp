// velmar++: calls genotypes at SNPs from two-channel intensity data.
//
// The entry point: banner, run seed and generator, the command line around
// the reading of the input, then one fit per SNP and the result files.
//
// Exit status: 0 when every SNP was fitted and every result file written;
// 1 for a fault of the command line or of an input file, an output place
// where the result files cannot be written (checked before any input is
// read), or a result file or the trace file that cannot be written (then no
// result file is written or replaced, unless a rename fails midway: the
// message names the files already replaced); 2 when the result files are
// written but some SNP's fit ended with a value that is not a finite number
// (each such SNP is named on standard error); 3 when the run stopped on a
// failure inside the fit (the random-variate library refused a parameter,
// memory ran out, ...), before any result file was written.
//
// The log on standard output is not needed for the results: when it cannot
// be written (its reader went away, a full disk), the run goes on, writes
// the result files and says so on standard error at the end; the status is
// that of the results.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "fd_output.h"
#include "input.h"
#include "intensity_checks.h"
#include "messages.h"
#include "options.h"
#include "result_check.h"
#include "result_files.h"
#include "vargen1.h"

namespace {

// The SNP being fitted, for the message of a failure inside its fit.
struct run_progress {
  std::string snp;  // its snp_name while it is fitted, else empty

  std::string where() const { return snp.empty() ? "" : " while fitting " + snp; }
};

// What the checks of each SNP's results found; reported at the end.
struct result_findings {
  int failed_snps = 0;      // with values that are not finite numbers
  int null_class_snps = 0;  // more than half of the individuals in the null class

  // Checks the results of SNP j, just fitted; a SNP whose results are not
  // all finite numbers is named on standard error at once.
  void check_snp(const data& d, int j) {
    const vec3& values = d.stage2_values();
    if (mostly_null_class(values, d.sampling ? d.n_iter : 1)) ++null_class_snps;
    std::string fault = non_finite_results(d.all_params.back(), values);
    if (fault.empty()) return;
    std::cout << std::flush;
    std::cerr << "velmar++: " << snp_name(d, j)
              << ": the fit ended with values that are not finite numbers: " << fault
              << std::endl;
    ++failed_snps;
  }

  // The end-of-run warnings; returns the exit status.
  int report(const data& d) const {
    const std::string no_priors = missing_priors_warning(d);
    if (!no_priors.empty()) warn(no_priors);
    const int n_snps = d.n_snps;
    const std::string s = n_snps == 1 ? "" : "s";
    if (2 * null_class_snps > n_snps)
      warn("in " + std::to_string(null_class_snps) + " of " + std::to_string(n_snps) +
           " SNP" + s +
           " more than half of the individuals fell in the null class (genotype values "
           "summing to less than 0.5): the intensities may not be "
           "normalised; the default priors assume normalised intensities "
           "of roughly 0 to 2");
    if (failed_snps == 0) return 0;
    std::cerr << "velmar++: the fit of " << failed_snps << " of " << n_snps << " SNP" << s
              << " failed (named above); the result files hold every SNP" << std::endl;
    return status_failed_snps;
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

  // A bad command line, or a place where the result files or the trace
  // file cannot be written, ends the run here, before any input is read.
  const data options = check_command_line(argc, argv);
  const std::vector<std::string> result_files = result_file_names(
      options.output_prefix, genotype_file_count(options), options.test != 0);
  check_output_place(result_files);
  // Said at once, so that a run given "-o ." for a directory can be stopped.
  warn_of_hidden_result_files(options.output_prefix, result_files);
  std::unique_ptr<staged_file> trace;
  if (options.print_params) {
    trace = std::make_unique<staged_file>(trace_file_name);
    if (trace->error() != 0)
      throw user_error(std::string("-print_params: cannot create the trace file ") +
                       trace_file_name + " (" + std::strerror(trace->error()) + ")");
  }

  double seed = read_seed_option(argc, argv, clock_seed);
  MT generator(seed);
  Random::Set(generator);

  read_input_options(argc, argv, d);
  d.read_data();
  read_run_options(argc, argv, d);
  validate_options(d);
  // Said before the fit, so that a run on intensities of another scale than
  // the priors', on cohorts of different scales, with points of no signal or
  // on a file whose samples seem shifted can be stopped at once instead of
  // being found out at its end.
  for (const std::string& warning : intensity_warnings(d)) warn(warning);

  std::cout << std::endl;
  std::cout << "algorithm" << std::endl;

  result_findings findings;
  for (int j = 0; j < d.n_snps; ++j) {
    d.current_snp = j;
    progress.snp = snp_name(d, j);
    std::cout << std::endl;
    std::cout << "snp " << j + 1 << " [" << d.snps[j].rs << "] " << std::endl;
    d.v1(trace.get());
    findings.check_snp(d, j);
  }
  progress.snp.clear();

  std::cout << std::endl;
  d.output_mcmc(trace.get());
  std::cout << "finished" << std::endl;
  warn_of_other_result_files(
      d.output_prefix,
      result_file_names(d.output_prefix, genotype_file_count(d), d.test != 0));
  // Returning destroys the generator first (the placeholder generator is
  // installed again), then the model object.
  return findings.report(d);
}

// Standard output, the run's log, written through a buffer that keeps the
// first failure instead of ending the run; while it lives, std::cout writes
// into it.
class log_output {
 public:
  log_output()
      : buffer_(STDOUT_FILENO, open_standard_streams()),
        old_(std::cout.rdbuf(&buffer_)) {}
  ~log_output() {
    std::cout.flush();
    std::cout.rdbuf(old_);
  }
  log_output(const log_output&) = delete;
  log_output& operator=(const log_output&) = delete;

  // Puts /dev/null in the place of a closed standard output or error, so
  // that no file the run opens takes its number and receives the log or a
  // message; returns EBADF when standard output was closed, else 0.
  static int open_standard_streams() {
    int closed = 0;
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
      if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
      if (fd == STDOUT_FILENO) closed = EBADF;
      int null = open("/dev/null", O_WRONLY);
      if (null >= 0 && null != fd) {
        dup2(null, fd);
        close(null);
      }
    }
    return closed;
  }

  // After the run: one warning on standard error when the log was lost.
  void report(bool results_written) {
    std::cout.flush();
    if (buffer_.error() == 0) return;
    warn(std::string("the log could not be written to standard output (") +
         std::strerror(buffer_.error()) + ")" +
         (results_written ? "; the fit went on and the result files are whole" : ""));
  }

 private:
  fd_output_buffer buffer_;
  std::streambuf* old_;
};

}  // namespace

// Every failure ends here with a message on standard error; the locals of
// run (the model, the generator, the trace file) are gone by then, with
// every temporary file. No result file is written, as they are renamed into
// place only at the very end of an orderly run; only a rename that fails
// midway leaves those renamed before it, and its message names them.
int main(int argc, char** argv) {
  // A reader of the log that goes away, or a limit on the size of files,
  // shows as a failed write (EPIPE, EFBIG) that the run reports, instead of
  // a signal that would end it without a word.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  // A batch scheduler's SIGTERM at the time limit (or the SIGUSR1, SIGUSR2
  // or SIGXCPU that some send before it), SIGINT or SIGHUP leaves no
  // temporary file behind.
  remove_temporary_files_on_signals();
  log_output log;
  run_progress progress;
  int status;
  try {
    status = run(argc, argv, progress);
  } catch (...) {
    status = report_failure(progress.where());
  }
  log.report(status == 0 || status == status_failed_snps);
  return status;
}
