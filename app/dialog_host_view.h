// CDialogHostView: the frame's one child window, a sunken frame whose client area holds the
// programming dialog at (0, 0). It is no tab stop of its own: the focus it is given goes on to
// the dialog.
//
// Threading: GUI thread.
#pragma once

#include <QFrame>

namespace ui {
class Rs232SetWidget;
}

class CDialogHostView : public QFrame {
    Q_OBJECT
  public:
    explicit CDialogHostView(QWidget* parent = nullptr);

    ui::Rs232SetWidget& ProgramDialog() const { return *m_programDlg; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The client area inside the sunken edge: it clips the dialog as the window edge does.
    QWidget* m_client;
    ui::Rs232SetWidget* m_programDlg;
};
