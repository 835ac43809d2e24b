#include "ui/image_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace ui {

std::optional<QString> ChooseImageFile(QWidget* parent, const QString& currentPath) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("BIN ROM (*.bin)"), QString::fromLatin1(kAddressedFilter),
                           QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    if (!currentPath.isEmpty()) {
        const QFileInfo current(currentPath);
        if (current.absoluteDir().exists())
            dialog.setDirectory(current.absoluteDir());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

}  // namespace ui
