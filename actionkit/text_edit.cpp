#include "text_edit.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "text_util.h"

std::string CleanName(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x80 || !(std::isalnum(u) || c == '_'))
            c = '_';
    }
    return result;
}

std::string ReplaceAllText(const std::string& text, const std::string& search,
                           const std::string& replacement, int* count) {
    *count = 0;
    if (search.empty())
        return text;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(search); at != std::string::npos;
         at = text.find(search, from)) {
        result.append(text, from, at - from);
        result += replacement;
        from = at + search.size();
        ++*count;
    }
    result.append(text, from, std::string::npos);
    return result;
}

bool ParseReplaceData(const std::string& data, bool noneMeansEmpty, ReplaceData* result) {
    const std::size_t first = data.find('|');
    if (first == std::string::npos)
        return false;
    const std::size_t second = data.find('|', first + 1);
    if (second == std::string::npos)
        return false;
    result->file = data.substr(0, first);
    result->search = data.substr(first + 1, second - first - 1);
    result->replacement = data.substr(second + 1);
    if (noneMeansEmpty && EqualsNoCase(result->replacement.c_str(), "None"))
        result->replacement.clear();
    return !result->file.empty() && !result->search.empty();
}

namespace {

std::uint32_t Rotate(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

void Sha1Block(const unsigned char* block, std::uint32_t* h) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t(block[4 * i]) << 24 | std::uint32_t(block[4 * i + 1]) << 16 |
               std::uint32_t(block[4 * i + 2]) << 8 | std::uint32_t(block[4 * i + 3]);
    for (int i = 16; i < 80; ++i) w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d), k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d, k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d, k = 0xCA62C1D6;
        }
        const std::uint32_t next = Rotate(a, 5) + f + e + k + w[i];
        e = d, d = c, c = Rotate(b, 30), b = a, a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

}  // namespace

std::string Sha1Hex(const std::string& bytes) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string message = bytes;
    const std::uint64_t bits = std::uint64_t(bytes.size()) * 8;
    message += '\x80';
    while (message.size() % 64 != 56) message += '\0';
    for (int shift = 56; shift >= 0; shift -= 8)
        message += static_cast<char>((bits >> shift) & 0xFF);
    for (std::size_t at = 0; at < message.size(); at += 64)
        Sha1Block(reinterpret_cast<const unsigned char*>(message.data() + at), h);
    char hex[41];
    for (int i = 0; i < 5; ++i) std::snprintf(hex + 8 * i, 9, "%08x", static_cast<unsigned>(h[i]));
    return std::string(hex, 40);
}
