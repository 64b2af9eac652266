// Genotype calls: the class probabilities of every individual (or, while
// clumped, of every grid cell) under the current parameters, and a call
// drawn from them (sampling) or the most probable class (maximising).
#include <cmath>
#include <iostream>
#include <vector>

#include "data.h"
#include "geometry.h"
#include "samplers.h"

namespace {

// Score of a class that is switched off; its probability underflows to 0.
const double excluded = -1000000;

// Sex code of an individual whose sex is not known: scored like any other.
const int sex_unknown = 0;
const int sex_male = 1;

// The sex codes of cohort j's individuals, in X-chromosome mode. (The fit
// gives each cohort the codes of its present points, and the pooled cohort
// every individual's own code.) A list that does not match the cohort is
// never read past its end: the cohort's individuals then count as of
// unknown sex.
bool sex_list_fits(const data& d, int j) {
  return static_cast<size_t>(j) < d.sex.size() &&
         d.sex[j].size() == static_cast<size_t>(d.n_ind[j]);
}

const std::vector<int>& sex_codes(const data& d, int j, std::vector<int>* unknown) {
  if (sex_list_fits(d, j)) return d.sex[j];
  unknown->assign(d.n_ind[j], sex_unknown);
  return *unknown;
}

// Score of class k for a point: the log of the class proportion times the
// class density, then the two overrides that switch a class off (the null
// class when it is off; the heterozygous class of a male on the X
// chromosome unless male heterozygotes are allowed).
double class_score(const data& d, int k, const double* cl, double log_norm,
                   double log_lambda, double x, double y, int sex_code) {
  const double q = cluster_quad(cl, x, y);
  // Written as is to keep its bits: see step_rule.h.
  double score = (-0.5 * q + log_lambda) - log_norm;
  if (d.nonull && k == 3) score = excluded;
  if (d.chrX && k == 1 && sex_code == sex_male && !d.allow_male_hets) score = excluded;
  return score;
}

// Turns four log scores into probabilities, in place.
void normalise(double* p) {
  double m = p[1] > p[0] ? p[1] : p[0];
  m = p[2] > m ? p[2] : m;
  m = p[3] > m ? p[3] : m;
  for (int k = 0; k < 4; k++) p[k] = std::exp(p[k] - m);
  // Written as is to keep its bits: see step_rule.h.
  const double s = (((0 + p[0]) + p[1]) + p[2]) + p[3];
  for (int k = 0; k < 4; k++) p[k] = p[k] / s;
}

// The first most probable class; a tie keeps the lower class.
int most_probable(const double* p) {
  int best = 0;
  for (int k = 1; k < 4; k++)
    if (p[k] > p[best]) best = k;
  return best;
}

// A sampled call from a member's four probabilities: rmultinom's class
// counted from 0. A non-positive uniform (which the generators never give)
// falls into the first class rather than outside the classes.
int sampled_call(std::vector<double>* p) {
  const int drawn = rmultinom(p);
  return drawn > 0 ? drawn - 1 : 0;
}

}  // namespace

void data::update_calls(bool verbose) {
  (void)verbose;  // every caller passes false; true changes nothing
  if (names) std::cout << "update_calls()" << std::endl;

  snp& s = snps[current_snp];
  std::vector<int> unknown_sex;
  std::vector<double> cell_probs(4);
  double cl[4][6];
  double log_norm[4];
  double log_lambda[4];

  for (int j = 0; j < n_cohorts; j++) {
    for (int k = 0; k < 4; k++) counts[j][k] = 0;

    // The cells of `clumps` may mix the sexes, so none of them is taken as
    // male; the males' own cells are.
    const std::vector<int>* sexes = nullptr;
    if (chrX && !clumped) sexes = &sex_codes(*this, j, &unknown_sex);

    for (int k = 0; k < 4; k++) {
      log_lambda[k] = std::log(lambda[j][k]);
      calc_cluster(j, k, cl[k]);
      log_norm[k] = cluster_log_norm(cl[k]);
    }

    // Member by member: the four scores, the probabilities and the call; in
    // sampling mode one uniform per member, drawn right after its
    // probabilities.
    if (!clumped) {
      const xy_list& pts = s.points[j];
      for (int i = 0; i < n_ind[j]; i++) {
        const int code = sexes ? (*sexes)[i] : sex_unknown;
        std::vector<double>& p = call_probs[j][i];
        for (int k = 0; k < 4; k++)
          p[k] = class_score(*this, k, cl[k], log_norm[k], log_lambda[k], pts[i][0],
                             pts[i][1], code);
        normalise(p.data());
        const int call = sampling ? sampled_call(&p) : most_probable(p.data());
        calls[j][i] = call;
        counts[j][call] += 1;
      }
    } else {
      // The cells of the others first, then, apart, the males' cells.
      for (int males = 0; males < 2; males++) {
        grid* g = males ? s.male_cells(j) : &s.clumps[j];
        if (!g) continue;
        const int code = males ? sex_male : sex_unknown;
        for (x_cell_it = g->begin(); x_cell_it != g->end(); ++x_cell_it) {
          y_cells& column = x_cell_it->second;
          for (y_cell_it = column.begin(); y_cell_it != column.end(); ++y_cell_it) {
            point& cell = y_cell_it->second;
            for (int k = 0; k < 4; k++)
              cell.probs[k] = class_score(*this, k, cl[k], log_norm[k], log_lambda[k],
                                          cell.x, cell.y, code);
            normalise(cell.probs);
            int call;
            if (sampling) {
              cell_probs.assign(cell.probs, cell.probs + 4);
              call = sampled_call(&cell_probs);
            } else {
              call = most_probable(cell.probs);
            }
            cell.call = call;
            counts[j][call] += cell.count;
          }
        }
      }
    }
  }
}

bool data::scored_as_male(int j, int i) const {
  return chrX && !allow_male_hets && sex_list_fits(*this, j) && sex[j][i] == sex_male;
}

void data::update_call_probs() {
  snp& s = snps[current_snp];
  std::vector<int> unknown_sex;
  double cl[6];

  for (int j = 0; j < n_cohorts; j++) {
    const std::vector<int>* sexes = nullptr;
    if (chrX) sexes = &sex_codes(*this, j, &unknown_sex);
    const xy_list& pts = s.points[j];

    for (int k = 0; k < 4; k++) {
      const double log_lambda = std::log(lambda[j][k]);
      calc_cluster(j, k, cl);
      const double log_norm = cluster_log_norm(cl);
      for (int i = 0; i < n_ind[j]; i++) {
        const int code = sexes ? (*sexes)[i] : sex_unknown;
        call_probs[j][i][k] =
            class_score(*this, k, cl, log_norm, log_lambda, pts[i][0], pts[i][1], code);
      }
    }
    for (int i = 0; i < n_ind[j]; i++) normalise(call_probs[j][i].data());
  }
}
