#pragma once
// VISTREL_WIDE_VARIANTS marks a hot loop to be compiled twice, plain and for AVX2, the system
// picking the variant at load time (GCC's function multi-versioning through ifuncs, which needs
// the GNU dynamic loader). Elsewhere it marks nothing and the plain loop is the only one. AVX2
// alone brings no fused multiply-add, so both variants round every step alike. Sanitizer builds
// keep the plain loop: the variant is picked by a resolver that runs while the program is
// loaded, before ThreadSanitizer's runtime is ready.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define VISTREL_WIDE_VARIANTS __attribute__((target_clones("avx2", "default")))
#else
#define VISTREL_WIDE_VARIANTS
#endif
