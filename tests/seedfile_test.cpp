// Seed files: the directory, the exact bytes of the files, round trips that
// continue each generator's stream, the copy-back on destruction, and every
// failure.  Every file goes to a fresh temporary directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "library_errors.h"
#include "myexcept.h"
#include "scratch_dir.h"
#include "vargen1.h"

namespace {

namespace fs = std::filesystem;
using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

#define EXPECT_FAILS_WITH(E, text, statement) \
  EXPECT_NE(message_of<E>([&] { statement; }).find(text), std::string::npos) << #statement

void write_file(const fs::path& p, const std::string& content) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
}

// The names of the entries of a directory, sorted.
std::vector<std::string> entries_of(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs f with the file-size limit set to `bytes`, a write beyond which fails
// (instead of raising SIGXFSZ), and then puts the limit back.
template <class F>
void with_file_size_limit(rlim_t bytes, F f) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = bytes;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  f();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
}

const std::string marker = "!Vargen03!";

class SeedFiles : public ScratchDirTest {
 protected:
  void SetUp() override {
    Random::RNG = Random::Dummy;
    Random::SetDirectory((dir_ + "/").c_str());
  }
  void TearDown() override {
    Random::RNG = Random::Dummy;
    Random::SetDirectory("");
    std::error_code ec;
    fs::remove(dir_ + "wh.txt", ec);  // the file of the directory rule
  }
  fs::path file(const char* name) const { return path(name); }
};

// ---------------------------------------------------------------------------
// Bytes

TEST_F(SeedFiles, WichmannHillFileIsOneExactLine) {
  WH wh(0.5);
  wh.CSTD();
  EXPECT_EQ(read_file(file("wh.txt")), "!Vargen03!00003B1E000004D20000162E!Vargen03!\n");
}

// The standard library's mt19937 prints its 624 state words and then the
// index of the next one, which are exactly the fields of the MT seed file.
std::string reference_mt_payload(const std::mt19937& engine) {
  std::ostringstream text;
  text << engine;
  std::istringstream fields(text.str());
  std::ostringstream hex;
  std::uint64_t v;
  while (fields >> v) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(v));
    hex << digits;
  }
  return hex.str();
}

TEST_F(SeedFiles, TwisterFileHoldsTheStateAndTheIndex) {
  MT mt(0.5);  // seed word 0x80000000
  mt.CSTD();
  const std::string fresh = read_file(file("mt19937.txt"));
  EXPECT_EQ(fresh.size(), 5021u);
  std::mt19937 reference(0x80000000u);
  EXPECT_EQ(fresh, marker + reference_mt_payload(reference) + marker + "\n");
  EXPECT_EQ(fresh.substr(10, 8), "80000000");
  EXPECT_EQ(fresh.substr(5002), "00000270" + marker + "\n");  // the index 624

  // After 1000 draws: the regenerated block and the index 376.
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(mt.ulNext(), reference());
  mt.CSTD();  // overwrites its own earlier file
  const std::string later = read_file(file("mt19937.txt"));
  EXPECT_EQ(later.size(), 5021u);
  EXPECT_EQ(later, marker + reference_mt_payload(reference) + marker + "\n");
  EXPECT_EQ(later.substr(5002, 8), "00000178");
}

TEST_F(SeedFiles, PathIsTheDirectoryFollowedDirectlyByTheName) {
  const std::string without_slash = dir_;
  Random::SetDirectory(without_slash.c_str());
  WH wh(0.5);
  wh.CSTD();
  EXPECT_TRUE(fs::exists(without_slash + "wh.txt"));
  EXPECT_FALSE(fs::exists(file("wh.txt")));
  fs::remove(without_slash + "wh.txt");

  Random::SetDirectory((without_slash + "/").c_str());
  wh.CSTD();
  EXPECT_TRUE(fs::exists(file("wh.txt")));
}

TEST_F(SeedFiles, EveryGeneratorWritesItsOwnFile) {
  MT mt(0.5);
  WH wh(0.5);
  MotherOfAll mother(0.5);
  MultWithCarry mwc(0.5);
  LGM_simple simple(0.5);
  LGM_mixed mixed(0.5);
  FM fm(0.5);
  const std::pair<Random*, const char*> all[] = {
      {&mt, "mt19937.txt"}, {&wh, "wh.txt"},      {&mother, "mother.txt"},
      {&mwc, "multwc.txt"}, {&simple, "lgm.txt"}, {&mixed, "lgm_mix.txt"},
      {&fm, "fm.txt"}};
  const std::size_t digits[] = {5000, 24, 80, 16, 8, 8, 8};
  for (std::size_t i = 0; i < 7; ++i) {
    all[i].first->CSTD();
    const std::string text = read_file(file(all[i].second));
    EXPECT_EQ(text.size(), 21 + digits[i]) << all[i].second;
    EXPECT_EQ(text.substr(0, 10), marker);
    EXPECT_EQ(text.substr(10 + digits[i]), marker + "\n");
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF", 10), 10 + digits[i]);
  }
  EXPECT_EQ(read_file(file("multwc.txt")),
            marker + "80000000" + "0012D687" + marker + "\n");
  EXPECT_EQ(read_file(file("lgm.txt")), marker + "40000000" + marker + "\n");
  EXPECT_EQ(read_file(file("fm.txt")), marker + "40000000" + marker + "\n");
  // LGM_mixed's x has made its 128 table steps.
  LGM_base base(0.5);
  std::int64_t x = 0;
  for (int i = 0; i < 128; ++i) x = base.NextValue();
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(x));
  EXPECT_EQ(read_file(file("lgm_mix.txt")), marker + hex + marker + "\n");
}

TEST_F(SeedFiles, MotherOfAllFileOfAFreshGeneratorHoldsItsFilledLags) {
  MotherOfAll fresh(0.5);
  fresh.CSTD();
  const std::string before = read_file(file("mother.txt"));
  MotherOfAll drawn(0.5);
  drawn.ulNext();
  // The lags written before the first draw are the ones it starts from: the
  // same file again after rewriting (no undefined values), and a stream that
  // goes on as the generator's own.
  fresh.CSTD();
  EXPECT_EQ(read_file(file("mother.txt")), before);
  MotherOfAll reader(0.25);
  reader.CSFD(false);
  EXPECT_EQ(reader.ulNext(), 2643776130UL);
  EXPECT_EQ(reader.ulNext(), 1025510838UL);
  EXPECT_EQ(fresh.ulNext(), 2643776130UL);
}

// ---------------------------------------------------------------------------
// Round trips

// Draws from `writer`, saves it, notes what it draws next, and checks that a
// generator of the same class from another seed continues with exactly that
// after reading the file.
void expect_round_trip(Random& writer, Random& reader, int burn) {
  for (int i = 0; i < burn; ++i) writer.Next();
  writer.CSTD();
  std::vector<double> expected(2000);
  for (double& v : expected) v = writer.Next();
  reader.CSFD(false);
  for (std::size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(reader.Next(), expected[i]) << writer.Name() << ", draw " << i;
}

TEST_F(SeedFiles, ReadingTheFileContinuesTheStream) {
  for (int burn : {0, 1, 37, 1000}) {
    SCOPED_TRACE(burn);
    {
      WH a(0.5), b(0.9);
      expect_round_trip(a, b, burn);
    }
    {
      MotherOfAll a(0.5), b(0.9);
      expect_round_trip(a, b, burn);
    }
    {
      MultWithCarry a(0.5), b(0.9);
      expect_round_trip(a, b, burn);
    }
    {
      LGM_simple a(0.5), b(0.9);
      expect_round_trip(a, b, burn);
    }
    {
      FM a(0.5), b(0.9);
      expect_round_trip(a, b, burn);
    }
  }
}

TEST_F(SeedFiles, TwisterRoundTripRestoresTheSharedStream) {
  for (int burn : {0, 1, 623, 624, 1000}) {
    MT mt(0.5);
    for (int i = 0; i < burn; ++i) mt.ulNext();
    mt.CSTD();
    std::vector<unsigned long> expected(1500);
    for (auto& v : expected) v = mt.ulNext();
    MT other(0.9);  // restarts the shared stream elsewhere
    other.CSFD(false);
    for (std::size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(mt.ulNext(), expected[i]) << "burn " << burn << ", draw " << i;
  }
}

TEST_F(SeedFiles, MixedGeneratorRebuildsItsTableFromTheStoredState) {
  // Only x is stored: after reading, the stream is that of a new generator
  // whose seeding produced that x.
  LGM_mixed writer(0.5);
  for (int i = 0; i < 10; ++i) writer.Next();
  writer.CSTD();
  const std::string text = read_file(file("lgm_mix.txt"));
  const std::int64_t x = std::stoll(text.substr(10, 8), nullptr, 16);
  LGM_mixed expected(static_cast<double>(x) / 2147483648.0);
  LGM_mixed reader(0.9);
  reader.CSFD(false);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(reader.Next(), expected.Next()) << i;
}

TEST_F(SeedFiles, WhiteSpaceBetweenCharactersIsSkipped) {
  write_file(file("wh.txt"),
             " !Vargen03!\n0000 3B1E\n000004D2  0000162E\t!Vargen03!\n\n");
  WH reader(0.9);
  reader.CSFD(false);
  WH reference(0.5);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(reader.Next(), reference.Next());
}

// ---------------------------------------------------------------------------
// Copy-back and the installed generator

TEST_F(SeedFiles, ReadingWithCopyBackWritesTheAdvancedStateOnDestruction) {
  {
    FM writer(0.5);
    writer.CSTD();
  }
  std::vector<double> continuation;
  {
    FM a(0.3);
    a.CSFD(true);
    for (int i = 0; i < 5; ++i) a.Next();
    FM probe(0.3);
    probe.CSFD(false);
    for (int i = 0; i < 5; ++i) probe.Next();
    for (int i = 0; i < 5; ++i) continuation.push_back(probe.Next());
  }  // a writes its file here
  FM b(0.7);
  b.CSFD(false);
  for (double v : continuation) EXPECT_EQ(b.Next(), v);

  // Without copy-back, or after a failed read, nothing is written.
  fs::remove(file("fm.txt"));
  {
    FM writer(0.5);
    writer.CSTD();
    FM c(0.3);
    c.CSFD(false);
    fs::remove(file("fm.txt"));
  }
  EXPECT_FALSE(fs::exists(file("fm.txt")));
  write_file(file("fm.txt"), marker + "0000");
  {
    FM d(0.3);
    EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't open seed file", d.CSFD(true));
    fs::remove(file("fm.txt"));
  }
  EXPECT_FALSE(fs::exists(file("fm.txt")));
}

TEST_F(SeedFiles, CopiesGoThroughTheInstalledGenerator) {
  {
    MultWithCarry writer(0.5);
    Random::Set(writer);
    Random::CopySeedToDisk();
    EXPECT_EQ(read_file(file("multwc.txt")), marker + "800000000012D687" + marker + "\n");
  }
  std::vector<double> expected;
  {
    MultWithCarry reference(0.5);
    for (int i = 0; i < 4; ++i) expected.push_back(reference.Next());
  }
  {
    MultWithCarry installed(0.1);
    Random::Set(installed);
    Random::CopySeedFromDisk(true);
    Uniform u;
    EXPECT_EQ(u.Next(), expected[0]);
    EXPECT_EQ(u.Next(), expected[1]);
  }  // copy-back
  EXPECT_EQ(Random::RNG, Random::Dummy);
  MultWithCarry after(0.1);
  after.CSFD(false);
  EXPECT_EQ(after.Next(), expected[2]);
  EXPECT_EQ(after.Next(), expected[3]);
}

TEST_F(SeedFiles, CopiesNeedADirectoryAndAGenerator) {
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: uniform rng not setup",
                    Random::CopySeedToDisk());
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: uniform rng not setup",
                    Random::CopySeedFromDisk(false));
  Random::SetDirectory("");
  WH wh(0.5);
  Random::Set(wh);
  EXPECT_FAILS_WITH(Logic_error, "Vargen: directory not defined",
                    Random::CopySeedToDisk());
  EXPECT_FAILS_WITH(Logic_error, "Vargen: directory not defined",
                    Random::CopySeedFromDisk(true));
  Random::RNG = Random::Dummy;
  EXPECT_FAILS_WITH(Logic_error, "Vargen: directory not defined",
                    Random::CopySeedToDisk());
}

// ---------------------------------------------------------------------------
// Failures of reading

TEST_F(SeedFiles, ReadingFailures) {
  WH wh(0.5);
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't open seed file",
                    wh.CSFD(false));  // missing

  write_file(file("wh.txt"), "");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "  \n ");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "!Vargen02!00003B1E000004D20000162E!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "Vargen03!00003B1E000004D20000162E!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "!Varg");  // the opening marker cut short
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  // The payload complete, the closing marker missing, cut short or wrong.
  write_file(file("wh.txt"), "!Vargen03!00003B1E000004D20000162E");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "!Vargen03!00003B1E000004D20000162E!Vargen0");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  write_file(file("wh.txt"), "!Vargen03!00003B1E000004D20000162E!VARGEN03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));
  // A digit too many leaves a digit where the closing marker should begin.
  write_file(file("wh.txt"), "!Vargen03!00003B1E000004D20000162E0!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    wh.CSFD(false));

  // The payload cut short, inside a field or at a field's end.
  for (const char* cut : {"!Vargen03!00003B1E000004", "!Vargen03!00003B1E", "!Vargen03!",
                          "!Vargen03!0\n"}) {
    write_file(file("wh.txt"), cut);
    EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't open seed file", wh.CSFD(false));
  }

  // Digits outside "0" to "9" and "A" to "F", lower case included.
  write_file(file("wh.txt"), "!Vargen03!00003b1e000004d20000162e!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "vargen: invalid character in unhex", wh.CSFD(false));
  write_file(file("wh.txt"), "!Vargen03!00003B1G000004D20000162E!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "vargen: invalid character in unhex", wh.CSFD(false));
  write_file(file("wh.txt"), "!Vargen03!0x003B1E000004D20000162E!Vargen03!\n");
  EXPECT_FAILS_WITH(Runtime_error, "vargen: invalid character in unhex", wh.CSFD(false));
}

TEST_F(SeedFiles, FishmanMooreKeepsItsStateUntilTheWholeFileIsRead) {
  FM fm(0.5);
  FM reference(0.5);
  write_file(file("fm.txt"), marker + "12345678" + "!Vargen0");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                    fm.CSFD(false));
  write_file(file("fm.txt"), marker + "1234");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't open seed file", fm.CSFD(false));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(fm.Next(), reference.Next());
}

TEST_F(SeedFiles, TwisterIndexOutsideTheStateIsRefused) {
  MT mt(0.5);
  for (int i = 0; i < 100; ++i) mt.ulNext();
  mt.CSTD();
  const std::string good = read_file(file("mt19937.txt"));
  ASSERT_EQ(good.substr(5002, 8), "00000064");
  std::vector<unsigned long> expected(1000);
  MT other(0.5);
  for (int i = 0; i < 100; ++i) other.ulNext();
  for (auto& v : expected) v = other.ulNext();

  for (const char* index : {"00000271", "FFFFFFFF", "80000000", "00001000"}) {
    MT again(0.5);
    for (int i = 0; i < 100; ++i) again.ulNext();
    std::string bad = good;
    bad.replace(5002, 8, index);
    write_file(file("mt19937.txt"), bad);
    EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails",
                      again.CSFD(true));
    // The words read are the stream's own and its index was kept: the stream
    // goes on unharmed, and nothing is written back.
    for (std::size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(again.ulNext(), expected[i]) << index << ", draw " << i;
  }
  // The extremes of the valid range are accepted.
  for (const char* index : {"00000000", "00000270"}) {
    std::string edge = good;
    edge.replace(5002, 8, index);
    write_file(file("mt19937.txt"), edge);
    EXPECT_EQ(message_of<Runtime_error>([&] { mt.CSFD(false); }), "<no exception>");
    mt.ulNext();
  }
}

// ---------------------------------------------------------------------------
// Failures of writing

TEST_F(SeedFiles, ForeignContentIsNotOverwritten) {
  write_file(file("wh.txt"), "my notes\n");
  WH wh(0.5);
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails", wh.CSTD());
  EXPECT_EQ(read_file(file("wh.txt")), "my notes\n");
  write_file(file("wh.txt"), "!Vargen99!");
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails", wh.CSTD());
  EXPECT_EQ(read_file(file("wh.txt")), "!Vargen99!");

  // An empty or blank file, or an earlier seed file, is replaced.
  for (const char* old : {"", " \n", "!Vargen03!garbage after the marker"}) {
    write_file(file("wh.txt"), old);
    EXPECT_EQ(message_of<Runtime_error>([&] { wh.CSTD(); }), "<no exception>") << old;
    EXPECT_EQ(read_file(file("wh.txt")),
              "!Vargen03!00003B1E000004D20000162E!Vargen03!\n");
  }
}

TEST_F(SeedFiles, AFileThatCannotBeWrittenFails) {
  Random::SetDirectory((dir_ + "/no-such-directory/").c_str());
  WH wh(0.5);
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't access seed file", wh.CSTD());
  MT mt(0.5);
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't access seed file", mt.CSTD());
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't open seed file", mt.CSFD(false));

  // A directory where the file should be, and a seed file that may not be
  // written (permissions do not bind root), stay as they are, and nothing is
  // left beside them.
  Random::SetDirectory((dir_ + "/").c_str());
  fs::create_directory(file("wh.txt"));
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't access seed file", wh.CSTD());
  EXPECT_TRUE(fs::is_directory(file("wh.txt")));
  fs::remove(file("wh.txt"));
  if (geteuid() != 0) {
    write_file(file("wh.txt"), marker + marker + "\n");
    fs::permissions(file("wh.txt"), fs::perms::owner_read);
    EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't access seed file", wh.CSTD());
    EXPECT_EQ(read_file(file("wh.txt")), marker + marker + "\n");
    fs::remove(file("wh.txt"));
  }
  EXPECT_EQ(entries_of(dir_), std::vector<std::string>{});
}

TEST_F(SeedFiles, AWriteCutShortByTheFileSizeLimitFails) {
  // The buffered line reaches the file only when the file is closed; a
  // failure there is reported, not passed over.
  MT mt(0.5);
  std::string message;
  with_file_size_limit(1000,
                       [&] { message = message_of<Runtime_error>([&] { mt.CSTD(); }); });
  EXPECT_NE(message.find("Vargen: can't access seed file"), std::string::npos) << message;
}

TEST_F(SeedFiles, AFailedWriteLeavesThePreviousFileWhole) {
  {
    MT writer(0.5);
    writer.CSTD();
  }
  const std::string previous = read_file(file("mt19937.txt"));
  // A write asked for, and the copy-back of a destructor, both cut short.
  MT asked(0.7);
  with_file_size_limit(1000, [&] {
    EXPECT_FAILS_WITH(Runtime_error, "Vargen: can't access seed file", asked.CSTD());
  });
  EXPECT_EQ(read_file(file("mt19937.txt")), previous);
  auto* copying_back = new MT(0.7);
  copying_back->CSFD(true);
  copying_back->ulNext();
  ::testing::internal::CaptureStderr();
  with_file_size_limit(1000, [&] { delete copying_back; });
  EXPECT_NE(
      ::testing::internal::GetCapturedStderr().find("MT19937 could not be written back"),
      std::string::npos);
  EXPECT_EQ(read_file(file("mt19937.txt")), previous);
  // Nothing of the failed writes is left beside it.
  EXPECT_EQ(entries_of(dir_), std::vector<std::string>{"mt19937.txt"});
}

// ---------------------------------------------------------------------------
// A destructor whose copy-back fails

TEST_F(SeedFiles, DestructorReportsAFailedCopyBackWithoutThrowing) {
  WH writer(0.5);
  writer.CSTD();
  auto* wh = new WH(0.3);
  wh->CSFD(true);
  Random::Set(*wh);
  write_file(file("wh.txt"), "replaced by someone else\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(message_of<Runtime_error>([&] { delete wh; }), "<no exception>");
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(
      report,
      "Vargen: the seed file of Wichmann Hill could not be written back when it was "
      "destroyed\n");
  EXPECT_EQ(Random::RNG, Random::Dummy);  // handed back all the same
  EXPECT_EQ(read_file(file("wh.txt")), "replaced by someone else\n");

  // An explicit copy before the destruction throws the failure.
  WH other(0.3);
  EXPECT_FAILS_WITH(Runtime_error, "Vargen: seed file verification fails", other.CSTD());
}

TEST_F(SeedFiles, DestructorDuringUnwindingLetsTheExceptionThrough) {
  {
    MT writer(0.5);
    writer.CSTD();
  }
  std::string caught;
  try {
    MT mt(0.5);
    mt.CSFD(true);
    Random::Set(mt);
    write_file(file("mt19937.txt"), "not a seed file\n");
    ::testing::internal::CaptureStderr();
    throw std::runtime_error("the first failure");
  } catch (const std::runtime_error& e) {
    caught = e.what();
  } catch (...) {
    caught = "<another exception>";
  }
  EXPECT_NE(
      ::testing::internal::GetCapturedStderr().find("MT19937 could not be written back"),
      std::string::npos);
  EXPECT_EQ(caught, "the first failure");
  EXPECT_EQ(Random::RNG, Random::Dummy);
  EXPECT_EQ(read_file(file("mt19937.txt")), "not a seed file\n");
}

}  // namespace
