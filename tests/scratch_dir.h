// A test fixture with a fresh directory of its own for the files a test
// writes, removed with everything in it after the test.
#ifndef VELMAR_TESTS_SCRATCH_DIR_H
#define VELMAR_TESTS_SCRATCH_DIR_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velmar_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The path of file `name` in the directory.
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes `text` as file `name` and returns its path.
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
  }

  std::string dir_;
};

#endif  // VELMAR_TESTS_SCRATCH_DIR_H
