// libFuzzer target over the command-line check, the reading of the input
// files (intensity, SNP-information and sex files) and the checks of the
// intensities read, through the program's public entry points only.
//
// A fuzz input is a command line and up to six file contents, in sections
// separated by a line "---":
//
//   -i @1 @2 -f @3 -snps 1 2
//   ---
//   <contents of file 1>
//   ---
//   <contents of file 2>
//   ...
//
// The words of the first section (split at blanks and line ends) are the
// command line; a word "@k" names the file made of section k, written to a
// scratch directory. Other words cannot name a file elsewhere: their '/'
// become '_' (a word such as /dev/zero would read for ever). A user_error
// is the program's orderly refusal and is fine; any other exception, a
// crash, a leak or undefined behaviour is a finding.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "input.h"
#include "intensity_checks.h"
#include "options.h"

namespace {

const std::string separator = "\n---\n";
const size_t max_files = 6;

// The scratch directory of this process, removed at exit.
const char* scratch_dir() {
  static char dir[] = "/tmp/velmar_fuzz_XXXXXX";
  static const bool made = [] {
    if (!mkdtemp(dir)) std::abort();
    std::atexit([] { std::filesystem::remove_all(dir); });
    return true;
  }();
  (void)made;
  return dir;
}

std::vector<std::string> sections_of(const std::string& input) {
  std::vector<std::string> sections;
  size_t from = 0;
  while (sections.size() <= max_files) {
    size_t at = input.find(separator, from);
    if (at == std::string::npos || sections.size() == max_files) {
      sections.push_back(input.substr(from));
      break;
    }
    sections.push_back(input.substr(from, at - from));
    from = at + separator.size();
  }
  return sections;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string input(reinterpret_cast<const char*>(bytes), size);
  const std::vector<std::string> sections = sections_of(input);
  const std::string dir = scratch_dir();

  // The files: section k as the file "k" of the scratch directory; the
  // files of an earlier input are removed first.
  for (size_t k = 1; k <= max_files; ++k)
    std::filesystem::remove(dir + "/" + std::to_string(k));
  for (size_t k = 1; k < sections.size(); ++k) {
    std::ofstream file(dir + "/" + std::to_string(k), std::ios::binary);
    file << sections[k];
  }

  // The command line: argv[0], then the words of section 0, "@k" standing
  // for file k. A word is cut at a NUL byte, as a real command line would be.
  std::vector<std::string> words = {"velmar++"};
  std::istringstream line(sections[0]);
  for (std::string w; line >> w;) {
    w = w.substr(0, w.find('\0'));
    for (char& c : w)
      if (c == '/') c = '_';
    if (w.size() > 1 && w[0] == '@') w = dir + "/" + w.substr(1);
    words.push_back(w);
  }
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  // The reading logs to standard output and warns on standard error; a
  // failed stream writes nothing (the sanitizers report on the descriptor).
  std::cout.setstate(std::ios::failbit);
  std::cerr.setstate(std::ios::failbit);
  try {
    check_command_line(argc, argv.data());
    data d;
    read_input_options(argc, argv.data(), d);
    d.read_data();
    read_run_options(argc, argv.data(), d);
    validate_options(d);
    intensity_warnings(d);
  } catch (const user_error&) {
    // An orderly refusal of the command line or of a file.
  }
  return 0;
}
