// How the dialog's controls look and drop down: legible greyed texts while a job runs,
// drop-down lists as tall as their template allows. (The focus cue on a button is checked
// where it matters, after a result box: shell_keyboard_test.cpp.)
#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "dialog_fixture.h"
#include "ui/qt/combo_list.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/legible_palette.h"

namespace gui_test {
namespace {

using ui::ContrastRatio;

TEST(ContrastRatio, FollowsTheRelativeLuminanceOfBothColours) {
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(119, 119, 119), Qt::white), 4.48, 0.01);
    // The usual disabled grey on the usual window grey: far from legible.
    EXPECT_NEAR(ContrastRatio(QColor(190, 190, 190), QColor(239, 239, 239)), 1.62, 0.01);
}

class DialogLegibility : public DialogTest {
  protected:
    // The colour `w` draws its disabled text in has enough contrast against every
    // background it may be drawn on.
    static void ExpectLegible(const QWidget& w, QPalette::ColorRole text) {
        ASSERT_FALSE(w.isEnabled()) << w.objectName().toStdString();
        const QPalette& pal = w.palette();
        const QColor ink = pal.color(QPalette::Disabled, text);
        for (QPalette::ColorRole bg : {QPalette::Base, QPalette::Window}) {
            EXPECT_GE(ContrastRatio(ink, pal.color(QPalette::Disabled, bg)), ui::kLegibleContrast)
                << w.objectName().toStdString() << " on role " << bg;
        }
        // Still greyed: not simply the enabled colour.
        EXPECT_NE(ink, pal.color(QPalette::Active, text)) << w.objectName().toStdString();
    }
};

TEST_F(DialogLegibility, StatusAndCaptionsStayReadableWhileAJobRuns) {
    Create();
    dlg->OnCommand(1);
    ExpectLegible(*Item(1025), QPalette::Text);
    ExpectLegible(*Item(1031), QPalette::WindowText);
    // The status box stays out of the operator's way.
    EXPECT_FALSE(Item(1025)->focusPolicy() & Qt::TabFocus);
    Done(0x1);
    EXPECT_FALSE(Item(1025)->isEnabled());
    ExpectLegible(*Item(1025), QPalette::Text);
}

TEST_F(DialogLegibility, ADarkThemeGetsALightGreyInstead) {
    QPalette dark;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        dark.setColor(g, QPalette::Window, QColor(40, 40, 40));
        dark.setColor(g, QPalette::Base, QColor(30, 30, 30));
        dark.setColor(g, QPalette::Text, QColor(230, 230, 230));
        dark.setColor(g, QPalette::WindowText, QColor(230, 230, 230));
    }
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(70, 70, 70));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(70, 70, 70));
    const QPalette previous = QApplication::palette();
    QApplication::setPalette(dark);
    Create();
    dlg->OnCommand(1);
    ExpectLegible(*Item(1025), QPalette::Text);
    ExpectLegible(*Item(1031), QPalette::WindowText);
    QApplication::setPalette(previous);
    // A change of theme while the program runs is followed.
    ExpectLegible(*Item(1025), QPalette::Text);
}

// Each list drops down below its box within the height its template gives it, and uses it.
TEST_F(DialogTest, DropDownListsTakeTheirTemplateHeight) {
    Create();
    const ui::DialogBaseUnits u = ui::BaseUnitsOf(ui::DialogFont(ui::kRs232SetTemplate));
    for (const ui::ControlTemplate& c : ui::kRs232SetTemplate.controls) {
        if (c.cls != ui::ControlClass::ComboBox)
            continue;
        SCOPED_TRACE(c.id);
        auto* list = Item<QComboBox>(c.id);
        const int dropped = ui::MapDialogRect(c.rect, u).height() - list->height();
        list->showPopup();
        QWidget* popup = list->view()->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
        const int row = list->view()->sizeHintForRow(0);
        const int frame = popup->height() - list->view()->viewport()->height();
        EXPECT_LE(popup->height(), dropped);
        EXPECT_GE(popup->mapToGlobal(QPoint(0, 0)).y(), list->mapToGlobal(QPoint(0, 0)).y());
        if (list->count() * row + frame <= dropped) {
            // A short list shows every entry.
            EXPECT_EQ(list->view()->verticalScrollBar()->maximum(), 0);
        } else {
            // A long one shows as many whole rows as fit, and scrolls.
            EXPECT_GT(popup->height(), dropped - row);
            EXPECT_GT(list->view()->verticalScrollBar()->maximum(), 0);
        }
        list->hidePopup();
    }
}

}  // namespace
}  // namespace gui_test
