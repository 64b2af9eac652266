// A fresh directory of its own for the files a test writes, removed with
// everything in it when the object goes.
//
//   class ResultFiles : public ScratchDirTest {};  // one for each test
//   ScratchDir scratch;  // one inside a test or a helper, or for a suite
//
// Both offer dir_ (or dir()), path(name), write(name, text) and
// copy_for_nobody(program), for a process run as the user nobody.
#ifndef VELMAR_TESTS_SCRATCH_DIR_H
#define VELMAR_TESTS_SCRATCH_DIR_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>

// The whole content of the file at `path`, byte for byte ("" when it cannot
// be read).
inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/velmar_test_XXXXXX";
    if (mkdtemp(pattern) == nullptr)
      throw std::runtime_error("cannot make a scratch directory in /tmp");
    dir_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& dir() const { return dir_; }

  // The path of file `name` in the directory.
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes `text` as file `name` and returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
  }

  // A copy of `program` here, in reach of the user nobody, as the build
  // directory may not be.
  std::string copy_for_nobody(const std::string& program) const {
    const std::string copy = path(std::filesystem::path(program).filename());
    std::filesystem::copy_file(program, copy,
                               std::filesystem::copy_options::overwrite_existing);
    chmod(dir_.c_str(), 0755);
    return copy;
  }

 protected:
  std::string dir_;
};

// A test fixture whose every test has a scratch directory of its own.
class ScratchDirTest : public ::testing::Test, public ScratchDir {};

#endif  // VELMAR_TESTS_SCRATCH_DIR_H
