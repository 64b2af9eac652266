// simulate: writes a synthetic genotype-calling data set from a seed.
//
// Not part of velmar++: it makes intensity files in velmar++'s input format,
// with the true genotype of every individual beside them, for the example,
// the tests and the benchmarks. Its random numbers come from std::mt19937_64
// (whose output the C++ standard fixes) through its own uniform and
// Box-Muller normal transforms, so a seed gives the same files on every
// standard library, and nothing here depends on velmar++'s random library.

#include <sys/stat.h>
#include <unistd.h>

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace io = boost::iostreams;

namespace {

const char* const usage_text =
    "Usage: simulate [options]\n"
    "\n"
    "Writes a synthetic data set for velmar++ from a seed: one intensity file per\n"
    "cohort, a truth file, and optionally an SNP-information file and sex files.\n"
    "\n"
    "Options (every value is required; defaults in brackets):\n"
    "  --seed N            seed of the generator, 0 .. 2^64-1             [1]\n"
    "  --cohorts N         number of cohorts, >= 1                        [2]\n"
    "  --individuals N     individuals per cohort, >= 1                   [150]\n"
    "  --snps N            number of SNPs, >= 1                           [20]\n"
    "  --spread S          standard deviation of the clusters, > 0        [0.04]\n"
    "  --freq-min F        lowest allele-1 frequency, 0 .. 1              [0.05]\n"
    "  --freq-max F        highest allele-1 frequency, freq-min .. 1      [0.95]\n"
    "  --null-fraction F   share of null (failed) points, 0 .. 1          [0.02]\n"
    "  --snpinfo           also write the SNP-information file\n"
    "  --chrX              X-chromosome data: also write one sex file per cohort\n"
    "  --compress KIND     intensity files as none, gzip or bzip2         [none]\n"
    "  --out DIR           existing directory for the files               [.]\n"
    "  --help              print this text and exit\n"
    "\n"
    "Files written in DIR (c = cohort number from 0):\n"
    "  cohort<c>.txt       intensity file (cohort<c>.txt.gz or .txt.bz2 when\n"
    "                      compressed). Header: SNP_ID rs position allele1 allele2,\n"
    "                      then <c>_<i>_x <c>_<i>_y per individual i (from 1). Then\n"
    "                      one line per SNP: SNP_ID, rs, position, allele1, allele2,\n"
    "                      then the x and y intensity of every individual.\n"
    "  truth.txt           true genotypes, no header. One line per SNP and cohort\n"
    "                      (SNPs in file order, cohorts in order within a SNP):\n"
    "                      SNP_ID, cohort number, then the class of every individual\n"
    "                      of the cohort: 0 = allele1/allele1, 1 = heterozygous,\n"
    "                      2 = allele2/allele2, 3 = null (no genotype in the data).\n"
    "  snpinfo.txt         with --snpinfo: one line per SNP: rs, position, allele1,\n"
    "                      allele2, and the allele-1 frequency the genotypes were\n"
    "                      drawn from (four decimals).\n"
    "  sex<c>.txt          with --chrX: one sex code per line per individual:\n"
    "                      1 male, 2 female, 0 unknown (about 2% of individuals,\n"
    "                      whose true sex is still used). Males carry one allele:\n"
    "                      their class is 0 or 2, never 1.\n"
    "\n"
    "Per SNP the allele-1 frequency is drawn uniformly between freq-min and\n"
    "freq-max, and genotypes follow Hardy-Weinberg proportions. Points are\n"
    "normalised two-channel intensities: class 0 near (1, 0.1), class 2 near\n"
    "(0.1, 1), class 1 near (0.55, 0.55), each scaled per SNP by a factor in\n"
    "[0.8, 1.2] and shifted per cohort by up to 0.03 on each axis; homozygous\n"
    "clusters have the spread along their own axis and half of it across; null\n"
    "points lie near (0.05, 0.05). Numbers are written with four decimals.\n"
    "The same options and seed always give the same files.\n";

[[noreturn]] void fail(const std::string& message) {
  std::cerr << "simulate: " << message << "\n"
            << "Try 'simulate --help' for the options.\n";
  std::exit(1);
}

enum class Compression { none, gzip, bzip2 };

struct Options {
  std::uint64_t seed = 1;
  long cohorts = 2;
  long individuals = 150;
  long snps = 20;
  double spread = 0.04;
  double freq_min = 0.05;
  double freq_max = 0.95;
  double null_fraction = 0.02;
  bool snpinfo = false;
  bool chrX = false;
  Compression compress = Compression::none;
  std::string out = ".";
};

// Whole-word conversions: the entire value must be a number.
long parse_count(const std::string& option, const std::string& value) {
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno == ERANGE)
    fail(option + ": expected a whole number, got '" + value + "'");
  if (v < 1) fail(option + ": expected a number of at least 1, got '" + value + "'");
  if (v > 100000000) fail(option + ": value too large, got '" + value + "'");
  return v;
}

std::uint64_t parse_seed(const std::string& value) {
  errno = 0;
  char* end = nullptr;
  if (value.empty() || value[0] == '-' || value[0] == '+')
    fail("--seed: expected a whole number from 0 to 2^64-1, got '" + value + "'");
  unsigned long long v = std::strtoull(value.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE)
    fail("--seed: expected a whole number from 0 to 2^64-1, got '" + value + "'");
  return static_cast<std::uint64_t>(v);
}

double parse_real(const std::string& option, const std::string& value) {
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
    fail(option + ": expected a number, got '" + value + "'");
  return v;
}

Options parse_options(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) fail(word + ": missing value");
      return argv[++i];
    };
    if (word == "--help") {
      std::cout << usage_text;
      std::exit(0);
    } else if (word == "--seed") {
      o.seed = parse_seed(value());
    } else if (word == "--cohorts") {
      o.cohorts = parse_count(word, value());
    } else if (word == "--individuals") {
      o.individuals = parse_count(word, value());
    } else if (word == "--snps") {
      o.snps = parse_count(word, value());
    } else if (word == "--spread") {
      o.spread = parse_real(word, value());
      if (!(o.spread > 0.0)) fail("--spread: expected a number above 0");
    } else if (word == "--freq-min") {
      o.freq_min = parse_real(word, value());
    } else if (word == "--freq-max") {
      o.freq_max = parse_real(word, value());
    } else if (word == "--null-fraction") {
      o.null_fraction = parse_real(word, value());
      if (o.null_fraction < 0.0 || o.null_fraction > 1.0)
        fail("--null-fraction: expected a number from 0 to 1");
    } else if (word == "--snpinfo") {
      o.snpinfo = true;
    } else if (word == "--chrX") {
      o.chrX = true;
    } else if (word == "--compress") {
      const std::string kind = value();
      if (kind == "none")
        o.compress = Compression::none;
      else if (kind == "gzip")
        o.compress = Compression::gzip;
      else if (kind == "bzip2")
        o.compress = Compression::bzip2;
      else
        fail("--compress: expected none, gzip or bzip2, got '" + kind + "'");
    } else if (word == "--out") {
      o.out = value();
      if (o.out.empty()) fail("--out: expected a directory name");
    } else {
      fail("unknown option '" + word + "'");
    }
  }
  if (o.freq_min < 0.0 || o.freq_min > 1.0)
    fail("--freq-min: expected a number from 0 to 1");
  if (o.freq_max < 0.0 || o.freq_max > 1.0)
    fail("--freq-max: expected a number from 0 to 1");
  if (o.freq_min > o.freq_max) fail("--freq-min must not be above --freq-max");
  return o;
}

// Uniform and normal variates on top of the standard Mersenne twister.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) : engine_(seed) {}

  // Uniform on [0, 1), from the top 53 bits of one engine output.
  double uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

  double uniform(double low, double high) { return low + (high - low) * uniform(); }

  bool chance(double p) { return uniform() < p; }

  // Standard normal by the Box-Muller transform; the second value of each pair is kept.
  double normal() {
    if (has_spare_) {
      has_spare_ = false;
      return spare_;
    }
    const double u1 = 1.0 - uniform();  // in (0, 1], so the log is finite
    const double u2 = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 6.283185307179586 * u2;
    spare_ = radius * std::sin(angle);
    has_spare_ = true;
    return radius * std::cos(angle);
  }

  int index(int n) { return static_cast<int>(uniform() * n); }

 private:
  std::mt19937_64 engine_;
  bool has_spare_ = false;
  double spare_ = 0.0;
};

// Every file this run has made. Each is written under a temporary name beside
// its final name and takes the final name only once the whole data set is
// written: a failed write takes them all away again, so that a data set with
// a cut-off file never passes for a whole one, and whatever is at the final
// names stays as it was until then.
struct MadeFile {
  std::string name;       // its final name
  std::string temporary;  // where it is while written
  bool renamed = false;   // it is at its final name now
  bool replaces = false;  // something was at the final name before the renames
};
std::vector<MadeFile> files_made;

// Ends the run with `message`, after removing every temporary file not yet
// renamed; `removed` is appended when all went, else the ones that stay are
// named (in a directory this process may no longer write in, say). One that
// is gone already, taken away by another process, is not left behind and
// counts as removed. A file already renamed is never removed.
[[noreturn]] void remove_temporaries_and_stop(std::string message,
                                              const std::string& removed) {
  std::string left;
  for (const MadeFile& made : files_made) {
    if (made.renamed) continue;
    if (std::remove(made.temporary.c_str()) != 0 && errno != ENOENT)
      left +=
          (left.empty() ? "" : ", ") + made.temporary + " (" + std::strerror(errno) + ")";
  }
  message += left.empty() ? removed : "; could not remove " + left;
  std::cerr << "simulate: " << message << "\n";
  std::exit(1);
}

// Ends the run after a write to `file` failed for the system's `reason`.
// Every write comes before the first rename, so nothing is renamed yet.
[[noreturn]] void write_failed(const std::string& file, const std::string& reason) {
  remove_temporaries_and_stop("cannot write " + file + " (" + reason + ")",
                              files_made.empty()
                                  ? "; no file was written"
                                  : "; every file written so far was removed");
}

// Ends the run when `failed` cannot be renamed over its final name for the
// system's reason `error`, found by the check before any rename or by the
// rename itself. The files renamed before it stay where they are: each is a
// whole file of this run, and the earlier file it replaced is gone whatever
// is done now, so removing it as well would leave neither. The message names
// every one of them and whether it replaced an earlier file, so that the mix
// of this run's files and earlier ones is never taken for one data set; the
// temporary files not renamed are removed where they can be, and their final
// names keep what was there.
[[noreturn]] void rename_failed(const MadeFile& failed, int error) {
  std::string message = "cannot rename " + failed.temporary + " to " + failed.name +
                        " (" + std::strerror(error) + ")";
  std::string renamed;
  for (const MadeFile& made : files_made)
    if (made.renamed)
      renamed += (renamed.empty() ? "" : ", ") + made.name +
                 (made.replaces ? " (replacing an earlier file)" : " (new)");
  if (renamed.empty())
    remove_temporaries_and_stop(message + "; nothing was renamed",
                                ", and every file written was removed");
  remove_temporaries_and_stop(message + "; now holding this run's files: " + renamed +
                                  "; the other names keep what was there",
                              ", and this run's other files were removed");
}

// The system's reason why renaming `made` over its final name would fail, as
// far as it shows without renaming anything, or 0: its temporary file gone, a
// directory at the final name (a file never replaces one), a final name that
// cannot be looked up, a directory this process may no longer write in, or
// another user's file in a sticky directory. Notes whether something is at
// the final name, which the rename replaces.
int rename_refused(MadeFile& made) {
  struct stat there;
  if (lstat(made.temporary.c_str(), &there) != 0) return errno;
  made.replaces = lstat(made.name.c_str(), &there) == 0;
  if (!made.replaces && errno != ENOENT) return errno;
  if (made.replaces && S_ISDIR(there.st_mode)) return EISDIR;
  const std::string directory = made.name.substr(0, made.name.find_last_of('/') + 1);
  if (access(directory.c_str(), W_OK | X_OK) != 0) return errno;
  // In a directory with the sticky bit (/tmp, say) only the owner of a file,
  // the owner of the directory or the superuser may replace the file.
  struct stat folder;
  if (made.replaces && stat(directory.c_str(), &folder) == 0 &&
      (folder.st_mode & S_ISVTX) && geteuid() != 0 && there.st_uid != geteuid() &&
      folder.st_uid != geteuid())
    return EPERM;
  return 0;
}

// A seam for the tests alone, which cannot time another process to put a
// directory at a final name while a run goes on: makes a directory at the path
// in the environment variable `variable`, if it is set. give_final_names calls
// it just before its checks and just after them, so that a test meets a real
// directory that the checks before it did not see, and a rename that fails.
void directory_appears(const char* variable) {
  if (const char* path = std::getenv(variable)) mkdir(path, 0777);
}

// Renames every file made over its final name, in the order they were made,
// after checking all of them first, so that what can be seen in advance to
// refuse a rename (a directory put at a final name while this run wrote, say)
// stops the run before any earlier file is replaced. The rename replaces
// whatever is at the name: a link there goes, and the file it points to is
// never written.
void give_final_names() {
  directory_appears("SIMULATE_TEST_DIRECTORY_BEFORE_CHECK");
  for (MadeFile& made : files_made)
    if (const int error = rename_refused(made)) rename_failed(made, error);
  directory_appears("SIMULATE_TEST_DIRECTORY_AFTER_CHECK");
  for (MadeFile& made : files_made) {
    if (std::rename(made.temporary.c_str(), made.name.c_str()) != 0)
      rename_failed(made, errno);
    made.renamed = true;
  }
}

// The bits the process's umask clears from the mode of a new file.
mode_t file_mode_mask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// The end of every output chain: writes straight to a file descriptor and
// throws on a failed write. The compressors retry a write that took nothing
// for as long as it takes nothing, so the sink must never report a short
// write; the exception carries the system's reason.
class DescriptorSink {
 public:
  using char_type = char;
  using category = boost::iostreams::sink_tag;

  explicit DescriptorSink(int fd) : fd_(fd) {}

  std::streamsize write(const char* text, std::streamsize size) {
    std::streamsize done = 0;
    while (done < size) {
      const ssize_t wrote = ::write(fd_, text + done, static_cast<size_t>(size - done));
      if (wrote < 0 && errno == EINTR) continue;
      // A regular file takes at least one byte of a write or fails with errno.
      if (wrote <= 0)
        throw std::system_error(wrote < 0 ? errno : EIO, std::generic_category());
      done += wrote;
    }
    return size;
  }

 private:
  int fd_;
};

// A text file written through an optional compressor, under a temporary name
// until give_final_names. Any failure to create, write or close it ends the
// run through write_failed.
class OutFile {
 public:
  OutFile(const std::string& name, Compression kind) : name_(name) {
    // A directory at the name would refuse the rename at the end: it is
    // refused now, before the work of writing (give_final_names checks again).
    struct stat there;
    if (lstat(name.c_str(), &there) == 0 && S_ISDIR(there.st_mode))
      write_failed(name_, std::strerror(EISDIR));
    std::string temporary = name + ".tmp.XXXXXX";
    fd_ = mkstemp(&temporary[0]);
    if (fd_ < 0) write_failed(name_, std::strerror(errno));
    files_made.push_back({name_, temporary});
    // mkstemp makes the file private; it gets the mode of any new file.
    if (fchmod(fd_, 0666 & ~file_mode_mask()) != 0)
      write_failed(name_, std::strerror(errno));
    if (kind == Compression::gzip) stream_.push(io::gzip_compressor(io::gzip_params(9)));
    if (kind == Compression::bzip2) stream_.push(io::bzip2_compressor());
    stream_.push(DescriptorSink(fd_));
    // A failed write of the sink reaches write() and close() as its own exception
    // (set once the chain is whole: the stream counts as bad until then).
    stream_.exceptions(std::ios_base::badbit);
  }

  void write(const std::string& text) {
    try {
      stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    } catch (const std::system_error& e) {
      write_failed(name_, e.code().message());
    }
  }

  void close() {
    try {
      stream_.reset();  // flushes the compressor into the file
    } catch (const std::system_error& e) {
      write_failed(name_, e.code().message());
    }
    if (::close(fd_) != 0) write_failed(name_, std::strerror(errno));
  }

 private:
  std::string name_;
  int fd_ = -1;
  io::filtering_ostream stream_;
};

// Appends a space and v with four decimals.
void append_number(std::string& line, double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %.4f", v);
  line += buffer;
}

struct Point {
  double x, y;
};

// One individual's point for class k (0, 1, 2, or 3 = null) of a SNP whose
// cluster centres are scaled by `scale` and shifted by (dx, dy); s is the
// clusters' standard deviation.
Point draw_point(Generator& g, int k, double scale, double dx, double dy, double s) {
  switch (k) {
    case 0:
      return {scale * 1.0 + dx + s * g.normal(), scale * 0.1 + dy + 0.5 * s * g.normal()};
    case 1:
      return {scale * 0.55 + dx + s * g.normal(), scale * 0.55 + dy + s * g.normal()};
    case 2:
      return {scale * 0.1 + dx + 0.5 * s * g.normal(), scale * 1.0 + dy + s * g.normal()};
    default:
      return {0.05 + 0.5 * s * g.normal(), 0.05 + 0.5 * s * g.normal()};
  }
}

// Genotype class of one individual under allele-1 frequency a; males carry one allele.
int draw_class(Generator& g, double a, bool male) {
  if (male) return g.chance(a) ? 0 : 2;
  const double u = g.uniform();
  if (u < a * a) return 0;
  if (u < a * a + 2.0 * a * (1.0 - a)) return 1;
  return 2;
}

std::string file_in(const Options& o, const std::string& name) {
  return o.out + "/" + name;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write then fails with EFBIG, which ends the run as
  // any failed write does, instead of the signal ending it with no word and
  // cut-off files.
  std::signal(SIGXFSZ, SIG_IGN);
  const Options o = parse_options(argc, argv);
  Generator g(o.seed);
  const int n_cohorts = static_cast<int>(o.cohorts);
  const int n_ind = static_cast<int>(o.individuals);

  // Sexes first (X mode only): the true sex of everyone, and the codes written.
  std::vector<std::vector<bool>> male(n_cohorts, std::vector<bool>(n_ind, false));
  if (o.chrX) {
    for (int c = 0; c < n_cohorts; ++c) {
      OutFile sex(file_in(o, "sex" + std::to_string(c) + ".txt"), Compression::none);
      std::string text;
      for (int i = 0; i < n_ind; ++i) {
        male[c][i] = g.chance(0.5);
        const bool unknown = g.chance(0.02);
        text += unknown ? "0\n" : (male[c][i] ? "1\n" : "2\n");
      }
      sex.write(text);
      sex.close();
    }
  }

  const char* suffix = o.compress == Compression::gzip    ? ".txt.gz"
                       : o.compress == Compression::bzip2 ? ".txt.bz2"
                                                          : ".txt";
  std::vector<std::unique_ptr<OutFile>> cohort_files;
  for (int c = 0; c < n_cohorts; ++c) {
    cohort_files.push_back(std::make_unique<OutFile>(
        file_in(o, "cohort" + std::to_string(c) + suffix), o.compress));
    std::string header = "SNP_ID rs position allele1 allele2";
    for (int i = 1; i <= n_ind; ++i) {
      const std::string id = std::to_string(c) + "_" + std::to_string(i);
      header += " " + id + "_x " + id + "_y";
    }
    cohort_files.back()->write(header + "\n");
  }
  OutFile truth(file_in(o, "truth.txt"), Compression::none);
  std::unique_ptr<OutFile> info;
  if (o.snpinfo)
    info = std::make_unique<OutFile>(file_in(o, "snpinfo.txt"), Compression::none);

  static const char* const allele_pairs[][2] = {{"A", "G"}, {"C", "T"}, {"A", "C"},
                                                {"G", "T"}, {"A", "T"}, {"C", "G"}};
  long position = 100000;
  for (long j = 1; j <= o.snps; ++j) {
    position += 1000 + g.index(50000);
    const auto& alleles = allele_pairs[g.index(6)];
    const double freq = g.uniform(o.freq_min, o.freq_max);
    const double scale = g.uniform(0.8, 1.2);
    const std::string snp_id = "SNP" + std::to_string(j);
    const std::string rs = "rs" + std::to_string(1000000 + 7 * j);
    const std::string keys = snp_id + " " + rs + " " + std::to_string(position) + " " +
                             alleles[0] + " " + alleles[1];

    if (info) {
      std::string line =
          rs + " " + std::to_string(position) + " " + alleles[0] + " " + alleles[1];
      append_number(line, freq);
      info->write(line + "\n");
    }

    for (int c = 0; c < n_cohorts; ++c) {
      const double dx = g.uniform(-0.03, 0.03);
      const double dy = g.uniform(-0.03, 0.03);
      std::string line = keys;
      std::string truth_line = snp_id + " " + std::to_string(c);
      for (int i = 0; i < n_ind; ++i) {
        const bool null_point = g.chance(o.null_fraction);
        const int genotype = draw_class(g, freq, male[c][i]);
        const int k = null_point ? 3 : genotype;
        const Point p = draw_point(g, k, scale, dx, dy, o.spread);
        append_number(line, p.x);
        append_number(line, p.y);
        truth_line += " " + std::to_string(k);
      }
      cohort_files[c]->write(line + "\n");
      truth.write(truth_line + "\n");
    }
  }

  for (auto& f : cohort_files) f->close();
  truth.close();
  if (info) info->close();
  give_final_names();
  return 0;
}
