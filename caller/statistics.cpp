// The caller's library of statistics functions: moments, densities,
// samplers and matrix functions (see statistics.h). The fit itself calls
// none of them.
#include "statistics.h"

#include <cmath>
#include <iostream>
#include <iterator>
#include <set>

#include "newmat.h"
#include "newmatap.h"
#include "samplers.h"
#include "vargen1.h"
#include "vargen2.h"

using namespace NEWMAT;

// ---- Sample moments ------------------------------------------------------

double meanvec(std::vector<double>* v, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; i++) sum += (*v)[i];
  return sum / n;
}

double varvec(std::vector<double>* v, double m, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; i++) {
    double d = (*v)[i] - m;
    sum += d * d;
  }
  return sum / (n - 1);
}

double varvec1(std::vector<double>* v, int n) {
  double m = meanvec(v, n);
  return varvec(v, m, n);
}

double covvec(std::vector<double>* a, std::vector<double>* b, double ma, double mb,
              int n) {
  double sum = 0.0;
  for (int i = 0; i < n; i++) sum += ((*a)[i] - ma) * ((*b)[i] - mb);
  return sum / (n - 1);
}

double covvec1(std::vector<double>* a, std::vector<double>* b, int n) {
  double ma = meanvec(a, n);
  double mb = meanvec(b, n);
  return covvec(a, b, ma, mb, n);
}

// ---- Running moments -----------------------------------------------------

void sequential_mean(double* m, double* x, double n) { *m = ((n - 1) * (*m) + (*x)) / n; }

void sequential_mean_vec(double* m, double* x, double n, int k) {
  for (int i = 0; i < k; i++) sequential_mean(m + i, x + i, n);
}

// Until the second observation arrives the slot holds the first value, so
// that the second can form (x1 - x2)^2 / 2.
void sequential_variance(double* v, double* m, double* x, double n) {
  if (n == 1) {
    *v = *x;
  } else if (n == 2) {
    double d = *v - *x;
    *v = d * d / 2;
  } else if (n > 2) {
    double d = *x - *m;
    *v = (n - 2) * (*v) / (n - 1) + n * (d * d) / ((n - 1) * (n - 1));
  }
}

void sequential_variance_vec(double* v, double* m, double* x, double n, int k) {
  for (int i = 0; i < k; i++) sequential_variance(v + i, m + i, x + i, n);
}

void sequential_sd(double* s, double* m, double* x, double n) {
  if (n == 1) {
    *s = *x;
  } else if (n == 2) {
    double d = *s - *x;
    *s = std::sqrt(d * d / 2);
  } else if (n > 2) {
    double d = *x - *m;
    *s = std::sqrt((n - 2) * ((*s) * (*s)) / (n - 1) + n * (d * d) / ((n - 1) * (n - 1)));
  }
}

void sequential_sd_vec(double* s, double* m, double* x, double n, int k) {
  for (int i = 0; i < k; i++) sequential_sd(s + i, m + i, x + i, n);
}

// ---- Densities -----------------------------------------------------------

double dnorm(double x, double* m, double* s) {
  double d = x - *m;
  return std::exp(-0.5 * (d * d) / ((*s) * (*s))) / (2.5066282747946493 * (*s));
}

// log_dnorm and log_dgamma are defined with the fit's density forms.

double dgamma(double x, double a, double b, int as_log) {
  double g = log_dgamma(x, a, b);
  if (as_log != 0) return g;
  return std::exp(g);
}

double log_dscaled_Inv_Chi_Squared(double x, double nu, double s2) {
  return (nu / 2) * std::log(nu * s2 / 2) - std::lgamma(nu / 2) -
         (nu / 2 + 1) * std::log(x) - nu * s2 / (2 * x);
}

double ddirichlet(double* x, double* alpha, int* k) {
  double alpha_sum = 0.0;
  for (int i = 0; i < *k; i++) alpha_sum += alpha[i];
  double value = std::lgamma(alpha_sum);
  for (int i = 0; i < *k; i++)
    value += (alpha[i] - 1) * std::log(x[i]) - std::lgamma(alpha[i]);
  return value;
}

double log_inverse_Wishart_density_2D(std::vector<double>* X, double nu,
                                      std::vector<double>* S) {
  double x11 = (*X)[0], x12 = (*X)[1], x22 = (*X)[2];
  double s11 = (*S)[0], s12 = (*S)[1], s22 = (*S)[2];
  double det_x = x11 * x22 - x12 * x12;
  double det_s = s11 * s22 - s12 * s12;
  return -std::lgamma(nu / 2) - std::lgamma((nu - 1) / 2) -
         (nu * std::log(2.0) + 0.5 * std::log(3.141592654)) + (nu / 2) * std::log(det_s) -
         ((nu + 3) / 2) * std::log(det_x) -
         0.5 * (s11 * x22 + s22 * x11 - 2 * s12 * x12) / det_x;
}

double log_inverse_Wishart_density(SymmetricMatrix* X, double nu, SymmetricMatrix* S) {
  int p = X->Nrows();
  double lgamma_sum = 0.0;
  for (int i = 0; i < p; i++) lgamma_sum += std::lgamma((nu - i) / 2);
  double dp = p;
  // The trace of S X^-1 is taken from the product stored as a symmetric
  // matrix (S X^-1 is symmetric when S and X commute, and its diagonal is
  // what the trace reads in any case).
  SymmetricMatrix SXi;
  SXi << (*S) * X->i();
  return -lgamma_sum -
         ((nu / 2) * dp * std::log(2.0) + (dp * (dp - 1) / 4) * std::log(3.141592654)) +
         (nu / 2) * S->LogDeterminant().LogValue() -
         ((nu + dp + 1) / 2) * X->LogDeterminant().LogValue() - 0.5 * SXi.Trace();
}

double log_mvt_norm_density(ColumnVector* x, ColumnVector* mu, SymmetricMatrix* Sigma) {
  int d = x->Nrows();
  ColumnVector diff = (*x) - (*mu);
  double quad = (diff.t() * Sigma->i() * diff).AsScalar();
  return -0.5 * (Sigma->LogDeterminant().LogValue() + d * std::log(6.283185308) + quad);
}

// ---- Samplers ------------------------------------------------------------

void rdirichlet(double* out, double* alpha, int* k) {
  std::vector<double> g(*k > 0 ? *k : 0);
  double sum = 0.0;
  for (int i = 0; i < *k; i++) {
    g[i] = rgamma(alpha[i], 1);
    sum += g[i];
  }
  for (int i = 0; i < *k; i++) out[i] = (g[i] + 0.01 * sum) / (sum * (1 + 0.01 * (*k)));
}

// A uniform index from 1 .. n by subtraction: one uniform u, less 1/n per
// step until it is used up or n steps are done. 0 when u <= 0 or n <= 0.
static int uniform_count(int n) {
  Uniform uniform;
  double u = uniform.Next();
  if (u <= 0 || n <= 0) return 0;
  double step = 1.0 / n;
  int count = 0;
  do {
    u = u - step;
    count++;
  } while (!(u <= 0) && count < n);
  return count;
}

int rmultinom_unif(int n) { return uniform_count(n); }

// A 0-based position in 0 .. n-1 for n >= 1. A failed draw (a uniform of 0
// or less, which the Mersenne twister never gives) takes the first
// position, where a vanishingly small uniform would land too.
static int uniform_position(int n) {
  int count = uniform_count(n);
  return count > 0 ? count - 1 : 0;
}

weighted_table::iterator rmultinom(weighted_table* table, double total) {
  Uniform uniform;
  double u = uniform.Next();
  if (table->empty()) return table->end();
  weighted_table::iterator it = table->begin();
  weighted_table::iterator last = table->begin();
  for (; it != table->end(); ++it) {
    last = it;
    u = u - it->first / total;
    if (u <= 0) return it;
  }
  return last;
}

static void check_samp_args(int N, int M, int p) {
  if (p < M || p > N) std::cout << "need p >= M and p <= N in samp function" << std::endl;
}

// Writes the identity prefix 0 .. M-1, as far as out reaches.
static void identity_prefix(int M, std::vector<int>* out) {
  long size = static_cast<long>(out->size());
  for (int i = 0; i < M && i < size; i++) (*out)[i] = i;
}

void samp(int N, int M, int p, std::vector<int>* out) {
  check_samp_args(N, M, p);
  identity_prefix(M, out);
  std::set<int> pool;
  for (int i = M; i < N; i++) pool.insert(i);
  long size = static_cast<long>(out->size());
  for (int c = 0; c < p - M; c++) {
    // More values asked for than exist, or than out can hold: stop.
    long slot = static_cast<long>(M) + c;
    if (pool.empty() || slot < 0 || slot >= size) break;
    int n = N - M - c;
    int pos = uniform_position(n);
    std::set<int>::iterator it = pool.begin();
    std::advance(it, pos);
    (*out)[slot] = *it;
    pool.erase(it);
  }
}

void samp1(int N, int M, int p, std::vector<int>* out) {
  check_samp_args(N, M, p);
  identity_prefix(M, out);
  std::set<int> starts;
  for (long e = M; e < N; e += 2) starts.insert(static_cast<int>(e));
  long size = static_cast<long>(out->size());
  int pairs = (N - M) / 2;
  for (int d = 0; d < pairs; d++) {
    // Stop before a pair that does not fit in out.
    long slot = static_cast<long>(M) + 2L * d;
    if (slot < 0 || slot + 1 >= size) break;
    int n = static_cast<int>(starts.size());
    int pos = uniform_position(n);
    std::set<int>::iterator it = starts.begin();
    std::advance(it, pos);
    int e = *it;
    (*out)[slot] = e;
    (*out)[slot + 1] = e + 1;
    starts.erase(it);
  }
}

// ---- Matrix functions ----------------------------------------------------

void matrix_exp(std::vector<std::vector<double> >* Q, double t) {
  int n = static_cast<int>(Q->size());
  if (n == 0) return;
  Matrix A(n, n);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) A(i + 1, j + 1) = (*Q)[i][j];
  Matrix E(n, n);
  E = 0.0;
  for (int i = 1; i <= n; i++) E(i, i) = 1.0;
  Matrix P = A;
  double c = t;
  double f = 1;
  for (int a = 1; a <= 99; a++) {
    E = E + (c / f) * P;
    P = P * A;
    c = c * t;
    f = (a + 1) * f;
  }
  E = std::exp(-t) * E;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) (*Q)[i][j] = E(i + 1, j + 1);
}
