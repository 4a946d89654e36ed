#include "shared_block_name.h"

#include <cstdint>

namespace {

const char kPrefix[] = "TarvexSetup.";
const std::size_t kHashDigits = 16;

// Bytes outside this set are replaced: besides the backslash, control characters and bytes
// above 127 would depend on the code page of the machine when the name is converted.
bool IsSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '_' || c == '.';
}

// 64-bit FNV-1a: small, with no dependency, and fixed for ever, which is what matters here:
// a parent and a chained setup of another build must compute the same name.
std::uint64_t HashOf(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(kHashDigits, '0');
    for (std::size_t i = kHashDigits; i-- > 0; value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

}  // namespace

std::string SharedBlockName(const std::string& productName) {
    const std::size_t room = kMaxSharedBlockNameLength - (sizeof(kPrefix) - 1) - 1 - kHashDigits;
    std::string name = kPrefix;
    for (std::size_t i = 0; i < productName.size() && i < room; ++i) {
        const unsigned char c = static_cast<unsigned char>(productName[i]);
        name += IsSafe(c) ? static_cast<char>(c) : '_';
    }
    return name + "." + Hex(HashOf(productName));
}
