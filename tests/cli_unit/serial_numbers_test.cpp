// Serial numbers: their bytes in each format, list files, and the numbers used up, kept in a
// state file that several processes share.
#include <gtest/gtest.h>

#include "cli/line/serial_source.h"
#include "support/temp_dir.h"

namespace {

using cli::SerialFormat;
using Bytes = std::vector<std::uint8_t>;

TEST(SerialNumbers, EachFormatWritesItsBytesOrRefusesAValueTooWide) {
    EXPECT_EQ(cli::EncodeSerial(0x1234, SerialFormat::LittleEndian, 4), (Bytes{0x34, 0x12, 0, 0}));
    EXPECT_EQ(cli::EncodeSerial(0x1234, SerialFormat::BigEndian, 3), (Bytes{0, 0x12, 0x34}));
    EXPECT_EQ(cli::EncodeSerial(~0ull, SerialFormat::LittleEndian, 8), Bytes(8, 0xFF));
    EXPECT_FALSE(cli::EncodeSerial(0x10000, SerialFormat::BigEndian, 2));
    EXPECT_EQ(cli::EncodeSerial(42, SerialFormat::Decimal, 5), (Bytes{'0', '0', '0', '4', '2'}));
    EXPECT_EQ(cli::EncodeSerial(0xBEEF, SerialFormat::Hex, 6),
              (Bytes{'0', '0', 'B', 'E', 'E', 'F'}));
    EXPECT_FALSE(cli::EncodeSerial(100000, SerialFormat::Decimal, 5));

    std::uint32_t address = 0;
    unsigned width = 0;
    EXPECT_TRUE(cli::ParseSerialPlace("0x1ff0:4", address, width));
    EXPECT_EQ(address, 0x1FF0u);
    EXPECT_TRUE(cli::ParseSerialPlace("4096:16", address, width));
    EXPECT_EQ(address, 4096u);
    EXPECT_EQ(width, 16u);
    for (const char* bad : {"0x:4", "12", "0x10:", "0x1g:4", "0x100000000:4", "-1:4"})
        EXPECT_FALSE(cli::ParseSerialPlace(bad, address, width)) << bad;

    EXPECT_EQ(cli::ParseHexBytes("00 1B 2c"), (Bytes{0x00, 0x1B, 0x2C}));
    EXPECT_EQ(cli::ParseHexBytes("00:1b:2c"), (Bytes{0x00, 0x1B, 0x2C}));
    EXPECT_EQ(cli::ParseHexBytes("001B2C"), (Bytes{0x00, 0x1B, 0x2C}));
    for (const char* bad : {"", "0 01", "001", "zz", "0x01"})
        EXPECT_FALSE(cli::ParseHexBytes(bad)) << bad;
}

class SerialState : public ::testing::Test {
  protected:
    cli::SerialPlan Plan() const {
        cli::SerialPlan plan;
        plan.address = 0x10;
        plan.width = 4;
        plan.start = 100;
        plan.step = 10;
        plan.state = state;
        return plan;
    }
    std::unique_ptr<cli::SerialSource> Open(const cli::SerialPlan& plan) const {
        std::string error;
        auto source = cli::SerialSource::Open(plan, &error);
        EXPECT_TRUE(source) << error;
        return source;
    }
    std::uint64_t Take(cli::SerialSource& source, std::vector<cli::SerialSource::Taken>& kept) {
        std::string error;
        auto taken = source.Take(&error);
        EXPECT_TRUE(taken) << error;
        kept.push_back(*taken);
        return taken ? taken->position : 0;
    }

    testing_support::TempDir dir;
    std::string state = dir.File("serial.state");
};

TEST_F(SerialState, TwoSourcesOnOneFileNeverTakeOneNumberAndGiveBackInAnyOrder) {
    // Two processes of two ports, each with its own source on the same file.
    auto a = Open(Plan()), b = Open(Plan());
    ASSERT_TRUE(a && b);
    std::vector<cli::SerialSource::Taken> kept;
    EXPECT_EQ(Take(*a, kept), 100u);
    EXPECT_EQ(Take(*b, kept), 110u);
    EXPECT_EQ(kept[0].value.text, "100");
    EXPECT_EQ(kept[0].value.bytes, (Bytes{100, 0, 0, 0}));
    EXPECT_EQ(testing_support::ReadFile(state), "120\n");

    // The first board fails after the second took its number: 100 waits for the next board.
    std::string error;
    ASSERT_TRUE(a->GiveBack(kept[0], &error)) << error;
    EXPECT_EQ(testing_support::ReadFile(state), "120\nreturned 100\n");
    EXPECT_EQ(Take(*b, kept), 100u);
    // The last number taken simply becomes the next again.
    ASSERT_TRUE(b->GiveBack(kept[1], &error));
    EXPECT_EQ(testing_support::ReadFile(state), "110\n");
    EXPECT_EQ(Take(*a, kept), 110u);
    EXPECT_EQ(Take(*a, kept), 120u);

    // A later run goes on from the file, whatever --serial-start says.
    cli::SerialPlan again = Plan();
    again.start = 1;
    auto c = Open(again);
    EXPECT_EQ(Take(*c, kept), 130u);

    testing_support::WriteFile(state, "12x\n");
    EXPECT_FALSE(c->Take(&error));
    EXPECT_NE(error.find("does not hold a serial state"), std::string::npos) << error;
}

TEST_F(SerialState, AListGivesItsValuesInOrderUntilItIsUsedUp) {
    const std::string list = dir.File("list.txt");
    testing_support::WriteFile(list, "# MAC addresses\n00:1B:2C:00:00:01\n\n001B2C000002\r\n");
    cli::SerialPlan plan = Plan();
    plan.width = 6;
    plan.file = list;
    auto source = Open(plan);
    ASSERT_TRUE(source);
    std::vector<cli::SerialSource::Taken> kept;
    EXPECT_EQ(Take(*source, kept), 0u);
    EXPECT_EQ(kept[0].value.text, "001B2C000001");
    EXPECT_EQ(Take(*source, kept), 1u);
    std::string error;
    EXPECT_FALSE(source->Take(&error));
    EXPECT_EQ(error, "the serial list " + list + " is used up: its 2 values have all been taken");
    ASSERT_TRUE(source->GiveBack(kept[1], &error));
    EXPECT_EQ(Take(*source, kept), 1u);
    EXPECT_EQ(testing_support::ReadFile(state), "2\n");

    testing_support::WriteFile(list, "00 01 02\n");
    EXPECT_FALSE(cli::SerialSource::Open(plan, &error));
    EXPECT_EQ(error, list + ":1: '00 01 02' is not 6 bytes in hex");
}

}  // namespace
