#include "ui/qt/rs232set_widget.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "res/icons.h"
#include "ui/core/rs232set_template.h"
#include "ui/qt/combo_list.h"
#include "ui/qt/edit_control.h"
#include "ui/qt/image_file_dialog.h"
#include "ui/qt/legible_palette.h"
#include "ui/qt/rs232set_texts.h"
#include "ui/qt/titled_box.h"

namespace ui {

static_assert(IDI_RESULT_OK == res::IDI_RESULT_OK && IDI_RESULT_FAIL == res::IDI_RESULT_FAIL);

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool CanTakeFocus(const QWidget* w, const QWidget* dialog) {
    return w && w->isEnabled() && w->isVisibleTo(dialog) && (w->focusPolicy() & Qt::TabFocus);
}

}  // namespace

std::vector<std::string> DraggedFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

QString LiteralToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    // As markup, escaped, on one line as plain text would be.
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

Rs232SetWidget::Rs232SetWidget(QWidget* parent)
    : QDialog(parent), m_target(*this, [this](UINT msg, WPARAM w, LPARAM l) {
          return m_dlg.WindowProc(msg, w, l);
      }) {}

Rs232SetWidget::~Rs232SetWidget() {
    m_target.Detach();
}

bool Rs232SetWidget::Create(QWidget* parent) {
    // A child window inside the host, not a top-level dialog.
    setParent(parent, Qt::Widget);
    setAutoFillBackground(true);
    setAcceptDrops(true);
    m_controls = BuildDialog(*this, kRs232SetTemplate, &Rs232SetListTexts);
    FitControlGroup(m_controls, font(), &Rs232SetFigureTexts);
    KeepTextsLegible();
    move(0, 0);
    setHidden(true);
    ConnectControls();
    return m_dlg.Create(*this) != FALSE;
}

void Rs232SetWidget::ConnectControls() {
    for (const DialogControl& c : m_controls) {
        if (auto* button = qobject_cast<QPushButton*>(c.widget)) {
            connect(button, &QPushButton::clicked, this, [this, id = c.id] { OnCommand(id); });
        }
    }
    connect(Control<DropDownList>(IDC_PORT), &QComboBox::currentIndexChanged, this,
            [this] { m_dlg.OnCommand(IDC_PORT, Notify::SelChange); });
    connect(Control<EditControl>(IDC_FILE), &QLineEdit::textChanged, this,
            [this] { m_dlg.OnCommand(IDC_FILE, Notify::EditChange); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != this && isAncestorOf(now))
            m_lastFocus = now;
    });
}

template <typename T>
T* Rs232SetWidget::Control(int id) const {
    auto* control = qobject_cast<T*>(GetDlgItem(id));
    Q_ASSERT(control);
    return control;
}

void Rs232SetWidget::KeepTextsLegible() {
    // The status box is disabled for good and the captions while a job runs; the operator
    // still reads them.
    if (QWidget* status = GetDlgItem(IDC_STATUS))
        KeepLegibleWhenDisabled(*status, QPalette::Text, {QPalette::Base, QPalette::Window});
    for (int caption : {IDC_PROGRAM_NOTE, IDC_EEPSUM_NOTE}) {
        if (QWidget* note = GetDlgItem(caption))
            KeepLegibleWhenDisabled(*note, QPalette::WindowText, {QPalette::Window});
    }
}

void Rs232SetWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        KeepTextsLegible();
    QDialog::changeEvent(event);
}

void Rs232SetWidget::focusInEvent(QFocusEvent* event) {
    QDialog::focusInEvent(event);
    // The dialog passes the focus on to the control that had it last, else to its first tab
    // stop that can take it.
    QWidget* target = m_lastFocus;
    if (!CanTakeFocus(target, this)) {
        target = nullptr;
        for (const DialogControl& c : m_controls) {
            if (CanTakeFocus(c.widget, this)) {
                target = c.widget;
                break;
            }
        }
    }
    if (target)
        target->setFocus(event->reason());
}

void Rs232SetWidget::accept() {
    m_dlg.OnCommand(IDC_PROGRAM);  // IDOK
}

void Rs232SetWidget::reject() {}

void Rs232SetWidget::dragEnterEvent(QDragEnterEvent* event) {
    const std::vector<std::string> paths = DraggedFiles(event->mimeData());
    if (!paths.empty() && m_dlg.CanDropFiles(paths)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Rs232SetWidget::dropEvent(QDropEvent* event) {
    if (m_dlg.OnDropFiles(DraggedFiles(event->mimeData()))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Rs232SetWidget::EnableWindow(int id, bool enable) {
    GetDlgItem(id)->setEnabled(enable);
}

void Rs232SetWidget::ShowWindow(int id, bool show) {
    GetDlgItem(id)->setVisible(show);
}

void Rs232SetWidget::SetWindowText(int id, std::string_view text) {
    // Setting an unchanged text would still reset an edit's cursor and cost a relayout.
    const QString value = FromUtf8(text);
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != value)
            edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != value)
            label->setText(value);
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        button->setText(value);
    }
}

std::string Rs232SetWidget::GetWindowText(int id) {
    const QWidget* w = GetDlgItem(id);
    if (const auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text().toStdString();
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return button->text().toStdString();
    return {};
}

void Rs232SetWidget::SetToolTip(int id, std::string_view text) {
    const QString tip = LiteralToolTip(FromUtf8(text));
    QWidget* w = GetDlgItem(id);
    if (w->toolTip() != tip)
        w->setToolTip(tip);
}

void Rs232SetWidget::SetFocus(int id) {
    QWidget* w = GetDlgItem(id);
    m_lastFocus = w;
    w->setFocus(Qt::OtherFocusReason);
}

void Rs232SetWidget::SetReadOnly(int id, bool readOnly) {
    Control<EditControl>(id)->SetReadOnly(readOnly);
}

int Rs232SetWidget::AddString(int id, std::string_view text) {
    return Control<DropDownList>(id)->AddString(FromUtf8(text));
}

void Rs232SetWidget::SetCurSel(int id, int index) {
    Control<DropDownList>(id)->SetCurSel(index);
}

int Rs232SetWidget::GetCurSel(int id) {
    return Control<DropDownList>(id)->GetCurSel();
}

void Rs232SetWidget::SetItemToolTip(int id, int index, std::string_view text) {
    Control<DropDownList>(id)->setItemData(index, LiteralToolTip(FromUtf8(text)), Qt::ToolTipRole);
}

void Rs232SetWidget::SetRange32(int id, int low, int high) {
    // Qt shows a busy animation for an empty range; the Win32 bar shows an empty bar.
    Control<QProgressBar>(id)->setRange(low, std::max(high, low + 1));
}

void Rs232SetWidget::SetPos(int id, int pos) {
    // Qt ignores a position outside the range; the Win32 bar clamps it.
    auto* bar = Control<QProgressBar>(id);
    bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
}

void Rs232SetWidget::SetIcon(int id, int icon) {
    Control<QLabel>(id)->setPixmap(res::LoadIconResource(icon).pixmap(res::kLampSize));
}

bool Rs232SetWidget::AskYesNo(std::string_view question) {
    TitledBox box(QMessageBox::Warning, QString::fromLatin1(kBoxTitle), FromUtf8(question),
                  QMessageBox::Yes | QMessageBox::No, window());
    // Enter keeps the job running; stopping it takes a deliberate Yes.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> Rs232SetWidget::GetOpenFileName(const OpenFileRequest& request) {
    if (const auto path = ChooseImageFile(this, request))
        return path->toStdString();
    return std::nullopt;
}

}  // namespace ui
