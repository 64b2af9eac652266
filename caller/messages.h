// The pieces of the run's messages on standard error: a warning, the text of
// a quoted input field and the name of a SNP.
#ifndef VELMAR_MESSAGES_H
#define VELMAR_MESSAGES_H

#include <string>

class data;

// Writes "velmar++: warning: ", the message and a line end to standard
// error, after flushing standard output, so that the warning stands after
// the log lines written before it when both go to one terminal or file. A
// warning never changes the run's exit status.
void warn(const std::string& message);

// The text of a field for a message on standard error: every byte outside
// printable ASCII (a control character, or a byte of 0x80 and above such as
// a byte-order mark or a letter of another alphabet) is written as \xHH, so
// that a message never hides part of what it quotes.
std::string printable(const std::string& field);

// SNP j of the range (from 0) as the messages on standard error name it,
// numbered as the intensity files and -snps count (SNP s is line s + 1), so
// that a chunk of a split run names its SNPs as a whole run does: with
// "-snps 5 6", j = 0 is "SNP 5 [rs...]".
std::string snp_name(const data& d, int j);

#endif
