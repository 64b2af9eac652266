// The checks of the intensities read, made once the input is read and
// before the fit.
#ifndef VELMAR_INTENSITY_CHECKS_H
#define VELMAR_INTENSITY_CHECKS_H

#include <string>
#include <vector>

class data;

// The warnings, each without "velmar++: warning: ", about the input read
// into `d` (the cohorts whose files name no allele, as read_data found them,
// and the points of every SNP and cohort, each cohort named by its intensity
// file; a missing point is none), in this order, each only when it holds:
// - per cohort of d.zero_allele_cohorts, in cohort order (one warning each):
//   its file gives the alleles as "0" and "0" on every SNP line read: a file
//   of three key columns whose first sample reads 0 0 on every SNP would be
//   read so, with that sample's x and y as the alleles and every later
//   sample shifted by one;
// - per cohort, in cohort order, one of: its intensities seem to be on a raw
//   scanner scale rather than the normalised one the priors assume, as the
//   median of the larger intensity, max(x, y), of its points other than
//   those at x = y = 0 is 10 or more; half of its points or more seem to be
//   failed samples near the origin, as that median is below 0.1 while the
//   90th percentile is 0.3 or more; or its intensities seem far below the
//   normalised scale, as that median is below 0.1 and the 90th percentile
//   below 0.3;
// - the lowest and the highest of the cohorts' 90th percentiles (of the
//   cohorts with any such point) lie 11 bins or more apart, about a factor
//   of 1.7 (they are compared by the bins below; one of 0 or less is in the
//   lowest): the model the cohorts share assumes them normalised alike;
// - the number of points at x = y = 0, of all cohorts, which some exports
//   write for a failed sample: they are fitted as intensities, unlike the
//   missing ones.
// A median or percentile is given to within 6% (the middle of its bin, of 50
// per decade, rounded to two significant digits), so the points need no copy
// however many there are.  The reader leaves finite values of at most 1e150 in
// magnitude; any larger one, infinities included, counts in the highest bin.
std::vector<std::string> intensity_warnings(const data& d);

#endif
