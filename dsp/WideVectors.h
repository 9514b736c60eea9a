// Whether this processor has 256-bit vectors, decided once when the module loads. The loops
// that use them run the same additions in the same order as their plain versions (four partial
// sums per lane, no fused multiply-add), so every machine gives the same bits.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ZV_HAVE_AVX_DISPATCH 1
#define ZV_TARGET_AVX __attribute__((target("avx")))
#endif

namespace zv {

inline bool detectWideVectors() {
#ifdef ZV_HAVE_AVX_DISPATCH
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
#else
  return false;
#endif
}

// Static initialisation, before any engine runs: the audio thread only reads it.
inline const bool kWideVectors = detectWideVectors();

}  // namespace zv
