// Closing the program: at once when idle; while a job runs, only when the operator says so,
// the job then ended (its port released) and nothing it still sends shown.
#include "dialog_fixture.h"

namespace dialog_test {
namespace {

using State = CRS232SET::State;

TEST_F(DialogTest, IdleClosesWithoutAQuestionAndDropsLateMessages) {
    Create();
    EXPECT_TRUE(dlg.OnCloseRequest());
    EXPECT_TRUE(window.questions.empty());
    EXPECT_EQ(dlg.GetState(), State::Closed);
    Done(JobDoneLParam(kResultTimeout));
    Status(kStatusWaitLink, 0, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(window[IDC_STATUS].text, "");
    EXPECT_EQ(ends, 0);
}

TEST_F(DialogTest, YesEndsTheRunningJobBeforeTheWindowCloses) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    // The job is ended while the dialog still answers the question's caller.
    window.answer = [&](std::string_view) {
        EXPECT_EQ(ends, 0);
        return true;
    };
    EXPECT_TRUE(dlg.OnCloseRequest());
    EXPECT_EQ(window.questions,
              std::vector<std::string>{"A job is running. Stop it and close the program?"});
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(dlg.GetState(), State::Closed);
    // What the ended job had already posted shows no box, and ends nothing twice.
    window.Handle()->Post(WM_JOB_DONE, 0, JobDoneLParam(kResultTimeout));
    window.Handle()->Pump();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ends, 1);
}

TEST_F(DialogTest, NoLeavesTheJobRunning) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    window.answer = [](std::string_view) { return false; };
    EXPECT_FALSE(dlg.OnCloseRequest());
    EXPECT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(dlg.GetState(), State::Running);
    EXPECT_FALSE(window[IDC_PROGRAM].enabled);
    // The job goes on to its result as usual.
    Status(kStatusWaitLink, 0, 0);
    EXPECT_EQ(window[IDC_STATUS].text, "Wait Link");
    Done(JobDoneLParam(kResultOk));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Writing is OK"});
    EXPECT_EQ(ends, 1);
}

// The question is modal and serves the job's messages: progress goes on, a result waits.
TEST_F(DialogTest, AResultThatComesWhileTheQuestionIsOpenWaitsForTheAnswer) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop);
        CRS232SET dialog;
        FakeWindow shown;
        dialog.SetJobApi({[](platform::HWND, int) { return 1; }, [&] { ++ends; }});
        shown.Bind(dialog);
        dialog.Create(shown);
        boxes.clear();
        ends = 0;
        dialog.OnCommand(IDC_PROGRAM);
        shown.answer = [&](std::string_view) {
            shown.Handle()->Send(WM_JOB_STATUS, StatusWParam(kStatusWaitLink), 0);
            EXPECT_EQ(shown.Handle()->Send(WM_JOB_DONE, 0, JobDoneLParam(kResultTimeout)), 1);
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(ends, 0);
            return stop;
        };
        EXPECT_EQ(dialog.OnCloseRequest(), stop);
        EXPECT_EQ(shown[IDC_STATUS].text, "Wait Link");
        EXPECT_EQ(ends, 1);
        if (stop) {
            // Closing: the result is dropped with the job.
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(dialog.GetState(), State::Closed);
        } else {
            // Staying: the result is shown now, and the dialog is idle again.
            EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Time out"});
            EXPECT_EQ(shown[IDC_RESULT].icon, IDI_RESULT_FAIL);
            EXPECT_EQ(dialog.GetState(), State::Idle);
        }
    }
}

TEST_F(DialogTest, NoCloseWhileTheResultsBoxIsOpenOrTheQuestionIsAsked) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    bool closed = true;
    onBox = [&](std::string_view) { closed = dlg.OnCloseRequest(); };
    Done(JobDoneLParam(kResultOk));
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window.questions.empty());
    EXPECT_EQ(dlg.GetState(), State::Idle);

    dlg.OnCommand(IDC_PROGRAM);
    window.answer = [&](std::string_view) {
        // A second request (another Alt+F4) while the first is asked.
        EXPECT_FALSE(dlg.OnCloseRequest());
        return false;
    };
    EXPECT_FALSE(dlg.OnCloseRequest());
    EXPECT_EQ(window.questions.size(), 1u);
}

// The file dialog returns into the dialog: no close, and no drop, from under it.
TEST_F(DialogTest, NoCloseNorDropWhileTheFileDialogIsOpen) {
    const std::string image = dir.File("image.bin");
    testing_support::WriteFile(image, "x");
    Create();
    window.chooseFile = [&](const OpenFileRequest&) {
        EXPECT_FALSE(dlg.OnCloseRequest());
        EXPECT_FALSE(dlg.CanDropFiles(std::vector<std::string>{image}));
        dlg.OnCommand(IDC_LOAD);  // not a second dialog over the first
        return std::optional<std::string>();
    };
    dlg.OnCommand(IDC_LOAD);
    EXPECT_EQ(window.fileRequests.size(), 1u);
    EXPECT_EQ(dlg.GetState(), State::Idle);
    EXPECT_TRUE(dlg.CanDropFiles(std::vector<std::string>{image}));
    EXPECT_TRUE(dlg.OnCloseRequest());
}

TEST_F(DialogTest, AFailedStartStillRunningAsksToo) {
    startResult = 0;
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    window.answer = [](std::string_view) { return true; };
    EXPECT_TRUE(dlg.OnCloseRequest());
    EXPECT_EQ(ends, 1);
    // Its own posted code 10 finds the dialog closed.
    window.Handle()->Pump();
    EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace dialog_test
