#include "AntiAliasFilter.h"

#include <cmath>

#include "MathConstants.h"
#include "WideVectors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#ifdef ZV_HAVE_AVX_DISPATCH
#include <immintrin.h>
#endif

namespace zv {

std::vector<float> designAntiAliasTaps(int decimation) {
  const int count = 8 * decimation + 1;
  const double fc = 0.45 / decimation;
  std::vector<float> taps(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double x = k - (count - 1) / 2.0;
    const double s = x == 0.0 ? 2.0 * fc : std::sin(2.0 * kPi * fc * x) / (kPi * x);
    const double window = 0.5 - 0.5 * std::cos(2.0 * kPi * k / (count - 1));
    taps[static_cast<size_t>(k)] = static_cast<float>(window * s);
  }
  double sum = 0.0;
  for (float t : taps) sum += t;
  for (float& t : taps) t = static_cast<float>(t / sum);
  return taps;
}

float decimateAt(const SampleRing& ring, int64_t newest, const std::vector<float>& taps) {
  // Four partial sums keep the double accumulation off one long dependency chain; sum l takes
  // the taps k with k % 4 == l, so the vector path below adds exactly what the scalar path adds.
  double acc[4] = {0.0, 0.0, 0.0, 0.0};
  const int count = static_cast<int>(taps.size());
  int k = 0;
#if defined(__SSE2__)
  const int64_t mask = ring.mask();
  const int64_t end = newest & mask;
  if (end - (count - 1) >= 0) {  // the taps' stretch does not wrap: read it straight
    const float* newestCell = ring.data() + end;
    __m128d acc01 = _mm_setzero_pd(), acc23 = _mm_setzero_pd();
    for (; k + 3 < count; k += 4) {
      // Cells newest-k-3..newest-k, turned round to meet taps k..k+3.
      const __m128 cells = _mm_loadu_ps(newestCell - k - 3);
      const __m128 x = _mm_shuffle_ps(cells, cells, _MM_SHUFFLE(0, 1, 2, 3));
      const __m128 h = _mm_loadu_ps(taps.data() + k);
      acc01 = _mm_add_pd(acc01, _mm_mul_pd(_mm_cvtps_pd(h), _mm_cvtps_pd(x)));
      acc23 = _mm_add_pd(
          acc23, _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(h, h)), _mm_cvtps_pd(_mm_movehl_ps(x, x))));
    }
    _mm_storeu_pd(acc, acc01);
    _mm_storeu_pd(acc + 2, acc23);
  }
#endif
  for (; k + 3 < count; k += 4)
    for (int l = 0; l < 4; ++l)
      acc[l] += static_cast<double>(taps[static_cast<size_t>(k + l)]) * ring.at(newest - k - l);
  for (; k < count; ++k)
    acc[0] += static_cast<double>(taps[static_cast<size_t>(k)]) * ring.at(newest - k);
  return static_cast<float>((acc[0] + acc[1]) + (acc[2] + acc[3]));
}

namespace {

#ifdef ZV_HAVE_AVX_DISPATCH
// decimateAt for four outputs whose taps' stretches do not wrap, newest cells given: each
// output's four partial sums are the four lanes of one register (lane l takes the taps k with
// k % 4 == l, as the two-lane pairs of decimateAt do), and the four outputs run side by side.
ZV_TARGET_AVX void decimate4Avx(const float* const* newestCells, const float* taps, int count,
                                float* out) {
  __m256d acc[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(),
                    _mm256_setzero_pd()};
  int k = 0;
  for (; k + 3 < count; k += 4) {
    const __m256d h = _mm256_cvtps_pd(_mm_loadu_ps(taps + k));
    for (int o = 0; o < 4; ++o) {
      const __m128 cells = _mm_loadu_ps(newestCells[o] - k - 3);
      const __m128 x = _mm_shuffle_ps(cells, cells, _MM_SHUFFLE(0, 1, 2, 3));
      acc[o] = _mm256_add_pd(acc[o], _mm256_mul_pd(h, _mm256_cvtps_pd(x)));
    }
  }
  for (int o = 0; o < 4; ++o) {
    alignas(32) double a[4];
    _mm256_store_pd(a, acc[o]);
    for (int t = k; t < count; ++t)
      a[0] += static_cast<double>(taps[t]) * static_cast<double>(newestCells[o][-t]);
    out[o] = static_cast<float>((a[0] + a[1]) + (a[2] + a[3]));
  }
}
#endif

}  // namespace

void decimateRun(const SampleRing& ring, int64_t newest, int stride, int count,
                 const std::vector<float>& taps, float* out) {
  int i = 0;
#ifdef ZV_HAVE_AVX_DISPATCH
  if (kWideVectors) {
    const int tapCount = static_cast<int>(taps.size());
    const int64_t mask = ring.mask();
    for (; i + 3 < count; i += 4) {
      const float* cells[4];
      bool straight = true;
      for (int o = 0; o < 4; ++o) {
        const int64_t end = (newest - static_cast<int64_t>(stride) * (count - 1 - i - o)) & mask;
        straight = straight && end - (tapCount - 1) >= 0;
        cells[o] = ring.data() + end;
      }
      if (straight) {
        decimate4Avx(cells, taps.data(), tapCount, out + i);
      } else {
        for (int o = 0; o < 4; ++o)
          out[i + o] =
              decimateAt(ring, newest - static_cast<int64_t>(stride) * (count - 1 - i - o), taps);
      }
    }
  }
#endif
  for (; i < count; ++i)
    out[i] = decimateAt(ring, newest - static_cast<int64_t>(stride) * (count - 1 - i), taps);
}

}  // namespace zv
