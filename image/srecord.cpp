#include "image/srecord.h"

#include <array>

#include "image/text_lines.h"

namespace image {
namespace {

// Address bytes of S0 to S9; S4 is reserved (0).
constexpr std::array<std::size_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

struct Record {
    int type = 0;
    std::uint32_t address = 0;
    std::span<const std::uint8_t> data;
};

// Decodes and checks one line; the record, or the fault.
std::optional<ImageError> Parse(std::string_view line, Origin at,
                                std::array<std::uint8_t, 256>& buffer, Record& record) {
    if (line.front() != 'S')
        return ImageError{at, "a record begins with 'S', this line with " + Shown(line.front())};
    if (line.size() < 2 || line[1] < '0' || line[1] > '9') {
        return ImageError{at, line.size() < 2 ? std::string("no record type after 'S'")
                                              : Shown(line[1]) + " is no record type (S0 to S9)"};
    }
    record.type = line[1] - '0';
    if (record.type == 4)
        return ImageError{at, "S4 records are reserved and hold nothing Kven can program"};
    const std::string_view digits = line.substr(2);
    if (auto bad = DecodeHex(digits, buffer))
        return BadDigit(at, digits, *bad, 2);
    if (digits.size() % 2 != 0) {
        return ImageError{at, Printf("an odd number of hexadecimal digits (%zu)", digits.size())};
    }
    const std::size_t bytes = digits.size() / 2;
    if (bytes == 0)
        return ImageError{at, "no byte count after the record type"};
    const std::size_t count = buffer[0];
    if (bytes != count + 1) {
        return ImageError{
            at, Printf("the byte count says %zu bytes, the record holds %zu", count, bytes - 1)};
    }
    const std::size_t addressBytes = kAddressBytes[static_cast<std::size_t>(record.type)];
    if (count < addressBytes + 1) {
        return ImageError{at, Printf("too short for an S%d record: the byte count says %zu, its "
                                     "address and checksum take %zu",
                                     record.type, count, addressBytes + 1)};
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += buffer[i];
    const auto expected = static_cast<std::uint8_t>(~sum);
    if (buffer[count] != expected) {
        return ImageError{at, Printf("checksum 0x%02X, but the record's bytes need 0x%02X",
                                     buffer[count], expected)};
    }
    record.address = 0;
    for (std::size_t i = 0; i < addressBytes; ++i)
        record.address = record.address << 8 | buffer[1 + i];
    record.data = std::span(buffer).subspan(1 + addressBytes, count - addressBytes - 1);
    return std::nullopt;
}

}  // namespace

std::optional<ImageError> ReadSRecord(ByteSource& source, DataSink& sink) {
    LineReader lines(source);
    std::array<std::uint8_t, 256> buffer{};
    std::uint64_t dataRecords = 0;
    std::uint64_t endLine = 0;
    // A count that matches, with no data after it, proves the file complete as an end record
    // does: srec_cat writes no end record when it knows no start address.
    bool counted = false;
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
            return ImageError{at, Printf("a record after the end record of line %llu",
                                         static_cast<unsigned long long>(endLine))};
        }
        Record record;
        if (auto error = Parse(line, at, buffer, record))
            return error;
        switch (record.type) {
            case 1:
            case 2:
            case 3:
                ++dataRecords;
                counted = false;
                if (auto error =
                        sink.Data(record.address, record.data.size(), record.data.data(), at))
                    return error;
                break;
            case 5:
            case 6:
                if (record.address != dataRecords) {
                    return ImageError{
                        at, Printf("the S%d record counts %lu data records, the "
                                   "file has %llu before it",
                                   record.type, static_cast<unsigned long>(record.address),
                                   static_cast<unsigned long long>(dataRecords))};
                }
                counted = true;
                break;
            case 7:
            case 8:
            case 9:
                endLine = lines.Number();
                break;
            default:  // S0: the header, a name for people
                break;
        }
    }
    if (endLine == 0 && !counted && lines.Number() == 0)
        return ImageError{{}, "the file holds no record, not even an end record"};
    if (endLine == 0 && !counted) {
        return ImageError{{},
                          Printf("the file ends after line %llu without an end record (S7, "
                                 "S8 or S9) or a count (S5, S6) after its last data",
                                 static_cast<unsigned long long>(lines.Number()))};
    }
    return std::nullopt;
}

}  // namespace image
