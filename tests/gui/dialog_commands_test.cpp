// Start commands, the control states of a job, the file dialog and the keyboard.
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "dialog_fixture.h"
#include "platform/profile.h"

namespace gui_test {
namespace {

// Enabled and shown states of the controls that change, in the columns of the state table.
struct Expected {
    bool startsEnabled;
    bool progressShown;
    bool programNoteShown;
    bool resultShown;
    bool eepEnabled;
};

class DialogStates : public DialogTest, public ::testing::WithParamInterface<bool> {
  protected:
    void Check(const Expected& e, const char* when) {
        SCOPED_TRACE(when);
        for (int id : {1, 1021, 1001, 1000, 1003, 1004, 1019}) {
            EXPECT_EQ(dlg->GetDlgItem(id)->isEnabled(), e.startsEnabled) << id;
        }
        EXPECT_TRUE(Item(1020)->isEnabled());
        EXPECT_FALSE(Item(1025)->isEnabled());
        EXPECT_EQ(!Item(1023)->isHidden(), e.progressShown);
        EXPECT_EQ(!Item(1028)->isHidden(), e.programNoteShown);
        EXPECT_EQ(!Item(1029)->isHidden(), e.resultShown);
        for (int id : {1030, 1031}) {
            EXPECT_EQ(dlg->GetDlgItem(id)->isEnabled(), e.eepEnabled) << id;
            // Shown or hidden by the setting alone, whatever the job does.
            EXPECT_EQ(!dlg->GetDlgItem(id)->isHidden(), GetParam()) << id;
        }
    }
};

TEST_P(DialogStates, BeforeDuringAndAfterAJob) {
    AppSettings.eepsumShowEnable = GetParam() ? 1 : 0;
    Create();
    Check({true, false, true, false, true}, "idle");
    dlg->OnCommand(GetParam() ? 1030 : 1);
    Check({false, true, false, false, false}, "running");
    Done(0x20001);
    Check({true, false, true, true, true}, "after result");
    dlg->OnCommand(1);
    Check({false, true, false, false, false}, "second job");
}

INSTANTIATE_TEST_SUITE_P(EepSum, DialogStates, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "shown" : "hidden"; });

TEST_F(DialogTest, StartCopiesTheSelectionsAndSavesThem) {
    Create();
    Item<QComboBox>(1001)->setCurrentIndex(4);   // COM5
    Item<QComboBox>(1000)->setCurrentIndex(11);  // 57600
    Item<QComboBox>(1003)->setCurrentIndex(1);   // Even
    Item<QComboBox>(1004)->setCurrentIndex(2);   // 2
    Item<QComboBox>(1019)->setCurrentIndex(3);   // 7
    Item<QLineEdit>(1020)->setText("/typed/image.bin");
    dlg->OnCommand(1030);
    EXPECT_EQ(startModes, std::vector<int>{2});
    EXPECT_EQ(AppSettings.port, 5);
    EXPECT_EQ(AppSettings.baudRate, 57600);
    EXPECT_EQ(AppSettings.parity, 2);
    EXPECT_EQ(AppSettings.stopBits, 2);
    EXPECT_EQ(AppSettings.byteSize, 7);
    EXPECT_EQ(AppSettings.tranFile, "/typed/image.bin");
    const auto ini = platform::IniFile::Load(AppSettings.iniPath);
    EXPECT_EQ(ini.Get("CURRENT", "PORT"), "5");
    EXPECT_EQ(ini.Get("CURRENT", "BAUDRATE"), "57600");
    EXPECT_EQ(ini.Get("CURRENT", "PARITY"), "2");
    EXPECT_EQ(ini.Get("CURRENT", "TRANFILE"), "/typed/image.bin");
}

TEST_F(DialogTest, ListWithoutSelectionKeepsTheLoadedValue) {
    AppSettings.port = 0;
    AppSettings.baudRate = 250000;
    AppSettings.parity = 9;
    AppSettings.stopBits = 7;
    AppSettings.byteSize = 3;
    Create();
    dlg->OnCommand(1);
    EXPECT_EQ(AppSettings.port, 0);
    EXPECT_EQ(AppSettings.baudRate, 250000);
    EXPECT_EQ(AppSettings.parity, 9);
    EXPECT_EQ(AppSettings.stopBits, 7);
    EXPECT_EQ(AppSettings.byteSize, 3);
}

TEST_F(DialogTest, EveryRouteOfTheOkCommandStartsAProgramJob) {
    Create();
    const std::function<void()> routes[] = {
        [&] { dlg->OnCommand(1); },
        [&] { dlg->accept(); },
        [&] { Item<QPushButton>(1)->click(); },
        [&] { QTest::keyClick(Item<QComboBox>(1000), Qt::Key_Return); },
        [&] { QTest::keyClick(dlg, Qt::Key_Enter); },
    };
    int route = 0;
    for (const auto& fire : routes) {
        SCOPED_TRACE(route++);
        Done(0);  // idle again, with the Program button enabled
        Item<QPushButton>(1021)->setAutoDefault(false);
        startModes.clear();
        fire();
        EXPECT_EQ(startModes, std::vector<int>{1});
    }
}

TEST_F(DialogTest, EscapeDoesNothing) {
    Create();
    QTest::keyClick(dlg, Qt::Key_Escape);
    QTest::keyClick(Item<QComboBox>(1001), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isHidden());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(startModes.empty());
}

TEST_F(DialogTest, LoadPutsTheChosenPathInTheEditBoxOnly) {
    Create();
    QString offered;
    dlg->SetFileChooser([&](QWidget*, const QString& current) {
        offered = current;
        return std::optional<QString>("/chosen/rom.bin");
    });
    Item<QPushButton>(1021)->click();
    EXPECT_EQ(offered, "/images/app.bin");
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), "/chosen/rom.bin");
    // The settings and the INI file change only at the next start.
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin");
    EXPECT_FALSE(platform::IniFile::Load(AppSettings.iniPath).Get("CURRENT", "TRANFILE"));
}

TEST_F(DialogTest, CancellingTheFileDialogChangesNothing) {
    Create();
    Item<QLineEdit>(1020)->setText("/typed/not-yet-exchanged.bin");
    int asked = 0;
    dlg->SetFileChooser([&](QWidget*, const QString&) {
        ++asked;
        return std::optional<QString>();
    });
    dlg->OnCommand(1021);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), "/typed/not-yet-exchanged.bin");
    EXPECT_EQ(dlg->m_strFile, "/images/app.bin");
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin");
    EXPECT_TRUE(startModes.empty());
}

}  // namespace
}  // namespace gui_test
