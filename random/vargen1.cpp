// Random-variate library, generator base: Random, DummyRNG, MT, Uniform and
// Constant.  The seed files of the uniform generators are in seedfile.cpp.
#include "vargen1.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include "mt_state.h"
#include "myexcept.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

// ---------------------------------------------------------------------------
// The installed generator.  The placeholder is created during static
// initialisation, before any other statics of this file that might draw, and
// lives until the process ends.

Random* Random::Dummy = new DummyRNG;
Random* Random::RNG = Random::Dummy;

// ---------------------------------------------------------------------------
// Random: the base behaviour.

namespace {

// An installed generator whose Next is Random's or Uniform's would ask
// itself for its uniform, for ever.
[[noreturn]] void installed_without_next() {
  throw Logic_error("Vargen: Next not defined");
}

}  // namespace

void Random::CSFD(bool) {}
void Random::CSTD() {}
double Random::Next() {
  if (RNG == this) installed_without_next();
  return RNG->Next();
}
unsigned long Random::ulNext() {
  throw Logic_error("Vargen: ulNext function not available");
}
const char* Random::Name() { return "Random"; }
double Random::Density(double) const {
  throw Logic_error("Vargen: density function not available");
}
Random::~Random() {}
ExtReal Random::Mean() const { return 0.5; }
ExtReal Random::Variance() const { return 0.08333333333333333; }
void Random::tDelete() {}
int Random::nelems() const { return 1; }
void Random::load(int*, double*, Random**) {
  throw Logic_error("Vargen: illegal combination");
}

void Random::Retire(bool seed_back) {
  if (seed_back) {
    try {
      CSTD();
    } catch (...) {
      std::cerr << "Vargen: the seed file of " << Name()
                << " could not be written back when it was destroyed" << std::endl;
    }
  }
  if (RNG == this) RNG = Dummy;
}

// ---------------------------------------------------------------------------
// DummyRNG

namespace {

[[noreturn]] void no_generator_set() {
  throw Runtime_error("Vargen: uniform rng not setup");
}

}  // namespace

void DummyRNG::CSFD(bool) { no_generator_set(); }
void DummyRNG::CSTD() { no_generator_set(); }
double DummyRNG::Next() { no_generator_set(); }
const char* DummyRNG::Name() { return "DummyRNG"; }

// ---------------------------------------------------------------------------
// MT: the MT19937 algorithm of Matsumoto and Nishimura.  The state is shared
// by every MT object of the process.

namespace vargen_internal {

unsigned long mt[MT_WORDS];
int mti = MT_WORDS + 1;

}  // namespace vargen_internal

using vargen_internal::mt;
using vargen_internal::mti;

namespace {

const int N = vargen_internal::MT_WORDS;
const int M = 397;
const unsigned long UPPER_MASK = 0x80000000UL;
const unsigned long LOWER_MASK = 0x7fffffffUL;
const unsigned long mag01[2] = {0x0UL, 0x9908b0dfUL};

// The seed word of a double seed: s * 2^32 truncated toward zero to a 64-bit
// integer (two's complement when negative), of which the low 32 bits are
// kept.  A product outside the range of the 64-bit conversion gives 0.
unsigned long seed_word(double s) {
  const double p = s * 4294967296.0;
  std::uint64_t w = 0;
  if (p >= 0.0 && p < 18446744073709551616.0)
    w = static_cast<std::uint64_t>(p);
  else if (p < 0.0 && p >= -9223372036854775808.0)
    w = static_cast<std::uint64_t>(static_cast<std::int64_t>(p));
  return static_cast<unsigned long>(w & 0xffffffffULL);
}

}  // namespace

void MT::init_genrand(unsigned long s) {
  mt[0] = s & 0xffffffffUL;
  for (int i = 1; i < N; ++i) {
    mt[i] = (1812433253UL * (mt[i - 1] ^ (mt[i - 1] >> 30)) + i);
    mt[i] &= 0xffffffffUL;
  }
  mti = N;
}

unsigned long MT::genrand_int32() {
  unsigned long y;
  if (mti >= N) {  // regenerate the block of N words
    if (mti == N + 1) init_genrand(5489UL);
    int kk;
    for (kk = 0; kk < N - M; ++kk) {
      y = (mt[kk] & UPPER_MASK) | (mt[kk + 1] & LOWER_MASK);
      mt[kk] = mt[kk + M] ^ (y >> 1) ^ mag01[y & 0x1UL];
    }
    for (; kk < N - 1; ++kk) {
      y = (mt[kk] & UPPER_MASK) | (mt[kk + 1] & LOWER_MASK);
      mt[kk] = mt[kk + (M - N)] ^ (y >> 1) ^ mag01[y & 0x1UL];
    }
    y = (mt[N - 1] & UPPER_MASK) | (mt[0] & LOWER_MASK);
    mt[N - 1] = mt[M - 1] ^ (y >> 1) ^ mag01[y & 0x1UL];
    mti = 0;
  }
  y = mt[mti++];
  y ^= (y >> 11);
  y ^= (y << 7) & 0x9d2c5680UL;
  y ^= (y << 15) & 0xefc60000UL;
  y ^= (y >> 18);
  return y & 0xffffffffUL;
}

// A NaN seed names no stream; it is refused like the other generators'
// seeds out of range.
MT::MT(double s) : SeedBack(false) {
  if (std::isnan(s)) throw Logic_error("Vargen: seed out of range");
  init_genrand(seed_word(s));
}

MT::~MT() { Retire(SeedBack); }

double MT::Next() {
  const unsigned long y = genrand_int32();
  return (static_cast<double>(y) + 0.5) * 2.3283064365386963e-10;
}

unsigned long MT::ulNext() { return genrand_int32(); }

const char* MT::Name() { return "MT19937"; }

// ---------------------------------------------------------------------------
// Uniform and Constant

double Uniform::Next() {
  if (RNG == this) installed_without_next();
  return RNG->Next();
}
const char* Uniform::Name() { return "Uniform"; }
double Uniform::Density(double x) const { return (x < 0.0 || x > 1.0) ? 0.0 : 1.0; }
ExtReal Uniform::Mean() const { return 0.5; }
ExtReal Uniform::Variance() const { return 0.08333333333333333; }

double Constant::Next() { return value; }
const char* Constant::Name() { return "Constant"; }
ExtReal Constant::Mean() const { return value; }
ExtReal Constant::Variance() const { return 0.0; }
