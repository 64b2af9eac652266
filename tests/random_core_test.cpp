// Generator base, Mersenne twister, Uniform, Constant and the placeholder
// generator.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "library_errors.h"
#include "myexcept.h"
#include "scripted_rng.h"
#include "vargen1.h"

namespace {

using RBD_COMMON::Logic_error;
using RBD_COMMON::Runtime_error;

const double two_pow_minus_32 = 2.3283064365386963e-10;

// Each test starts with the placeholder installed.
class GeneratorTest : public PlaceholderInstalled {};

TEST_F(GeneratorTest, SeedFromADoubleGivesTheKnownStream) {
  MT mt(0.12345);  // seed word floor(0.12345 * 2^32) = 530213712
  const unsigned long a = mt.ulNext();
  const unsigned long b = mt.ulNext();
  const unsigned long c = mt.ulNext();
  EXPECT_EQ(a, 3710025885UL);
  EXPECT_EQ(b, 872688668UL);
  EXPECT_EQ(c, 2756990951UL);

  MT again(0.12345);
  EXPECT_EQ(again.Next(), 0.8638077148934826);
  EXPECT_EQ(0.8638077148934826, (3710025885.0 + 0.5) * two_pow_minus_32);
}

TEST_F(GeneratorTest, AgreesWithTheStandardLibraryTwister) {
  for (double seed : {0.12345, 0.5, 0.999999, 1e-9}) {
    const auto word = static_cast<std::uint32_t>(std::floor(seed * 4294967296.0));
    std::mt19937 reference(word);
    MT mt(seed);
    for (int i = 0; i < 5000; ++i) {
      const unsigned long expected = reference();
      const unsigned long got = mt.ulNext();
      ASSERT_EQ(got, expected) << "seed " << seed << ", output " << i;
    }
  }
  // Boost.Random's known answer: the 10000th output of the default seed 5489.
  MT::init_genrand(5489UL);
  unsigned long y = 0;
  for (int i = 0; i < 10000; ++i) y = MT::genrand_int32();
  EXPECT_EQ(y, 4123659995UL);
}

TEST_F(GeneratorTest, NextIsTheOutputWordScaledIntoTheOpenInterval) {
  MT mt(0.25);
  std::mt19937 reference(1073741824u);
  for (int i = 0; i < 2000; ++i) {
    const double expected = (static_cast<double>(reference()) + 0.5) * two_pow_minus_32;
    const double got = mt.Next();
    ASSERT_EQ(got, expected);
    ASSERT_GT(got, 0.0);
    ASSERT_LT(got, 1.0);
  }
  // The extreme outputs stay inside (0, 1).
  EXPECT_GT((0.0 + 0.5) * two_pow_minus_32, 0.0);
  EXPECT_LT((4294967295.0 + 0.5) * two_pow_minus_32, 1.0);
}

TEST_F(GeneratorTest, SeedWordsOfUnusualSeeds) {
  // 1.0 gives 2^32, whose low 32 bits are 0: the stream of the seed 0.
  MT one(1.0);
  const unsigned long a = one.ulNext();
  MT zero(0.0);
  EXPECT_EQ(zero.ulNext(), a);
  EXPECT_EQ(a, std::mt19937(0u)());

  // A negative product is truncated toward zero and taken in two's complement.
  MT negative(-0.5);  // -2^31 -> 0x80000000
  EXPECT_EQ(negative.ulNext(), std::mt19937(0x80000000u)());
  MT tiny_negative(-1e-12);  // truncates to 0
  EXPECT_EQ(tiny_negative.ulNext(), a);

  // Large seeds keep the low 32 bits of the integer part of s * 2^32.
  MT big(3.75);  // 3.75 * 2^32 = 0x3C0000000
  EXPECT_EQ(big.ulNext(), std::mt19937(0xC0000000u)());

  // Out of range of the conversion: the seed word 0; NaN is refused.
  MT huge(1e30);
  EXPECT_EQ(huge.ulNext(), a);
  EXPECT_THROWS_MESSAGE(Logic_error, MT not_a_number(std::nan("")),
                        "Vargen: seed out of range");
}

TEST_F(GeneratorTest, AllTwistersShareOneStream) {
  MT first(0.3);
  const unsigned long a0 = first.ulNext();
  MT second(0.3);  // restarts the stream for both
  EXPECT_EQ(first.ulNext(), a0);
  const unsigned long a2 = second.ulNext();
  std::mt19937 reference(static_cast<std::uint32_t>(std::floor(0.3 * 4294967296.0)));
  EXPECT_EQ(reference(), a0);
  EXPECT_EQ(a2, reference());  // the second output of the restarted stream
}

TEST_F(GeneratorTest, TheStateRegeneratesEvery624Draws) {
  MT mt(0.7);
  std::mt19937 reference(static_cast<std::uint32_t>(std::floor(0.7 * 4294967296.0)));
  for (int i = 0; i < 624 * 3 + 1; ++i) ASSERT_EQ(mt.ulNext(), reference());
}

TEST_F(GeneratorTest, DrawsGoThroughTheInstalledGenerator) {
  MT mt(0.12345);
  Random::Set(mt);
  EXPECT_EQ(Random::RNG, &mt);
  Uniform u;
  EXPECT_EQ(u.Next(), 0.8638077148934826);
  MT::init_genrand(530213712UL);
  Random plain;  // a plain Random is itself a uniform distribution
  EXPECT_EQ(plain.Next(), 0.8638077148934826);

  ScriptedRNG script({0.25, 0.75});
  Random::Set(script);
  EXPECT_EQ(u.Next(), 0.25);
  EXPECT_EQ(plain.Next(), 0.75);
  EXPECT_EQ(script.count(), 2u);
}

TEST_F(GeneratorTest, DrawingWithoutAGeneratorFails) {
  Uniform u;
  EXPECT_NE(
      message_of<Runtime_error>([&] { u.Next(); }).find("Vargen: uniform rng not setup"),
      std::string::npos);
  Random plain;
  EXPECT_NE(message_of<Runtime_error>([&] {
              plain.Next();
            }).find("Vargen: uniform rng not setup"),
            std::string::npos);
  EXPECT_NE(message_of<Runtime_error>([] {
              Random::Dummy->CSTD();
            }).find("Vargen: uniform rng not setup"),
            std::string::npos);
  EXPECT_NE(message_of<Runtime_error>([] {
              Random::Dummy->CSFD(true);
            }).find("Vargen: uniform rng not setup"),
            std::string::npos);
  EXPECT_STREQ(Random::Dummy->Name(), "DummyRNG");
}

TEST_F(GeneratorTest, AnInstalledGeneratorWithoutANextOfItsOwnIsRefused) {
  // Random's and Uniform's Next ask the installed generator: installed
  // themselves, they would ask themselves for ever.
  Random plain;
  Uniform uniform;
  Random* const without_next[] = {&plain, &uniform};
  for (Random* installed : without_next) {
    Random::Set(*installed);
    for (Random* drawn : without_next)
      EXPECT_THROWS_MESSAGE(Logic_error, drawn->Next(), "Vargen: Next not defined")
          << installed->Name() << " installed, " << drawn->Name() << " drawn";
  }
  // Installed elsewhere, both draw as before.
  MT mt(0.12345);
  Random::Set(mt);
  EXPECT_EQ(plain.Next(), 0.8638077148934826);
  MT::init_genrand(530213712UL);
  EXPECT_EQ(uniform.Next(), 0.8638077148934826);
}

TEST_F(GeneratorTest, DestroyingTheInstalledTwisterPutsThePlaceholderBack) {
  auto* other = new MT(0.2);
  {
    MT installed(0.1);
    Random::Set(installed);
    delete other;  // not installed: leaves the installed generator alone
    EXPECT_EQ(Random::RNG, &installed);
  }
  EXPECT_EQ(Random::RNG, Random::Dummy);
  EXPECT_NE(message_of<Runtime_error>([] {
              Uniform().Next();
            }).find("Vargen: uniform rng not setup"),
            std::string::npos);
}

TEST_F(GeneratorTest, BaseOperationsAndTheirFailures) {
  Random r;
  EXPECT_STREQ(r.Name(), "Random");
  EXPECT_EQ(r.Mean().Code(), Finite);
  EXPECT_EQ(r.Mean().Value(), 0.5);
  EXPECT_EQ(r.Variance().Value(), 0.08333333333333333);
  EXPECT_EQ(r.nelems(), 1);
  r.tDelete();  // does nothing
  r.CSFD(true);
  r.CSTD();
  EXPECT_NE(message_of<Logic_error>([&] {
              r.ulNext();
            }).find("Vargen: ulNext function not available"),
            std::string::npos);
  EXPECT_NE(message_of<Logic_error>([&] {
              r.Density(0.5);
            }).find("Vargen: density function not available"),
            std::string::npos);
  EXPECT_NE(message_of<Logic_error>([&] {
              r.load(nullptr, nullptr, nullptr);
            }).find("Vargen: illegal combination"),
            std::string::npos);
  // The placeholder has no ulNext either.
  EXPECT_NE(message_of<Logic_error>([] {
              Random::Dummy->ulNext();
            }).find("Vargen: ulNext function not available"),
            std::string::npos);
}

TEST_F(GeneratorTest, UniformAndConstant) {
  Uniform u;
  EXPECT_STREQ(u.Name(), "Uniform");
  EXPECT_EQ(u.Density(0.0), 1.0);
  EXPECT_EQ(u.Density(1.0), 1.0);
  EXPECT_EQ(u.Density(0.3), 1.0);
  EXPECT_EQ(u.Density(-0.1), 0.0);
  EXPECT_EQ(u.Density(1.5), 0.0);
  EXPECT_EQ(u.Mean().Value(), 0.5);
  EXPECT_EQ(u.Variance().Value(), 1.0 / 12.0);

  Constant c(2.5);  // draws nothing, so no generator is needed
  EXPECT_STREQ(c.Name(), "Constant");
  EXPECT_EQ(c.Next(), 2.5);
  EXPECT_EQ(c.Next(), 2.5);
  EXPECT_EQ(c.Mean().Value(), 2.5);
  EXPECT_EQ(c.Variance().Code(), Finite);
  EXPECT_EQ(c.Variance().Value(), 0.0);
  EXPECT_NE(message_of<Logic_error>([&] {
              c.Density(2.5);
            }).find("Vargen: density function not available"),
            std::string::npos);

  EXPECT_STREQ(MT(0.5).Name(), "MT19937");
}

TEST_F(GeneratorTest, ScriptedGeneratorRecordsAndRunsOut) {
  ScriptedRNG script({0.1, 0.2});
  script.install();
  Uniform u;
  EXPECT_EQ(u.Next(), 0.1);
  EXPECT_EQ(script.remaining(), 1u);
  EXPECT_EQ(u.Next(), 0.2);
  EXPECT_THROW(u.Next(), std::out_of_range);
  EXPECT_EQ(script.drawn(), (std::vector<double>{0.1, 0.2}));

  ScriptedRNG through(pass_through_mt, 0.12345);
  through.install();
  EXPECT_EQ(u.Next(), 0.8638077148934826);
  EXPECT_EQ(through.count(), 1u);
}

}  // namespace
