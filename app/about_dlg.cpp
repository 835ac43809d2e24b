#include "app/about_dlg.h"

#include <QDialog>
#include <QPushButton>

#include "app/about_template.h"
#include "ui/qt/dialog_builder.h"

namespace {

using namespace ui;

inline constexpr int IDC_OK = about_detail::IDC_OK;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("dlg%1").arg(IDD_ABOUTBOX));
    setWindowTitle(QString::fromLatin1(kAboutTemplate.title));
    const auto controls = BuildDialog(*this, kAboutTemplate);
    auto* ok = qobject_cast<QPushButton*>(FindControl(controls, IDC_OK));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}
