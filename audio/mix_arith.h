#pragma once
// 32-bit integer arithmetic of the mixing loops. Sums and products wrap
// modulo 2^32 instead of overflowing (identical to plain int arithmetic
// wherever that does not overflow); shifts of signed values are arithmetic.
#include <cstdint>

// The page loops are built for the vector unit the processor has: an AVX2
// version beside the default one, chosen when the program loads. Under
// ThreadSanitizer the chooser would run before the sanitizer is ready, so
// those builds keep the default version only. Clang (the fuzz build) keeps
// the default version too, as it takes no clones of a function kept out of
// line, and leaves the loops without coverage edges: they branch on each
// sample, not on anything a file holds, and would only slow the fuzzer.
#if defined(__clang__)
#define BREVORA_VECTOR_CLONES __attribute__((no_sanitize("coverage")))
#elif defined(__SANITIZE_THREAD__)
#define BREVORA_VECTOR_CLONES
#else
#define BREVORA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif

namespace audio_arith {

inline int32_t Add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t Mul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}
inline int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace audio_arith
