// The command line of velmar++.
//
// Options are exact, case-sensitive words beginning with '-', their values
// the words that follow them.  The command line is read in three passes: pass
// 0 finds "-nrs" (the fixed seed), pass 1 the options that name the input and
// the SNP range, pass 2 every other option.  Every pass looks at every word,
// value words included.  The option defaults live in the model object
// (data.h); the passes only overwrite them.
//
// A value that is missing or not wholly a number, and a value the run cannot
// use (one beyond the int or double that holds it included), is reported by
// throwing user_error with a message that names the option and the expected
// form, e.g. "-nmax: expected a whole number, got 'abc'".
#ifndef VELMAR_OPTIONS_H
#define VELMAR_OPTIONS_H

#include <string>
#include <vector>

#include "data.h"

// The fixed run seed that "-nrs" selects.
const double fixed_seed = 0.12345;

// Pass 0: the run seed, fixed_seed when "-nrs" is given, else clock_seed.
double read_seed_option(int argc, char** argv, double clock_seed);

// Pass 1: "-f", "-single", "-gz", "-bz2", "-snps", "-i" and "-chrX".
void read_input_options(int argc, char** argv, data& d);

// Pass 2: every other option.
void read_run_options(int argc, char** argv, data& d);

// Checks that the options the input reading needs are usable: at least one
// intensity file, and in X-chromosome mode one sex file per cohort.
void check_input_options(const data& d);

// Checks every option value of d (check_input_options included) for values
// the run cannot use.
void validate_options(const data& d);

// The words after argv[0] that no pass reads: neither an option word nor
// a value of an option before them ("-nmax=5", "-NMAX", a file after the
// end of the -i list as in "-i a.txt -nrs b.txt"), each once, in
// command-line order. The words of the -i and -chrX lists are values, and
// so is a value that begins with '-' ("-snps -5 10").
std::vector<std::string> stray_words(int argc, char** argv);

// Warns on standard error once for each of the stray_words (the run
// ignores them) and for each value word that is an option word too (the
// passes read it as both, as "-print_params" in "-o -print_params"), then
// runs passes 1 and 2 on a scratch model, warns when -allow_male_hets is
// given without -chrX (it has no effect), and validates the model, so that
// a bad command line is reported before any input is read. Returns the
// scratch model: its options as the run will have them.
data check_command_line(int argc, char** argv);

// Conversions used for option values and input fields: true when the whole
// of s is one number of the kind (no blanks, no trailing characters; a real
// must be finite, a whole number must fit in an int).
bool parse_whole_number(const char* s, int& value);
bool parse_real_number(const char* s, double& value);

#endif
