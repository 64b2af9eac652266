// The data range, the clumping grid and the copy of cell calls back to the
// individuals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "capture_stdout.h"
#include "data.h"

namespace {

// A model with one SNP whose cohorts hold the given points.
void set_points(data* d, const std::vector<vec2>& cohorts) {
  d->snps.assign(1, snp());
  d->current_snp = 0;
  d->n_cohorts = static_cast<int>(cohorts.size());
  d->n_ind.clear();
  for (const vec2& pts : cohorts) {
    d->snps[0].points.push_back(pts);
    d->n_ind.push_back(static_cast<int>(pts.size()));
  }
}

// Puts the cohorts' points into one SNP, then computes its range and builds
// its grid of `cells` cells a side; returns what that printed.
std::string grid_from_points(data* d, const std::vector<vec2>& cohorts, int cells) {
  set_points(d, cohorts);
  d->grid_cells = cells;
  snp& s = d->snps[0];
  CaptureStdout out;
  d->calc_range(s);
  d->clump_data(s);
  return out.text();
}

// The value at `pos` of the sorted distinct values of v.
double distinct_at(std::vector<double> v, std::size_t pos) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v.at(pos);
}

int total_count(const grid& g) {
  int n = 0;
  for (const auto& column : g)
    for (const auto& cell : column.second) n += cell.second.count;
  return n;
}

std::size_t cell_total(const grid& g) {
  std::size_t n = 0;
  for (const auto& column : g) n += column.second.size();
  return n;
}

}  // namespace

TEST(Range, PercentilesOfDistinctValues) {
  // 250 distinct x values, shuffled over two cohorts and repeated: the
  // positions 250/100 = 2 and 99*250/100 = 247 of the distinct set.
  std::vector<double> xs, ys;
  std::vector<vec2> cohorts(2);
  for (int i = 0; i < 250; i++) {
    const double x = ((i * 37) % 250) * 0.01 - 0.5;
    const double y = (i % 50) * 0.02;  // 50 distinct values
    xs.push_back(x);
    ys.push_back(y);
    cohorts[i % 2].push_back({x, y});
    if (i % 7 == 0) cohorts[0].push_back({x, y});  // a repeated value
  }
  data d;
  set_points(&d, cohorts);
  CaptureStdout out;
  d.calc_range(d.snps[0]);
  const snp& s = d.snps[0];
  EXPECT_EQ(s.x_low, distinct_at(xs, 2));
  EXPECT_EQ(s.x_high, distinct_at(xs, 247));
  EXPECT_EQ(s.y_low, distinct_at(ys, 0));
  EXPECT_EQ(s.y_high, distinct_at(ys, 49));
}

TEST(Range, FewDistinctValuesGiveTheExtremes) {
  std::vector<vec2> cohorts(1);
  for (int i = 0; i < 1000; i++)
    cohorts[0].push_back({0.5 * (i % 3) - 0.25, 1.0 + (i % 3)});
  data d;
  set_points(&d, cohorts);
  CaptureStdout out;
  d.calc_range(d.snps[0]);
  EXPECT_EQ(d.snps[0].x_low, -0.25);
  EXPECT_EQ(d.snps[0].x_high, 0.75);
  EXPECT_EQ(d.snps[0].y_low, 1.0);
  EXPECT_EQ(d.snps[0].y_high, 3.0);
  EXPECT_EQ(out.text(), "\n Calculating range of data \n -0.25  0.75  1  3");
}

TEST(Range, OfEqualValuesTheFirstGivenStands) {
  // 0 and -0 are one distinct value, the lowest here; the range end takes
  // the sign of the one given first, which the log shows.
  for (double first_zero : {0.0, -0.0}) {
    std::vector<vec2> cohorts(2);
    cohorts[0].push_back({first_zero, 1.0});
    for (int i = 1; i < 50; i++) cohorts[i % 2].push_back({0.01 * i, 1.0});
    cohorts[1].push_back({-first_zero, 1.0});
    data d;
    set_points(&d, cohorts);
    CaptureStdout out;
    d.calc_range(d.snps[0]);
    EXPECT_EQ(std::signbit(d.snps[0].x_low), std::signbit(first_zero));
    EXPECT_EQ(lines_of(out.text()).back(),
              std::string(std::signbit(first_zero) ? " -0" : " 0") + "  0.49  1  1");
  }
}

TEST(Range, NoIndividualKeepsTheWideDefault) {
  data d;
  set_points(&d, std::vector<vec2>(2));
  CaptureStdout out;
  d.calc_range(d.snps[0]);
  EXPECT_EQ(d.snps[0].x_low, -1000);
  EXPECT_EQ(d.snps[0].x_high, 1000);
  EXPECT_EQ(d.snps[0].y_low, -1000);
  EXPECT_EQ(d.snps[0].y_high, 1000);
}

class Grid : public ::testing::Test {
 protected:
  void build(const std::vector<vec2>& cohorts, int cells) {
    set_points(&d, cohorts);
    d.grid_cells = cells;
    snp& s = d.snps[0];
    s.x_low = 0.2;
    s.x_high = 1.8;
    s.y_low = 0.1;
    s.y_high = 0.9;
    CaptureStdout out;
    d.clump_data(s);
    text = out.text();
  }
  data d;
  std::string text;
};

TEST_F(Grid, KeysAreLowerCornersOnBothSidesOfZero) {
  build({{{0.26, 0.32}, {-0.05, 0.02}, {0.27, 0.33}}}, 16);
  const double dx = std::fabs((0.2 - 1.8) / 16.0);
  const double dy = std::fabs((0.1 - 0.9) / 16.0);
  EXPECT_DOUBLE_EQ(dx, 0.1);
  EXPECT_DOUBLE_EQ(dy, 0.05);
  const grid& g = d.snps[0].clumps.at(0);
  ASSERT_EQ(cell_total(g), 2u);
  const point& p = g.at(2 * dx).at(6 * dy);
  EXPECT_EQ(p.count, 2);  // (0.26, 0.32) and (0.27, 0.33) share a cell
  EXPECT_EQ(p.call, 3);
  for (double q : p.probs) EXPECT_EQ(q, 0.0);
  EXPECT_EQ(g.at(-1 * dx).at(0.0).count, 1);
  EXPECT_EQ(text,
            "\n Clumping points as approximation  (delta x: 0.1 y: 0.05)"
            "\n 0 : number of non-empty points :: 2\n\n");
}

TEST_F(Grid, OneGridPerCohortAndCountsAddUp) {
  std::vector<vec2> cohorts(3);
  for (int i = 0; i < 400; i++) {
    const double x = std::sin(i * 1.7) * 1.3 + 0.6;
    const double y = std::cos(i * 0.9) * 0.7 + 0.3;
    cohorts[i % 3].push_back({x, y});
  }
  cohorts[1].push_back(cohorts[0][0]);  // the same cell in two cohorts
  build(cohorts, 10);
  ASSERT_EQ(d.snps[0].clumps.size(), 3u);
  const double dx = std::fabs((0.2 - 1.8) / 10.0);
  const double dy = std::fabs((0.1 - 0.9) / 10.0);
  for (int c = 0; c < 3; c++) {
    const grid& g = d.snps[0].clumps[c];
    EXPECT_EQ(total_count(g), d.n_ind[c]);
    // Every individual lies in the cell of its lower corner, and holds it.
    for (const vec& p : cohorts[c]) {
      const double kx = std::floor(p[0] / dx) * dx;
      const double ky = std::floor(p[1] / dy) * dy;
      ASSERT_TRUE(g.count(kx) && g.at(kx).count(ky));
      EXPECT_LE(kx, p[0]);
      EXPECT_LE(ky, p[1]);
      EXPECT_GT(kx + dx, p[0]);
    }
  }
  const double kx = std::floor(cohorts[0][0][0] / dx) * dx;
  const double ky = std::floor(cohorts[0][0][1] / dy) * dy;
  EXPECT_GE(d.snps[0].clumps[0].at(kx).at(ky).count, 1);
  EXPECT_GE(d.snps[0].clumps[1].at(kx).at(ky).count, 1);
  for (int c = 0; c < 3; c++) {
    std::ostringstream line;
    line << " " << c
         << " : number of non-empty points :: " << cell_total(d.snps[0].clumps[c]);
    EXPECT_NE(text.find(line.str()), std::string::npos) << line.str();
  }
}

TEST_F(Grid, RebuildStartsFromScratch) {
  build({{{0.5, 0.5}}, {{0.5, 0.5}}}, 16);
  d.snps[0].clumps[0].begin()->second.begin()->second.count = 99;
  build({{{0.5, 0.5}}}, 16);
  ASSERT_EQ(d.snps[0].clumps.size(), 1u);
  EXPECT_EQ(total_count(d.snps[0].clumps[0]), 1);
}

TEST_F(Grid, SizesArePositiveWhateverTheOrderOfTheEnds) {
  set_points(&d, {{{0.5, 0.5}}});
  d.grid_cells = 16;
  snp& s = d.snps[0];
  s.x_low = 1.8;
  s.x_high = 0.2;
  s.y_low = 0.9;
  s.y_high = 0.1;
  CaptureStdout out;
  d.clump_data(s);
  EXPECT_NE(out.text().find("(delta x: 0.1 y: 0.05)"), std::string::npos) << out.text();
}

TEST(Declump, EveryIndividualTakesItsCellsCallAndProbabilities) {
  std::vector<vec2> cohorts(2);
  for (int i = 0; i < 120; i++)
    cohorts[i % 2].push_back({0.1 + (i % 11) * 0.17, 0.05 + (i % 7) * 0.13});
  data d;
  grid_from_points(&d, cohorts, 8);
  snp& s = d.snps[0];
  // Give every cell its own call and probabilities.
  int tag = 0;
  for (grid& g : s.clumps)
    for (auto& column : g)
      for (auto& cell : column.second) {
        cell.second.call = tag % 4;
        for (int k = 0; k < 4; k++) cell.second.probs[k] = tag + 0.1 * k;
        tag++;
      }
  const std::size_t cells0 = cell_total(s.clumps[0]);
  d.calls.assign(2, std::vector<int>(60, 4));
  d.call_probs.assign(2, vec2(60, vec(4, -1.0)));
  CaptureStdout out;
  d.set_calls_from_points(s);
  EXPECT_EQ(out.text(), "\n Declumping points for final round \n");
  EXPECT_EQ(cell_total(s.clumps[0]), cells0);  // looked up, not created

  const double dx = std::fabs((s.x_low - s.x_high) / 8.0);
  const double dy = std::fabs((s.y_low - s.y_high) / 8.0);
  for (int c = 0; c < 2; c++)
    for (int i = 0; i < 60; i++) {
      const vec& p = cohorts[c][i];
      const point& cell =
          s.clumps[c].at(std::floor(p[0] / dx) * dx).at(std::floor(p[1] / dy) * dy);
      EXPECT_EQ(d.calls[c][i], cell.call);
      ASSERT_EQ(d.call_probs[c][i].size(), 4u);
      for (int k = 0; k < 4; k++) EXPECT_EQ(d.call_probs[c][i][k], cell.probs[k]);
    }
}

// A range of zero width, or no cells at all, still gives finite keys, and
// every individual finds its cell again.
TEST(DegenerateGrid, SingleIndividualSitsInACellAtItsOwnPoint) {
  data d;
  const std::string printed = grid_from_points(&d, {{{0.7, 0.3}}}, 16);
  snp& s = d.snps[0];
  ASSERT_EQ(cell_total(s.clumps[0]), 1u);
  const auto& column = *s.clumps[0].begin();
  EXPECT_EQ(column.first, 0.7);
  EXPECT_EQ(column.second.begin()->first, 0.3);
  EXPECT_EQ(column.second.begin()->second.count, 1);
  EXPECT_EQ(column.second.begin()->second.x, 0.7);
  EXPECT_EQ(column.second.begin()->second.y, 0.3);
  EXPECT_EQ(printed.find("nan"), std::string::npos);
  EXPECT_EQ(printed.find("inf"), std::string::npos);

  d.calls.assign(1, std::vector<int>(1, 4));
  d.call_probs.assign(1, vec2(1, vec(4, 0.0)));
  s.clumps[0].begin()->second.begin()->second.call = 2;
  CaptureStdout quiet;
  d.set_calls_from_points(s);
  EXPECT_EQ(d.calls[0][0], 2);
}

TEST(DegenerateGrid, OneDistinctValueOnAnAxis) {
  // Every x is -0.4 (one column); y spreads over a normal range.
  std::vector<vec2> cohorts(1);
  for (int i = 0; i < 30; i++) cohorts[0].push_back({-0.4, 0.1 * i});
  cohorts[0].push_back({-0.4, 0.0});
  data d;
  grid_from_points(&d, cohorts, 5);
  const snp& s = d.snps[0];
  const grid& g = s.clumps[0];
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g.begin()->first, -0.4);
  EXPECT_EQ(total_count(g), 31);
  for (const auto& cell : g.begin()->second) {
    EXPECT_TRUE(std::isfinite(cell.first));
    EXPECT_EQ(cell.second.x, -0.4);  // the mean of equal values is exact
    EXPECT_EQ(cell.second.sxx, 0.0);
  }
  // The lowest row holds both individuals at y = 0 and those below dy.
  const double dy = std::fabs((s.y_low - s.y_high) / 5.0);
  int lowest = 0;
  for (const vec& p : cohorts[0]) lowest += p[1] < dy ? 1 : 0;
  EXPECT_EQ(g.begin()->second.begin()->first, 0.0);
  EXPECT_EQ(g.begin()->second.begin()->second.count, lowest);
}

TEST(DegenerateGrid, ZeroCellsMeansOneCellAcrossTheRange) {
  std::vector<vec2> cohorts(1);
  for (int i = 0; i < 20; i++) cohorts[0].push_back({0.1 * i, 1.0 - 0.05 * i});
  data d;
  grid_from_points(&d, cohorts, 0);
  const snp& s = d.snps[0];
  EXPECT_EQ(total_count(s.clumps[0]), 20);
  for (const auto& column : s.clumps[0]) {
    EXPECT_TRUE(std::isfinite(column.first));
    for (const auto& cell : column.second) EXPECT_TRUE(std::isfinite(cell.first));
  }
  // Range [0, 1.9] by [0.05, 1]: at most two columns and two rows.
  EXPECT_LE(cell_total(s.clumps[0]), 4u);
}
