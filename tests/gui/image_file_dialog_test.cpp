// The open-file dialog for the image: over the main window's centre, and wide enough that its
// columns show their texts whole, as Qt's own item layout measures them.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <filesystem>

#include "dialog_fixture.h"
#include "ui/core/image_choice.h"
#include "ui/qt/image_file_dialog.h"

namespace gui_test {
namespace {

class ImageFileDialog : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    QWidget mainWindow;

    void SetUp() override {
        // Files whose size and date texts are among the widest: 1.5 MiB, and a long name.
        const std::vector<std::uint8_t> binary{0x00, 0xFF, 0x7F, 0x80};
        testing_support::WriteBytes(dir.File("firmware.bin"), binary);
        std::filesystem::resize_file(dir.File("firmware.bin"), 1536 * 1024 + 999);
        testing_support::WriteBytes(dir.File("board-rev-c-bootloader-and-application.bin"), binary);
        mainWindow.resize(440, 280);
    }

    // Runs the dialog over the main window at `topLeft` and gives `check` the open dialog.
    void Open(QPoint topLeft, std::function<void(QFileDialog&)> check) {
        mainWindow.move(topLeft);
        mainWindow.show();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            check(*dialog);
            dialog->reject();
        });
        const auto chosen =
            ui::ChooseImageFile(&mainWindow, ui::ImageFileRequest(dir.File("firmware.bin")));
        EXPECT_TRUE(seen);
        EXPECT_FALSE(chosen);
    }

    QRect Screen() const { return mainWindow.screen()->availableGeometry(); }
};

TEST_F(ImageFileDialog, OpensCentredOnTheMainWindow) {
    const QPoint topLeft = Screen().center() - QPoint(220, 140);
    Open(topLeft, [&](QFileDialog& dialog) {
        const QPoint offset = dialog.frameGeometry().center() - mainWindow.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        EXPECT_TRUE(Screen().contains(dialog.frameGeometry()));
        // Our own dialog, in the folder of the current image, offering the filters in order.
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog.directory().absolutePath(), QString::fromStdString(dir.path().string()));
        EXPECT_EQ(dialog.nameFilters(),
                  (QStringList{"BIN ROM (*.bin)",
                               "HEX, S-record, ELF (*.hex *.ihex *.ihx *.s19 *.s28 *.s37 *.srec "
                               "*.mot *.elf *.axf)",
                               "All Files (*)"}));
    });
}

TEST_F(ImageFileDialog, StaysOnTheScreenOverAMainWindowInItsCorner) {
    Open(Screen().topLeft(), [&](QFileDialog& dialog) {
        EXPECT_TRUE(Screen().contains(dialog.frameGeometry()));
        EXPECT_TRUE(dialog.frameGeometry().contains(mainWindow.frameGeometry().center()));
    });
}

TEST_F(ImageFileDialog, ColumnsShowTheirTextsWhole) {
    Open(Screen().center() - QPoint(220, 140), [&](QFileDialog& dialog) {
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(view, nullptr);
        ASSERT_NE(model, nullptr);
        EXPECT_TRUE(view->isVisible());
        const QModelIndex root = view->rootIndex();
        if (model->rowCount(root) < 2) {
            QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
            ASSERT_TRUE(loaded.wait(20000));
        }
        ASSERT_EQ(model->rowCount(root), 2);
        // The files' details arrive after the names.
        QSignalSpy changed(model, &QFileSystemModel::dataChanged);
        while (model->index(0, 1, root).data().toString().isEmpty())
            ASSERT_TRUE(changed.wait(20000));
        // Every column within the view: nothing hidden beyond its right edge.
        EXPECT_LE(view->header()->length(), view->viewport()->width());
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < model->columnCount(root); ++column) {
                const QModelIndex index = model->index(row, column, root);
                QStyleOptionViewItem option;
                option.initFrom(view);
                option.rect = view->visualRect(index);
                option.text = index.data().toString();
                option.features |= QStyleOptionViewItem::HasDisplay;
                if (column == 0) {
                    option.features |= QStyleOptionViewItem::HasDecoration;
                    option.decorationSize = view->iconSize();
                }
                const QRect text =
                    view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
                const int advance = view->fontMetrics().horizontalAdvance(option.text);
                // A long name may be cut; a short one, and the details, never.
                if (column > 0 || option.text == u"firmware.bin") {
                    EXPECT_LE(advance, text.width())
                        << option.text.toStdString() << " in column " << column;
                }
            }
        }
    });
}

TEST(ImageFileFilters, NameEachTypeWithItsPatterns) {
    const ui::FileFilter filters[] = {
        {"BIN ROM", "*.bin"}, {"Intel HEX", "*.hex;*.ihx"}, {"All Files", "*.*"}};
    EXPECT_EQ(ui::NameFilters(filters),
              (QStringList{"BIN ROM (*.bin)", "Intel HEX (*.hex *.ihx)", "All Files (*)"}));
}

}  // namespace
}  // namespace gui_test
