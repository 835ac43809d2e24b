// PrepareImage on images with addresses: the checksum and table are those of the flat image,
// a file that cannot be read shows its fault beneath " Read File to Buffer fail" and prepares
// nothing, the base comes from the profile's [IMAGE] section, and a board's own data is patched
// into the flat image at its target address before any sum is taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/image_patch.h"
#include "job/job_image.h"
#include "job/prepare_image.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "settings/app_settings.h"
#include "support/image_records.h"
#include "support/recording_target.h"
#include "support/temp_dir.h"

using testing_support::RecordingTarget;
using testing_support::TempDir;

namespace {

// A record and its line end.
std::string Record(std::uint8_t type, std::uint16_t offset, std::vector<std::uint8_t> data) {
    return testing_support::HexRecord(type, offset, data) + "\n";
}

struct Box {
    std::string text, details;
    bool operator==(const Box&) const = default;
};

class PrepareAddressedImage : public ::testing::Test {
  protected:
    TempDir dir;
    RecordingTarget dialog;
    std::vector<Box> boxes;
    std::vector<std::optional<image::Layout>> reports;
    std::vector<std::uint8_t> reportedBytes;  // the last image reported, as it was reported
    platform::MessageBoxHook previous;
    PreparedImageHook previousReport;

    void SetUp() override {
        AppSettings = {};
        ProgramJob.dialog = &dialog;
        previous =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view details) {
                boxes.push_back({std::string(text), std::string(details)});
            });
        previousReport = SetPreparedImageHook(
            [this](const image::Layout* layout, std::span<const std::uint8_t> bytes) {
                if (layout) {
                    EXPECT_EQ(bytes.size(), layout->size);
                }
                reports.push_back(layout ? std::optional(*layout) : std::nullopt);
                reportedBytes.assign(bytes.begin(), bytes.end());
            });
    }
    void TearDown() override {
        FreeJobBuffers(ProgramJob);
        ProgramJob.dialog = nullptr;
        platform::SetMessageBoxHook(previous);
        SetPreparedImageHook(std::move(previousReport));
        SetImagePatch(std::nullopt);
        AppSettings = {};
    }

    bool Prepare(const std::string& name, const std::string& text) {
        AppSettings.tranFile = dir.File(name);
        testing_support::WriteFile(AppSettings.tranFile, text);
        return PrepareImage(ProgramJob);
    }
    std::uint16_t Entry(std::size_t i) const {
        return static_cast<std::uint16_t>(ProgramJob.blockSums[2 * i] << 8 |
                                          ProgramJob.blockSums[2 * i + 1]);
    }
};

TEST_F(PrepareAddressedImage, ChecksumsAreThoseOfTheFlatImage) {
    // 0x10 at 0x08000000 and 0x20 at 0x08001001: 4,098 bytes, 4,096 of them filled.
    const std::string hex = Record(4, 0, {0x08, 0x00}) + Record(0, 0, {0x10}) +
                            Record(0, 0x1001, {0x20}) + Record(1, 0, {});
    ASSERT_TRUE(Prepare("fw.hex", hex));
    EXPECT_EQ(ProgramJob.fileSize, 4098u);
    EXPECT_EQ(ProgramJob.fileBuffer[1], 0xFF);
    EXPECT_EQ(ProgramJob.fileBuffer[4097], 0x20);
    ASSERT_EQ(dialog.messages.size(), 1u);
    const JobStatus status = DecodeJobStatus(dialog.messages[0].wParam, dialog.messages[0].lParam);
    EXPECT_EQ(status.kind, kStatusFileChecksum);
    EXPECT_EQ(status.extra, static_cast<std::uint16_t>(0x10 + 0x20 + 4096 * 0xFF));
    EXPECT_EQ(Entry(0), static_cast<std::uint16_t>(0x10 + 4095 * 0xFF));
    EXPECT_EQ(Entry(1), static_cast<std::uint16_t>(0xFF + 0x20 + 4094 * 0xFF));
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_TRUE(reports[0]);
    EXPECT_EQ(reports[0]->base, 0x08000000u);
    EXPECT_EQ(reports[0]->filled, 4096u);
    EXPECT_FALSE(ProgramJob.imageFile.IsOpen());
}

TEST_F(PrepareAddressedImage, ABadFileShowsWhereBeneathTheBoxAndPreparesNothing) {
    const std::string bad = Record(0, 0, {1, 2}) + ":0100000001FF\n" + Record(1, 0, {});
    EXPECT_FALSE(Prepare("fw.hex", bad));
    EXPECT_EQ(
        boxes,
        (std::vector<Box>{
            {" Read File to Buffer fail",
             dir.File("fw.hex") + ": line 2: checksum 0xFF, but the record's bytes need 0xFE"}}));
    // No checksum for an image that does not exist; the file is closed, nothing is held.
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_FALSE(ProgramJob.imageFile.IsOpen());
    EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
    EXPECT_EQ(ProgramJob.readBackBuffer, nullptr);
    EXPECT_EQ(ProgramJob.blockSums, nullptr);
    EXPECT_EQ(reports, (std::vector<std::optional<image::Layout>>{std::nullopt}));

    boxes.clear();
    EXPECT_FALSE(Prepare("fw.elf",
                         "\x7f"
                         "ELF\x01\x01\x01"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, " Read File to Buffer fail");
    EXPECT_EQ(boxes[0].details, dir.File("fw.elf") +
                                    ": the ELF header is truncated: the file "
                                    "holds 7 bytes of it");
}

TEST_F(PrepareAddressedImage, TheBaseOfTheImageSection) {
    const std::string ini = dir.File("kven.INI");
    testing_support::WriteFile(ini, "[CURRENT]\nPORT=3\n[image]\n base = 0x07FFFF00 \n");
    AppSettings.iniPath = ini;
    LoadSettings();
    EXPECT_EQ(AppSettings.imageBase, "0x07FFFF00");
    // Saving keeps the section as the operator wrote it and adds nothing to it.
    SaveSettings();
    const auto saved = platform::IniFile::Load(ini);
    EXPECT_EQ(saved.Get("IMAGE", "BASE"), "0x07FFFF00");
    EXPECT_EQ(saved.Entries("IMAGE").size(), 1u);

    const std::string hex = Record(4, 0, {0x08, 0x00}) + Record(0, 0, {0x10}) + Record(1, 0, {});
    ASSERT_TRUE(Prepare("fw.hex", hex));
    EXPECT_EQ(ProgramJob.fileSize, 0x101u);
    EXPECT_EQ(ProgramJob.fileBuffer[0x100], 0x10);
    FreeJobBuffers(ProgramJob);

    // A base that is no address fails an image with addresses; a raw binary has none.
    AppSettings.imageBase = "0x8000000G";
    EXPECT_FALSE(Prepare("fw.hex", hex));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].details, dir.File("fw.hex") +
                                    ": the base \"0x8000000G\" (BASE of section [IMAGE]) is not an "
                                    "address: write it as 0x08000000 or in decimal");
    boxes.clear();
    EXPECT_TRUE(Prepare("fw.bin", hex));
    EXPECT_EQ(ProgramJob.fileSize, hex.size());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PrepareAddressedImage, ABoardsPatchGoesInAtItsTargetAddressBeforeTheSums) {
    // 0x10 at 0x08000000 and 0x20 at 0x08001001; the patch lands in the gap the reader filled.
    const std::string hex = Record(4, 0, {0x08, 0x00}) + Record(0, 0, {0x10}) +
                            Record(0, 0x1001, {0x20}) + Record(1, 0, {});
    ImagePatch patch;
    patch.address = 0x08000FFE;
    patch.bytes = {0x12, 0x34, 0x56};
    patch.what = "serial number 7";
    SetImagePatch(patch);
    ASSERT_TRUE(Prepare("fw.hex", hex));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ProgramJob.fileBuffer[0xFFE], 0x12);
    EXPECT_EQ(ProgramJob.fileBuffer[0x1000], 0x56);
    EXPECT_EQ(ProgramJob.fileBuffer[0x1001], 0x20);
    // The table's two blocks, and the file checksum, are those of the patched image.
    EXPECT_EQ(Entry(0), static_cast<std::uint16_t>(0x10 + 0x12 + 0x34 + 4093 * 0xFF));
    EXPECT_EQ(Entry(1), static_cast<std::uint16_t>(0x56 + 0x20 + 4094 * 0xFF));
    const JobStatus status = DecodeJobStatus(dialog.messages[0].wParam, dialog.messages[0].lParam);
    EXPECT_EQ(status.extra,
              static_cast<std::uint16_t>(0x10 + 0x20 + 0x12 + 0x34 + 0x56 + 4093 * 0xFF));
    // What was reported is the image as read, the same for every board.
    ASSERT_EQ(reportedBytes.size(), 4098u);
    EXPECT_EQ(reportedBytes[0xFFE], 0xFF);
    FreeJobBuffers(ProgramJob);

    // Below the base, or past the end of the flat image: refused, with where the image lies.
    for (const std::uint32_t address : {0x07FFFFFFu, 0x08001000u}) {
        boxes.clear();
        patch.address = address;
        SetImagePatch(patch);
        EXPECT_FALSE(Prepare("fw.hex", hex));
        ASSERT_EQ(boxes.size(), 1u) << address;
        EXPECT_EQ(boxes[0].text, "The serial number 7 does not lie inside the image");
        EXPECT_TRUE(
            boxes[0].details.ends_with("the image holds 0x08000000 to 0x08001001 (4098 bytes)"))
            << boxes[0].details;
        FreeJobBuffers(ProgramJob);
    }
    // Over the file's own data: refused unless it may overwrite.
    boxes.clear();
    patch.address = 0x08001001;
    patch.bytes = {0xAA};
    SetImagePatch(patch);
    EXPECT_FALSE(Prepare("fw.hex", hex));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The serial number 7 would overwrite the image's own bytes");
    FreeJobBuffers(ProgramJob);
    patch.overwrite = true;
    SetImagePatch(patch);
    ASSERT_TRUE(Prepare("fw.hex", hex));
    EXPECT_EQ(ProgramJob.fileBuffer[0x1001], 0xAA);
}

}  // namespace
