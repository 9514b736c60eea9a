#include "DifferenceFunction.h"

#include <algorithm>

#include "WideVectors.h"

#ifdef ZV_HAVE_AVX_DISPATCH
#include <immintrin.h>
#endif

namespace zv {

namespace {

// r(lag) and r(lag + 1), the sums over j < length of x[j]*x[j+lag] and x[j]*x[j+lag+1], in
// double. Two lags share each load of x[j]; partial sum l takes the j with j % 4 == l, and the
// four are added as (s0 + s1) + (s2 + s3), so every way of running this gives the same bits.
void crossProducts(const double* x, int length, int lag, double& r0, double& r1) {
  double a[4] = {0, 0, 0, 0}, b[4] = {0, 0, 0, 0};
  const double* y = x + lag;
  int j = 0;
  for (; j + 3 < length; j += 4)
    for (int l = 0; l < 4; ++l) {
      a[l] += x[j + l] * y[j + l];
      b[l] += x[j + l] * y[j + l + 1];
    }
  for (; j < length; ++j) {
    a[0] += x[j] * y[j];
    b[0] += x[j] * y[j + 1];
  }
  r0 = (a[0] + a[1]) + (a[2] + a[3]);
  r1 = (b[0] + b[1]) + (b[2] + b[3]);
}

#ifdef ZV_HAVE_AVX_DISPATCH
// The same sums with the four partial sums in one 256-bit register: lane l is partial sum l,
// multiplied and added separately (no fused multiply-add), so the result is bit-identical.
ZV_TARGET_AVX void crossProductsAvx(const double* x, int length, int lag, double& r0, double& r1) {
  __m256d va = _mm256_setzero_pd(), vb = _mm256_setzero_pd();
  const double* y = x + lag;
  int j = 0;
  for (; j + 3 < length; j += 4) {
    const __m256d xj = _mm256_loadu_pd(x + j);
    va = _mm256_add_pd(va, _mm256_mul_pd(xj, _mm256_loadu_pd(y + j)));
    vb = _mm256_add_pd(vb, _mm256_mul_pd(xj, _mm256_loadu_pd(y + j + 1)));
  }
  alignas(32) double a[4], b[4];
  _mm256_store_pd(a, va);
  _mm256_store_pd(b, vb);
  for (; j < length; ++j) {
    a[0] += x[j] * y[j];
    b[0] += x[j] * y[j + 1];
  }
  r0 = (a[0] + a[1]) + (a[2] + a[3]);
  r1 = (b[0] + b[1]) + (b[2] + b[3]);
}

// out[l] = dot(a, b + l) for l = 0..3, sharing each load of a; four sums side by side instead of
// queueing on one addition, each with the lanes and order of dotProductAvx.
ZV_TARGET_AVX void slidingDotProducts4Avx(const double* a, const double* b, int count, double* out);

ZV_TARGET_AVX void blockProductsAvx(const double* x, int length, int maxLag, double* sums) {
  int lag = 1;
  for (; lag + 3 <= maxLag; lag += 4) slidingDotProducts4Avx(x, x + lag, length, sums + lag);
  for (; lag <= maxLag; lag += 2) crossProductsAvx(x, length, lag, sums[lag], sums[lag + 1]);
}

ZV_TARGET_AVX double dotProductAvx(const double* a, const double* b, int count) {
  __m256d v = _mm256_setzero_pd();
  int k = 0;
  for (; k + 3 < count; k += 4)
    v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_loadu_pd(a + k), _mm256_loadu_pd(b + k)));
  alignas(32) double s[4];
  _mm256_store_pd(s, v);
  for (; k < count; ++k) s[0] += a[k] * b[k];
  return (s[0] + s[1]) + (s[2] + s[3]);
}

ZV_TARGET_AVX void slidingDotProducts4Avx(const double* a, const double* b, int count,
                                          double* out) {
  __m256d v0 = _mm256_setzero_pd(), v1 = v0, v2 = v0, v3 = v0;
  int k = 0;
  for (; k + 3 < count; k += 4) {
    const __m256d ak = _mm256_loadu_pd(a + k);
    v0 = _mm256_add_pd(v0, _mm256_mul_pd(ak, _mm256_loadu_pd(b + k)));
    v1 = _mm256_add_pd(v1, _mm256_mul_pd(ak, _mm256_loadu_pd(b + k + 1)));
    v2 = _mm256_add_pd(v2, _mm256_mul_pd(ak, _mm256_loadu_pd(b + k + 2)));
    v3 = _mm256_add_pd(v3, _mm256_mul_pd(ak, _mm256_loadu_pd(b + k + 3)));
  }
  alignas(32) double s[4][4];
  _mm256_store_pd(s[0], v0);
  _mm256_store_pd(s[1], v1);
  _mm256_store_pd(s[2], v2);
  _mm256_store_pd(s[3], v3);
  for (int l = 0; l < 4; ++l) {
    for (int i = k; i < count; ++i) s[l][0] += a[i] * b[i + l];
    out[l] = (s[l][0] + s[l][1]) + (s[l][2] + s[l][3]);
  }
}

ZV_TARGET_AVX void slidingDotProductsAvx(const double* a, const double* b, int count, int shifts,
                                         double* out) {
  int s = 0;
  for (; s + 3 < shifts; s += 4) slidingDotProducts4Avx(a, b + s, count, out + s);
  for (; s < shifts; ++s) out[s] = dotProductAvx(a, b + s, count);
}
#endif

void blockProducts(const double* x, int length, int maxLag, double* sums) {
  for (int lag = 1; lag <= maxLag; lag += 2)
    crossProducts(x, length, lag, sums[lag], sums[lag + 1]);
}

}  // namespace

double dotProduct(const double* a, const double* b, int count) {
#ifdef ZV_HAVE_AVX_DISPATCH
  if (kWideVectors) return dotProductAvx(a, b, count);
#endif
  double s[4] = {0.0, 0.0, 0.0, 0.0};
  int k = 0;
  for (; k + 3 < count; k += 4)
    for (int l = 0; l < 4; ++l) s[l] += a[k + l] * b[k + l];
  for (; k < count; ++k) s[0] += a[k] * b[k];
  return (s[0] + s[1]) + (s[2] + s[3]);
}

void slidingDotProducts(const double* a, const double* b, int count, int shifts, double* out) {
#ifdef ZV_HAVE_AVX_DISPATCH
  if (kWideVectors) return slidingDotProductsAvx(a, b, count, shifts, out);
#endif
  for (int s = 0; s < shifts; ++s) out[s] = dotProduct(a, b + s, count);
}

void DifferenceFunction::configure(const EngineConfig& config) {
  maxLag_ = config.maxLag;
  // Blocks of one hop when the hop divides the half window (always, with the sizes in use).
  const int half = config.windowSize / 2;
  const int blocks = half % config.hop == 0 ? half / config.hop : 1;
  blockSize_ = half / blocks;
  blockStart_.assign(static_cast<size_t>(blocks), -1);
  blockSums_.assign(static_cast<size_t>(blocks * (maxLag_ + 2)), 0.0);
  crossTotal_.assign(static_cast<size_t>(maxLag_ + 2), 0.0);
  wide_ = kWideVectors;
  reset();
}

void DifferenceFunction::reset() {
  std::fill(blockStart_.begin(), blockStart_.end(), -1);
}

const double* DifferenceFunction::crossSums(const double* x, int64_t windowStart) {
  const int stride = maxLag_ + 2;
  const int blocks = static_cast<int>(blockStart_.size());
  std::fill(crossTotal_.begin(), crossTotal_.end(), 0.0);
  for (int b = 0; b < blocks; ++b) {
    const int64_t start = windowStart + static_cast<int64_t>(b) * blockSize_;
    const int slot = static_cast<int>(((start / blockSize_) % blocks + blocks) % blocks);
    double* sums = &blockSums_[static_cast<size_t>(slot * stride)];
    if (blockStart_[static_cast<size_t>(slot)] != start) {
      blockStart_[static_cast<size_t>(slot)] = start;
      const double* block = x + b * blockSize_;
#ifdef ZV_HAVE_AVX_DISPATCH
      if (wide_)
        blockProductsAvx(block, blockSize_, maxLag_, sums);
      else
#endif
        blockProducts(block, blockSize_, maxLag_, sums);
    }
    for (int lag = 1; lag <= maxLag_; ++lag) crossTotal_[static_cast<size_t>(lag)] += sums[lag];
  }
  return crossTotal_.data();
}

}  // namespace zv
