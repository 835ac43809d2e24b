// The job's messages as the dialog decodes them: the texts and the bar of each status kind,
// which kinds refresh the texts, and the box and lamp of each result.
#include <thread>

#include "dialog_fixture.h"

namespace dialog_test {
namespace {

struct StatusCase {
    const char* name;
    WORD kind;
    WORD extra;
    LPARAM value;
    int control;
    const char* text;
};

class DialogStatus : public DialogTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(DialogStatus, ShowsItsText) {
    Create();
    const StatusCase& c = GetParam();
    EXPECT_EQ(Status(c.kind, c.extra, c.value), 0);
    EXPECT_EQ(window[c.control].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DialogStatus,
    ::testing::Values(StatusCase{"eraseBegunHighHalfIgnored", 2, 1, 0, IDC_STATUS, "Erase /Blank"},
                      StatusCase{"loaderVersion", 3, 0x0123, (256 << 16) | 0x41, IDC_LDVER,
                                 "LD Ver: V0123-A-256"},
                      StatusCase{"loaderVersionWide", 3, 0xBEEF, (255 << 16) | 'e', IDC_LDVER,
                                 "LD Ver: VBEEF-e-255"},
                      StatusCase{"loaderLetterBeyondAscii", 3, 1, (16 << 16) | 0xE9, IDC_LDVER,
                                 "LD Ver: V0001-\xC3\xA9-16"},
                      StatusCase{"loaderLetterNul", 3, 1, 16 << 16, IDC_LDVER, "LD Ver: V0001--16"},
                      StatusCase{"loaderLetterLoneSurrogate", 3, 1, (16 << 16) | 0xD800, IDC_LDVER,
                                 "LD Ver: V0001-\xEF\xBF\xBD-16"},
                      StatusCase{"waitLink", 4, 0, 0, IDC_STATUS, "Wait Link"},
                      StatusCase{"checksumPadded", 5, 0x12, 0, IDC_CHECKSUM, "CheckSum: 0012"},
                      StatusCase{"checksum", 5, 0xBEEF, 0, IDC_CHECKSUM, "CheckSum: BEEF"},
                      StatusCase{"burnChecksum", 8, 0, 0, IDC_STATUS, "Burn CheckSum"},
                      StatusCase{"kind11Ignored", 11, 0, 0, IDC_STATUS, ""},
                      StatusCase{"kind65535Ignored", 0xFFFF, 7, 5, IDC_LDVER, "LD Ver:"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DialogTest, WritePositionShowsPositionOfTotal) {
    Create();
    Status(kStatusFileLength, 0, 4096);
    EXPECT_EQ(window[IDC_PROGRESS].high, 4096);
    EXPECT_EQ(dlg.m_nTotal, 4096);
    EXPECT_EQ(window[IDC_STATUS].text, "");  // kind 0 refreshes nothing
    Status(kStatusWritePos, 0, 512);
    EXPECT_EQ(window[IDC_PROGRESS].pos, 512);
    EXPECT_EQ(window[IDC_STATUS].text, "     512/    4096");
    // A second job's position before its total shows the previous total.
    Status(kStatusWritePos, 0, 8);
    EXPECT_EQ(window[IDC_STATUS].text, "       8/    4096");
    // Eight characters each, wider figures as they come.
    Status(kStatusFileLength, 0, 4194304);
    Status(kStatusWritePos, 0, 123456789);
    EXPECT_EQ(dlg.m_strStatus, "123456789/ 4194304");
}

TEST_F(DialogTest, EraseAndChecksumPhasesMoveOnlyTheBar) {
    Create();
    Status(kStatusEraseBegun, 0, 0);
    for (WORD rangeKind : std::initializer_list<WORD>{kStatusEraseRange, kStatusChecksumLength}) {
        SCOPED_TRACE(rangeKind);
        Status(rangeKind, 0, 160);
        EXPECT_EQ(window[IDC_PROGRESS].low, 0);
        EXPECT_EQ(window[IDC_PROGRESS].high, 160);
        Status(static_cast<WORD>(rangeKind + 1), 0, 40);
        EXPECT_EQ(window[IDC_PROGRESS].pos, 40);
        EXPECT_EQ(window[IDC_STATUS].text, "Erase /Blank");
    }
}

// Kinds 0, 6 and 9 (and unknown kinds) write no text: a refresh costs the port thread time.
TEST_F(DialogTest, OnlyRefreshingKindsWriteTheTexts) {
    Create();
    const int before = window.TextWrites(IDC_FILE);
    for (WORD kind : std::initializer_list<WORD>{kStatusFileLength, kStatusEraseRange,
                                                 kStatusChecksumLength, 11}) {
        Status(kind, 0, 100);
        EXPECT_EQ(window.TextWrites(IDC_FILE), before) << kind;
    }
    for (WORD kind : std::initializer_list<WORD>{
             kStatusWritePos, kStatusEraseBegun, kStatusLoaderVersion, kStatusWaitLink,
             kStatusFileChecksum, kStatusEraseProgress, kStatusBurnChecksum, kStatusChecksumPos}) {
        const int writes = window.TextWrites(IDC_STATUS);
        Status(kind, 0, 100);
        EXPECT_EQ(window.TextWrites(IDC_STATUS), writes + 1) << kind;
        EXPECT_EQ(window[IDC_FILE].text, "/images/app.bin") << kind;
    }
}

TEST_F(DialogTest, StatusSentFromAnotherThreadIsHandledOnTheDialogsThread) {
    Create();
    Status(kStatusFileLength, 0, 1000);
    const auto owner = std::this_thread::get_id();
    LRESULT result = -1;
    std::thread port([&] { result = window.Handle()->Send(WM_JOB_STATUS, kStatusWritePos, 300); });
    ASSERT_TRUE(window.Handle()->RunUntil([&] { return window[IDC_PROGRESS].pos == 300; },
                                          std::chrono::seconds(20)));
    port.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(window[IDC_STATUS].text, "     300/    1000");
    EXPECT_EQ(std::this_thread::get_id(), owner);
}

TEST_F(DialogTest, EveryResultCodeHasItsTextAndLamp) {
    const char* texts[] = {"Writing is OK",
                           "Write failed",
                           "Time out",
                           "Verify failed",
                           "Get LD version failed",
                           "Chip erase failed",
                           "Link failed",
                           "Set file length failed",
                           "Write sync failed",
                           "Wait end code failed",
                           nullptr,
                           "Checksum link failed",
                           "Checksum numbers failed",
                           "Checksum sync failed",
                           "Checksum Compare failed"};
    Create();
    for (WORD code = 0; code < 17; ++code) {
        SCOPED_TRACE(code);
        boxes.clear();
        dlg.OnCommand(IDC_PROGRAM);
        EXPECT_EQ(Done(JobDoneLParam(code)), 1);
        const char* text = code < 15 ? texts[code] : nullptr;
        if (text) {
            EXPECT_EQ(BoxTexts(), std::vector<std::string>{text});
            EXPECT_TRUE(boxes.front().details.empty());
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(window[IDC_RESULT].icon, code == 0 ? IDI_RESULT_OK : IDI_RESULT_FAIL);
    }
}

TEST_F(DialogTest, ADoneWithoutTheResultFlagKeepsTheLampButRestoresAndEnds) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    Done(JobDoneLParam(kResultTimeout));
    ASSERT_EQ(window[IDC_RESULT].icon, IDI_RESULT_FAIL);
    for (const LPARAM lParam : {LPARAM{0}, LPARAM{0x10002}}) {
        dlg.OnCommand(IDC_PROGRAM);
        const int endsBefore = ends;
        Done(lParam);
        EXPECT_EQ(window[IDC_RESULT].icon, IDI_RESULT_FAIL);
        EXPECT_TRUE(window[IDC_RESULT].shown);
        EXPECT_EQ(ends, endsBefore + 1);
    }
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(DialogTest, TextsOfAJobStayAfterItAndAtTheNextStart) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    Status(kStatusFileChecksum, 0xBEEF, 0);
    Status(kStatusFileLength, 0, 100);
    Status(kStatusWritePos, 0, 100);
    Status(kStatusLoaderVersion, 0x0123, (64 << 16) | 'A');
    Done(JobDoneLParam(kResultOk));
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(window[IDC_CHECKSUM].text, "CheckSum: BEEF");
    EXPECT_EQ(window[IDC_STATUS].text, "     100/     100");
    EXPECT_EQ(window[IDC_LDVER].text, "LD Ver: V0123-A-64");
    EXPECT_EQ(window[IDC_RESULT].icon, IDI_RESULT_OK);
    // The bar starts where the restore left it.
    EXPECT_EQ(window[IDC_PROGRESS].pos, 0);
}

}  // namespace
}  // namespace dialog_test
