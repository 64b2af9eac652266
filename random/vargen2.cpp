// Random-variate library, distributions: the table method (PosGen, SymGen,
// AsymGen), Normal, Exponential and Gamma.
#include "vargen2.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "allocation.h"
#include "myexcept.h"

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;
using vargen_internal::allocate_array;
using vargen_internal::checked;

// ---------------------------------------------------------------------------
// Strip tables.  Each strip's rectangle (the density at its left boundary
// times its width) has a fixed area; a table ends at the first boundary where
// the density is no longer positive.

namespace {

const int POS_ENTRIES = 60;  // one-sided table: at most 59 strips
const int POS_MIN_STRIPS = 50;
const int ASYM_ENTRIES = 121;  // two-sided table: at most 119 strips
const int ASYM_END = 120;      // entry holding the right end point
const int ASYM_MIN_STRIPS = 100;

using Table = std::unique_ptr<double[]>;

// A walk along the density from x with rectangles of area `area` (negative
// to go left), writing the boundaries and their densities into sx and sfx
// from index 0 on. It ends at the first boundary where the density is no
// longer positive, or when it reaches `limit` strips (too_many).
class strip_walk {
 public:
  strip_walk(const Random& dist, double x, double area, double* sx, double* sfx,
             int limit)
      : dist_(dist), x_(x), area_(area), sx_(sx), sfx_(sfx), limit_(limit) {}

  // One boundary more; false once the walk has ended.
  bool step() {
    sx_[n_] = x_;
    const double f = dist_.Density(x_);
    sfx_[n_] = f;
    if (f <= 0) return false;
    ++n_;
    if (n_ >= limit_) return false;
    x_ = x_ + area_ / f;
    return true;
  }

  int strips() const { return n_; }
  bool too_many() const { return n_ >= limit_; }

 private:
  const Random& dist_;
  double x_;
  const double area_;
  double* const sx_;
  double* const sfx_;
  const int limit_;
  int n_ = 0;
};

// The strip chosen by a uniform u in [0, 1) among n strips: u * n truncated.
// A uniform of exactly 1 (or of 0.5 on one side of a symmetric table) would
// give n, one past the table; it takes the last strip instead.
inline int strip_index(double u, double xi, int n) {
  const int ir = static_cast<int>(u * xi);
  return ir < n ? ir : n - 1;
}

// One try in the strip from sx[ir] to sx[nx]: the second uniform places the
// point x in it, the third a height under the strip's rectangle.  The point is
// accepted when the height lies under the density at the far boundary (the
// squeeze) or, failing that, under the density at x.
bool try_strip(const Random& dist, const double* sx, const double* sfx, int ir, int nx,
               double& x) {
  const double x0 = sx[ir];
  const double w = sx[nx] - x0;  // negative on the left side of a two-sided table
  const double u2 = Random::RNG->Next();
  x = x0 + u2 * w;
  const double u3 = Random::RNG->Next();
  const double v = u3 * sfx[ir];
  if (v < sfx[nx]) return true;
  return v < dist.Density(x);
}

}  // namespace

// ---------------------------------------------------------------------------
// PosGen

PosGen::PosGen() : xi(0.0), sx(nullptr), sfx(nullptr), NotReady(true) {}

PosGen::~PosGen() {
  if (!NotReady) {
    delete[] sx;
    delete[] sfx;
  }
}

void PosGen::Build(bool sym) {
  if (!NotReady) return;
  Table bx = allocate_array<double>(POS_ENTRIES);
  Table bfx = allocate_array<double>(POS_ENTRIES);
  const double area = sym ? 0.01 : 0.02;
  strip_walk walk(*this, 0.0, area, bx.get(), bfx.get(), POS_ENTRIES);
  while (walk.step()) {
  }
  if (walk.too_many()) throw Runtime_error("Vargen: area too large");
  const int n = walk.strips();
  if (n < POS_MIN_STRIPS) throw Runtime_error("Vargen: area too small");
  sx = bx.release();
  sfx = bfx.release();
  xi = sym ? 2 * n : n;
  NotReady = false;
}

double PosGen::Next() {
  if (NotReady) Build(false);
  const int n = static_cast<int>(xi);
  double x;
  for (;;) {
    const double u1 = RNG->Next();
    const int ir = strip_index(u1, xi, n);
    if (try_strip(*this, sx, sfx, ir, ir + 1, x)) return x;
  }
}

const char* PosGen::Name() { return "PosGen"; }
ExtReal PosGen::Mean() const { return Missing; }
ExtReal PosGen::Variance() const { return Missing; }

// ---------------------------------------------------------------------------
// SymGen: the first uniform chooses the sign (above 0.5: negative, folded
// back to 1 - u) and, from what remains, one of the n strips of one side.

double SymGen::Next() {
  if (NotReady) Build(true);
  const int n = static_cast<int>(xi) / 2;
  double x;
  for (;;) {
    double sign = 1.0;
    double u1 = RNG->Next();
    if (u1 > 0.5) {
      sign = -1.0;
      u1 = 1.0 - u1;
    }
    const int ir = strip_index(u1, xi, n);
    if (try_strip(*this, sx, sfx, ir, ir + 1, x)) return sign * x;
  }
}

const char* SymGen::Name() { return "SymGen"; }

// ---------------------------------------------------------------------------
// AsymGen: the right side from the mode upward in entries 0 to ic (its end
// point kept in entry 120), then the left side from the mode downward in the
// entries that follow, up to the left end point in entry xi.

AsymGen::AsymGen(double modex)
    : xi(0.0), sx(nullptr), sfx(nullptr), ic(0), NotReady(true), mode(modex) {}

AsymGen::~AsymGen() {
  if (!NotReady) {
    delete[] sx;
    delete[] sfx;
  }
}

void AsymGen::Build() {
  if (!NotReady) return;
  Table bx = allocate_array<double>(ASYM_ENTRIES);
  Table bfx = allocate_array<double>(ASYM_ENTRIES);
  // The right side goes straight into the table, the left side into its own
  // arrays until the right side's length is known. Each walk is a chain of
  // dependent steps (density, division, addition); stepping the two in turn
  // lets the processor work on one while the other waits, and each side's
  // values are those of its own walk.
  double left_x[ASYM_ENTRIES];
  double left_fx[ASYM_ENTRIES];
  strip_walk right(*this, mode, 0.01, bx.get(), bfx.get(), ASYM_END);
  strip_walk left(*this, mode, -0.01, left_x, left_fx, ASYM_END);
  bool right_on = true;
  bool left_on = true;
  while (right_on || left_on) {
    if (right_on) right_on = right.step();
    if (left_on) left_on = left.step();
  }
  if (right.too_many()) throw Runtime_error("Vargen: area too large (a)");
  const int last_right = right.strips() - 1;
  const int n = right.strips() + left.strips();
  if (n >= ASYM_END) throw Runtime_error("Vargen: area too large (b)");
  bx[ASYM_END] = bx[right.strips()];
  bfx[ASYM_END] = 0.0;
  std::copy(left_x, left_x + left.strips() + 1, bx.get() + right.strips());
  std::copy(left_fx, left_fx + left.strips() + 1, bfx.get() + right.strips());
  if (n < ASYM_MIN_STRIPS) throw Runtime_error("Vargen: area too small");
  sx = bx.release();
  sfx = bfx.release();
  ic = last_right;
  xi = n;
  NotReady = false;
}

double AsymGen::Next() {
  if (NotReady) Build();
  const int n = static_cast<int>(xi);
  double x;
  for (;;) {
    const double u1 = RNG->Next();
    const int ir = strip_index(u1, xi, n);
    const int nx = (ir == ic) ? ASYM_END : ir + 1;
    if (try_strip(*this, sx, sfx, ir, nx, x)) return x;
  }
}

const char* AsymGen::Name() { return "AsymGen"; }
ExtReal AsymGen::Mean() const { return Missing; }
ExtReal AsymGen::Variance() const { return Missing; }

// ---------------------------------------------------------------------------
// Normal: the first live object builds the table and publishes it; the others
// take it; the last one to go frees it.

double Normal::Nxi = 0.0;
double* Normal::Nsx = nullptr;
double* Normal::Nsfx = nullptr;
long Normal::count = 0;

Normal::Normal() {
  if (count) {
    xi = Nxi;
    sx = Nsx;
    sfx = Nsfx;
    NotReady = false;
  } else {
    Build(true);  // a failure leaves count and the shared table untouched
    Nxi = xi;
    Nsx = sx;
    Nsfx = sfx;
  }
  ++count;
}

Normal::~Normal() {
  if (--count) {
    // Others still use the table: leave it to them.
    NotReady = true;
    sx = nullptr;
    sfx = nullptr;
  } else {
    // The base destructor frees the table; forget it here.
    Nsx = nullptr;
    Nsfx = nullptr;
  }
}

const char* Normal::Name() { return "Normal"; }

double Normal::Density(double x) const {
  if (std::fabs(x) > 8.0) return 0.0;
  return std::exp((-x * x) * 0.5) * 0.39894228;
}

ExtReal Normal::Mean() const { return 0.0; }
ExtReal Normal::Variance() const { return 1.0; }

// ---------------------------------------------------------------------------
// Exponential

const char* Exponential::Name() { return "Exponential"; }

double Exponential::Density(double x) const {
  if (x > 40.0 || x < 0.0) return 0.0;
  return std::exp(-x);
}

ExtReal Exponential::Mean() const { return 1.0; }
ExtReal Exponential::Variance() const { return 1.0; }

// ---------------------------------------------------------------------------
// Gamma

Gamma1::Gamma1(double alphax)
    : ln_gam(ln_gamma(alphax + 1.0)), ralpha(1.0 / alphax), alpha(alphax) {}

double Gamma1::Next() {
  const double y = PosGen::Next();
  return std::pow(y, ralpha);
}

double Gamma1::Density(double y) const {
  const double e = -std::pow(y, ralpha) - ln_gam;
  if (e < -40.0) return 0.0;
  return std::exp(e);
}

ExtReal Gamma1::Mean() const { return alpha; }
ExtReal Gamma1::Variance() const { return alpha; }

Gamma2::Gamma2(double alphax)
    : AsymGen(alphax - 1.0), alpha(alphax), ln_gam(ln_gamma(alphax)) {}

double Gamma2::Density(double x) const {
  if (x <= 0.0) return 0.0;
  const double c = (alpha - 1.0) * std::log(x) - x - ln_gam;
  if (c < -40.0) return 0.0;
  return std::exp(c);
}

ExtReal Gamma2::Mean() const { return alpha; }
ExtReal Gamma2::Variance() const { return alpha; }

Gamma::Gamma(double alpha) : method(nullptr) {
  // A shape of 0 or below, or an infinite one, has no gamma distribution; say
  // so here rather than fail obscurely at the first draw.  A NaN shape goes on
  // to Gamma2, whose log-gamma rejects it.
  if (alpha <= 0.0 || std::isinf(alpha)) throw Logic_error("Vargen: illegal parameters");
  if (alpha < 1.0)
    method = checked(new (std::nothrow) Gamma1(alpha));
  else if (alpha == 1.0)
    method = checked(new (std::nothrow) Exponential);
  else
    method = checked(new (std::nothrow) Gamma2(alpha));
}

Gamma::~Gamma() { delete method; }

double Gamma::Next() { return method->Next(); }
const char* Gamma::Name() { return "Gamma"; }
ExtReal Gamma::Mean() const { return method->Mean(); }
ExtReal Gamma::Variance() const { return method->Variance(); }
