// The lines of a text image (Intel HEX, S-record), read from the source a piece at a time, and
// the hexadecimal digits of a record.
//
// Threading: a LineReader is used by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "image/error.h"
#include "image/source.h"

namespace image {

class LineReader {
  public:
    // No record of either format is this long; a longer line is a fault, never a reason to
    // hold more of the file.
    static constexpr std::size_t kMaxLine = 1024;

    explicit LineReader(ByteSource& source);

    // The next line, without its end (LF or CR LF) and trailing blanks; false at the end of
    // the source.
    bool Next(std::string_view& line);
    // The number of the line Next gave last, from 1.
    std::uint64_t Number() const { return number_; }
    // That line was longer than kMaxLine (only its start was given).
    bool TooLong() const { return tooLong_; }

  private:
    bool Refill();

    ByteSource& source_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;  // the unread part of buffer_
    std::uint64_t offset_ = 0;         // of the source, where the next refill reads
    std::uint64_t number_ = 0;
    bool tooLong_ = false;
};

// Decodes the pairs of hexadecimal digits of `digits` into `out` (digits.size() / 2 bytes).
// On a character that is no hexadecimal digit, its index in `digits`.
std::optional<std::size_t> DecodeHex(std::string_view digits, std::span<std::uint8_t> out);

// The fault of a line whose digits do not decode: "column 9: 'G' is not a hexadecimal digit",
// the column counted from 1 on the whole line, `skipped` characters before `digits`.
ImageError BadDigit(Origin origin, std::string_view digits, std::size_t index, std::size_t skipped);

// `c` for a message: the character itself when printable, else its code.
std::string Shown(char c);

}  // namespace image
