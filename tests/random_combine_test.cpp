// The combination operators and their holders: the nodes each operator
// makes, their draws and the order of them, the moments in ExtReal
// arithmetic, mixtures, and ownership (a tree freed once, by its holder;
// leaves never; nothing leaked when a holder's construction fails).  The
// ownership checks are made sharp by the sanitizer build, which reports any
// leak or double free.
#include <gtest/gtest.h>

#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "goodness_of_fit.h"
#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen2.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

// A leaf with chosen moments whose draws are uniforms from the installed
// generator plus an offset; it counts its draws and knows whether it is alive.
struct Leaf : Random {
  Leaf(ExtReal m, ExtReal v, double off = 0.0) : mean(m), var(v), offset(off) {}
  ~Leaf() override { alive = false; }
  double Next() override {
    ++draws;
    return RNG->Next() + offset;
  }
  ExtReal Mean() const override { return mean; }
  ExtReal Variance() const override { return var; }
  ExtReal mean, var;
  double offset;
  int draws = 0;
  bool alive = true;
};

class CombineTest : public PlaceholderInstalled {};

// Draws of a holder with the given uniforms, checking that all are used.
std::vector<double> draws(Random& r, std::vector<double> script, int n = 1) {
  ScriptedRNG rng(script);
  rng.install();
  std::vector<double> x;
  for (int i = 0; i < n; ++i) x.push_back(r.Next());
  EXPECT_EQ(rng.remaining(), 0u) << "uniforms left over";
  Random::RNG = Random::Dummy;
  return x;
}

// ---------------------------------------------------------------------------
// The nodes

TEST_F(CombineTest, EachOperatorMakesItsNode) {
  Leaf X(2.0, 1.0), Y(3.0, 4.0);
  auto check = [](Random& node, bool is_right_type) {
    EXPECT_TRUE(is_right_type);
    EXPECT_EQ(std::string(node.Name()), "Random");
    SumRandom hold(node);  // frees the node
  };
  Random* n;
  n = &(-X);
  check(*n, dynamic_cast<NegatedRandom*>(n) != nullptr);
  n = &(X * 2.0);
  check(*n, dynamic_cast<ScaledRandom*>(n) && !dynamic_cast<ShiftedRandom*>(n));
  n = &(2.0 * X);
  check(*n, dynamic_cast<ScaledRandom*>(n) != nullptr);
  n = &(X / 4.0);
  check(*n, dynamic_cast<ScaledRandom*>(n) != nullptr);
  n = &(X + 1.0);
  check(*n, dynamic_cast<ShiftedRandom*>(n) != nullptr);
  n = &(1.0 + X);
  check(*n, dynamic_cast<ShiftedRandom*>(n) != nullptr);
  n = &(X - 2.5);
  check(*n, dynamic_cast<ShiftedRandom*>(n) != nullptr);
  n = &(3.0 - X);
  check(*n, dynamic_cast<ReverseShiftedRandom*>(n) != nullptr);
  n = &(1.0 / X);
  check(*n, dynamic_cast<ReciprocalRandom*>(n) != nullptr);
  n = &(X + Y);
  check(*n, dynamic_cast<AddedRandom*>(n) != nullptr);
  n = &(X - Y);
  check(*n, dynamic_cast<SubtractedRandom*>(n) != nullptr);
  n = &(X * Y);
  check(*n, dynamic_cast<MultipliedRandom*>(n) && !dynamic_cast<AddedRandom*>(n));
  n = &(X / Y);
  check(*n, dynamic_cast<DividedRandom*>(n) != nullptr);
  n = &X(3);
  check(*n, dynamic_cast<RepeatedRandom*>(n) != nullptr);
  n = &X(0.5);
  check(*n, dynamic_cast<SelectedRandom*>(n) != nullptr);
  n = &(X(0.5) + Y(0.5));
  check(*n, dynamic_cast<AddedSelectedRandom*>(n) != nullptr);
  EXPECT_EQ(X.draws + Y.draws, 0);  // building and freeing draws nothing
}

TEST_F(CombineTest, NodesDrawTheirExpressionLeftOperandFirst) {
  Leaf X(0.5, 1.0 / 12), Y(0.5, 1.0 / 12);
  auto one = [&](Random& node, std::vector<double> u) {
    SumRandom s(node);
    return draws(s, u)[0];
  };
  EXPECT_DOUBLE_EQ(one(-X, {0.25}), -0.25);
  EXPECT_DOUBLE_EQ(one(X * 3.0, {0.25}), 0.75);
  EXPECT_DOUBLE_EQ(one(X / 4.0, {0.5}), 0.125);  // x times 0.25
  EXPECT_DOUBLE_EQ(one(X - 2.5, {0.5}), -2.0);
  EXPECT_DOUBLE_EQ(one(3.0 - X, {0.25}), 2.75);
  EXPECT_DOUBLE_EQ(one(1.0 / X, {0.25}), 4.0);
  EXPECT_DOUBLE_EQ(one(X - Y, {0.875, 0.25}), 0.625);
  EXPECT_DOUBLE_EQ(one(X / Y, {0.75, 0.25}), 3.0);
  EXPECT_DOUBLE_EQ(one(X * X, {0.5, 0.25}), 0.125);  // a leaf used twice is drawn twice
  EXPECT_DOUBLE_EQ(one(X(3), {0.5, 0.25, 0.125}), 0.875);
  EXPECT_DOUBLE_EQ(one(2.0 * X + Y * 4.0 - 1.0, {0.5, 0.25}), 1.0);
}

TEST_F(CombineTest, RepeatingNoTimesDrawsNothingAndHasTheMomentsOfZero) {
  Leaf X(2.0, 1.0);
  for (int k : {0, -1, -7}) {
    SumRandom s(X(k));
    EXPECT_EQ(draws(s, {})[0], 0.0);
    EXPECT_EQ(s.Mean().Value(), 0.0) << k;
    EXPECT_EQ(s.Variance().Value(), 0.0) << k;  // never negative
  }
  SumRandom three(X(3));
  EXPECT_EQ(three.Mean().Value(), 6.0);
  EXPECT_EQ(three.Variance().Value(), 3.0);
  EXPECT_EQ(X.draws, 0);
}

TEST_F(CombineTest, MomentsOfIndependentOperands) {
  Leaf X(2.0, 1.0), Y(3.0, 4.0);
  struct Case {
    Random* node;
    double mean, var;
  };
  const std::vector<Case> cases = {
      {&(X * Y), 6.0, 29.0},  // 1 x 4 + 1 x 9 + 4 x 4
      {&(X + Y), 5.0, 5.0},        {&(X - Y), -1.0, 5.0},
      {&(-X), -2.0, 1.0},          {&(3.0 - X), 1.0, 1.0},
      {&(X - 2.5), -0.5, 1.0},     {&(X * 3.0), 6.0, 9.0},
      {&(X / 4.0), 0.5, 1.0 / 16}, {&(2.0 * X + Y * 4.0 - 1.0), 15.0, 68.0},
  };
  for (const Case& c : cases) {
    SumRandom s(*c.node);
    EXPECT_DOUBLE_EQ(s.Mean().Value(), c.mean);
    EXPECT_DOUBLE_EQ(s.Variance().Value(), c.var);
    EXPECT_TRUE(s.Mean().IsReal() && s.Variance().IsReal());
  }
}

TEST_F(CombineTest, QuotientsAndUnknownMomentsPassOnAsExtendedReals) {
  Leaf X(2.0, 1.0), Y(3.0, 4.0);
  for (Random* node :
       {static_cast<Random*>(&(X / Y)), static_cast<Random*>(&(1.0 / X)),
        static_cast<Random*>(&((X / Y) + X)), static_cast<Random*>(&(Y * (1.0 / X))),
        static_cast<Random*>(&((X / Y) - Y))}) {
    SumRandom s(*node);
    EXPECT_EQ(s.Mean().Code(), Missing);
    EXPECT_EQ(s.Variance().Code(), Missing);
  }
  Cauchy c;
  Pareto p(1.5);  // mean 3, infinite variance
  SumRandom shifted(c + 1.0);
  EXPECT_EQ(shifted.Mean().Code(), Indefinite);
  EXPECT_EQ(shifted.Variance().Code(), PlusInfinity);
  SumRandom scaled(p * -2.0);
  EXPECT_DOUBLE_EQ(scaled.Mean().Value(), -6.0);
  EXPECT_EQ(scaled.Variance().Code(), PlusInfinity);
  SumRandom zero(p * 0.0);
  EXPECT_EQ(zero.Variance().Code(), Indefinite);  // 0 times infinity
  SumRandom negated(-p);
  EXPECT_EQ(negated.Variance().Code(), PlusInfinity);
}

TEST_F(CombineTest, ASumOfTenExponentialsIsGamma) {
  ScriptedRNG rng(pass_through_mt, 0.12345);
  rng.install();
  Exponential e;
  SumRandom s(e(10));
  EXPECT_EQ(s.Mean().Value(), 10.0);
  boost::math::gamma_distribution<> g(10.0, 1.0);
  EXPECT_TRUE(gof::fits_continuous(s, 30000, [&](double x) { return cdf(g, x); }));
  Normal n;
  SumRandom lin(3.0 * n + 1.0);
  boost::math::normal_distribution<> ref(1.0, 3.0);
  EXPECT_TRUE(gof::fits_continuous(lin, 30000, [&](double x) { return cdf(ref, x); }));
}

// ---------------------------------------------------------------------------
// Holders and ownership

TEST_F(CombineTest, HolderNames) {
  Leaf X(0.0, 1.0), Y(10.0, 1.0);
  SumRandom s(X + Y);
  MixedRandom m(X(0.3) + Y(0.7));
  EXPECT_EQ(std::string(s.Name()), "SumRandom");
  EXPECT_EQ(std::string(m.Name()), "MixedRandom");
}

TEST_F(CombineTest, TreesAreFreedByTheirHolderAndLeavesNever) {
  Leaf X(1.0, 1.0), Y(2.0, 1.0), Z(3.0, 1.0);
  {
    SumRandom s(((X + Y) * (-Z) - 1.0) / 2.0 + X(4));
    draws(s, std::vector<double>(7, 0.5));  // X, Y, Z, then X four times
  }
  {
    MixedRandom m((X * 2.0)(0.5) + (Y + Z)(0.25) + Z(0.25));
    draws(m, {0.1, 0.99, 0.5});  // two uniforms to choose, one draw of X
  }
  {
    SumRandom leaf_only(X);  // a holder of a bare leaf frees nothing
  }
  EXPECT_TRUE(X.alive && Y.alive && Z.alive);
  EXPECT_GT(X.draws, 0);
}

TEST_F(CombineTest, MixtureMomentsAndComponentOrder) {
  Leaf X(0.0, 1.0), Y(10.0, 1.0);
  MixedRandom m(X(0.3) + Y(0.7));
  EXPECT_DOUBLE_EQ(m.Mean().Value(), 7.0);
  EXPECT_DOUBLE_EQ(m.Variance().Value(), 22.0);  // 1 + 0.3 x 49 + 0.7 x 9
  // The alias table: cell 0 keeps X with probability 0.6, cell 1 is Y.
  Constant a(0.0), b(10.0);
  MixedRandom c(a(0.3) + b(0.7));
  EXPECT_EQ(draws(c, {0.1, 0.9})[0], 0.0);
  EXPECT_EQ(draws(c, {0.1, 0.3})[0], 10.0);
  EXPECT_EQ(draws(c, {0.9, 0.01})[0], 10.0);

  Constant w(0.0), x(1.0), y(2.0), z(3.0);
  MixedRandom four(w(0.25) + x(0.25) + y(0.25) + z(0.25));
  EXPECT_EQ(draws(four, {0.1, 0.5, 0.3, 0.5, 0.6, 0.5, 0.9, 0.5}, 4),
            (std::vector<double>{0.0, 1.0, 2.0, 3.0}));
  MixedRandom grouped((w(0.25) + x(0.25)) + (y(0.25) + z(0.25)));
  EXPECT_EQ(draws(grouped, {0.1, 0.5, 0.3, 0.5, 0.6, 0.5, 0.9, 0.5}, 4),
            (std::vector<double>{0.0, 1.0, 2.0, 3.0}));
  EXPECT_DOUBLE_EQ(grouped.Mean().Value(), 1.5);
  EXPECT_DOUBLE_EQ(grouped.Variance().Value(), 1.25);
}

TEST_F(CombineTest, MixtureFromArraysOwnsItsComponentTrees) {
  Leaf X(0.0, 1.0), Y(10.0, 1.0, 10.0);
  double prob[] = {0.3, 0.7};
  Random* r[] = {&(X * 1.0), &Y};
  MixedRandom m(2, prob, r);
  prob[0] = 0.9;  // the mixture keeps what it needs
  EXPECT_DOUBLE_EQ(m.Mean().Value(), 7.0);
  EXPECT_DOUBLE_EQ(m.Variance().Value(), 22.0);
  EXPECT_EQ(draws(m, {0.1, 0.9, 0.25})[0], 0.25);
  EXPECT_EQ(draws(m, {0.9, 0.5, 0.25})[0], 10.25);
}

TEST_F(CombineTest, MixtureDrawsFitTheMixedDistribution) {
  ScriptedRNG rng(pass_through_mt, 0.2);
  rng.install();
  Normal n;
  MixedRandom m(n(0.3) + (n + 4.0)(0.5) + (n * 0.5 - 3.0)(0.2));
  boost::math::normal_distribution<> a(0.0, 1.0), b(4.0, 1.0), c(-3.0, 0.5);
  auto mix = [&](double x) {
    return 0.3 * cdf(a, x) + 0.5 * cdf(b, x) + 0.2 * cdf(c, x);
  };
  EXPECT_TRUE(gof::fits_continuous(m, 40000, mix));
}

TEST_F(CombineTest, ASelectionIsNotAVariable) {
  Leaf X(0.0, 1.0), Y(1.0, 1.0);
  {
    SumRandom s(X(0.5) + Y(0.5));
    EXPECT_THROWS_MESSAGE(Logic_error, s.Next(), "Vargen: Next not defined");
  }  // its destruction still frees the selection nodes
  {
    SumRandom s(X(0.5));
    EXPECT_THROWS_MESSAGE(Logic_error, s.Next(), "Vargen: Next not defined");
  }
  EXPECT_THROWS_MESSAGE(Logic_error, X.load(nullptr, nullptr, nullptr),
                        "Vargen: illegal combination");
}

TEST_F(CombineTest, AFailedMixtureFreesWhatItWasHanded) {
  Leaf X(0.0, 1.0), Y(1.0, 1.0);
  EXPECT_THROWS_MESSAGE(Runtime_error, MixedRandom((X * 2.0)(0.3) + (Y + X)(0.3)),
                        "Vargen: probs don't add to 1 (b)");
  EXPECT_THROWS_MESSAGE(Runtime_error, MixedRandom(X(0.8) + (-Y)(0.8)),
                        "Vargen: probs don't add to 1 (a)");
  double prob[] = {0.5, 0.6};
  Random* r[] = {&(X - 1.0), &Y(2)};
  // (evaluated once: a second attempt would hand over the freed trees again)
  const std::string failed = message_of<Runtime_error>([&] { MixedRandom(2, prob, r); });
  EXPECT_NE(failed.find("Vargen: probs don't add to 1"), std::string::npos) << failed;
  double none[] = {1.0};
  EXPECT_THROWS_MESSAGE(Logic_error, MixedRandom(0, none, r),
                        "Vargen: illegal parameters");
  EXPECT_TRUE(X.alive && Y.alive);
}

}  // namespace
