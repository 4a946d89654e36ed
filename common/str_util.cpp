#include "str_util.h"

#include <cctype>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "log_file.h"
#include "text_util.h"

namespace {

// One piece of SplitTokens; longer pieces take the whole rest of the text.
const std::size_t kTokenPieceSize = 1024;

int Lower(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}

bool InSet(char c, const char* set) {
    return c != '\0' && set && std::strchr(set, c) != nullptr;
}

}  // namespace

int StrNCopy(char* dst, const char* src, std::size_t size) {
    if (!dst || !src)
        return 0;
    const std::size_t needed = std::strlen(src) + 1;
    if (needed > size) {
        Log().Error(
            "StrNCopy(...) Destination size (%d) is smaller than source (%d) for "
            "string: '%s'",
            static_cast<int>(size), static_cast<int>(needed), src);
        return 0;
    }
    std::memcpy(dst, src, needed);
    return static_cast<int>(needed);
}

void StrCopyTruncated(char* dst, const char* src, int size) {
    if (!dst || size <= 0)
        return;
    std::size_t length = 0;
    if (src) {
        // Only the part that fits is read: src need not be terminated within it.
        length = strnlen(src, static_cast<std::size_t>(size) - 1);
        std::memcpy(dst, src, length);
    }
    dst[length] = '\0';
}

int StrCopyToToken(char delimiter, const char* src, char* dst, std::size_t size) {
    if (!src || !dst || size == 0)
        return -1;
    std::size_t i = 0;
    for (; src[i] != '\0' && src[i] != delimiter; ++i) {
        if (i + 1 >= size) {  // no room left for this character and the terminator
            dst[i] = '\0';
            Log().Error("StrCopyToToken(...) Destination size (%d) is smaller for string: '%s'",
                        static_cast<int>(size), src);
            return -1;
        }
        dst[i] = src[i];
    }
    dst[i] = '\0';
    return src[i] != '\0' ? static_cast<int>(i) : -1;
}

std::vector<std::string> SplitTokens(const char* text, char delimiter, int maximum) {
    std::vector<std::string> pieces;
    if (IsEmptyText(text))
        return pieces;
    char piece[kTokenPieceSize];
    const char* rest = text;
    while (maximum <= 0 || static_cast<int>(pieces.size()) < maximum) {
        const int index = StrCopyToToken(delimiter, rest, piece, sizeof(piece));
        if (index < 0) {
            pieces.emplace_back(rest);
            break;
        }
        pieces.emplace_back(piece);
        rest += index + 1;
        if (*rest == '\0')
            break;
    }
    return pieces;
}

bool IsEmptyText(const char* s) {
    return !s || *s == '\0';
}

int CompareN(const char* a, const char* b, std::size_t n, bool ignoreCase) {
    if (!a)
        a = "";
    if (!b)
        b = "";
    for (std::size_t i = 0; i < n; ++i) {
        const int x = ignoreCase ? Lower(a[i]) : static_cast<unsigned char>(a[i]);
        const int y = ignoreCase ? Lower(b[i]) : static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            break;
    }
    return 0;
}

const char* FindText(const char* s, const char* sub, bool ignoreCase) {
    if (!s || !sub)
        return nullptr;
    const std::size_t length = std::strlen(sub);
    for (const char* p = s;; ++p) {
        if (CompareN(p, sub, length, ignoreCase) == 0)
            return p;
        if (*p == '\0')
            return nullptr;
    }
}

const char* FindLastText(const char* s, const char* sub, bool ignoreCase) {
    if (!s || !sub)
        return nullptr;
    const std::size_t size = std::strlen(s);
    const std::size_t length = std::strlen(sub);
    if (length > size)
        return nullptr;
    for (std::size_t i = size - length + 1; i-- > 0;) {
        if (CompareN(s + i, sub, length, ignoreCase) == 0)
            return s + i;
    }
    return nullptr;
}

bool ParseInt(const char* text, int* out) {
    if (!text || !out)
        return false;
    std::string rest = Trim(text, " \t");
    // Only a "+" right before a digit is dropped: "+-5" and "+ 5" are not numbers.
    if (rest.size() > 1 && rest[0] == '+' && std::isdigit(static_cast<unsigned char>(rest[1])))
        rest.erase(0, 1);
    const long long value = std::strtoll(rest.c_str(), nullptr, 10);
    if (value < INT_MIN || value > INT_MAX)
        return false;
    // Comparing with the canonical rendering refuses leading zeros, "-0" and trailing text.
    if (FormatText("%d", static_cast<int>(value)) != rest)
        return false;
    *out = static_cast<int>(value);
    return true;
}

bool ParseLong(const char* text, long* out, int base) {
    if (!text || !out)
        return false;
    const std::string trimmed = Trim(text, " \t");
    if (trimmed.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(trimmed.c_str(), &end, base);
    if (errno != 0 || end == trimmed.c_str() || *end != '\0')
        return false;
    *out = value;
    return true;
}

bool ContainsWord(const char* word, const char* text, char separator, const char* set) {
    if (IsEmptyText(word) || !text)
        return false;
    const std::size_t length = std::strlen(word);
    for (const char* p = std::strstr(text, word); p; p = std::strstr(p + 1, word)) {
        const bool startBounded = p == text || p[-1] == separator || InSet(p[-1], set);
        const char after = p[length];
        const bool endBounded = after == '\0' || after == separator || InSet(after, set);
        if (startBounded && endBounded)
            return true;
    }
    return false;
}

char* TrimCharsLeft(char* s, const char* set) {
    if (!s || !set)
        return s;
    const std::size_t skip = std::strspn(s, set);
    if (skip > 0)
        std::memmove(s, s + skip, std::strlen(s + skip) + 1);
    return s;
}

char* TrimCharsRight(char* s, const char* set) {
    if (!s || !set)
        return s;
    std::size_t length = std::strlen(s);
    while (length > 0 && InSet(s[length - 1], set)) --length;
    s[length] = '\0';
    return s;
}

char* TrimChars(char* s, const char* set) {
    return TrimCharsLeft(TrimCharsRight(s, set), set);
}

void RemoveChars(char* s, const char* set) {
    if (!s || !set)
        return;
    char* to = s;
    for (const char* from = s; *from != '\0'; ++from) {
        if (!InSet(*from, set))
            *to++ = *from;
    }
    *to = '\0';
}
