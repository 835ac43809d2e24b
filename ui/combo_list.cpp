#include "ui/combo_list.h"

namespace ui {

CComboBox::CComboBox(bool sorted, QWidget* parent) : QComboBox(parent), sorted_(sorted) {}

int CComboBox::AddString(const QString& text) {
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

void CComboBox::SetCurSel(int index) {
    setCurrentIndex(index < count() ? index : -1);
}

}  // namespace ui
