// The programming dialog as it opens: its controls, tab order and preselected lists.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_fixture.h"
#include "platform/com_ports.h"
#include "ui/qt/dialog_units.h"

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

// The core's lists and choices reach the widgets: entries in order (the sorted list sorted
// as a Win32 list sorts), the selection, and each number's device as its entry's tool tip.
TEST_F(DialogTest, ListsShowTheirEntriesAndSelection) {
    AppSettings.port = 3;
    AppSettings.parity = 2;
    AppSettings.baudRate = 250000;
    Create();
    auto texts = [this](int id) {
        QStringList t;
        auto* list = Item<QComboBox>(id);
        for (int i = 0; i < list->count(); ++i)
            t << list->itemText(i);
        return t;
    };
    EXPECT_EQ(texts(1001).size(), 256);
    EXPECT_EQ(texts(1019).join(','), "4,5,6,7,8");
    EXPECT_EQ(texts(1003).join(','), "None,Even,Odd,Mark,Space");
    EXPECT_EQ(Item<QComboBox>(1001)->currentText(), "COM3");
    EXPECT_EQ(Item<QComboBox>(1003)->currentText(), "Even");
    // A setting that matches no entry leaves the list without a selection, as Win32 does.
    EXPECT_EQ(Item<QComboBox>(1000)->currentIndex(), -1);
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
