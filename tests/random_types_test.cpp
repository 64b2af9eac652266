// ExtReal arithmetic and printing; SimpleString.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "extreal.h"
#include "simpstr.h"

namespace {

const ExtReal plus_inf(PlusInfinity);
const ExtReal minus_inf(MinusInfinity);
const ExtReal indefinite(Indefinite);
const ExtReal missing(Missing);

std::string printed(const ExtReal& e) {
  std::ostringstream s;
  s << e;
  return s.str();
}

TEST(ExtReal, FiniteArithmeticIsPlainArithmetic) {
  const ExtReal a(2.5), b(-4.0);
  EXPECT_EQ((a + b).Value(), -1.5);
  EXPECT_EQ((a - b).Value(), 6.5);
  EXPECT_EQ((a * b).Value(), -10.0);
  EXPECT_EQ((-a).Value(), -2.5);
  EXPECT_EQ((a * b).Code(), Finite);
  EXPECT_TRUE(a.IsReal());
  EXPECT_FALSE(plus_inf.IsReal());
}

TEST(ExtReal, RulesForInfinitiesAndSpecialCodes) {
  const ExtReal five(5.0), zero(0.0), minus_two(-2.0);
  EXPECT_EQ((five - plus_inf).Code(), MinusInfinity);
  EXPECT_EQ((five - minus_inf).Code(), PlusInfinity);
  EXPECT_EQ((five + minus_inf).Code(), MinusInfinity);
  EXPECT_EQ((plus_inf - plus_inf).Code(), Indefinite);
  EXPECT_EQ((minus_inf - minus_inf).Code(), Indefinite);
  EXPECT_EQ((plus_inf - minus_inf).Code(), PlusInfinity);
  EXPECT_EQ((minus_inf - five).Code(), MinusInfinity);
  EXPECT_EQ((minus_inf + plus_inf).Code(), Indefinite);
  EXPECT_EQ((plus_inf + minus_inf).Code(), Indefinite);
  EXPECT_EQ((plus_inf + five).Code(), PlusInfinity);
  EXPECT_EQ((zero * minus_inf).Code(), Indefinite);
  EXPECT_EQ((plus_inf * zero).Code(), Indefinite);
  EXPECT_EQ((minus_two * minus_inf).Code(), PlusInfinity);
  EXPECT_EQ((minus_two * plus_inf).Code(), MinusInfinity);
  EXPECT_EQ((minus_inf * minus_inf).Code(), PlusInfinity);
  EXPECT_EQ((plus_inf * minus_inf).Code(), MinusInfinity);
  // Missing wins over indefinite, indefinite over the infinities.
  EXPECT_EQ((missing + indefinite).Code(), Missing);
  EXPECT_EQ((indefinite * missing).Code(), Missing);
  EXPECT_EQ((indefinite - plus_inf).Code(), Indefinite);
  EXPECT_EQ((five * indefinite).Code(), Indefinite);
  EXPECT_EQ((plus_inf + missing).Code(), Missing);
  // Unary minus.
  EXPECT_EQ((-plus_inf).Code(), MinusInfinity);
  EXPECT_EQ((-minus_inf).Code(), PlusInfinity);
  EXPECT_EQ((-indefinite).Code(), Indefinite);
  EXPECT_EQ((-missing).Code(), Missing);
}

TEST(ExtReal, Printing) {
  EXPECT_EQ(printed(ExtReal(2.5)), "2.5");
  EXPECT_EQ(printed(plus_inf), "plus-infinity");
  EXPECT_EQ(printed(minus_inf), "minus-infinity");
  EXPECT_EQ(printed(indefinite), "indefinite");
  EXPECT_EQ(printed(missing), "missing");
  std::ostringstream s;
  s.precision(3);
  s << ExtReal(3.14159) << '|' << missing;
  EXPECT_EQ(s.str(), "3.14|missing");
}

std::string text(const SimpleString& s) { return std::string(s.CString(), s.Length()); }

TEST(SimpleString, Construction) {
  SimpleString empty;
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_STREQ(empty.CString(), "");
  SimpleString xs(3, 'x');
  EXPECT_EQ(text(xs), "xxx");
  EXPECT_EQ(xs.CString()[3], '\0');
  EXPECT_EQ(SimpleString(0, 'x').Length(), 0u);
  SimpleString from("dir/");
  SimpleString copy(from);
  EXPECT_EQ(text(copy), "dir/");
  EXPECT_NE(copy.CString(), from.CString());  // deep copy
  // Interior NULs count.
  SimpleString nuls(2, '\0');
  EXPECT_EQ(nuls.Length(), 2u);
}

TEST(SimpleString, Concatenation) {
  const SimpleString ab("ab");
  EXPECT_EQ(text(ab + 'c'), "abc");
  EXPECT_EQ(text('c' + ab), "cab");
  EXPECT_EQ(text("dir/" + SimpleString("f")), "dir/f");
  EXPECT_EQ(text(SimpleString("dir/") + "mt19937.txt"), "dir/mt19937.txt");
  EXPECT_EQ(text(ab + ab), "abab");
  EXPECT_EQ(text(ab), "ab");  // operands unchanged
  const SimpleString joined = ab + '\0' + "z";
  EXPECT_EQ(joined.Length(), 4u);
  EXPECT_EQ(std::memcmp(joined.CString(), "ab\0z", 5), 0);
}

TEST(SimpleString, AssignmentAndAppending) {
  SimpleString s("a");
  s = "a much longer text";
  s = "short";
  EXPECT_EQ(text(s), "short");
  EXPECT_EQ(s.Length(), 5u);
  s = 'q';
  EXPECT_EQ(text(s), "q");
  s = SimpleString("from a string");
  EXPECT_EQ(text(s), "from a string");

  SimpleString t("ab");
  const char* before = t.CString();
  t += "";
  EXPECT_EQ(text(t), "ab");
  EXPECT_NE(t.CString(), before);  // a new buffer all the same
  t += 'c';
  t += "de";
  t += SimpleString("fg");
  EXPECT_EQ(text(t), "abcdefg");
  t += '\0';
  EXPECT_EQ(t.Length(), 8u);
}

TEST(SimpleString, SelfAssignmentAndSelfAppending) {
  SimpleString s("abc");
  s = s;
  EXPECT_EQ(text(s), "abc");
  s += s;
  EXPECT_EQ(text(s), "abcabc");
  s += s.CString();
  EXPECT_EQ(text(s), "abcabcabcabc");
  s = s.CString() + 3;
  EXPECT_EQ(text(s), "abcabcabc");
}

}  // namespace
