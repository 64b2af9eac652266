// Random-variate library: the combination operators and their holders.
//
// Every operator allocates one node that keeps the addresses of its operands
// and returns a reference to it.  A node is freed only through tDelete,
// which frees the node's operand trees first; Random's own tDelete does
// nothing, so the leaves of a tree (the caller's objects) are never freed.
// The holders SumRandom and MixedRandom free their trees when destroyed.
#include <memory>
#include <new>

#include "allocation.h"
#include "myexcept.h"
#include "vargen2.h"

using RBD_COMMON::Bad_alloc;
using RBD_COMMON::Logic_error;
using vargen_internal::checked;

// ---------------------------------------------------------------------------
// The operators

NegatedRandom& operator-(Random& x) {
  return *checked(new (std::nothrow) NegatedRandom(x));
}

ScaledRandom& operator*(Random& x, double d) {
  return *checked(new (std::nothrow) ScaledRandom(x, d));
}
ScaledRandom& operator*(double d, Random& x) {
  return *checked(new (std::nothrow) ScaledRandom(x, d));
}
ScaledRandom& operator/(Random& x, double d) {
  return *checked(new (std::nothrow) ScaledRandom(x, 1.0 / d));
}

ShiftedRandom& operator+(Random& x, double d) {
  return *checked(new (std::nothrow) ShiftedRandom(x, d));
}
ShiftedRandom& operator+(double d, Random& x) {
  return *checked(new (std::nothrow) ShiftedRandom(x, d));
}
ShiftedRandom& operator-(Random& x, double d) {
  return *checked(new (std::nothrow) ShiftedRandom(x, -d));
}
ReverseShiftedRandom& operator-(double d, Random& x) {
  return *checked(new (std::nothrow) ReverseShiftedRandom(x, d));
}
ReciprocalRandom& operator/(double d, Random& x) {
  return *checked(new (std::nothrow) ReciprocalRandom(x, d));
}

AddedRandom& operator+(Random& x, Random& y) {
  return *checked(new (std::nothrow) AddedRandom(x, y));
}
SubtractedRandom& operator-(Random& x, Random& y) {
  return *checked(new (std::nothrow) SubtractedRandom(x, y));
}
MultipliedRandom& operator*(Random& x, Random& y) {
  return *checked(new (std::nothrow) MultipliedRandom(x, y));
}
DividedRandom& operator/(Random& x, Random& y) {
  return *checked(new (std::nothrow) DividedRandom(x, y));
}

RepeatedRandom& Random::operator()(int n) {
  return *checked(new (std::nothrow) RepeatedRandom(*this, n));
}
SelectedRandom& Random::operator()(double p) {
  return *checked(new (std::nothrow) SelectedRandom(*this, p));
}

AddedSelectedRandom& operator+(SelectedRandom& x, SelectedRandom& y) {
  return *checked(new (std::nothrow) AddedSelectedRandom(x, y));
}
AddedSelectedRandom& operator+(SelectedRandom& x, AddedSelectedRandom& y) {
  return *checked(new (std::nothrow) AddedSelectedRandom(x, y));
}
AddedSelectedRandom& operator+(AddedSelectedRandom& x, SelectedRandom& y) {
  return *checked(new (std::nothrow) AddedSelectedRandom(x, y));
}
AddedSelectedRandom& operator+(AddedSelectedRandom& x, AddedSelectedRandom& y) {
  return *checked(new (std::nothrow) AddedSelectedRandom(x, y));
}

// ---------------------------------------------------------------------------
// Nodes of one operand.  Means and variances follow ExtReal arithmetic, so a
// missing, indefinite or infinite moment of an operand passes on.

double NegatedRandom::Next() { return -rv->Next(); }
ExtReal NegatedRandom::Mean() const { return -rv->Mean(); }
ExtReal NegatedRandom::Variance() const { return rv->Variance(); }
void NegatedRandom::tDelete() {
  rv->tDelete();
  delete this;
}

double ScaledRandom::Next() { return rv->Next() * s; }
ExtReal ScaledRandom::Mean() const { return rv->Mean() * s; }
ExtReal ScaledRandom::Variance() const { return rv->Variance() * (s * s); }
void ScaledRandom::tDelete() {
  rv->tDelete();
  delete this;
}

double ShiftedRandom::Next() { return rv->Next() + s; }
ExtReal ShiftedRandom::Mean() const { return rv->Mean() + s; }
ExtReal ShiftedRandom::Variance() const { return rv->Variance(); }

double ReverseShiftedRandom::Next() { return s - rv->Next(); }
ExtReal ReverseShiftedRandom::Mean() const { return (-rv->Mean()) + s; }
ExtReal ReverseShiftedRandom::Variance() const { return rv->Variance(); }

double ReciprocalRandom::Next() { return s / rv->Next(); }
ExtReal ReciprocalRandom::Mean() const { return Missing; }
ExtReal ReciprocalRandom::Variance() const { return Missing; }
void ReciprocalRandom::tDelete() {
  rv->tDelete();
  delete this;
}

// The sum of n draws, in the order drawn; no draw when n <= 0, and then the
// moments are those of the constant 0.
double RepeatedRandom::Next() {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += rv->Next();
  return sum;
}
ExtReal RepeatedRandom::Mean() const { return rv->Mean() * (n > 0 ? n : 0); }
ExtReal RepeatedRandom::Variance() const { return rv->Variance() * (n > 0 ? n : 0); }
void RepeatedRandom::tDelete() {
  rv->tDelete();
  delete this;
}

// ---------------------------------------------------------------------------
// Nodes of two operands: the left operand is drawn first.  The variances are
// those of independent operands.

double MultipliedRandom::Next() {
  const double x = rv1->Next();
  const double y = rv2->Next();
  return x * y;
}
ExtReal MultipliedRandom::Mean() const { return rv1->Mean() * rv2->Mean(); }
ExtReal MultipliedRandom::Variance() const {
  const ExtReal mx = rv1->Mean(), vx = rv1->Variance();
  const ExtReal my = rv2->Mean(), vy = rv2->Variance();
  return ((vx * vy) + (vx * (my * my))) + ((mx * mx) * vy);
}
void MultipliedRandom::tDelete() {
  rv1->tDelete();
  rv2->tDelete();
  delete this;
}

double AddedRandom::Next() {
  const double x = rv1->Next();
  const double y = rv2->Next();
  return x + y;
}
ExtReal AddedRandom::Mean() const { return rv1->Mean() + rv2->Mean(); }
ExtReal AddedRandom::Variance() const { return rv1->Variance() + rv2->Variance(); }

double SubtractedRandom::Next() {
  const double x = rv1->Next();
  const double y = rv2->Next();
  return x - y;
}
ExtReal SubtractedRandom::Mean() const { return rv1->Mean() - rv2->Mean(); }
ExtReal SubtractedRandom::Variance() const { return rv1->Variance() + rv2->Variance(); }

double DividedRandom::Next() {
  const double x = rv1->Next();
  const double y = rv2->Next();
  return x / y;
}
ExtReal DividedRandom::Mean() const { return Missing; }
ExtReal DividedRandom::Variance() const { return Missing; }

// ---------------------------------------------------------------------------
// Selections: taken apart by MixedRandom, whose construction loads each
// selection's probability and variable and deletes the selection node.

double SelectedRandom::Next() { throw Logic_error("Vargen: Next not defined"); }
void SelectedRandom::tDelete() {
  rv->tDelete();
  delete this;
}
void SelectedRandom::load(int* k, double* probs, Random** rvs) {
  probs[*k] = p;
  rvs[*k] = rv;
  ++*k;
  delete this;
}

double AddedSelectedRandom::Next() { throw Logic_error("Vargen: Next not defined"); }
void AddedSelectedRandom::tDelete() {
  rv1->tDelete();
  rv2->tDelete();
  delete this;
}
int AddedSelectedRandom::nelems() const { return rv1->nelems() + rv2->nelems(); }
void AddedSelectedRandom::load(int* k, double* probs, Random** rvs) {
  rv1->load(k, probs, rvs);
  rv2->load(k, probs, rvs);
  delete this;
}

// ---------------------------------------------------------------------------
// SumRandom

SumRandom::~SumRandom() { rv->tDelete(); }
double SumRandom::Next() { return rv->Next(); }
const char* SumRandom::Name() { return "SumRandom"; }
ExtReal SumRandom::Mean() const { return rv->Mean(); }
ExtReal SumRandom::Variance() const { return rv->Variance(); }

// ---------------------------------------------------------------------------
// MixedRandom.  The components' trees belong to the mixture from the start
// of its construction: a constructor that fails frees them (and its arrays)
// before throwing, since nobody else could.

MixedRandom::MixedRandom(AddedSelectedRandom& sr)
    : n(0), dg(nullptr), rv(nullptr), mean(Missing), var(Missing) {
  n = sr.nelems();
  std::unique_ptr<double[]> probs(new (std::nothrow) double[n]);
  rv = new (std::nothrow) Random*[n];
  if (!probs || !rv) {
    delete[] rv;
    rv = nullptr;
    sr.tDelete();
    throw Bad_alloc("Vargen: out of space");
  }
  for (int i = 0; i < n; ++i) rv[i] = nullptr;
  try {
    int k = 0;
    sr.load(&k, probs.get(), rv);
    Build(probs.get());
  } catch (...) {
    Release();
    throw;
  }
}

MixedRandom::MixedRandom(int nx, double* prob, Random** r)
    : n(nx), dg(nullptr), rv(nullptr), mean(Missing), var(Missing) {
  if (n < 1) throw Logic_error("Vargen: illegal parameters");
  rv = new (std::nothrow) Random*[n];
  if (!rv) {
    for (int i = 0; i < n; ++i) r[i]->tDelete();
    throw Bad_alloc("Vargen: out of space");
  }
  for (int i = 0; i < n; ++i) rv[i] = r[i];
  try {
    Build(prob);
  } catch (...) {
    Release();
    throw;
  }
}

void MixedRandom::Build(double* prob) {
  dg = checked(new (std::nothrow) DiscreteGen(n, prob));
  mean = 0.0;
  var = 0.0;
  for (int i = 0; i < n; ++i) mean = mean + rv[i]->Mean() * prob[i];
  for (int i = 0; i < n; ++i) {
    const ExtReal d = rv[i]->Mean() - mean;
    var = var + (rv[i]->Variance() + d * d) * prob[i];
  }
}

void MixedRandom::Release() {
  if (rv)
    for (int i = 0; i < n; ++i)
      if (rv[i]) rv[i]->tDelete();
  delete dg;
  delete[] rv;
  dg = nullptr;
  rv = nullptr;
}

MixedRandom::~MixedRandom() { Release(); }

double MixedRandom::Next() {
  const int i = static_cast<int>(dg->Next());
  return rv[i]->Next();
}

const char* MixedRandom::Name() { return "MixedRandom"; }
ExtReal MixedRandom::Mean() const { return mean; }
ExtReal MixedRandom::Variance() const { return var; }
