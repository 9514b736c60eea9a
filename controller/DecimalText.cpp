#include "DecimalText.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace zv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double readDecimal(const char* text) {
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  std::string number;
  if (*p == '+' || *p == '-') number += *p++;
  std::size_t digits = 0;
  for (; isDigit(*p); ++p, ++digits) number += *p;
  if (*p == '.') {
    number += *p++;
    for (; isDigit(*p); ++p, ++digits) number += *p;
  }
  if (digits == 0) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    std::string exponent = "e";
    if (*q == '+' || *q == '-') exponent += *q++;
    if (isDigit(*q)) {
      for (; isDigit(*q); ++q) exponent += *q;
      number += exponent;
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace zv
