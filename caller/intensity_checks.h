// The checks of the intensities read, made once the input is read and
// before the fit.
#ifndef VELMAR_INTENSITY_CHECKS_H
#define VELMAR_INTENSITY_CHECKS_H

#include <string>
#include <vector>

struct snp;

// The warnings, each without "velmar++: warning: ", about the intensities
// read (the points of every SNP and cohort of `snps`; a missing point is
// none), in this order, each only when it holds:
// - the intensities seem to be on a raw scanner scale rather than the
//   normalised one the priors assume: the median of the larger intensity,
//   max(x, y), of every point is 10 or more;
// - the intensities seem far below the normalised scale: that median, of the
//   points other than those at x = y = 0, is below 0.1;
// - the number of points at x = y = 0, which some exports write for a failed
//   sample: they are fitted as intensities, unlike the missing ones.
// A median is given to within 6% (the middle of its bin, of 50 per decade,
// rounded to two significant digits), so the points need no copy however
// many there are.  The reader leaves finite values of at most 1e150 in
// magnitude; any larger one, infinities included, counts in the highest bin.
std::vector<std::string> intensity_warnings(const std::vector<snp>& snps);

#endif
