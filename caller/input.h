// Reading the input files: intensity files (plain, gzip or bzip2), the
// SNP-information file and the sex files.  data::read_data() (declared in
// data.h) reads them all; these are its free helpers.  The checks of the
// intensities read, made before the fit, are in intensity_checks.h.
#ifndef VELMAR_INPUT_H
#define VELMAR_INPUT_H

#include <istream>
#include <string>

class data;

// Reads in from its current position to the end and returns the number of
// line feeds met (blank lines count; a last line without a line feed does
// not).
int countLines(std::istream& in);

// The lines of a text read to its end.
struct line_tally {
  int line_feeds = 0;
  // Number (from 1) of the last line holding anything but blanks, tabs and
  // carriage returns; 0 when there is none.  A last line without a line feed
  // counts; blank lines after it do not.
  int last_filled_line = 0;
};

// Reads in from its current position to the end; a UTF-8 byte-order mark
// where it starts is skipped.  Throws user_error, naming `file`, when the
// stream cannot be read (as a damaged compressed file).
line_tally tally_lines(std::istream& in, const char* file);

// The warning for the end of a run in which some SNPs of the range run
// without a prior frequency: those that got none from the SNP-information
// file (d.snps_without_prior), unless -paf gives every SNP one; "" when there
// is none.
std::string missing_priors_warning(const data& d);

#endif
