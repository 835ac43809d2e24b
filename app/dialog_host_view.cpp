#include "app/dialog_host_view.h"

#include "ui/rs232set.h"

CDialogHostView::CDialogHostView(QWidget* parent)
    : QFrame(parent), m_client(new QWidget(this)), m_programDlg(new CRS232SET) {
    setObjectName(QStringLiteral("hostView"));
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    m_programDlg->Create(m_client);
    m_programDlg->show();
}

void CDialogHostView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_client->setGeometry(contentsRect());
}
