// An output buffer over a file descriptor that keeps the first failure.
//
// Every write is checked; the first one that fails records its errno and
// from then on everything is dropped, while the stream above it stays good:
// the caller asks error() once at the end. The result files are written
// through it (a failed write must not pass unnoticed) and so is the log on
// standard output (a reader that goes away must not end the run).
#ifndef VELMAR_FD_OUTPUT_H
#define VELMAR_FD_OUTPUT_H

#include <unistd.h>

#include <cerrno>
#include <streambuf>

class fd_output_buffer : public std::streambuf {
 public:
  // Writes to `fd`. With a non-zero `error` (fd < 0 needs one), everything
  // is dropped as after a failed write of that errno.
  explicit fd_output_buffer(int fd, int error = 0) : fd_(fd), error_(error) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  fd_output_buffer(const fd_output_buffer&) = delete;
  fd_output_buffer& operator=(const fd_output_buffer&) = delete;

  // The errno of the first failed write, 0 while none failed.
  int error() const { return error_; }
  // Notes a failure found outside the writes (at the flush to disk or the
  // close), unless an earlier one is noted.
  void note_error(int error) {
    if (error_ == 0) error_ = error;
  }

 protected:
  int_type overflow(int_type c) override {
    drain();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    drain();
    return 0;
  }

 private:
  // Writes out the buffered bytes, all of them unless a write fails.
  void drain() {
    const char* p = pbase();
    const char* const end = pptr();
    while (error_ == 0 && fd_ >= 0 && p < end) {
      ssize_t n = ::write(fd_, p, static_cast<size_t>(end - p));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n < 0 ? errno : EIO;
        break;
      }
      p += n;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
  }

  int fd_;
  int error_;
  char buffer_[1 << 16];
};

#endif  // VELMAR_FD_OUTPUT_H
