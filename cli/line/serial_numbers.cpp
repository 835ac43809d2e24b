#include "cli/line/serial_numbers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <utility>

namespace cli {
namespace {

constexpr std::array<std::pair<std::string_view, SerialFormat>, 4> kFormats{{
    {"le", SerialFormat::LittleEndian},
    {"be", SerialFormat::BigEndian},
    {"dec", SerialFormat::Decimal},
    {"hex", SerialFormat::Hex},
}};

bool IsText(SerialFormat format) {
    return format == SerialFormat::Decimal || format == SerialFormat::Hex;
}

template <typename T>
bool Parse(std::string_view text, T& value, int base) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

std::optional<SerialFormat> ParseSerialFormat(std::string_view text) {
    for (const auto& [name, format] : kFormats) {
        if (text == name)
            return format;
    }
    return std::nullopt;
}

std::string CheckSerialWidth(SerialFormat format, unsigned width) {
    const unsigned most = IsText(format) ? kMaxTextWidth : kMaxBinaryWidth;
    if (width >= 1 && width <= most)
        return {};
    return "a serial number is 1 to " + std::to_string(most) +
           (IsText(format) ? " digits wide" : " bytes wide in binary");
}

bool ParseSerialPlace(std::string_view text, std::uint32_t& address, unsigned& width) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view addr = text.substr(0, colon);
    const bool hex = addr.starts_with("0x") || addr.starts_with("0X");
    if (hex)
        addr.remove_prefix(2);
    return Parse(addr, address, hex ? 16 : 10) && Parse(text.substr(colon + 1), width, 10);
}

std::optional<std::vector<std::uint8_t>> EncodeSerial(std::uint64_t value, SerialFormat format,
                                                      unsigned width) {
    std::vector<std::uint8_t> bytes;
    if (IsText(format)) {
        std::array<char, 24> digits{};
        const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                             format == SerialFormat::Hex ? 16 : 10);
        std::string text(digits.data(), end);
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ec != std::errc() || text.size() > width)
            return std::nullopt;
        bytes.assign(width - text.size(), '0');
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    }
    if (width < 8 && value >> (8 * width) != 0)
        return std::nullopt;
    for (unsigned i = 0; i < width; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    if (format == SerialFormat::BigEndian)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view line) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : line) {
        if (c == ' ' || c == '\t' || c == ':') {
            if (high >= 0)
                return std::nullopt;  // a byte is two digits
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty())
        return std::nullopt;
    return bytes;
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    return text;
}

}  // namespace cli
