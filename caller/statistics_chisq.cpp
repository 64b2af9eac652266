// The statistics functions that draw chi-square variates: a plain
// chi-square draw and the Wishart draw (see statistics.h).
#include <cmath>

#include "newmat.h"
#include "newmatap.h"
#include "statistics.h"
#include "vargen1.h"
#include "vargen2.h"

using namespace NEWMAT;

double genchi(int df) {
  ChiSq chi(df, 0.0);
  double x = chi.Next();
  return x;
}

// Bartlett's construction: with U'U = S (or S^-1), Z upper triangular with
// sqrt(chi-square(nu - b + 1)) on the diagonal and standard normals above
// it, (ZU)'(ZU) is Wishart(nu, S); its inverse is the inverse-Wishart draw.
void rwish(SymmetricMatrix* W, int nu, SymmetricMatrix* S, bool inv) {
  int p = S->Nrows();
  UpperTriangularMatrix U;
  if (inv) {
    SymmetricMatrix S_inv;
    S_inv << S->i();
    LowerTriangularMatrix L = Cholesky(S_inv);
    U = L.t();
  } else {
    LowerTriangularMatrix L = Cholesky(*S);
    U = L.t();
  }

  // One normal generator for the whole draw; the stream order is row by
  // row: the diagonal chi-square first, then the normals to its right.
  Normal normal;
  UpperTriangularMatrix Z(p);
  Z = 0.0;
  for (int b = 1; b <= p; b++) {
    ChiSq chi(nu - b + 1, 0.0);
    double x = chi.Next();
    Z(b, b) = std::sqrt(x);
    for (int c = b + 1; c <= p; c++) {
      double z = normal.Next();
      Z(b, c) = z;
    }
  }

  U = Z * U;
  Matrix M = U.t() * U;
  if (inv) M = M.i();
  *W << M;
}
