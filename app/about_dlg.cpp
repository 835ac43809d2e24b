#include "app/about_dlg.h"

#include <QDialog>
#include <QPushButton>

#include "res/icons.h"
#include "ui/qt/dialog_builder.h"

namespace {

using namespace ui;
using namespace ui::style;

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDC_OK = 1;

inline constexpr std::array<ControlTemplate, 3> kAboutControls{{
    {IDC_STATIC,
     ControlClass::Static,
     nullptr,
     WS_VISIBLE | SS_ICON,
     {11, 17, 20, 20},
     res::IDR_MAINFRAME},
    {IDC_STATIC,
     ControlClass::Static,
     "KVEN Version 0.1",
     WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP,
     {45, 17, 70, 8}},
    {IDC_OK,
     ControlClass::Button,
     "OK",
     WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,
     {134, 7, 50, 16}},
}};

inline constexpr DialogTemplate kAboutTemplate{191,           71, "About KVEN", "MS Shell Dlg", 9,
                                               kAboutControls};

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
