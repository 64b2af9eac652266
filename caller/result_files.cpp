// Files written under temporary names and renamed over their final names
// together, the number of genotype files a run writes, the check of the
// output place before the input is read, the removal of the temporary files
// on a termination signal, and the warnings of hidden result files and of
// result files beside this run's that it did not write.
#include "result_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "data.h"
#include "errors.h"
#include "messages.h"

namespace {

// SIGUSR1, SIGUSR2 and SIGXCPU are the warnings that several batch
// schedulers send before SIGTERM, or instead of it.
const int termination_signals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGXCPU};

// While it lives, the termination signals wait: their handler never sees
// the list of temporary files half changed, and the renames of one run's
// files are not cut short.
class termination_signals_held {
 public:
  termination_signals_held() {
    sigset_t held;
    sigemptyset(&held);
    for (int sig : termination_signals) sigaddset(&held, sig);
    sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~termination_signals_held() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
  termination_signals_held(const termination_signals_held&) = delete;
  termination_signals_held& operator=(const termination_signals_held&) = delete;

 private:
  sigset_t before_;
};

// The temporary files that exist now, for the signal handler; changed only
// while the termination signals are held. Never destroyed, as a signal may
// come while the program ends.
std::vector<std::string>* const temporary_files = new std::vector<std::string>;

// Removes every temporary file, then ends the process by the same signal
// with its default action. Only async-signal-safe calls: unlink on names
// made before, no allocation.
void remove_temporary_files_and_end(int sig) {
  for (const std::string& name : *temporary_files) unlink(name.c_str());
  signal(sig, SIG_DFL);
  sigset_t own;
  sigemptyset(&own);
  sigaddset(&own, sig);
  sigprocmask(SIG_UNBLOCK, &own, nullptr);
  raise(sig);
  _exit(128 + sig);
}

// Where the last part of a file name begins.
size_t base_start(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// The longest name a file in `directory` may have.
size_t name_limit(const std::string& directory) {
  errno = 0;
  const long limit = pathconf(directory.c_str(), _PC_NAME_MAX);
  if (limit > 0) return static_cast<size_t>(limit);
  return errno == 0 ? SIZE_MAX : NAME_MAX;  // no limit; or none known
}

const char* const temporary_suffix = ".tmp.XXXXXX";

// The mkstemp pattern of the temporary file of `name`: "<name>.tmp.XXXXXX",
// with as much of the name's last part as fits the directory's limit.
std::string temporary_pattern(const std::string& name) {
  const size_t base = base_start(name);
  const size_t limit = name_limit(directory_of(name));
  const size_t suffix = std::strlen(temporary_suffix);
  size_t kept = name.size() - base;
  // Never within the prefix: check_output_place saw "<prefix>_information" fit.
  if (kept + suffix > limit) kept = limit > suffix ? limit - suffix : 0;
  return name.substr(0, base + kept) + temporary_suffix;
}

// Creates the temporary file of `name`, exclusively (runs on other hosts
// may share the directory), and lists it; returns its descriptor, or -1
// with the errno in `error`.
int create_temporary(const std::string& name, std::string& temporary, int& error) {
  std::string pattern = temporary_pattern(name);
  const termination_signals_held held;
  const int fd = mkstemp(&pattern[0]);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  temporary_files->push_back(pattern);
  temporary = pattern;
  return fd;
}

// Takes a temporary file off the list; called while the signals are held.
void forget_temporary(const std::string& temporary) {
  std::vector<std::string>& list = *temporary_files;
  list.erase(std::find(list.begin(), list.end(), temporary));
}

void remove_temporary(const std::string& temporary) {
  const termination_signals_held held;
  unlink(temporary.c_str());
  forget_temporary(temporary);
}

// Why a file renamed over `name` would not replace it, although a file can
// be created beside it: EISDIR for a directory at the name (a symbolic link
// is replaced itself, whatever it points to), EPERM for a file of another
// user in a directory of another user with the sticky bit, where only root
// may replace it besides them; else 0.
int replacement_refused(const std::string& name) {
  struct stat file;
  if (lstat(name.c_str(), &file) != 0) return 0;
  if (S_ISDIR(file.st_mode)) return EISDIR;
  const uid_t user = geteuid();
  struct stat directory;
  if (user != 0 && file.st_uid != user &&
      stat(directory_of(name).c_str(), &directory) == 0 &&
      (directory.st_mode & S_ISVTX) != 0 && directory.st_uid != user)
    return EPERM;
  return 0;
}

// The bits the process's umask clears from the mode of a new file.
mode_t file_mode_mask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// flock, tried again when a signal cuts it short; returns 0 or the errno.
int flock_uninterrupted(int fd, int operation) {
  while (flock(fd, operation) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

// Takes the exclusive lock on `fd`, the open directory `directory`; returns
// 0 or the errno. A wait of over a second is said once on standard error,
// so that a run behind a stuck holder does not look hung. The termination
// signals are not held here: they end a run that waits.
int lock_directory(int fd, const std::string& directory) {
  const auto quiet_until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  int error;
  while ((error = flock_uninterrupted(fd, LOCK_EX | LOCK_NB)) == EWOULDBLOCK) {
    if (std::chrono::steady_clock::now() >= quiet_until) {
      std::cout << std::flush;
      std::cerr << "velmar++: waiting for the lock on directory '" << directory
                << "': another run is renaming its result files there" << std::endl;
      return flock_uninterrupted(fd, LOCK_EX);
    }
    usleep(20000);
  }
  return error;
}

// An exclusive advisory lock on a directory while it lives (released by
// the system should the process end). Runs that rename their result files
// into the directory while holding it take turns. A file system that
// refuses it draws a warning and the run goes on without it.
class directory_lock {
 public:
  explicit directory_lock(const std::string& directory)
      : fd_(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    const int error = fd_ < 0 ? errno : lock_directory(fd_, directory);
    if (error == 0) return;
    warn("cannot lock directory '" + directory + "' (" + std::strerror(error) +
         ") while renaming the result files; a run on the same prefix "
         "renaming its files at this moment could mix its files with these");
  }
  ~directory_lock() {
    if (fd_ >= 0) ::close(fd_);
  }
  directory_lock(const directory_lock&) = delete;
  directory_lock& operator=(const directory_lock&) = delete;

 private:
  int fd_;
};

// True when `name`, a name within a directory, is one that a run on a
// prefix of last part `base` may write but need not: the genotype file of
// any cohort, "<base>_<number>_mcmc" (digits only), or the test file.
bool optional_result_name(const std::string& name, const std::string& base) {
  if (name.compare(0, base.size(), base) != 0) return false;
  const std::string rest = name.substr(base.size());
  if (rest == "_tests") return true;
  const std::string mcmc = "_mcmc";
  if (rest.size() <= 1 + mcmc.size() || rest[0] != '_' ||
      rest.compare(rest.size() - mcmc.size(), mcmc.size(), mcmc) != 0)
    return false;
  return std::all_of(rest.begin() + 1, rest.end() - mcmc.size(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

staged_file::staged_file(const std::string& name) : name_(name) {
  error_ = replacement_refused(name);  // the rename at the end would fail
  if (error_ == 0) {
    fd_ = create_temporary(name, temporary_, error_);
    // mkstemp makes the file private; it gets the mode of any new file.
    if (fd_ >= 0 && fchmod(fd_, 0666 & ~file_mode_mask()) != 0) error_ = errno;
  }
  buffer_ = std::make_unique<fd_output_buffer>(error_ == 0 ? fd_ : -1, error_);
}

staged_file::~staged_file() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty()) remove_temporary(temporary_);
}

int staged_file::flush() {
  if (buffer_) buffer_->pubsync();
  return error();
}

void staged_file::restart() {
  if (flush() != 0 || fd_ < 0) return;
  if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) buffer_->note_error(errno);
}

void staged_file::finish() {
  if (!buffer_) return;
  buffer_->pubsync();
  if (fd_ >= 0) {
    // Some file systems report a lost write only here or at the close.
    if (buffer_->error() == 0 && fsync(fd_) != 0 && errno != EINVAL)
      buffer_->note_error(errno);
    if (::close(fd_) != 0) buffer_->note_error(errno);
    fd_ = -1;
  }
  error_ = buffer_->error();
  buffer_.reset();
}

int staged_file::rename_over_final_name() {
  const termination_signals_held held;
  if (std::rename(temporary_.c_str(), name_.c_str()) != 0) return errno;
  forget_temporary(temporary_);
  temporary_.clear();
  return 0;
}

void rename_together(const std::vector<staged_file*>& files,
                     const std::string& directory) {
  std::vector<std::string> failed;
  for (const staged_file* f : files)
    if (f->error() != 0)
      failed.push_back(f->name() + " (" + std::strerror(f->error()) + ")");
  if (!failed.empty()) {
    std::string message = "cannot write result file";
    if (failed.size() > 1) message += "s";
    for (size_t k = 0; k < failed.size(); k++)
      message += (k == 0 ? " " : ", ") + failed[k];
    throw user_error(message + "; no result file was written or replaced");
  }

  const directory_lock lock(directory);
  // A termination signal that comes now waits until every file is renamed.
  const termination_signals_held held;
  for (size_t k = 0; k < files.size(); k++) {
    const int error = files[k]->rename_over_final_name();
    if (error == 0) continue;
    std::string message = "cannot write result file " + files[k]->name() + " (" +
                          std::strerror(error) + ")";
    if (k == 0) throw user_error(message + "; no result file was written or replaced");
    message += "; already replaced by this run's files:";
    for (size_t done = 0; done < k; done++)
      message += (done == 0 ? " " : ", ") + files[done]->name();
    throw user_error(message + "; the other result files are as they were");
  }
}

int genotype_file_count(const data& d) {
  const int cohorts = static_cast<int>(d.intensity_files.size());
  return d.single == 0 || d.single == 1 ? cohorts : 1;
}

std::string directory_of(const std::string& name) {
  const size_t base = base_start(name);
  if (base == 0) return ".";
  return base == 1 ? "/" : name.substr(0, base - 1);
}

void check_output_place(const std::vector<std::string>& names) {
  const std::string directory = directory_of(names.front());
  // The lengths first: a temporary name is cut to the limit only within
  // the suffix after a prefix that fits.
  const size_t limit = name_limit(directory);
  for (const std::string& name : names) {
    const size_t length = name.size() - base_start(name);
    if (length > limit)
      throw user_error("-o: the result file name '" + name + "' is too long: " +
                       std::to_string(length) + " bytes, where directory '" + directory +
                       "' allows " + std::to_string(limit));
  }

  std::string temporary;
  int error = 0;
  const int fd = create_temporary(names.front(), temporary, error);
  if (fd < 0)
    throw user_error("-o: cannot create result file " + names.front() +
                     " in directory '" + directory + "' (" + std::strerror(error) + ")");
  ::close(fd);
  remove_temporary(temporary);

  for (const std::string& name : names) {
    const int refused = replacement_refused(name);
    if (refused == 0) continue;
    std::string message =
        "-o: cannot replace result file " + name + " (" + std::strerror(refused) + ")";
    if (refused == EPERM)
      message += ": it belongs to another user, and directory '" + directory +
                 "' has the sticky bit";
    throw user_error(message);
  }
}

void warn_of_hidden_result_files(const std::string& prefix,
                                 const std::vector<std::string>& names) {
  const std::string last = prefix.substr(base_start(prefix));
  if (last != "." && last != "..") return;
  std::string listed;
  for (const std::string& name : names) listed += (listed.empty() ? "" : ", ") + name;
  warn("-o: the prefix '" + prefix + "' ends in '" + last +
       "', so the result files are hidden (names beginning with '.', which ls lists "
       "only with -a): " +
       listed + "; to write them into directory '" + prefix +
       "', end the prefix with a name, as in -o " + prefix + "/out");
}

void warn_of_other_result_files(const std::string& prefix,
                                const std::vector<std::string>& written) {
  const std::string place = prefix.substr(0, base_start(prefix));
  const std::string base = prefix.substr(place.size());
  std::vector<std::string> others;
  std::error_code unreadable;  // a directory that cannot be listed draws nothing
  for (std::filesystem::directory_iterator entry(directory_of(prefix), unreadable), end;
       entry != end; entry.increment(unreadable)) {
    const std::string name = entry->path().filename().string();
    if (optional_result_name(name, base) &&
        std::find(written.begin(), written.end(), place + name) == written.end())
      others.push_back(place + name);
  }
  std::sort(others.begin(), others.end());
  for (const std::string& name : others)
    warn(
        name +
        " is left as it was and is not of this run: this run writes no such result file");
}

void remove_temporary_files_on_signals() {
  struct sigaction action = {};
  action.sa_handler = remove_temporary_files_and_end;
  sigemptyset(&action.sa_mask);
  for (int sig : termination_signals) sigaddset(&action.sa_mask, sig);
  for (int sig : termination_signals) {
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN)
      sigaction(sig, &action, nullptr);
  }
}
