// Covariance steps (sigma, varfrac, r and their hyper-parameters): log ratios
// against the log posterior, draws, counters per sweep and "-pr" traces.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "updates_harness.h"

namespace {

using harness::target;

std::vector<target> sigma_targets(const data& d) {
  const double k = d.pk[0];
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j)
    t.push_back({"sigma[" + std::to_string(j) + "]",
                 [j](data& m) -> double& { return m.sigma[j]; }, -1,
                 mh::support::positive, harness::gamma_walk(k),
                 harness::gamma_walk_q(k)});
  t.push_back({"sigma_mean", [](data& m) -> double& { return m.sigma_mean; }, -1,
               mh::support::positive, harness::gamma_walk(k), harness::gamma_walk_q(k)});
  t.push_back({"sigma_var", [](data& m) -> double& { return m.sigma_var; }, -1,
               mh::support::positive, harness::gamma_walk(k), harness::gamma_walk_q(k)});
  return t;
}

std::vector<target> varfrac_targets(const data& d) {
  const double k = d.pk[0];
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j)
    t.push_back({"varfrac[" + std::to_string(j) + "]",
                 [j](data& m) -> double& { return m.varfrac[j]; }, -1, mh::support::unit,
                 harness::beta_walk(k, 1e-8), harness::beta_walk_q(k, 1e-8)});
  t.push_back({"varfrac_mean", [](data& m) -> double& { return m.varfrac_mean; }, -1,
               mh::support::unit, harness::beta_walk(k, 1e-8),
               harness::beta_walk_q(k, 1e-8)});
  t.push_back({"varfrac_var", [](data& m) -> double& { return m.varfrac_var; }, -1,
               mh::support::unit, harness::beta_walk(k, 1e-8),
               harness::beta_walk_q(k, 1e-8)});
  return t;
}

std::vector<target> r_targets(const data& d) {
  const double k = d.pk[0];
  std::vector<target> t;
  for (int j = 0; j < d.n_cohorts; ++j)
    for (int c = 0; c < 3; ++c)
      t.push_back({"r[" + std::to_string(j) + "][" + std::to_string(c) + "]",
                   [j, c](data& m) -> double& { return m.r[j][c]; }, -1,
                   mh::support::unit, harness::beta_walk(10, 1e-8),
                   harness::beta_walk_q(10, 1e-8)});
  for (int c = 0; c < 3; ++c)
    t.push_back({"r_mean[" + std::to_string(c) + "]",
                 [c](data& m) -> double& { return m.r_mean[c]; }, -1, mh::support::unit,
                 harness::beta_walk(k, 1e-8), harness::beta_walk_q(k, 1e-8)});
  for (int c = 0; c < 3; ++c)
    t.push_back({"r_var[" + std::to_string(c) + "]",
                 [c](data& m) -> double& { return m.r_var[c]; }, -1, mh::support::unit,
                 harness::beta_walk(k, 1e-8), harness::beta_walk_q(k, 1e-8)});
  return t;
}

struct family_case {
  const char* name;
  void (data::*step)();
  std::vector<target> (*targets)(const data&);
  double data::*counter;
};

// Names the family in test messages.
void PrintTo(const family_case& f, std::ostream* os) { *os << f.name; }

class VarianceSteps : public ::testing::TestWithParam<std::tuple<family_case, bool>> {};

// Several sweeps of one family: every decision's ratio, draws and outcome;
// the counter grows by the number of accepted decisions, which is at most
// C + 2 (sigma, varfrac) or 3C + 6 (r) per sweep.
TEST_P(VarianceSteps, RatiosDrawsAndCounters) {
  const family_case fc = std::get<0>(GetParam());
  data d;
  harness::make_model(&d, 2);
  d.sampling = std::get<1>(GetParam());
  d.pk = {80, 500};  // wide walks: both outcomes occur
  for (int sweep = 0; sweep < 5; ++sweep) {
    SCOPED_TRACE("sweep " + std::to_string(sweep));
    const data before = d;
    ScriptedRNG rng(pass_through_mt, 0.125 + 0.05 * sweep);
    auto seen = harness::run_observed(rng, [&] { (d.*fc.step)(); });
    harness::check_decisions(before, d, seen, fc.targets(before), rng);
    int accepted = 0;
    for (const auto& s : seen) accepted += s.dec.accepted;
    EXPECT_EQ(d.*fc.counter - before.*fc.counter, accepted);
  }
}

const family_case families[] = {
    {"sigma", &data::update_sigma, &sigma_targets, &data::accept_sigma},
    {"varfrac", &data::update_varfrac, &varfrac_targets, &data::accept_varfrac},
    {"r", &data::update_r, &r_targets, &data::accept_r},
};

INSTANTIATE_TEST_SUITE_P(Families, VarianceSteps,
                         ::testing::Combine(::testing::ValuesIn(families),
                                            ::testing::Values(true, false)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Sampling" : "Maximising");
                         });

// "-pr" in maximisation mode: each per-cohort sigma move prints its ratio,
// followed by "reject " when rejected; an acceptance adds nothing.
TEST(SigmaTrace, LogRatioThenRejectWhenMaximising) {
  data d;
  harness::make_model(&d, 2);
  d.sampling = false;
  d.pr = true;
  d.pk = {40, 500};
  ScriptedRNG rng(pass_through_mt, 0.7);
  CaptureStdout out;
  auto seen = harness::run_observed(rng, [&] { d.update_sigma(); });
  const std::vector<std::string> got = lines_of(out.text());
  std::vector<std::string> expected;
  for (int j = 0; j < 2; ++j) {
    std::ostringstream ratio;
    ratio.precision(std::cout.precision());
    ratio << "log-mh = " << seen[j].dec.L;
    expected.push_back(ratio.str());
    if (!seen[j].dec.accepted) expected.push_back("reject ");
  }
  EXPECT_EQ(got, expected);
}

// "-pr" in sampling mode: "accept " or "reject " after every per-cohort
// correlation move, nothing for the hyper steps.
TEST(RTrace, AcceptOrRejectWhenSampling) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = true;
  d.pr = true;
  ScriptedRNG rng(pass_through_mt, 0.9);
  CaptureStdout out;
  auto seen = harness::run_observed(rng, [&] { d.update_r(); });
  const std::vector<std::string> got = lines_of(out.text());
  ASSERT_EQ(seen.size(), 9u);
  std::vector<std::string> expected;
  for (int k = 0; k < 3; ++k)
    expected.push_back(seen[k].dec.accepted ? "accept " : "reject ");
  EXPECT_EQ(got, expected);
}

// "-pr": each varfrac move prints the new value, then the old.
TEST(VarfracTrace, NewThenOld) {
  data d;
  harness::make_model(&d, 1);
  d.sampling = true;
  d.pr = true;
  ScriptedRNG rng(pass_through_mt, 0.4);
  CaptureStdout out;
  auto seen = harness::run_observed(rng, [&] { d.update_varfrac(); });
  const std::vector<std::string> got = lines_of(out.text());
  std::ostringstream pair;
  pair.precision(std::cout.precision());
  pair << seen[0].dec.proposed << " " << seen[0].dec.current;
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], pair.str());
}

}  // namespace
