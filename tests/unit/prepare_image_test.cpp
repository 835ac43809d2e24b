#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "job/prepare_image.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "support/recording_target.h"
#include "support/temp_dir.h"

using testing_support::RecordingTarget;
using testing_support::TempDir;

namespace {

class PrepareImageTest : public ::testing::Test {
  protected:
    TempDir dir;
    RecordingTarget dialog;
    std::vector<std::string> boxes;
    std::vector<std::string> details;
    platform::MessageBoxHook previous;

    void SetUp() override {
        ProgramJob.dialog = &dialog;
        previous =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view detail) {
                boxes.emplace_back(text);
                details.emplace_back(detail);
            });
    }
    void TearDown() override {
        FreeJobBuffers(ProgramJob);
        ProgramJob.dialog = nullptr;
        platform::SetMessageBoxHook(previous);
    }

    bool Prepare(const std::vector<std::uint8_t>& bytes) {
        AppSettings.tranFile = dir.File("image.bin");
        testing_support::WriteBytes(AppSettings.tranFile, bytes);
        return PrepareImage(ProgramJob);
    }
    std::uint16_t Entry(std::size_t i) const {
        return static_cast<std::uint16_t>(ProgramJob.blockSums[2 * i] << 8 |
                                          ProgramJob.blockSums[2 * i + 1]);
    }
    // The checksum shown to the dialog.
    std::uint16_t ShownChecksum() const {
        EXPECT_EQ(dialog.messages.size(), 1u);
        const auto& m = dialog.messages.at(0);
        const JobStatus status = DecodeJobStatus(m.wParam, m.lParam);
        EXPECT_EQ(status.kind, kStatusFileChecksum);
        return status.extra;
    }
};

TEST_F(PrepareImageTest, ShortFileTableCoversTheWholeFlash) {
    ASSERT_TRUE(Prepare(std::vector<std::uint8_t>(1000, 0x02)));
    EXPECT_EQ(ProgramJob.fileSize, 1000u);
    EXPECT_EQ(ProgramJob.imageSize, kMaxImageSize);
    EXPECT_EQ(ProgramJob.blockCount, 1024);
    EXPECT_EQ(Entry(0), static_cast<std::uint16_t>(1000 * 2 + 3096 * 0xFF));
    for (std::size_t i = 1; i < 1024; ++i)
        ASSERT_EQ(Entry(i), 0xF000) << i;
    EXPECT_EQ(ShownChecksum(), 2000);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PrepareImageTest, BlockAndFileChecksums) {
    ASSERT_TRUE(Prepare(std::vector<std::uint8_t>(4096, 0x01)));
    EXPECT_EQ(ProgramJob.blockSums[0], 0x10);
    EXPECT_EQ(ProgramJob.blockSums[1], 0x00);
    EXPECT_EQ(Entry(1023), 0xF000);
    EXPECT_EQ(ShownChecksum(), 0x1000);

    struct Case {
        std::size_t count;
        std::uint16_t sum;
    };
    for (const Case& c : {Case{257, 0xFFFF}, Case{258, 0x00FE}}) {
        dialog.messages.clear();
        FreeJobBuffers(ProgramJob);
        ASSERT_TRUE(Prepare(std::vector<std::uint8_t>(c.count, 0xFF)));
        EXPECT_EQ(ShownChecksum(), c.sum) << c.count;
    }
}

TEST_F(PrepareImageTest, EmptyFileIsPrepared) {
    ASSERT_TRUE(Prepare({}));
    EXPECT_EQ(ProgramJob.fileSize, 0u);
    EXPECT_EQ(ShownChecksum(), 0);
    for (std::size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(Entry(i), 0xF000);
}

TEST_F(PrepareImageTest, SizeLimit) {
    std::vector<std::uint8_t> full(kMaxImageSize, 0x5A);
    ASSERT_TRUE(Prepare(full));
    EXPECT_EQ(ProgramJob.fileSize, kMaxImageSize);
    EXPECT_EQ(Entry(1023), static_cast<std::uint16_t>(4096 * 0x5A));
    FreeJobBuffers(ProgramJob);

    full.push_back(0);
    dialog.messages.clear();
    EXPECT_FALSE(Prepare(full));
    EXPECT_EQ(boxes, std::vector<std::string>{" The transmitted file Length > 4194304"});
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_FALSE(ProgramJob.imageFile.IsOpen());
    EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
}

TEST_F(PrepareImageTest, AnythingButARegularFileIsRefusedAtOnce) {
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
#endif
    // Beneath the box, the file looked for and why it was not opened, in the system's words.
    const std::pair<std::string, std::string> cases[] = {
#ifdef _WIN32
        {device, ""},  // the system's own words for its NUL device
        {dir.path().string(), "is a folder"},
        {dir.File("missing.bin"), ""},
#else
        {fifo, "not a regular file"},
        {dir.path().string(), "Is a directory"},
        {device, "not a regular file"},
        {dir.File("missing.bin"), "No such file or directory"},
#endif
    };
    for (const auto& [path, reason] : cases) {
        boxes.clear();
        details.clear();
        AppSettings.tranFile = path;
        EXPECT_FALSE(PrepareImage(ProgramJob)) << path;
        EXPECT_EQ(boxes, std::vector<std::string>{"Couldn't open the transmitted file !"});
        ASSERT_EQ(details.size(), 1u);
        const std::string looked = "The image file is " + path + ".\nOpening it failed: ";
        EXPECT_EQ(details.front().rfind(looked, 0), 0u) << details.front();
        if (!reason.empty()) {
            EXPECT_EQ(details.front(), looked + reason + ".");
        }
    }
    details.clear();
    AppSettings.tranFile.clear();
    EXPECT_FALSE(PrepareImage(ProgramJob));
    EXPECT_EQ(details, std::vector<std::string>{"No image file is named."});
}

#ifndef _WIN32
TEST_F(PrepareImageTest, ADeviceOrFifoNamedAsTheImageIsNeverOpened) {
    // Opening a serial device, even to refuse it, can raise its modem lines; the refusal must
    // come from the file's type alone. The kernel reports every open of a watched file.
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    AppSettings.tranFile = fifo;
    EXPECT_FALSE(PrepareImage(ProgramJob));
    EXPECT_EQ(boxes, std::vector<std::string>{"Couldn't open the transmitted file !"});
    char events[256];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the FIFO was opened";
    ::close(watch);
}

TEST_F(PrepareImageTest, AFileThatReadsShortFailsAfterShowingItsChecksum) {
    // A kernel attribute file is regular and claims a page, but holds a few bytes.
    const std::string attribute = "/sys/devices/system/cpu/online";
    struct stat st {};
    if (::stat(attribute.c_str(), &st) != 0 || st.st_size <= 16)
        GTEST_SKIP() << attribute << " is not a short-reading file here";
    AppSettings.tranFile = attribute;
    EXPECT_FALSE(PrepareImage(ProgramJob));
    EXPECT_EQ(boxes, std::vector<std::string>{" Read File to Buffer fail"});
    // The checksum is still shown and the file closed; the table is never built.
    ASSERT_EQ(dialog.messages.size(), 1u);
    EXPECT_EQ(DecodeJobStatus(dialog.messages[0].wParam, dialog.messages[0].lParam).kind,
              kStatusFileChecksum);
    EXPECT_FALSE(ProgramJob.imageFile.IsOpen());
    EXPECT_EQ(ProgramJob.blockSums, nullptr);
}
#endif  // Linux: FIFOs, inotify and kernel attribute files

}  // namespace
