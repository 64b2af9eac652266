// Random-variate library, internal to its sources: allocation that reports a
// failure by throwing newmat's Bad_alloc("Vargen: out of space").  It
// includes newmat's headers, so no public header of the library may include
// it.  Header only: it has no source of its own.
#ifndef VARGEN_ALLOCATION_H
#define VARGEN_ALLOCATION_H

#include <memory>
#include <new>

#include "myexcept.h"

namespace vargen_internal {

// p, the result of a new (std::nothrow); throws when that failed.
template <class T>
T* checked(T* p) {
  if (!p) throw RBD_COMMON::Bad_alloc("Vargen: out of space");
  return p;
}

// An owned array of n elements.
template <class T>
std::unique_ptr<T[]> allocate_array(int n) {
  return std::unique_ptr<T[]>(checked(new (std::nothrow) T[n]));
}

}  // namespace vargen_internal

#endif
