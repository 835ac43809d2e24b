// The dialog's states (Idle, Running, Showing result) and what each control is in each of
// them; every transition; the order in which a start and a result change the controls; the
// focus, which always rests on a control that can use it.
#include <algorithm>

#include "dialog_fixture.h"

namespace dialog_test {
namespace {

using State = CRS232SET::State;

// Enabled and shown states of the controls that change, in the columns of the state table.
struct Expected {
    bool startsEnabled;
    bool pathReadOnly;
    bool progressShown;
    bool programNoteShown;
    bool resultShown;
    bool eepEnabled;
};

constexpr Expected kIdleFirst{true, false, false, true, false, true};
constexpr Expected kRunning{false, true, true, false, false, false};
constexpr Expected kIdleAfterResult{true, false, false, true, true, true};

class DialogStates : public DialogTest, public ::testing::WithParamInterface<bool> {
  protected:
    void Check(const Expected& e, const char* when) {
        SCOPED_TRACE(when);
        for (int id : {IDC_PROGRAM, IDC_LOAD, IDC_PORT, IDC_BAUDRATE, IDC_PARITY, IDC_STOPBITS,
                       IDC_DATABITS}) {
            EXPECT_EQ(window[id].enabled, e.startsEnabled) << id;
            EXPECT_TRUE(window[id].shown) << id;
        }
        EXPECT_TRUE(window[IDC_FILE].enabled);
        EXPECT_EQ(window[IDC_FILE].readOnly, e.pathReadOnly);
        EXPECT_FALSE(window[IDC_STATUS].enabled);
        for (int id : {IDC_FILE, IDC_STATUS, IDC_LDVER, IDC_CHECKSUM})
            EXPECT_TRUE(window[id].shown) << id;
        EXPECT_EQ(window[IDC_PROGRESS].shown, e.progressShown);
        EXPECT_EQ(window[IDC_PROGRAM_NOTE].shown, e.programNoteShown);
        EXPECT_EQ(window[IDC_RESULT].shown, e.resultShown);
        for (int id : {IDC_EEPSUM, IDC_EEPSUM_NOTE}) {
            EXPECT_EQ(window[id].enabled, e.eepEnabled) << id;
            // Shown or hidden by the setting alone, whatever the job does.
            EXPECT_EQ(window[id].shown, GetParam()) << id;
        }
    }
};

TEST_P(DialogStates, EveryControlInEveryState) {
    AppSettings.eepsumShowEnable = GetParam() ? 1 : 0;
    Create();
    EXPECT_EQ(dlg.GetState(), State::Idle);
    Check(kIdleFirst, "idle");

    dlg.OnCommand(GetParam() ? IDC_EEPSUM : IDC_PROGRAM);
    EXPECT_EQ(dlg.GetState(), State::Running);
    Check(kRunning, "running");

    // While the result's box is open the controls are still those of Running.
    int inBox = 0;
    onBox = [&](std::string_view) {
        ++inBox;
        EXPECT_EQ(dlg.GetState(), State::ShowingResult);
        Check(kRunning, "showing result");
        EXPECT_EQ(ends, 0);
    };
    Done(JobDoneLParam(kResultTimeout));
    EXPECT_EQ(inBox, 1);
    EXPECT_EQ(dlg.GetState(), State::Idle);
    Check(kIdleAfterResult, "after result");
    EXPECT_EQ(ends, 1);

    onBox = nullptr;
    dlg.OnCommand(IDC_PROGRAM);
    Check(kRunning, "second job");
}

INSTANTIATE_TEST_SUITE_P(EepSum, DialogStates, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "shown" : "hidden"; });

TEST_F(DialogTest, ResultsWithoutABoxGoStraightBackToIdle) {
    Create();
    for (const LPARAM lParam : {JobDoneLParam(kResultStartFailed), JobDoneLParam(15),
                                static_cast<LPARAM>(0xFFFF0001u), LPARAM{0}, LPARAM{0x20002}}) {
        SCOPED_TRACE(lParam);
        dlg.OnCommand(IDC_PROGRAM);
        ASSERT_EQ(dlg.GetState(), State::Running);
        onBox = [&](std::string_view) { ADD_FAILURE() << "no box expected"; };
        Done(lParam);
        EXPECT_EQ(dlg.GetState(), State::Idle);
        EXPECT_TRUE(window[IDC_PROGRAM].enabled);
        EXPECT_FALSE(window[IDC_FILE].readOnly);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DialogTest, AStartThatFailsEndsThroughItsOwnPostedResult) {
    startResult = 0;
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    // Still Running until the posted code 10 is taken from the queue.
    EXPECT_EQ(dlg.GetState(), State::Running);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(window.Handle()->Pump(), 1u);
    EXPECT_EQ(dlg.GetState(), State::Idle);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(window[IDC_RESULT].icon, IDI_RESULT_FAIL);
    EXPECT_TRUE(window[IDC_PORT].enabled);
    EXPECT_EQ(ends, 1);
}

TEST_F(DialogTest, OneJobAtATimeWhateverRoutesTheCommand) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    // The buttons are disabled; an OK command by another route must not start over the first.
    dlg.OnCommand(IDOK);
    dlg.OnCommand(IDC_EEPSUM);
    dlg.OnCommand(IDC_LOAD);
    EXPECT_EQ(startModes, std::vector<int>{kModeProgram});
    EXPECT_TRUE(window.fileRequests.empty());
    EXPECT_EQ(ends, 0);
    // And none while the result's box is open.
    onBox = [&](std::string_view) { dlg.OnCommand(IDC_PROGRAM); };
    Done(JobDoneLParam(kResultOk));
    EXPECT_EQ(startModes, std::vector<int>{kModeProgram});
    dlg.OnCommand(IDC_EEPSUM);
    EXPECT_EQ(startModes, (std::vector<int>{kModeProgram, kModeEepSum}));
}

TEST_F(DialogTest, ASecondResultWhileTheBoxIsOpenIsDropped) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    onBox = [&](std::string_view) { EXPECT_EQ(Done(JobDoneLParam(kResultTimeout)), 1); };
    Done(JobDoneLParam(kResultOk));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Writing is OK"});
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(window[IDC_RESULT].icon, IDI_RESULT_OK);
}

// The start disables in the order of its procedure, after moving the focus off the button.
TEST_F(DialogTest, StartChangesTheControlsInOrder) {
    Create();
    window.TakeLog();
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(
        window.TakeLog(),
        (std::vector<std::string>{
            "readonly 1020", "focus 1020", "enable 1 off", "enable 1021 off", "enable 1001 off",
            "enable 1000 off", "enable 1003 off", "enable 1004 off", "enable 1019 off",
            "show 1028 off", "show 1029 off", "enable 1031 off", "enable 1030 off", "show 1023"}));
}

// The box first, then the lamp, then the restore, then EndJob; the focus back on Program.
TEST_F(DialogTest, ResultShowsBoxThenLampThenRestoresThenEnds) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    window.TakeLog();
    Done(JobDoneLParam(kResultVerifyFailed));
    EXPECT_EQ(
        window.TakeLog(),
        (std::vector<std::string>{
            "box", "icon 1029", "show 1023 off", "pos 1023", "enable 1", "enable 1021",
            "enable 1001", "enable 1000", "enable 1003", "enable 1004", "enable 1019", "show 1028",
            "show 1029", "enable 1031", "enable 1030", "readonly 1020 off", "end", "focus 1"}));
    EXPECT_EQ(window[IDC_PROGRESS].pos, 0);
}

TEST_F(DialogTest, FocusRestsWhereEnterOrTheOperatorCanUseIt) {
    Create();
    // At the start: Enter starts a Program job.
    EXPECT_EQ(window.Focus(), IDC_PROGRAM);
    dlg.OnCommand(IDC_PROGRAM);
    // During a job: the path box, read-only, never the disabled button.
    EXPECT_EQ(window.Focus(), IDC_FILE);
    EXPECT_TRUE(window[IDC_FILE].readOnly);
    Done(JobDoneLParam(kResultOk));
    EXPECT_EQ(window.Focus(), IDC_PROGRAM);
    // After the file dialog, chosen or cancelled.
    for (const std::optional<std::string>& chosen :
         {std::optional<std::string>("/chosen.bin"), std::optional<std::string>()}) {
        window.SetFocus(IDC_LOAD);  // the operator pressed LOAD
        window.chooseFile = [&](const OpenFileRequest&) { return chosen; };
        dlg.OnCommand(IDC_LOAD);
        EXPECT_EQ(window.Focus(), IDC_PROGRAM);
    }
}

TEST_F(DialogTest, CreateOpensIdleWithTheTemplatesTextsReplaced) {
    Create();
    EXPECT_EQ(window[IDC_FILE].text, "/images/app.bin");
    EXPECT_EQ(window[IDC_LDVER].text, "LD Ver:");
    EXPECT_EQ(window[IDC_CHECKSUM].text, "CheckSum:");
    EXPECT_EQ(window[IDC_STATUS].text, "");
    EXPECT_EQ(dlg.m_nTotal, 0);
    // The template's lamp stays until the first result.
    EXPECT_EQ(window[IDC_RESULT].icon, IDI_RESULT_OK);
}

}  // namespace
}  // namespace dialog_test
