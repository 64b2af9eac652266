// How the result files and the trace file "params" reach the disk: whole
// and together, or not at all.
//
// Each file is written beside its final name under a temporary name of its
// own, every write checked, and renamed over the final name only when the
// run succeeds (a link at the final name is replaced, never written
// through). The renames of one run happen while it holds a lock on the
// result files' directory, so that runs on one prefix on one host take
// turns and the final set is one run's whole set. A rename that fails
// midway leaves the files renamed before it in place; the message names
// them. SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2 and SIGXCPU remove every
// temporary file that exists before they end the process.
#ifndef VELMAR_RESULT_FILES_H
#define VELMAR_RESULT_FILES_H

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "fd_output.h"

// A file written under a temporary name beside its final name. A failure
// (the temporary file cannot be created, a write, the flush to disk or the
// close fails) is kept, and from then on everything written is dropped.
class staged_file {
 public:
  // Creates the temporary file "<name>.tmp.XXXXXX" (the part taken from
  // the name shortened when the whole would not fit the directory's limit
  // on names). A final name that the rename could not replace (a
  // directory; another user's file in a sticky directory) is a failure.
  explicit staged_file(const std::string& name);
  // Removes the temporary file unless it was renamed.
  ~staged_file();
  staged_file(const staged_file&) = delete;
  staged_file& operator=(const staged_file&) = delete;

  const std::string& name() const { return name_; }
  // The errno of the first failure, 0 while none.
  int error() const { return buffer_ ? buffer_->error() : error_; }
  // Where the file's text goes, until finish().
  std::streambuf* buffer() { return buffer_.get(); }
  // Writes out what is buffered; returns error().
  int flush();
  // Empties the file, to be written afresh.
  void restart();
  // Ends the writing: the buffer written out, the file on disk and closed.
  void finish();
  // Renames the finished file over its final name; returns 0 or the errno.
  int rename_over_final_name();

 private:
  std::string name_;
  std::string temporary_;  // empty once renamed or removed
  int fd_ = -1;
  int error_ = 0;  // the failure kept by finish()
  std::unique_ptr<fd_output_buffer> buffer_;
};

// Renames every file over its final name, in order, once all of them are
// finished without a failure. Throws user_error naming every file that
// failed, and the system's reason, when any did (then none is renamed), or
// the file whose rename failed and those renamed before it. The renames
// wait for a lock on `directory` (another run renaming its files there),
// saying so on standard error when that takes over a second; a file system
// that refuses the lock draws a warning and the renames go on. The
// termination signals are held during the renames, not during the wait.
void rename_together(const std::vector<staged_file*>& files,
                     const std::string& directory);

class data;

// How many genotype files the run of `d` writes, from its options: one per
// intensity file (cohort), or one alone when "-single" pools the cohorts to
// the end of the fit (any value but 0 and 1; 1 splits them again). The
// writer, the check of the output place and the warning of other result
// files all take the count from here.
int genotype_file_count(const data& d);

// The result files of a run on `prefix`, in the order they are written:
// the genotype file of each of `n_cohorts` cohorts (genotype_file_count),
// the parameter file, the information file and, with `test`, the test
// file. (Defined with their writers.)
std::vector<std::string> result_file_names(const std::string& prefix, int n_cohorts,
                                           bool test);

// The trace file of "-print_params", in the working directory.
const char* const trace_file_name = "params";

// The directory of a file name: the part before its last '/', or ".".
std::string directory_of(const std::string& name);

// Before any input is read: throws user_error (naming -o) unless each of
// the result file names `names` fits their directory's limit on names, a
// file can be created in that directory, and a file renamed over each name
// would replace what is there: not a directory, nor another user's file in
// a directory with the sticky bit.
void check_output_place(const std::vector<std::string>& names);

// Before the fit: one warning on standard error when the last part of
// `prefix` is "." or ".." (as in "-o ." or "-o d/.."), naming the result
// files `names`: their names then begin with '.', and ls and most file
// managers hide them.
void warn_of_hidden_result_files(const std::string& prefix,
                                 const std::vector<std::string>& names);

// After a successful run: one warning on standard error for each file in
// the directory of `prefix` named as a run on it may name a result file
// ("<prefix>_<number>_mcmc", "<prefix>_tests") that is not among the files
// this run wrote, `written`. Such a file, left by an earlier run with more
// cohorts or with -test, is not of this run's results.
void warn_of_other_result_files(const std::string& prefix,
                                const std::vector<std::string>& written);

// From now on SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2 and SIGXCPU remove
// every temporary file of a staged_file before they end the process as
// they would have without; a signal ignored now stays ignored.
void remove_temporary_files_on_signals();

#endif
