// A drop-down list with the Win32 combo-box operations the dialog uses: AddString (sorted
// insertion when the list sorts), SetCurSel and GetCurSel (-1: no selection).
//
// Threading: GUI thread.
#pragma once

#include <QComboBox>

namespace ui {

class CComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit CComboBox(bool sorted, QWidget* parent = nullptr);

    // Returns the new entry's index. Never changes the selection of a list that has none.
    int AddString(const QString& text);
    void SetCurSel(int index);
    int GetCurSel() const { return currentIndex(); }

  private:
    bool sorted_;
};

}  // namespace ui
