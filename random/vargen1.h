// Random-variate library, generator base: the class Random from which every
// uniform generator and every distribution derives, the installed generator
// (Random::RNG) from which every distribution takes its uniforms, the
// placeholder DummyRNG, the Mersenne twister MT, and the elementary
// distributions Uniform and Constant.
//
// The other uniform generators (WH, MotherOfAll, MultWithCarry, LGM_base,
// LGM_simple, LGM_mixed, FM) each keep their own state.  Every uniform
// generator but LGM_base can save its state to a seed file and read it back
// (CSTD, CSFD), in the directory set by Random::SetDirectory.
//
// Failures are reported by throwing newmat's exception classes (Logic_error,
// Runtime_error, Bad_alloc, Invalid_argument, declared in "myexcept.h").  The
// library catches only to free what a failed constructor was handed, or to
// remove the unfinished file of a failed seed-file write, before throwing on,
// and in a generator's destructor (see Random::Retire), which must not throw.
// The library's headers do not include newmat's: those bring `using
// namespace std` into the global namespace, which would make names such as
// std::data ambiguous in every includer.
//
// Defined in vargen1.cpp (Random, DummyRNG, MT, Uniform, Constant),
// generators.cpp (the other uniform generators), seedfile.cpp (the seed
// files, their directory and the copies through the installed generator) and
// combine.cpp (Random's operator(), which builds repeated and selected
// variables).
#ifndef VARGEN_VARGEN1_H
#define VARGEN_VARGEN1_H

#include <cstdint>

#include "extreal.h"
#include "simpstr.h"

class RepeatedRandom;
class SelectedRandom;

// Base of every generator and distribution.  A plain Random is itself a
// uniform distribution on (0, 1) drawing from the installed generator.
// The order of the virtual operations below is part of the design: every
// class keeps it.
class Random {
 public:
  static Random* RNG;       // the installed uniform generator; not owned
  static Random* Dummy;     // the placeholder installed at start-up; never freed
  static SimpleString Dir;  // directory of the seed files

  // Makes r the installed generator; r is not copied, seeded or owned.
  static void Set(Random& r) { RNG = &r; }

  // Seed files.  The path of a file is the directory followed directly by
  // the file name: no separator is added.
  static void SetDirectory(const char* s);
  // Write / read the installed generator's seed file; both throw when no
  // directory has been set.  With cs, the generator writes its file back when
  // it is destroyed.
  static void CopySeedToDisk();
  static void CopySeedFromDisk(bool cs);

  virtual void CSFD(bool);               // copy seed from disk
  virtual void CSTD();                   // copy seed to disk
  virtual double Next();                 // one uniform from RNG
  virtual unsigned long ulNext();        // throws: not available
  virtual const char* Name();            // "Random"
  virtual double Density(double) const;  // throws: not available
  virtual ~Random();
  virtual ExtReal Mean() const;                // 0.5
  virtual ExtReal Variance() const;            // 1/12
  virtual void tDelete();                      // delete-if-temporary hook
  virtual int nelems() const;                  // 1
  virtual void load(int*, double*, Random**);  // throws: illegal combination

  // Combination operators (not virtual): X(n) with an int n is the sum of n
  // draws of X; X(p) with a double p selects X with probability p in a
  // mixture.  Each allocates a node (see the combination operators).
  RepeatedRandom& operator()(int n);
  SelectedRandom& operator()(double p);

 protected:
  // The end of a uniform generator's life, called by its destructor: writes
  // the seed file when seed_back is set, then gives the placeholder back if
  // this generator is installed.  A destructor must not throw, so a failure
  // to write is not thrown on: it is reported on standard error, and the
  // previous seed file stays as it was.  Call CSTD (or CopySeedToDisk)
  // before destroying the generator to have such a failure thrown.
  void Retire(bool seed_back);
};

// The generator installed before any other is set and after an installed
// generator is destroyed: every draw from it fails.
class DummyRNG : public Random {
 public:
  void CSFD(bool) override;
  void CSTD() override;
  double Next() override;
  const char* Name() override;
};

// The Mersenne twister MT19937.  All MT objects share one process-wide state,
// so there is one stream however many objects exist; constructing an MT
// restarts it.
class MT : public Random {
 public:
  explicit MT(double s);
  void CSFD(bool cs) override;
  void CSTD() override;
  double Next() override;           // (y + 0.5) * 2^-32, in (0, 1)
  unsigned long ulNext() override;  // the 32-bit output word y
  const char* Name() override;
  ~MT() override;  // gives the placeholder back if installed

  static void init_genrand(unsigned long s);
  static unsigned long genrand_int32();

 private:
  bool SeedBack;  // write the seed file when destroyed
};

// ---------------------------------------------------------------------------
// Other uniform generators.  Each is seeded from a double in (0, 1) (other
// seeds throw "Vargen: seed out of range"), and each object is a stream of
// its own.  When installed, destroying it gives the placeholder back.

// Wichmann and Hill: three small congruential generators whose scaled
// states are added modulo 1.
class WH : public Random {
 public:
  explicit WH(double s);
  void CSFD(bool cs) override;
  void CSTD() override;
  double Next() override;           // in [0, 1)
  unsigned long ulNext() override;  // floor(u * 2^32)
  const char* Name() override;
  ~WH() override;

 private:
  bool SeedBack;
  std::uint64_t x, y, z;
};

// Marsaglia's "mother of all" generator: two lagged multiply-with-carry
// generators of 16 bits, combined into a 32-bit output.
class MotherOfAll : public Random {
 public:
  explicit MotherOfAll(double s);
  void CSFD(bool cs) override;
  void CSTD() override;
  double Next() override;           // (Value + 0.5) * 2^-32
  unsigned long ulNext() override;  // Value
  const char* Name() override;
  ~MotherOfAll() override;

  void Mother();  // one step; the output is left in Value

 private:
  void FillLags();  // fills the lags from the seed word (once)

  bool SeedBack;
  std::int16_t Lag1[10];  // [0] the carry, [1..9] the last values, newest first
  std::int16_t Lag2[10];
  std::int16_t Unseeded;  // 1 until the lags are filled or read
  std::uint64_t Value;    // the seed word, then the last output
};

// A 32-bit multiply-with-carry generator.
class MultWithCarry : public Random {
 public:
  explicit MultWithCarry(double s);
  void CSFD(bool cs) override;
  void CSTD() override;
  double Next() override;           // (x + 0.5) * 2^-32
  unsigned long ulNext() override;  // x
  const char* Name() override;
  ~MultWithCarry() override;

  std::uint64_t NextValue();  // one step; the new x

 private:
  bool SeedBack;
  std::uint64_t x;
  std::uint64_t carry;
};

// The minimal standard generator x <- 16807 x mod (2^31 - 1), by Schrage's
// method.  It has no seed file.
class LGM_base : public Random {
 public:
  explicit LGM_base(double s);
  double Next() override;           // x * 2^-31
  unsigned long ulNext() override;  // 2 x
  const char* Name() override;
  ~LGM_base() override;

  std::int64_t NextValue();  // one step; the new x

 protected:
  std::int64_t x;
  bool SeedBack;  // used by the subclasses that have a seed file
};

// LGM_base with a seed file.
class LGM_simple : public LGM_base {
 public:
  explicit LGM_simple(double s) : LGM_base(s) {}
  void CSFD(bool cs) override;
  void CSTD() override;
  const char* Name() override;
  ~LGM_simple() override;
};

// LGM_base with a shuffle table of 128 past states: each output is a state
// drawn out of the table and replaced by a newer one.
class LGM_mixed : public LGM_base {
 public:
  explicit LGM_mixed(double s);
  void CSFD(bool cs) override;      // reads x and rebuilds the table from it
  void CSTD() override;             // writes x only
  double Next() override;           // Output * 2^-31
  unsigned long ulNext() override;  // 2 Output
  const char* Name() override;
  ~LGM_mixed() override;

  void NextValue();  // one shuffled step (two LGM_base steps); sets Output

 private:
  void FillTable();  // 128 LGM_base steps into the table

  std::int64_t Table[128];
  std::int64_t Output;
};

// The multiplicative congruential generator of Fishman and Moore,
// x <- 950706376 x mod (2^31 - 1).
class FM : public Random {
 public:
  explicit FM(double s);
  void CSFD(bool cs) override;
  void CSTD() override;
  double Next() override;           // x * 2^-31, in [0, 1)
  unsigned long ulNext() override;  // 2 x
  const char* Name() override;
  ~FM() override;

  std::uint64_t NextValue();  // one step; the new x

 private:
  bool SeedBack;
  std::uint64_t x;
};

// ---------------------------------------------------------------------------
// The uniform distribution on (0, 1): one draw from the installed generator.
class Uniform : public Random {
 public:
  Uniform() {}
  double Next() override;
  const char* Name() override;
  double Density(double x) const override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;
};

// A degenerate distribution that always returns its constant.
class Constant : public Random {
 public:
  explicit Constant(double c) : value(c) {}
  double Next() override;
  const char* Name() override;
  ExtReal Mean() const override;
  ExtReal Variance() const override;

 private:
  double value;
};

#endif
