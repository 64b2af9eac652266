// Scoring a point against a class cluster filled by data::calc_cluster:
// entries 0 det, 1..3 the inverse covariance, 4..5 the class mean. And what
// the class log-likelihood keeps while the members stay put.
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
  // Written as is to keep its bits: see step_rule.h.
  const double root = std::sqrt(cl[0]);
  return std::log((root + root) * 3.141592654);
}

// What data::log_posterior_X_given_classes keeps while no point and no call
// changes (the steps of one update sweep): each cohort's members sorted by
// their class, and the class sums already worked out. A sum depends on
// nothing but its class's cluster array and the members called into the
// class, so a cluster array equal to the bit gives the very same double
// without a pass over the members. Each cohort and class keeps its two
// latest sums: a step's proposal and the value a rejection goes back to.
class class_likelihood_memo {
 public:
  // Keeps members and sums from now on for `cohorts` cohorts, none known yet.
  void start(int cohorts);
  // Forgets everything and keeps nothing until the next start.
  void stop();

  // The members i < n of cohort j whose call[i] is k, in member order: while
  // started, sorted once per cohort; otherwise collected afresh (and valid
  // until the next call).
  const std::vector<int>& members(int j, int k, const int* call, int n);

  // The kept sum of class k of cohort j for the cluster array `cl`, if any;
  // a sum found counts as the class's latest.
  bool find(int j, int k, const double* cl, double* sum);
  // Keeps `sum` as the latest sum of class k of cohort j, for `cl`, in place
  // of the older of the two (while started).
  void keep(int j, int k, const double* cl, double sum);

  // Keeps members and sums while it lives.
  class scope {
   public:
    scope(class_likelihood_memo& memo, int cohorts) : memo_(memo) {
      memo_.start(cohorts);
    }
    ~scope() { memo_.stop(); }
    scope(const scope&) = delete;
    scope& operator=(const scope&) = delete;

   private:
    class_likelihood_memo& memo_;
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
  int cohorts_ = 0;                         // while started, else 0
  std::vector<class_entries> sums_;         // [cohort * 4 + class]
  std::vector<std::vector<int> > members_;  // [cohort * 4 + class]
  std::vector<bool> sorted_;                // [cohort]
  std::vector<int> collected_[4];           // the members when not started
};

#endif
