#pragma once
// CRC-32 as in IEEE 802.3 (polynomial 0x04C11DB7, input and output reflected, initial value
// and final exclusive-or 0xFFFFFFFF), computed with a 256-entry table that is built once per
// process. Data can be fed in blocks: the value of the pieces is the value of the whole.

#include <cstddef>
#include <cstdint>
#include <string>

class Crc32 {
  public:
    // Feeds size bytes at data (data may be null when size is 0).
    void Update(const void* data, std::size_t size);
    // The checksum of everything fed so far.
    std::uint32_t Value() const { return ~state_; }
    void Reset() { state_ = 0xFFFFFFFFu; }

  private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

// The checksum of one buffer.
std::uint32_t Crc32Of(const void* data, std::size_t size);

// The checksum as "%x" writes it: lower-case hexadecimal digits without leading zeros.
std::string Crc32Text(std::uint32_t value);

// Reads a checksum written as hexadecimal digits of either case, with or without leading
// zeros. False (value untouched) for an empty text, any character that is not a hexadecimal
// digit (blanks included; no "0x" prefix), or a number that does not fit in 32 bits.
bool ParseCrc32Text(const std::string& text, std::uint32_t* value);
