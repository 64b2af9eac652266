// Capturing standard output in tests of the caller.
//
//   CaptureStdout out;                 // at the stream's present precision
//   CaptureStdout out(kRunPrecision);  // at the run's 10 digits
//   print_something();
//   EXPECT_EQ(out.text(), "...");
//   EXPECT_EQ(lines_of(out.text())[2], "...");
//
// While the object lives, std::cout writes into it; its destructor puts the
// stream's buffer back and, if the object set a precision, the precision.
#ifndef VELMAR_TESTS_CAPTURE_STDOUT_H
#define VELMAR_TESTS_CAPTURE_STDOUT_H

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

// The precision of standard output during a run (set when the data are read).
inline constexpr std::streamsize kRunPrecision = 10;

class CaptureStdout {
 public:
  CaptureStdout() : old_(std::cout.rdbuf(out_.rdbuf())) {}
  explicit CaptureStdout(std::streamsize precision)
      : old_(std::cout.rdbuf(out_.rdbuf())),
        precision_(std::cout.precision(precision)),
        restore_precision_(true) {}
  ~CaptureStdout() {
    std::cout.rdbuf(old_);
    if (restore_precision_) std::cout.precision(precision_);
  }
  CaptureStdout(const CaptureStdout&) = delete;
  CaptureStdout& operator=(const CaptureStdout&) = delete;

  // Everything written so far.
  std::string text() const { return out_.str(); }

 private:
  std::ostringstream out_;
  std::streambuf* old_;
  std::streamsize precision_ = 0;
  bool restore_precision_ = false;
};

// The lines of a captured text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

#endif  // VELMAR_TESTS_CAPTURE_STDOUT_H
