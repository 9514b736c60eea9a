// Elementary functions built from +, -, *, / and sqrt only. The C libraries of Linux and Windows
// round atan2, sin, cos and pow differently in the last bit, which is enough to move a pixel by one
// step and make the same scene hash differently on the two platforms. These give identical results
// on every IEEE-754 machine, at an accuracy far below what a pixel can show.
#pragma once

#include <cmath>

#include "MathConstants.h"

namespace zv::pm {

using zv::kPi;

// atan2(y, x) in (-pi, pi], float, max error about 2e-6 rad (minimax polynomial on [0, 1]).
inline float atan2f(float y, float x) {
  const float ax = std::fabs(x);
  const float ay = std::fabs(y);
  const float hi = ax > ay ? ax : ay;
  if (hi == 0.0f) return 0.0f;
  const float a = (ax > ay ? ay : ax) / hi;
  const float s = a * a;
  float r =
      a * (0.99997726f +
           s * (-0.33262347f +
                s * (0.19354346f + s * (-0.11643287f + s * (0.05265332f + s * -0.01172120f)))));
  if (ay > ax) r = 1.57079637f - r;
  if (x < 0.0f) r = static_cast<float>(kPi) - r;
  if (y < 0.0f) r = -r;
  return r;
}

// sin and cos together, double, accurate to about 1e-16 for |a| up to a few thousand radians.
inline void sinCos(double a, double& sinOut, double& cosOut) {
  // Cody-Waite reduction by pi/2 (the split constant keeps k * hi exact).
  const double k = std::floor(a * 0.63661977236758134308 + 0.5);
  const double r = (a - k * 1.5707963267341256) - k * 6.0771005065061922e-11;
  const double r2 = r * r;
  // Taylor series on |r| <= pi/4; the last terms are below double resolution there.
  double s = 1.0 / 6227020800.0;  // 1/13!
  s = s * -r2 + 1.0 / 39916800.0;
  s = s * -r2 + 1.0 / 362880.0;
  s = s * -r2 + 1.0 / 5040.0;
  s = s * -r2 + 1.0 / 120.0;
  s = s * -r2 + 1.0 / 6.0;
  s = r - r * r2 * s;
  double c = 1.0 / 87178291200.0;  // 1/14!
  c = c * -r2 + 1.0 / 479001600.0;
  c = c * -r2 + 1.0 / 3628800.0;
  c = c * -r2 + 1.0 / 40320.0;
  c = c * -r2 + 1.0 / 720.0;
  c = c * -r2 + 1.0 / 24.0;
  c = c * -r2 + 0.5;
  c = 1.0 - r2 * c;
  const double q = k - 4.0 * std::floor(k * 0.25);  // quadrant 0..3, exact
  if (q == 0.0) {
    sinOut = s;
    cosOut = c;
  } else if (q == 1.0) {
    sinOut = c;
    cosOut = -s;
  } else if (q == 2.0) {
    sinOut = -s;
    cosOut = -c;
  } else {
    sinOut = -c;
    cosOut = s;
  }
}

inline double sin(double a) {
  double s, c;
  sinCos(a, s, c);
  return s;
}

inline double cos(double a) {
  double s, c;
  sinCos(a, s, c);
  return c;
}

// Natural logarithm for finite x > 0, double, via frexp (exact) and the atanh series.
inline double log(double x) {
  int e = 0;
  double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
  if (m < 0.70710678118654752440) {
    m *= 2.0;
    --e;
  }
  const double z = (m - 1.0) / (m + 1.0);  // |z| <= 0.172
  const double z2 = z * z;
  double t = 1.0 / 23.0;
  for (int n = 21; n >= 1; n -= 2) t = t * z2 + 1.0 / n;
  return 2.0 * z * t + e * 0.69314718055994530942;
}

// e^v, double, via reduction by ln 2 and ldexp (exact).
inline double exp(double v) {
  const double k = std::floor(v * 1.44269504088896340736 + 0.5);
  const double r = (v - k * 0.693147180369123816490) - k * 1.90821492927058770002e-10;
  double t = 1.0;
  for (int n = 17; n >= 1; --n) t = 1.0 + t * r / n;
  return std::ldexp(t, static_cast<int>(k));
}

// x^y for x > 0; 0 for x == 0 and y > 0.
inline double pow(double x, double y) {
  if (x == 0.0) return y > 0.0 ? 0.0 : 1.0;
  return exp(y * log(x));
}

}  // namespace zv::pm
