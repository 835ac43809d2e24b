#include "ui/qt/image_file_dialog.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMimeDatabase>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace ui {
namespace {

constexpr int kNameColumnChars = 32;  // average characters the Name column shows at least

// The widest of `texts` in `fm`.
int Widest(const QFontMetrics& fm, const QStringList& texts) {
    int widest = 0;
    for (const QString& t : texts)
        widest = std::max(widest, fm.horizontalAdvance(t));
    return widest;
}

// The texts the Size and Date Modified columns show at their widest, as the file system model
// formats them (the system locale's data sizes and short dates).
QStringList SizeSamples() {
    const QLocale locale = QLocale::system();
    QStringList samples;
    qint64 unit = 1;
    for (int i = 0; i < 5; ++i, unit *= 1024)
        samples << locale.formattedDataSize(unit * 1023 + unit / 1024 * 1023);
    return samples;
}

QStringList DateSamples() {
    const QLocale locale = QLocale::system();
    QStringList samples;
    // Two-digit days and months, morning and afternoon.
    for (int month : {10, 12}) {
        for (int hour : {10, 22}) {
            samples << locale.toString(QDateTime(QDate(2028, month, 28), QTime(hour, 58)),
                                       QLocale::ShortFormat);
        }
    }
    return samples;
}

// Widens the detail view's columns (never narrows them) so that their texts and titles show
// whole; returns the width the view needs for all of them without scrolling sideways.
int FitColumns(QTreeView& view, const QStringList& typeSamples) {
    QHeaderView& header = *view.header();
    const QFontMetrics cells(view.font());
    const QFontMetrics titles(header.font());
    const QStyle& style = *view.style();
    // An item's text has a focus-frame margin and one pixel on either side; a title has the
    // header's margins and its sort arrow.
    const int cellPad = 2 * (style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
    const int titlePad = 2 * style.pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header) +
                         style.pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, &header);
    const QAbstractItemModel* model = header.model();
    int total = 0;
    for (int column = 0; column < header.count(); ++column) {
        int needed = titles.horizontalAdvance(
                         model ? model->headerData(column, Qt::Horizontal).toString() : QString()) +
                     titlePad;
        switch (column) {
            case 0:  // the name beside its icon
                needed = std::max(needed, kNameColumnChars * cells.averageCharWidth() +
                                              view.iconSize().width() + cellPad);
                break;
            case 1:
                needed = std::max(needed, Widest(cells, SizeSamples()) + cellPad);
                break;
            case 3:
                needed = std::max(needed, Widest(cells, DateSamples()) + cellPad);
                break;
            default:
                needed = std::max(needed, Widest(cells, typeSamples) + cellPad);
                break;
        }
        if (header.sectionSize(column) < needed)
            header.resizeSection(column, needed);
        total += header.sectionSize(column);
    }
    const int frame = 2 * view.frameWidth();
    const int scrollBar = style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    return total + frame + scrollBar;
}

// What the Type column shows for the files the filters offer (the MIME type's comment).
QStringList TypeSamples(std::span<const FileFilter> filters) {
    const QMimeDatabase mimes;
    QStringList samples;
    for (const FileFilter& f : filters) {
        for (const QString& pattern : QString::fromLatin1(f.patterns).split(u';')) {
            if (pattern.startsWith(u"*.") && pattern != u"*.*") {
                const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x") + pattern.mid(1),
                                                             QMimeDatabase::MatchExtension);
                samples << (type.comment().isEmpty() ? type.name() : type.comment());
            }
        }
    }
    return samples;
}

// Centres `dialog` on `owner`, moved only as far as keeps it on `owner`'s screen.
void CentreOn(QWidget& dialog, const QWidget& owner) {
    const QScreen* screen = owner.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    // The window's frame, which move() places, may be wider than the dialog.
    QRect frame(QPoint(), dialog.frameGeometry().size());
    frame.moveCenter(owner.frameGeometry().center());
    if (area.isValid()) {
        frame.moveLeft(std::clamp(frame.left(), area.left(),
                                  std::max(area.left(), area.right() - frame.width() + 1)));
        frame.moveTop(std::clamp(frame.top(), area.top(),
                                 std::max(area.top(), area.bottom() - frame.height() + 1)));
    }
    dialog.move(frame.topLeft());
}

}  // namespace

QStringList NameFilters(std::span<const FileFilter> filters) {
    QStringList list;
    for (const FileFilter& f : filters) {
        QStringList patterns = QString::fromLatin1(f.patterns).split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            if (p == u"*.*")
                p = QStringLiteral("*");  // every file, dot or not
        }
        list << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(f.name), patterns.join(u' '));
    }
    return list;
}

ImageFileDialog::ImageFileDialog(QWidget* parent, const OpenFileRequest& request)
    : QFileDialog(parent ? parent->window() : nullptr),
      owner_(parent ? parent->window() : nullptr),
      types_(TypeSamples(request.filters)) {
    // The desktop's own dialog would place and size itself; this one is ours to place.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setViewMode(QFileDialog::Detail);
    setNameFilters(NameFilters(request.filters));
    setDefaultSuffix(QString::fromLatin1(request.defaultExtension));
    const QFileInfo current(QString::fromStdString(request.currentPath));
    if (!request.currentPath.empty() && current.absoluteDir().exists()) {
        setDirectory(current.absoluteDir());
        if (current.isFile())
            selectFile(current.absoluteFilePath());
    }
    if (const QScreen* screen = owner_ ? owner_->screen() : this->screen())
        resize(size().expandedTo(sizeHint()).boundedTo(screen->availableGeometry().size()));
}

void ImageFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    // Laid out now: widened until the detail view's columns fit (the side bar takes a share
    // of what the dialog grows by), then placed.
    const QScreen* screen = owner_ ? owner_->screen() : this->screen();
    const int most = screen ? screen->availableGeometry().width() : QWIDGETSIZE_MAX;
    if (auto* view = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        for (int round = 0; round < 4; ++round) {
            const int missing = FitColumns(*view, types_) - view->width();
            if (missing <= 0 || width() >= most)
                break;
            resize(std::min(most, width() + missing), height());
        }
    }
    if (owner_)
        CentreOn(*this, *owner_);
}

std::optional<QString> ChooseImageFile(QWidget* parent, const OpenFileRequest& request) {
    ImageFileDialog dialog(parent, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

}  // namespace ui
