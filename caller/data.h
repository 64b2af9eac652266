// The model object of a run and the plain records it holds.
//
// One `data` instance owns everything: the options, every SNP of the range,
// the parameters of the SNP being fitted with their stored copies (the best
// stage-1 start), the acceptance counters and the results of every fitted SNP.
// Index conventions: j or c a cohort (0 .. n_cohorts-1), i an individual,
// k a genotype class: 0 = AA, 1 = AB, 2 = BB, 3 = null; a call of 4 = not yet
// called.
//
// The members of `data` are defined by concern, in the sources named in the
// headings of their groups below: model.cpp (construction, storage, stored
// copies), input.cpp (read_data), geometry.cpp (cluster geometry and class
// log-likelihoods), calls.cpp (genotype calls), posterior.cpp (log
// posterior), update_alpha.cpp, update_variance.cpp, update_lambda.cpp,
// update_lines.cpp and update_centers.cpp (the update steps), start.cpp
// (starting configurations), clump.cpp (clumping), reports.cpp (reports to
// the log), info.cpp (information measures), fit.cpp (the fit driver v1 and
// the sweep) and output.cpp (result files).
#ifndef VELMAR_DATA_H
#define VELMAR_DATA_H

#include <cstddef>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry.h"

// One cell of the clumping grid.
struct point {
  int count = 0;                   // individuals in the cell
  int call = 4;                    // the cell's genotype class
  double probs[4] = {0, 0, 0, 0};  // the cell's class probabilities
  // Where the likelihood and the calls score the cell: the mean of its
  // individuals' points. Scoring at the lower corner would move every
  // individual down and left by up to a cell and pull every fitted class
  // mean with it.
  double x = 0, y = 0;
  // The spread of the individuals about (x, y): the sums of their squared
  // deviations along x and along y and of the products of the two. With
  // them the cell's log-likelihood is exactly that of its individuals.
  double sxx = 0, sxy = 0, syy = 0;
};

// A cohort's clumping grid: x-cell key -> (y-cell key -> cell); keys are the
// cells' lower corners, which find an individual's cell; a cell is scored at
// its own (x, y).
typedef std::map<double, point> y_cells;
typedef std::map<double, y_cells> grid;

// One individual's (x, y) intensities.
struct xy {
  double v[2] = {0, 0};

  xy() = default;
  xy(double x, double y) : v{x, y} {}
  // From and to an {x, y} pair of a growable array.
  xy(const std::vector<double>& pair) : v{pair[0], pair[1]} {}
  operator std::vector<double>() const { return {v[0], v[1]}; }

  double& operator[](int axis) { return v[axis]; }
  double operator[](int axis) const { return v[axis]; }
  bool operator==(const xy& o) const { return v[0] == o.v[0] && v[1] == o.v[1]; }
};

// The points of one cohort at one SNP: the (x, y) pairs in one block, no
// heap block per point. Built from and compared with lists of {x, y} pairs.
class xy_list {
 public:
  typedef std::vector<xy>::iterator iterator;
  typedef std::vector<xy>::const_iterator const_iterator;

  xy_list() = default;
  xy_list(std::initializer_list<xy> pairs) : pairs_(pairs) {}
  xy_list(const std::vector<std::vector<double> >& pairs)
      : pairs_(pairs.begin(), pairs.end()) {}

  size_t size() const { return pairs_.size(); }
  bool empty() const { return pairs_.empty(); }
  xy& operator[](size_t i) { return pairs_[i]; }
  const xy& operator[](size_t i) const { return pairs_[i]; }
  iterator begin() { return pairs_.begin(); }
  iterator end() { return pairs_.end(); }
  const_iterator begin() const { return pairs_.begin(); }
  const_iterator end() const { return pairs_.end(); }
  void reserve(size_t n) { pairs_.reserve(n); }
  void push_back(const xy& p) { pairs_.push_back(p); }
  template <typename It>
  void insert(const_iterator at, It first, It last) {
    pairs_.insert(at, first, last);
  }
  friend bool operator==(const xy_list& a, const xy_list& b) {
    return a.pairs_ == b.pairs_;
  }

 private:
  std::vector<xy> pairs_;
};

// The cohort of each individual of one point list, as runs of individuals
// of one cohort: a cohort's own list is one run, a pooled list one run per
// cohort, so the index is not repeated per point.
class cohort_runs {
 public:
  struct run {
    int cohort;
    int count;
    bool operator==(const run& o) const { return cohort == o.cohort && count == o.count; }
  };

  cohort_runs() = default;
  // `count` individuals of `cohort`.
  cohort_runs(int cohort, int count) { append(cohort, count); }
  // From the cohort of each individual.
  cohort_runs(const std::vector<int>& cohorts) {
    for (int c : cohorts) append(c, 1);
  }
  // `count` more individuals of `cohort`.
  void append(int cohort, int count) {
    if (count == 0) return;
    if (!runs_.empty() && runs_.back().cohort == cohort)
      runs_.back().count += count;
    else
      runs_.push_back({cohort, count});
  }
  void append(const cohort_runs& more) {
    for (const run& r : more.runs_) append(r.cohort, r.count);
  }
  const std::vector<run>& runs() const { return runs_; }
  friend bool operator==(const cohort_runs& a, const cohort_runs& b) {
    return a.runs_ == b.runs_;
  }

 private:
  std::vector<run> runs_;
};

// Whether the cohort lists `runs` hold, individual by individual, the
// cohorts of `cohorts`.
inline bool operator==(const std::vector<cohort_runs>& runs,
                       const std::vector<std::vector<int> >& cohorts) {
  if (runs.size() != cohorts.size()) return false;
  for (size_t c = 0; c < runs.size(); c++)
    if (!(runs[c] == cohort_runs(cohorts[c]))) return false;
  return true;
}

// One SNP's input.
struct snp {
  std::string position;
  std::string SNP_ID;
  std::string rs;
  std::string allele1;
  std::string allele2;
  double prior_freq = -1.0;  // -1 when none
  // The present points only: an individual whose x or y is missing (NaN or
  // NA in the file) has no entry here, so the fit sees the SNP as if its
  // columns were absent.
  // [C][n_c]: per point list, the cohort of each of its individuals.
  std::vector<cohort_runs> cohort_of;
  std::vector<xy_list> points;  // [C][n_c]
  // Per cohort, ascending, the file positions (from 0) of the individuals
  // whose point is missing; they are written with the genotype values 0 0 0.
  std::vector<std::vector<int> > missing;  // [C]
  std::vector<grid> clumps;                // [C]
  // X mode without male heterozygotes: the males' cells, apart from the
  // cells of the others in `clumps`, so that a male cell is scored as male.
  std::vector<grid> male_clumps;                        // [C]
  double x_low = 0, y_low = 0, x_high = 0, y_high = 0;  // data range

  // The males' cells of cohort c, or null when there are none.
  grid* male_cells(int c) {
    return static_cast<size_t>(c) < male_clumps.size() ? &male_clumps[c] : nullptr;
  }
};

// One cohort's final parameters and information measures at one SNP.
struct cohort_params {
  double alpha = 0;
  double eta = 0;
  double mu[3][2] = {{0, 0}, {0, 0}, {0, 0}};  // [3][2]: (x, y) of classes 0-2
  double sigma = 0;
  double varfrac = 0;
  double r[3] = {0, 0, 0};  // [3]
  double info1 = 0;
  double info2 = 0;
  friend bool operator==(const cohort_params& a, const cohort_params& b) {
    for (int k = 0; k < 3; k++)
      if (a.mu[k][0] != b.mu[k][0] || a.mu[k][1] != b.mu[k][1] || a.r[k] != b.r[k])
        return false;
    return a.alpha == b.alpha && a.eta == b.eta && a.sigma == b.sigma &&
           a.varfrac == b.varfrac && a.info1 == b.info1 && a.info2 == b.info2;
  }
};

// One SNP's final parameters and results. A run keeps one per SNP until the
// result files are written, so every cohort's values lie in one block: one
// heap block per SNP rather than one per cohort, class and parameter.
struct params {
  std::vector<cohort_params> cohorts;  // [C]
  double final_log_posterior = 0;
  friend bool operator==(const params& a, const params& b) {
    return a.cohorts == b.cohorts && a.final_log_posterior == b.final_log_posterior;
  }
};

// One fitted SNP's genotype values as the lines of the cohorts' genotype
// files write them after the key fields: per cohort, three values per
// individual of the file, each followed by a blank, and a line feed after
// the cohort's values. One text for every cohort: one heap block per SNP.
struct snp_genotypes {
  std::string text;
  bool four_decimals = false;  // a value is written with four decimals

  // The values of cohort c, without their line feed. Asking for a cohort
  // the SNP does not hold is a fault of the caller, which would otherwise
  // write lines of key fields alone.
  std::string_view cohort(int c) const {
    size_t begin = 0;
    for (int k = 0; k < c && begin < text.size(); k++) {
      const size_t end = text.find('\n', begin);
      begin = end == std::string::npos ? text.size() : end + 1;
    }
    if (c < 0 || begin >= text.size())
      throw std::logic_error("genotype values of cohort " + std::to_string(c) +
                             " asked for, beyond the cohorts of the SNP");
    return std::string_view(text).substr(begin, text.find('\n', begin) - begin);
  }
  friend bool operator==(const snp_genotypes& a, const snp_genotypes& b) {
    return a.text == b.text && a.four_decimals == b.four_decimals;
  }
};

typedef std::vector<double> vec;
typedef std::vector<std::vector<double> > vec2;
typedef std::vector<std::vector<std::vector<double> > > vec3;
typedef std::vector<std::vector<int> > ivec2;

class staged_file;  // result_files.h

class data {
 public:
  data();

  // ---- run state ----
  int n_snps = 0;
  // SNPs of the range to which the SNP-information file gave no prior
  // frequency (a mismatched rs, a frequency missing or outside [0, 1], a
  // file that ended); counted by read_data.
  int snps_without_prior = 0;
  // The cohorts, ascending, whose intensity file gives the alleles as "0" and
  // "0" on every SNP line read (those before the -snps range included);
  // found by read_data, warned of by intensity_warnings.
  std::vector<int> zero_allele_cohorts;
  // Individuals per cohort that the fit sees: after read_data the counts of
  // the intensity files' headers; during a SNP's fit (v1) the cohort's
  // present points at that SNP (one pooled entry while pooled).
  std::vector<int> n_ind;  // [C]
  // X mode: after read_data the codes of every individual of the sex files;
  // during a SNP's fit those of the individuals the fit sees (present
  // points, pooled while pooled), put back when the fit ends.
  ivec2 sex_counts;  // [C][3], X mode: unknown, male, female
  ivec2 sex;         // [C][n_c], X mode
  int n_cohorts = 0;
  int current_snp = 0;
  bool sampling = true;
  bool clumped = false;
  grid::iterator x_cell_it;  // cursors kept between steps of a grid walk
  y_cells::iterator y_cell_it;

  // ---- options ----
  int snp_start = -1;
  int snp_end = -1;
  std::string output_prefix = "out";
  std::string info_file;  // empty: none
  std::vector<std::string> intensity_files;
  std::vector<std::string> sex_files;
  bool chrX = false;
  bool allow_male_hets = false;
  bool gz = false;
  bool bz2 = false;
  int single = 0;
  int approx = 0;
  int grid_cells = 0;
  int ns = 4;
  int nmax = 40;
  int burn_in = 200;
  int n_iter = 1000;
  int fancy = 10;
  bool sampling_stage1 = true;
  bool sampling_stage2 = true;
  int test = 0;
  bool names = false;
  bool pr = false;
  bool print_params = false;
  bool watch_counts = false;
  vec pk = {500, 500};
  vec center_var_prior_mean = {0.0001, 100};

  // ---- allele frequency and class proportions ----
  double c_alpha_prior = 0.01;
  // initialize() runs a SNP without a prior frequency with c_alpha_prior
  // 0.5 and keeps the user's value here, to give it back at the next SNP
  // that has a prior frequency.
  bool c_alpha_prior_overridden = false;
  double c_alpha_prior_user = 0.01;
  double c_alpha_cohorts = 0.005;
  vec alpha_star_prior = {1, 1};
  double allele_prior_a = 0, allele_prior_b = 0;
  bool use_paf = false;
  double paf = 0.5;
  double prior_chromosomes = 120.0;
  double pgd = 10;
  bool nonull = false;

  // ---- current state and stored copies ----
  ivec2 calls;                // [C][n_c]
  ivec2 counts;               // [C][4]
  vec2 lambda, lambda_store;  // [C][4]
  vec alpha, alpha_store;     // [C]
  double alpha_star = 0, alpha_star_store = 0;
  vec3 mu, mu_store;                                // [C][3][2]
  vec2 center, center_store;                        // [C][2]
  vec center_mean = {0.0, 0.0}, center_mean_store;  // [2]
  double center_var = 0, center_var_store = 0;

  // ---- parameter families: value [C], hierarchical mean and variance
  //      (or dispersion), stored copies, hyper-prior pairs ----
#define VELMAR_FAMILY(X, MA, MB, VA, VB)        \
  vec X, X##_store;                             \
  double X##_mean = 0, X##_var = 0;             \
  double X##_mean_store = 0, X##_var_store = 0; \
  vec X##_mean_prior = {MA, MB};                \
  vec X##_var_prior = {VA, VB};
  VELMAR_FAMILY(eta, 3, 100, 5, 100)        // Beta-type
  VELMAR_FAMILY(length, 20, 20, 1, 100)     // Gamma-type
  VELMAR_FAMILY(gradient, 10, 10, 1, 100)   // Gamma-type
  VELMAR_FAMILY(fraction, 30, 30, 1, 100)   // Beta-type
  VELMAR_FAMILY(departure, 2, 8, 1, 100)    // Beta-type
  VELMAR_FAMILY(sigma, 1, 4, 1, 100)        // Gamma-type
  VELMAR_FAMILY(varfrac, 2.5, 7.5, 1, 100)  // Beta-type
#undef VELMAR_FAMILY

  // correlations, one per cohort and class (Beta-type)
  vec2 r, r_store;                               // [C][3]
  vec r_mean, r_var, r_mean_store, r_var_store;  // [3]
  vec r_mean_prior_a = {1, 10, 1};
  vec r_mean_prior_b = {50, 1, 50};
  vec r_var_prior_a = {1, 1, 1};
  vec r_var_prior_b = {100, 100, 100};

  // ---- acceptance counters ----
  double accept_alpha = 0, accept_alpha_star = 0, accept_eta = 0, accept_mu = 0,
         accept_r = 0, accept_sigma = 0, accept_varfrac = 0, accept_gradient = 0,
         accept_length = 0, accept_fraction = 0, accept_departure = 0, accept_global = 0,
         accept_center = 0, accept_model = 0;

  // ---- results and work members ----
  double best_log_posterior = 0;
  vec log_posterior_terms;                    // [7]
  vec3 call_probs;                            // [C][n_c][4]
  vec3 call_tallies;                          // [C][n_c][4]
  std::vector<snp_genotypes> all_call_probs;  // [SNP], as they are written
  std::vector<params> all_params;
  params current_params;
  std::vector<snp> snps;
  vec saved_center = {0.0, 0.0};
  vec bayes_factors;
  // What the class log-likelihoods keep while an update sweep's steps run.
  class_likelihood_memo class_likelihoods;

  // ---- storage and store/restore (model.cpp) ----
  void set_storage();
  void recycle_max_params(int k);
  void store_state();    // current parameters -> stored copies
  void restore_state();  // stored copies -> current parameters

  // ---- input (input.cpp) ----
  void read_data();

  // ---- geometry and likelihood (geometry.cpp) ----
  double geno_prop(int j, int k, double a);
  void calc_cluster(int j, int k, double* out);
  void set_mu_from_params(int j);
  void set_params_from_mu(int j);
  double log_posterior_X_given_K(int k, int j);
  // The same sums for several classes of cohort j in one call: out[k] for
  // every class k whose bit 1 << k is set in `classes`.
  // A sum that class_likelihoods holds for the class's cluster takes no pass.
  void log_posterior_X_given_classes(int j, unsigned classes, double* out);

  // ---- calls (calls.cpp) ----
  void update_calls(bool verbose);
  void update_call_probs();
  // True when individual i of cohort j is scored as a male: X mode without
  // male heterozygotes, and sex code 1.
  bool scored_as_male(int j, int i) const;

  // ---- log posterior (posterior.cpp) ----
  double log_posterior(bool verbose);
  double p_lambda(int j);
  double p_mu(int j, bool verbose);
  double p_mu(bool verbose);
  double p_Var(bool verbose);

  // ---- update steps (update_*.cpp) ----
  // update_alpha.cpp: allele frequencies and null-class weights.
  double MH_alpha_density(int j, double old_value, double new_value);
  double MH_eta_density(int j, double old_value, double new_value);
  void update_alpha();
  void update_alpha_star();
  void update_eta();
  // update_variance.cpp: covariance parameters.
  void update_sigma();
  void update_varfrac();
  void update_r();
  void update_r_mean();
  void update_r_var();
  // update_lambda.cpp: class proportions and the joint move.
  void update_lambda();
  void update_all(int j);
  // update_lines.cpp: line parameters.
  void update_gradients();
  void update_lengths();
  void update_fractions();
  void update_departures();
  void update_gradient_mean();
  void update_gradient_var();
  void update_length_mean();
  void update_length_var();
  void update_fraction_mean();
  void update_fraction_var();
  void update_departure_mean();
  void update_departure_var();
  // update_centers.cpp: centres.
  void update_centers();

  // ---- starting configurations (start.cpp) ----
  void initialize(int type, int start);

  // ---- clumping (clump.cpp) ----
  void calc_range(snp& s);
  void clump_data(snp& s);
  void set_calls_from_points(snp& s);
  // What set_calls_from_points does, without its message: every individual
  // takes the call and class probabilities of its cell.
  void copy_cell_calls(snp& s);

  // ---- reports (reports.cpp) ----
  // The table of genotype counts: a heading, then per cohort its four
  // counts, each followed by a blank and, when asked, a tab and the observed
  // frequency of the first allele.
  void print_count_table(bool with_frequency) const;
  void print_all();
  void print_rates();

  // ---- information measures (info.cpp) ----
  double info_calc1(int j);
  double info_calc2(int j);

  // ---- fit driver (fit.cpp) and result files (output.cpp) ----
  // Fits snps[current_snp]. With a `trace` (the file of "-print_params"),
  // a sampling stage 2 writes the log-posterior terms of every iteration
  // to it, afresh for each SNP; a failed write throws user_error.
  void v1(staged_file* trace = nullptr);
  // Writes every result file and renames them, and the finished `trace`
  // when given, over their final names together (result_files.h).
  void output_mcmc(staged_file* trace = nullptr);
  // The genotype values of the SNP fitted last, as v1 leaves them: the
  // stage-2 tallies (sampling) or the class probabilities (maximising).
  const vec3& stage2_values() const { return sampling ? call_tallies : call_probs; }
  // Appends the current SNP's genotype values to all_call_probs: `values`
  // [C][n_c][4] are the stage-2 tallies (sampling; written as shares of
  // n_iter) or the class probabilities.
  void keep_genotype_values(const vec3& values);
  void update_sweep();  // one iteration of every update step
};

#endif
