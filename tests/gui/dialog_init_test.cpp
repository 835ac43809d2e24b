// The programming dialog as it opens: its controls, tab order and preselected lists.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_fixture.h"
#include "platform/com_ports.h"
#include "ui/dialog_units.h"

namespace gui_test {
namespace {

using namespace ui;

TEST_F(DialogTest, ControlsCarryTheirTemplateTexts) {
    Create();
    const struct {
        int id;
        const char* text;
    } buttons[] = {{1, "Program"}, {1021, "LOAD"}, {1030, "EEP Sum"}};
    for (const auto& b : buttons)
        EXPECT_EQ(Item<QPushButton>(b.id)->text(), b.text);
    EXPECT_TRUE(Item<QPushButton>(1)->isDefault());
    EXPECT_EQ(Item<QLabel>(1028)->text(), "( Erase+Write+Verify+Checksum )");
    EXPECT_EQ(Item<QLabel>(1031)->text(), "( Program EEP Checksum )");
    EXPECT_FALSE(Item<QLineEdit>(1025)->isEnabled());
    EXPECT_TRUE(Item<QProgressBar>(1023)->isHidden());
    QStringList labels;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        labels << l->text();
    for (const char* t : {"Port:", "Baud Rate:", "Data Bits:", "Parity:", "Stop Bits:"})
        EXPECT_TRUE(labels.contains(t)) << t;
    ASSERT_EQ(dlg->findChildren<QGroupBox*>().size(), 1);
    EXPECT_EQ(dlg->findChildren<QGroupBox*>().front()->title(), "COM Option");
}

TEST_F(DialogTest, TabOrderFollowsTheTemplate) {
    Create();
    const int expected[] = {1, 1021, 1000, 1003, 1001, 1004, 1019, 1020, 1030};
    QWidget* w = dlg->GetDlgItem(expected[0]);
    for (int id : expected) {
        ASSERT_EQ(w, dlg->GetDlgItem(id)) << "expected control " << id;
        // The next tab stop in the focus chain.
        do {
            w = w->nextInFocusChain();
        } while (w != dlg->GetDlgItem(expected[0]) && !(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(w, dlg->GetDlgItem(expected[0]));  // and round again
}

TEST_F(DialogTest, FrameStripsStayFreeOfControls) {
    Create();
    // The frame's status bar and sunken edge clip the dialog's bottom and right; the
    // template keeps its controls above 141 and left of 285 dialog units. The units are
    // those of the template's font, whatever size the texts take.
    const DialogBaseUnits u = BaseUnitsOf(DialogFont(kRs232SetTemplate));
    EXPECT_EQ(dlg->size(), MapDialogRect({0, 0, 290, 163}, u).size());
    const QRect free = MapDialogRect({0, 0, 285, 141}, u);
    for (QWidget* w : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(free.contains(w->geometry())) << w->objectName().toStdString();
}

struct Preselection {
    const char* name;
    std::function<void()> set;
    int list;
    int index;
    const char* text;
};

class DialogPreselection : public DialogTest, public ::testing::WithParamInterface<Preselection> {};

TEST_P(DialogPreselection, SelectsTheMatchingEntryOrNone) {
    GetParam().set();
    Create();
    auto* list = Item<QComboBox>(GetParam().list);
    EXPECT_EQ(list->currentIndex(), GetParam().index);
    EXPECT_EQ(list->currentText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DialogPreselection,
    ::testing::Values(
        Preselection{"port3", [] { AppSettings.port = 3; }, 1001, 2, "COM3"},
        Preselection{"port0", [] { AppSettings.port = 0; }, 1001, -1, ""},
        Preselection{"port255", [] { AppSettings.port = 255; }, 1001, 254, "COM255"},
        Preselection{"baud115200", [] { AppSettings.baudRate = 115200; }, 1000, 12, "115200"},
        Preselection{"baud250000", [] { AppSettings.baudRate = 250000; }, 1000, -1, ""},
        Preselection{"baud110", [] { AppSettings.baudRate = 110; }, 1000, 0, "110"},
        Preselection{"parity1", [] { AppSettings.parity = 1; }, 1003, 2, "Odd"},
        Preselection{"parity2", [] { AppSettings.parity = 2; }, 1003, 1, "Even"},
        Preselection{"parity5", [] { AppSettings.parity = 5; }, 1003, -1, ""},
        Preselection{"stop1", [] { AppSettings.stopBits = 1; }, 1004, 1, "1.5"},
        Preselection{"stop2", [] { AppSettings.stopBits = 2; }, 1004, 2, "2"},
        Preselection{"data7", [] { AppSettings.byteSize = 7; }, 1019, 3, "7"},
        Preselection{"data9", [] { AppSettings.byteSize = 9; }, 1019, -1, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DialogTest, ListsHoldTheirTables) {
    Create();
    auto texts = [this](int id) {
        QStringList t;
        auto* list = Item<QComboBox>(id);
        for (int i = 0; i < list->count(); ++i)
            t << list->itemText(i);
        return t;
    };
    const QStringList ports = texts(1001);
    ASSERT_EQ(ports.size(), 256);
    EXPECT_EQ(ports.front(), "COM1");
    EXPECT_EQ(ports.back(), "COM256");
    EXPECT_EQ(texts(1000).join(','),
              "110,300,600,1200,2400,4800,9600,14400,19200,38400,56000,57600,115200,128000,"
              "256000");
    EXPECT_EQ(texts(1019).join(','), "4,5,6,7,8");
    EXPECT_EQ(texts(1003).join(','), "None,Even,Odd,Mark,Space");
    EXPECT_EQ(texts(1004).join(','), "1,1.5,2");
}

TEST_F(DialogTest, OpensWithTheSettingsTexts) {
    Create();
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), "/images/app.bin");
    EXPECT_EQ(Item<QLabel>(1026)->text(), "LD Ver:");
    EXPECT_EQ(Item<QLabel>(1027)->text(), "CheckSum:");
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "");
    EXPECT_EQ(dlg->m_nTotal, 0);
}

TEST_F(DialogTest, EachComNumberShowsItsDevice) {
    platform::SetComDevice(7, "/dev/serial/by-id/usb-FTDI_A123-if00");
    AppSettings.port = 7;
    Create();
    platform::SetComDevice(7, "");
    auto* ports = Item<QComboBox>(1001);
    EXPECT_EQ(ports->itemData(6, Qt::ToolTipRole).toString(),
              "/dev/serial/by-id/usb-FTDI_A123-if00");
    EXPECT_EQ(ports->toolTip(), "/dev/serial/by-id/usb-FTDI_A123-if00");
    EXPECT_EQ(ports->itemData(7, Qt::ToolTipRole).toString(), "No device");
    ports->setCurrentIndex(7);
    EXPECT_EQ(ports->toolTip(), "No device");
}

}  // namespace
}  // namespace gui_test
