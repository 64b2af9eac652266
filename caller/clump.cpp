// The clumping approximation: a robust range of a SNP's intensities, a
// regular grid over it that groups each cohort's individuals into cells (each
// cell keeps the mean of its individuals' points and their spread about it),
// and the copy of every cell's call back to its individuals.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <vector>

#include "data.h"

namespace {

// The size of one cell along an axis whose range runs from `low` to `high`,
// with `cells` cells across it.
//
// A grid of 0 cells is taken as one cell across the range. A range of zero
// width means that every individual has the same value v on that axis (the
// range ends are distinct whenever the axis has two distinct values), so one
// column holds them all whatever the size; the size |v| (1 when v is 0)
// makes the column's key floor(v / |v|) * |v| equal v itself, so the cell
// stands exactly where its individuals are and no key is ever a NaN.
double cell_size(double low, double high, int cells) {
  const double g = cells == 0 ? 1.0 : static_cast<double>(cells);
  const double d = std::fabs((low - high) / g);
  if (d > 0 && std::isfinite(d)) return d;
  const double v = std::fabs(low);
  return v > 0 && std::isfinite(v) ? v : 1.0;
}

// The key of the cell that holds `v`: the cell's lower corner.
double cell_key(double v, double size) { return std::floor(v / size) * size; }

// The distinct values of `values`, ascending. Of equal values (0 and -0)
// the first one given stands for them all, as in an ordered set filled in
// the same order. The input reading admits finite values only, which the
// sort needs.
void sort_distinct(std::vector<double>* values) {
  std::stable_sort(values->begin(), values->end());
  values->erase(std::unique(values->begin(), values->end()), values->end());
}

}  // namespace

void data::calc_range(snp& s) {
  std::cout << std::endl << " Calculating range of data ";
  s.x_low = -1000;
  s.y_low = -1000;
  s.x_high = 1000;
  s.y_high = 1000;

  std::vector<double> xs, ys;
  for (int c = 0; c < n_cohorts; c++) {
    for (int i = 0; i < n_ind[c]; i++) {
      xs.push_back(s.points[c][i][0]);
      ys.push_back(s.points[c][i][1]);
    }
  }
  sort_distinct(&xs);
  sort_distinct(&ys);

  // The 1st and 99th percentiles of the distinct values. A SNP without any
  // individual keeps the wide default range.
  if (!xs.empty()) {
    const std::size_t n = xs.size();
    s.x_low = xs[n / 100];
    s.x_high = xs[99 * n / 100];
  }
  if (!ys.empty()) {
    const std::size_t n = ys.size();
    s.y_low = ys[n / 100];
    s.y_high = ys[99 * n / 100];
  }

  std::cout << "\n " << s.x_low << "  " << s.x_high << "  " << s.y_low << "  "
            << s.y_high;
}

void data::clump_data(snp& s) {
  s.clumps.assign(n_cohorts, grid());
  s.male_clumps.assign(n_cohorts, grid());
  const double dx = cell_size(s.x_low, s.x_high, grid_cells);
  const double dy = cell_size(s.y_low, s.y_high, grid_cells);

  std::cout << std::endl << std::flush;
  std::cout << " Clumping points as approximation "
            << " (delta x: " << dx << " y: " << dy << ")";

  for (int c = 0; c < n_cohorts; c++) {
    int created = 0;
    for (int i = 0; i < n_ind[c]; i++) {
      grid& cells = scored_as_male(c, i) ? s.male_clumps[c] : s.clumps[c];
      const double x = s.points[c][i][0];
      const double y = s.points[c][i][1];
      const double kx = cell_key(x, dx);
      const double ky = cell_key(y, dy);
      y_cells& column = cells[kx];
      y_cells::iterator cell = column.find(ky);
      if (cell != column.end()) {
        // The running mean of the members and their sums of squared
        // deviations about it (Welford's updates): the mean stays among
        // their values, and members that all share one point keep it
        // exactly there with no spread.
        point& p = cell->second;
        p.count += 1;
        const double ex = x - p.x;
        const double ey = y - p.y;
        p.x += ex / p.count;
        p.y += ey / p.count;
        p.sxx += ex * (x - p.x);
        p.syy += ey * (y - p.y);
        p.sxy += ex * (y - p.y);
      } else {
        point p;
        p.count = 1;
        p.call = 3;
        p.x = x;
        p.y = y;
        column.emplace(ky, p);
        created++;
      }
    }
    std::cout << std::endl << " " << c << " : number of non-empty points :: " << created;
  }
  std::cout << std::endl << std::endl << std::flush;
}

void data::set_calls_from_points(snp& s) {
  std::cout << std::endl << " Declumping points for final round " << std::endl;
  copy_cell_calls(s);
}

void data::copy_cell_calls(snp& s) {
  const double dx = cell_size(s.x_low, s.x_high, grid_cells);
  const double dy = cell_size(s.y_low, s.y_high, grid_cells);

  for (int c = 0; c < n_cohorts; c++) {
    for (int i = 0; i < n_ind[c]; i++) {
      const grid* cells = &s.clumps[c];
      if (scored_as_male(c, i)) cells = s.male_cells(c);
      if (!cells) continue;
      const double kx = cell_key(s.points[c][i][0], dx);
      const double ky = cell_key(s.points[c][i][1], dy);
      // The grid was built from these very points, so every individual finds
      // its cell; the lookups never add a cell to the grid.
      grid::const_iterator column = cells->find(kx);
      if (column == cells->end()) continue;
      y_cells::const_iterator cell = column->second.find(ky);
      if (cell == column->second.end()) continue;
      calls[c][i] = cell->second.call;
      call_probs[c][i].assign(cell->second.probs, cell->second.probs + 4);
    }
  }
}
