// SimpleString: the random-variate library's own minimal owned string.  It
// holds the seed-file directory and builds seed-file paths.  Every operation
// that changes the content allocates one new buffer, fills it and only then
// releases the old one, so a string can safely be assigned or appended to
// itself and stays intact when an allocation fails.
#ifndef VARGEN_SIMPSTR_H
#define VARGEN_SIMPSTR_H

#include <cstdint>

class SimpleString {
 public:
  SimpleString();
  SimpleString(const char* s);
  SimpleString(const SimpleString& t);
  SimpleString(unsigned int n, char c);
  ~SimpleString();

  void operator=(char c);
  void operator=(const char* s);
  void operator=(const SimpleString& t);
  void operator+=(char c);
  void operator+=(const char* s);
  void operator+=(const SimpleString& t);

  // The characters followed by a NUL; interior NULs are part of the content.
  const char* CString() const { return buffer; }
  std::uint32_t Length() const { return length; }

 private:
  // Replaces the content by the n1 characters at s1 followed by the n2
  // characters at s2.
  void Replace(const char* s1, std::uint32_t n1, const char* s2, std::uint32_t n2);

  char* buffer;
  std::uint32_t length;
};

SimpleString operator+(const SimpleString& a, char c);
SimpleString operator+(char c, const SimpleString& a);
SimpleString operator+(const SimpleString& a, const char* s);
SimpleString operator+(const char* s, const SimpleString& a);
SimpleString operator+(const SimpleString& a, const SimpleString& b);

#endif
