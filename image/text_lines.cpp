#include "image/text_lines.h"

#include <array>
#include <cstring>

namespace image {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> kHexValue = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNotHex);
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
        table[c - 'A' + 'a'] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return table;
}();

// Blanks that may end a line: spaces, tabs, the CR of CR LF, and the Ctrl+Z that old DOS tools
// put after the last record.
bool IsTrailingBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\x1a';
}

}  // namespace

LineReader::LineReader(ByteSource& source) : source_(source), buffer_(kChunk + kMaxLine) {}

bool LineReader::Refill() {
    // The unread part moves to the front; the rest of the buffer is filled.
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const auto room =
        std::span(reinterpret_cast<std::uint8_t*>(buffer_.data()) + end_, buffer_.size() - end_);
    const std::size_t n = source_.ReadAt(offset_, room);
    offset_ += n;
    end_ += n;
    return n > 0;
}

bool LineReader::Next(std::string_view& line) {
    tooLong_ = false;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        std::size_t length = 0;
        if (newline) {
            length = static_cast<std::size_t>(newline - start);
            begin_ += length + 1;
        } else if (end_ - begin_ > kMaxLine) {
            length = kMaxLine;
            tooLong_ = true;
            begin_ = end_;
        } else if (Refill()) {
            continue;
        } else if (begin_ < end_) {
            // The last line has no line end.
            length = end_ - begin_;
            begin_ = end_;
        } else {
            return false;
        }
        ++number_;
        if (length > kMaxLine) {
            length = kMaxLine;
            tooLong_ = true;
        }
        while (length > 0 && IsTrailingBlank(start[length - 1]))
            --length;
        line = std::string_view(start, length);
        return true;
    }
}

std::optional<std::size_t> DecodeHex(std::string_view digits, std::span<std::uint8_t> out) {
    const std::size_t pairs = std::min(digits.size() / 2, out.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::uint8_t high = kHexValue[static_cast<unsigned char>(digits[2 * i])];
        const std::uint8_t low = kHexValue[static_cast<unsigned char>(digits[2 * i + 1])];
        if (high == kNotHex || low == kNotHex)
            return high == kNotHex ? 2 * i : 2 * i + 1;
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return std::nullopt;
}

ImageError BadDigit(Origin origin, std::string_view digits, std::size_t index,
                    std::size_t skipped) {
    return {origin, Printf("column %llu: %s is not a hexadecimal digit",
                           static_cast<unsigned long long>(skipped + index + 1),
                           Shown(digits[index]).c_str())};
}

std::string Shown(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F)
        return Printf("'%c'", c);
    return Printf("the character 0x%02X", u);
}

}  // namespace image
