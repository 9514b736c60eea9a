#include "DecimalText.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace zv {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithWord(const char* p, const char* word) {
  for (; *word != '\0'; ++p, ++word)
    if (lower(*p) != *word) return false;
  return true;
}

}  // namespace

LeadingDecimal readLeadingDecimal(const char* text, DecimalRules rules) {
  LeadingDecimal read;
  const char* p = text;
  while (isSpace(*p)) ++p;
  std::string number;
  if (*p == '+' || *p == '-') number += *p++;
  if (rules.nanAndInfWords && (startsWithWord(p, "nan") || startsWithWord(p, "inf"))) {
    read.value = std::nan("");
    read.found = true;
    return read;
  }
  std::size_t digits = 0;
  for (; isDigit(*p); ++p, ++digits) number += *p;
  if (*p == '.') {
    number += *p++;
    for (; isDigit(*p); ++p, ++digits) number += *p;
  }
  if (digits == 0) return read;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    std::string exponent = "e";
    if (*q == '+' || *q == '-') exponent += *q++;
    if (isDigit(*q)) {
      for (; isDigit(*q); ++q) exponent += *q;
      number += exponent;
    }
  }
  read.value = std::strtod(number.c_str(), nullptr);
  read.found = true;
  return read;
}

}  // namespace zv
