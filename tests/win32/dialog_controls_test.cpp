// The Win32 dialog carrying out what the dialog's core decides, on the controls Windows created
// from template 133: the operations on the controls, the commands of the buttons and keys, the
// job's window messages from other threads, tool tips, dropped files, the close question and
// the file dialog, the latter two answered as the operator would through a CBT hook.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "job/job_messages.h"
#include "res/icon_ids.h"
#include "settings/app_settings.h"
#include "support/temp_dir.h"
#include "ui/core/dialog_texts.h"
#include "ui/core/figure_texts.h"
#include "ui/core/image_choice.h"
#include "ui/core/rs232set_template.h"
#include "ui/win32/open_file_dialog.h"
#include "ui/win32/rs232set_window.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

namespace {

using ui::win32::Narrow;
using ui::win32::Widen;

// What a modal box or dialog of this thread showed, and the answer it was given when it came up.
struct Modal {
    std::string title;
    std::string text;  // a message box's text
    HWND owner = nullptr;
    RECT rect{};
    int defaultId = 0;  // the button with the focus
};

// Answers the modal windows that come up on this thread while it lives. When one is activated
// a message is posted to it; when its own modal loop takes that message, the window is whole
// (initialised, filled, placed): `answer` runs and may read it, then the command it returns is
// posted to it.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(std::function<WPARAM(HWND, Modal&)> answer)
        : answer_(std::move(answer)) {
        current_ = this;
        cbt_ = ::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId());
        get_ = ::SetWindowsHookExW(WH_GETMESSAGE, &OnGetMessage, nullptr, ::GetCurrentThreadId());
    }
    ~ModalAnswerer() {
        ::UnhookWindowsHookEx(get_);
        ::UnhookWindowsHookEx(cbt_);
        current_ = nullptr;
    }
    std::vector<Modal> seen;

  private:
    static constexpr UINT kAnswer = WM_APP + 0x3A5;

    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_) {
            const auto window = reinterpret_cast<HWND>(wParam);
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            if (std::wcscmp(name, L"#32770") == 0)
                ::PostMessageW(window, kAnswer, 0, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
        auto& msg = *reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && msg.message == kAnswer && current_) {
            const HWND window = msg.hwnd;
            msg.message = WM_NULL;
            Modal modal;
            wchar_t text[1024] = {};
            ::GetWindowTextW(window, text, 1024);
            modal.title = Narrow(text);
            text[0] = L'\0';
            ::GetDlgItemTextW(window, 0xFFFF, text, 1024);
            modal.text = Narrow(text);
            modal.owner = ::GetWindow(window, GW_OWNER);
            ::GetWindowRect(window, &modal.rect);
            // The button Enter presses: a box starts with the focus on its default button.
            const HWND focus = ::GetFocus();
            modal.defaultId = focus && ::IsChild(window, focus) ? ::GetDlgCtrlID(focus) : 0;
            const WPARAM command = current_->answer_(window, modal);
            current_->seen.push_back(modal);
            ::PostMessageW(window, WM_COMMAND, command, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline ModalAnswerer* current_ = nullptr;
    std::function<WPARAM(HWND, Modal&)> answer_;
    HHOOK cbt_ = nullptr;
    HHOOK get_ = nullptr;
};

class Win32Dialog : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
        previousHook_ = platform::SetMessageBoxHook(
            [this](std::string_view text, std::string_view) { boxes.emplace_back(text); });
        AppSettings = {};
        AppSettings.iniPath = dir.File("kven.INI");
        AppSettings.port = 5;
        AppSettings.baudRate = 115200;
        AppSettings.byteSize = 8;
        AppSettings.tranFile = image;
        AppSettings.eepsumShowEnable = 1;
        frame_ = ::CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                   nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(frame_, nullptr);
        window_.Dialog().SetJobApi({[this](platform::HWND target, int mode) {
                                        EXPECT_EQ(target, window_.Handle());
                                        modes.push_back(mode);
                                        return 1;
                                    },
                                    [this] { ++ends; }});
        ASSERT_TRUE(window_.Create(frame_));
    }
    void TearDown() override {
        ::DestroyWindow(frame_);
        platform::SetMessageBoxHook(std::move(previousHook_));
    }

    HWND Item(int id) const { return window_.GetDlgItem(id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)); }
    bool Visible(int id) const { return ::GetWindowLongPtrW(Item(id), GWL_STYLE) & WS_VISIBLE; }
    void Click(int id) { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }
    HICON Lamp(int icon) const {
        return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon));
    }
    HICON ResultIcon() const {
        return reinterpret_cast<HICON>(::SendMessageW(Item(ui::IDC_RESULT), STM_GETICON, 0, 0));
    }

    // Serves this thread's messages until `done` holds (or a generous time passes).
    template <typename Done>
    bool PumpUntil(Done done) {
        const ULONGLONG deadline = ::GetTickCount64() + 20000;
        while (!done()) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return false;
            ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now),
                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
        }
        return true;
    }

    testing_support::TempDir dir;
    const std::string image = dir.File("app.bin");
    std::vector<std::string> boxes;
    std::vector<int> modes;
    int ends = 0;
    HWND frame_ = nullptr;
    ui::win32::Rs232SetWindow window_;

  private:
    platform::MessageBoxHook previousHook_;
};

TEST_F(Win32Dialog, ShowsTheSettingsItWasCreatedWith) {
    const HWND port = Item(ui::IDC_PORT);
    EXPECT_EQ(::SendMessageW(port, CB_GETCOUNT, 0, 0), 256);
    EXPECT_EQ(::SendMessageW(port, CB_GETCURSEL, 0, 0), 4);  // COM5
    wchar_t text[32] = {};
    ::SendMessageW(Item(ui::IDC_BAUDRATE), CB_GETLBTEXT,
                   ::SendMessageW(Item(ui::IDC_BAUDRATE), CB_GETCURSEL, 0, 0),
                   reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"115200");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), image);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_LDVER), "LD Ver:");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_CHECKSUM), "CheckSum:");
    EXPECT_FALSE(Visible(ui::IDC_RESULT));
    EXPECT_FALSE(Visible(ui::IDC_PROGRESS));
    EXPECT_TRUE(Visible(ui::IDC_EEPSUM));
    // The tips, as the tool tip window holds them; the path's is the whole path.
    const ui::win32::ToolTips& tips = window_.Tips();
    EXPECT_EQ(Narrow(tips.Text(Item(ui::IDC_PROGRAM))), ui::kTipProgram);
    EXPECT_EQ(Narrow(tips.Text(Item(ui::IDC_LOAD))), ui::kTipLoad);
    EXPECT_EQ(Narrow(tips.Text(Item(ui::IDC_FILE))), image);
    EXPECT_FALSE(tips.ItemText(port, 255).empty());
    const std::string longPath = "C:\\" + std::string(300, 'x') + "\\&image.bin";
    window_.SetToolTip(ui::IDC_FILE, longPath);
    EXPECT_EQ(Narrow(tips.Text(Item(ui::IDC_FILE))), longPath);
    window_.SetToolTip(ui::IDC_FILE, "");
    EXPECT_EQ(tips.Text(Item(ui::IDC_FILE)), L"");
}

// Each figure at its widest shows whole in its control, in the font the control draws with.
TEST_F(Win32Dialog, FiguresFitTheirControlsWhole) {
    const HDC dc = ::GetDC(window_.GetSafeHwnd());
    for (const ui::FigureText& figure :
         ui::WidestFigureTexts([](std::string_view t) { return static_cast<double>(t.size()); })) {
        const HWND control = Item(figure.id);
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        const HGDIOBJ old = ::SelectObject(dc, font);
        // The widest texts are measured in that font, not just the longest ones.
        for (const ui::FigureText& widest : ui::WidestFigureTexts([&](std::string_view t) {
                 const std::wstring w = Widen(t);
                 SIZE size{};
                 ::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
                 return static_cast<double>(size.cx);
             })) {
            if (widest.id != figure.id)
                continue;
            const std::wstring text = Widen(widest.text);
            SIZE size{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            RECT area{};
            if (figure.id == ui::IDC_STATUS)
                ::SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
            else
                ::GetClientRect(control, &area);
            EXPECT_LE(size.cx, area.right - area.left) << widest.text;
        }
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(window_.GetSafeHwnd(), dc);
}

TEST_F(Win32Dialog, ControlOperationsKeepWhatTheCoreGives) {
    const std::string path =
        "C:\\Bilder \xc3\x9c"
        "bung\\\xe5\x90\x8d\xe5\x89\x8d.bin";
    window_.SetWindowText(ui::IDC_FILE, path);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), path);
    window_.SetWindowText(ui::IDC_STATUS, "");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_STATUS), "");
    // The Data Bits list is sorted: an entry takes its place, not the end.
    EXPECT_EQ(window_.AddString(ui::IDC_DATABITS, "45"), 1);
    window_.SetCurSel(ui::IDC_DATABITS, -1);
    EXPECT_EQ(window_.GetCurSel(ui::IDC_DATABITS), -1);
    const HWND bar = Item(ui::IDC_PROGRESS);
    window_.SetRange32(ui::IDC_PROGRESS, 0, 4096);
    window_.SetPos(ui::IDC_PROGRESS, 5000);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 4096);
    window_.SetReadOnly(ui::IDC_FILE, true);
    EXPECT_TRUE(::GetWindowLongPtrW(Item(ui::IDC_FILE), GWL_STYLE) & ES_READONLY);
    window_.SetIcon(ui::IDC_RESULT, res::IDI_RESULT_FAIL);
    EXPECT_EQ(ResultIcon(), Lamp(res::IDI_RESULT_FAIL));
}

// A whole job as the window sees it: Program clicked, status sent from a port thread, the
// result posted; the box, the red lamp and the restored controls.
TEST_F(Win32Dialog, AJobRunsThroughTheWindowsMessages) {
    Click(ui::IDC_PROGRAM);
    ASSERT_EQ(modes, std::vector<int>{1});
    for (int id : {ui::IDC_PROGRAM, ui::IDC_LOAD, ui::IDC_PORT, ui::IDC_BAUDRATE, ui::IDC_EEPSUM})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Visible(ui::IDC_PROGRESS));
    EXPECT_FALSE(Visible(ui::IDC_PROGRAM_NOTE));
    // The running job's path is shown, and the dialog manager does not select it for typing.
    const HWND path = Item(ui::IDC_FILE);
    EXPECT_TRUE(::GetWindowLongPtrW(path, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(::SendMessageW(path, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL);
    // A second start, by Enter, is no second job.
    ::SendMessageW(window_.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(modes.size(), 1u);

    std::atomic<bool> sent{false};
    std::thread port([&] {
        SendMessageA(window_.Handle(), WM_JOB_STATUS, StatusWParam(kStatusLoaderVersion, 0x0123),
                     LoaderVersionValue(255, 'A'));
        SendMessageA(window_.Handle(), WM_JOB_STATUS, StatusWParam(kStatusFileLength), 4096);
        SendMessageA(window_.Handle(), WM_JOB_STATUS, StatusWParam(kStatusWritePos), 512);
        sent = true;
        PostMessageA(window_.Handle(), WM_JOB_DONE, 0, JobDoneLParam(kResultTimeout));
    });
    EXPECT_TRUE(PumpUntil([&] { return ends == 1; }));
    port.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_LDVER), "LD Ver: V0123-A-255");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_STATUS), "     512/    4096");
    EXPECT_EQ(boxes, std::vector<std::string>{"Time out"});
    EXPECT_EQ(ResultIcon(), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_TRUE(Visible(ui::IDC_RESULT));
    EXPECT_FALSE(Visible(ui::IDC_PROGRESS));
    for (int id : {ui::IDC_PROGRAM, ui::IDC_LOAD, ui::IDC_PORT, ui::IDC_EEPSUM})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(::SendMessageW(path, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL);

    // Enter (IDOK) starts the next Program job; Escape (IDCANCEL) does nothing.
    ::SendMessageW(window_.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindow(window_.GetSafeHwnd()));
    EXPECT_EQ(modes.size(), 1u);
    ::SendMessageW(window_.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(modes, (std::vector<int>{1, 1}));
}

// A shell drop (WM_DROPFILES) of files.
HGLOBAL DropOf(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& p : paths)
        list += Widen(p) + L'\0';
    list += L'\0';
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    return memory;
}

TEST_F(Win32Dialog, DroppedFileBecomesThePathUnlessAJobRuns) {
    const std::string other = dir.File("other image.bin");
    testing_support::WriteFile(other, "\x01\x02");
    const HWND dialog = window_.GetSafeHwnd();
    ::SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({other, image})), 0);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), image);  // two files: none taken
    ::SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({other})), 0);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), other);
    EXPECT_EQ(Narrow(window_.Tips().Text(Item(ui::IDC_FILE))), other);

    Click(ui::IDC_PROGRAM);
    testing_support::WriteFile(image, "\x03");
    ::SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({image})), 0);
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), other);
}

TEST_F(Win32Dialog, ClosingDuringAJobAsksOverTheMainWindow) {
    Click(ui::IDC_PROGRAM);
    {
        ModalAnswerer answerer([](HWND, Modal&) -> WPARAM { return IDNO; });
        EXPECT_FALSE(window_.Dialog().OnCloseRequest());
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].title, "Kven");
        EXPECT_EQ(answerer.seen[0].text, ui::kCloseQuestion);
        EXPECT_EQ(answerer.seen[0].owner, frame_);
    }
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(Enabled(ui::IDC_PROGRAM));  // still running
    {
        ModalAnswerer answerer([](HWND, Modal&) -> WPARAM { return IDYES; });
        EXPECT_TRUE(window_.Dialog().OnCloseRequest());
        ASSERT_EQ(answerer.seen.size(), 1u);
        // No is the default button: Enter keeps the job running.
        EXPECT_EQ(answerer.seen[0].defaultId, IDNO);
    }
    EXPECT_EQ(ends, 1);
}

TEST_F(Win32Dialog, LoadOpensTheFileDialogOnTheMainWindowWithTheCoresTypes) {
    const std::string chosen = dir.File("chosen.bin");
    testing_support::WriteFile(chosen, "\x01");
    ::MoveWindow(frame_, 100, 80, 800, 600, FALSE);
    std::vector<std::wstring> types;
    ModalAnswerer answerer([&](HWND dialog, Modal&) -> WPARAM {
        const HWND list = ::GetDlgItem(dialog, cmb1);
        for (LRESULT i = 0; i < ::SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[256] = {};
            ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            types.emplace_back(text);
        }
        ::SetDlgItemTextW(dialog, cmb13, Widen(chosen).c_str());
        ::SetDlgItemTextW(dialog, edt1, Widen(chosen).c_str());
        return IDOK;
    });
    Click(ui::IDC_LOAD);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].owner, frame_);
    // Centred on the main window (which the screen holds whole here).
    RECT frame{};
    ::GetWindowRect(frame_, &frame);
    const RECT& box = answerer.seen[0].rect;
    EXPECT_NEAR((box.left + box.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[0], L"BIN ROM (*.bin)");
    EXPECT_EQ(types[2], L"All Files (*.*)");
    EXPECT_EQ(window_.GetWindowText(ui::IDC_FILE), chosen);
    EXPECT_TRUE(modes.empty());  // the path is taken at the next start
}

TEST(OpenFileDialog, FilterAndFolderAreWhatGetOpenFileNameReads) {
    const ui::FileFilter filters[] = {{"BIN ROM", "*.bin"}, {"All Files", "*.*"}};
    // Each string ends in a NUL, and the list in one more (the literal's own).
    const wchar_t expected[] = L"BIN ROM (*.bin)\0*.bin\0All Files (*.*)\0*.*\0";
    EXPECT_EQ(ui::win32::FilterString(filters), std::wstring(expected, std::size(expected)));
    // The core's own table starts with the raw images and ends with every file.
    const std::wstring image = ui::win32::FilterString(ui::kImageFileFilters);
    EXPECT_EQ(image.rfind(L"BIN ROM (*.bin)", 0), 0u);
    EXPECT_NE(image.find(L"All Files (*.*)"), std::wstring::npos);

    EXPECT_EQ(ui::win32::FolderOf("C:\\images\\app.bin"), L"C:\\images");
    EXPECT_EQ(ui::win32::FolderOf("C:\\app.bin"), L"C:\\");
    EXPECT_EQ(ui::win32::FolderOf("Z:/work/app.bin"), L"Z:/work");
    EXPECT_EQ(ui::win32::FolderOf("app.bin"), L"");
    EXPECT_EQ(ui::win32::FolderOf(""), L"");
}

}  // namespace
