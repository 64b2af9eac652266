// Reading the input files: intensity files in every compression, the SNP
// range, the SNP-information and sex files, and every fault of them.
#include "input.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <boost/iostreams/device/file.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "capture_stdout.h"
#include "data.h"
#include "errors.h"
#include "messages.h"
#include "scratch_dir.h"

namespace io = boost::iostreams;

namespace {

// Cohort 0: two individuals, four SNPs.
const char* const cohort0 =
    "SNP_ID rs position allele1 allele2 a_x a_y b_x b_y\n"
    "s1 rs1 100 A C 0.1 0.9 0.8 0.2\n"
    "s2 rs2 200 G T 1.5 0.25 0.5 0.5\n"
    "s3 rs3 300 A G 0.3 0.3 0.7 0.6\n"
    "s4 rs4 400 C T 0.01 1 2 3\n";

// Cohort 1: three individuals, the same SNPs.
const char* const cohort1 =
    "SNP_ID rs position allele1 allele2 c_x c_y d_x d_y e_x e_y\n"
    "s1 rs1 100 A C 1 2 3 4 5 6\n"
    "s2 rs2 200 G T 7 8 9 10 11 12\n"
    "s3 rs3 300 A G 13 14 15 16 17 18\n"
    "s4 rs4 400 C T 19 20 21 22 23 24\n";

// The text with the first occurrence of `old_text` replaced by `new_text`.
std::string edited(std::string text, const std::string& old_text,
                   const std::string& new_text) {
  text.replace(text.find(old_text), old_text.size(), new_text);
  return text;
}

class InputTest : public ScratchDirTest {
 protected:
  // Writes text gzip-compressed, bzip2-compressed, or first gzip- and then
  // bzip2-compressed (a written text passes the filters in push order).
  std::string write_compressed(const std::string& name, const std::string& text, bool gz,
                               bool bz2) {
    io::filtering_ostream out;
    if (gz) out.push(io::gzip_compressor());
    if (bz2) out.push(io::bzip2_compressor());
    out.push(io::file_sink(path(name), std::ios::binary));
    out << text;
    out.reset();
    return path(name);
  }

  // read_data with standard output captured into log.
  void read(data& d, std::string* log = nullptr) {
    CaptureStdout out;
    try {
      d.read_data();
    } catch (...) {
      if (log) *log = out.text();
      throw;
    }
    if (log) *log = out.text();
  }

  // The message of the user_error that read_data throws, "" when none.
  std::string error_of(data& d, std::string* log = nullptr) {
    try {
      read(d, log);
    } catch (const user_error& e) {
      return e.what();
    }
    return "";
  }

  // Writes the intensity texts as the files of d's cohorts a, b, ..., plain
  // or, with gz, gzip-compressed (and sets d.gz).
  void set_intensity_files(data& d, const std::vector<std::string>& texts, bool gz) {
    d.gz = gz;
    d.intensity_files.clear();
    for (size_t c = 0; c < texts.size(); ++c) {
      const std::string name(1, static_cast<char>('a' + c));
      d.intensity_files.push_back(
          gz ? write_compressed(name + ".gz", texts[c], true, false)
             : write(name + ".txt", texts[c]));
    }
  }

  // The message with every "{a}", "{b}", ... replaced by the name of d's
  // intensity file of that cohort and "{f}" by its SNP-information file.
  static std::string expanded(std::string message, const data& d) {
    for (size_t c = 0; c < d.intensity_files.size(); ++c) {
      const std::string key = std::string("{") + static_cast<char>('a' + c) + "}";
      for (size_t at; (at = message.find(key)) != std::string::npos;)
        message.replace(at, key.size(), d.intensity_files[c]);
    }
    for (size_t at; (at = message.find("{f}")) != std::string::npos;)
      message.replace(at, 3, d.info_file);
    return message;
  }

  // The error of reading cohort 0 alone, edited as for `edited`, from a.txt.
  std::string error_of_edited_cohort0(const std::string& old_text,
                                      const std::string& new_text) {
    data d;
    d.intensity_files = {write("a.txt", edited(cohort0, old_text, new_text))};
    return error_of(d);
  }
};

std::vector<std::vector<double> > pts(std::initializer_list<std::vector<double> > p) {
  return std::vector<std::vector<double> >(p);
}

TEST_F(InputTest, TwoCohortsGiveTheirRecordsAndTheLog) {
  data d;
  d.intensity_files = {write("a.txt", cohort0), write("b.txt", cohort1)};
  std::string log;
  read(d, &log);
  EXPECT_EQ(d.n_cohorts, 2);
  EXPECT_EQ(d.n_ind, (std::vector<int>{2, 3}));
  EXPECT_EQ(d.n_snps, 4);
  EXPECT_EQ(d.snp_start, 1);
  EXPECT_EQ(d.snp_end, 4);
  ASSERT_EQ(d.snps.size(), 4u);
  const snp& s = d.snps[1];
  EXPECT_EQ(s.SNP_ID, "s2");
  EXPECT_EQ(s.rs, "rs2");
  EXPECT_EQ(s.position, "200");
  EXPECT_EQ(s.allele1, "G");
  EXPECT_EQ(s.allele2, "T");
  EXPECT_EQ(s.prior_freq, -1.0);
  ASSERT_EQ(s.points.size(), 2u);
  EXPECT_EQ(s.points[0], pts({{1.5, 0.25}, {0.5, 0.5}}));
  EXPECT_EQ(s.points[1], pts({{7, 8}, {9, 10}, {11, 12}}));
  EXPECT_EQ(s.cohort_of, (ivec2{{0, 0}, {1, 1, 1}}));
  EXPECT_EQ(d.snps[3].points[0], pts({{0.01, 1}, {2, 3}}));
  EXPECT_TRUE(d.sex.empty());
  const std::string a = path("a.txt"), b = path("b.txt");
  EXPECT_EQ(log,
            "setting precision\nreading data\n # snps = 4\n snp range 1-4\n"
            " cohort 0 # ind = 2\n cohort 1 # ind = 3\n"
            " reading file : " +
                a +
                "\n"
                "\r snp [1/4]\r snp [2/4]\r snp [3/4]\r snp [4/4]\n"
                " reading file : " +
                b +
                "\n"
                "\r snp [1/4]\r snp [2/4]\r snp [3/4]\r snp [4/4]\n"
                "..done\n");
  EXPECT_EQ(std::cout.precision(), 10);
}

TEST_F(InputTest, PlainGzipAndBzip2GiveTheSameRecords) {
  data plain;
  plain.intensity_files = {write("a.txt", cohort0), write("b.txt", cohort1)};
  read(plain);

  data gz;
  gz.gz = true;
  gz.intensity_files = {write_compressed("a.gz", cohort0, true, false),
                        write_compressed("b.gz", cohort1, true, false)};
  read(gz);

  data bz2;
  bz2.bz2 = true;
  bz2.intensity_files = {write_compressed("a.bz2", cohort0, false, true),
                         write_compressed("b.bz2", cohort1, false, true)};
  read(bz2);

  // Both flags: the file is bzip2 of gzip of the text.
  data both;
  both.gz = true;
  both.bz2 = true;
  both.intensity_files = {write_compressed("a.gz.bz2", cohort0, true, true),
                          write_compressed("b.gz.bz2", cohort1, true, true)};
  read(both);

  for (const data* d : {&gz, &bz2, &both}) {
    EXPECT_EQ(d->n_ind, plain.n_ind);
    ASSERT_EQ(d->snps.size(), plain.snps.size());
    for (size_t k = 0; k < plain.snps.size(); ++k) {
      EXPECT_EQ(d->snps[k].SNP_ID, plain.snps[k].SNP_ID);
      EXPECT_EQ(d->snps[k].rs, plain.snps[k].rs);
      EXPECT_EQ(d->snps[k].points, plain.snps[k].points);
      EXPECT_EQ(d->snps[k].cohort_of, plain.snps[k].cohort_of);
    }
  }
}

TEST_F(InputTest, FilesThatDoNotDecompressAreReportedZeroPaddingIsRead) {
  // Zero bytes after the last member of a gzip file (block padding, which
  // gzip ignores) read as nothing, in the first file and in a later one.
  auto gzip = [this](const std::string& text) {
    return read_file(write_compressed("member.gz", text, true, false));
  };
  const std::string text0 = cohort0, gz0 = gzip(cohort0), gz1 = gzip(cohort1);
  const std::string two_members = gzip(text0.substr(0, 100)) + gzip(text0.substr(100));
  const std::string zeros(700, '\0');
  const struct {
    const char* what;
    std::string file0, file1;
    const char* refused;  // the file named in the message; "" when read
  } cases[] = {
      {"a plain file", text0, gz1, "a.gz"},
      {"one zero byte", gz0 + '\0', gz1, ""},
      {"zeros after both files", gz0 + zeros, gz1 + zeros, ""},
      {"two members, then zeros", two_members + zeros, gz1, ""},
      {"a byte, then zeros", gz0 + "\x1f" + zeros, gz1, "a.gz"},
      {"a byte, then zeros, in the later file", gz0, gz1 + "x" + zeros, "b.gz"},
      {"a member cut in its trailer, then zeros", gz0.substr(0, gz0.size() - 8) + zeros,
       gz1, "a.gz"},
  };
  data plain;
  set_intensity_files(plain, {cohort0, cohort1}, false);
  read(plain);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    data g;
    g.gz = true;
    g.intensity_files = {write("a.gz", c.file0), write("b.gz", c.file1)};
    const std::string error = error_of(g);
    if (*c.refused) {
      EXPECT_EQ(error.find("cannot read intensity file '" + path(c.refused) + "'"), 0u)
          << error;
      continue;
    }
    EXPECT_EQ(error, "");
    if (!error.empty()) continue;
    ASSERT_EQ(g.snps.size(), plain.snps.size());
    for (size_t k = 0; k < plain.snps.size(); ++k)
      EXPECT_EQ(g.snps[k].points, plain.snps[k].points);
  }
}

TEST_F(InputTest, FilesCompressedOtherwiseThanTheOptionsSayAreRefused) {
  // Told by their first bytes, before any SNP is read.
  const std::string gz = read_file(write_compressed("t.gz", cohort0, true, false));
  const std::string bz2 = read_file(write_compressed("t.bz2", cohort0, false, true));
  const struct {
    bool gz;
    std::string a, f;     // the intensity and SNP-information file ("": none)
    const char* message;  // the end of the message; "" when the files are read
  } cases[] = {
      {false, gz, "",
       "/a' seems gzip-compressed (it starts with the gzip signature): give -gz to read "
       "it"},
      {false, bz2, "", "(it starts with the bzip2 signature): give -bz2 to read it"},
      {true, bz2, "",
       "signature), but -gz reads gzip files: give -bz2 instead of -gz to read it (or "
       "both for a gzip file compressed again with bzip2)"},
      {false, "BZh9" + std::string(cohort0), "", ""},
      {false, cohort0, gz,
       "/f' seems gzip-compressed (it starts with the gzip signature): it is read as "
       "plain text only; decompress it first, e.g. with gunzip"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    data d;
    d.gz = c.gz;
    d.intensity_files = {write("a", c.a)};
    if (!c.f.empty()) d.info_file = write("f", c.f);
    std::string log;
    const std::string e = error_of(d, &log);
    if (!*c.message) {
      EXPECT_EQ(e, "");
      continue;
    }
    EXPECT_NE(e.find(c.message), std::string::npos) << e;
    EXPECT_EQ(log.find("snp ["), std::string::npos);
  }
}

TEST(CountLines, CountsEveryLineFeed) {
  std::istringstream three("a\nb\n\nc");
  EXPECT_EQ(countLines(three), 3);
  std::istringstream none("");
  EXPECT_EQ(countLines(none), 0);
  std::istringstream from_middle("xx\nyy\nzz\n");
  from_middle.ignore(3);
  EXPECT_EQ(countLines(from_middle), 2);
}

TEST(TallyLines, LastLineWithoutLineFeedCountsTrailingBlankLinesDoNot) {
  std::istringstream unterminated("h\n1\n2");
  EXPECT_EQ(tally_lines(unterminated, "f").last_filled_line, 3);
  std::istringstream blank_tail("h\n1\n2\n\n \r\n\t\n");
  line_tally t = tally_lines(blank_tail, "f");
  EXPECT_EQ(t.last_filled_line, 3);
  EXPECT_EQ(t.line_feeds, 6);
  std::istringstream crlf("h\r\n1\r\n2\r\n\r\n");
  EXPECT_EQ(tally_lines(crlf, "f").last_filled_line, 3);
  std::istringstream empty("\n\n");
  EXPECT_EQ(tally_lines(empty, "f").last_filled_line, 0);
}

TEST_F(InputTest, RangeRules) {
  struct range_case {
    int start, end;
    int want_start, want_end;
  };
  const range_case cases[] = {
      {-1, -1, 1, 4}, {0, 0, 1, 4}, {-5, 3, 1, 3}, {5, 3, 4, 4},
      {2, 99, 2, 4},  {3, 3, 3, 3}, {2, 1, 2, 4},  {4, -1, 4, 4},
  };
  const std::string a = write("a.txt", cohort0);
  for (const range_case& c : cases) {
    data d;
    d.intensity_files = {a};
    d.snp_start = c.start;
    d.snp_end = c.end;
    if (c.start == 5) {
      // Starts past the last SNP: nothing to fit.
      EXPECT_EQ(error_of(d), "-snps: the range starts at SNP 5, but intensity file '" +
                                 a + "' holds only 4 SNPs");
      continue;
    }
    read(d);
    EXPECT_EQ(d.snp_start, c.want_start) << c.start << " " << c.end;
    EXPECT_EQ(d.snp_end, c.want_end) << c.start << " " << c.end;
    EXPECT_EQ(d.n_snps, c.want_end - c.want_start + 1);
    ASSERT_EQ(static_cast<int>(d.snps.size()), d.n_snps);
    EXPECT_EQ(d.snps[0].SNP_ID, "s" + std::to_string(c.want_start));
  }
}

TEST_F(InputTest, LineEndsAndBlankLinesAtTheEnd) {
  std::string text = cohort0;
  // CR LF line ends, then blank lines at the end.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  data d;
  d.intensity_files = {write("crlf.txt", crlf + "\r\n  \n")};
  std::string log;
  read(d, &log);
  EXPECT_NE(log.find(" # snps = 4\n"), std::string::npos);
  ASSERT_EQ(d.n_snps, 4);
  EXPECT_EQ(d.n_ind[0], 2);
  EXPECT_EQ(d.snps[3].allele2, "T");
  EXPECT_EQ(d.snps[3].points[0], pts({{0.01, 1}, {2, 3}}));

  // Lines that end in CR only read as one: where that fails, the message
  // says so.  A CR in a header that SNP lines follow stays a blank, and so
  // does one in a sex file.
  const std::string cr_only =
      "; the file's lines seem to end in CR only (carriage returns without line "
      "feeds, as old Mac files have them): convert the line ends to line feeds "
      "first, e.g. with tr '\\r' '\\n'";
  std::string cr_text = text;
  std::replace(cr_text.begin(), cr_text.end(), '\n', '\r');
  const std::string cr = write("cr.txt", cr_text), a = write("a.txt", text);
  data first, later, sex;
  first.intensity_files = {cr};
  later.intensity_files = {a, cr};
  for (data* f : {&first, &later})
    EXPECT_EQ(error_of(*f),
              "intensity file '" + cr + "' holds no SNP line after its header" + cr_only);
  EXPECT_NE(error_of_edited_cohort0("\ns3", "\rs3")
                .find("' line 3: expected 9 fields (5 keys, then x and y of each of 2 "
                      "individuals), got 18" +
                      cr_only),
            std::string::npos);
  EXPECT_EQ(error_of_edited_cohort0("rs position", "rs\rposition"), "");
  sex.chrX = true;
  sex.intensity_files = {a};
  sex.sex_files = {write("s.txt", "1\r2\r")};
  read(sex);
  EXPECT_EQ(sex.sex, (ivec2{{1, 2}}));

  // A last line without a line end is a SNP too.
  data e;
  e.intensity_files = {write("open.txt", text.substr(0, text.size() - 1))};
  read(e, &log);
  EXPECT_NE(log.find(" # snps = 4\n"), std::string::npos);
  ASSERT_EQ(e.n_snps, 4);
  EXPECT_EQ(e.snps[3].points[0], pts({{0.01, 1}, {2, 3}}));
}

TEST_F(InputTest, HeaderWithAnOddNameCount) {
  const std::string header = "SNP_ID rs position allele1 allele2 a_x a_y b_x b_y extra\n";
  data d;
  d.intensity_files = {write("odd.txt", header + "s1 rs1 100 A C 0.1 0.9 0.8 0.2\n")};
  read(d);
  EXPECT_EQ(d.n_ind[0], 2);

  // A first SNP line that does not fit names the header's count too.
  data e;
  e.intensity_files = {write("odd.txt", header + "s1 rs1 100 A C 0.1 0.9 0.8 0.2 0.5\n")};
  EXPECT_EQ(error_of(e), "intensity file '" + path("odd.txt") +
                             "' line 1: the header has 5 names after the 5 key columns, "
                             "an odd number (two per individual: x and y); line 2: "
                             "expected 9 fields (5 keys, then x and y of each of 2 "
                             "individuals), got 10");

  // A later SNP line that does not fit is a fault of its own.
  data f;
  f.intensity_files = {write("odd.txt", header + "s1 rs1 100 A C 0.1 0.9 0.8 0.2\n"
                                                 "s2 rs2 200 G T 0.1 0.9 0.8\n")};
  EXPECT_EQ(error_of(f), "intensity file '" + path("odd.txt") +
                             "' line 3: expected 9 fields (5 keys, then x and y of "
                             "each of 2 individuals), got 8");
}

TEST_F(InputTest, EmptyOrHeaderOnlyFilesHoldNoSnp) {
  data empty;
  empty.intensity_files = {write("empty.txt", "")};
  EXPECT_EQ(error_of(empty), "intensity file '" + path("empty.txt") + "' is empty");

  data header;
  header.intensity_files = {
      write("header.txt", "SNP_ID rs position allele1 allele2 a_x a_y")};
  EXPECT_EQ(error_of(header), "intensity file '" + path("header.txt") +
                                  "' holds no SNP line after its header");

  data short_header;
  short_header.intensity_files = {write("short.txt", "SNP_ID rs position\ns1 rs1 1\n")};
  EXPECT_EQ(error_of(short_header),
            "intensity file '" + path("short.txt") +
                "' line 1: the header has 3 names, fewer than the 5 key columns");

  data nobody;
  nobody.intensity_files = {
      write("nobody.txt", "SNP_ID rs position allele1 allele2\ns1 rs1 1 A C\n")};
  EXPECT_NE(error_of(nobody).find("line 1: the header names no individual"),
            std::string::npos);
}

TEST_F(InputTest, FilesThatCannotBeOpened) {
  // The system's reason is given.
  const std::string missing = "' (No such file or directory)";
  data first;
  first.intensity_files = {path("missing.txt")};
  EXPECT_EQ(error_of(first),
            "cannot open intensity file '" + path("missing.txt") + missing);

  data second;
  second.intensity_files = {write("a.txt", cohort0), path("missing.txt")};
  EXPECT_EQ(error_of(second),
            "cannot open intensity file '" + path("missing.txt") + missing);

  data info;
  info.intensity_files = {write("a.txt", cohort0)};
  info.info_file = path("noinfo.txt");
  EXPECT_EQ(error_of(info),
            "-f: cannot open SNP-information file '" + path("noinfo.txt") + missing);

  data sex;
  sex.chrX = true;
  sex.intensity_files = {write("a.txt", cohort0)};
  sex.sex_files = {path("a.txt/nosex.txt")};
  EXPECT_EQ(error_of(sex),
            "cannot open sex file '" + path("a.txt/nosex.txt") + "' (Not a directory)");

  data none;
  EXPECT_EQ(error_of(none), "-i: no intensity file given; name one per cohort");
}

TEST_F(InputTest, IntensityLineFaultsNameFileAndLine) {
  const std::string a = path("a.txt");
  // A short line.
  EXPECT_EQ(error_of_edited_cohort0("0.5 0.5\n", "0.5\n"),
            "intensity file '" + a +
                "' line 3: expected 9 fields (5 keys, then x and y of each of "
                "2 individuals), got 8");
  // A long line.
  EXPECT_NE(error_of_edited_cohort0("0.01 1 2 3\n", "0.01 1 2 3 4\n")
                .find("' line 5: expected 9 fields"),
            std::string::npos);
  // Not a number.
  EXPECT_EQ(error_of_edited_cohort0("0.3 0.3 0.7", "0.3 0.3 abc"),
            "intensity file '" + a +
                "' line 4: x intensity of individual 2 is 'abc', not a number");
  // A blank line inside.
  EXPECT_NE(error_of_edited_cohort0("s3", "\ns3").find("' line 4: expected 9 fields"),
            std::string::npos);
}

TEST_F(InputTest, LaterCohortsMustListTheSameSnps) {
  data d;
  d.intensity_files = {write("a.txt", cohort0),
                       write("b.txt", edited(cohort1, "s3 rs3", "s3 rs9"))};
  EXPECT_EQ(error_of(d), "intensity file '" + path("b.txt") +
                             "' line 4: SNP s3 [rs9], but intensity file '" +
                             path("a.txt") + "' has SNP s3 [rs3] at the same line");

  data e;
  e.intensity_files = {write("a.txt", cohort0),
                       write("b.txt", edited(cohort1, "s2 rs2", "x2 rs2"))};
  EXPECT_NE(error_of(e).find("line 3: SNP x2 [rs2]"), std::string::npos);

  // And the same position and alleles: cohort 0's keys label the results,
  // and alleles in the other order swap the meaning of x and y.
  const struct {
    const char *from, *to;
    std::string message;
    std::string a = cohort0;  // cohort 0's file
  } keys[] = {
      {"200 G T", "201 G T",
       "intensity file '{b}' line 3: SNP s2 [rs2] has position 201, but intensity "
       "file '{a}' has position 200 at the same line"},
      {"300 A G", "300 G A",
       "intensity file '{b}' line 4: SNP s3 [rs3] has alleles G A, but intensity "
       "file '{a}' has alleles A G at the same line: the same alleles in the other "
       "order, so x and y may be swapped as well; every cohort's file must give the "
       "alleles, and x and y with them, in one order"},
      {"200 G T", "201 g t",
       "intensity file '{b}' line 3: SNP s2 [rs2] has position 201 and alleles g t, "
       "but intensity file '{a}' has position 200 and alleles G T at the same line"},
      {"200 G T", "200 G G",
       "intensity file '{b}' line 3: SNP s2 [rs2] has alleles G G, but intensity "
       "file '{a}' has alleles G T at the same line"},
      {"300 A G", "301 0 0",
       "intensity file '{b}' line 4: SNP s3 [rs3] has position 301, but intensity "
       "file '{a}' has position 300 at the same line",
       edited(cohort0, "300 A G", "300 0 0")},
  };
  for (const auto& k : keys) {
    data f;
    f.intensity_files = {write("a.txt", k.a),
                         write("b.txt", edited(cohort1, k.from, k.to))};
    EXPECT_EQ(error_of(f), expanded(k.message, f));
  }

  // A later file shorter than the range.
  std::string shorter = cohort1;
  shorter.resize(shorter.find("s4"));
  data g;
  g.intensity_files = {write("a.txt", cohort0), write("b.txt", shorter)};
  EXPECT_EQ(error_of(g),
            "intensity file '" + path("b.txt") + "' ends at line 4, before SNP 4");
  data h;
  h.snp_start = 4;
  h.intensity_files = {write("a.txt", cohort0), write("b.txt", shorter)};
  EXPECT_EQ(error_of(h),
            "intensity file '" + path("b.txt") + "' ends at line 4, before SNP 4");
}

TEST_F(InputTest, SnpInformationGivesPriorFrequencies) {
  data d;
  d.intensity_files = {write("a.txt", cohort0), write("b.txt", cohort1)};
  d.info_file = write("info.txt",
                      "rs1 100 A C 0.25\n"
                      "rs2 200 G T 0\n"
                      "rs3 300 A G 1\n"
                      "rs4 400 C T 0.75\n\n");
  std::string log;
  read(d, &log);
  EXPECT_EQ(d.snps[0].prior_freq, 0.25);
  EXPECT_EQ(d.snps[1].prior_freq, 0.0);
  EXPECT_EQ(d.snps[2].prior_freq, 1.0);
  EXPECT_EQ(d.snps[3].prior_freq, 0.75);
  EXPECT_NE(log.find("\r snp [1/4] read SNP information \n\r snp [2/4]"),
            std::string::npos);
  // Only alongside the first cohort.
  EXPECT_EQ(log.rfind(" read SNP information "), log.find("\r snp [4/4] read SNP") + 11);

  // A range that starts later skips the lines of the SNPs before it.
  data e;
  e.snp_start = 3;
  e.intensity_files = {write("a.txt", cohort0)};
  e.info_file = d.info_file;
  read(e);
  EXPECT_EQ(e.snps[0].prior_freq, 1.0);
  EXPECT_EQ(e.snps[1].prior_freq, 0.75);
}

TEST_F(InputTest, SnpInformationMismatchesAndGaps) {
  data d;
  d.intensity_files = {write("a.txt", cohort0)};
  d.info_file = write("info.txt",
                      "rs1 100 A C 0.25\n"
                      "rsX 200 G T 0.3\n"
                      "rs3 300 A G 1.5\n");
  std::string log;
  read(d, &log);
  EXPECT_EQ(d.snps[0].prior_freq, 0.25);
  EXPECT_EQ(d.snps[1].prior_freq, -1.0);  // mismatched rs
  EXPECT_EQ(d.snps[2].prior_freq, -1.0);  // outside [0, 1]
  EXPECT_EQ(d.snps[3].prior_freq, -1.0);  // the file ended
  EXPECT_EQ(d.snps_without_prior, 3);
  EXPECT_EQ(missing_priors_warning(d),
            "3 of 4 SNPs got no prior frequency from SNP-information file '" +
                path("info.txt") +
                "' (an rs that differs from the intensity file's, a frequency "
                "that is missing or outside [0, 1], or a file that ends early); "
                "the log's \"MISMATCH!!!!!\" and \"warning:\" lines say which");
  EXPECT_NE(log.find(" read SNP information \nMISMATCH!!!!!\nrsX rs2\n"),
            std::string::npos);
  EXPECT_NE(log.find("warning: SNP-information file '" + path("info.txt") +
                     "' line 3: prior frequency 1.5 of rs3 lies outside [0, 1]"),
            std::string::npos);
  // The file is still open, so SNP 4 logs its read before the warning.
  EXPECT_NE(log.find("\r snp [4/4] read SNP information \nwarning: "
                     "SNP-information file '" +
                     path("info.txt") + "' ends before SNP 4 [rs4]"),
            std::string::npos);

  // Ends before the range starts.
  data e;
  e.snp_start = 3;
  e.intensity_files = {d.intensity_files[0]};
  e.info_file = write("short.txt", "rs1 100 A C 0.25\n");
  read(e, &log);
  EXPECT_EQ(e.snps[0].prior_freq, -1.0);
  EXPECT_EQ(e.snps[1].prior_freq, -1.0);
  EXPECT_NE(log.find("\r snp [1/2] read SNP information \nwarning: "
                     "SNP-information file '" +
                     path("short.txt") +
                     "' ends before SNP 3 [rs3]: it and every later SNP get "
                     "no prior frequency\n\r snp [2/2] read SNP information "
                     "\n\n..done\n"),
            std::string::npos);
  EXPECT_EQ(log.find("warning"), log.rfind("warning"));  // warned once
  EXPECT_EQ(e.snps_without_prior, 2);

  // Every SNP with its prior: nothing to warn of.
  data f;
  f.intensity_files = {d.intensity_files[0]};
  f.info_file =
      write("full.txt", "rs1 1 A C 0.1\nrs2 2 G T 0.2\nrs3 3 A G 0.3\nrs4 4 C T 1\n");
  read(f);
  EXPECT_EQ(f.snps_without_prior, 0);
  EXPECT_EQ(missing_priors_warning(f), "");

  // -paf gives every SNP a prior frequency, so none runs without one.
  d.use_paf = true;
  EXPECT_EQ(missing_priors_warning(d), "");
}

TEST_F(InputTest, MissingPriorFrequencyGivesNoPrior) {
  // NA or NaN in any letter case is an unknown frequency, logged like one
  // outside [0, 1]; a mismatched rs is still reported as such.
  data d;
  d.intensity_files = {write("a.txt", cohort0)};
  d.info_file = write("info.txt",
                      "rs1 100 A C NA\n"
                      "rs2 200 G T nan\n"
                      "rs3 300 A G 0.3\n"
                      "rsX 400 C T NaN\n");
  std::string log;
  read(d, &log);
  EXPECT_EQ(d.snps[0].prior_freq, -1.0);
  EXPECT_EQ(d.snps[1].prior_freq, -1.0);
  EXPECT_EQ(d.snps[2].prior_freq, 0.3);
  EXPECT_EQ(d.snps[3].prior_freq, -1.0);
  EXPECT_EQ(d.snps_without_prior, 3);
  EXPECT_NE(log.find("warning: SNP-information file '" + path("info.txt") +
                     "' line 1: prior frequency NA of rs1 is missing; the SNP gets "
                     "no prior frequency\n"),
            std::string::npos);
  EXPECT_NE(log.find("' line 2: prior frequency nan of rs2 is missing"),
            std::string::npos);
  EXPECT_NE(log.find("MISMATCH!!!!!\nrsX rs4\n"), std::string::npos);
  EXPECT_EQ(log.find("line 4: prior"), std::string::npos);
}

TEST_F(InputTest, SnpInformationFaults) {
  data fields;
  fields.intensity_files = {write("a.txt", cohort0)};
  fields.info_file = write("info.txt", "rs1 100 A C 0.25\nrs2 200 G 0.3\n");
  EXPECT_EQ(error_of(fields), "SNP-information file '" + path("info.txt") +
                                  "' line 2: expected 5 fields (rs, three more, prior "
                                  "frequency), got 4");

  data number;
  number.intensity_files = {write("a.txt", cohort0)};
  number.info_file = write("info.txt", "rs1 100 A C 0.2x\n");
  EXPECT_EQ(error_of(number), "SNP-information file '" + path("info.txt") +
                                  "' line 1: prior frequency '0.2x' is not a number");

  data blank;
  blank.intensity_files = {write("a.txt", cohort0)};
  blank.info_file = write("info.txt", "rs1 100 A C 0.1\n\nrs3 300 A G 0.3\n");
  EXPECT_EQ(error_of(blank),
            "SNP-information file '" + path("info.txt") + "' line 2 is blank");
}

TEST_F(InputTest, SexFilesAreCountedAndKept) {
  data d;
  d.chrX = true;
  d.intensity_files = {write("a.txt", cohort0), write("b.txt", cohort1)};
  // The last code has no line end.
  d.sex_files = {write("s0.txt", "1\n2\n"), write("s1.txt", "0 1\r\n1")};
  std::string log;
  read(d, &log);
  EXPECT_EQ(d.sex, (ivec2{{1, 2}, {0, 1, 1}}));
  EXPECT_EQ(d.sex_counts, (ivec2{{0, 1, 1}, {1, 2, 0}}));
  EXPECT_NE(log.find("reading data\nassuming X chromosome mode\n"), std::string::npos);
  EXPECT_NE(log.find(" cohort 1 # ind = 3\nreading file " + path("s1.txt") +
                     "\n # males = 2\t# females = 0\t# unknown 1\n"),
            std::string::npos);
}

TEST_F(InputTest, SexCountLineOfTheSpecifiedExample) {
  std::string four =
      "SNP_ID rs position allele1 allele2 a a b b c c d d\n"
      "s1 rs1 1 A C 1 1 2 2 3 3 4 4\n";
  data d;
  d.chrX = true;
  d.intensity_files = {write("a.txt", four)};
  d.sex_files = {write("s.txt", "1 1 2 0\n")};
  std::string log;
  read(d, &log);
  EXPECT_NE(log.find(" # males = 2\t# females = 1\t# unknown 1\n"), std::string::npos);
}

TEST_F(InputTest, SexFileFaults) {
  const std::string a = write("a.txt", cohort0);
  data code;
  code.chrX = true;
  code.intensity_files = {a};
  code.sex_files = {write("s.txt", "1\n3\n")};
  EXPECT_EQ(error_of(code), "sex file '" + path("s.txt") +
                                "' line 2: sex code '3' is not 0 (unknown), 1 "
                                "(male) or 2 (female)");

  data word;
  word.chrX = true;
  word.intensity_files = {a};
  word.sex_files = {write("s.txt", "1 M\n")};
  EXPECT_NE(error_of(word).find("line 1: sex code 'M' is not"), std::string::npos);

  data count;
  count.chrX = true;
  count.intensity_files = {a};
  count.sex_files = {write("s.txt", "1\n")};
  std::string log;
  EXPECT_EQ(error_of(count, &log), "sex file '" + path("s.txt") +
                                       "' holds 1 code, but cohort 0 "
                                       "(intensity file '" +
                                       a + "') has 2 individuals");
  EXPECT_NE(log.find(" # males = 1\t# females = 0\t# unknown 0\n"
                     "sex file doesn't contain correct number of individuals\n"
                     " 1  2\n"),
            std::string::npos);

  data unknown;
  unknown.chrX = true;
  unknown.intensity_files = {a};
  unknown.sex_files = {write("s.txt", "0\n0\n")};
  EXPECT_EQ(error_of(unknown),
            "sex file '" + path("s.txt") +
                "' of cohort 0: no individual of known sex (every code is 0); "
                "X-chromosome mode needs males or females");

  data too_few;
  too_few.chrX = true;
  too_few.intensity_files = {a, a};
  too_few.sex_files = {write("s.txt", "1 2\n")};
  EXPECT_NE(
      error_of(too_few).find("-chrX: X-chromosome mode needs one sex file per cohort"),
      std::string::npos);
}

TEST_F(InputTest, MissingIntensitiesAreLeftOutOfThePoints) {
  // NaN or NA in any letter case, in x or y, makes the point missing; the
  // same text read plain and gzip-compressed gives the same records.
  std::string text = edited(cohort0, "0.1 0.9 0.8 0.2", "NaN 0.9 0.8 0.2");
  text = edited(text, "1.5 0.25 0.5 0.5", "nan NA 0.5 na");
  text = edited(text, "0.3 0.3 0.7 0.6", "0.3 0.3 0.7 nA");
  for (bool gz : {false, true}) {
    SCOPED_TRACE(gz);
    data d;
    d.gz = gz;
    d.intensity_files = {
        gz ? write_compressed("a.gz", text, true, false) : write("a.txt", text),
        gz ? write_compressed("b.gz", cohort1, true, false) : write("b.txt", cohort1)};
    std::string log;
    read(d, &log);
    EXPECT_EQ(d.n_ind, (std::vector<int>{2, 3}));
    const std::vector<std::vector<double> > none;
    const std::vector<std::vector<std::vector<double> > > points = {
        pts({{0.8, 0.2}}), none, pts({{0.3, 0.3}}), pts({{0.01, 1}, {2, 3}})};
    const ivec2 missing = {{0}, {0, 1}, {1}, {}};
    for (size_t k = 0; k < 4; k++) {
      SCOPED_TRACE(k);
      EXPECT_EQ(d.snps[k].points[0], points[k]);
      EXPECT_EQ(d.snps[k].cohort_of[0], std::vector<int>(points[k].size(), 0));
      EXPECT_EQ(d.snps[k].missing, (ivec2{missing[k], {}}));
      EXPECT_EQ(d.snps[k].points[1].size(), 3u);
    }
    EXPECT_NE(log.find(" cohort 0 # missing points = 4\n"), std::string::npos);
    EXPECT_EQ(log.find(" cohort 1 # missing"), std::string::npos);
  }
}

TEST_F(InputTest, FieldsTheFitCannotUseNameFileAndLine) {
  const std::string nul(1, '\0');
  const std::string a = path("a.txt");
  const struct {
    std::string from, to, message;
  } cases[] = {
      {"0.3 0.3 0.7", "0.3 0.3 inf",
       "' line 4: x intensity of individual 2 is 'inf', not a number"},
      {"0.3 0.3 0.7", "0.3 0.3 NaNa",
       "' line 4: x intensity of individual 2 is 'NaNa', not a number"},
      {"0.3 0.3 0.7 0.6", "0.3 0.3 0.7 -1.5e150",
       "' line 4: y intensity of individual 2 is '-1.5e150', beyond 1e150 in "
       "magnitude, the largest the likelihood can carry"},
      {"0.3 0.3", "0.5" + nul + "junk 0.3", "' line 4: field 6 holds a NUL byte"},
      {"s2 rs2", "s2 rs" + nul + "zz", "' line 3: field 2 holds a NUL byte"},
      {"b_x", "b" + nul + "_x", "' line 1: field 8 holds a NUL byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(error_of_edited_cohort0(c.from, c.to), "intensity file '" + a + c.message);
  }
  // The largest magnitude itself is read.
  data largest;
  largest.intensity_files = {write("a.txt", edited(cohort0, "0.3 0.3", "1e150 -1e150"))};
  EXPECT_EQ(error_of(largest), "");

  data info;
  info.intensity_files = {write("a.txt", cohort0)};
  info.info_file = write("info.txt", "rs1 100 A C 0.25\nrs2 200 G T 0.3" + nul + "1\n");
  EXPECT_EQ(error_of(info), "SNP-information file '" + path("info.txt") +
                                "' line 2: field 5 holds a NUL byte");

  data sex;
  sex.chrX = true;
  sex.intensity_files = {write("a.txt", cohort0)};
  sex.sex_files = {write("s.txt", "1\n2" + nul + "\n")};
  EXPECT_EQ(error_of(sex),
            "sex file '" + path("s.txt") + "' line 2: field 1 holds a NUL byte");
}

TEST_F(InputTest, InputFilesMustBeRegularFiles) {
  // A pipe is refused before it is opened (opening one without a writer
  // would hang), and so is a directory.
  const std::string fifo = path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string a = write("a.txt", cohort0);
  const std::string reason =
      " is not a regular file: input files must be files on disk (an "
      "intensity file is read more than once), not pipes or devices";

  for (const std::string& odd : {fifo, dir_}) {
    SCOPED_TRACE(odd);
    data first;
    first.intensity_files = {odd};
    EXPECT_EQ(error_of(first), "intensity file '" + odd + "'" + reason);

    data second;
    second.intensity_files = {a, odd};
    EXPECT_EQ(error_of(second), "intensity file '" + odd + "'" + reason);

    data info;
    info.intensity_files = {a};
    info.info_file = odd;
    EXPECT_EQ(error_of(info), "SNP-information file '" + odd + "'" + reason);

    data sex;
    sex.chrX = true;
    sex.intensity_files = {a};
    sex.sex_files = {odd};
    EXPECT_EQ(error_of(sex), "sex file '" + odd + "'" + reason);
  }
}

TEST_F(InputTest, SkippedLinesAreCheckedForLayout) {
  // -snps checks the lines before its range as a full run does, by their
  // layout only, so that SNP s is always line s + 1.
  const std::string info =
      "rs1 100 A C 0.25\n"
      "rs2 200 G T 0.5\n"
      "rs3 300 A G 0.75\n"
      "rs4 400 C T 1\n";
  // An intensity file of the key columns `names` and three individuals, whose
  // four SNP lines hold s1 .. s4, the other `keys` and the intensities.
  auto keys_and_points = [](const std::string& names, const std::string& keys) {
    std::string text = names + " a_x a_y b_x b_y c_x c_y\n";
    for (int k = 1; k <= 4; ++k)
      text += "s" + std::to_string(k) + " " + keys + " 0.1 0.9 0.8 0.2 0.5 0.5\n";
    return text;
  };
  const struct {
    const char* what;
    std::string a, b, f;  // cohort files and SNP-information file ("": none)
    int start;
    std::string message;  // "" when the file is read
    std::vector<int> zero_allele_cohorts = {};
  } cases[] = {
      {"blank line in cohort 0", edited(cohort0, "s3", "\ns3"), cohort1, "", 4,
       "intensity file '{a}' line 4: expected 9 fields (5 keys, then x and y of "
       "each of 2 individuals), got 0"},
      {"short line in cohort 1", cohort0, edited(cohort1, "9 10 11 12", "9 10 11"), "", 3,
       "intensity file '{b}' line 3: expected 11 fields (5 keys, then x and y of "
       "each of 3 individuals), got 10"},
      {"long line ending in blanks", edited(cohort0, "0.5 0.5\n", "0.5 0.5 9 \t\n"),
       cohort1, "", 4, "intensity file '{a}' line 3: expected 9 fields"},
      {"numbers of skipped lines are not read", edited(cohort0, "0.1 0.9", "abc 0.9"),
       cohort1, "", 2, ""},
      {"blank SNP-information line", cohort0, cohort1, edited(info, "rs3", "\nrs3"), 4,
       "SNP-information file '{f}' line 3 is blank"},
      {"SNP-information line of 4 fields", cohort0, cohort1,
       edited(info, "A C 0.25", "A C"), 3,
       "SNP-information file '{f}' line 1: expected 5 fields (rs, three more, "
       "prior frequency), got 4"},
      {"SNP-information frequency of a skipped line is not read", cohort0, cohort1,
       edited(info, "0.5", "x"), 3, ""},
      {"blank lines end the SNP-information file", cohort0, cohort1,
       "rs1 100 A C 0.25\n\n \n", 4, ""},
      // Files of fewer key columns than five, three individuals each.
      {"three key columns: the count fits", keys_and_points("Name Chr Position", "1 100"),
       cohort1, "", 3,
       "intensity file '{a}' line 2: the allele fields (4 and 5) are '0.1' and "
       "'0.9', numbers with a fraction: the file seems to have fewer than the five "
       "key columns (SNP_ID, rs, position, allele1, allele2) before the x and y of "
       "each individual"},
      {"two key columns: an odd count after five",
       keys_and_points("Name Position", "100"), cohort1, "", 3,
       "intensity file '{a}' line 2: the allele fields (4 and 5) are '0.9' and "
       "'0.8', numbers with a fraction: the file seems to have fewer"},
      {"three key columns, the first sample missing on every SNP",
       keys_and_points("Name Chr Position s_x s_y", "1 100 NaN na"), cohort1, "", 3,
       "intensity file '{a}' line 2: the allele fields (4 and 5) are 'NaN' and 'na', "
       "and on every SNP line read each allele field is a missing-value mark or 0: "
       "the file seems to have fewer than the five key columns"},
      {"three key columns, the first sample NaN 0 on one SNP and 0 0 on the others",
       edited(keys_and_points("Name Chr Position s_x s_y", "1 100 0 0"), "s3 1 100 0",
              "s3 1 100 NaN"),
       cohort1, "", 3,
       "intensity file '{a}' line 4: the allele fields (4 and 5) are 'NaN' and '0', and"},
      {"missing-value marks as the alleles of one SNP", edited(cohort0, "G T", "NA NA"),
       edited(cohort1, "G T", "NA NA"), "", 2, ""},
      // Cohort 0 reads 0 0 at SNPs 3 and 4 only, cohort 1 on every line.
      {"the range inside SNPs of alleles 0 0",
       edited(edited(cohort0, "A G", "0 0"), "C T", "0 0"),
       keys_and_points("SNP_ID rs position allele1 allele2", "rs4 400 0 0"), "", 4, "",
       std::vector<int>{1}},
      {"three key columns, the first sample half missing",
       keys_and_points("Name Chr Position s_x s_y", "1 100 NA 9e-1"), cohort1, "", 3,
       "intensity file '{a}' line 2: the allele fields (4 and 5) are 'NA' and '9e-1', "
       "a missing-value mark and a number with a fraction: the file seems to have"},
      {"four key columns: an odd count after five",
       keys_and_points("SNP_ID rs position alleles", "rs1 100 A/C"), cohort1, "", 3,
       "intensity file '{a}' line 1: the header has 5 names after the 5 key columns, "
       "an odd number (two per individual: x and y); line 2: expected 9 fields (5 "
       "keys, then x and y of each of 2 individuals), got 10; allele2 (field 5) is "
       "'0.1', a number with a fraction: the file seems to have fewer than the five "
       "key columns"},
      {"whole-number alleles", edited(cohort0, "A C", "1 2"),
       edited(cohort1, "A C", "1 2"), "", 1, ""},
  };
  for (const auto& c : cases) {
    for (bool gz : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (gz ? ", gzip" : ", plain"));
      data d;
      set_intensity_files(d, {c.a, c.b}, gz);
      if (!c.f.empty()) d.info_file = write("info.txt", c.f);
      d.snp_start = c.start;
      const std::string e = error_of(d);
      if (c.message.empty()) {
        EXPECT_EQ(e, "");
        EXPECT_EQ(d.snps[0].rs, "rs" + std::to_string(c.start));
        EXPECT_EQ(d.zero_allele_cohorts, c.zero_allele_cohorts);
        continue;
      }
      const std::string want = expanded(c.message, d);
      EXPECT_EQ(e.substr(0, want.size()), want);

      // A full run refuses the line with the same words.
      data full;
      set_intensity_files(full, {c.a, c.b}, gz);
      full.info_file = d.info_file;
      EXPECT_EQ(error_of(full), e);
    }
  }
}

TEST_F(InputTest, LaterFileWithFurtherSnpLinesIsRefused) {
  const std::string extra = "s5 rs5 500 A T 1 2 3 4 5 6\n";
  const struct {
    const char* what;
    std::string b;
    int start, end;
    std::string message;  // "" when the files are read
  } cases[] = {
      {"one more SNP", std::string(cohort1) + extra, -1, -1,
       "intensity file '{b}' line 6: a further SNP line: intensity file '{a}' "
       "holds 4 SNPs (the last on line 5), and every cohort's file must hold the "
       "same SNP lines"},
      {"after blank lines", std::string(cohort1) + "\n \r\n" + extra, 2, 0,
       "intensity file '{b}' line 8: a further SNP line"},
      {"blank lines only", std::string(cohort1) + "\n\t\n", -1, -1, ""},
      {"a range that ends before the last SNP", std::string(cohort1) + extra, 1, 3, ""},
  };
  for (const auto& c : cases) {
    for (bool gz : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (gz ? ", gzip" : ", plain"));
      data d;
      set_intensity_files(d, {cohort0, c.b}, gz);
      d.snp_start = c.start;
      d.snp_end = c.end;
      const std::string e = error_of(d);
      const std::string want = expanded(c.message, d);
      EXPECT_EQ(e.substr(0, want.size()), want);
      if (want.empty()) {
        EXPECT_EQ(e, "");
      }
    }
  }
}

TEST_F(InputTest, HeaderThatIsASnpLineIsRefused) {
  const std::string snp_lines =
      std::string(cohort0).substr(std::string(cohort0).find("s1"));
  const struct {
    const char* what;
    std::string text;
    std::string message;  // "" when the file is read
  } cases[] = {
      {"no header line", snp_lines,
       "intensity file '{a}' line 1: the header line seems missing: every name "
       "after the 5 key columns reads as a number, and '0.1' is not a whole "
       "number; line 1 must name the columns (5 keys, then two names per "
       "individual)"},
      {"whole-number intensities", "s0 rs0 100 A C 512 NA 77 430\n" + snp_lines,
       "intensity file '{a}' line 1: the header line seems missing: every name "
       "after the 5 key columns reads as a number, and the position (the third "
       "key column) is the whole number '100'; line 1 must name the columns (5 "
       "keys, then two names per individual)"},
      {"missing values and one fraction", "s0 rs0 1 A C NA nan 7 2.5e-1\n" + snp_lines,
       "intensity file '{a}' line 1: the header line seems missing: every name "
       "after the 5 key columns reads as a number, and '2.5e-1' is not"},
      {"sample names that are whole numbers",
       "SNP_ID rs position allele1 allele2 1001 1001 1002 1002\n" + snp_lines, ""},
      {"whole numbers and missing values", "a b c d e 1.0 NA 12 -3\n" + snp_lines, ""},
      {"a name among numbers", "a b c d e 0.5 0.25 x_1 0.75\n" + snp_lines, ""},
  };
  for (const auto& c : cases) {
    for (bool gz : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (gz ? ", gzip" : ", plain"));
      data d;
      set_intensity_files(d, {c.text}, gz);
      const std::string e = error_of(d);
      const std::string want = expanded(c.message, d);
      EXPECT_EQ(e.substr(0, want.size()), want);
      if (want.empty()) {
        EXPECT_EQ(e, "");
        EXPECT_EQ(d.n_ind[0], 2);
      }
    }
  }
}

TEST_F(InputTest, ByteOrderMarkIsSkipped) {
  // Every input file may start with a UTF-8 byte-order mark: it reads as the
  // file without it, intensity files plain and compressed alike.
  const std::string bom = "\xEF\xBB\xBF";
  const std::string info = "rs1 1 A C 0.1\nrs2 2 G T 0.2\nrs3 3 A G 0.3\nrs4 4 C T 0.4\n";
  for (bool gz : {false, true}) {
    SCOPED_TRACE(gz ? "gzip" : "plain");
    data plain, marked;
    plain.chrX = marked.chrX = true;
    set_intensity_files(plain, {cohort0, cohort1}, gz);
    plain.info_file = write("info.txt", info);
    plain.sex_files = {write("s0.txt", "1\n2\n"), write("s1.txt", "2 0 1\n")};
    std::string plain_log;
    read(plain, &plain_log);

    set_intensity_files(marked, {bom + cohort0, bom + cohort1}, gz);
    marked.info_file = write("info_bom.txt", bom + info);
    marked.sex_files = {write("s0_bom.txt", bom + "1\n2\n"),
                        write("s1_bom.txt", bom + "2 0 1\n")};
    std::string marked_log;
    read(marked, &marked_log);

    EXPECT_EQ(marked.n_ind, plain.n_ind);
    EXPECT_EQ(marked.sex, plain.sex);
    ASSERT_EQ(marked.snps.size(), plain.snps.size());
    for (size_t k = 0; k < plain.snps.size(); ++k) {
      EXPECT_EQ(marked.snps[k].SNP_ID, plain.snps[k].SNP_ID);
      EXPECT_EQ(marked.snps[k].prior_freq, plain.snps[k].prior_freq);
      EXPECT_EQ(marked.snps[k].points, plain.snps[k].points);
    }
    EXPECT_EQ(marked.snps_without_prior, 0);
    EXPECT_EQ(marked_log.find("MISMATCH"), std::string::npos);
  }
  // A file of a mark and blank lines is empty.
  data empty;
  empty.intensity_files = {write("empty.txt", bom + "\n\n")};
  EXPECT_EQ(error_of(empty), "intensity file '" + path("empty.txt") + "' is empty");
  std::istringstream marked_lines(bom + "h\n1\n\n");
  EXPECT_EQ(tally_lines(marked_lines, "f").last_filled_line, 2);
}

TEST_F(InputTest, QuotedFieldsShowUnprintableBytes) {
  const struct {
    std::string field, shown;
  } cases[] = {
      {"rs1", "rs1"},
      {"a b~", "a b~"},
      {"\xEF\xBB\xBF"
       "1",
       "\\xEF\\xBB\\xBF1"},
      {"\t\x7F", "\\x09\\x7F"},
      {"caf\xC3\xA9", "caf\\xC3\\xA9"},
  };
  for (const auto& c : cases) EXPECT_EQ(printable(c.field), c.shown) << c.shown;

  // A mark that is not at the start of the file is quoted, not skipped.
  data sex;
  sex.chrX = true;
  sex.intensity_files = {write("a.txt", cohort0)};
  sex.sex_files = {write("s.txt",
                         "1\n\xEF\xBB\xBF"
                         "2\n")};
  EXPECT_EQ(error_of(sex), "sex file '" + path("s.txt") +
                               "' line 2: sex code '\\xEF\\xBB\\xBF2' is not 0 "
                               "(unknown), 1 (male) or 2 (female)");
  EXPECT_NE(error_of_edited_cohort0("0.3 0.3 0.7", "0.3 0.3 0\x01.7")
                .find("x intensity of individual 2 is '0\\x01.7', not a number"),
            std::string::npos);
}

}  // namespace
