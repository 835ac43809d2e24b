// Files dropped on the dialog, and the tool tips: Qt's side of both.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

class DialogDrop : public DialogTest {
  protected:
    std::string image = dir.File("dropped.bin");

    void SetUp() override {
        DialogTest::SetUp();
        testing_support::WriteFile(image, "image");
    }

    // Drags `urls` over the dialog and drops them there, as Qt delivers a drag from another
    // program; whether the drag was offered and whether the drop was taken.
    std::pair<bool, bool> Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = dlg->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QApplication::sendEvent(dlg, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        QApplication::sendEvent(dlg, &drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }
    static QUrl File(const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    }
};

TEST_F(DialogDrop, OneFileSetsThePathAndTwoOrAWebAddressAreRefused) {
    Create();
    const auto refused = std::make_pair(false, false);
    EXPECT_EQ(Drop({File(image), File(image)}), refused);
    EXPECT_EQ(Drop({QUrl("https://example.org/image.bin")}), refused);
    EXPECT_EQ(Drop({File(image), QUrl("https://example.org/image.bin")}), refused);
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), "/images/app.bin");
    EXPECT_EQ(Drop({File(image)}), std::make_pair(true, true));
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), QString::fromStdString(image));
}

TEST_F(DialogDrop, RefusedWhileAJobRuns) {
    Create();
    dlg->OnCommand(1);
    EXPECT_EQ(Drop({File(image)}), std::make_pair(false, false));
    EXPECT_EQ(Item<QLineEdit>(1020)->text(), "/images/app.bin");
}

// A drop over any control reaches the dialog: Qt gives it to the nearest widget that takes
// drops, and no control does (an edit box would otherwise take the file's name as text).
TEST_F(DialogDrop, NoControlTakesADropOfItsOwn) {
    Create();
    EXPECT_TRUE(dlg->acceptDrops());
    for (QWidget* w : dlg->findChildren<QWidget*>())
        EXPECT_FALSE(w->acceptDrops()) << w->objectName().toStdString();
}

TEST_F(DialogTest, ToolTipsOnTheButtonsAndTheWholePathOnItsBox) {
    Create();
    for (int id : {1, 1021, 1030})
        EXPECT_FALSE(Item(id)->toolTip().isEmpty()) << id;
    auto* path = Item<QLineEdit>(1020);
    const QString longPath = "/srv/firmware/" + QString(200, u'x') + "/image.bin";
    path->setText(longPath);
    EXPECT_EQ(path->toolTip(), longPath);
    // A path that looks like markup is shown as it is.
    const QString odd = "/tmp/<b>bold</b>&amp;/image.bin";
    path->setText(odd);
    ASSERT_TRUE(Qt::mightBeRichText(path->toolTip()));
    QTextDocument shown;
    shown.setHtml(path->toolTip());
    EXPECT_EQ(shown.toPlainText(), odd);
}

}  // namespace
}  // namespace gui_test
