// Scoring a point against a class cluster filled by data::calc_cluster:
// entries 0 det, 1..3 the inverse covariance, 4..5 the class mean. And the
// class log-likelihood sums kept while the members stay put.
#ifndef VELMAR_GEOMETRY_H
#define VELMAR_GEOMETRY_H

#include <cmath>
#include <vector>

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

// The class log-likelihood sums of data::log_posterior_X_given_classes, kept
// while no point and no call changes (the steps of one update sweep). A sum
// depends on nothing but its class's cluster array and the members called
// into the class, so a cluster array equal to the bit gives the very same
// double without a pass over the members. Each cohort and class keeps its
// two latest sums: a step's proposal and the value a rejection goes back to.
class class_sum_memo {
 public:
  // Keeps sums from now on for `cohorts` cohorts, none known yet.
  void start(int cohorts);
  // Forgets every sum and keeps none until the next start.
  void stop();
  // The kept sum of class k of cohort j for the cluster array `cl`, if any;
  // a sum found counts as the class's latest.
  bool find(int j, int k, const double* cl, double* sum);
  // Keeps `sum` as the latest sum of class k of cohort j, for `cl`, in place
  // of the older of the two (while started).
  void keep(int j, int k, const double* cl, double sum);

  // Keeps sums while it lives.
  class scope {
   public:
    scope(class_sum_memo& memo, int cohorts) : memo_(memo) {
      memo_.start(cohorts);
    }
    ~scope() { memo_.stop(); }
    scope(const scope&) = delete;
    scope& operator=(const scope&) = delete;

   private:
    class_sum_memo& memo_;
  };

 private:
  struct entry {
    double cl[6];
    double sum;
  };
  struct class_entries {
    entry kept[2];
    int count = 0;   // entries in use
    int newest = 0;  // index of the latest one
  };
  std::vector<class_entries> entries_;  // [cohort * 4 + class]
};

#endif
