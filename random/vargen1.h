// Random-variate library, generator base: the class Random from which every
// uniform generator and every distribution derives, the installed generator
// (Random::RNG) from which every distribution takes its uniforms, the
// placeholder DummyRNG, the Mersenne twister MT, and the elementary
// distributions Uniform and Constant.
//
// Failures are reported by throwing newmat's exception classes (Logic_error,
// Runtime_error, Bad_alloc, Invalid_argument, declared in "myexcept.h");
// nothing in the library catches.  The library's headers do not include
// newmat's: those bring `using namespace std` into the global namespace,
// which would make names such as std::data ambiguous in every includer.
#ifndef VARGEN1_H
#define VARGEN1_H

#include "extreal.h"
#include "simpstr.h"

// Base of every generator and distribution.  A plain Random is itself a
// uniform distribution on (0, 1) drawing from the installed generator.
// The order of the virtual operations below is part of the design: every
// class keeps it.
class Random {
 public:
  static Random* RNG;        // the installed uniform generator; not owned
  static Random* Dummy;      // the placeholder installed at start-up; never freed
  static SimpleString Dir;   // directory of the seed files

  // Makes r the installed generator; r is not copied, seeded or owned.
  static void Set(Random& r) { RNG = &r; }

  virtual void CSFD(bool);                    // copy seed from disk
  virtual void CSTD();                        // copy seed to disk
  virtual double Next();                      // one uniform from RNG
  virtual unsigned long ulNext();             // throws: not available
  virtual const char* Name();                 // "Random"
  virtual double Density(double) const;      // throws: not available
  virtual ~Random();
  virtual ExtReal Mean() const;               // 0.5
  virtual ExtReal Variance() const;           // 1/12
  virtual void tDelete();                     // delete-if-temporary hook
  virtual int nelems() const;                 // 1
  virtual void load(int*, double*, Random**); // throws: illegal combination
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
  double Next() override;          // (y + 0.5) * 2^-32, in (0, 1)
  unsigned long ulNext() override; // the 32-bit output word y
  const char* Name() override;
  ~MT() override;                  // gives the placeholder back if installed

  static void init_genrand(unsigned long s);
  static unsigned long genrand_int32();

 private:
  bool SeedBack;  // write the seed file when destroyed
};

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
