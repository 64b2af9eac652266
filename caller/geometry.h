// Scoring a point against a class cluster filled by data::calc_cluster:
// entries 0 det, 1..3 the inverse covariance, 4..5 the class mean.
#ifndef VELMAR_GEOMETRY_H
#define VELMAR_GEOMETRY_H

#include <cmath>

// The quadratic form of the point (x, y) about the class mean.
inline double cluster_quad(const double* cl, double x, double y) {
  const double dx = x - cl[4];
  const double dy = y - cl[5];
  return dx * dx * cl[1] + 2 * dx * dy * cl[2] + dy * dy * cl[3];
}

// The log of the normal density's constant, log(2 sqrt(det) pi), with pi
// written as 3.141592654.
inline double cluster_log_norm(const double* cl) {
  const double root = std::sqrt(cl[0]);
  return std::log((root + root) * 3.141592654);
}

#endif
