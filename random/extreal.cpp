// Arithmetic and printing of ExtReal.  Each operator tries its rules in a
// fixed order; the first that applies gives the result.
#include "extreal.h"

#include <ostream>

namespace {

bool is_infinite(EXT_REAL_CODE c) { return c == PlusInfinity || c == MinusInfinity; }

EXT_REAL_CODE opposite(EXT_REAL_CODE c) {
  return c == PlusInfinity ? MinusInfinity : PlusInfinity;
}

// Sign of an operand of a product: a finite value counts as positive only
// when it is greater than 0.
bool positive(const ExtReal& e) {
  return e.Code() == Finite ? e.Value() > 0 : e.Code() == PlusInfinity;
}

}  // namespace

ExtReal ExtReal::operator-() const {
  switch (code) {
    case Finite:
      return ExtReal(-value);
    case PlusInfinity:
      return ExtReal(MinusInfinity);
    case MinusInfinity:
      return ExtReal(PlusInfinity);
    default:
      return *this;
  }
}

ExtReal ExtReal::operator+(const ExtReal& b) const {
  if (code == Finite && b.code == Finite) return ExtReal(value + b.value);
  if (code == Missing || b.code == Missing) return ExtReal(Missing);
  if (code == Indefinite || b.code == Indefinite) return ExtReal(Indefinite);
  if (code == PlusInfinity)
    return ExtReal(b.code == MinusInfinity ? Indefinite : PlusInfinity);
  if (code == MinusInfinity)
    return ExtReal(b.code == PlusInfinity ? Indefinite : MinusInfinity);
  return ExtReal(b.code);  // a finite, b an infinity
}

ExtReal ExtReal::operator-(const ExtReal& b) const {
  if (code == Finite && b.code == Finite) return ExtReal(value - b.value);
  if (code == Missing || b.code == Missing) return ExtReal(Missing);
  if (code == Indefinite || b.code == Indefinite) return ExtReal(Indefinite);
  if (code == PlusInfinity)
    return ExtReal(b.code == PlusInfinity ? Indefinite : PlusInfinity);
  if (code == MinusInfinity)
    return ExtReal(b.code == MinusInfinity ? Indefinite : MinusInfinity);
  return ExtReal(opposite(b.code));  // a finite, b an infinity
}

ExtReal ExtReal::operator*(const ExtReal& b) const {
  if (code == Finite && b.code == Finite) return ExtReal(value * b.value);
  if (code == Missing || b.code == Missing) return ExtReal(Missing);
  if (code == Indefinite || b.code == Indefinite) return ExtReal(Indefinite);
  // At least one operand is an infinity from here on.
  if ((code == Finite && value == 0 && is_infinite(b.code)) ||
      (b.code == Finite && b.value == 0 && is_infinite(code)))
    return ExtReal(Indefinite);
  return ExtReal(positive(*this) == positive(b) ? PlusInfinity : MinusInfinity);
}

std::ostream& operator<<(std::ostream& os, const ExtReal& e) {
  switch (e.Code()) {
    case Finite:
      os << e.Value();
      break;
    case PlusInfinity:
      os << "plus-infinity";
      break;
    case MinusInfinity:
      os << "minus-infinity";
      break;
    case Indefinite:
      os << "indefinite";
      break;
    case Missing:
      os << "missing";
      break;
  }
  return os;
}
