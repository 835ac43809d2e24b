// From a file to its flat image: the name chooses the format, the content confirms it, a
// request forces one or sets the base; a raw binary is read as it always was.
#include <gtest/gtest.h>

#include "image_support.h"
#include "support/temp_dir.h"

namespace {

using image::Format;
using image::Status;
using namespace image_test;
using testing_support::TempDir;

class LoadImage : public ::testing::Test {
  protected:
    TempDir dir;

    image::Loaded Load(const std::string& name, const std::string& content,
                       const image::Request& request = {}, std::uint32_t limit = kLimit) {
        const std::string path = dir.File(name);
        testing_support::WriteFile(path, content);
        platform::ImageFile file;
        image::Loaded loaded = image::Load(file, path, request, limit);
        EXPECT_EQ(file.IsOpen(), loaded.status != Status::Unopened);
        return loaded;
    }
    std::string Path(const std::string& name) const { return dir.File(name); }
};

TEST(ImageFormat, NamesChooseKeysAndTitles) {
    for (const char* name : {"fw.hex", "FW.HEX", "a/b.c/fw.ihex", "x.ihx"})
        EXPECT_EQ(image::FormatForName(name), Format::IntelHex) << name;
    for (const char* name : {"fw.s19", "fw.S28", "fw.s37", "fw.srec", "fw.mot"})
        EXPECT_EQ(image::FormatForName(name), Format::SRecord) << name;
    for (const char* name : {"fw.elf", "fw.AXF"})
        EXPECT_EQ(image::FormatForName(name), Format::Elf) << name;
    for (const char* name : {"fw.bin", "fw", "fw.hex/image", "fw.hex.bin", ".hex2", "hex"})
        EXPECT_EQ(image::FormatForName(name), Format::Raw) << name;
    for (Format f : {Format::Raw, Format::IntelHex, Format::SRecord, Format::Elf})
        EXPECT_EQ(image::FormatFromKey(image::FormatKey(f)), f);
    EXPECT_FALSE(image::FormatFromKey("ihex"));

    EXPECT_EQ(image::ParseAddress("0x08000000"), 0x08000000u);
    EXPECT_EQ(image::ParseAddress("0XfFfFfFfF"), 0xFFFFFFFFu);
    EXPECT_EQ(image::ParseAddress("4096"), 4096u);
    for (const char* bad : {"", "0x", "0x100000000", "4294967296", "-1", "0x8 ", "12k", "+1"})
        EXPECT_FALSE(image::ParseAddress(bad)) << bad;
}

TEST_F(LoadImage, TheNameChoosesAndTheContentConfirms) {
    const std::string hex = Lines({HexRecord(0, 0x40, {1, 2}), kHexEnd});
    auto loaded = Load("fw.HEX", "\n" + hex);
    ASSERT_EQ(loaded.status, Status::Ok) << loaded.detail;
    EXPECT_EQ(loaded.image.layout.format, Format::IntelHex);
    EXPECT_EQ(image::Describe(loaded.image.layout),
              "Intel HEX, data 0x00000040..0x00000041, base 0x00000040, 2 bytes, 0 filled with "
              "0xFF");
    // A name that says HEX never falls back to raw: text that is not HEX is refused.
    loaded = Load("fw.hex", "\x02\x00\x00\x20");
    EXPECT_EQ(loaded.status, Status::Bad);
    EXPECT_EQ(loaded.detail,
              Path("fw.hex") + ": the name says Intel HEX, but the file does not begin with ':'");
    loaded = Load("fw.s19", hex);
    EXPECT_EQ(loaded.detail, Path("fw.s19") +
                                 ": the name says Motorola S-record, but the file does not begin "
                                 "with 'S'");
    loaded = Load("fw.elf", "");
    EXPECT_EQ(loaded.detail, Path("fw.elf") + ": the name says ELF, but the file is empty");
    // A format asked for is confirmed the same way; raw reads anything as it is.
    loaded = Load("fw.bin", hex, {Format::IntelHex, {}, {}});
    ASSERT_EQ(loaded.status, Status::Ok);
    EXPECT_EQ(loaded.image.layout.size, 2u);
    loaded = Load("fw.bin", hex, {Format::Elf, {}, {}});
    EXPECT_EQ(loaded.detail, Path("fw.bin") +
                                 ": read as ELF, but the file does not begin with "
                                 "the ELF magic number (7F 45 4C 46)");
    loaded = Load("fw.hex", hex, {Format::Raw, {}, {}});
    ASSERT_EQ(loaded.status, Status::Ok);
    EXPECT_EQ(loaded.image.layout.size, hex.size());
    EXPECT_EQ(std::string(loaded.image.bytes.get(), loaded.image.bytes.get() + hex.size()), hex);
}

TEST_F(LoadImage, TheBaseAskedFor) {
    const std::string hex = Lines({HexRecord(0, 0x40, {1, 2}), kHexEnd});
    auto loaded = Load("fw.hex", hex, {{}, 0x30, {}});
    ASSERT_EQ(loaded.status, Status::Ok);
    EXPECT_EQ(loaded.image.layout.base, 0x30u);
    EXPECT_EQ(loaded.image.layout.size, 0x12u);
    EXPECT_EQ(loaded.image.layout.filled, 0x10u);
    EXPECT_EQ(loaded.image.bytes[0], 0xFF);
    EXPECT_EQ(loaded.image.bytes[0x10], 1);
    loaded = Load("fw.hex", hex, {{}, 0x41, {}});
    EXPECT_EQ(loaded.detail,
              Path("fw.hex") + ": line 1: the data at 0x00000040 lies below the base 0x00000041");
    // A base that is no address fails an image with addresses, not a raw binary.
    loaded = Load("fw.hex", hex, {{}, {}, "the base is wrong"});
    EXPECT_EQ(loaded.detail, Path("fw.hex") + ": the base is wrong");
    loaded = Load("fw.bin", hex, {{}, {}, "the base is wrong"});
    EXPECT_EQ(loaded.status, Status::Ok);
}

TEST_F(LoadImage, RawBinariesAsEver) {
    auto loaded = Load("fw.bin", std::string(100, 'x'), {}, 100);
    ASSERT_EQ(loaded.status, Status::Ok);
    EXPECT_EQ(loaded.image.layout.format, Format::Raw);
    EXPECT_EQ(loaded.image.layout.size, 100u);
    EXPECT_EQ(image::Describe(loaded.image.layout), "raw binary, 100 bytes");
    loaded = Load("fw.bin", std::string(101, 'x'), {}, 100);
    EXPECT_EQ(loaded.status, Status::TooLong);
    EXPECT_EQ(loaded.image.bytes, nullptr);
    platform::ImageFile file;
    EXPECT_EQ(image::Load(file, Path("missing.hex"), {}, kLimit).status, Status::Unopened);
    EXPECT_EQ(image::Load(file, dir.path().string(), {}, kLimit).status, Status::Unopened);
}

}  // namespace
