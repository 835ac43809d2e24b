// An edit box with the manners of the Win32 edit control that the templates assume: while
// read-only it shows the dialog's face colour behind its text, as Win32 shows a read-only
// edit, and focus that arrives from the keyboard (Tab) leaves its text unselected, so that a
// key pressed next never meets a selection it could replace.
//
// Threading: GUI thread.
#pragma once

#include <QLineEdit>

namespace ui {

class EditControl : public QLineEdit {
    Q_OBJECT
  public:
    explicit EditControl(QWidget* parent = nullptr);

    // EM_SETREADONLY.
    void SetReadOnly(bool readOnly);

  protected:
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void ApplyReadOnlyLook();
};

}  // namespace ui
