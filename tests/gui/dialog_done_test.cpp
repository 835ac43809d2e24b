// The lamps a result sets, as the operator sees them.
#include <QPushButton>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

TEST_F(DialogTest, ResultsShowTheGreenOrTheRedLamp) {
    Create();
    auto* result = Item<QLabel>(1029);
    dlg->OnCommand(1);
    Done(0x1);
    EXPECT_EQ(ImageOf(*result), Lamp(res::IDI_RESULT_OK));
    EXPECT_EQ(boxes, std::vector<std::string>{"Writing is OK"});
    dlg->OnCommand(1);
    Done(0x20001);
    EXPECT_EQ(ImageOf(*result), Lamp(res::IDI_RESULT_FAIL));
    // No result flag: the lamp stays.
    dlg->OnCommand(1);
    Done(0);
    EXPECT_EQ(ImageOf(*result), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_FALSE(result->isHidden());
}

TEST_F(DialogTest, JobThatFailsToStartEndsThroughTheEventLoop) {
    startResult = 0;
    Create();
    dlg->OnCommand(1);
    // The posted code 10 arrives through Qt's event loop.
    ASSERT_TRUE(dlg->Handle()->RunUntil([&] { return ends == 1; }, std::chrono::seconds(20)));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ImageOf(*Item<QLabel>(1029)), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_TRUE(Item<QPushButton>(1)->isEnabled());
}

}  // namespace
}  // namespace gui_test
