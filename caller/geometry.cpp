// Cluster geometry of the mixture model: the genotype proportions of an
// allele frequency, the mean and inverse covariance of each class, the class
// means from a cohort's line parameters and back, and the log-likelihood of
// the points called into one class.
#include "geometry.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <iostream>

#include "data.h"

namespace {

// Mean of the null class, the same for every cohort.
const double null_mean = 0.89;
// Variance of the null class along each axis.
const double null_var = 100.0;

// The shares of males and of females among the individuals of known sex of
// cohort j, in X-chromosome mode. (While cohorts are pooled the fit gives
// the pooled cohort the summed counts.)
void sex_weights(const data& d, int j, double* wm, double* wf) {
  const double m = d.sex_counts[j][1];
  const double f = d.sex_counts[j][2];
  if (m + f > 0) {
    *wm = m / (m + f);
    *wf = f / (m + f);
  } else {
    // No individual of known sex among the cohort's present points (the
    // input reading refuses a sex file without one, but at a SNP where they
    // are all missing it happens): take every individual as carrying two
    // alleles.
    *wm = 0.0;
    *wf = 1.0;
  }
}

}  // namespace

double data::geno_prop(int j, int k, double a) {
  // Written as is to keep its bits: see step_rule.h.
  if (!chrX) {
    if (k == 0) return a * a;
    if (k == 1) return (a + a) * (1 - a);
    return (1 - a) * (1 - a);
  }
  // Males carry one allele and fall only into the two homozygous classes.
  double wm, wf;
  sex_weights(*this, j, &wm, &wf);
  if (k == 0) return wm * a + wf * (a * a);
  if (k == 1) return 2 * wf * a * (1 - a);
  return wm * (1 - a) + wf * ((1 - a) * (1 - a));
}

void data::calc_cluster(int j, int k, double* out) {
  double sxx, syy, sxy;
  if (k == 3) {
    out[4] = null_mean;
    out[5] = null_mean;
    sxx = null_var;
    syy = null_var;
    sxy = 0.0;
  } else {
    out[4] = mu[j][k][0];
    out[5] = mu[j][k][1];
    const double s2 = sigma[j] * sigma[j];
    const double v = varfrac[j];
    const double rho = r[j][k];
    // Written as is to keep its bits: see step_rule.h.
    if (k == 0) {
      sxx = s2;
      syy = (v * v) * s2;
      sxy = (rho * v) * s2;
    } else if (k == 1) {
      sxx = s2;
      syy = s2;
      sxy = rho * s2;
    } else {
      sxx = (v * v) * s2;
      syy = s2;
      sxy = (rho * v) * s2;
    }
  }
  const double det = sxx * syy - sxy * sxy;
  out[0] = det;
  out[1] = syy / det;
  out[2] = -sxy / det;
  out[3] = sxx / det;
}

void data::set_mu_from_params(int j) {
  const double cx = center[j][0];
  const double cy = center[j][1];
  const double g = gradient[j];
  const double f = fraction[j];
  const double d = departure[j];

  // x-extent of the segment of length L and slope -g.
  const double a = length[j] / std::sqrt(g * g + 1);
  std::vector<std::vector<double> >& m = mu[j];
  // Written as is to keep its bits: see step_rule.h.
  m[0][0] = cx + 0.5 * a;
  m[0][1] = cy + (-0.5 * a) * g;
  m[2][0] = cx + (-0.5 * a);
  m[2][1] = cy + 0.5 * a * g;

  // The foot point at fraction f of the way from mu2 to mu0.
  const double px = m[2][0] + a * f;
  const double py = m[2][1] - a * f * g;

  // The heterozygous mean may move off the segment up to the height of mu2
  // or up to the x of mu0, whichever comes first.
  const double dy = m[2][1] - py;
  const double dx = m[0][0] - px;
  double big_d;
  if (1 / g > dy / dx)
    big_d = dy;
  else
    big_d = dx / g;

  m[1][0] = px + big_d * d * g;
  m[1][1] = py + big_d * d;

  if (m[1][0] > m[0][0]) {
    std::cout << "mu[j][1][0] > mu[j][0][0] in set_mu_from_params" << std::endl;
    std::cout << d << std::endl;
    std::cout << m[0][0] << std::endl;
    std::cout << m[0][1] << std::endl;
    std::cout << m[1][0] << std::endl;
    std::cout << m[1][1] << std::endl;
    std::cout << m[2][0] << std::endl;
    std::cout << m[2][1] << std::endl;
  }
}

void data::set_params_from_mu(int j) {
  const double x0 = mu[j][0][0], y0 = mu[j][0][1];
  const double x1 = mu[j][1][0], y1 = mu[j][1][1];
  const double x2 = mu[j][2][0], y2 = mu[j][2][1];

  length[j] = std::sqrt((x0 - x2) * (x0 - x2) + (y0 - y2) * (y0 - y2));
  gradient[j] = -(y0 - y2) / (x0 - x2);
  // Projection of mu1 - mu2 on mu0 - mu2 over the squared length of the
  // latter.
  // Written as is to keep its bits: see step_rule.h.
  fraction[j] = ((y2 - y0) * (y1 - y2) + (x2 - x0) * (x1 - x2)) /
                ((y2 - y0) * (y0 - y2) + (x2 - x0) * (x0 - x2));

  if (1 / gradient[j] > (y2 - y1) / (x0 - x1)) {
    const double foot_y = y2 + (y0 - y2) * fraction[j];
    departure[j] = (y1 - foot_y + 0.001) / (y2 - foot_y);
  } else {
    const double foot_x = x2 + (x0 - x2) * fraction[j];
    departure[j] = (x1 - foot_x + 0.001) / (x0 - foot_x);
  }

  if (departure[j] > 1) {
    std::cout << "departure[j] > 1 in set_params_from_mu " << j << std::endl;
    std::cout << x0 << std::endl;
    std::cout << y0 << std::endl;
    std::cout << x1 << std::endl;
    std::cout << y1 << std::endl;
    std::cout << x2 << std::endl;
    std::cout << y2 << std::endl;
  }

  center[j][0] = (x0 + x2) * 0.5;
  center[j][1] = (y0 + y2) * 0.5;
}

namespace {

// The sum of the quadratic forms (see cluster_quad) of a set of points
// about their own mean, given the sums sxx, syy of their squared deviations
// along x and y and sxy of the products of the two. Their sum about the
// class mean is their count times the form of their mean plus this.
double cluster_spread(const double* cl, double sxx, double sxy, double syy) {
  return sxx * cl[1] + 2 * sxy * cl[2] + syy * cl[3];
}

// The members i < n sorted by their call into the four lists of `by_class`,
// each in member order; members not yet called are left out.
void sort_members(const int* call, int n, std::vector<int>* by_class) {
  for (int k = 0; k < 4; k++) by_class[k].clear();
  for (int i = 0; i < n; i++) {
    const unsigned k = static_cast<unsigned>(call[i]);
    if (k < 4) by_class[k].push_back(i);
  }
}

}  // namespace

void class_likelihood_memo::start(int cohorts) {
  cohorts_ = cohorts;
  const std::size_t slots = static_cast<std::size_t>(cohorts) * 4;
  sums_.assign(slots, class_entries());
  members_.resize(slots);
  sorted_.assign(cohorts, false);
}

void class_likelihood_memo::stop() {
  cohorts_ = 0;
  sums_.clear();
  sorted_.clear();
}

const std::vector<int>& class_likelihood_memo::members(int j, int k, const int* call,
                                                       int n) {
  if (j >= cohorts_) {
    sort_members(call, n, collected_);
    return collected_[k];
  }
  std::vector<int>* by_class = &members_[static_cast<std::size_t>(j) * 4];
  if (!sorted_[j]) {
    sort_members(call, n, by_class);
    sorted_[j] = true;
  }
  return by_class[k];
}

bool class_likelihood_memo::find(int j, int k, const double* cl, double* sum) {
  if (j >= cohorts_) return false;
  class_entries& e = sums_[static_cast<std::size_t>(j) * 4 + k];
  for (int n = 0; n < e.count; n++) {
    if (std::memcmp(e.kept[n].cl, cl, sizeof e.kept[n].cl) == 0) {
      *sum = e.kept[n].sum;
      e.newest = n;
      return true;
    }
  }
  return false;
}

void class_likelihood_memo::keep(int j, int k, const double* cl, double sum) {
  if (j >= cohorts_) return;
  class_entries& e = sums_[static_cast<std::size_t>(j) * 4 + k];
  const int n = e.count < 2 ? e.count++ : 1 - e.newest;
  std::memcpy(e.kept[n].cl, cl, sizeof e.kept[n].cl);
  e.kept[n].sum = sum;
  e.newest = n;
}

double data::log_posterior_X_given_K(int k, int j) {
  double out[4];
  log_posterior_X_given_classes(j, 1u << k, out);
  return out[k];
}

void data::log_posterior_X_given_classes(int j, unsigned classes, double* out) {
  // Slot k holds class k's cluster, constant and running total; the members
  // of a slot left unused (a class not asked for, or one whose sum
  // class_likelihoods knows) are passed over, as are those not yet called.
  const int unused = 4;
  double cl[5][6] = {};
  double log_norm[5] = {0, 0, 0, 0, 0};
  double total[5] = {0, 0, 0, 0, 0};
  int slot_of_call[5] = {unused, unused, unused, unused, unused};
  bool any_to_sum = false;
  for (int k = 0; k < 4; k++) {
    if (!(classes & (1u << k))) continue;
    if (names) std::cout << "log_posterior_X_given_K()" << std::endl;
    calc_cluster(j, k, cl[k]);
    if (class_likelihoods.find(j, k, cl[k], &out[k])) continue;
    log_norm[k] = cluster_log_norm(cl[k]);
    slot_of_call[k] = k;
    any_to_sum = true;
  }
  if (!any_to_sum) return;

  // Each class's total adds its own members' terms in member order.
  snp& s = snps[current_snp];
  if (!clumped) {
    const xy_list& pts = s.points[j];
    for (int k = 0; k < 4; k++) {
      if (slot_of_call[k] == unused) continue;
      // Written as is to keep its bits: see step_rule.h.
      double t = 0;
      for (int i : class_likelihoods.members(j, k, calls[j].data(), n_ind[j]))
        t += -0.5 * cluster_quad(cl[k], pts[i][0], pts[i][1]) - log_norm[k];
      total[k] = t;
    }
  } else {
    // The cells of the others, then the males' cells (X mode).
    for (int males = 0; males < 2; males++) {
      grid* g = males ? s.male_cells(j) : &s.clumps[j];
      if (!g) continue;
      for (x_cell_it = g->begin(); x_cell_it != g->end(); ++x_cell_it) {
        y_cells& column = x_cell_it->second;
        for (y_cell_it = column.begin(); y_cell_it != column.end(); ++y_cell_it) {
          const point& cell = y_cell_it->second;
          const unsigned c = static_cast<unsigned>(cell.call);
          if (c > 4 || slot_of_call[c] == unused) continue;
          const int k = slot_of_call[c];
          const double n = cell.count;
          // The cell's individuals: n times the form of their mean plus
          // their spread about it.
          const double q = cluster_quad(cl[k], cell.x, cell.y) * n +
                           cluster_spread(cl[k], cell.sxx, cell.sxy, cell.syy);
          // Seeded -approx runs take their bits from this grouping, set when
          // the cells' spread joined their sums: keep it (see step_rule.h).
          total[k] = (q * -0.5 + total[k]) - n * log_norm[k];
        }
      }
    }
  }
  for (int k = 0; k < 4; k++) {
    if (slot_of_call[k] == unused) continue;
    out[k] = total[k];
    class_likelihoods.keep(j, k, cl[k], total[k]);
  }
}
