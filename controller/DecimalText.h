// Reading the leading decimal number of a text line the same way on every platform.
#pragma once

namespace zv {

// What atof gives with the Windows C runtime: optional white space and sign, digits with at most
// one point, an optional exponent; 0 when there is no number. Unlike glibc's atof it never reads
// "nan", "inf" or hexadecimal, so a file means the same on Windows and elsewhere.
double readDecimal(const char* text);

}  // namespace zv
