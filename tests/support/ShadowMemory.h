#pragma once
// VISTREL_SHADOW_MEMORY is 1 under AddressSanitizer and ThreadSanitizer, whose shadow memory
// beside every page read is held by the process and takes page faults of its own: tests that
// count resident memory or faults skip then.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VISTREL_SHADOW_MEMORY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VISTREL_SHADOW_MEMORY 1
#endif
#endif
