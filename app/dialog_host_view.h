// CDialogHostView: the frame's one child window, a sunken frame whose client area holds the
// programming dialog at (0, 0).
//
// Threading: GUI thread.
#pragma once

#include <QFrame>

class CRS232SET;

class CDialogHostView : public QFrame {
    Q_OBJECT
  public:
    explicit CDialogHostView(QWidget* parent = nullptr);

    CRS232SET& ProgramDialog() const { return *m_programDlg; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The client area inside the sunken edge: it clips the dialog as the window edge does.
    QWidget* m_client;
    CRS232SET* m_programDlg;
};
