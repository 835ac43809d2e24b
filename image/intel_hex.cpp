#include "image/intel_hex.h"

#include <array>

#include "image/text_lines.h"

namespace image {
namespace {

enum RecordType : std::uint8_t {
    kData = 0,
    kEndOfFile = 1,
    kSegmentAddress = 2,
    kStartSegment = 3,
    kLinearAddress = 4,
    kStartLinear = 5,
};

// Bytes of a record around its data: length, address (2), type, checksum.
constexpr std::size_t kFrame = 5;

// The data length each record type other than data must have.
constexpr std::array<int, 6> kFixedLength = {-1, 0, 2, 4, 2, 4};

struct Record {
    std::uint8_t type = 0;
    std::uint16_t offset = 0;
    std::span<const std::uint8_t> data;
};

// Decodes and checks one line; the record, or the fault.
std::optional<ImageError> Parse(std::string_view line, Origin at,
                                std::array<std::uint8_t, kFrame + 255>& buffer, Record& record) {
    if (line.front() != ':')
        return ImageError{at, "a record begins with ':', this line with " + Shown(line.front())};
    const std::string_view digits = line.substr(1);
    if (auto bad = DecodeHex(digits, buffer))
        return BadDigit(at, digits, *bad, 1);
    if (digits.size() % 2 != 0) {
        return ImageError{at, Printf("an odd number of hexadecimal digits (%zu)", digits.size())};
    }
    const std::size_t bytes = digits.size() / 2;
    if (bytes < kFrame) {
        return ImageError{at,
                          Printf("too short for a record: %zu bytes, at least %zu", bytes, kFrame)};
    }
    const std::size_t length = buffer[0];
    if (bytes != length + kFrame) {
        return ImageError{at, Printf("the length field says %zu data bytes, the record holds %zu",
                                     length, bytes - kFrame)};
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes; ++i)
        sum += buffer[i];
    const auto expected = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    if (buffer[bytes - 1] != expected) {
        return ImageError{at, Printf("checksum 0x%02X, but the record's bytes need 0x%02X",
                                     buffer[bytes - 1], expected)};
    }
    record.type = buffer[3];
    record.offset = static_cast<std::uint16_t>(buffer[1] << 8 | buffer[2]);
    record.data = std::span(buffer).subspan(4, length);
    if (record.type < kFixedLength.size() && kFixedLength[record.type] >= 0 &&
        length != static_cast<std::size_t>(kFixedLength[record.type])) {
        return ImageError{at, Printf("a record of type %02X holds %d data bytes, this one %zu",
                                     record.type, kFixedLength[record.type], length)};
    }
    if (record.type > kStartLinear)
        return ImageError{at, Printf("unknown record type %02X", record.type)};
    return std::nullopt;
}

std::uint32_t Word(std::span<const std::uint8_t> data) {
    return std::uint32_t{data[0]} << 8 | data[1];
}

}  // namespace

std::optional<ImageError> ReadIntelHex(ByteSource& source, DataSink& sink) {
    LineReader lines(source);
    std::array<std::uint8_t, kFrame + 255> buffer{};
    // The extended address: a segment's base (02) or the upper half of a linear address (04).
    std::uint32_t extended = 0;
    bool segmented = false;
    std::uint64_t endLine = 0;
    std::string_view line;
    while (lines.Next(line)) {
        const Origin at = Origin::Line(lines.Number());
        if (lines.TooLong()) {
            return ImageError{at, Printf("longer than any record (more than %zu characters)",
                                         LineReader::kMaxLine)};
        }
        if (line.empty())
            continue;
        if (endLine != 0) {
            return ImageError{at, Printf("a record after the end-of-file record of line %llu",
                                         static_cast<unsigned long long>(endLine))};
        }
        Record record;
        if (auto error = Parse(line, at, buffer, record))
            return error;
        switch (record.type) {
            case kData: {
                if (!segmented) {
                    if (auto error = sink.Data(std::uint64_t{extended} + record.offset,
                                               record.data.size(), record.data.data(), at))
                        return error;
                    break;
                }
                // Within a segment the offset wraps at 64 KiB.
                const std::size_t before = std::min<std::size_t>(
                    record.data.size(), 0x10000u - std::size_t{record.offset});
                if (auto error = sink.Data(std::uint64_t{extended} + record.offset, before,
                                           record.data.data(), at))
                    return error;
                if (auto error = sink.Data(extended, record.data.size() - before,
                                           record.data.data() + before, at))
                    return error;
                break;
            }
            case kEndOfFile:
                endLine = lines.Number();
                break;
            case kSegmentAddress:
                extended = Word(record.data) << 4;
                segmented = true;
                break;
            case kLinearAddress:
                extended = Word(record.data) << 16;
                segmented = false;
                break;
            default:  // start addresses: nothing to program
                break;
        }
    }
    if (endLine == 0 && lines.Number() == 0)
        return ImageError{{}, "the file holds no record, not even the end-of-file record"};
    if (endLine == 0) {
        return ImageError{{},
                          Printf("the file ends after line %llu without an end-of-file "
                                 "record (:00000001FF)",
                                 static_cast<unsigned long long>(lines.Number()))};
    }
    return std::nullopt;
}

}  // namespace image
