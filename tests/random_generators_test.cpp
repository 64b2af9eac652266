// The uniform generators other than the Mersenne twister: known outputs,
// seed checks, names, independent streams, installation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen1.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

const double two_pow_minus_31 = 4.656612873077393e-10;
const double two_pow_minus_32 = 2.3283064365386963e-10;

class OtherGenerators : public PlaceholderInstalled {};

TEST_F(OtherGenerators, WichmannHillFirstOutputs) {
  WH a(0.5);
  const double u1 = a.Next();
  const double u2 = a.Next();
  const double u3 = a.Next();
  EXPECT_EQ(u1, 0.3330442150466477);
  EXPECT_EQ(u2, 0.12122502998145301);
  EXPECT_EQ(u3, 0.748936961784151);

  WH b(0.5);
  const unsigned long k1 = b.ulNext();
  const unsigned long k2 = b.ulNext();
  const unsigned long k3 = b.ulNext();
  EXPECT_EQ(k1, 1430414011UL);
  EXPECT_EQ(k2, 520657539UL);
  EXPECT_EQ(k3, 3216659757UL);
  EXPECT_EQ(k1, static_cast<unsigned long>(std::floor(u1 * 4294967296.0)));
}

TEST_F(OtherGenerators, WichmannHillFromAZeroFirstState) {
  // WH(1e-5): x = 0 stays 0, and only y and z move.
  WH w(1e-5);
  std::uint64_t y = 1234, z = 5678;
  for (int i = 0; i < 50; ++i) {
    y = 172 * y % 30307;
    z = 170 * z % 30323;
    double u = (0.0 + y / 30307.0) + z / 30323.0;
    if (u >= 1.0) u -= 1.0;
    ASSERT_EQ(w.Next(), u) << "draw " << i;
  }
}

TEST_F(OtherGenerators, MotherOfAllFirstOutputs) {
  MotherOfAll m(0.5);
  EXPECT_EQ(m.ulNext(), 2643776130UL);
  EXPECT_EQ(m.ulNext(), 1025510838UL);
  EXPECT_EQ(m.ulNext(), 2719159120UL);

  MotherOfAll fresh(0.5);
  EXPECT_EQ(fresh.Next(), 0.6155520981410518);
  EXPECT_EQ(0.6155520981410518, (2643776130.0 + 0.5) * two_pow_minus_32);
}

TEST_F(OtherGenerators, MultiplyWithCarryFirstOutputs) {
  MultWithCarry m(0.5);  // x = 2^31, carry = 1234567
  EXPECT_EQ(m.ulNext(), 1234567UL);
  EXPECT_EQ(m.ulNext(), 2413253777UL);
  EXPECT_EQ(m.ulNext(), 3138826080UL);
  MultWithCarry n(0.5);
  EXPECT_EQ(n.Next(), (1234567.0 + 0.5) * two_pow_minus_32);
  EXPECT_EQ(n.NextValue(), 2413253777u);
}

TEST_F(OtherGenerators, MinimalStandardFirstOutputs) {
  LGM_base b(0.5);  // x = 2^30
  EXPECT_EQ(b.ulNext(), 2147500454UL);
  EXPECT_EQ(b.ulNext(), 2429958896UL);
  EXPECT_EQ(b.ulNext(), 3770133720UL);
  LGM_base fresh(0.5);
  EXPECT_EQ(fresh.Next(), 0.5000039129517972);

  LGM_simple s(0.5);  // the same stream under another name
  EXPECT_EQ(s.ulNext(), 2147500454UL);

  LGM_mixed m(0.5);
  EXPECT_EQ(m.ulNext(), 3262921812UL);
  EXPECT_EQ(m.ulNext(), 1044788124UL);
  EXPECT_EQ(m.ulNext(), 4154721356UL);
}

TEST_F(OtherGenerators, MinimalStandardAgreesWithTheStandardLibrary) {
  // std::minstd_rand0 is x <- 16807 x mod (2^31 - 1).
  for (double seed : {0.5, 0.123456789, 0.999, 1e-6}) {
    const auto x0 = static_cast<std::uint32_t>(std::floor(seed * 2147483648.0));
    std::minstd_rand0 reference(x0);
    LGM_base b(seed);
    for (int i = 0; i < 20000; ++i) {
      const std::uint32_t expected = reference();
      ASSERT_EQ(b.ulNext(), 2UL * expected) << "seed " << seed << ", output " << i;
    }
  }
}

TEST_F(OtherGenerators, MixedGeneratorShufflesTheMinimalStandardStream) {
  // An independent rendering of the shuffle: a table of the first 128
  // states; each output takes the entry chosen by the next state and puts
  // the state after it in its place.
  std::minstd_rand0 reference(static_cast<std::uint32_t>(0.3 * 2147483648.0));
  std::int64_t table[128];
  for (auto& t : table) t = reference();
  LGM_mixed m(0.3);
  for (int i = 0; i < 5000; ++i) {
    const std::int64_t first = reference();
    const int j = static_cast<int>(first * two_pow_minus_31 * 128.0);
    const std::int64_t second = reference();
    const std::int64_t out = table[j];
    table[j] = second;
    ASSERT_EQ(m.Next(), out * two_pow_minus_31) << "output " << i;
  }
}

TEST_F(OtherGenerators, FishmanMooreFirstOutputs) {
  FM f(0.5);
  EXPECT_EQ(f.ulNext(), 950706376UL);
  EXPECT_EQ(f.ulNext(), 2276510818UL);
  EXPECT_EQ(f.ulNext(), 3875743546UL);

  // Against the standard library's exact congruential engine.
  std::linear_congruential_engine<std::uint64_t, 950706376, 0, 2147483647> reference(
      static_cast<std::uint64_t>(0.77 * 2147483648.0));
  FM g(0.77);
  for (int i = 0; i < 20000; ++i) {
    const double expected = static_cast<double>(reference()) * two_pow_minus_31;
    ASSERT_EQ(g.Next(), expected) << "output " << i;
  }
}

TEST_F(OtherGenerators, FishmanMooreStateOfTheModulusGivesZero) {
  // The seed 1 - 2^-31 gives the state 2^31 - 1, which is 0 modulo 2^31 - 1:
  // every Next is 0, as from the state 0 itself.
  FM top(1.0 - two_pow_minus_31);
  FM zero(1e-10);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(top.Next(), 0.0);
    EXPECT_EQ(zero.Next(), 0.0);
  }
  // The folded residue never reaches the modulus.
  FM f(0.999999);
  for (int i = 0; i < 100000; ++i) ASSERT_LT(f.NextValue(), 2147483647u);
}

TEST_F(OtherGenerators, MinimalStandardStateZeroOrModulusIsFixed) {
  LGM_base zero(1e-10);
  LGM_base top(1.0 - two_pow_minus_31);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(zero.NextValue(), 2147483647);
    EXPECT_EQ(top.NextValue(), 2147483647);
  }
  LGM_base b(1e-10);
  EXPECT_EQ(b.Next(), 2147483647 * two_pow_minus_31);
  EXPECT_LT(2147483647 * two_pow_minus_31, 1.0);
}

TEST_F(OtherGenerators, SeedsOutsideTheOpenUnitIntervalAreRejected) {
  const std::string msg = "Vargen: seed out of range";
  for (double s : {0.0, 1.0, -0.5, 2.0, std::nan("")}) {
    SCOPED_TRACE(s);
    EXPECT_NE(message_of<Logic_error>([=] { WH g(s); }).find(msg), std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { MotherOfAll g(s); }).find(msg),
              std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { MultWithCarry g(s); }).find(msg),
              std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { LGM_base g(s); }).find(msg),
              std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { LGM_simple g(s); }).find(msg),
              std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { LGM_mixed g(s); }).find(msg),
              std::string::npos);
    EXPECT_NE(message_of<Logic_error>([=] { FM g(s); }).find(msg), std::string::npos);
  }
  // MotherOfAll also needs a seed word above 0.
  EXPECT_NE(message_of<Logic_error>([] { MotherOfAll g(1e-10); }).find(msg),
            std::string::npos);
  EXPECT_EQ(message_of<Logic_error>([] { MotherOfAll g(1e-9); }), "<no exception>");
  EXPECT_EQ(message_of<Logic_error>([] { LGM_base g(1e-10); }), "<no exception>");
  EXPECT_EQ(message_of<Logic_error>([] { FM g(1e-10); }), "<no exception>");
  EXPECT_EQ(message_of<Logic_error>([] { WH g(1e-5); }), "<no exception>");
}

TEST_F(OtherGenerators, NamesAndMoments) {
  WH wh(0.5);
  MotherOfAll mother(0.5);
  MultWithCarry mwc(0.5);
  LGM_base base(0.5);
  LGM_simple simple(0.5);
  LGM_mixed mixed(0.5);
  FM fm(0.5);
  EXPECT_STREQ(wh.Name(), "Wichmann Hill");
  EXPECT_STREQ(mother.Name(), "MotherOfAll");
  EXPECT_STREQ(mwc.Name(), "MultWithCarry");
  EXPECT_STREQ(base.Name(), "LGM_base");
  EXPECT_STREQ(simple.Name(), "LGM_simple");
  EXPECT_STREQ(mixed.Name(), "LGM_mixed");
  EXPECT_STREQ(fm.Name(), "Fishman Moore");
  Random* all[] = {&wh, &mother, &mwc, &base, &simple, &mixed, &fm};
  for (Random* g : all) {
    EXPECT_EQ(g->Mean().Value(), 0.5) << g->Name();
    EXPECT_EQ(g->Variance().Value(), 0.08333333333333333) << g->Name();
    EXPECT_NE(message_of<Logic_error>([g] {
                g->Density(0.5);
              }).find("Vargen: density function not available"),
              std::string::npos);
  }
  // LGM_base has no seed file: its copies do nothing, even without a
  // directory.
  Random::SetDirectory("");
  base.CSTD();
  base.CSFD(true);
}

TEST_F(OtherGenerators, ObjectsAreIndependentStreams) {
  // Two objects from one seed give one stream each, whatever is drawn in
  // between from the other or from the twister.
  auto check = [](const std::function<std::unique_ptr<Random>()>& make) {
    auto a = make();
    auto b = make();
    MT mt(0.1);
    double first[20];
    for (double& v : first) v = a->Next();
    for (int i = 0; i < 20; ++i) {
      mt.Next();
      ASSERT_EQ(b->Next(), first[i]) << a->Name();
    }
  };
  check([] { return std::make_unique<WH>(0.25); });
  check([] { return std::make_unique<MotherOfAll>(0.25); });
  check([] { return std::make_unique<MultWithCarry>(0.25); });
  check([] { return std::make_unique<LGM_simple>(0.25); });
  check([] { return std::make_unique<LGM_mixed>(0.25); });
  check([] { return std::make_unique<FM>(0.25); });
}

TEST_F(OtherGenerators, UniformsStayInTheirIntervals) {
  MotherOfAll mother(0.9);
  MultWithCarry mwc(0.9);
  LGM_mixed mixed(0.9);
  WH wh(0.9);
  for (int i = 0; i < 100000; ++i) {
    const double a = mother.Next();
    const double b = mwc.Next();
    const double c = mixed.Next();
    const double d = wh.Next();
    ASSERT_TRUE(a > 0.0 && a < 1.0);
    ASSERT_TRUE(b > 0.0 && b < 1.0);
    ASSERT_TRUE(c > 0.0 && c < 1.0);
    ASSERT_TRUE(d >= 0.0 && d < 1.0);
  }
}

TEST_F(OtherGenerators, InstalledGeneratorServesEveryDrawAndIsHandedBack) {
  {
    MultWithCarry installed(0.5);
    Random::Set(installed);
    Uniform u;
    EXPECT_EQ(u.Next(), (1234567.0 + 0.5) * two_pow_minus_32);
    Random plain;
    EXPECT_EQ(plain.Next(), (2413253777.0 + 0.5) * two_pow_minus_32);
    FM other(0.5);  // destroyed without being installed
  }
  EXPECT_EQ(Random::RNG, Random::Dummy);

  auto check = [](Random* g) {
    Random::Set(*g);
    delete g;
    EXPECT_EQ(Random::RNG, Random::Dummy);
    EXPECT_NE(message_of<Runtime_error>([] {
                Uniform().Next();
              }).find("Vargen: uniform rng not setup"),
              std::string::npos);
  };
  check(new WH(0.5));
  check(new MotherOfAll(0.5));
  check(new LGM_base(0.5));
  check(new LGM_simple(0.5));
  check(new LGM_mixed(0.5));
  check(new FM(0.5));
}

}  // namespace
