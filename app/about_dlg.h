// CAboutDlg, the About box (template 100): the icon, the version line and OK.
//
// Threading: GUI thread.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
