// Information measures: how well a cohort's adjacent genotype clusters are
// separated along the line through their two class means.
#include <cmath>
#include <iostream>

#include "data.h"

namespace {

// The signed position of the point (x, y) on the line through the class
// means a and b: the distance from a to the foot of the perpendicular from
// the point, positive in the direction of increasing x.
double line_position(const vec& a, const vec& b, double x, double y) {
  const double ax = a[0], ay = a[1], bx = b[0], by = b[1];
  if (ax == bx || ay == by) {
    // A vertical or horizontal line has no slope form (its slope or the
    // slope's reciprocal is infinite): project onto the direction from a to
    // b instead, turned to increasing x when the line has an x extent. Two
    // equal means give every point the position 0.
    const double ux = bx - ax;
    const double uy = by - ay;
    const double len = std::sqrt(ux * ux + uy * uy);
    if (len == 0) return 0;
    double t = ((x - ax) * ux + (y - ay) * uy) / len;
    if (bx < ax) t = -t;
    return t;
  }
  const double s = (by - ay) / (bx - ax);
  const double c = ay - ax * s;
  const double fx = (x / s + y - c) / (1 / s + s);
  const double dy = c + s * fx - ay;
  double t = std::sqrt((fx - ax) * (fx - ax) + dy * dy);
  if (ax > fx) t = -t;
  return t;
}

double mean_of(const vec& v) {
  double sum = 0;
  for (double t : v) sum += t;
  return sum / v.size();
}

// Sample variance of v about `centre`.
double spread_about(const vec& v, double centre) {
  const double n1 = static_cast<double>(v.size()) - 1;
  double sum = 0;
  // Written as is to keep its bits: see step_rule.h.
  for (double t : v) sum += (t - centre) * (t - centre) / n1;
  return sum;
}

// The score of a pair about the sample means of its two classes.
double sample_score(const vec& A, const vec& B) {
  if (A.size() < 2 || B.size() < 2) return -1;
  const double mA = mean_of(A);
  const double mB = mean_of(B);
  const double vA = spread_about(A, mA);
  const double vB = spread_about(B, mB);
  return (mA - mB) * (mA - mB) / (vA + vB);
}

// The score of a pair about the model's class means, at positions ta and tb;
// a class with fewer than two individuals, or no spread, borrows the other
// class's variance.
double model_score(const vec& A, const vec& B, double ta, double tb) {
  const double vA = A.size() >= 2 ? spread_about(A, ta) : 0;
  const double vB = B.size() >= 2 ? spread_about(B, tb) : 0;
  const double m = vA != 0 ? vA : vB;
  const double o = vB != 0 ? vB : m;
  if (m == 0 && o == 0) return -1;
  return (ta - tb) * (ta - tb) / (m + o);
}

// The smaller of the positive pass scores, or -1 when neither is positive.
double combine(double s1, double s2) {
  if (s1 > 0 && s2 > 0) return s2 < s1 ? s2 : s1;
  if (s1 > 0) return s1;
  if (s2 > 0) return s2;
  return -1;
}

// Both measures: for each pair of adjacent classes (0, 1) and (1, 2) the
// positions of the pair's individuals on the pair's line, scored by
// `sample_scores` true (info_calc1) or false (info_calc2).
double information(data& d, int j, bool sample_scores) {
  const xy_list& pts = d.snps[d.current_snp].points[j];
  const std::vector<int>& calls = d.calls[j];
  double scores[2];
  for (int pass = 0; pass < 2; pass++) {
    const vec& a = d.mu[j][pass];
    const vec& b = d.mu[j][pass + 1];
    // Each pass starts from empty lists: a pass scores its own pair only.
    vec A, B;
    for (int i = 0; i < d.n_ind[j]; i++) {
      const double t = line_position(a, b, pts[i][0], pts[i][1]);
      if (calls[i] == pass) A.push_back(t);
      if (calls[i] == pass + 1) B.push_back(t);
    }
    if (sample_scores) {
      scores[pass] = sample_score(A, B);
    } else {
      const double ta = line_position(a, b, a[0], a[1]);
      const double tb = line_position(a, b, b[0], b[1]);
      scores[pass] = model_score(A, B, ta, tb);
    }
    std::cout << scores[pass] << " ";
  }
  const double result = combine(scores[0], scores[1]);
  std::cout << result << std::endl;
  return result;
}

}  // namespace

double data::info_calc1(int j) {
  std::cout << "info_calc1(" << j << ") : ";
  return information(*this, j, true);
}

double data::info_calc2(int j) {
  std::cout << "info_calc2(" << j << ") : ";
  return information(*this, j, false);
}
