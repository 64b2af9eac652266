#include "messages.h"

#include <iostream>
#include <string>

#include "data.h"

void warn(const std::string& message) {
  std::cout << std::flush;
  std::cerr << "velmar++: warning: " << message << std::endl;
}

std::string printable(const std::string& field) {
  static const char hex[] = "0123456789ABCDEF";
  std::string text;
  for (char c : field) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte <= 0x7E) {
      text += c;
    } else {
      text += "\\x";
      text += hex[byte >> 4];
      text += hex[byte & 0xF];
    }
  }
  return text;
}

std::string snp_name(const data& d, int j) {
  return "SNP " + std::to_string(d.snp_start + j) + " [" + printable(d.snps[j].rs) + "]";
}
