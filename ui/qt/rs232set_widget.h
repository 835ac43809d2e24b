// The programming dialog's Qt view: template 133 built as widgets, a child dialog inside the
// host view, showing what CRS232SET (the dialog's core) decides. It forwards the operator's
// clicks, selections, typing, Enter, dropped files and the job's messages to the core, and
// carries out the core's calls on its widgets. What is Qt's own stays here: fonts that fit the
// texts, legible greyed texts, the file dialog's place and columns, tool tips, focus
// restored when the dialog gets the focus back.
//
// Threading: everything here runs on the GUI thread. The job reaches the dialog only through
// its message target (Handle()), whose Send and Post may be called from any thread; the
// handlers run on the GUI thread, from the event loop or any modal loop.
#pragma once

#include <QDialog>
#include <QMimeData>
#include <QPointer>
#include <string>
#include <vector>

#include "ui/core/dialog_window.h"
#include "ui/core/rs232set.h"
#include "ui/qt/dialog_builder.h"
#include "ui/qt/qt_message_target.h"

namespace ui {

class Rs232SetWidget : public QDialog, public DialogWindow {
    Q_OBJECT
  public:
    // The window is created later, by Create.
    explicit Rs232SetWidget(QWidget* parent = nullptr);
    ~Rs232SetWidget() override;

    // Builds template 133 as a hidden child of `parent` and initialises the dialog.
    bool Create(QWidget* parent);

    CRS232SET& Dialog() { return m_dlg; }
    const CRS232SET& Dialog() const { return m_dlg; }
    QWidget* GetDlgItem(int id) const { return FindControl(m_controls, id); }
    // A command of control `id` as its click routes it.
    void OnCommand(int id) { m_dlg.OnCommand(id); }

    // DialogWindow.
    platform::HWND Handle() override { return &m_target; }
    void EnableWindow(int id, bool enable) override;
    void ShowWindow(int id, bool show) override;
    void SetWindowText(int id, std::string_view text) override;
    std::string GetWindowText(int id) override;
    void SetToolTip(int id, std::string_view text) override;
    void SetFocus(int id) override;
    void SetReadOnly(int id, bool readOnly) override;
    int AddString(int id, std::string_view text) override;
    void SetCurSel(int id, int index) override;
    int GetCurSel(int id) override;
    void SetItemToolTip(int id, int index, std::string_view text) override;
    void SetRange32(int id, int low, int high) override;
    void SetPos(int id, int pos) override;
    void SetIcon(int id, int icon) override;
    bool AskYesNo(std::string_view question) override;
    std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;

  public slots:
    // Enter and the default button: the OK command is a Program command here.
    void accept() override;
    // Escape would hide the only working surface of the window; it does nothing.
    void reject() override;

  protected:
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void ConnectControls();
    void KeepTextsLegible();
    template <typename T>
    T* Control(int id) const;

    // The core is destroyed after the target whose handler calls it.
    CRS232SET m_dlg;
    QtMessageTarget m_target;
    std::vector<DialogControl> m_controls;
    // The control that last had the focus, given it back when the dialog gets the focus.
    QPointer<QWidget> m_lastFocus;
};

// The local files among the URLs of a drag, as UTF-8 paths; nothing when any is not local.
std::vector<std::string> DraggedFiles(const QMimeData* data);

// A tool tip that shows `text` exactly as it is, even when it looks like markup.
QString LiteralToolTip(const QString& text);

}  // namespace ui
