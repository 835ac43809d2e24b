// Intel HEX and S-record: what each record type does, and every fault with its message.
#include <gtest/gtest.h>

#include <cctype>

#include "image/text_lines.h"
#include "image_support.h"

namespace {

using image::Format;
using namespace image_test;

std::vector<std::uint8_t> Seq(std::size_t n, std::uint8_t from = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(from + i);
    return v;
}

TEST(IntelHex, AddressesHolesAndStartRecords) {
    // Linear addresses carry on past a 64 KiB boundary; a segment's offset wraps inside it.
    const std::string text = Lines({
        HexRecord(4, 0, {0x08, 0x00}),
        HexRecord(0, 0xFFFE, {1, 2, 3, 4}),
        HexRecord(5, 0, {0x08, 0x00, 0x01, 0x01}),  // start address: not programmed
        HexRecord(4, 0, {0x08, 0x01}),
        HexRecord(0, 0x0010, {9}),
        kHexEnd,
    });
    auto flat = Flat(Format::IntelHex, text);
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(flat)) << std::get<std::string>(flat);
    auto& image = std::get<image::FlatImage>(flat);
    EXPECT_EQ(image.layout.base, 0x0800FFFEu);
    EXPECT_EQ(image.layout.first, 0x0800FFFEu);
    EXPECT_EQ(image.layout.last, 0x08010010u);
    EXPECT_EQ(image.layout.size, 0x13u);
    EXPECT_EQ(image.layout.filled, 0x13u - 5);
    std::vector<std::uint8_t> expected(0x13, 0xFF);
    expected[0] = 1, expected[1] = 2, expected[2] = 3, expected[3] = 4, expected[0x12] = 9;
    EXPECT_EQ(Bytes(image), expected);

    const std::string segmented = Lines({
        HexRecord(2, 0, {0x10, 0x00}),  // segment 0x1000: addresses 0x10000..0x1FFFF
        HexRecord(0, 0xFFFE, {1, 2, 3, 4}),
        HexRecord(3, 0, {0, 0, 0, 0}),
        kHexEnd,
    });
    auto wrapped = Flat(Format::IntelHex, segmented);
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(wrapped));
    auto& w = std::get<image::FlatImage>(wrapped);
    EXPECT_EQ(w.layout.base, 0x10000u);
    EXPECT_EQ(w.layout.size, 0x10000u);
    EXPECT_EQ(w.layout.filled, 0x10000u - 4);
    EXPECT_EQ(w.bytes[0], 3);
    EXPECT_EQ(w.bytes[1], 4);
    EXPECT_EQ(w.bytes[0xFFFE], 1);
    EXPECT_EQ(w.bytes[0xFFFF], 2);
}

TEST(IntelHex, TextAsEditorsAndOldToolsLeaveIt) {
    // Blank lines, CR LF, lower case, trailing blanks, Ctrl+Z after the end; a record given
    // twice with the same bytes; an empty data record.
    std::string record = HexRecord(0, 0x100, Seq(16));
    for (char& c : record)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string text = "\r\n" + record + "  \r\n\r\n" + HexRecord(0, 0x108, Seq(4, 8)) +
                             "\r\n" + HexRecord(0, 0x50, {}) + "\r\n" + kHexEnd + "\r\n\x1a";
    auto flat = Flat(Format::IntelHex, text);
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(flat)) << std::get<std::string>(flat);
    EXPECT_EQ(Bytes(std::get<image::FlatImage>(flat)), Seq(16));
    // Only the end record: no data, nothing to program.
    auto empty = Flat(Format::IntelHex, Lines({kHexEnd}));
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(empty));
    EXPECT_EQ(std::get<image::FlatImage>(empty).layout.size, 0u);
}

TEST(IntelHex, EachFaultIsNamedWithItsLine) {
    const std::string data = HexRecord(0, 0x10, {0xAA, 0xBB});
    struct Case {
        std::string text;
        std::string fault;
    };
    const Case cases[] = {
        {Lines({data, ":0400000001020304F3", kHexEnd}),
         "f: line 2: checksum 0xF3, but the record's bytes need 0xF2"},
        {Lines({":0500000001020304EE", kHexEnd}),
         "f: line 1: the length field says 5 data bytes, the record holds 4"},
        {Lines({":04000000010G0304F2", kHexEnd}),
         "f: line 1: column 13: 'G' is not a hexadecimal digit"},
        {Lines({":04000000 1020304F2", kHexEnd}),
         "f: line 1: column 10: the character 0x20 is not a hexadecimal digit"},
        {Lines({data, "0400000001020304F2"}),
         "f: line 2: a record begins with ':', this line with '0'"},
        {Lines({":0400000001020304F", kHexEnd}),
         "f: line 1: an odd number of hexadecimal digits (17)"},
        {Lines({":00000001", kHexEnd}), "f: line 1: too short for a record: 4 bytes, at least 5"},
        {Lines({data}),
         "f: the file ends after line 1 without an end-of-file record (:00000001FF)"},
        {"\n\n", "f: the file ends after line 2 without an end-of-file record (:00000001FF)"},
        {Lines({data, kHexEnd, data}),
         "f: line 3: a record after the end-of-file record of line 2"},
        {Lines({HexRecord(6, 0, {}), kHexEnd}), "f: line 1: unknown record type 06"},
        {Lines({HexRecord(4, 0, {1}), kHexEnd}),
         "f: line 1: a record of type 04 holds 2 data bytes, this one 1"},
        {Lines({HexRecord(1, 0, {1}), kHexEnd}),
         "f: line 1: a record of type 01 holds 0 data bytes, this one 1"},
        {Lines({data, HexRecord(0, 0x10, {0xAA, 0x55}), kHexEnd}),
         "f: line 2: address 0x00000011 is given 0x55 here but 0xBB earlier in the file"},
        {Lines({":" + std::string(1100, '0'), kHexEnd}),
         "f: line 1: longer than any record (more than 1024 characters)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaultOf(Format::IntelHex, c.text), c.fault) << c.text;
}

TEST(IntelHex, TheImageIsBoundedBeforeItIsMade) {
    // An address far from the others is refused before anything of that size exists; the
    // message names both ends.
    const std::string far = Lines(
        {HexRecord(0, 0, {1}), HexRecord(4, 0, {0xFF, 0xFF}), HexRecord(0, 0xFFFF, {2}), kHexEnd});
    EXPECT_EQ(FaultOf(Format::IntelHex, far),
              "f: line 3: the data at 0xFFFFFFFF..0xFFFFFFFF reaches more than 4194304 bytes (the "
              "most an image holds) past the lowest address, 0x00000000 of line 1");
    const std::string below = Lines({HexRecord(4, 0, {0xFF, 0xFF}), HexRecord(0, 0xFFFF, {2}),
                                     HexRecord(4, 0, {0, 0}), HexRecord(0, 0, {1}), kHexEnd});
    EXPECT_EQ(FaultOf(Format::IntelHex, below),
              "f: line 4: the data at 0x00000000..0x00000000 lies more than 4194304 bytes (the "
              "most an image holds) below the highest address, 0xFFFFFFFF of line 2");
    // One byte past 4 MiB from the base, and the last byte that still fits.
    const auto at = [](std::uint32_t address) {
        return Lines({HexRecord(4, 0, {std::uint8_t(address >> 24), std::uint8_t(address >> 16)}),
                      HexRecord(0, std::uint16_t(address), {7}), kHexEnd});
    };
    EXPECT_EQ(FaultOf(Format::IntelHex, at(0x08400000), 0x08000000),
              "f: line 2: the data at 0x08400000..0x08400000 reaches more than 4194304 bytes (the "
              "most an image holds) past the base 0x08000000");
    auto fits = Flat(Format::IntelHex, at(0x083FFFFF), 0x08000000);
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(fits));
    EXPECT_EQ(std::get<image::FlatImage>(fits).layout.size, 0x400000u);
    EXPECT_EQ(std::get<image::FlatImage>(fits).layout.filled, 0x3FFFFFu);
    EXPECT_EQ(FaultOf(Format::IntelHex, at(0x07FFFFFF), 0x08000000),
              "f: line 2: the data at 0x07FFFFFF lies below the base 0x08000000");
    // A single byte at the top of the address space is an image of one byte.
    auto top = Flat(Format::IntelHex, at(0xFFFFFFFF));
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(top));
    EXPECT_EQ(std::get<image::FlatImage>(top).layout.base, 0xFFFFFFFFu);
    EXPECT_EQ(std::get<image::FlatImage>(top).layout.size, 1u);
}

TEST(SRecord, AllDataRecordsCountsAndEnds) {
    const std::string text = Lines({
        SRecord(0, 0, {'f', 'w'}),
        SRecord(1, 0x1000, {1, 2}),
        SRecord(2, 0x001002, {3}),
        SRecord(3, 0x00001004, {5, 6}),
        SRecord(5, 3, {}),
        SRecord(9, 0x1000, {}),
    });
    auto flat = Flat(Format::SRecord, text);
    ASSERT_TRUE(std::holds_alternative<image::FlatImage>(flat)) << std::get<std::string>(flat);
    auto& image = std::get<image::FlatImage>(flat);
    EXPECT_EQ(image.layout.base, 0x1000u);
    EXPECT_EQ(Bytes(image), (std::vector<std::uint8_t>{1, 2, 3, 0xFF, 5, 6}));
    EXPECT_EQ(image.layout.filled, 1u);
    // A count after the last data closes a file as an end record does (srec_cat's files
    // without a start address).
    EXPECT_EQ(FaultOf(Format::SRecord, Lines({SRecord(1, 0, {1}), SRecord(5, 1, {})})), "no fault");
    // S6 counts with 24 bits; S7 and S8 end as S9 does.
    for (int end : {7, 8}) {
        EXPECT_EQ(FaultOf(Format::SRecord,
                          Lines({SRecord(1, 0, {1}), SRecord(6, 1, {}), SRecord(end, 0, {})})),
                  "no fault");
    }
}

TEST(SRecord, EachFaultIsNamedWithItsLine) {
    const std::string data = SRecord(1, 0x10, {0xAA});
    const std::string end = SRecord(9, 0, {});
    struct Case {
        std::string text;
        std::string fault;
    };
    const Case cases[] = {
        {Lines({data, "S1040010AA40", end}),
         "f: line 2: checksum 0x40, but the record's bytes need 0x41"},
        {Lines({"S1050010AA41", end}),
         "f: line 1: the byte count says 5 bytes, the record holds 4"},
        {Lines({"S1040010AZ41", end}), "f: line 1: column 10: 'Z' is not a hexadecimal digit"},
        {Lines({"S10", end}), "f: line 1: an odd number of hexadecimal digits (1)"},
        {Lines({"S1", end}), "f: line 1: no byte count after the record type"},
        {Lines({"S1020010", end}),
         "f: line 1: too short for an S1 record: the byte count says 2, its address and checksum "
         "take 3"},
        {Lines({"S3030000FC", end}),
         "f: line 1: too short for an S3 record: the byte count says 3, its address and checksum "
         "take 5"},
        {Lines({SRecord(4, 0, {}), end}),
         "f: line 1: S4 records are reserved and hold nothing Kven can program"},
        {Lines({"SX0300FC", end}), "f: line 1: 'X' is no record type (S0 to S9)"},
        {Lines({"S", end}), "f: line 1: no record type after 'S'"},
        {Lines({":0300FC", end}), "f: line 1: a record begins with 'S', this line with ':'"},
        {Lines({data, data, SRecord(5, 3, {}), end}),
         "f: line 3: the S5 record counts 3 data records, the file has 2 before it"},
        {Lines({data, SRecord(6, 0, {}), end}),
         "f: line 2: the S6 record counts 0 data records, the file has 1 before it"},
        {Lines({SRecord(0, 0, {}), data}),
         "f: the file ends after line 2 without an end record (S7, S8 or S9) or a count (S5, S6) "
         "after its last data"},
        {Lines({data, SRecord(5, 1, {}), data}),
         "f: the file ends after line 3 without an end record (S7, S8 or S9) or a count (S5, S6) "
         "after its last data"},
        {Lines({data, end, data}), "f: line 3: a record after the end record of line 2"},
        {Lines({data, SRecord(2, 0x10, {0x55}), end}),
         "f: line 2: address 0x00000010 is given 0x55 here but 0xAA earlier in the file"},
        {Lines({SRecord(3, 0xFFFFFFFF, {1, 2}), end}),
         "f: line 1: 2 bytes at 0xFFFFFFFF run past 0xFFFFFFFF, the end of the 32-bit address "
         "space"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaultOf(Format::SRecord, c.text), c.fault) << c.text;
}

TEST(LineReader, LinesAcrossPiecesOfTheFile) {
    // Lines that straddle the reader's 64 KiB pieces come whole, numbered in order.
    std::string text;
    for (int i = 0; i < 9000; ++i)
        text += std::string(static_cast<std::size_t>(i % 37), 'a') + (i % 3 ? "\r\n" : "\n");
    text += "last";
    image::MemorySource source(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    image::LineReader lines(source);
    std::string_view line;
    for (int i = 0; i < 9000; ++i) {
        ASSERT_TRUE(lines.Next(line));
        ASSERT_EQ(line.size(), static_cast<std::size_t>(i % 37)) << i;
        ASSERT_FALSE(lines.TooLong());
    }
    ASSERT_TRUE(lines.Next(line));
    EXPECT_EQ(line, "last");
    EXPECT_EQ(lines.Number(), 9001u);
    EXPECT_FALSE(lines.Next(line));
}

}  // namespace
