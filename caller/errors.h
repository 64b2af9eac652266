// The caller's own error type: thrown where a fault of the command line or
// of an input file is found, caught once in main, printed to standard error,
// and the run ends with exit status 1.
#ifndef VELMAR_ERRORS_H
#define VELMAR_ERRORS_H

#include <stdexcept>
#include <string>

class input_error : public std::runtime_error {
 public:
  explicit input_error(const std::string& what) : std::runtime_error(what) {}
};

#endif
