// Random-variate library: the seed files of the uniform generators, the
// directory they are kept in, and the copies through the installed generator.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "mt_state.h"
#include "myexcept.h"
#include "vargen1.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
using vargen_internal::mt;
using vargen_internal::MT_WORDS;
using vargen_internal::mti;

SimpleString Random::Dir;

// ---------------------------------------------------------------------------
// Seed files.  A seed file is one line: the marker "!Vargen03!", the state
// fields of the generator as upper-case hexadecimal digits (8 per field, the
// low 32 bits, or 4 for a 16-bit field), the marker again, a newline.  On
// reading, white space between any two characters is skipped.

namespace {

const char marker[] = "!Vargen03!";
const int marker_length = sizeof marker - 1;  // without the terminator

// Checks the stream and reads one marker.  The silent form, used before a
// file is overwritten, accepts a missing, unreadable or empty file; a file
// with other content fails either way.
void ReadVerify(std::ifstream& in, bool silent) {
  if (!in.good()) {
    if (silent) return;
    throw Runtime_error("Vargen: can't open seed file");
  }
  char c;
  in >> c;
  if (in.eof() || !in) {
    if (silent) return;
    throw Runtime_error("Vargen: seed file verification fails");
  }
  if (c != marker[0]) throw Runtime_error("Vargen: seed file verification fails");
  for (int i = 1; i < marker_length; ++i) {
    in >> c;
    if (!in || c != marker[i])
      throw Runtime_error("Vargen: seed file verification fails");
  }
}

// Checks the stream and writes one marker.
void WriteVerify(std::ofstream& out) {
  if (out.fail()) throw Runtime_error("Vargen: can't access seed file");
  for (int i = 0; i < marker_length; ++i) out << marker[i];
}

// The value of the hexadecimal digit c ("0" to "9", "A" to "F") shifted left
// by shift bits.
unsigned long unhex(char c, int shift) {
  unsigned long d;
  if (c >= '0' && c <= '9')
    d = static_cast<unsigned long>(c - '0');
  else if (c >= 'A' && c <= 'F')
    d = static_cast<unsigned long>(c - 'A' + 10);
  else
    throw Runtime_error("vargen: invalid character in unhex");
  return d << shift;
}

// One payload character.  A file that ends inside the payload has nothing
// more to give: it is reported as a file that cannot be read, and no
// character that was never read is used.
char read_digit(std::ifstream& in) {
  char c;
  in >> c;
  if (!in) throw Runtime_error("Vargen: can't open seed file");
  return c;
}

// A field of `digits` hexadecimal digits, combined into `field` as the digits
// arrive (so a failure leaves the digits read so far).
template <class Field>
void read_into(std::ifstream& in, int digits, Field& field) {
  field = 0;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    field |= static_cast<Field>(unhex(read_digit(in), shift));
}

// A field of `digits` hexadecimal digits, returned when complete.
std::uint32_t read_value(std::ifstream& in, int digits) {
  std::uint64_t v = 0;
  read_into(in, digits, v);
  return static_cast<std::uint32_t>(v);
}

// The low 4 * digits bits of v, most significant digit first.
void write_hex(std::ofstream& out, std::uint64_t v, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    const int d = static_cast<int>((v >> shift) & 0xf);
    out << static_cast<char>(d <= 9 ? '0' + d : 'A' + d - 10);
  }
}

// Reads the file `name` of the seed directory: opening marker, the payload
// read by read_payload(in), closing marker.
template <class ReadPayload>
void read_seed_file(const char* name, ReadPayload read_payload) {
  const SimpleString path = Random::Dir + name;
  std::ifstream in(path.CString());
  ReadVerify(in, false);
  read_payload(in);
  ReadVerify(in, false);
  in.close();
}

// Whether the file at `path` may be replaced: it is missing, or there and open
// to writing.  A seed file that may not be written stays as it is, as it
// would if it were overwritten in place.
bool may_be_replaced(const SimpleString& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path.CString(), ec)) return true;
  // Opening for reading and writing neither creates nor truncates the file.
  std::fstream probe(path.CString(), std::ios::in | std::ios::out);
  return probe.is_open();
}

// Writes the file `name` of the seed directory.  A file already there must be
// empty or a seed file; anything else is left alone.  The new line is written
// to a file beside it, which replaces it only once the whole line has been
// written: a write that fails (a full disk, the file-size limit) leaves the
// previous seed file whole.
template <class WritePayload>
void write_seed_file(const char* name, WritePayload write_payload) {
  const SimpleString path = Random::Dir + name;
  {
    std::ifstream in(path.CString());
    ReadVerify(in, true);
    if (in.good()) in.close();
  }
  if (!may_be_replaced(path)) throw Runtime_error("Vargen: can't access seed file");
  const SimpleString beside = path + ".new";
  std::ofstream out(beside.CString(), std::ios::out | std::ios::trunc);
  WriteVerify(out);  // throws when the file did not open: there is nothing to remove
  try {
    write_payload(out);
    WriteVerify(out);
    out << '\n';
    // The buffered line reaches the file only when it is closed: a write that
    // failed there must not pass for a written seed.
    out.close();
    if (out.fail() || std::rename(beside.CString(), path.CString()) != 0)
      throw Runtime_error("Vargen: can't access seed file");
  } catch (...) {
    std::remove(beside.CString());
    throw;
  }
}

}  // namespace

void Random::SetDirectory(const char* s) { Dir = s; }

void Random::CopySeedToDisk() {
  if (Dir.Length() == 0) throw Logic_error("Vargen: directory not defined");
  RNG->CSTD();
}

void Random::CopySeedFromDisk(bool cs) {
  if (Dir.Length() == 0) throw Logic_error("Vargen: directory not defined");
  RNG->CSFD(cs);
}

// MT: the 624 state words, then the index of the next word.  An index outside
// 0 to 624 (624: regenerate at the next draw) would read outside the state,
// so such a file is refused and the index stays as it was.
void MT::CSFD(bool cs) {
  SeedBack = false;
  std::int32_t index = 0;
  read_seed_file("mt19937.txt", [&](std::ifstream& in) {
    for (int i = 0; i < MT_WORDS; ++i) mt[i] = read_value(in, 8);
    index = static_cast<std::int32_t>(read_value(in, 8));
  });
  if (index < 0 || index > MT_WORDS)
    throw Runtime_error("Vargen: seed file verification fails");
  mti = index;
  SeedBack = cs;
}

void MT::CSTD() {
  write_seed_file("mt19937.txt", [](std::ofstream& out) {
    for (int i = 0; i < MT_WORDS; ++i) write_hex(out, mt[i], 8);
    write_hex(out, static_cast<std::uint32_t>(mti), 8);
  });
}

void WH::CSFD(bool cs) {
  SeedBack = false;
  read_seed_file("wh.txt", [this](std::ifstream& in) {
    read_into(in, 8, x);
    read_into(in, 8, y);
    read_into(in, 8, z);
  });
  SeedBack = cs;
}

void WH::CSTD() {
  write_seed_file("wh.txt", [this](std::ofstream& out) {
    write_hex(out, x, 8);
    write_hex(out, y, 8);
    write_hex(out, z, 8);
  });
}

// MotherOfAll: the lags pairwise, Lag1[i] then Lag2[i], as 16-bit patterns.
// The lags of a generator that has not drawn yet are filled from its seed
// first, so that the file continues its stream.
void MotherOfAll::CSFD(bool cs) {
  SeedBack = false;
  read_seed_file("mother.txt", [this](std::ifstream& in) {
    for (int i = 0; i < 10; ++i) {
      Lag1[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(read_value(in, 4)));
      Lag2[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(read_value(in, 4)));
    }
  });
  Unseeded = 0;
  SeedBack = cs;
}

void MotherOfAll::CSTD() {
  if (Unseeded) FillLags();
  write_seed_file("mother.txt", [this](std::ofstream& out) {
    for (int i = 0; i < 10; ++i) {
      write_hex(out, static_cast<std::uint16_t>(Lag1[i]), 4);
      write_hex(out, static_cast<std::uint16_t>(Lag2[i]), 4);
    }
  });
}

void MultWithCarry::CSFD(bool cs) {
  SeedBack = false;
  read_seed_file("multwc.txt", [this](std::ifstream& in) {
    read_into(in, 8, x);
    read_into(in, 8, carry);
  });
  SeedBack = cs;
}

void MultWithCarry::CSTD() {
  write_seed_file("multwc.txt", [this](std::ofstream& out) {
    write_hex(out, x, 8);
    write_hex(out, carry, 8);
  });
}

void LGM_simple::CSFD(bool cs) {
  SeedBack = false;
  read_seed_file("lgm.txt", [this](std::ifstream& in) { read_into(in, 8, x); });
  SeedBack = cs;
}

void LGM_simple::CSTD() {
  write_seed_file("lgm.txt", [this](std::ofstream& out) {
    write_hex(out, static_cast<std::uint64_t>(x), 8);
  });
}

// LGM_mixed: only x is stored; the shuffle table is rebuilt from it.
void LGM_mixed::CSFD(bool cs) {
  SeedBack = false;
  read_seed_file("lgm_mix.txt", [this](std::ifstream& in) { read_into(in, 8, x); });
  FillTable();
  SeedBack = cs;
}

void LGM_mixed::CSTD() {
  write_seed_file("lgm_mix.txt", [this](std::ofstream& out) {
    write_hex(out, static_cast<std::uint64_t>(x), 8);
  });
}

// FM: the state is replaced only once the whole file has been read.
void FM::CSFD(bool cs) {
  SeedBack = false;
  std::uint64_t value = 0;
  read_seed_file("fm.txt", [&value](std::ifstream& in) { value = read_value(in, 8); });
  x = value;
  SeedBack = cs;
}

void FM::CSTD() {
  write_seed_file("fm.txt", [this](std::ofstream& out) { write_hex(out, x, 8); });
}
