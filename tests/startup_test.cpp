// End-to-end runs of the velmar++ program: the console of a run, repeatable
// seeded runs, and runs that fail on the command line or the input, which
// end with status 1, a message on standard error, and no result file
// written or overwritten; a fit that fails (status 3, nothing written) or
// ends with values that are not numbers (status 2, every result written);
// and the report of each kind of exception that can end a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <set>
#include <sstream>
#include <string>

#include "errors.h"
#include "myexcept.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

namespace {

struct outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class StartupTest : public ScratchDirTest {
 protected:
  void SetUp() override { fs::create_directory(run_dir()); }

  fs::path run_dir() const { return path("run"); }

  // Writes `text` as file `name` of the run directory.
  void write(const std::string& name, const std::string& text) {
    std::ofstream out(run_dir() / name, std::ios::binary);
    out << text;
  }

  // Runs a program in the run directory; standard output and error are kept
  // outside it.
  outcome run_program(const std::string& program, const std::string& args) {
    std::string command = "cd '" + run_dir().string() + "' && '" + program + "' " + args +
                          " > '" + path("stdout") + "' 2> '" + path("stderr") + "'";
    int raw = std::system(command.c_str());
    outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = read_file(path("stdout"));
    o.err = read_file(path("stderr"));
    return o;
  }
  outcome velmar(const std::string& args) { return run_program(VELMAR_BIN, args); }

  void simulate(const std::string& args) {
    outcome o = run_program(SIMULATE_BIN, args + " --out .");
    ASSERT_EQ(o.status, 0) << o.err;
  }

  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(run_dir()))
      names.insert(entry.path().filename().string());
    return names;
  }
};

// Two cohorts of three individuals, three SNPs.
const char* const cohort_a =
    "SNP_ID rs position allele1 allele2 1x 1y 2x 2y 3x 3y\n"
    "s1 rs1 10 A C 1.0 0.1 0.1 1.0 0.5 0.5\n"
    "s2 rs2 20 A G 0.9 0.2 0.2 0.9 0.6 0.5\n"
    "s3 rs3 30 C T 1.1 0.1 0.1 1.1 0.5 0.6\n";
const char* const cohort_b =
    "SNP_ID rs position allele1 allele2 1x 1y 2x 2y 3x 3y\n"
    "s1 rs1 10 A C 1.0 0.2 0.2 1.0 0.5 0.4\n"
    "s2 rs2 20 A G 0.8 0.1 0.1 0.8 0.5 0.5\n"
    "s3 rs3 30 C T 1.2 0.2 0.2 1.2 0.4 0.6\n";

const char* const quick = " -nrs -ns 1 -nmax 2 -b 0 -n 2";

TEST_F(StartupTest, RunLogsTheInputThenFitsEverySnp) {
  write("a.txt", cohort_a);
  write("b.txt", cohort_b);
  outcome o = velmar(std::string("-i a.txt b.txt -o res") + quick);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string head =
      "\nvelmar++\n========\n\n"
      "setting precision\nreading data\n # snps = 3\n snp range 1-3\n"
      " cohort 0 # ind = 3\n cohort 1 # ind = 3\n"
      " reading file : a.txt\n\r snp [1/3]\r snp [2/3]\r snp [3/3]\n"
      " reading file : b.txt\n\r snp [1/3]\r snp [2/3]\r snp [3/3]\n"
      "..done\n\nalgorithm\n\nsnp 1 [rs1] \n";
  EXPECT_EQ(o.out.substr(0, head.size()), head);
  EXPECT_NE(o.out.find("\nsnp 2 [rs2] \n"), std::string::npos);
  EXPECT_NE(o.out.find("\nsnp 3 [rs3] \n"), std::string::npos);
  const std::string tail = "finished\n";
  ASSERT_GE(o.out.size(), tail.size());
  EXPECT_EQ(o.out.substr(o.out.size() - tail.size()), tail);
  std::set<std::string> want = {"a.txt",      "b.txt",      "res_0_mcmc",
                                "res_1_mcmc", "res_params", "res_information"};
  EXPECT_EQ(files(), want);
}

TEST_F(StartupTest, SeededRunsRepeatAndCompressionChangesNothing) {
  simulate("--seed 11 --cohorts 2 --individuals 40 --snps 3 --snpinfo");
  std::string args = std::string("-i cohort0.txt cohort1.txt -f snpinfo.txt") + quick;
  outcome first = velmar(args + " -o first");
  ASSERT_EQ(first.status, 0) << first.err;
  outcome second = velmar(args + " -o second");
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(first.out, second.out);

  simulate("--seed 11 --cohorts 2 --individuals 40 --snps 3 --snpinfo --compress gzip");
  outcome gz = velmar(
      std::string("-gz -i cohort0.txt.gz cohort1.txt.gz -f snpinfo.txt -o gz") + quick);
  ASSERT_EQ(gz.status, 0) << gz.err;
  simulate("--seed 11 --cohorts 2 --individuals 40 --snps 3 --snpinfo --compress bzip2");
  outcome bz2 = velmar(
      std::string("-bz2 -i cohort0.txt.bz2 cohort1.txt.bz2 -f snpinfo.txt -o bz2") +
      quick);
  ASSERT_EQ(bz2.status, 0) << bz2.err;

  for (const char* suffix : {"_0_mcmc", "_1_mcmc", "_params", "_information"}) {
    std::string base = read_file(run_dir() / (std::string("first") + suffix));
    EXPECT_FALSE(base.empty()) << suffix;
    EXPECT_EQ(read_file(run_dir() / (std::string("second") + suffix)), base) << suffix;
    EXPECT_EQ(read_file(run_dir() / (std::string("gz") + suffix)), base) << suffix;
    EXPECT_EQ(read_file(run_dir() / (std::string("bz2") + suffix)), base) << suffix;
  }
}

class StartupFailureTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    write("a.txt", cohort_a);
    write("b.txt", cohort_b);
    write("out_0_mcmc", "earlier result\n");
  }
  // A failing run: status 1, the message on standard error, the result
  // file of an earlier run untouched and no other file written, not even the
  // temporary file of the trace "params" ("-print_params").
  void expect_fails(const std::string& args, const std::string& message,
                    outcome* result = nullptr) {
    std::set<std::string> before = files();
    outcome o = velmar("-print_params " + args);
    EXPECT_EQ(o.status, 1) << args;
    EXPECT_EQ(o.err, "velmar++: " + message + "\n");
    EXPECT_EQ(files(), before) << args;
    EXPECT_EQ(read_file(run_dir() / "out_0_mcmc"), "earlier result\n");
    if (result) *result = o;
  }
};

TEST_F(StartupFailureTest, BadCommandLines) {
  expect_fails("-i a.txt -nmax abc", "-nmax: expected a whole number, got 'abc'");
  expect_fails("-i a.txt -n 1e3", "-n: expected a whole number, got '1e3'");
  expect_fails("-i a.txt -nmax", "-nmax: expected a whole number, got nothing");
  expect_fails("-i a.txt -pk 3", "-pk: expected two numbers a and b, got only '3'");
  expect_fails("-nrs", "-i: no intensity file given; name one per cohort");
  expect_fails("-i a.txt -chrX",
               "-chrX: X-chromosome mode needs one sex file per cohort, got 0 "
               "for 1 intensity file");
  expect_fails("-i a.txt -ns 0", "-ns: expected a whole number of at least 1, got 0");
  expect_fails("-i a.txt -paf 2", "-paf: expected a frequency between 0 and 1, got 2");
  expect_fails("-i a.txt -fraction_var_prior 1 1",
               "-fraction_var_prior: the prior pair 1 1 starts the dispersion at "
               "2a/(a+b) = 1, which must lie strictly between 0 and 1");
  // Values that once stopped the fit with an uncaught exception, or ended it
  // with nan in the result files.
  expect_fails("-i a.txt -pk 0 0",
               "-pk: expected a positive number as its first value, got 0");
  expect_fails("-i a.txt -c_alpha_cohorts 0",
               "-c_alpha_cohorts: expected a number strictly between 0 and 1, got 0");
  // Counts beyond the fit's int counters (once every genotype value 0).
  expect_fails("-i a.txt -b 2147483000 -n 2000",
               "-b and -n: the burn-in plus the iterations of stage 2, 2147483000 + "
               "2000, must be at most 2147483647");
  expect_fails("-i a.txt -nmax 2147483647",
               "-nmax: expected a whole number of at most 2147483646, got 2147483647");
  // Once a run of no stage-1 sweep with status 0.
  expect_fails("-i a.txt -nmax -5",
               "-nmax: expected a whole number of at least 0, got -5");
  expect_fails("-i a.txt -o ''", "-o: expected an output prefix, got ''");
  // A sex file too many: b.txt was meant as an intensity file.
  expect_fails("-i a.txt -chrX s0.txt b.txt s1.txt",
               "-chrX: X-chromosome mode needs one sex file per cohort, got 3 "
               "for 1 intensity file");
}

TEST_F(StartupFailureTest, FailureInsideTheFitNamesTheSnpAndWritesNothing) {
  // A Dirichlet concentration the random-variate library cannot draw with.
  std::set<std::string> before = files();
  outcome o = velmar(std::string("-i a.txt b.txt -pgd 1e306") + quick);
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(o.err, "velmar++: Vargen: area too large (a) while fitting SNP 1 [rs1]\n");
  EXPECT_EQ(files(), before);
  EXPECT_EQ(read_file(run_dir() / "out_0_mcmc"), "earlier result\n");
}

TEST_F(StartupTest, SnpsWhoseFitEndsInNanAreNamedAndEveryResultIsWritten) {
  write("a.txt", cohort_a);
  // A dispersion so small that the prior frequency's Beta density is nan.
  outcome o =
      velmar(std::string("-i a.txt -paf 0.3 -c_alpha_prior 1e-307 -snps 2 3") + quick);
  EXPECT_EQ(o.status, 2);
  for (const char* snp : {"SNP 2 [rs2]", "SNP 3 [rs3]"})
    EXPECT_NE(o.err.find(std::string("velmar++: ") + snp +
                         ": the fit ended with values that are not finite "
                         "numbers: final_log_posterior = "),
              std::string::npos)
        << o.err;
  EXPECT_NE(o.err.find("velmar++: the fit of 2 of 2 SNPs failed"), std::string::npos);
  EXPECT_EQ(files(), (std::set<std::string>{"a.txt", "out_0_mcmc", "out_params",
                                            "out_information"}));
  EXPECT_NE(o.out.find("finished\n"), std::string::npos);
}

// Every kind of exception that can leave the run: its message and status.
TEST(FailureReport, EveryExceptionEndsWithAMessageAndAStatusBelow128) {
  struct kind {
    std::function<void()> raise;
    std::string message;
    int status;
  };
  const std::string where = " while fitting SNP 3 [rs123]";
  const kind kinds[] = {
      {[] { throw user_error("-nmax: expected a whole number, got 'x'"); },
       "-nmax: expected a whole number, got 'x'", 1},
      {[] { throw RBD_COMMON::Logic_error("Vargen: illegal parameters"); },
       "Vargen: illegal parameters" + where, 3},
      {[] { throw RBD_COMMON::Runtime_error("Vargen: area too large"); },
       "Vargen: area too large" + where, 3},
      {[] { throw std::bad_alloc(); }, "out of memory" + where, 3},
      {[] { throw std::logic_error("a tally without a call"); },
       "a tally without a call" + where, 3},
      {[] { throw 42; }, "unknown failure" + where, 3},
  };
  for (const kind& k : kinds) {
    testing::internal::CaptureStderr();
    int status = -1;
    try {
      k.raise();
    } catch (...) {
      status = report_failure(where);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "velmar++: " + k.message + "\n");
    EXPECT_EQ(status, k.status) << k.message;
  }
}

TEST_F(StartupFailureTest, CommandLineIsCheckedBeforeTheInputIsRead) {
  outcome o;
  expect_fails("-i a.txt -fancy 0",
               "-fancy: expected a whole number of at least 1, got 0", &o);
  EXPECT_EQ(o.out.find("reading data"), std::string::npos);
}

TEST_F(StartupFailureTest, BadInputs) {
  expect_fails("-i a.txt missing.txt",
               "cannot open intensity file 'missing.txt' (No such file or directory)");
  expect_fails(
      "-i a.txt -f missing.txt",
      "-f: cannot open SNP-information file 'missing.txt' (No such file or directory)");
  expect_fails("-i a.txt -snps 7 9",
               "-snps: the range starts at SNP 7, but intensity file 'a.txt' "
               "holds only 3 SNPs");
  write("bad.txt",
        std::string(cohort_b).replace(std::string(cohort_b).find("0.8 0.1"), 7, "0.8"));
  expect_fails("-i a.txt bad.txt",
               "intensity file 'bad.txt' line 3: expected 11 fields (5 keys, "
               "then x and y of each of 3 individuals), got 10");
  expect_fails("-gz -i a.txt",
               "cannot read intensity file 'a.txt': the file is damaged, or not "
               "compressed as -gz and -bz2 say");
}

TEST_F(StartupFailureTest, SexFileWithTheWrongCountEndsWithStatusOne) {
  write("s0.txt", "1\n2\n1\n");
  write("s1.txt", "1\n2\n");
  outcome o;
  expect_fails("-i a.txt b.txt -chrX s0.txt s1.txt",
               "sex file 's1.txt' holds 2 codes, but cohort 1 (intensity file "
               "'b.txt') has 3 individuals",
               &o);
  EXPECT_NE(o.out.find("sex file doesn't contain correct number of individuals\n"
                       " 2  3\n"),
            std::string::npos);

  write("s1.txt", "0\n0\n0");
  expect_fails("-i a.txt b.txt -chrX s0.txt s1.txt",
               "sex file 's1.txt' of cohort 1: no individual of known sex "
               "(every code is 0); X-chromosome mode needs males or females");
}

}  // namespace

// Whole runs whose result files or log cannot be written, and the warnings
// at the end of a run: intensities of another scale than the priors assume,
// result files of the prefix that the run did not write.
namespace {

// Where a run's standard output goes.
enum class log_sink { null_device, closed_pipe, full_device };

struct finished_process {
  int status = -1;  // 128 + the signal when a signal ended it
  std::string err;
};

class ResultRuns : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    const std::string command = std::string(SIMULATE_BIN) +
                                " --seed 1 --individuals 30 --snps 5 --out '" + dir_ +
                                "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  // How a run's process is set up.
  struct process_setup {
    log_sink sink = log_sink::null_device;  // where standard output goes
    rlim_t file_limit = 0;      // > 0: a limit of that many bytes on every file written
    int ignored_signal = 0;     // a signal ignored from the start, as under nohup
    bool unprivileged = false;  // the user nobody when the test runs as root
  };

  // Starts velmar++ on the simulated cohorts in directory `sub` (made here)
  // with the result prefix r, standard error kept. The program is started
  // with the default action for SIGPIPE and SIGXFSZ, both of which end a
  // process.
  pid_t start(const std::string& sub, const std::string& args,
              const process_setup& setup) {
    const std::string dir = path(sub);
    std::filesystem::create_directories(dir);
    const std::string program =
        setup.unprivileged ? copy_for_nobody(VELMAR_BIN) : VELMAR_BIN;
    std::vector<std::string> words = {program, "-nrs", "-ns", "1",  "-nmax", "5",
                                      "-b",    "20",   "-n",  "50", "-o",    "r"};
    std::istringstream more(args);
    for (std::string w; more >> w;) words.push_back(w);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    const std::string err_file = path(sub + ".err");

    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
      signal(SIGPIPE, SIG_DFL);
      signal(SIGXFSZ, SIG_DFL);
      if (setup.ignored_signal != 0) signal(setup.ignored_signal, SIG_IGN);
      int out = -1;
      if (setup.sink == log_sink::closed_pipe) {
        close(fds[0]);  // the reader is gone before the first line
        out = fds[1];
      } else {
        out = open(setup.sink == log_sink::full_device ? "/dev/full" : "/dev/null",
                   O_WRONLY);
      }
      int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
          chdir(dir.c_str()))
        _exit(126);
      if (setup.unprivileged && geteuid() == 0 &&
          (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(126);
      if (setup.file_limit > 0) {
        struct rlimit limit = {setup.file_limit, setup.file_limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[0]);
    close(fds[1]);
    return pid;
  }

  // Waits for the run started in `sub` to end.
  finished_process finish(pid_t pid, const std::string& sub) {
    int raw = 0;
    finished_process done;
    if (pid < 0 || waitpid(pid, &raw, 0) != pid) return done;
    done.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    done.err = read_file(path(sub + ".err"));
    return done;
  }

  // A whole run: standard output to `sink` and, when file_limit > 0, a
  // limit of that many bytes on every file the run writes.
  finished_process run(const std::string& sub, const std::string& args, log_sink sink,
                       rlim_t file_limit = 0) {
    process_setup setup;
    setup.sink = sink;
    setup.file_limit = file_limit;
    return finish(start(sub, args, setup), sub);
  }

  // The simulated cohorts, as seen from a run's directory.
  static std::string inputs() { return " -i ../cohort0.txt ../cohort1.txt"; }

  // The names of the files in directory `sub`.
  std::set<std::string> files_in(const std::string& sub) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path(sub)))
      names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(ResultRuns, AFailedResultFileLeavesTheEarlierOnesAsTheyWere) {
  struct case_ {
    const char* what;
    rlim_t file_limit;
    const char* blocked;  // a directory in the place of this result file
    mode_t mode;          // non-zero: the run's directory's, for the user nobody
    std::string args;
    std::string message;  // its beginning, after "velmar++: "
    std::string reason;
    // In the sticky directory: the earlier files of the user nobody, the
    // run's own; the others are root's.
    std::vector<std::string> own = {};
  };
  // A genotype file of 30 individuals and 5 SNPs is over 900 bytes; the
  // trace rows of 650 iterations over 20480. A missing input file shows
  // that the output place is checked before any input is read.
  const std::string too_long(244, 'p');
  const case_ cases[] = {
      {"a file-size limit", 600, nullptr, 0, "", "cannot write result file",
       "r_0_mcmc (File too large)"},
      {"a file-size limit with the test file", 600, nullptr, 0, "-test 1 0",
       "cannot write result file", "r_0_mcmc (File too large)"},
      {"a directory in the place of a file", 0, "r_information", 0, "-i missing.txt",
       "-o: cannot replace result file r_information", "(Is a directory)"},
      {"a directory in the place of the trace file", 0, "params", 0,
       "-print_params -i missing.txt", "-print_params: cannot create the trace file",
       "params (Is a directory)"},
      {"the trace file under a file-size limit", 20480, nullptr, 0,
       "-b 50 -n 600 -print_params -snps 2 3", "cannot write trace file",
       "params (File too large) at SNP 2 [rs1000014]; the run stopped there"},
      {"a missing output directory", 0, nullptr, 0, "-o no/such/r -i missing.txt",
       "-o: cannot create result file no/such/r_0_mcmc in directory 'no/such'",
       "(No such file or directory)"},
      {"a directory that takes no new file", 0, nullptr, 0555,
       "-print_params -i missing.txt",
       "-o: cannot create result file r_0_mcmc in directory '.'", "(Permission denied)"},
      {"another user's files in a sticky directory", 0, nullptr, 01777, "-i missing.txt",
       "-o: cannot replace result file r_0_mcmc",
       "(Operation not permitted): it belongs to another user, and directory '.' has "
       "the sticky bit"},
      // Its own files pass; r_1_mcmc, which a pooled run does not write, is
      // not looked at.
      {"the run's own files and another user's r_params in a sticky directory",
       0,
       nullptr,
       01777,
       "-single -1 -i missing.txt",
       "-o: cannot replace result file r_params",
       "(Operation not permitted)",
       {"r_0_mcmc", "r_information", "r_tests", "params"}},
      {"a result file name over the limit", 0, nullptr, 0,
       "-o " + too_long + " -i missing.txt",
       "-o: the result file name '" + too_long + "_information' is too long",
       "256 bytes, where directory '.' allows 255"},
      // "." among its own: in a directory of its own it may replace any file.
      {"another user's files in the run's own sticky directory", 0, nullptr, 01777,
       "-i missing.txt", "cannot open intensity file 'missing.txt'",
       "(No such file or directory)", std::vector<std::string>(1, ".")},
  };
  const std::set<std::string> earlier = {"r_0_mcmc",      "r_1_mcmc", "r_params",
                                         "r_information", "r_tests",  "params"};
  for (const case_& c : cases) {
    // Only root can leave files of another user for the user nobody.
    if ((c.mode & S_ISVTX) != 0 && geteuid() != 0) continue;
    const std::string sub = std::string("run") + std::to_string(&c - cases);
    std::filesystem::create_directories(path(sub));
    for (const std::string& name : earlier)
      if (!c.blocked || name != c.blocked)
        std::ofstream(path(sub + "/" + name)) << "earlier " << name << "\n";
    if (c.blocked) std::filesystem::create_directory(path(sub + "/" + c.blocked));
    for (const std::string& name : c.own)
      ASSERT_EQ(chown(path(sub + "/" + name).c_str(), 65534, 65534), 0) << name;
    if (c.mode != 0) chmod(path(sub).c_str(), c.mode);

    process_setup setup;
    setup.file_limit = c.file_limit;
    setup.unprivileged = c.mode != 0;
    finished_process p = finish(start(sub, inputs() + " " + c.args, setup), sub);
    chmod(path(sub).c_str(), 0755);
    EXPECT_EQ(p.status, 1) << c.what << ": " << p.err;
    EXPECT_EQ(p.err.find("velmar++: " + c.message), 0u) << c.what << ": " << p.err;
    EXPECT_NE(p.err.find(c.reason), std::string::npos) << c.what << ": " << p.err;
    // Every earlier file as it was, and no temporary file left.
    EXPECT_EQ(files_in(sub), earlier) << c.what;
    for (const std::string& name : earlier) {
      if (c.blocked && name == c.blocked) continue;
      EXPECT_EQ(read_file(path(sub + "/" + name)), "earlier " + name + "\n") << c.what;
    }
  }
}

TEST_F(ResultRuns, ALostLogKeepsTheResults) {
  finished_process reference = run("reference", inputs(), log_sink::null_device);
  ASSERT_EQ(reference.status, 0) << reference.err;
  ASSERT_EQ(reference.err, "");
  const std::set<std::string> results = {"r_0_mcmc", "r_1_mcmc", "r_params",
                                         "r_information"};
  ASSERT_EQ(files_in("reference"), results);

  struct case_ {
    const char* sub;
    log_sink sink;
    const char* reason;
  };
  const case_ cases[] = {{"pipe", log_sink::closed_pipe, "Broken pipe"},
                         {"full", log_sink::full_device, "No space left on device"}};
  for (const case_& c : cases) {
    const std::string sub = c.sub;
    finished_process p = run(sub, inputs(), c.sink);
    EXPECT_EQ(p.status, 0) << c.reason << ": " << p.err;
    EXPECT_EQ(p.err, std::string("velmar++: warning: the log could not be written to "
                                 "standard output (") +
                         c.reason +
                         "); the fit went on and the result files are whole\n");
    EXPECT_EQ(files_in(sub), results) << c.reason;
    for (const std::string& name : results)
      EXPECT_EQ(read_file(path(sub + "/" + name)), read_file(path("reference/" + name)))
          << c.reason << ": " << name;
  }
}

TEST_F(ResultRuns, WarningsLeaveTheStatusAsItIs) {
  // The simulated intensities, normalised, and the same times 100 and 1000.
  for (int factor : {100, 1000})
    for (int c = 0; c < 2; ++c) {
      std::ifstream in(path("cohort" + std::to_string(c) + ".txt"));
      std::ofstream out(
          path("x" + std::to_string(factor) + "_" + std::to_string(c) + ".txt"));
      std::string line;
      std::getline(in, line);
      out << line << "\n";
      while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string f;
        for (int k = 0; fields >> f; ++k) {
          if (k >= 5 && f != "NA") f = std::to_string(std::stod(f) * factor);
          out << (k == 0 ? "" : " ") << f;
        }
        out << "\n";
      }
    }
  struct case_ {
    const char* args;
    std::vector<std::string> earlier;  // left by an earlier run; "d/": a directory
    int status;
    std::string err;
  };
  auto scale_warning = [](const std::string& file, const std::string& median) {
    return "velmar++: warning: the median of the points' larger intensity, max(x, y), "
           "in intensity file '../" +
           file + "' is about " + median +
           ": the intensities may not be normalised; the default priors assume "
           "normalised intensities of roughly 0 to 2\n";
  };
  const std::string not_of_this_run =
      " is left as it was and is not of this run: this run writes no such result file\n";
  const case_ cases[] = {
      {" -i ../cohort0.txt ../cohort1.txt", {}, 0, ""},
      {" -i ../cohort0.txt ../cohort1.txt -max2", {}, 0, ""},
      {" -i ../x1000_0.txt ../x1000_1.txt",
       {},
       0,
       scale_warning("x1000_0.txt", "590") + scale_warning("x1000_1.txt", "780") +
           "velmar++: warning: in 5 of 5 SNPs more than half of the individuals fell "
           "in the null class (genotype values summing to less than 0.5): the "
           "intensities may not be normalised; the default priors assume normalised "
           "intensities of roughly 0 to 2\n"},
      // A fit that fails at once shows the warning before it, and a -snps
      // run names its SNPs as the file counts them.
      {" -i ../x100_0.txt ../x100_1.txt -snps 2 3 -pgd 1e306",
       {},
       3,
       scale_warning("x100_0.txt", "56") + scale_warning("x100_1.txt", "89") +
           "velmar++: Vargen: area too large (a) while fitting SNP 2 [rs1000014]\n"},
      // Pooled to the end, the run writes one genotype file.
      {" -i ../cohort0.txt ../cohort1.txt -single 2",
       {"r_1_mcmc", "r_tests", "r_1x_mcmc", "r_params"},
       0,
       "velmar++: warning: r_1_mcmc" + not_of_this_run + "velmar++: warning: r_tests" +
           not_of_this_run},
      // A pooled run's output place is checked for the one genotype file it
      // writes (a directory at d/r_1_mcmc is no hindrance), and the files
      // it wrote in d draw no warning.
      {" -i ../cohort0.txt ../cohort1.txt -single 2 -o d/r",
       {"d/r_1_mcmc/", "d/r_tests"},
       0,
       "velmar++: warning: d/r_1_mcmc" + not_of_this_run +
           "velmar++: warning: d/r_tests" + not_of_this_run},
      {" -i ../cohort0.txt ../cohort1.txt -o d/..",
       {"d/"},
       0,
       "velmar++: warning: -o: the prefix 'd/..' ends in '..', so the result files are "
       "hidden (names beginning with '.', which ls lists only with -a): d/.._0_mcmc, "
       "d/.._1_mcmc, d/.._params, d/.._information; to write them into directory "
       "'d/..', end the prefix with a name, as in -o d/../out\n"},
  };
  for (const case_& c : cases) {
    const std::string sub = std::string("run") + std::to_string(&c - cases);
    std::filesystem::create_directories(path(sub));
    // A name that ends in '/' is a directory.
    for (const std::string& name : c.earlier) {
      const std::filesystem::path at = path(sub + "/" + name);
      std::filesystem::create_directories(name.back() == '/' ? at : at.parent_path());
      if (name.back() != '/') std::ofstream{at};
    }
    finished_process p = run(sub, c.args, log_sink::null_device);
    EXPECT_EQ(p.status, c.status) << c.args << ": " << p.err;
    EXPECT_EQ(p.err, c.err) << c.args;
  }
}

TEST_F(ResultRuns, LongPrefixIsWrittenAndLinksAtFinalNamesAreReplacedNotWrittenThrough) {
  // "<name>.tmp.XXXXXX" of this prefix's information file is over 255 bytes.
  const std::string prefix(240, 'p');
  std::ofstream(path("target")) << "not the trace\n";
  std::filesystem::create_directories(path("run"));
  std::filesystem::create_symlink("../target", path("run/params"));
  std::filesystem::create_directories(path("linked"));
  std::filesystem::create_symlink("../linked", path("run/" + prefix + "_params"));
  finished_process p =
      run("run", inputs() + " -print_params -o " + prefix, log_sink::null_device);
  EXPECT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(files_in("run"), (std::set<std::string>{
                                 prefix + "_0_mcmc", prefix + "_1_mcmc",
                                 prefix + "_params", prefix + "_information", "params"}));
  EXPECT_EQ(read_file(path("target")), "not the trace\n");
  EXPECT_FALSE(std::filesystem::is_symlink(path("run/params")));
  EXPECT_FALSE(std::filesystem::is_symlink(path("run/" + prefix + "_params")));
  EXPECT_TRUE(std::filesystem::is_empty(path("linked")));
  // The rows of the last SNP's 20 + 50 stage-2 iterations.
  const std::string trace = read_file(path("run/params"));
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 70);
}

TEST_F(ResultRuns, RenamesWaitForTheLockAndSignalsLeaveNoTemporaryFile) {
  struct case_ {
    const char* what;
    int ignored_signal;  // ignored from the start, as under nohup
    int sent;            // sent while the run waits for the lock; 0: none
    int status;          // 128 + the signal when one ended the run
    bool long_wait;      // the lock held 1.5 s: the run says that it waits
  };
  const case_ cases[] = {
      {"the lock released", 0, 0, 0, false},
      {"the lock held over a second", 0, 0, 0, true},
      {"SIGTERM", 0, SIGTERM, 128 + SIGTERM, false},
      {"SIGHUP", 0, SIGHUP, 128 + SIGHUP, false},
      {"SIGUSR1 after the run said it waits", 0, SIGUSR1, 128 + SIGUSR1, true},
      {"SIGTERM ignored from the start", SIGTERM, SIGTERM, 0, false},
  };
  const std::string waiting =
      "velmar++: waiting for the lock on directory '.': another run is renaming its "
      "result files there\n";
  const std::set<std::string> written = {"r_0_mcmc", "r_1_mcmc", "r_params",
                                         "r_information", "params"};
  for (const case_& c : cases) {
    const std::string sub = std::string("run") + std::to_string(&c - cases);
    std::filesystem::create_directories(path(sub));
    // The lock another run would hold while it renames its files.
    int lock = open(path(sub).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    process_setup setup;
    setup.ignored_signal = c.ignored_signal;
    const pid_t pid = start(sub, inputs() + " -print_params", setup);

    // Every file written under its temporary name, none renamed.
    auto temporaries = [&] {
      int n = 0;
      for (const std::string& name : files_in(sub))
        n += name.find(".tmp.") != std::string::npos;
      return n;
    };
    for (int waited = 0; temporaries() < 5 && waited < 60000; waited += 10) usleep(10000);
    usleep(c.long_wait ? 1500000 : 200000);
    EXPECT_EQ(temporaries(), 5) << c.what;
    EXPECT_EQ(files_in(sub).size(), 5u) << c.what;

    if (c.sent != 0) kill(pid, c.sent);
    // A run that the signal ends does so while the lock is still held.
    finished_process p;
    if (c.status != 0) p = finish(pid, sub);
    close(lock);
    if (c.status == 0) p = finish(pid, sub);
    EXPECT_EQ(p.status, c.status) << c.what << ": " << p.err;
    EXPECT_EQ(files_in(sub), c.status == 0 ? written : std::set<std::string>()) << c.what;
    // Nothing is said of a wait under a second.
    EXPECT_EQ(p.err, c.long_wait ? waiting : "") << c.what;
  }
}

}  // namespace
