// Serial numbers as a board's image carries them (--serial ADDR:WIDTH): a counter written
// little- or big-endian, or as ASCII decimal or hex digits padded with zeros to WIDTH, or the
// values of a list file, one per line as hex bytes.
//
// Threading: plain values and pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class SerialFormat { LittleEndian, BigEndian, Decimal, Hex };

// What --serial and its companions ask for.
struct SerialPlan {
    std::uint32_t address = 0;  // target address of the first byte
    unsigned width = 0;         // bytes; 0: no serial numbers
    std::uint64_t start = 1;
    std::uint64_t step = 1;
    SerialFormat format = SerialFormat::LittleEndian;
    std::string file;   // a list of values instead of a counter
    std::string state;  // where the next number is kept across runs; empty: nowhere
    bool overwrite = false;

    bool Enabled() const { return width > 0; }
};

// The widest value of each format.
inline constexpr unsigned kMaxBinaryWidth = 8;
inline constexpr unsigned kMaxTextWidth = 32;

// "le", "be", "dec", "hex"
std::optional<SerialFormat> ParseSerialFormat(std::string_view text);
// The width `format` allows, or the reason it does not.
std::string CheckSerialWidth(SerialFormat format, unsigned width);

// "ADDR:WIDTH": the address in hex (0x...) or decimal, the width in decimal.
bool ParseSerialPlace(std::string_view text, std::uint32_t& address, unsigned& width);

// The `width` bytes of `value` in `format`; nothing when the value does not fit.
std::optional<std::vector<std::uint8_t>> EncodeSerial(std::uint64_t value, SerialFormat format,
                                                      unsigned width);

// A line of a list file: hex bytes, written together or separated by blanks or colons
// ("00 1B 2C", "00:1b:2c", "001B2C"); nothing for anything else.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view line);

// "001B2C"
std::string HexText(const std::vector<std::uint8_t>& bytes);

// One board's serial number: how it is shown and logged, and the bytes written.
struct SerialValue {
    std::string text;  // the counter in decimal, or a list value's hex bytes
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

}  // namespace cli
