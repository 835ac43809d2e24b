// A window for the dialog's core that shows nothing: it keeps each control of template 133 as
// the Win32 control would be after the core's calls (enabled, shown, read-only, text, tool
// tip, list entries and selection, progress range and position, icon, focus), logs the calls
// that change a control's state in order, and answers the modal questions as the test says.
// Its message target delivers the job's messages to the dialog on the test's thread.
//
// Threading: the test's thread.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/dialog_window.h"
#include "ui/core/rs232set.h"
#include "ui/core/rs232set_template.h"

namespace dialog_test {

struct FakeControl {
    bool enabled = true;
    bool shown = true;
    bool readOnly = false;
    bool sorted = false;
    std::string text;
    std::string toolTip;
    std::vector<std::string> items;
    std::vector<std::string> itemTips;
    int selection = -1;
    int low = 0, high = 100, pos = 0;
    int icon = 0;
};

class FakeWindow : public ui::DialogWindow {
  public:
    // The controls as template 133 creates them.
    FakeWindow() {
        using namespace ui::style;
        for (const ui::ControlTemplate& c : ui::kRs232SetTemplate.controls) {
            if (c.id == ui::IDC_STATIC)
                continue;
            FakeControl& control = controls_[c.id];
            control.enabled = (c.style & WS_DISABLED) == 0;
            control.shown = (c.style & WS_VISIBLE) != 0;
            control.sorted = c.cls == ui::ControlClass::ComboBox && (c.style & CBS_SORT) != 0;
            control.text = c.text ? c.text : "";
            control.icon = c.icon;
        }
    }

    // Delivers the target's messages to `dialog`.
    void Bind(CRS232SET& dialog) { target_.dialog = &dialog; }

    const FakeControl& operator[](int id) const { return controls_.at(id); }
    FakeControl& Control(int id) { return controls_.at(id); }
    int Focus() const { return focus_; }

    // Everything logged since the last call, then forgotten.
    std::vector<std::string> TakeLog() { return std::exchange(log_, {}); }

    // What the operator does: picks a list entry, types into an edit box.
    void Select(CRS232SET& dialog, int id, int index) {
        Control(id).selection = index;
        dialog.OnCommand(id, ui::Notify::SelChange);
    }
    void Type(CRS232SET& dialog, int id, std::string text) {
        Control(id).text = std::move(text);
        dialog.OnCommand(id, ui::Notify::EditChange);
    }

    // The answers of the modal dialogs, and what they were asked.
    std::function<bool(std::string_view question)> answer = [](std::string_view) { return false; };
    std::vector<std::string> questions;
    std::function<std::optional<std::string>(const ui::OpenFileRequest&)> chooseFile =
        [](const ui::OpenFileRequest&) { return std::nullopt; };
    std::vector<ui::OpenFileRequest> fileRequests;

    platform::HWND Handle() override { return &target_; }

    void EnableWindow(int id, bool enable) override {
        Control(id).enabled = enable;
        Log("enable", id, enable);
    }
    void ShowWindow(int id, bool show) override {
        Control(id).shown = show;
        Log("show", id, show);
    }
    void SetWindowText(int id, std::string_view text) override {
        Control(id).text = std::string(text);
        ++textWrites_[id];
    }
    std::string GetWindowText(int id) override { return Control(id).text; }
    void SetToolTip(int id, std::string_view text) override {
        Control(id).toolTip = std::string(text);
    }
    void SetFocus(int id) override {
        focus_ = id;
        Log("focus", id, true);
    }
    void SetReadOnly(int id, bool readOnly) override {
        Control(id).readOnly = readOnly;
        Log("readonly", id, readOnly);
    }
    int AddString(int id, std::string_view text) override {
        FakeControl& c = Control(id);
        auto at = c.items.end();
        if (c.sorted) {
            // CB_ADDSTRING in a sorted list: after every entry that does not sort after it.
            at = std::find_if(c.items.begin(), c.items.end(),
                              [&](const std::string& item) { return Less(text, item); });
        }
        const auto index = static_cast<int>(at - c.items.begin());
        c.items.insert(at, std::string(text));
        c.itemTips.insert(c.itemTips.begin() + index, std::string());
        if (c.selection >= index)
            ++c.selection;
        return index;
    }
    void SetCurSel(int id, int index) override {
        FakeControl& c = Control(id);
        c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
    }
    int GetCurSel(int id) override { return Control(id).selection; }
    void SetItemToolTip(int id, int index, std::string_view text) override {
        Control(id).itemTips.at(static_cast<std::size_t>(index)) = std::string(text);
    }
    void SetRange32(int id, int low, int high) override {
        Control(id).low = low;
        Control(id).high = high;
        Log("range", id, true);
    }
    void SetPos(int id, int pos) override {
        FakeControl& c = Control(id);
        c.pos = std::clamp(pos, c.low, std::max(c.low, c.high));
        Log("pos", id, true);
    }
    void SetIcon(int id, int icon) override {
        Control(id).icon = icon;
        Log("icon", id, true);
    }
    bool AskYesNo(std::string_view question) override {
        questions.emplace_back(question);
        return answer(question);
    }
    std::optional<std::string> GetOpenFileName(const ui::OpenFileRequest& request) override {
        fileRequests.push_back(request);
        return chooseFile(request);
    }

    // How often the dialog wrote a control's text.
    int TextWrites(int id) const {
        const auto it = textWrites_.find(id);
        return it == textWrites_.end() ? 0 : it->second;
    }

    // Marks a point in the log (a box shown, the job ended) to check the order around it.
    void Mark(std::string what) { log_.push_back(std::move(what)); }

  private:
    class Target : public platform::MessageTarget {
      public:
        CRS232SET* dialog = nullptr;

      protected:
        LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
            return dialog ? dialog->WindowProc(msg, wParam, lParam) : 0;
        }
    };

    static bool Less(std::string_view a, std::string_view b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return std::tolower(static_cast<unsigned char>(x)) <
                                                       std::tolower(static_cast<unsigned char>(y));
                                            });
    }

    void Log(const char* what, int id, bool on) {
        log_.push_back(std::string(what) + " " + std::to_string(id) + (on ? "" : " off"));
    }

    std::map<int, FakeControl> controls_;
    std::map<int, int> textWrites_;
    std::vector<std::string> log_;
    int focus_ = 0;
    Target target_;
};

}  // namespace dialog_test
