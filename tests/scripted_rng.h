// A uniform generator for tests that pins the draws of a step.
//
// Installed with Random::Set, it hands out uniforms either from a script (a
// list of doubles, in order) or, in pass-through mode, from the Mersenne
// twister stream started from a given seed.  Either way it records every
// uniform it hands out, so that a test can check how many uniforms a step
// took and in which order:
//
//   ScriptedRNG rng({0.3, 0.6, 0.1});          // or ScriptedRNG(pass_through_mt,
//   0.12345) Random::Set(rng); double x = Normal().Next(); EXPECT_EQ(rng.count(), 3u);
//
// A scripted generator whose script runs out throws std::out_of_range, so a
// step that draws more than the test expects fails loudly.  Destroying the
// generator while it is installed puts the placeholder generator back, as
// destroying an installed MT does.
//
// PlaceholderInstalled is a fixture for tests that install generators: each
// test starts and ends with the placeholder generator installed.
#ifndef VELMAR_TESTS_SCRIPTED_RNG_H
#define VELMAR_TESTS_SCRIPTED_RNG_H

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "vargen1.h"

struct PassThroughMT {};
inline constexpr PassThroughMT pass_through_mt{};

class ScriptedRNG : public Random {
 public:
  // Hands out the script's values, in order.
  explicit ScriptedRNG(std::vector<double> script) : script_(std::move(script)) {}

  // Hands out the uniforms of the (shared) Mersenne-twister stream, which the
  // constructor restarts from `seed`.
  ScriptedRNG(PassThroughMT, double seed) : mt_(new MT(seed)) {}

  ScriptedRNG(const ScriptedRNG&) = delete;
  ScriptedRNG& operator=(const ScriptedRNG&) = delete;

  ~ScriptedRNG() override {
    if (Random::RNG == this) Random::RNG = Random::Dummy;
  }

  double Next() override {
    double u;
    if (mt_) {
      u = mt_->Next();
    } else {
      if (next_ >= script_.size())
        throw std::out_of_range("ScriptedRNG: script of " +
                                std::to_string(script_.size()) + " uniforms exhausted");
      u = script_[next_++];
    }
    drawn_.push_back(u);
    return u;
  }

  const char* Name() override { return "ScriptedRNG"; }

  // Installs this generator (a shorthand for Random::Set(*this)).
  ScriptedRNG& install() {
    Random::Set(*this);
    return *this;
  }

  // Number of uniforms handed out since construction or the last clear().
  std::size_t count() const { return drawn_.size(); }
  // The uniforms handed out, in order.
  const std::vector<double>& drawn() const { return drawn_; }
  // Script values not yet handed out (0 in pass-through mode).
  std::size_t remaining() const { return mt_ ? 0 : script_.size() - next_; }
  // Forgets the record (the script position and the stream go on).
  void clear() { drawn_.clear(); }
  // Appends values to the script.
  void append(const std::vector<double>& more) {
    script_.insert(script_.end(), more.begin(), more.end());
  }

 private:
  std::vector<double> script_;
  std::size_t next_ = 0;
  std::unique_ptr<MT> mt_;  // set in pass-through mode; never installed itself
  std::vector<double> drawn_;
};

// A fixture whose tests each start and end with the placeholder generator
// installed, whatever generator a test installs on the way.
class PlaceholderInstalled : public ::testing::Test {
 protected:
  void SetUp() override { Random::RNG = Random::Dummy; }
  void TearDown() override { Random::RNG = Random::Dummy; }
};

#endif
