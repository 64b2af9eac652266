// The caller's own error type, the exit statuses and the report of a
// failure that ends the run. A user_error is a fault the user can mend: a
// command-line value, an input file, or a result file that cannot be
// written. It is thrown where the fault is found, with the option or the file
// and line, caught once in main, printed to standard error, and the run ends
// with exit status 1.
#ifndef VELMAR_ERRORS_H
#define VELMAR_ERRORS_H

#include <stdexcept>
#include <string>

class user_error : public std::runtime_error {
 public:
  explicit user_error(const std::string& what) : std::runtime_error(what) {}
};

// Exit statuses of the program.
const int status_user_error = 1;        // a user_error
const int status_failed_snps = 2;       // results written, some SNPs failed
const int status_internal_failure = 3;  // the fit stopped; nothing written

// Called inside a catch block: prints "velmar++: " and the message of the
// exception being handled, followed by `where` (for instance " while fitting
// SNP 3 [rs123]"), to standard error and returns the exit status for it.
// Handles user_error (status_user_error, without `where`), the exceptions
// of the random-variate library (newmat's classes, which derive from no
// standard class), std::bad_alloc, any other std::exception and anything
// else (status_internal_failure).
int report_failure(const std::string& where);

#endif
