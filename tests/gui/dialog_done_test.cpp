// A job's result: the box, then the icon, then the restored controls, then EndJob.
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

enum class Icon { Green, Red, Unchanged };

struct DoneCase {
    const char* name;
    LPARAM lParam;
    const char* box;  // null: none
    Icon icon;
};

class DialogDone : public DialogTest, public ::testing::WithParamInterface<DoneCase> {
  protected:
    // Runs one whole job to `lParam` through the fake start.
    void RunJob(LPARAM lParam) {
        dlg->OnCommand(1);
        EXPECT_EQ(Done(lParam), 1);
    }
};

TEST_P(DialogDone, ShowsBoxThenIconThenRestoresThenEnds) {
    const DoneCase& c = GetParam();
    Create();
    auto* result = Item<QLabel>(1029);
    // A previous job left the lamp that this result must change (or keep).
    const int previous = c.icon == Icon::Red ? res::IDI_RESULT_OK : res::IDI_RESULT_FAIL;
    RunJob(previous == res::IDI_RESULT_OK ? 0x1 : 0x20001);
    ASSERT_EQ(ImageOf(*result), Lamp(previous));
    boxes.clear();
    ends = 0;

    dlg->OnCommand(1);
    // While the box is open the job is still running: nothing restored, nothing released.
    onBox = [&](std::string_view) {
        EXPECT_EQ(ImageOf(*result), Lamp(previous));
        EXPECT_TRUE(result->isHidden());
        EXPECT_FALSE(Item<QPushButton>(1)->isEnabled());
        EXPECT_FALSE(Item<QProgressBar>(1023)->isHidden());
        EXPECT_EQ(ends, 0);
    };
    // EndJob comes last, after the restore.
    onEnd = [&] {
        EXPECT_TRUE(Item<QPushButton>(1)->isEnabled());
        EXPECT_TRUE(Item<QProgressBar>(1023)->isHidden());
        EXPECT_FALSE(result->isHidden());
    };
    EXPECT_EQ(Done(c.lParam), 1);

    if (c.box) {
        EXPECT_EQ(boxes, std::vector<std::string>{c.box});
    } else {
        EXPECT_TRUE(boxes.empty()) << boxes.front();
    }
    const int expected = c.icon == Icon::Green ? res::IDI_RESULT_OK
                         : c.icon == Icon::Red ? res::IDI_RESULT_FAIL
                                               : previous;
    EXPECT_EQ(ImageOf(*result), Lamp(expected));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(Item<QProgressBar>(1023)->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Results, DialogDone,
    ::testing::Values(DoneCase{"ok", 0x1, "Writing is OK", Icon::Green},
                      DoneCase{"timeout", 0x20001, "Time out", Icon::Red},
                      DoneCase{"startFailed", 0xA0001, nullptr, Icon::Red},
                      DoneCase{"code15", 0xF0001, nullptr, Icon::Red},
                      DoneCase{"code65535", static_cast<LPARAM>(0xFFFF0001u), nullptr, Icon::Red},
                      DoneCase{"noResultFlag", 0, nullptr, Icon::Unchanged},
                      DoneCase{"flagNotOne", 0x20002, nullptr, Icon::Unchanged},
                      DoneCase{"compare", 0xE0001, "Checksum Compare failed", Icon::Red}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DialogTest, EveryResultCodeHasItsText) {
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
    for (WORD code = 0; code < 15; ++code) {
        boxes.clear();
        dlg->OnCommand(1);
        Done((LPARAM{code} << 16) | 1);
        if (texts[code]) {
            EXPECT_EQ(boxes, std::vector<std::string>{texts[code]}) << code;
        } else {
            EXPECT_TRUE(boxes.empty()) << code;
        }
    }
}

TEST_F(DialogTest, JobThatFailsToStartEndsThroughItsOwnResult) {
    startResult = 0;
    Create();
    dlg->OnCommand(1);
    // The posted code 10 arrives through the message queue.
    ASSERT_TRUE(dlg->Handle()->RunUntil([&] { return ends == 1; }, std::chrono::seconds(20)));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ImageOf(*Item<QLabel>(1029)), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_TRUE(Item<QPushButton>(1)->isEnabled());
    EXPECT_TRUE(Item<QComboBox>(1001)->isEnabled());
}

TEST_F(DialogTest, TextsOfAJobStayAfterItAndAtTheNextStart) {
    Create();
    dlg->OnCommand(1);
    Status(5, 0xBEEF, 0);
    Status(0, 0, 100);
    Status(1, 0, 100);
    Done(0x1);
    dlg->OnCommand(1);
    EXPECT_EQ(Item<QLabel>(1027)->text(), "CheckSum: BEEF");
    EXPECT_EQ(dlg->m_strStatus, "     100/     100");
    EXPECT_EQ(ImageOf(*Item<QLabel>(1029)), Lamp(res::IDI_RESULT_OK));
}

}  // namespace
}  // namespace gui_test
