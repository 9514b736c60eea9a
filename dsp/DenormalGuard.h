// Flush-to-zero and denormals-are-zero for the lifetime of the guard: silent tails decaying into
// the denormal range would otherwise cost the audio thread many times the normal work.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define ZV_HAVE_MXCSR 1
#endif

namespace zv {

class DenormalGuard {
 public:
  DenormalGuard() {
#ifdef ZV_HAVE_MXCSR
    saved_ = _mm_getcsr();
    _mm_setcsr(saved_ | 0x8040u);  // FTZ (bit 15) and DAZ (bit 6)
#endif
  }
  ~DenormalGuard() {
#ifdef ZV_HAVE_MXCSR
    _mm_setcsr(saved_);
#endif
  }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
  unsigned int saved_ = 0;
};

}  // namespace zv
