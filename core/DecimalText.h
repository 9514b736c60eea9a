// Reading the leading decimal number of a text the same way on every platform: parameter text
// from a host or a user, and the lines of preset and settings files.
#pragma once

namespace zv {

// What the formats differ in, named where they are read.
struct DecimalRules {
  // "nan" and "inf" (after an optional sign) read as a NaN that was found, so the caller can
  // refuse them. Without it they are not a number at all and read as 0, as the Windows C
  // runtime's atof reads them, which is what the files written so far mean.
  bool nanAndInfWords = false;
};

struct LeadingDecimal {
  double value = 0.0;  // 0 when nothing was found
  bool found = false;
};

// Optional white space and sign, digits with at most one point, an optional exponent: what atof
// gives with the Windows C runtime. Unlike glibc's atof it never reads hexadecimal, so a text
// means the same on Windows and elsewhere. An exponent beyond the range of a double gives an
// infinity, which each caller clamps or refuses ("1e999" in a preset file is the top, 1).
LeadingDecimal readLeadingDecimal(const char* text, DecimalRules rules = {});

}  // namespace zv
