// A drop-down list with the Win32 combo-box operations the dialog uses: AddString (sorted
// insertion when the list sorts), SetCurSel and GetCurSel (-1: no selection). Its list drops
// down no taller than the height its template gives it, in whole rows.
//
// Threading: GUI thread.
#pragma once

#include <QComboBox>

namespace ui {

class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDownList(bool sorted, QWidget* parent = nullptr);

    // Returns the new entry's index. Never changes the selection of a list that has none.
    int AddString(const QString& text);
    void SetCurSel(int index);
    int GetCurSel() const { return currentIndex(); }

    // The height in pixels that the dropped-down list may take below the box.
    void SetDroppedHeight(int pixels) { droppedHeight_ = pixels; }
    int DroppedHeight() const { return droppedHeight_; }

    void showPopup() override;

  private:
    bool sorted_;
    int droppedHeight_ = 0;
};

}  // namespace ui
