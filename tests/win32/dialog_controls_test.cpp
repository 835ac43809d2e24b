// The Win32 dialog's control operations carried out on the controls Windows created from
// template 133, and the job's messages reaching the dialog's handler through its window.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

#include "job/job_messages.h"
#include "res/icon_ids.h"
#include "ui/core/rs232set_template.h"
#include "ui/win32/rs232set_window.h"

#include <commctrl.h>

namespace {

class DialogControls : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
        host_ = ::CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        ASSERT_TRUE(window_.Create(host_));
    }
    void TearDown() override { ::DestroyWindow(host_); }

    DWORD Style(int id) const {
        return static_cast<DWORD>(::GetWindowLongPtrW(window_.GetDlgItem(id), GWL_STYLE));
    }

    HWND host_ = nullptr;
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> messages_;
    ui::win32::Rs232SetWindow window_{[this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        messages_.emplace_back(msg, wParam, lParam);
        return msg == WM_JOB_DONE ? 1 : 0;
    }};
};

TEST_F(DialogControls, ListsAddSelectAndSort) {
    EXPECT_EQ(window_.GetCurSel(ui::IDC_PORT), -1);
    EXPECT_EQ(window_.AddString(ui::IDC_PORT, "COM1"), 0);
    EXPECT_EQ(window_.AddString(ui::IDC_PORT, "COM2"), 1);
    window_.SetCurSel(ui::IDC_PORT, 1);
    EXPECT_EQ(window_.GetCurSel(ui::IDC_PORT), 1);
    window_.SetCurSel(ui::IDC_PORT, -1);
    EXPECT_EQ(window_.GetCurSel(ui::IDC_PORT), -1);
    // The Data Bits list is sorted: entries take their place, not the end.
    EXPECT_EQ(window_.AddString(ui::IDC_DATABITS, "8"), 0);
    EXPECT_EQ(window_.AddString(ui::IDC_DATABITS, "5"), 0);
    EXPECT_EQ(window_.AddString(ui::IDC_DATABITS, "7"), 1);
}

TEST_F(DialogControls, TextsKeepEveryCharacter) {
    const std::string path =
        "C:\\Bilder \xc3\x9c"
        "bung\\\xe5\x90\x8d\xe5\x89\x8d.bin";
    window_.SetWindowText(ui::IDC_FILE, path);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), path);
    window_.SetWindowText(ui::IDC_LDVER, "LD Ver: V0123-A-255");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_LDVER), "LD Ver: V0123-A-255");
    window_.SetWindowText(ui::IDC_STATUS, "");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_STATUS), "");
}

TEST_F(DialogControls, ProgressBarKeepsItsPositionInRange) {
    const HWND bar = window_.GetDlgItem(ui::IDC_PROGRESS);
    window_.SetRange32(ui::IDC_PROGRESS, 0, 4096);
    window_.SetPos(ui::IDC_PROGRESS, 512);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 512);
    window_.SetPos(ui::IDC_PROGRESS, 5000);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 4096);
}

TEST_F(DialogControls, StatesAndLamps) {
    window_.EnableWindow(ui::IDC_LOAD, false);
    EXPECT_FALSE(::IsWindowEnabled(window_.GetDlgItem(ui::IDC_LOAD)));
    window_.EnableWindow(ui::IDC_LOAD, true);
    EXPECT_TRUE(::IsWindowEnabled(window_.GetDlgItem(ui::IDC_LOAD)));
    window_.ShowWindow(ui::IDC_PROGRESS, true);
    EXPECT_TRUE(Style(ui::IDC_PROGRESS) & WS_VISIBLE);
    window_.ShowWindow(ui::IDC_RESULT, false);
    EXPECT_FALSE(Style(ui::IDC_RESULT) & WS_VISIBLE);
    window_.SetReadOnly(ui::IDC_FILE, true);
    EXPECT_TRUE(Style(ui::IDC_FILE) & ES_READONLY);
    window_.SetReadOnly(ui::IDC_FILE, false);
    EXPECT_FALSE(Style(ui::IDC_FILE) & ES_READONLY);

    window_.SetIcon(ui::IDC_RESULT, res::IDI_RESULT_FAIL);
    const HICON red =
        ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(res::IDI_RESULT_FAIL));
    EXPECT_EQ(reinterpret_cast<HICON>(
                  ::SendMessageW(window_.GetDlgItem(ui::IDC_RESULT), STM_GETICON, 0, 0)),
              red);
}

// The window procedure hands the job's messages to the handler and returns its result to
// the sender, from this thread and from another.
TEST_F(DialogControls, JobMessagesReachTheHandler) {
    EXPECT_EQ(SendMessageA(window_.Handle(), WM_JOB_DONE, 0, 0x20001), 1);
    // GetMessage serves the sent message inside; the posted one after it wakes the loop.
    const DWORD owner = ::GetCurrentThreadId();
    std::atomic<LRESULT> fromThread{-1};
    std::thread sender([&] {
        fromThread = SendMessageA(window_.Handle(), WM_JOB_DONE, 0, 1);
        ::PostThreadMessageW(owner, WM_NULL, 0, 0);
    });
    MSG msg;
    while (fromThread == -1 && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    sender.join();
    EXPECT_EQ(fromThread, 1);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0], std::make_tuple(WM_JOB_DONE, WPARAM{0}, LPARAM{0x20001}));
}

}  // namespace
