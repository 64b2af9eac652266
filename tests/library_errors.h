// Reading the exceptions of the random-variate library in tests.
//
// The library throws the newmat exception classes (RBD_COMMON::Logic_error,
// Runtime_error, Invalid_argument, ...), whose message is held by
// BaseException rather than by the exception object.  message_of<E>(f) runs
// f and returns that message if f throws an E, or a note saying that it threw
// nothing or something else:
//
//   EXPECT_NE(message_of<Runtime_error>([] { Random::Dummy->CSTD(); })
//                 .find("Vargen: uniform rng not setup"),
//             std::string::npos);
//   EXPECT_THROWS_MESSAGE(Runtime_error, p.Next(), "Vargen: area too large");
#ifndef VELMAR_TESTS_LIBRARY_ERRORS_H
#define VELMAR_TESTS_LIBRARY_ERRORS_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "myexcept.h"

// The message of the library exception of class E thrown by f, or a note
// that none (or another) was thrown.
template <class E>
std::string message_of(const std::function<void()>& f) {
  try {
    f();
  } catch (E&) {
    return RBD_COMMON::BaseException::what();
  } catch (...) {
    return "<another exception>";
  }
  return "<no exception>";
}

// Expects `statement` to throw an E whose message contains `text`; on
// failure reports the message it got.
#define EXPECT_THROWS_MESSAGE(E, statement, text)                            \
  EXPECT_NE(message_of<E>([&] { statement; }).find(text), std::string::npos) \
      << message_of<E>([&] { statement; })

#endif  // VELMAR_TESTS_LIBRARY_ERRORS_H
