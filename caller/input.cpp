// Reading every input of a run: the intensity files (one per cohort, plain,
// gzip or bzip2), the SNP-information file and, in X-chromosome mode, the
// sex files.  A fault of an input file is reported by throwing user_error
// with the file and line at fault; nothing is shifted, mixed or guessed.
#include "input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <boost/iostreams/device/file.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <boost/iostreams/restrict.hpp>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "messages.h"
#include "options.h"

namespace io = boost::iostreams;

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string quoted(const std::string& file) { return "'" + file + "'"; }

// The UTF-8 byte-order mark that spreadsheet and Windows tools write at the
// start of a text file.  It is no part of the first field.
const char byte_order_mark[] = "\xEF\xBB\xBF";
const size_t byte_order_mark_size = 3;

// The number of fields of line, split as split_fields splits it, without
// touching the line.
size_t count_fields(const std::string& line) {
  size_t fields = 0;
  bool in_field = false;
  for (char c : line) {
    const bool blank = is_blank(c);
    if (!blank && !in_field) ++fields;
    in_field = !blank;
  }
  return fields;
}

// True for a token that marks a missing value: NaN or NA, in any letter
// case.
bool is_missing_token(const char* field) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  if (lower(field[0]) != 'n' || lower(field[1]) != 'a') return false;
  return field[2] == '\0' || (lower(field[2]) == 'n' && field[3] == '\0');
}

// Splits line in place at blanks, tabs and carriage returns: each field ends
// with a null character inside the line's own buffer.
void split_fields(std::string& line, std::vector<char*>& fields) {
  fields.clear();
  char* p = &line[0];
  char* end = p + line.size();
  while (p < end) {
    while (p < end && is_blank(*p)) ++p;
    if (p == end) break;
    fields.push_back(p);
    while (p < end && !is_blank(*p)) ++p;
    if (p < end) *p++ = '\0';
  }
}

// What a line_source says of the file it reads.
struct file_kind {
  const char* name;        // "intensity file"
  const char* unreadable;  // why a read can fail midway
  // The option that names the file, put before the message that it cannot
  // be opened ("-f: cannot open ..."), or "" when the file's name says
  // enough.
  const char* option;
};

const file_kind intensity_kind = {
    "intensity file", "the file is damaged, or not compressed as -gz and -bz2 say", ""};
const char* const plain_file_unreadable = "the file is damaged or not a plain file";
const file_kind info_kind = {"SNP-information file", plain_file_unreadable, "-f"};
const file_kind sex_kind = {"sex file", plain_file_unreadable, ""};

// Refuses a file that exists but is not a regular file (a pipe, a device, a
// directory): an intensity file is read more than once, and a pipe would
// give its text only to the first pass or hang the run.  A file that does
// not exist is left to the opening, which reports it.
void require_regular_file(const file_kind& kind, const std::string& file) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return;
  throw user_error(std::string(kind.name) + " " + quoted(file) +
                   " is not a regular file: input files must be files on "
                   "disk (an intensity file is read more than once), not "
                   "pipes or devices");
}

// "cannot open sex file 's.txt' (Permission denied)", after "-f: " for the
// SNP-information file: `error` is the errno of the failed open(2), that of
// first_bytes, or, when a stream then fails to open the file (it changed
// meanwhile), the one the stream's opening left.
user_error cannot_open(const file_kind& kind, const std::string& file, int error) {
  const std::string option = *kind.option ? std::string(kind.option) + ": " : "";
  return user_error(option + "cannot open " + kind.name + " " + quoted(file) + " (" +
                    std::strerror(error) + ")");
}

// Enough of a file's first bytes to tell its compression: gzip data start
// with the bytes 1F 8B; bzip2 data with "BZh", a block-size digit 1-9 and
// the six-byte magic number of the first block (or of the end of an empty
// stream), so that a text that starts with "BZh" is not taken for bzip2.
const size_t signature_size = 10;

// The first bytes of an input file (up to signature_size), read with
// open(2): unlike the streams that read the file afterwards, it says why a
// file cannot be opened.  A file that is not a regular file is refused
// before it is opened (opening a pipe without a writer would hang).
std::string first_bytes(const file_kind& kind, const std::string& file) {
  require_regular_file(kind, file);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw cannot_open(kind, file, errno);
  std::string bytes(signature_size, '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
    if (n > 0)
      got += static_cast<size_t>(n);
    else if (n == 0 || errno != EINTR)
      break;  // a read fault is reported by the stream that reads the file
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

enum class compression { none, gzip, bzip2 };

// The compression whose signature the first bytes of a file hold.
compression compression_of(const std::string& first) {
  if (first.compare(0, 2, "\x1F\x8B") == 0) return compression::gzip;
  if (first.size() < signature_size || first.compare(0, 3, "BZh") != 0 ||
      first[3] < '1' || first[3] > '9')
    return compression::none;
  const std::string magic = first.substr(4, 6);
  const bool block = magic == "\x31\x41\x59\x26\x53\x59";       // pi
  const bool stream_end = magic == "\x17\x72\x45\x38\x50\x90";  // sqrt(pi)
  return block || stream_end ? compression::bzip2 : compression::none;
}

// The words for a compression in messages.
struct compression_words {
  const char* name;          // "gzip"
  const char* option;        // "-gz"
  const char* decompressor;  // "gunzip"
};

const compression_words& words_of(compression c) {
  static const compression_words gzip = {"gzip", "-gz", "gunzip"};
  static const compression_words bzip2 = {"bzip2", "-bz2", "bunzip2"};
  return c == compression::gzip ? gzip : bzip2;
}

// "intensity file 'a.gz' seems gzip-compressed (it starts with the gzip
// signature)"
std::string seems_compressed(const file_kind& kind, const std::string& file,
                             compression found) {
  const std::string name = words_of(found).name;
  return std::string(kind.name) + " " + quoted(file) + " seems " + name +
         "-compressed (it starts with the " + name + " signature)";
}

// Refuses a SNP-information or sex file that starts with a compression
// signature: these files are read as plain text only.
void require_plain_text(const file_kind& kind, const std::string& file) {
  const compression found = compression_of(first_bytes(kind, file));
  if (found != compression::none)
    throw user_error(seems_compressed(kind, file, found) +
                     ": it is read as plain text only; decompress it first, e.g. "
                     "with " +
                     words_of(found).decompressor);
}

// Added to a message about a line that holds a carriage return with text
// after it: a file whose lines end in CR alone reads as one long line.
const char* const cr_only_line_ends =
    "the file's lines seem to end in CR only (carriage returns without line "
    "feeds, as old Mac files have them): convert the line ends to line feeds "
    "first, e.g. with tr '\\r' '\\n'";

// The lines of one input file, numbered from 1; a line end is LF or CR LF.
// A byte-order mark at the start of the file is skipped.
class line_source {
 public:
  line_source(std::istream& in, const file_kind& kind, std::string file)
      : in_(in), kind_(kind), file_(std::move(file)) {}

  // The next line, without its line end; false at the end of the file.  A
  // line holding a NUL byte is refused: the fields are split at NULs, so
  // "0.5<NUL>junk" would read as 0.5.
  bool next(std::string& line) {
    bool got = static_cast<bool>(std::getline(in_, line));
    if (in_.bad())
      throw user_error("cannot read " + where(number_ + 1) + ": " + kind_.unreadable);
    if (!got) return false;
    ++number_;
    if (number_ == 1 && line.compare(0, byte_order_mark_size, byte_order_mark) == 0)
      line.erase(0, byte_order_mark_size);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t cr = line.find('\r');
    cr_inside_ = cr != std::string::npos &&
                 std::find_if(line.begin() + static_cast<std::ptrdiff_t>(cr), line.end(),
                              [](char c) { return !is_blank(c); }) != line.end();
    const size_t nul = line.find('\0');
    if (nul != std::string::npos)
      throw user_error(where() + ": field " + std::to_string(field_number(line, nul)) +
                       " holds a NUL byte");
    return true;
  }

  // True when every line left is blank (the stream is read to its end).
  bool only_blank_lines_left() {
    std::string line;
    std::vector<char*> fields;
    while (next(line)) {
      split_fields(line, fields);
      if (!fields.empty()) return false;
    }
    return true;
  }

  int number() const { return number_; }
  const std::string& file() const { return file_; }

  // For a message about the last line read: "" or, when that line holds a
  // carriage return with text after it, "; " and cr_only_line_ends.
  std::string cr_only_note() const {
    return cr_inside_ ? std::string("; ") + cr_only_line_ends : "";
  }

  // "intensity file 'a.txt' line 3"
  std::string where(int line) const {
    return std::string(kind_.name) + " " + quoted(file_) + " line " +
           std::to_string(line);
  }
  std::string where() const { return where(number_); }

 private:
  // The number (from 1) of the field of `line` that holds position `at`.
  static int field_number(const std::string& line, size_t at) {
    int fields = 0;
    bool in_field = false;
    for (size_t p = 0; p <= at; ++p) {
      const bool blank = is_blank(line[p]);
      if (!blank && !in_field) ++fields;
      in_field = !blank;
    }
    return fields;
  }

  std::istream& in_;
  const file_kind& kind_;
  std::string file_;
  int number_ = 0;
  bool cr_inside_ = false;
};

// How the first bytes of a gzip file, up to a cut, decompress.
enum class gzip_prefix {
  whole,           // member after member, to the cut
  no_member_next,  // the bytes after a member are no gzip header
  faulty,          // the cut falls inside a member, or the data are damaged
};

gzip_prefix read_gzip_prefix(const std::string& file, std::streamoff cut) {
  io::filtering_istream in;
  in.push(io::gzip_decompressor(15, 4096));
  in.push(io::restrict(io::file_source(file, std::ios_base::in | std::ios_base::binary),
                       0, cut));
  in.exceptions(std::ios_base::badbit);
  std::vector<char> buffer(1 << 16);
  try {
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
  } catch (const io::gzip_error& e) {
    return e.error() == io::gzip::bad_header ? gzip_prefix::no_member_next
                                             : gzip_prefix::faulty;
  } catch (const std::ios_base::failure&) {
    return gzip_prefix::faulty;
  }
  return gzip_prefix::whole;
}

// Where the gzip data of `file` end when only zero bytes follow them (the
// padding to a block size that some copying and archiving tools add, and
// that gzip ignores); -1 when the file is to be read to its end: it does not
// end in a zero byte, its last zero bytes belong to its last member, or
// something else follows the data or the file is damaged (then reading it
// reports the fault).  Only a file that ends in a zero byte costs more than
// a look at that byte: one more pass over it, or for a padded file a few.
std::streamoff gzip_end_before_zero_padding(const std::string& file) {
  std::ifstream in(file, std::ios_base::binary | std::ios_base::ate);
  if (!in) return -1;
  const std::streamoff size = in.tellg();
  // The trailing zero bytes, read backwards block by block.
  std::streamoff zeros_start = size;
  std::vector<char> block(1 << 16);
  while (zeros_start > 0) {
    const std::streamoff length =
        std::min<std::streamoff>(zeros_start, static_cast<std::streamoff>(block.size()));
    in.seekg(zeros_start - length);
    if (!in.read(block.data(), length)) return -1;
    std::streamoff nonzero_end = length;
    while (nonzero_end > 0 && block[static_cast<size_t>(nonzero_end - 1)] == 0)
      --nonzero_end;
    zeros_start -= length - nonzero_end;
    if (nonzero_end > 0) break;
  }
  if (zeros_start == size) return -1;
  if (read_gzip_prefix(file, size) != gzip_prefix::no_member_next) return -1;
  // The data end where the zeros start or a few bytes into them: the last
  // bytes of a member hold zeros only in its trailer (CRC and length, 8
  // bytes) and in the last byte or two of its compressed data.  Cut before
  // that end the member is incomplete; after it, zeros stand where the next
  // member's header would.
  const std::streamoff most_zeros_ending_a_member = 16;
  const std::streamoff last_cut =
      std::min(size - 1, zeros_start + most_zeros_ending_a_member);
  for (std::streamoff cut = zeros_start; cut <= last_cut; ++cut) {
    const gzip_prefix prefix = read_gzip_prefix(file, cut);
    if (prefix == gzip_prefix::whole) return cut;
    if (prefix == gzip_prefix::no_member_next) break;
  }
  return -1;
}

// Builds the decompression chain on an intensity file for each pass over it:
// a gzip filter when gz, then a bzip2 filter when bz2, then the file itself,
// or, for a gzip file with zero padding, the file up to the padding.
class intensity_opener {
 public:
  intensity_opener(bool gz, bool bz2) : gz_(gz), bz2_(bz2) {}

  void open(io::filtering_istream& in, const std::string& file) {
    const std::streamoff end = checked_end(file);
    io::file_source source(file, std::ios_base::in | std::ios_base::binary);
    if (!source.is_open()) throw cannot_open(intensity_kind, file, errno);
    if (gz_) in.push(io::gzip_decompressor(15, 4096));
    if (bz2_) in.push(io::bzip2_decompressor(false, 4096));
    if (end < 0)
      in.push(source);
    else
      in.push(io::restrict(source, 0, end));
  }

 private:
  // At the first opening of a file, its first bytes are checked and the end
  // of its data is found: gzip_end_before_zero_padding, or -1 for the whole
  // file.  With bz2 as well, the gzip data are inside the bzip2 data, and
  // the file is read whole.
  std::streamoff checked_end(const std::string& file) {
    auto found = ends_.find(file);
    if (found != ends_.end()) return found->second;
    check_compression(file);
    const std::streamoff end = gz_ && !bz2_ ? gzip_end_before_zero_padding(file) : -1;
    return ends_.emplace(file, end).first->second;
  }

  // Refuses a file whose signature shows another compression than -gz and
  // -bz2 read (the bzip2 one when both are given: the file is bzip2 of
  // gzip).  A file with neither signature is left to the decompression,
  // which reports a file it cannot read.
  void check_compression(const std::string& file) {
    const compression found = compression_of(first_bytes(intensity_kind, file));
    const compression expected = bz2_  ? compression::bzip2
                                 : gz_ ? compression::gzip
                                       : compression::none;
    if (found == compression::none || found == expected) return;
    std::string advice;
    if (expected == compression::none)
      advice = std::string(": give ") + words_of(found).option + " to read it";
    else if (found == compression::bzip2)
      advice =
          ", but -gz reads gzip files: give -bz2 instead of -gz to read it (or both "
          "for a gzip file compressed again with bzip2)";
    else if (gz_)
      advice =
          ", but -gz with -bz2 reads gzip files compressed again with bzip2 (they "
          "start with the bzip2 signature): give -gz alone to read it";
    else
      advice = ", but -bz2 reads bzip2 files: give -gz instead of -bz2 to read it";
    throw user_error(seems_compressed(intensity_kind, file, found) + advice);
  }

  bool gz_, bz2_;
  std::map<std::string, std::streamoff> ends_;
};

// line_source::cr_only_note of line 1 of an intensity file.
std::string first_line_cr_only_note(intensity_opener& opener, const std::string& file) {
  io::filtering_istream in;
  opener.open(in, file);
  line_source source(in, intensity_kind, file);
  std::string line;
  source.next(line);
  return source.cr_only_note();
}

// "intensity file 'a.txt' holds no SNP line after its header", with the
// line_source::cr_only_note of its header line.
user_error no_snp_line(const std::string& file, const std::string& cr_only_note) {
  return user_error("intensity file " + quoted(file) +
                    " holds no SNP line after its header" + cr_only_note);
}

// Why line 1 of an intensity file seems a SNP line rather than a header, or
// "" when it names columns.  It does when every name after the five key
// columns reads as a number (or a missing-value mark) and either one of them
// has a fraction or the position (the third key column) is a whole number.
// Sample names may be whole numbers (1001 1001 1002 1002), but a header
// names the position column with a word; intensities may be whole numbers
// too, as scanners export raw values.
std::string snp_line_sign(const std::vector<char*>& names) {
  const char* fraction = nullptr;
  for (size_t i = 5; i < names.size(); ++i) {
    if (is_missing_token(names[i])) continue;
    double value = 0;
    if (!parse_real_number(names[i], value)) return "";
    if (!fraction && std::floor(value) != value) fraction = names[i];
  }
  if (fraction) return "'" + printable(fraction) + "' is not a whole number";
  double position = 0;
  if (parse_real_number(names[2], position) && std::floor(position) == position)
    return "the position (the third key column) is the whole number '" +
           printable(names[2]) + "'";
  return "";
}

// True for a field that reads as a number written with a fraction or an
// exponent ("0.6173", "1e-3"): an intensity, not an allele.  Whole numbers
// may name alleles ("1 2") and are not taken for intensities.
bool is_fraction_number(const char* field) {
  double value = 0;
  return std::strpbrk(field, ".eE") != nullptr && parse_real_number(field, value);
}

// What an allele field holds when it is no allele, in the words of a message
// about one such field.
const char* const fraction_number = "a number with a fraction";
const char* const missing_mark = "a missing-value mark";

// What `field` holds when it cannot name an allele, or nullptr when it may:
// a number with a fraction is an intensity, and NaN or NA marks a missing
// intensity.  Beside a number with a fraction a missing-value mark shows
// intensities where the alleles belong; two of them may also stand for
// unknown alleles, and are judged with the file's other lines
// (names_no_allele).
const char* as_non_allele(const char* field) {
  if (is_missing_token(field)) return missing_mark;
  return is_fraction_number(field) ? fraction_number : nullptr;
}

// True for an allele field that may hold a failed sample's x or y: a
// missing-value mark, or "0" as some exports write a failed intensity.
// Unknown alleles are written so too, so one line says nothing, but a file
// whose every SNP line holds these in both allele fields names no allele.
bool names_no_allele(const char* field) {
  return is_missing_token(field) || std::strcmp(field, "0") == 0;
}

// Said of an intensity file whose SNP lines hold intensities where the
// alleles belong.
const char* const fewer_key_columns =
    "the file seems to have fewer than the five key columns (SNP_ID, rs, "
    "position, allele1, allele2) before the x and y of each individual";

// Refuses SNP line `fields` of a later cohort's file, at `where`, when its
// keys differ from those of cohort 0's line s, read from `first_file`:
// cohort 0's keys label the results.  SNP_ID and rs are compared first: a
// line of another SNP is reported as such, whatever its position and
// alleles.  Alleles in the other order mean that the allele whose intensity
// is x in one file is y in the other: the calls of one cohort would name the
// wrong homozygote, and the allele frequency the cohorts share would pool
// opposite alleles.
void require_same_keys(const snp& s, const std::vector<char*>& fields,
                       const std::string& where, const std::string& first_file) {
  if (s.SNP_ID != fields[0] || s.rs != fields[1])
    throw user_error(where + ": SNP " + printable(fields[0]) + " [" +
                     printable(fields[1]) + "], but intensity file " +
                     quoted(first_file) + " has SNP " + printable(s.SNP_ID) + " [" +
                     printable(s.rs) + "] at the same line");
  const bool position = s.position != fields[2];
  const bool alleles = s.allele1 != fields[3] || s.allele2 != fields[4];
  if (!position && !alleles) return;
  auto keys = [&](const std::string& pos, const std::string& a1, const std::string& a2) {
    std::string text;
    if (position) text = "position " + printable(pos);
    if (position && alleles) text += " and ";
    if (alleles) text += "alleles " + printable(a1) + " " + printable(a2);
    return text;
  };
  // Two alleles that are one ("A A", or "0 0" for unknown ones) have no
  // other order.
  const bool other_order =
      s.allele1 != s.allele2 && s.allele1 == fields[4] && s.allele2 == fields[3];
  throw user_error(where + ": SNP " + printable(s.SNP_ID) + " [" + printable(s.rs) +
                   "] has " + keys(fields[2], fields[3], fields[4]) +
                   ", but intensity file " + quoted(first_file) + " has " +
                   keys(s.position, s.allele1, s.allele2) + " at the same line" +
                   (other_order
                        ? ": the same alleles in the other order, so x and y may be "
                          "swapped as well; every cohort's file must give the alleles, "
                          "and x and y with them, in one order"
                        : ""));
}

// The number of sample names of an intensity file's header line, which
// holds five key names, then two names per individual.
size_t count_sample_names(intensity_opener& opener, const std::string& file) {
  io::filtering_istream in;
  opener.open(in, file);
  line_source source(in, intensity_kind, file);
  std::string header;
  if (!source.next(header))
    throw user_error("intensity file " + quoted(file) +
                     " is empty: it has no header line");
  // A header that holds the whole file: its lines seem to end in CR only.
  const std::string cr_only_note = source.cr_only_note();
  if (!cr_only_note.empty() && source.only_blank_lines_left())
    throw no_snp_line(file, cr_only_note);
  std::vector<char*> names;
  split_fields(header, names);
  in.reset();
  if (names.size() < 5)
    throw user_error(source.where() + ": the header has " + std::to_string(names.size()) +
                     " names, fewer than the 5 key columns");
  const size_t sample_names = names.size() - 5;
  if (sample_names < 2)
    throw user_error(source.where() +
                     ": the header names no individual (after the 5 key "
                     "columns come two names per individual)");
  const std::string sign = snp_line_sign(names);
  if (!sign.empty())
    throw user_error(source.where() +
                     ": the header line seems missing: every name after the 5 "
                     "key columns reads as a number, and " +
                     sign +
                     "; line 1 must name the columns (5 keys, then two names "
                     "per individual)");
  return sample_names;
}

// The sex codes of one cohort's sex file, in file order.
std::vector<int> read_sex_codes(const std::string& file) {
  require_plain_text(sex_kind, file);
  std::ifstream in(file);
  if (!in) throw cannot_open(sex_kind, file, errno);
  std::cout << "reading file " << file << std::endl;
  line_source source(in, sex_kind, file);
  std::vector<int> codes;
  std::string line;
  std::vector<char*> fields;
  while (source.next(line)) {
    split_fields(line, fields);
    for (char* f : fields) {
      int code = -1;
      if (!parse_whole_number(f, code) || code < 0 || code > 2)
        throw user_error(source.where() + ": sex code '" + printable(f) +
                         "' is not 0 (unknown), 1 (male) or 2 (female)");
      codes.push_back(code);
    }
  }
  return codes;
}

// The SNP-information file, read alongside the first cohort's SNPs: line s
// holds SNP number s.
class info_reader {
 public:
  // The file must have passed require_plain_text: opening a pipe with no
  // writer would hang.
  explicit info_reader(const std::string& file)
      : file_(file), in_(file), source_(in_, info_kind, file) {
    if (!in_) throw cannot_open(info_kind, file, errno);
  }

  // Skips the lines of the SNPs before the range; their layout is checked
  // as for the lines of the range, their numbers are not read.
  void skip(int lines) {
    for (int i = 0; i < lines && !ended_; ++i)
      if (!next_snp_line()) ended_ = true;
  }

  // The prior frequency of snp s, number `number` (from 1), or -1 when it has
  // none: a mismatched rs, a frequency that is missing (NA or NaN) or outside
  // [0, 1], or a file that ended.  The file stays open to the end of the
  // range, so every SNP logs its read, also after the file has ended.
  double prior_of(const snp& s, int number) {
    std::cout << " read SNP information " << std::endl;
    if (!ended_ && !next_snp_line()) ended_ = true;
    if (ended_) {
      if (!warned_)
        std::cout << "warning: SNP-information file " << quoted(file_)
                  << " ends before SNP " << number << " [" << s.rs
                  << "]: it and every later SNP get no prior frequency" << std::endl;
      warned_ = true;
      return -1.0;
    }
    double freq = 0;
    const bool missing = is_missing_token(fields_[4]);
    if (!missing && !parse_real_number(fields_[4], freq))
      throw user_error(source_.where() + ": prior frequency '" + printable(fields_[4]) +
                       "' is not a number");
    if (s.rs != fields_[0]) {
      std::cout << "MISMATCH!!!!!" << std::endl;
      std::cout << fields_[0] << " " << s.rs << std::endl;
      return -1.0;
    }
    if (missing) {
      std::cout << "warning: " << source_.where() << ": prior frequency " << fields_[4]
                << " of " << s.rs << " is missing; the SNP gets no prior frequency"
                << std::endl;
      return -1.0;
    }
    if (!(freq >= 0 && freq <= 1)) {
      std::cout << "warning: " << source_.where() << ": prior frequency " << freq
                << " of " << s.rs
                << " lies outside [0, 1]; the SNP gets no prior frequency" << std::endl;
      return -1.0;
    }
    return freq;
  }

 private:
  // Reads the next line into fields_; false at the end of the file.  Blank
  // lines are only allowed at the end of the file.
  bool next_filled_line() {
    if (!source_.next(line_)) return false;
    split_fields(line_, fields_);
    if (!fields_.empty()) return true;
    int blank = source_.number();
    if (source_.only_blank_lines_left()) return false;
    throw user_error(source_.where(blank) + " is blank");
  }

  // next_filled_line, and the line must hold the five fields of a SNP.
  bool next_snp_line() {
    if (!next_filled_line()) return false;
    if (fields_.size() != 5)
      throw user_error(source_.where() +
                       ": expected 5 fields (rs, three more, prior "
                       "frequency), got " +
                       std::to_string(fields_.size()) + source_.cr_only_note());
    return true;
  }

  std::string file_;
  std::ifstream in_;
  line_source source_;
  std::string line_;
  std::vector<char*> fields_;
  bool ended_ = false;
  bool warned_ = false;
};

// The largest intensity magnitude the fit can carry.  The likelihood squares
// the difference of a point and a class mean (both within the data's range)
// and doubles the cross product: with every |value| <= 1e150 a difference is
// at most 2e150, its square 4e300 and the cross term 8e300, which leaves a
// factor of about 2e7 below the largest double (1.8e308) for the inverse
// covariance and for the sums over points.
const double largest_intensity = 1e150;
const char* const largest_intensity_text = "1e150";

}  // namespace

int countLines(std::istream& in) {
  int count = 0;
  char c;
  while (in.get(c))
    if (c == '\n') ++count;
  return count;
}

line_tally tally_lines(std::istream& in, const char* file) {
  line_tally tally;
  int line = 1;
  bool filled = false;
  bool first_block = true;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::streamsize got = in.gcount();
    std::streamsize from = 0;
    if (first_block && got >= static_cast<std::streamsize>(byte_order_mark_size) &&
        std::memcmp(buffer.data(), byte_order_mark, byte_order_mark_size) == 0)
      from = byte_order_mark_size;
    first_block = false;
    for (std::streamsize i = from; i < got; ++i) {
      char c = buffer[static_cast<size_t>(i)];
      if (c == '\n') {
        if (filled) tally.last_filled_line = line;
        ++tally.line_feeds;
        ++line;
        filled = false;
      } else if (!is_blank(c)) {
        filled = true;
      }
    }
    if (in.bad())
      throw user_error("cannot read " + std::string(file) + ": " +
                       intensity_kind.unreadable);
    if (!in) break;
  }
  if (filled) tally.last_filled_line = line;
  return tally;
}

void data::read_data() {
  std::cout.precision(10);
  std::cout << "setting precision" << std::endl;
  std::cout << "reading data" << std::endl;
  if (chrX) std::cout << "assuming X chromosome mode" << std::endl;

  check_input_options(*this);
  snps_without_prior = 0;
  zero_allele_cohorts.clear();
  n_cohorts = static_cast<int>(intensity_files.size());
  n_ind.resize(n_cohorts);
  sex_counts.resize(n_cohorts);
  intensity_opener opener(gz, bz2);

  // Count the SNP lines of the first intensity file.  A last line without a
  // line feed is a SNP; blank lines at the end are not.
  const std::string& first = intensity_files[0];
  int total = 0;
  {
    io::filtering_istream in;
    opener.open(in, first);
    line_tally tally =
        tally_lines(in, (std::string(intensity_kind.name) + " " + quoted(first)).c_str());
    in.reset();
    if (tally.last_filled_line == 0)
      throw user_error("intensity file " + quoted(first) + " is empty");
    total = tally.last_filled_line - 1;
  }
  std::cout << " # snps = " << total << std::endl;
  if (total < 1) throw no_snp_line(first, first_line_cr_only_note(opener, first));

  // The SNP range, 1-based and inclusive.
  if (snp_start < 1) snp_start = 1;
  if (snp_end < 1 || snp_end < snp_start || snp_end > total) snp_end = total;
  n_snps = snp_end - snp_start + 1;
  std::cout << " snp range " << snp_start << "-" << snp_end << std::endl;
  if (n_snps < 1)
    throw user_error("-snps: the range starts at SNP " + std::to_string(snp_start) +
                     ", but intensity file " + quoted(first) + " holds only " +
                     std::to_string(total) + " SNP" + (total == 1 ? "" : "s"));
  snps.resize(n_snps);
  // Each SNP's per-cohort lists at their final size: grown one cohort at a
  // time they would leave freed blocks behind, held to the end of the run.
  for (snp& s : snps) {
    s.cohort_of.reserve(n_cohorts);
    s.points.reserve(n_cohorts);
    s.missing.reserve(n_cohorts);
  }

  // Headers, and the sex files in X-chromosome mode.  A header may end in
  // one unpaired name, which is not read.
  std::vector<size_t> sample_names(n_cohorts);
  for (int c = 0; c < n_cohorts; ++c) {
    sample_names[c] = count_sample_names(opener, intensity_files[c]);
    n_ind[c] = static_cast<int>(sample_names[c] / 2);
    std::cout << " cohort " << c << " # ind = " << n_ind[c] << std::endl;
    if (!chrX) continue;
    const std::string& file = sex_files[c];
    std::vector<int> codes = read_sex_codes(file);
    sex_counts[c].assign(3, 0);
    for (int code : codes) ++sex_counts[c][code];
    std::cout << " # males = " << sex_counts[c][1] << "\t# females = " << sex_counts[c][2]
              << "\t# unknown " << sex_counts[c][0] << std::endl;
    if (static_cast<int>(codes.size()) != n_ind[c]) {
      std::cout << "sex file doesn't contain correct number of individuals" << std::endl;
      std::cout << " " << codes.size() << "  " << n_ind[c] << std::endl;
      throw user_error(
          "sex file " + quoted(file) + " holds " + std::to_string(codes.size()) +
          (codes.size() == 1 ? " code" : " codes") + ", but cohort " + std::to_string(c) +
          " (intensity file " + quoted(intensity_files[c]) + ") has " +
          std::to_string(n_ind[c]) + " individuals");
    }
    if (sex_counts[c][1] + sex_counts[c][2] == 0)
      throw user_error("sex file " + quoted(file) + " of cohort " + std::to_string(c) +
                       ": no individual of known sex (every code is 0); "
                       "X-chromosome mode needs males or females");
    sex.push_back(codes);
  }

  std::unique_ptr<info_reader> info;
  if (!info_file.empty()) {
    require_plain_text(info_kind, info_file);
    info.reset(new info_reader(info_file));
  }

  // The SNPs of the range, cohort by cohort.
  std::string line;
  std::vector<char*> fields;
  for (int c = 0; c < n_cohorts; ++c) {
    const std::string& file = intensity_files[c];
    io::filtering_istream in;
    opener.open(in, file);
    std::cout << " reading file : " << file << std::endl;
    line_source source(in, intensity_kind, file);

    // A file that ends before SNP `number` of the range.
    auto ends_before = [&](int number) {
      return user_error("intensity file " + quoted(file) + " ends at line " +
                        std::to_string(source.number()) + ", before SNP " +
                        std::to_string(number));
    };

    // Intensity `field` of individual i (from 0) on the current line.
    auto bad_intensity = [&](int i, int axis, const char* field,
                             const std::string& reason) {
      return user_error(source.where() + ": " + (axis == 0 ? "x" : "y") +
                        " intensity of individual " + std::to_string(i + 1) + " is '" +
                        printable(field) + "', " + reason);
    };

    const int n = n_ind[c];
    const size_t expected = 5 + 2 * static_cast<size_t>(n);
    // A SNP line, split into `f`, of the wrong field count (a blank line
    // has no field).  When the first SNP line does not fit a header with an
    // odd number of sample names, the header is named first: its count is
    // the likelier fault.  An allele2 that reads as an intensity is named
    // too: a file of four key columns has an odd count after five.
    auto wrong_field_count = [&](const std::vector<char*>& f) {
      const std::string intensity_as_allele =
          f.size() >= 5 && is_fraction_number(f[4])
              ? "; allele2 (field 5) is '" + printable(f[4]) +
                    "', a number with a fraction: " + fewer_key_columns
              : "";
      const std::string layout = "expected " + std::to_string(expected) +
                                 " fields (5 keys, then x and y of each of " +
                                 std::to_string(n) + " individuals), got " +
                                 std::to_string(f.size()) + intensity_as_allele +
                                 source.cr_only_note();
      if (source.number() == 2 && sample_names[c] % 2 == 1)
        return user_error(source.where(1) + ": the header has " +
                          std::to_string(sample_names[c]) +
                          " names after the 5 key columns, an odd number (two per "
                          "individual: x and y); line 2: " +
                          layout);
      return user_error(source.where() + ": " + layout);
    };

    // Whether every SNP line read so far names no allele (names_no_allele of
    // both allele fields), and the first of them with a missing-value mark,
    // with its allele fields: the file is judged on all of its lines read.
    bool no_allele_named = true;
    int missing_mark_line = 0;
    std::string missing_mark_alleles;

    // Refuses SNP line `f` when its layout is wrong.  Intensities in the
    // allele fields (two numbers with a fraction, or one beside a
    // missing-value mark) are checked first: a file with fewer key columns
    // shifts every value, and its field count may fit (three key columns:
    // sample 1's x and y read as the alleles) or not (two key columns: an odd
    // count, which would otherwise blame the header).  Then the line counts
    // in no_allele_named.
    auto check_layout = [&](const std::vector<char*>& f) {
      const char* allele1 = f.size() >= 5 ? as_non_allele(f[3]) : nullptr;
      const char* allele2 = f.size() >= 5 ? as_non_allele(f[4]) : nullptr;
      if (allele1 && allele2 &&
          (allele1 == fraction_number || allele2 == fraction_number))
        throw user_error(source.where() + ": the allele fields (4 and 5) are '" +
                         printable(f[3]) + "' and '" + printable(f[4]) + "', " +
                         (allele1 == allele2 ? std::string("numbers with a fraction")
                                             : std::string(allele1) + " and " + allele2) +
                         ": " + fewer_key_columns);
      if (f.size() != expected) throw wrong_field_count(f);
      if (!no_allele_named) return;
      no_allele_named = names_no_allele(f[3]) && names_no_allele(f[4]);
      if (no_allele_named && missing_mark_line == 0 &&
          (is_missing_token(f[3]) || is_missing_token(f[4]))) {
        missing_mark_line = source.number();
        missing_mark_alleles = "'" + printable(f[3]) + "' and '" + printable(f[4]) + "'";
      }
    };

    // The header, then the SNPs before the range: only their layout is
    // checked (no intensity is read), so that SNP s is line s + 1 however far
    // down the range starts, and a line is refused with the words of a run
    // whose range holds it.
    if (!source.next(line)) throw ends_before(snp_start);
    for (int s = 1; s < snp_start; ++s) {
      if (!source.next(line)) throw ends_before(snp_start);
      split_fields(line, fields);
      check_layout(fields);
    }
    if (c == 0 && info) info->skip(snp_start - 1);

    size_t missing_points = 0;
    for (int k = 0; k < n_snps; ++k) {
      std::cout << "\r"
                << " snp [" << k + 1 << "/" << n_snps << "]" << std::flush;
      snp& s = snps[k];
      if (!source.next(line)) throw ends_before(snp_start + k);
      split_fields(line, fields);
      check_layout(fields);
      // Cohort 0's keys label the results; a later cohort's must be the same.
      if (c > 0) {
        require_same_keys(s, fields, source.where(), intensity_files[0]);
      } else {
        s.SNP_ID = fields[0];
        s.rs = fields[1];
        s.position = fields[2];
        s.allele1 = fields[3];
        s.allele2 = fields[4];
        s.prior_freq = -1.0;
        if (info) {
          s.prior_freq = info->prior_of(s, snp_start + k);
          if (s.prior_freq < 0) ++snps_without_prior;
        }
      }

      xy_list points;
      std::vector<int> missing;
      points.reserve(n);
      for (int i = 0; i < n; ++i) {
        double value[2] = {0, 0};
        bool is_missing = false;
        for (int axis = 0; axis < 2; ++axis) {
          const char* field = fields[5 + 2 * i + axis];
          if (is_missing_token(field)) {
            is_missing = true;
            continue;
          }
          if (!parse_real_number(field, value[axis]))
            throw bad_intensity(i, axis, field, "not a number");
          if (std::fabs(value[axis]) > largest_intensity)
            throw bad_intensity(i, axis, field,
                                std::string("beyond ") + largest_intensity_text +
                                    " in magnitude, the largest the "
                                    "likelihood can carry");
        }
        if (is_missing)
          missing.push_back(i);
        else
          points.push_back({value[0], value[1]});
      }
      missing_points += missing.size();
      s.cohort_of.push_back(cohort_runs(c, static_cast<int>(points.size())));
      s.points.push_back(std::move(points));
      s.missing.push_back(std::move(missing));
    }
    // A file none of whose SNP lines read names an allele seems to have three
    // key columns, its first sample's x and y read as the alleles and every
    // later sample shifted by one.  It is refused when a missing-value mark
    // shows that sample's failure, and left to a warning (intensity_warnings)
    // when every allele field reads 0, as alleles unknown throughout read too.
    if (no_allele_named && missing_mark_line > 0)
      throw user_error(source.where(missing_mark_line) +
                       ": the allele fields (4 and 5) are " + missing_mark_alleles +
                       ", and on every SNP line read each allele field is a "
                       "missing-value mark or 0: " +
                       fewer_key_columns);
    if (no_allele_named) zero_allele_cohorts.push_back(c);
    // A range that runs to the last SNP of the first file: a later file must
    // end there too (blank lines excepted), or its further SNPs would be
    // dropped without a word.
    if (c > 0 && snp_end == total)
      while (source.next(line))
        if (count_fields(line) > 0)
          throw user_error(source.where() + ": a further SNP line: intensity file " +
                           quoted(intensity_files[0]) + " holds " +
                           std::to_string(total) + (total == 1 ? " SNP" : " SNPs") +
                           " (the last on line " + std::to_string(total + 1) +
                           "), and every cohort's file must hold the same SNP lines");
    in.reset();
    std::cout << std::endl;
    if (missing_points > 0)
      std::cout << " cohort " << c << " # missing points = " << missing_points
                << std::endl;
  }
  std::cout << "..done" << std::endl;
}

std::string missing_priors_warning(const data& d) {
  // -paf gives every SNP its frequency, whatever the file says.
  if (d.use_paf || d.snps_without_prior == 0) return "";
  return std::to_string(d.snps_without_prior) + " of " + std::to_string(d.n_snps) +
         (d.n_snps == 1 ? " SNP" : " SNPs") +
         " got no prior frequency from SNP-information file " + quoted(d.info_file) +
         " (an rs that differs from the intensity file's, a frequency that is "
         "missing or outside [0, 1], or a file that ends early); the log's "
         "\"MISMATCH!!!!!\" and \"warning:\" lines say which";
}
