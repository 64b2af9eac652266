// SimpleString: construction, assignment, appending and concatenation.
#include "simpstr.h"

#include <cstring>
#include <new>

#include "myexcept.h"

namespace {

// A buffer of n characters plus the terminator; a failed allocation throws
// newmat's Bad_alloc without a message text.
char* allocate(std::uint32_t n) {
  char* p = new (std::nothrow) char[static_cast<std::size_t>(n) + 1];
  if (!p) throw RBD_COMMON::Bad_alloc();
  return p;
}

std::uint32_t text_length(const char* s) {
  return static_cast<std::uint32_t>(std::strlen(s));
}

}  // namespace

SimpleString::SimpleString() : buffer(allocate(0)), length(0) { buffer[0] = '\0'; }

SimpleString::SimpleString(const char* s) : buffer(nullptr), length(text_length(s)) {
  buffer = allocate(length);
  std::memcpy(buffer, s, length);
  buffer[length] = '\0';
}

SimpleString::SimpleString(const SimpleString& t)
    : buffer(allocate(t.length)), length(t.length) {
  std::memcpy(buffer, t.buffer, length);
  buffer[length] = '\0';
}

SimpleString::SimpleString(unsigned int n, char c) : buffer(allocate(n)), length(n) {
  std::memset(buffer, c, length);
  buffer[length] = '\0';
}

SimpleString::~SimpleString() { delete[] buffer; }

void SimpleString::Replace(const char* s1, std::uint32_t n1, const char* s2,
                           std::uint32_t n2) {
  const std::uint32_t n = n1 + n2;
  char* p = allocate(n);  // on failure the old content stays as it was
  if (n1) std::memcpy(p, s1, n1);
  if (n2) std::memcpy(p + n1, s2, n2);
  p[n] = '\0';
  char* old = buffer;  // s1 or s2 may point into it: release only now
  buffer = p;
  length = n;
  delete[] old;
}

void SimpleString::operator=(char c) { Replace(&c, 1, nullptr, 0); }
void SimpleString::operator=(const char* s) { Replace(s, text_length(s), nullptr, 0); }
void SimpleString::operator=(const SimpleString& t) {
  Replace(t.buffer, t.length, nullptr, 0);
}
void SimpleString::operator+=(char c) { Replace(buffer, length, &c, 1); }
void SimpleString::operator+=(const char* s) {
  Replace(buffer, length, s, text_length(s));
}
void SimpleString::operator+=(const SimpleString& t) {
  Replace(buffer, length, t.buffer, t.length);
}

namespace {

SimpleString concatenate(const char* s1, std::uint32_t n1, const char* s2,
                         std::uint32_t n2) {
  SimpleString r(n1 + n2, '\0');
  char* p = const_cast<char*>(r.CString());
  if (n1) std::memcpy(p, s1, n1);
  if (n2) std::memcpy(p + n1, s2, n2);
  return r;
}

}  // namespace

SimpleString operator+(const SimpleString& a, char c) {
  return concatenate(a.CString(), a.Length(), &c, 1);
}
SimpleString operator+(char c, const SimpleString& a) {
  return concatenate(&c, 1, a.CString(), a.Length());
}
SimpleString operator+(const SimpleString& a, const char* s) {
  return concatenate(a.CString(), a.Length(), s, text_length(s));
}
SimpleString operator+(const char* s, const SimpleString& a) {
  return concatenate(s, text_length(s), a.CString(), a.Length());
}
SimpleString operator+(const SimpleString& a, const SimpleString& b) {
  return concatenate(a.CString(), a.Length(), b.CString(), b.Length());
}
