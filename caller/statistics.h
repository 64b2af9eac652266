// The library of statistics functions beside the fit; the fit calls none of them.
//
// It holds sample and running moments, log densities (and two plain
// densities) of common distributions, samplers, and the Wishart and matrix
// functions on newmat matrices. They are defined in statistics.cpp, apart
// from genchi and rwish, which draw chi-square variates, in
// statistics_chisq.cpp.
//
// The normal and gamma log densities `log_dnorm` and `log_dgamma` belong to
// this family too; the fit uses them, so they are declared with the fit's
// density forms in densities.h, which this header includes. The samplers the
// fit uses (rgamma, genbet and rmultinom on a probability vector) are in
// samplers.h.
// Random draws come from the installed generator, in the order stated for
// each sampler.
#ifndef VELMAR_STATISTICS_H
#define VELMAR_STATISTICS_H

#include <functional>
#include <map>
#include <vector>

// The matrix functions take newmat matrices by pointer only; their source
// files include newmat itself. (newmat's headers bring `using namespace std`
// with them, which would make the model class `data` ambiguous with
// std::data in every file that includes this header.)
namespace NEWMAT {
class SymmetricMatrix;
class ColumnVector;
}  // namespace NEWMAT

#include "densities.h"

// A table of weighted entries, walked from the largest weight down.
typedef std::multimap<double, std::vector<int>, std::greater<double> > weighted_table;

// ---- Sample moments ------------------------------------------------------
// Each reads the first n entries only; the divisions are not guarded
// (n of 0 or 1 gives inf or NaN).

// Mean of v[0 .. n-1].
double meanvec(std::vector<double>* v, int n);
// Sample variance of v[0 .. n-1] about m (divisor n - 1).
double varvec(std::vector<double>* v, double m, int n);
// Sample variance of v[0 .. n-1] about its own mean.
double varvec1(std::vector<double>* v, int n);
// Sample covariance of a and b about ma and mb (divisor n - 1).
double covvec(std::vector<double>* a, std::vector<double>* b, double ma, double mb,
              int n);
// Sample covariance of a and b about their own means.
double covvec1(std::vector<double>* a, std::vector<double>* b, int n);

// ---- Running moments -----------------------------------------------------
// n counts the observations including the new value x. The variance and sd
// forms need m to be the running mean already updated with x.

void sequential_mean(double* m, double* x, double n);
void sequential_mean_vec(double* m, double* x, double n, int k);
void sequential_variance(double* v, double* m, double* x, double n);
void sequential_variance_vec(double* v, double* m, double* x, double n, int k);
void sequential_sd(double* s, double* m, double* x, double n);
void sequential_sd_vec(double* s, double* m, double* x, double n, int k);

// ---- Densities -----------------------------------------------------------

// Normal density with mean *m and standard deviation *s.
double dnorm(double x, double* m, double* s);
// Gamma density with shape a and rate b; its logarithm when as_log != 0.
double dgamma(double x, double a, double b, int as_log);
// Log density of the scaled inverse chi-square with nu degrees of freedom
// and scale s2.
double log_dscaled_Inv_Chi_Squared(double x, double nu, double s2);
// Dirichlet log density of x[0 .. *k-1] with parameters alpha[0 .. *k-1].
double ddirichlet(double* x, double* alpha, int* k);
// Inverse-Wishart log density of the 2 x 2 matrix X with nu degrees of
// freedom and scale S; both given as {a11, a12, a22}.
double log_inverse_Wishart_density_2D(std::vector<double>* X, double nu,
                                      std::vector<double>* S);
// Inverse-Wishart log density of the p x p matrix X with nu degrees of
// freedom and scale S.
double log_inverse_Wishart_density(NEWMAT::SymmetricMatrix* X, double nu,
                                   NEWMAT::SymmetricMatrix* S);
// Multivariate normal log density of x with mean mu and covariance Sigma.
double log_mvt_norm_density(NEWMAT::ColumnVector* x, NEWMAT::ColumnVector* mu,
                            NEWMAT::SymmetricMatrix* Sigma);

// ---- Samplers and matrix functions ---------------------------------------

// A Dirichlet draw with parameters alpha[0 .. *k-1] into out[0 .. *k-1],
// mixed with weight 0.01 of the uniform share so that no component falls
// below 0.01 / (1 + 0.01 k).
void rdirichlet(double* out, double* alpha, int* k);
// A uniform draw from 1 .. n; 0 when n <= 0.
int rmultinom_unif(int n);
// An entry of the table drawn with probability key / total; the last entry
// when the keys add up to less than total, end() for an empty table.
weighted_table::iterator rmultinom(weighted_table* table, double total);
// out[0 .. M-1] = 0 .. M-1, then out[M .. p-1] = p - M distinct values of
// M .. N-1 in random order. Asked for more than N - M values, it stops when
// they run out; it never writes past the end of out.
void samp(int N, int M, int p, std::vector<int>* out);
// out[0 .. M-1] = 0 .. M-1, then the pairs (M, M+1), (M+2, M+3), ... below
// N in random order. It never writes past the end of out: it stops before
// the first pair that does not fit.
void samp1(int N, int M, int p, std::vector<int>* out);
// A central chi-square variate with df degrees of freedom.
double genchi(int df);
// A Wishart (inv false) or inverse-Wishart (inv true) draw with nu degrees
// of freedom and scale S, into W.
void rwish(NEWMAT::SymmetricMatrix* W, int nu, NEWMAT::SymmetricMatrix* S, bool inv);
// Replaces the n x n matrix Q by exp(-t) times the first 100 terms of the
// series of exp(t Q).
void matrix_exp(std::vector<std::vector<double> >* Q, double t);

#endif
