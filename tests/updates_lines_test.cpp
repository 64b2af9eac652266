// Line-parameter steps (gradient, length, fraction, departure) with their
// eight hyper steps: ratios, draws, counters, names and accept traces.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "updates_harness.h"

namespace {

using harness::target;

struct family_case {
  const char* name;
  void (data::*step)();
  vec data::*values;
  double data::*mean;
  double data::*var;
  double data::*counter;
  mh::support kind;
  const char* names[3];
};

// The per-cohort proposal is a draw from the family's prior at the hyper
// values of the start of the step; the hyper steps walk without offsets.
std::vector<target> line_targets(const data& d, const family_case& f) {
  const double m = d.*f.mean, v = d.*f.var, k = d.pk[0];
  const bool gamma = f.kind == mh::support::positive;
  std::function<double(double)> from_prior;
  std::function<double(double, double)> prior_q;
  if (gamma) {
    from_prior = [m, v](double) { return rgamma(m * m / v, m / v); };
    prior_q = [m, v](double y, double) { return harness::log_gamma_mean_var(y, m, v); };
  } else {
    from_prior = [m, v](double) {
      return genbet(m * (1 - v) / v, (1 - m) * (1 - v) / v);
    };
    prior_q = [m, v](double y, double) { return harness::log_beta_mean_disp(y, m, v); };
  }
  const auto walk = gamma ? harness::gamma_walk(k) : harness::beta_walk(k, 0);
  const auto walk_q = gamma ? harness::gamma_walk_q(k) : harness::beta_walk_q(k, 0);
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j) {
    vec data::*values = f.values;
    t.push_back({std::string(f.name) + "[" + std::to_string(j) + "]",
                 [values, j](data& x) -> double& { return (x.*values)[j]; }, j, f.kind,
                 from_prior, prior_q});
  }
  double data::*mean = f.mean;
  double data::*var = f.var;
  t.push_back({std::string(f.name) + "_mean",
               [mean](data& x) -> double& { return x.*mean; }, -1, f.kind, walk, walk_q});
  t.push_back({std::string(f.name) + "_var", [var](data& x) -> double& { return x.*var; },
               -1, f.kind, walk, walk_q});
  return t;
}

const family_case families[] = {
    {"gradient",
     &data::update_gradients,
     &data::gradient,
     &data::gradient_mean,
     &data::gradient_var,
     &data::accept_gradient,
     mh::support::positive,
     {"update_gradients()", "update_gradient_mean()", "update_gradient_var()"}},
    {"length",
     &data::update_lengths,
     &data::length,
     &data::length_mean,
     &data::length_var,
     &data::accept_length,
     mh::support::positive,
     {"update_lengths()", "update_length_mean()", "update_length_var()"}},
    {"fraction",
     &data::update_fractions,
     &data::fraction,
     &data::fraction_mean,
     &data::fraction_var,
     &data::accept_fraction,
     mh::support::unit,
     {"update_fractions()", "update_fraction_mean()", "update_fraction_var()"}},
    {"departure",
     &data::update_departures,
     &data::departure,
     &data::departure_mean,
     &data::departure_var,
     &data::accept_departure,
     mh::support::unit,
     {"update_departures()", "update_departure_mean()", "update_departure_var()"}},
};

// Names the family in test messages.
void PrintTo(const family_case& f, std::ostream* os) { *os << f.name; }

class LineSteps : public ::testing::TestWithParam<std::tuple<family_case, bool>> {};

TEST_P(LineSteps, RatiosDrawsAndCounters) {
  const family_case f = std::get<0>(GetParam());
  data d;
  harness::make_model(&d, 2);
  d.sampling = std::get<1>(GetParam());
  d.pk = {60, 500};
  for (int sweep = 0; sweep < 5; ++sweep) {
    SCOPED_TRACE("sweep " + std::to_string(sweep));
    const data before = d;
    ScriptedRNG rng(pass_through_mt, 0.2 + 0.05 * sweep);
    auto seen = harness::run_observed(rng, [&] { (d.*f.step)(); });
    harness::check_decisions(before, d, seen, line_targets(before, f), rng);
    int accepted = 0;
    for (const auto& s : seen) accepted += s.dec.accepted;
    EXPECT_EQ(d.*f.counter - before.*f.counter, accepted);
  }
}

// Under "-names" the step prints its own name once, then each hyper step
// its own; in maximisation mode every accepted move of gradient, length and
// fraction prints the accept trace, the departure moves print none but
// their hyper steps do.
TEST_P(LineSteps, NamesAndAcceptTraces) {
  const family_case f = std::get<0>(GetParam());
  data d;
  harness::make_model(&d, 2);
  d.sampling = std::get<1>(GetParam());
  d.names = true;
  d.pk = {60, 500};
  ScriptedRNG rng(pass_through_mt, 0.33);
  CaptureStdout out(kRunPrecision);
  auto seen = harness::run_observed(rng, [&] { (d.*f.step)(); });

  std::vector<std::string> step_names, traces;
  std::istringstream in(out.text());
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("update_", 0) == 0) step_names.push_back(line);
    if (line.rfind("old = ", 0) == 0) traces.push_back(line);
  }
  EXPECT_EQ(step_names, (std::vector<std::string>{f.names[0], f.names[1], f.names[2]}));

  const bool departures = std::string(f.name) == "departure";
  std::size_t expected_traces = 0;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const bool cohort_move = i < 2;
    if (!d.sampling && seen[i].dec.accepted && !(cohort_move && departures))
      ++expected_traces;
  }
  EXPECT_EQ(traces.size(), expected_traces);
}

INSTANTIATE_TEST_SUITE_P(Families, LineSteps,
                         ::testing::Combine(::testing::ValuesIn(families),
                                            ::testing::Values(true, false)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Sampling" : "Maximising");
                         });

// Every per-cohort move evaluates the cohort's likelihood twice, before and
// after, over the classes the value shapes: 0-2, and for the departure the
// null class too. The hyper steps evaluate no likelihood, and a sampling
// step prints no accept trace. Under "-names" each evaluation prints its
// name, so the lines count the evaluations.
TEST(LineSteps, LikelihoodEvaluationsPerCohort) {
  for (const family_case& f : families) {
    SCOPED_TRACE(f.name);
    data d;
    harness::make_model(&d, 3);
    d.sampling = true;
    d.names = true;
    d.pk = {60, 500};
    ScriptedRNG rng(pass_through_mt, 0.71);
    rng.install();
    CaptureStdout out;
    (d.*f.step)();
    const int classes = std::string(f.name) == "departure" ? 4 : 3;
    EXPECT_EQ(harness::posterior_evaluations(out.text()), 3 * 2 * classes);
  }
}

// A rejected per-cohort move leaves the class means exactly as they were.
TEST(LineSteps, RejectedMoveRestoresClassMeans) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = false;
  // A prior far from the current length: almost every proposal is worse.
  d.length_mean = 5.0;
  d.length_var = 0.01;
  const vec3 mu_before = d.mu;
  const double length_before = d.length[0];
  ScriptedRNG rng(pass_through_mt, 0.6);
  auto seen = harness::run_observed(rng, [&] { d.update_lengths(); });
  ASSERT_FALSE(seen[0].dec.accepted);
  EXPECT_EQ(d.length[0], length_before);
  EXPECT_EQ(d.mu, mu_before);
}

// Without cohorts only the two hyper steps run, and the change of the
// hyper-prior alone decides: Gamma(a, rate b) for length, Beta(a, b) for
// fraction, with the mean's pair for the mean and the variance's for the
// variance.
TEST(LineSteps, WithoutCohortsTheHyperPriorDecides) {
  for (bool sampling : {false, true}) {
    SCOPED_TRACE(sampling ? "sampling" : "maximising");
    data d;
    harness::make_model(&d, 1);
    d.n_cohorts = 0;
    d.sampling = sampling;
    d.pk = {40, 500};
    d.length_mean_prior = {20, 20};
    d.length_var_prior = {3, 100};
    d.fraction_mean_prior = {30, 30};
    d.fraction_var_prior = {2, 50};

    const double length_mean = d.length_mean, length_var = d.length_var;
    ScriptedRNG rng(pass_through_mt, 0.44);
    auto seen = harness::run_observed(rng, [&] { d.update_lengths(); });
    ASSERT_EQ(seen.size(), 2u);
    const mh::decision& m = seen[0].dec;
    EXPECT_EQ(m.current, length_mean);
    EXPECT_NEAR(m.L,
                harness::log_gamma_pdf(m.proposed, 20, 20) -
                    harness::log_gamma_pdf(length_mean, 20, 20),
                1e-9);
    const double mean_after = m.accepted ? m.proposed : length_mean;
    EXPECT_EQ(d.length_mean, mean_after);
    const mh::decision& v = seen[1].dec;
    EXPECT_EQ(v.current, length_var);
    EXPECT_NEAR(v.L,
                harness::log_gamma_pdf(v.proposed, 3, 100) -
                    harness::log_gamma_pdf(length_var, 3, 100),
                1e-9);

    const double fraction_mean = d.fraction_mean;
    const double fraction_var = d.fraction_var;
    ScriptedRNG rng2(pass_through_mt, 0.52);
    seen = harness::run_observed(rng2, [&] { d.update_fractions(); });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NEAR(seen[0].dec.L,
                harness::log_beta_pdf(seen[0].dec.proposed, 30, 30) -
                    harness::log_beta_pdf(fraction_mean, 30, 30),
                1e-9);
    EXPECT_NEAR(seen[1].dec.L,
                harness::log_beta_pdf(seen[1].dec.proposed, 2, 50) -
                    harness::log_beta_pdf(fraction_var, 2, 50),
                1e-9);
  }
}

// A hyper proposal stopped by the guard leaves the value where it was; a
// maximising step then rejects it and counts nothing, a sampling step draws
// its one uniform and counts an acceptance.
TEST(LineSteps, GuardedHyperProposal) {
  for (bool sampling : {false, true}) {
    SCOPED_TRACE(sampling ? "sampling" : "maximising");
    data d;
    harness::make_model(&d, 2);
    d.sampling = sampling;
    d.pk = {500, 500};
    // Shape 500 * 1e-9: the gamma variate, divided by 500, stays below 1e-8.
    d.gradient_mean = 1e-9;
    ScriptedRNG rng(pass_through_mt, 0.29);
    auto seen = harness::run_observed(rng, [&] { d.update_gradient_mean(); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].dec.proposed, 1e-9);
    EXPECT_EQ(seen[0].dec.L, 0.0);
    EXPECT_EQ(d.gradient_mean, 1e-9);
    EXPECT_EQ(d.accept_gradient, sampling ? 1.0 : 0.0);
    EXPECT_EQ(seen[0].dec.accepted, sampling);

    // The draws: one gamma variate, then the uniform when sampling.
    ScriptedRNG replay(pass_through_mt, 0.29);
    replay.install();
    rgamma(500 * 1e-9, 500);
    EXPECT_EQ(rng.count(), replay.count() + (sampling ? 1 : 0));
  }
}

}  // namespace
