#include <filesystem>

#include "job/prepare_image.h"
#include "job_harness.h"

namespace {

using testing_support::JobHarness;
using testing_support::Pattern;

struct SuccessCase {
    std::size_t size;
    std::uint8_t packet;
    char letter;
    bool outputs;
};

std::vector<SuccessCase> Cases() {
    std::vector<SuccessCase> cases;
    const char letters[] = {'A', 'E', 'e', 'd'};
    int n = 0;
    for (std::uint8_t p : {std::uint8_t{1}, std::uint8_t{16}, std::uint8_t{255}}) {
        std::vector<std::size_t> sizes = {1, p + 1u, p, 2u * p, 2u * p + 1, 3u * p, 4096, 100000};
        if (p > 1)
            sizes.push_back(p - 1u);
        if (p == 1)
            sizes.pop_back();  // 100,000 single-byte packets prove nothing new
        if (p == 255)
            sizes.push_back(kMaxImageSize);
        for (std::size_t s : sizes) {
            cases.push_back({s, p, letters[n % 4], n % 3 == 0});
            ++n;
        }
    }
    return cases;
}

class ProgramSucceeds : public JobHarness, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(ProgramSucceeds, FlashTableStatusesAndFiles) {
    const SuccessCase c = GetParam();
    sim::LoaderConfig cfg = FastLoader();
    cfg.packetSize = c.packet;
    cfg.letter = static_cast<std::uint8_t>(c.letter);
    StartLoader(cfg);
    const auto image = Pattern(c.size, static_cast<unsigned>(c.size));
    UseImage(image);
    AppSettings.outputEnable = c.outputs;
    AppSettings.eepsumOutputEnable = c.outputs;

    ASSERT_EQ(RunJob(kModeProgram), 0) << diagnostics << (boxes.empty() ? "" : boxes[0]);
    const auto session = loader->WaitForSession(std::chrono::minutes(2));
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->Completed());
    ASSERT_TRUE(std::equal(image.begin(), image.end(), session->flash->begin()));
    EXPECT_TRUE(std::all_of(session->flash->begin() + std::ptrdiff_t(image.size()),
                            session->flash->end(), [](std::uint8_t b) { return b == 0xFF; }));
    std::vector<std::uint8_t> table(2048);
    BuildBlockSums(image, kMaxImageSize, table);
    EXPECT_EQ(session->sums, table);

    // Status messages in order, with their values.
    const char shown = c.letter == 'e' ? 'E' : c.letter == 'd' ? 'D' : c.letter;
    std::vector<std::pair<int, std::intptr_t>> want = {
        {kStatusFileChecksum, 0},
        {kStatusWaitLink, 0},
        {kStatusLoaderVersion, (std::intptr_t{c.packet} << 16) | shown},
        {kStatusEraseRange, c.letter == 'e' || c.letter == 'd' ? 4 * 40 : 160},
        {kStatusEraseBegun, 0},
        {kStatusFileLength, std::intptr_t(c.size)}};
    const std::size_t packets = (c.size + c.packet - 1) / c.packet;
    for (std::size_t i = 1; i <= packets + 1; ++i) {
        want.emplace_back(kStatusWritePos, std::intptr_t(std::min(i * c.packet, c.size)));
    }
    want.emplace_back(kStatusBurnChecksum, 0);
    want.emplace_back(kStatusChecksumLength, 2048);
    const std::size_t sumPackets = (2048 + c.packet - 1) / c.packet;
    for (std::size_t i = 1; i <= sumPackets + 1; ++i) {
        want.emplace_back(kStatusChecksumPos,
                          std::intptr_t(std::min<std::size_t>(i * c.packet, 2048)));
    }
    EXPECT_EQ(Statuses(), want);
    const auto& first = dialog.messages.front();
    EXPECT_EQ(DecodeJobStatus(first.wParam, first.lParam).extra, FileChecksum(image));
    for (const auto& m : dialog.messages) {
        if (m.msg == WM_JOB_STATUS &&
            DecodeJobStatus(m.wParam, m.lParam).kind == kStatusLoaderVersion) {
            EXPECT_EQ(DecodeJobStatus(m.wParam, m.lParam).extra, 0x0123);
        }
    }

    EXPECT_EQ(std::filesystem::exists(AppSettings.outputFile), c.outputs);
    EXPECT_EQ(std::filesystem::exists(AppSettings.eepsumFile), c.outputs);
    if (c.outputs) {
        const std::string readBack = testing_support::ReadFile(AppSettings.outputFile);
        EXPECT_TRUE(readBack.size() == image.size() &&
                    std::equal(image.begin(), image.end(), readBack.begin(),
                               [](std::uint8_t a, char b) { return a == std::uint8_t(b); }));
        const std::string sums = testing_support::ReadFile(AppSettings.eepsumFile);
        EXPECT_EQ(std::vector<std::uint8_t>(sums.begin(), sums.end()), table);
    }
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Images, ProgramSucceeds, ::testing::ValuesIn(Cases()),
                         [](const auto& param_info) {
                             return "size" + std::to_string(param_info.param.size) + "_packet" +
                                    std::to_string(param_info.param.packet) + "_" +
                                    std::string(1, param_info.param.letter) +
                                    (param_info.param.outputs ? "_files" : "");
                         });

class EepSum : public JobHarness {};

TEST_F(EepSum, SendsTheTableWithoutErasingOrWriting) {
    for (char letter : {'A', 'd'}) {
        sim::LoaderConfig cfg = FastLoader();
        cfg.packetSize = 255;
        cfg.letter = static_cast<std::uint8_t>(letter);
        StartLoader(cfg);
        const auto image = Pattern(5000);
        UseImage(image);
        AppSettings.eepsumOutputEnable = 1;
        ASSERT_EQ(RunJob(kModeEepSum), 0);
        const auto session = loader->WaitForSession(std::chrono::minutes(2));
        ASSERT_TRUE(session);
        EXPECT_EQ(session->mode, sim::Mode::EepSum);
        EXPECT_EQ(session->imagePackets, 0u);
        EXPECT_TRUE(std::all_of(session->flash->begin(), session->flash->end(),
                                [](std::uint8_t b) { return b == 0xFF; }));
        std::vector<std::uint8_t> table(2048);
        BuildBlockSums(image, kMaxImageSize, table);
        EXPECT_EQ(session->sums, table);
        // 255-byte packets: eight of them and one of 8 bytes.
        EXPECT_EQ(session->sumPackets, 9u);
        const auto statuses = Statuses();
        ASSERT_GE(statuses.size(), 4u);
        EXPECT_EQ(statuses[1].first, kStatusBurnChecksum);
        EXPECT_EQ(statuses[2].first, kStatusLoaderVersion);
        const std::string sums = testing_support::ReadFile(AppSettings.eepsumFile);
        EXPECT_EQ(std::vector<std::uint8_t>(sums.begin(), sums.end()), table);
        EXPECT_FALSE(std::filesystem::exists(AppSettings.outputFile));
        loader.reset();
    }
}

}  // namespace
