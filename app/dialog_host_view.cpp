#include "app/dialog_host_view.h"

#include "ui/qt/rs232set_widget.h"

CDialogHostView::CDialogHostView(QWidget* parent)
    : QFrame(parent), m_client(new QWidget(this)), m_programDlg(new ui::Rs232SetWidget) {
    setObjectName(QStringLiteral("hostView"));
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    m_programDlg->Create(m_client);
    m_programDlg->show();
    // No tab stop that shows nothing: the focus passes to the dialog's controls.
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_programDlg);
}

void CDialogHostView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_client->setGeometry(contentsRect());
}
