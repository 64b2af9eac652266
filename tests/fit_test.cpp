// The per-SNP fit: what stage 2 keeps, pooling and splitting, clumping,
// the stored best start, the trace file and the repeatability of a seeded
// fit, on small synthetic SNPs held in memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"
#include "errors.h"
#include "result_files.h"
#include "scratch_dir.h"
#include "scripted_rng.h"
#include "vargen1.h"

namespace {

typedef std::vector<std::vector<double> > cohort_points;

// Class centres of well-separated clusters: AA, AB, BB.
const double centres[3][2] = {{1.0, 0.1}, {0.55, 0.55}, {0.1, 1.0}};

// The true class of individual i: 30% AA, 50% AB, 20% BB.
int true_class(int i) {
  const int r = (i * 7) % 10;
  return r < 3 ? 0 : (r < 8 ? 1 : 2);
}

cohort_points make_cohort(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, 0.03);
  cohort_points pts;
  for (int i = 0; i < n; i++) {
    const int k = true_class(i);
    const double x = centres[k][0] + noise(gen);
    const double y = centres[k][1] + noise(gen);
    pts.push_back({x, y});
  }
  return pts;
}

snp make_snp(const std::vector<int>& sizes, unsigned seed) {
  snp s;
  s.SNP_ID = "SNP" + std::to_string(seed);
  s.rs = "rs" + std::to_string(seed);
  s.position = "1";
  s.allele1 = "A";
  s.allele2 = "G";
  for (size_t c = 0; c < sizes.size(); c++) {
    s.points.push_back(make_cohort(sizes[c], seed * 10 + c));
    s.cohort_of.push_back(std::vector<int>(sizes[c], static_cast<int>(c)));
  }
  return s;
}

// A model object as read_data leaves it, for `n_snps` SNPs of cohorts of
// the given sizes, with short runs.
data make_run(const std::vector<int>& sizes, int n_snps = 1) {
  data d;
  d.n_cohorts = static_cast<int>(sizes.size());
  d.n_ind = sizes;
  d.n_snps = n_snps;
  for (size_t c = 0; c < sizes.size(); c++)
    d.intensity_files.push_back("cohort" + std::to_string(c) + ".txt");
  for (int j = 0; j < n_snps; j++) d.snps.push_back(make_snp(sizes, j + 1));
  d.ns = 1;
  d.nmax = 10;
  d.burn_in = 3;
  d.n_iter = 5;
  d.fancy = 5;
  return d;
}

// Fits SNP j from a freshly seeded generator; returns the log.
std::string fit(data& d, int j = 0, staged_file* trace = nullptr) {
  MT generator(0.12345);
  Random::Set(generator);
  d.current_snp = j;
  CaptureStdout out;
  d.v1(trace);
  return out.text();
}

// Every individual's tallies sum to n_iter and fall on one class.
void expect_tallies(const data& d, const vec3& tallies) {
  ASSERT_EQ(tallies.size(), static_cast<size_t>(d.n_cohorts));
  for (int c = 0; c < d.n_cohorts; c++) {
    ASSERT_EQ(tallies[c].size(), static_cast<size_t>(d.n_ind[c]));
    for (const vec& t : tallies[c]) {
      ASSERT_EQ(t.size(), 4u);
      EXPECT_EQ(t[0] + t[1] + t[2] + t[3], d.n_iter);
      EXPECT_EQ(*std::max_element(t.begin(), t.end()), d.n_iter);
    }
  }
}

void expect_probabilities(const vec3& probs) {
  for (const vec2& cohort : probs)
    for (const vec& p : cohort) {
      ASSERT_EQ(p.size(), 4u);
      for (double v : p) {
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
      }
      EXPECT_NEAR(p[0] + p[1] + p[2] + p[3], 1.0, 1e-9);
    }
}

// The share of individuals whose largest value is their true class.
double agreement(const vec3& values) {
  int right = 0, total = 0;
  for (const vec2& cohort : values)
    for (size_t i = 0; i < cohort.size(); i++) {
      const vec& v = cohort[i];
      const int called =
          static_cast<int>(std::max_element(v.begin(), v.begin() + 3) - v.begin());
      right += called == true_class(static_cast<int>(i));
      total++;
    }
  return static_cast<double>(right) / total;
}

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    n++;
  return n;
}

}  // namespace

TEST(Fit, SamplingStageTwoTalliesEveryKeptIteration) {
  data d = make_run({40, 30});
  fit(d);
  ASSERT_EQ(d.all_call_probs.size(), 1u);
  ASSERT_EQ(d.all_params.size(), 1u);
  expect_tallies(d, d.call_tallies);
  // The record holds every cohort's final parameters as the model ends.
  const params& p = d.all_params[0];
  ASSERT_EQ(p.cohorts.size(), 2u);
  for (int c = 0; c < 2; c++) {
    const cohort_params& q = p.cohorts[c];
    EXPECT_EQ(vec({q.alpha, q.eta, q.sigma, q.varfrac}),
              vec({d.alpha[c], d.eta[c], d.sigma[c], d.varfrac[c]}));
    for (int k = 0; k < 3; k++) {
      EXPECT_EQ(vec({q.mu[k][0], q.mu[k][1], q.r[k]}),
                vec({d.mu[c][k][0], d.mu[c][k][1], d.r[c][k]}));
    }
  }
  EXPECT_GT(agreement(d.call_tallies), 0.9);
}

TEST(Fit, MaximisingStageTwoKeepsClassProbabilities) {
  data d = make_run({40, 30});
  d.sampling_stage2 = false;
  const std::string log = fit(d);
  expect_probabilities(d.call_probs);
  EXPECT_GT(agreement(d.call_probs), 0.9);
  // No acceptance rates after a maximising stage 2.
  EXPECT_EQ(log.find("Acceptance rates"), std::string::npos);
  EXPECT_FALSE(d.sampling);
}

TEST(Fit, ClumpedToTheEndOfASamplingStageTwo) {
  // The grid cells are the only ones called until stage 2 ends: every
  // individual takes its cell's call before it is tallied.
  data d = make_run({40, 30});
  d.approx = 2;
  d.grid_cells = 20;
  fit(d);
  EXPECT_FALSE(d.clumped);
  // The grid is not kept after the fit.
  EXPECT_TRUE(d.snps[0].clumps.empty());
  expect_tallies(d, d.call_tallies);
  EXPECT_GT(agreement(d.call_tallies), 0.9);
}

TEST(Fit, ClumpedStageOneRaisesShortStageTwo) {
  data d = make_run({40, 30}, 2);
  d.approx = 1;
  d.grid_cells = 20;
  d.n_iter = 5;
  fit(d, 0);
  EXPECT_EQ(d.n_iter, 10);
  EXPECT_FALSE(d.clumped);
  expect_tallies(d, d.call_tallies);
  fit(d, 1);
  EXPECT_EQ(d.n_iter, 10);
  expect_tallies(d, d.call_tallies);
}

TEST(Fit, PooledStageOneIsSplitForStageTwo) {
  data d = make_run({40, 30});
  const snp original = d.snps[0];
  d.single = 1;
  const std::string log = fit(d);
  EXPECT_NE(log.find("running all cohorts together"), std::string::npos);
  EXPECT_EQ(d.n_cohorts, 2);
  EXPECT_EQ(d.n_ind, (std::vector<int>{40, 30}));
  EXPECT_EQ(d.snps[0].points, original.points);
  expect_tallies(d, d.call_tallies);
  EXPECT_EQ(d.all_params[0].cohorts.size(), 2u);
}

TEST(Fit, PooledToTheEnd) {
  data d = make_run({40, 30});
  d.single = 2;
  fit(d);
  EXPECT_EQ(d.n_cohorts, 1);
  EXPECT_EQ(d.n_ind, (std::vector<int>{70}));
  expect_tallies(d, d.call_tallies);
  EXPECT_EQ(d.all_params[0].cohorts.size(), 1u);
}

TEST(Fit, PooledXChromosomeKeepsEachIndividualsSex) {
  for (int single : {1, 2}) {
    SCOPED_TRACE(single);
    data d = make_run({30, 30});
    d.chrX = true;
    d.single = single;
    d.sampling_stage2 = false;
    d.sex = {std::vector<int>(30, 2), std::vector<int>(30, 1)};
    d.sex_counts = {{0, 0, 30}, {0, 30, 0}};
    const ivec2 sex = d.sex, sex_counts = d.sex_counts;
    fit(d);
    // The per-cohort codes and counts are back after the fit.
    EXPECT_EQ(d.sex, sex);
    EXPECT_EQ(d.sex_counts, sex_counts);
    // The males (cohort 1, pooled behind cohort 0) are never heterozygous;
    // the females are.
    const vec3& probs = d.call_probs;
    std::vector<const vec*> males, females;
    if (single == 1) {
      for (const vec& p : probs[0]) females.push_back(&p);
      for (const vec& p : probs[1]) males.push_back(&p);
    } else {
      ASSERT_EQ(probs[0].size(), 60u);
      for (int i = 0; i < 30; i++) females.push_back(&probs[0][i]);
      for (int i = 30; i < 60; i++) males.push_back(&probs[0][i]);
    }
    double female_het = 0;
    for (const vec* p : males) EXPECT_EQ((*p)[1], 0.0);
    for (const vec* p : females) female_het += (*p)[1];
    EXPECT_GT(female_het, 5.0);
  }
}

TEST(Fit, PooledXChromosomeFitsLikeOneCohortOfEveryone) {
  // Pooling two X-chromosome cohorts gives exactly the fit of one cohort
  // that holds every individual with its own sex code and the summed counts.
  data pooled = make_run({30, 20});
  pooled.chrX = true;
  pooled.single = 2;
  pooled.sex = {std::vector<int>(30, 2), std::vector<int>(20, 1)};
  pooled.sex[0][3] = 0;
  pooled.sex_counts = {{1, 0, 29}, {0, 20, 0}};

  data one = make_run({50});
  one.chrX = true;
  one.snps[0].points[0] = pooled.snps[0].points[0];
  one.snps[0].points[0].insert(one.snps[0].points[0].end(),
                               pooled.snps[0].points[1].begin(),
                               pooled.snps[0].points[1].end());
  one.sex = {pooled.sex[0]};
  one.sex[0].insert(one.sex[0].end(), pooled.sex[1].begin(), pooled.sex[1].end());
  one.sex_counts = {{1, 20, 29}};

  fit(pooled);
  fit(one);
  EXPECT_EQ(pooled.all_call_probs, one.all_call_probs);
  EXPECT_EQ(pooled.call_tallies, one.call_tallies);
  EXPECT_EQ(pooled.all_params, one.all_params);
}

TEST(Fit, FirstStartIsStoredWhenNoneBeatsTheThreshold) {
  // A first SNP fitted pooled leaves one-cohort stored copies behind. The
  // second SNP's log posterior is not a number at every start (an improper
  // prior of the shared allele frequency): its first start is still stored,
  // so stage 2 runs from this SNP's own two-cohort state.
  data d = make_run({40, 30}, 2);
  d.single = 2;
  d.ns = 2;
  fit(d, 0);
  d.single = 0;
  d.alpha_star_prior = {-1, -1};
  const std::string log = fit(d, 1);
  ASSERT_EQ(d.all_params.size(), 2u);
  const params& p = d.all_params[1];
  EXPECT_EQ(p.cohorts.size(), 2u);
  EXPECT_TRUE(std::isnan(p.final_log_posterior));
  EXPECT_EQ(count_of(log, "*"), 1);
  expect_tallies(d, d.call_tallies);
}

TEST(Fit, StageTwoStartsFromTheBestStart) {
  // Maximising stage 1: the restored state gives back exactly the best
  // start's log posterior.
  data d = make_run({40, 30});
  d.sampling_stage1 = false;
  d.ns = 2;
  const std::string log = fit(d);
  double best = -INFINITY;
  std::string starred;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    const std::string key = " Final Log Posterior = ";
    const size_t at = line.find(key);
    if (at == std::string::npos || line.find("ranstart") == std::string::npos) continue;
    const std::string value = line.substr(at + key.size());
    best = std::max(best, std::strtod(value.c_str(), nullptr));
    if (value.back() == '*') starred = value.substr(0, value.size() - 1);
  }
  ASSERT_FALSE(starred.empty());
  EXPECT_EQ(std::strtod(starred.c_str(), nullptr), best);
  EXPECT_NE(log.find(" Initial Log Posterior = " + starred + "\n"), std::string::npos)
      << starred;
}

TEST(Fit, SamplingStageTwoDrawsNothing) {
  // The whole fit draws as many uniforms with 8 stage-2 iterations as with
  // 80; a maximising stage 2 draws more with more iterations.
  auto draws = [](bool sampling, int n_iter) {
    data d = make_run({30, 20});
    d.sampling_stage2 = sampling;
    d.n_iter = n_iter;
    ScriptedRNG counter(pass_through_mt, 0.12345);
    Random::Set(counter);
    CaptureStdout quiet;
    d.v1();
    return counter.count();
  };
  EXPECT_EQ(draws(true, 5), draws(true, 77));
  EXPECT_LT(draws(false, 5), draws(false, 77));
}

TEST(Fit, SeededFitsRepeatExactly) {
  data a = make_run({40, 30});
  data b = make_run({40, 30});
  a.sampling_stage2 = b.sampling_stage2 = false;
  const std::string log_a = fit(a);
  const std::string log_b = fit(b);
  EXPECT_EQ(log_a, log_b);
  EXPECT_EQ(a.all_call_probs, b.all_call_probs);
  EXPECT_EQ(a.call_probs, b.call_probs);
  EXPECT_EQ(a.all_params, b.all_params);
}

TEST(Fit, TraceFileHoldsTheLastSnpsRows) {
  const std::filesystem::path here = std::filesystem::current_path();
  ScratchDir scratch;
  std::filesystem::current_path(scratch.dir());

  data d = make_run({30, 20}, 2);
  {
    staged_file trace("params");
    fit(d, 0, &trace);
    d.burn_in = 2;
    d.n_iter = 4;
    fit(d, 1, &trace);
    EXPECT_FALSE(std::filesystem::exists("params"));  // until the rename
    trace.finish();
    rename_together({&trace}, ".");
  }
  std::ifstream in("params");
  int rows = 0;
  for (std::string line; std::getline(in, line); rows++) {
    std::istringstream fields(line);
    int n = 0;
    for (double v; fields >> v;) n++;
    EXPECT_EQ(n, 7);
    EXPECT_EQ(line.back(), ' ');
  }
  EXPECT_EQ(rows, 6);

  // A maximising stage 2 leaves the file empty.
  {
    staged_file trace("params");
    d.sampling_stage2 = false;
    fit(d, 1, &trace);
    trace.finish();
    rename_together({&trace}, ".");
  }
  EXPECT_EQ(std::filesystem::file_size("params"), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);

  std::filesystem::current_path(here);
}

TEST(Fit, GlobalMovesSwitchedOffByFancyZero) {
  data d = make_run({30, 20});
  d.fancy = 0;
  d.sampling_stage2 = false;
  fit(d);
  EXPECT_EQ(d.accept_global, 0);
  expect_probabilities(d.call_probs);
}

TEST(Fit, NoRandomStartIsAnError) {
  data d = make_run({30, 20});
  d.ns = 0;
  EXPECT_THROW(fit(d), user_error);
}

TEST(Fit, StageOneProgressEveryTenthIteration) {
  data d = make_run({30, 20});
  d.nmax = 25;
  std::string log = fit(d);
  for (int t = 0; t < 3; t++) {
    const std::string start = "\rranstart " + std::to_string(t) + "-0 : ";
    EXPECT_EQ(count_of(log, start + "iteration [10/25]"), 1) << t;
    EXPECT_EQ(count_of(log, start + "iteration [20/25]" + " Final Log Posterior = "), 1)
        << t;
  }
  EXPECT_EQ(count_of(log, "\rranstart "), 6);

  // Below 10 iterations no progress line: the final log posterior follows
  // the start's own output directly.
  data e = make_run({30, 20});
  e.nmax = 9;
  log = fit(e);
  EXPECT_EQ(count_of(log, "ranstart"), 0);
  EXPECT_EQ(count_of(log, ")\n Final Log Posterior = "), 3);
}

TEST(Fit, ReportAfterEveryStart) {
  // Seven terms, each followed by a blank; then the counts of each cohort,
  // each followed by a blank, a tab and the observed frequency of the first
  // allele (the null class left out).
  data d = make_run({30, 20});
  d.ns = 2;
  const std::string log = fit(d);
  const std::regex report(
      " Final Log Posterior = [^\n ]+\\*?\n"
      "(?:[^ \n]+ ){7}\n"
      "Genotype counts \\(N\\) :\n"
      " cohort 0: (\\d+) (\\d+) (\\d+) (\\d+) \t([^\n]+)\n"
      " cohort 1: (\\d+) (\\d+) (\\d+) (\\d+) \t([^\n]+)\n");
  int reports = 0;
  for (std::sregex_iterator m(log.begin(), log.end(), report), end; m != end;
       ++m, ++reports) {
    for (int c = 0; c < 2; c++) {
      int n[4];
      for (int k = 0; k < 4; k++) n[k] = std::stoi((*m)[1 + 5 * c + k]);
      EXPECT_EQ(n[0] + n[1] + n[2] + n[3], c == 0 ? 30 : 20);
      const double f =
          static_cast<double>(2 * n[0] + n[1]) / (2.0 * (n[0] + n[1] + n[2]));
      EXPECT_NEAR(std::stod((*m)[5 + 5 * c]), f, 1e-5);
    }
  }
  EXPECT_EQ(reports, 6);
}

TEST(Fit, StageTwoProgressEveryIteration) {
  data d = make_run({30, 20});
  const std::string log = fit(d);
  EXPECT_EQ(count_of(log, "\riteration ["), 8);
  for (int h = 1; h <= 8; h++)
    EXPECT_EQ(count_of(log, "\riteration [" + std::to_string(h) + "/8]"), 1);
  EXPECT_NE(log.find("]\n\nFinal parameters\n Final Log Posterior = "),
            std::string::npos);
}

TEST(Fit, WatchedCountsEverySamplingIteration) {
  // Sampling: each stage-2 iteration prints the counts without frequencies
  // and the log posterior; a maximising stage 2 prints neither.
  data d = make_run({30, 20});
  d.watch_counts = true;
  std::string log = fit(d);
  const std::regex watched(
      "\\]\n"
      "Genotype counts \\(N\\) :\n"
      " cohort 0: (?:\\d+ ){4}\n"
      " cohort 1: (?:\\d+ ){4}\n"
      " Log Posterior = [^\n]+\n");
  const auto matches = [&](const std::string& text) {
    return std::distance(std::sregex_iterator(text.begin(), text.end(), watched),
                         std::sregex_iterator());
  };
  EXPECT_EQ(matches(log), 8);
  EXPECT_EQ(count_of(log, "\n Log Posterior = "), 8);

  data e = make_run({30, 20});
  e.watch_counts = true;
  e.sampling_stage2 = false;
  log = fit(e);
  EXPECT_EQ(count_of(log, "\n Log Posterior = "), 0);
}

TEST(Fit, SweepRunsTheStepsInOrder) {
  // The names of the sweep's steps, in the order of every sweep: 3 starts of
  // 10 iterations; with "-nonull" the null-class step is left out. No global
  // move runs (fancy beyond nmax) and a sampling stage 2 runs no sweep.
  for (bool nonull : {false, true}) {
    SCOPED_TRACE(nonull);
    data d = make_run({30, 20});
    d.names = true;
    d.nonull = nonull;
    d.fancy = 1000;
    const std::string log = fit(d);
    std::vector<std::string> sweep = {
        "update_alpha()", "update_mu()", "update_centers()", "update_var()",
        "update_lambda",  "update_eta",  "update_calls()"};
    if (nonull) sweep.erase(sweep.begin() + 5);
    std::vector<std::string> seen;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
      // A progress line has no line end: the next name follows it.
      if (!line.empty() && line.front() == '\r') line = line.substr(line.rfind(']') + 1);
      if (std::find(sweep.begin(), sweep.end(), line) != sweep.end())
        seen.push_back(line);
    }
    int sweeps = 0;
    for (size_t at = 0; at < seen.size(); at++) {
      if (seen[at] == "update_calls()") continue;  // calls outside a sweep
      ASSERT_LE(at + sweep.size(), seen.size());
      EXPECT_TRUE(std::equal(sweep.begin(), sweep.end(), seen.begin() + at))
          << "sweep " << sweeps;
      at += sweep.size() - 1;
      sweeps++;
    }
    EXPECT_EQ(sweeps, 30);
  }
}

namespace {

// Whole runs in memory on files written into a fresh directory: read_data,
// every SNP fitted from a freshly seeded generator, the result files.
class FileRun : public ScratchDirTest {
 protected:
  // Short seeded runs of every SNP of d's files; returns the log.
  static std::string run(data& d) {
    MT generator(0.12345);
    Random::Set(generator);
    d.ns = 1;
    d.nmax = 10;
    d.burn_in = 3;
    d.n_iter = 5;
    d.fancy = 5;
    CaptureStdout out;
    d.read_data();
    for (d.current_snp = 0; d.current_snp < d.n_snps; d.current_snp++) d.v1();
    d.output_mcmc();
    return out.text();
  }
};

// An intensity file of one SNP line of `pts`. Individual `missing` (from
// 0; none when -1) is written with the tokens `x` and `y`; individual
// `dropped` (none when -1) is left out, header included.
std::string intensity_text(const cohort_points& pts, int missing, const std::string& x,
                           const std::string& y, int dropped) {
  std::ostringstream os;
  os.precision(17);
  os << "SNP_ID rs position allele1 allele2";
  for (int i = 0; i < static_cast<int>(pts.size()); i++)
    if (i != dropped) os << " i" << i << "_x i" << i << "_y";
  os << "\ns1 rs1 100 A G";
  for (int i = 0; i < static_cast<int>(pts.size()); i++) {
    if (i == dropped) continue;
    if (i == missing)
      os << " " << x << " " << y;
    else
      os << " " << pts[i][0] << " " << pts[i][1];
  }
  os << "\n";
  return os.str();
}

// Sex codes, one a line: every third individual female, the others male;
// individual `dropped` (none when -1) left out.
std::string sex_text(int n, int dropped) {
  std::string text;
  for (int i = 0; i < n; i++)
    if (i != dropped) text += i % 3 == 0 ? "2\n" : "1\n";
  return text;
}

}  // namespace

TEST_F(FileRun, MissingPointFitsAsIfItsColumnsWereAbsent) {
  // Two cohorts, the same SNP twice: once with individual 7 of cohort 1
  // missing, once without that individual's columns. The fit sees the same
  // points, so the parameter and information files are the same and the
  // genotype values differ only by the missing individual's 0 0 0 (pooled
  // to the end, behind cohort 0's individuals).
  struct variant {
    const char* name;
    const char* x;
    const char* y;
    void (*set)(data&);
  };
  const variant variants[] = {
      {"sampling", "NaN", "NA", [](data&) {}},
      {"maximising", "0.5", "nan", [](data& d) { d.sampling_stage2 = false; }},
      {"clumped", "na", "0.5",
       [](data& d) {
         d.approx = 2;
         d.grid_cells = 20;
       }},
      {"pooled for stage 1", "NA", "na", [](data& d) { d.single = 1; }},
      {"pooled", "NA", "NaN", [](data& d) { d.single = 2; }},
      {"X chromosome", "NA", "NAN", [](data& d) { d.chrX = true; }},
      {"X chromosome pooled, clumped, maximising", "nAn", "Na",
       [](data& d) {
         d.chrX = true;
         d.single = 1;
         d.approx = 1;
         d.grid_cells = 20;
         d.sampling_stage2 = false;
       }},
  };
  const int n = 40, gone = 7;
  const cohort_points first = make_cohort(n, 12), second = make_cohort(n, 11);
  for (const variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::string whole = write("whole.txt", intensity_text(first, -1, "", "", -1));
    data with, without;
    with.intensity_files = {
        whole, write("with.txt", intensity_text(second, gone, v.x, v.y, -1))};
    without.intensity_files = {
        whole, write("without.txt", intensity_text(second, -1, "", "", gone))};
    with.output_prefix = path("with");
    without.output_prefix = path("without");
    v.set(with);
    v.set(without);
    if (with.chrX) {
      const std::string sexes = write("sex.txt", sex_text(n, -1));
      with.sex_files = {sexes, write("with_sex.txt", sex_text(n, -1))};
      without.sex_files = {sexes, write("without_sex.txt", sex_text(n, gone))};
    }
    const std::string log = run(with);
    run(without);
    EXPECT_NE(log.find(" cohort 1 # missing points = 1\n"), std::string::npos);
    EXPECT_EQ(read_file(path("with_params")), read_file(path("without_params")));
    EXPECT_EQ(read_file(path("with_information")),
              read_file(path("without_information")));
    // Keys (5 words), then three values per individual.
    const bool pooled = with.single == 2;
    const std::string file = pooled ? "_0_mcmc" : "_1_mcmc";
    std::istringstream a(read_file(path("with" + file))),
        b(read_file(path("without" + file)));
    std::vector<std::string> wa{std::istream_iterator<std::string>(a), {}};
    std::vector<std::string> wb{std::istream_iterator<std::string>(b), {}};
    const int before = pooled ? n + gone : gone;
    ASSERT_EQ(wa.size(), 5u + 3 * (pooled ? 2 * n : n));
    const auto at = wa.begin() + 5 + 3 * before;
    EXPECT_EQ(std::vector<std::string>(at, at + 3),
              (std::vector<std::string>{"0", "0", "0"}));
    wa.erase(at, at + 3);
    EXPECT_EQ(wa, wb);
  }
}

TEST_F(FileRun, ClumpedXChromosomeCallsNoMaleHeterozygous) {
  // Grid cells of simulated X-chromosome data, in both clumping modes and
  // with either stage 2: no male has a heterozygous share.
  const std::string simulate = std::string("'") + SIMULATE_BIN +
                               "' --seed 5 --cohorts 1 --individuals 300 "
                               "--snps 5 --chrX --out '" +
                               dir_ + "' > /dev/null";
  ASSERT_EQ(std::system(simulate.c_str()), 0);
  for (int approx : {1, 2}) {
    for (bool sampling : {true, false}) {
      SCOPED_TRACE(testing::Message() << "approx " << approx << " sampling " << sampling);
      data d;
      d.intensity_files = {path("cohort0.txt")};
      d.chrX = true;
      d.sex_files = {path("sex0.txt")};
      d.approx = approx;
      d.grid_cells = 20;
      d.sampling_stage2 = sampling;
      d.output_prefix = path("x");
      run(d);
      // The genotype file: keys (5 words), then three values per individual.
      std::istringstream lines(read_file(path("x_0_mcmc")));
      int snps = 0, males = 0, heterozygous_males = 0;
      for (std::string line; std::getline(lines, line); snps++) {
        std::istringstream words(line);
        std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
        ASSERT_EQ(w.size(), 5u + 3 * d.sex[0].size());
        for (size_t i = 0; i < d.sex[0].size(); i++)
          if (d.sex[0][i] == 1) {
            males++;
            heterozygous_males += w[5 + 3 * i + 1] != "0";
          }
      }
      EXPECT_EQ(snps, 5);
      EXPECT_GT(males, 500);
      EXPECT_EQ(heterozygous_males, 0);
    }
  }
}

TEST_F(FileRun, CohortWithFewOrNoPresentPointsIsFittedFromItsPriors) {
  // SNP j of cohort 0 keeps only its first j points (j = 0, 1, 2); cohort 1
  // is whole. Every run ends with finite parameters and information
  // measures, the missing individuals' values are 0 0 0 and a cohort with
  // fewer than two points has the information measures -1.
  const int n = 30;
  const cohort_points pts = make_cohort(n, 3);
  // The lines of SNPs 0, 1 and 2 with the first `present(j)` points each.
  auto text = [&](int (*present)(int)) {
    std::ostringstream os;
    os.precision(17);
    os << "SNP_ID rs position allele1 allele2";
    for (int i = 0; i < n; i++) os << " x y";
    for (int j = 0; j < 3; j++) {
      os << "\ns" << j << " rs" << j << " " << j << " A G";
      for (int i = 0; i < n; i++) {
        if (i < present(j))
          os << " " << pts[i][0] << " " << pts[i][1];
        else
          os << " NA NA";
      }
    }
    return os.str() + "\n";
  };
  const std::string sparse = text([](int j) { return j; });
  const std::string complete = text([](int) { return n; });

  const struct {
    const char* name;
    void (*set)(data&);
  } variants[] = {
      {"sampling", [](data&) {}},
      {"maximising", [](data& d) { d.sampling_stage2 = false; }},
      {"clumped",
       [](data& d) {
         d.approx = 2;
         d.grid_cells = 20;
       }},
      {"pooled for stage 1", [](data& d) { d.single = 1; }},
  };
  for (const auto& v : variants) {
    SCOPED_TRACE(v.name);
    data d;
    d.intensity_files = {write("sparse.txt", sparse), write("full.txt", complete)};
    d.output_prefix = path("few");
    v.set(d);
    run(d);
    for (const char* file : {"few_params", "few_information"}) {
      std::istringstream lines(read_file(path(file)));
      std::string line;
      std::getline(lines, line);  // header
      while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string w;
        for (int k = 0; words >> w; k++) {
          if (k < 5) continue;  // the keys
          EXPECT_TRUE(std::isfinite(std::stod(w))) << file << ": " << line;
        }
      }
    }
    std::istringstream genotypes(read_file(path("few_0_mcmc")));
    std::string line;
    for (int j = 0; std::getline(genotypes, line); j++) {
      std::istringstream words(line);
      std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
      ASSERT_EQ(w.size(), 5u + 3 * n);
      for (size_t k = 5 + 3 * j; k < w.size(); k++) EXPECT_EQ(w[k], "0") << line;
      if (j < 2) {
        EXPECT_EQ(d.all_params[j].cohorts[0].info1, -1);
        EXPECT_EQ(d.all_params[j].cohorts[0].info2, -1);
      }
    }
  }
}
