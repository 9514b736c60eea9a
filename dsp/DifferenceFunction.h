// The lag products behind the pitch detector's difference function: r(lag), the sum over the
// first half of the window of x[j]*x[j+lag], for lags 1..maxLag, in double.
#pragma once

#include <cstdint>
#include <vector>

#include "EngineConfig.h"

namespace zv {

// The sum of a[k]*b[k] for k < count in double, as four partial sums (sum l takes the k with
// k % 4 == l, the tail goes to sum 0) added as (s0 + s1) + (s2 + s3). Runs with 256-bit vectors
// where the processor has them; every path gives the same bits.
double dotProduct(const double* a, const double* b, int count);
// out[s] = dotProduct(a, b + s, count) for s < shifts, the same bits; neighbouring shifts share
// their loads of a and their sums run side by side.
void slidingDotProducts(const double* a, const double* b, int count, int shifts, double* out);

class DifferenceFunction {
 public:
  void configure(const EngineConfig& config);  // allocates
  void reset();

  // r(lag) for lags 1..maxLag over the window x (N decimated samples, oldest first) that starts
  // at decimated sample windowStart. The window moves by one hop per analysis, so a block of j
  // that starts at the same decimated sample as in an earlier analysis has the same products:
  // only the newest block is computed.
  const double* crossSums(const double* x, int64_t windowStart);

 private:
  int maxLag_ = 0;
  int blockSize_ = 0;
  std::vector<int64_t> blockStart_;  // decimated sample each cached block of products starts at
  std::vector<double> blockSums_;    // per block, the products summed for every lag
  std::vector<double> crossTotal_;
  bool wide_ = false;  // the processor has 256-bit vectors
};

}  // namespace zv
