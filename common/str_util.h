#pragma once
// Bounded C-string helpers for the fixed-size text fields of shared records.

#include <cstddef>

// Copies src with its terminator into dst when it fits in size bytes and returns the
// number of bytes copied; otherwise logs the refusal, leaves dst untouched and returns 0.
// Null pointers do nothing and return 0.
int StrNCopy(char* dst, const char* src, std::size_t size);

// Fixed-size array overload: the size is taken from the destination itself.
template <std::size_t N>
int StrNCopy(char (&dst)[N], const char* src) {
    return StrNCopy(dst, src, N);
}
