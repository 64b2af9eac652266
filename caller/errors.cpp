// The report of a failure that ends the run. newmat's header is included
// here alone: it brings `using namespace std` with it, which would make the
// model class `data` ambiguous with std::data in any file that uses both.
#include "errors.h"

#include <exception>
#include <iostream>
#include <new>
#include <sstream>

#include "myexcept.h"

namespace {

int report(const std::string& message, int status) {
  std::cout << std::flush;
  std::cerr << "velmar++: " << message << std::endl;
  return status;
}

// newmat formats a message as an empty line, "An exception has been thrown",
// then "<kind>:- <message>" and possibly trace lines; this keeps the
// message and the trace lines, on one line.
std::string library_message(const char* formatted) {
  std::istringstream lines(formatted);
  std::string line, message;
  while (std::getline(lines, line)) {
    if (line.empty() || line == "An exception has been thrown") continue;
    const size_t kind_end = line.find(":- ");
    if (message.empty() && kind_end != std::string::npos)
      line = line.substr(kind_end + 3);
    message += (message.empty() ? "" : "; ") + line;
  }
  return message;
}

}  // namespace

int report_failure(const std::string& where) {
  try {
    throw;
  } catch (const user_error& e) {
    return report(e.what(), status_user_error);
  } catch (const RBD_COMMON::BaseException&) {
    // The library's exceptions keep their message in one static buffer.
    return report(library_message(RBD_COMMON::BaseException::what()) + where,
                  status_internal_failure);
  } catch (const std::bad_alloc&) {
    return report("out of memory" + where, status_internal_failure);
  } catch (const std::exception& e) {
    return report(e.what() + where, status_internal_failure);
  } catch (...) {
    return report("unknown failure" + where, status_internal_failure);
  }
}
