// The per-SNP fit: stage 1 (three rounds of random starts, the best one
// stored), stage 2 from the stored state (sampling tallies or maximisation),
// with optional pooling of the cohorts and the clumping approximation around
// them, and the SNP's results appended to the result lists.
//
// The update steps live in the update_*.cpp files; this file only orders
// them (the sweep), owns the loops and keeps the results.
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data.h"
#include "errors.h"
#include "messages.h"
#include "result_files.h"

namespace {

// The lowest log posterior a random start must beat to be stored.
const double no_log_posterior = -1e100;

void print_terms(std::ostream& os, const vec& terms) {
  for (double t : terms) os << t << " ";
  os << std::endl;
}

// In X mode, the sex codes and counts that the fit of one SNP reads: those
// of the individuals it sees (the present points), per cohort or pooled.
// The codes read from the sex files are put back when it goes.
class fit_sexes {
 public:
  // Gives d the codes of the individuals of s that have a point; a cohort
  // without a missing point keeps its codes and counts as read.
  fit_sexes(data& d, const snp& s) : d_(d), active_(d.chrX && !d.sex.empty()) {
    if (!active_) return;
    read_sex_ = d.sex;
    read_counts_ = d.sex_counts;
    for (size_t c = 0; c < s.missing.size() && c < d.sex.size(); c++) {
      const std::vector<int>& missing = s.missing[c];
      if (missing.empty()) continue;
      std::vector<int> codes;
      std::vector<int> counts(3, 0);
      size_t next = 0;
      for (size_t i = 0; i < read_sex_[c].size(); i++) {
        if (next < missing.size() && static_cast<size_t>(missing[next]) == i) {
          next++;
          continue;
        }
        codes.push_back(read_sex_[c][i]);
        counts[read_sex_[c][i]] += 1;
      }
      d.sex[c] = codes;
      d.sex_counts[c] = counts;
    }
    per_cohort_sex_ = d.sex;
    per_cohort_counts_ = d.sex_counts;
  }
  ~fit_sexes() {
    if (!active_) return;
    d_.sex = read_sex_;
    d_.sex_counts = read_counts_;
  }
  fit_sexes(const fit_sexes&) = delete;
  fit_sexes& operator=(const fit_sexes&) = delete;

  // One pooled cohort: every individual's own code, in the pooled order
  // (cohort by cohort), and the summed counts.
  void pool() {
    if (!active_) return;
    std::vector<int> codes;
    std::vector<int> counts(3, 0);
    for (const std::vector<int>& cohort : per_cohort_sex_)
      codes.insert(codes.end(), cohort.begin(), cohort.end());
    for (const std::vector<int>& cohort : per_cohort_counts_)
      for (size_t k = 0; k < cohort.size() && k < counts.size(); k++)
        counts[k] += cohort[k];
    d_.sex.assign(1, codes);
    d_.sex_counts.assign(1, counts);
  }

  // Back to the per-cohort codes after pooling.
  void split() {
    if (!active_) return;
    d_.sex = per_cohort_sex_;
    d_.sex_counts = per_cohort_counts_;
  }

 private:
  data& d_;
  bool active_;
  ivec2 read_sex_, read_counts_;
  ivec2 per_cohort_sex_, per_cohort_counts_;
};

// Pools every cohort of s into cohort 0, cohort by cohort; cohort_of keeps
// each individual's own cohort. The missing individuals are pooled alike,
// at their places in the pooled order of the files' individuals; the
// per-cohort lists are returned, for the split.
std::vector<std::vector<int> > pool_cohorts(snp& s) {
  std::cout << std::endl << "running all cohorts together" << std::endl;
  std::vector<std::vector<int> > per_cohort_missing = s.missing;
  std::vector<int> pooled_missing;
  int offset = 0;
  for (size_t c = 0; c < s.points.size(); c++) {
    for (int i : s.missing[c]) pooled_missing.push_back(offset + i);
    offset += static_cast<int>(s.points[c].size() + s.missing[c].size());
  }
  for (size_t c = 1; c < s.points.size(); c++) {
    s.points[0].insert(s.points[0].end(), s.points[c].begin(), s.points[c].end());
    s.cohort_of[0].append(s.cohort_of[c]);
  }
  s.points.resize(1);
  s.cohort_of.resize(1);
  s.missing.assign(1, pooled_missing);
  return per_cohort_missing;
}

// Splits the pooled cohort of s back into the cohorts of the intensity
// files, each individual to its own cohort in its original order, and gives
// back the per-cohort lists of missing individuals.
void split_cohorts(data& d, snp& s,
                   const std::vector<std::vector<int> >& per_cohort_missing) {
  d.n_cohorts = static_cast<int>(d.intensity_files.size());
  d.n_ind.assign(d.n_cohorts, 0);
  const xy_list pooled_points = s.points[0];
  s.points.assign(d.n_cohorts, xy_list());
  xy_list::const_iterator next = pooled_points.begin();
  for (const cohort_runs::run& r : s.cohort_of[0].runs()) {
    s.points[r.cohort].insert(s.points[r.cohort].end(), next, next + r.count);
    next += r.count;
    d.n_ind[r.cohort] += r.count;
  }
  s.missing = per_cohort_missing;
}

// The report printed after every random start.
void print_start_report(const data& d) {
  std::cout << std::endl;
  print_terms(std::cout, d.log_posterior_terms);
  d.print_count_table(true);
}

// One joint move per cohort, in cohort order, when `iteration` is a multiple
// of `fancy` (a `fancy` of 0 makes none).
void global_moves_if_due(data& d, int iteration) {
  if (d.fancy == 0 || iteration % d.fancy != 0) return;
  for (int j = 0; j < d.n_cohorts; j++) d.update_all(j);
}

// Stage 1: three restart rounds of `ns` random starts each; the first start
// of the SNP and every later start whose final log posterior beats the best
// so far are stored.
void run_stage1(data& d) {
  bool stored = false;
  for (int t = 0; t < 3; t++) {
    for (int r = 0; r < d.ns; r++) {
      d.initialize(t, r);
      for (int it = 1; it <= d.nmax; it++) {
        if (it % 10 == 0) {
          std::cout << "\rranstart " << t << "-" << r << " : iteration [" << it << "/"
                    << d.nmax << "]" << std::flush;
        }
        d.update_sweep();
        global_moves_if_due(d, it);
      }
      const double lp = d.log_posterior(false);
      std::cout << " Final Log Posterior = " << lp << std::flush;
      // The first start is stored whatever its log posterior, so that the
      // restore always reads this SNP's state, even when every start ends
      // with a log posterior that is not a number or minus infinity.
      const bool better = lp > d.best_log_posterior;
      if (better || !stored) {
        std::cout << "*";
        if (better) d.best_log_posterior = lp;
        d.store_state();
        stored = true;
      }
      print_start_report(d);
    }
  }
  if (!stored) {
    throw user_error("-ns: expected at least one random start, got " +
                     std::to_string(d.ns));
  }
}

// Adds each individual's current call to its stage-2 tallies.
void tally_calls(data& d) {
  for (int c = 0; c < d.n_cohorts; c++) {
    for (int i = 0; i < d.n_ind[c]; i++) {
      const int k = d.calls[c][i];
      if (k < 0 || k > 3) {
        throw std::logic_error("stage 2 tally of an individual without a call");
      }
      d.call_tallies[c][i][k] += 1.0;
    }
  }
}

void zero_acceptance_counters(data& d) {
  d.accept_alpha = 0;
  d.accept_alpha_star = 0;
  d.accept_eta = 0;
  d.accept_mu = 0;
  d.accept_r = 0;
  d.accept_sigma = 0;
  d.accept_varfrac = 0;
  d.accept_gradient = 0;
  d.accept_length = 0;
  d.accept_fraction = 0;
  d.accept_departure = 0;
  d.accept_global = 0;
  d.accept_center = 0;
  d.accept_model = 0;
}

// Stage 2: `burn_in` + `n_iter` iterations from the restored state. A
// maximising stage improves the parameters; a sampling stage holds them and
// tallies each individual's call over the iterations after the burn-in,
// and writes the log-posterior terms of every iteration to the trace, which
// holds the rows of the last SNP only. A failed trace write ends the run
// here rather than after every SNP is fitted.
void run_stage2(data& d, snp& s, staged_file* trace) {
  zero_acceptance_counters(d);
  if (d.sampling) {
    for (int c = 0; c < d.n_cohorts; c++)
      d.call_tallies[c].assign(d.n_ind[c], vec(4, 0.0));
    // Still clumped: the call updates so far called the grid cells only.
    // Each individual takes its cell's call before anything is tallied.
    if (d.clumped) d.copy_cell_calls(s);
  }
  if (trace) trace->restart();
  std::ostream rows(trace ? trace->buffer() : nullptr);
  d.print_all();

  for (int h = 0; h < d.burn_in + d.n_iter; h++) {
    std::cout << "\riteration [" << h + 1 << "/" << d.burn_in + d.n_iter << "]"
              << std::flush;
    if (!d.sampling) {
      d.update_sweep();
      if (d.test == 0) global_moves_if_due(d, h + 1);
      continue;
    }
    // The parameters and calls hold still, so the log posterior is only
    // worked out where it shows: watched, traced, or its steps named.
    double lp = 0;
    if (d.watch_counts || trace || d.names) lp = d.log_posterior(false);
    if (h >= d.burn_in) tally_calls(d);
    if (d.watch_counts) {
      std::cout << std::endl;
      d.print_count_table(false);
      std::cout << " Log Posterior = " << lp << std::endl;
    }
    if (trace) print_terms(rows, d.log_posterior_terms);
  }

  if (trace && trace->flush() != 0) {
    std::cout << std::endl;
    throw user_error("cannot write trace file " + trace->name() + " (" +
                     std::strerror(trace->error()) + ") at " +
                     snp_name(d, d.current_snp) +
                     "; the run stopped there, and no result file was written or "
                     "replaced");
  }
}

// Appends the SNP's final parameters, information measures and genotype
// values to the result lists. The first SNP sizes the lists for every SNP of
// the range, so that they never grow by doubling.
void append_results(data& d, double lp) {
  params& p = d.current_params;
  p.cohorts.assign(d.n_cohorts, cohort_params());
  for (int c = 0; c < d.n_cohorts; c++) {
    cohort_params& q = p.cohorts[c];
    q.alpha = d.alpha[c];
    q.eta = d.eta[c];
    for (int k = 0; k < 3; k++) {
      q.mu[k][0] = d.mu[c][k][0];
      q.mu[k][1] = d.mu[c][k][1];
      q.r[k] = d.r[c][k];
    }
    q.sigma = d.sigma[c];
    q.varfrac = d.varfrac[c];
  }
  p.final_log_posterior = lp;

  std::cout << "information measure : " << std::endl;
  for (int j = 0; j < d.n_cohorts; j++) p.cohorts[j].info1 = d.info_calc1(j);
  for (int j = 0; j < d.n_cohorts; j++) p.cohorts[j].info2 = d.info_calc2(j);
  std::cout << std::endl;

  d.all_params.reserve(d.snps.size());
  d.all_params.push_back(p);
  if (!d.sampling) d.update_call_probs();
  d.keep_genotype_values(d.stage2_values());
}

// Gives back the memory of `v`.
template <typename T>
void release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

}  // namespace

void data::update_sweep() {
  {
    // No step before the call update moves a point or a call, so the
    // members sorted by class and the class sums of one step serve the next.
    const class_likelihood_memo::scope keep(class_likelihoods, n_cohorts);
    update_alpha();
    std::cout << std::flush;
    if (names) std::cout << "update_mu()" << std::endl;
    update_gradients();
    update_lengths();
    update_fractions();
    update_departures();
    update_centers();
    std::cout << std::flush;
    if (names) std::cout << "update_var()" << std::endl;
    update_r();
    update_sigma();
    update_varfrac();
    std::cout << std::flush;
    update_lambda();
    std::cout << std::flush;
    if (!nonull) {
      update_eta();
      std::cout << std::flush;
    }
  }
  update_calls(false);
}

void data::v1(staged_file* trace) {
  best_log_posterior = no_log_posterior;
  snp& s = snps[current_snp];
  s.missing.resize(s.points.size());  // a record made without the lists
  fit_sexes sexes(*this, s);
  std::vector<std::vector<int> > per_cohort_missing;

  if (single != 0) {
    per_cohort_missing = pool_cohorts(s);
    sexes.pool();
  }
  n_cohorts = static_cast<int>(s.points.size());
  n_ind.resize(n_cohorts);
  for (int c = 0; c < n_cohorts; c++) n_ind[c] = static_cast<int>(s.points[c].size());

  set_storage();
  sampling = sampling_stage1;
  calc_range(s);
  if (approx != 0) {
    clumped = true;
    clump_data(s);
  }

  run_stage1(*this);

  if (single == 1) {
    split_cohorts(*this, s, per_cohort_missing);
    sexes.split();
    std::cout << std::endl;
    if (approx != 0) {
      calc_range(s);
      clump_data(s);
    }
    set_storage();
    recycle_max_params(0);
  }

  restore_state();
  std::cout << " set parameters from store " << std::endl;
  update_calls(false);

  std::cout << std::endl << "Stage 2 initial parameters" << std::endl;
  double lp = log_posterior(false);
  std::cout << " Initial Log Posterior = " << lp << std::endl;
  sampling = sampling_stage2;
  std::cout << " Approx " << (clumped ? 1 : 0) << std::endl;
  if (approx == 1) {
    set_calls_from_points(s);
    update_calls(false);
    clumped = false;
    if (n_iter < 10) n_iter = 10;
  }

  run_stage2(*this, s, trace);

  if (clumped) {
    set_calls_from_points(s);
    clumped = false;
    update_calls(false);
  }

  std::cout << std::endl << std::endl << "Final parameters" << std::endl;
  lp = log_posterior(false);
  std::cout << " Final Log Posterior = " << lp << std::endl;
  print_all();
  if (sampling) print_rates();

  append_results(*this, lp);

  // Only the fit reads the SNP's clumping grid, as large as its points or
  // larger: it goes now rather than with the run, and the next SNP's grid
  // takes its place.
  release(s.clumps);
  release(s.male_clumps);
}
