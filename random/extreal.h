// ExtReal: a double extended by codes for the infinities, an indefinite
// value and a missing value.  It is the result type of Mean and Variance of
// the random-variate library.
#ifndef VARGEN_EXTREAL_H
#define VARGEN_EXTREAL_H

#include <iosfwd>

enum EXT_REAL_CODE { Finite, PlusInfinity, MinusInfinity, Indefinite, Missing };

class ExtReal {
 public:
  ExtReal(double v) : value(v), code(Finite) {}
  ExtReal(EXT_REAL_CODE cd) : value(0.0), code(cd) {}

  double Value() const { return value; }  // significant only when Finite
  EXT_REAL_CODE Code() const { return code; }
  bool IsReal() const { return code == Finite; }

  ExtReal operator-() const;
  ExtReal operator+(const ExtReal& b) const;
  ExtReal operator-(const ExtReal& b) const;
  ExtReal operator*(const ExtReal& b) const;

 private:
  double value;
  EXT_REAL_CODE code;
};

std::ostream& operator<<(std::ostream& os, const ExtReal& e);

#endif
