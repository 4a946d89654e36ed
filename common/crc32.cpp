#include "crc32.h"

#include <array>
#include <cstdio>

namespace {

using Table = std::array<std::uint32_t, 256>;

// The table of the reflected polynomial 0xEDB88320 (0x04C11DB7 with its bits reversed).
Table MakeTable() {
    Table table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

// Built on first use, once per process (a function-local static is initialised once, also
// when several threads get here first at the same time).
const Table& CrcTable() {
    static const Table table = MakeTable();
    return table;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void Crc32::Update(const void* data, std::size_t size) {
    const Table& table = CrcTable();
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t state = state_;
    for (std::size_t i = 0; i < size; ++i) state = table[(state ^ bytes[i]) & 0xFFu] ^ (state >> 8);
    state_ = state;
}

std::uint32_t Crc32Of(const void* data, std::size_t size) {
    Crc32 crc;
    crc.Update(data, size);
    return crc.Value();
}

std::string Crc32Text(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%lx", static_cast<unsigned long>(value));
    return text;
}

bool ParseCrc32Text(const std::string& text, std::uint32_t* value) {
    if (text.empty())
        return false;
    std::uint64_t number = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        number = number * 16 + static_cast<unsigned>(digit);
        if (number > 0xFFFFFFFFu)
            return false;
    }
    *value = static_cast<std::uint32_t>(number);
    return true;
}
