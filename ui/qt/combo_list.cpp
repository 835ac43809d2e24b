#include "ui/qt/combo_list.h"

#include <QAbstractItemView>
#include <QFrame>
#include <algorithm>

namespace ui {

DropDownList::DropDownList(bool sorted, QWidget* parent) : QComboBox(parent), sorted_(sorted) {}

int DropDownList::AddString(const QString& text) {
    int index = count();
    if (sorted_) {
        index = 0;
        while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0)
            ++index;
    }
    // QComboBox selects the first entry added to an empty list; a Win32 list does not.
    const bool hadSelection = currentIndex() >= 0;
    insertItem(index, text);
    if (!hadSelection)
        setCurrentIndex(-1);
    return index;
}

void DropDownList::SetCurSel(int index) {
    setCurrentIndex(index < count() ? index : -1);
}

void DropDownList::showPopup() {
    if (droppedHeight_ > 0 && count() > 0) {
        // Whole rows within the dropped-down height, the popup's frame included: its frame
        // width before the popup has first been laid out, what it measures afterwards.
        QAbstractItemView* list = view();
        const auto* popup = qobject_cast<const QFrame*>(list->window());
        const int frame = std::max(popup ? 2 * popup->frameWidth() : 0,
                                   list->window()->height() - list->viewport()->height());
        const int row = std::max(1, list->sizeHintForRow(0));
        setMaxVisibleItems(std::max(1, (droppedHeight_ - frame) / row));
    }
    QComboBox::showPopup();
}

}  // namespace ui
