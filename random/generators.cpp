// Random-variate library: the uniform generators other than the Mersenne
// twister (WH, MotherOfAll, MultWithCarry, LGM_base, LGM_simple, LGM_mixed,
// FM).  Each object holds its own state; the arithmetic is done in
// fixed-width integers as each generator's definition requires.  Their seed
// files are read and written in seedfile.cpp.
#include <cmath>
#include <cstdint>

#include "myexcept.h"
#include "vargen1.h"

using RBD_COMMON::Logic_error;

namespace {

const double two_pow_minus_32 = 2.3283064365386963e-10;
const double two_pow_minus_31 = 4.656612873077393e-10;

// Every generator takes a seed strictly between 0 and 1; a NaN, which lies
// nowhere, is refused too.
void check_seed(double s) {
  if (!(s > 0.0 && s < 1.0)) throw Logic_error("Vargen: seed out of range");
}

// s * scale truncated toward zero, for a seed 0 < s < 1 that check_seed let
// through.
std::uint64_t seed_state(double s, double scale) {
  return static_cast<std::uint64_t>(s * scale);
}

}  // namespace

// ---------------------------------------------------------------------------
// WH

WH::WH(double s) : SeedBack(false), x(0), y(1234), z(5678) {
  check_seed(s);
  x = seed_state(s, 30269.0);
}

WH::~WH() { Retire(SeedBack); }

double WH::Next() {
  x = 171 * x % 30269;
  y = 172 * y % 30307;
  z = 170 * z % 30323;
  const double u = (x / 30269.0 + y / 30307.0) + z / 30323.0;
  if (u < 1.0) return u;
  if (u >= 2.0) return u - 2.0;
  return u - 1.0;
}

unsigned long WH::ulNext() {
  const double u = Next();
  return static_cast<unsigned long>(std::floor(u * 4294967296.0));
}

const char* WH::Name() { return "Wichmann Hill"; }

// ---------------------------------------------------------------------------
// MotherOfAll

MotherOfAll::MotherOfAll(double s)
    : SeedBack(false), Lag1(), Lag2(), Unseeded(1), Value(0) {
  check_seed(s);
  Value = seed_state(s, 2147483648.0);
  if (Value == 0 || Value > 2147483647) throw Logic_error("Vargen: seed out of range");
}

MotherOfAll::~MotherOfAll() { Retire(SeedBack); }

// The lags from the seed word: a 16-bit multiply-with-carry sequence fills
// Lag1[0..8] and then Lag2[0..8]; the carries Lag1[0] and Lag2[0] keep 15
// bits.  Lag1[9] and Lag2[9] are overwritten by the first step before they
// are read.
void MotherOfAll::FillLags() {
  std::uint32_t n = static_cast<std::uint32_t>(Value & 0x7fffffff);
  std::uint32_t w = static_cast<std::uint32_t>(Value & 0xffff);
  for (int i = 0; i < 18; ++i) {
    n = 30903 * w + (n >> 16);
    w = n & 0xffff;
    const std::int16_t v = static_cast<std::int16_t>(static_cast<std::uint16_t>(w));
    if (i < 9)
      Lag1[i] = v;
    else
      Lag2[i - 9] = v;
  }
  Lag1[0] = static_cast<std::int16_t>(Lag1[0] & 0x7fff);
  Lag2[0] = static_cast<std::int16_t>(Lag2[0] & 0x7fff);
  Unseeded = 0;
}

void MotherOfAll::Mother() {
  if (Unseeded) FillLags();
  for (int i = 9; i >= 2; --i) {
    Lag1[i] = Lag1[i - 1];
    Lag2[i] = Lag2[i - 1];
  }
  // Every term is a signed 16-bit number; the sums stay within 32 bits.
  const std::int32_t s1 = std::int32_t{Lag1[0]} + 1941 * std::int32_t{Lag1[2]} +
                          1860 * std::int32_t{Lag1[3]} + 1812 * std::int32_t{Lag1[4]} +
                          1776 * std::int32_t{Lag1[5]} + 1492 * std::int32_t{Lag1[6]} +
                          1215 * std::int32_t{Lag1[7]} + 1066 * std::int32_t{Lag1[8]} +
                          12013 * std::int32_t{Lag1[9]};
  const std::int32_t s2 = std::int32_t{Lag2[0]} + 1111 * std::int32_t{Lag2[2]} +
                          2222 * std::int32_t{Lag2[3]} + 3333 * std::int32_t{Lag2[4]} +
                          4444 * std::int32_t{Lag2[5]} + 5555 * std::int32_t{Lag2[6]} +
                          6666 * std::int32_t{Lag2[7]} + 7777 * std::int32_t{Lag2[8]} +
                          9272 * std::int32_t{Lag2[9]};
  const std::uint32_t b1 = static_cast<std::uint32_t>(s1);
  const std::uint32_t b2 = static_cast<std::uint32_t>(s2);
  Lag1[0] = static_cast<std::int16_t>(static_cast<std::uint16_t>(b1 >> 16));
  Lag1[1] = static_cast<std::int16_t>(static_cast<std::uint16_t>(b1 & 0xffff));
  Lag2[0] = static_cast<std::int16_t>(static_cast<std::uint16_t>(b2 >> 16));
  Lag2[1] = static_cast<std::int16_t>(static_cast<std::uint16_t>(b2 & 0xffff));
  Value = (std::uint64_t{static_cast<std::uint16_t>(Lag1[1])} << 16) +
          static_cast<std::uint16_t>(Lag2[1]);
}

double MotherOfAll::Next() {
  Mother();
  return (static_cast<double>(Value) + 0.5) * two_pow_minus_32;
}

unsigned long MotherOfAll::ulNext() {
  Mother();
  return static_cast<unsigned long>(Value);
}

const char* MotherOfAll::Name() { return "MotherOfAll"; }

// ---------------------------------------------------------------------------
// MultWithCarry: t = a x + carry in 64 bits, with a = 31796 * 65536 + 18622.

MultWithCarry::MultWithCarry(double s) : SeedBack(false), x(0), carry(1234567) {
  check_seed(s);
  x = seed_state(s, 4294967296.0);
}

MultWithCarry::~MultWithCarry() { Retire(SeedBack); }

std::uint64_t MultWithCarry::NextValue() {
  const std::uint64_t t = 2083801278ULL * x + carry;
  x = t & 0xffffffffULL;
  carry = t >> 32;
  return x;
}

double MultWithCarry::Next() {
  const std::uint64_t v = NextValue();
  return (static_cast<double>(v) + 0.5) * two_pow_minus_32;
}

unsigned long MultWithCarry::ulNext() { return static_cast<unsigned long>(NextValue()); }

const char* MultWithCarry::Name() { return "MultWithCarry"; }

// ---------------------------------------------------------------------------
// LGM_base, LGM_simple, LGM_mixed

LGM_base::LGM_base(double s) : x(0), SeedBack(false) {
  check_seed(s);
  x = static_cast<std::int64_t>(seed_state(s, 2147483648.0));
}

LGM_base::~LGM_base() { Retire(false); }

// 16807 x mod (2^31 - 1) without overflow: 2^31 - 1 = 16807 * 127773 + 2836.
std::int64_t LGM_base::NextValue() {
  const std::int64_t q = x / 127773;
  const std::int64_t r = x % 127773;
  x = 16807 * r - 2836 * q;
  if (x <= 0) x += 2147483647;
  return x;
}

double LGM_base::Next() {
  const std::int64_t v = NextValue();
  return static_cast<double>(v) * two_pow_minus_31;
}

unsigned long LGM_base::ulNext() {
  const std::int64_t v = NextValue();
  return 2 * static_cast<unsigned long>(v);
}

const char* LGM_base::Name() { return "LGM_base"; }

LGM_simple::~LGM_simple() { Retire(SeedBack); }

const char* LGM_simple::Name() { return "LGM_simple"; }

LGM_mixed::LGM_mixed(double s) : LGM_base(s), Table(), Output(0) { FillTable(); }

LGM_mixed::~LGM_mixed() { Retire(SeedBack); }

void LGM_mixed::FillTable() {
  for (int i = 0; i < 128; ++i) Table[i] = LGM_base::NextValue();
}

void LGM_mixed::NextValue() {
  const std::int64_t first = LGM_base::NextValue();
  const int j = static_cast<int>(static_cast<double>(first) * two_pow_minus_31 * 128.0);
  const std::int64_t second = LGM_base::NextValue();
  Output = Table[j];
  Table[j] = second;
}

double LGM_mixed::Next() {
  NextValue();
  return static_cast<double>(Output) * two_pow_minus_31;
}

unsigned long LGM_mixed::ulNext() {
  NextValue();
  return 2 * static_cast<unsigned long>(Output);
}

const char* LGM_mixed::Name() { return "LGM_mixed"; }

// ---------------------------------------------------------------------------
// FM

FM::FM(double s) : SeedBack(false), x(0) {
  check_seed(s);
  x = seed_state(s, 2147483648.0);
}

FM::~FM() { Retire(SeedBack); }

// 950706376 x mod (2^31 - 1), exact: since 2^31 = 1 modulo 2^31 - 1, the
// 62-bit product folds into its low 31 bits plus the bits above them.  The
// fold lies below 2 (2^31 - 1), so one subtraction of the modulus reduces
// it; the subtraction is also made when the fold equals the modulus, so that
// x always stays below 2^31 - 1 (a state of 2^31 - 1 steps to 0).
std::uint64_t FM::NextValue() {
  const std::uint64_t p = 950706376ULL * x;
  std::uint64_t f = (p & 0x7fffffffULL) + (p >> 31);
  if (f >= 2147483647ULL) f -= 2147483647ULL;
  x = f;
  return x;
}

double FM::Next() {
  const std::uint64_t v = NextValue();
  return static_cast<double>(v) * two_pow_minus_31;
}

unsigned long FM::ulNext() {
  const std::uint64_t v = NextValue();
  return 2 * static_cast<unsigned long>(v);
}

const char* FM::Name() { return "Fishman Moore"; }
