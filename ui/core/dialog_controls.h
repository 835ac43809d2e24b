// The dialog's control members: thin handles on a control of the dialog's window, by id, with
// the operations of the MFC control classes the dialog uses. Attached once the window exists
// (DDX_Control); a handle owns nothing.
//
// Threading: GUI thread, as the window.
#pragma once

#include <cassert>
#include <string>
#include <string_view>

#include "ui/core/dialog_window.h"

namespace ui {

class CWndControl {
  public:
    void Attach(DialogWindow& window, int id) {
        window_ = &window;
        id_ = id;
    }
    int GetDlgCtrlID() const { return id_; }

    void EnableWindow(bool enable) const { Window().EnableWindow(id_, enable); }
    void ShowWindow(bool show) const { Window().ShowWindow(id_, show); }
    void SetWindowText(std::string_view text) const { Window().SetWindowText(id_, text); }
    std::string GetWindowText() const { return Window().GetWindowText(id_); }
    void SetToolTip(std::string_view text) const { Window().SetToolTip(id_, text); }
    void SetFocus() const { Window().SetFocus(id_); }

  protected:
    DialogWindow& Window() const {
        assert(window_);
        return *window_;
    }

  private:
    DialogWindow* window_ = nullptr;
    int id_ = 0;
};

class CButton : public CWndControl {};

class CStatic : public CWndControl {
  public:
    void SetIcon(int icon) const { Window().SetIcon(GetDlgCtrlID(), icon); }
};

class CEdit : public CWndControl {
  public:
    void SetReadOnly(bool readOnly) const { Window().SetReadOnly(GetDlgCtrlID(), readOnly); }
};

class CComboBox : public CWndControl {
  public:
    int AddString(std::string_view text) const { return Window().AddString(GetDlgCtrlID(), text); }
    void SetCurSel(int index) const { Window().SetCurSel(GetDlgCtrlID(), index); }
    int GetCurSel() const { return Window().GetCurSel(GetDlgCtrlID()); }
    void SetItemToolTip(int index, std::string_view text) const {
        Window().SetItemToolTip(GetDlgCtrlID(), index, text);
    }
};

class CProgressCtrl : public CWndControl {
  public:
    void SetRange32(int low, int high) const { Window().SetRange32(GetDlgCtrlID(), low, high); }
    void SetPos(int pos) const { Window().SetPos(GetDlgCtrlID(), pos); }
};

}  // namespace ui
