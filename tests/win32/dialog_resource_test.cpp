// The dialogs as Windows itself creates them from the program's resources equal the tables of
// the Qt program: every control's id, window class, style and rectangle (converted from dialog
// units by the system, from the template's font), in template order, and the dialog's size and
// font. This is the resource compiler's and the dialog manager's reading, not ours.
#include <gtest/gtest.h>

#include <string>

#include "app/about_template.h"
#include "ui/core/rs232set_template.h"
#include "ui/win32/dialog_script.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace {

// A combo box hands its scroll bars on to its drop-down list and drops them from its own
// style.
constexpr DWORD kComboMovedStyle = WS_VSCROLL | WS_HSCROLL;

// A rectangle in dialog units in pixels, each of x, y, width and height converted on its own,
// as the dialog manager places a control.
RECT DialogUnits(HWND dialog, const ui::DluRect& r) {
    RECT units{r.x, r.y, r.cx, r.cy};
    ::MapDialogRect(dialog, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT RectInParent(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string ClassName(HWND hwnd) {
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool SameText(const std::string& a, const char* b) {
    return ::lstrcmpiA(a.c_str(), b) == 0;
}

class DialogResource : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
        host_ = ::CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
    }
    void TearDown() override {
        if (host_)
            ::DestroyWindow(host_);
    }

    // Each child of `dialog`, in creation (template) order, against the table.
    static void ExpectControls(HWND dialog, const ui::DialogTemplate& table) {
        HWND child = ::GetWindow(dialog, GW_CHILD);
        for (std::size_t i = 0; i < table.controls.size(); ++i) {
            const ui::ControlTemplate& want = table.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
            ASSERT_NE(child, nullptr);
            EXPECT_EQ(::GetDlgCtrlID(child), want.id);
            EXPECT_TRUE(SameText(ClassName(child), ui::WindowClassName(want.cls)))
                << ClassName(child);
            const auto style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
            const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_EXSTYLE));
            DWORD moved = want.cls == ui::ControlClass::ComboBox ? kComboMovedStyle : 0;
            // The dialog manager draws a bordered edit box with the sunken client edge instead,
            // and the progress bar draws a frame of its own.
            if ((want.style & WS_BORDER) && !(style & WS_BORDER) &&
                ((exStyle & WS_EX_CLIENTEDGE) || want.cls == ui::ControlClass::Progress))
                moved |= WS_BORDER;
            EXPECT_EQ(style, (want.style | WS_CHILD) & ~moved) << std::hex << style;

            const RECT expected = DialogUnits(dialog, want.rect);
            const RECT got = RectInParent(child);
            EXPECT_EQ(got.left, expected.left);
            EXPECT_EQ(got.top, expected.top);
            if (want.icon) {
                // An icon static takes its icon's size; the icon is the table's.
                EXPECT_NE(::SendMessageW(child, STM_GETICON, 0, 0), 0);
            } else if (want.cls == ui::ControlClass::ComboBox) {
                // A drop-down list is as tall as its box; the template's height is the box with
                // its list dropped down (measured differently by Windows and Wine; the resource
                // script's test checks the number itself).
                EXPECT_EQ(got.right, expected.right);
                RECT dropped{};
                ::SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0,
                               reinterpret_cast<LPARAM>(&dropped));
                EXPECT_GT(dropped.bottom - dropped.top, got.bottom - got.top);
            } else {
                EXPECT_EQ(got.right, expected.right);
                EXPECT_EQ(got.bottom, expected.bottom);
            }
            if (want.text && !want.icon) {
                char text[128] = {};
                ::GetWindowTextA(child, text, sizeof text);
                EXPECT_STREQ(text, want.text);
            }
            child = ::GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "more controls than the table";
    }

    static void ExpectFont(HWND dialog, const char* face, int points) {
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTA lf{};
        ASSERT_NE(::GetObjectA(font, sizeof lf, &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, face);
        HDC screen = ::GetDC(nullptr);
        const int pixels = ::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
        ::ReleaseDC(nullptr, screen);
        EXPECT_EQ(-lf.lfHeight, pixels);
    }

    // The dialog as Windows creates it from resource `id`, before any program code changes it.
    HWND FromResource(int id) const {
        return ::CreateDialogParamW(
            ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), host_,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    }

    HWND host_ = nullptr;
};

TEST_F(DialogResource, ProgrammingDialogIsTheTemplateTable) {
    const HWND dialog = FromResource(ui::IDD_RS232SET);
    ASSERT_NE(dialog, nullptr);

    // A borderless child, hidden until its host shows it, at (0, 0) of its host.
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_VISIBLE | WS_CAPTION | WS_BORDER));
    const RECT place = RectInParent(dialog);
    EXPECT_EQ(place.left, 0);
    EXPECT_EQ(place.top, 0);
    RECT client{};
    ::GetClientRect(dialog, &client);
    const RECT size =
        DialogUnits(dialog, {0, 0, ui::kRs232SetTemplate.cx, ui::kRs232SetTemplate.cy});
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    ExpectFont(dialog, ui::kRs232SetTemplate.fontFace, ui::kRs232SetTemplate.fontPoints);
    ExpectControls(dialog, ui::kRs232SetTemplate);
}

TEST_F(DialogResource, ResultIconStartsWithTheGreenLamp) {
    const HWND dialog = FromResource(ui::IDD_RS232SET);
    ASSERT_NE(dialog, nullptr);
    const auto shown = reinterpret_cast<HICON>(
        ::SendMessageW(::GetDlgItem(dialog, ui::IDC_RESULT), STM_GETICON, 0, 0));
    // A resource icon loaded twice is one shared handle.
    const HICON green =
        ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(res::IDI_RESULT_OK));
    EXPECT_NE(green, nullptr);
    EXPECT_EQ(shown, green);
    EXPECT_NE(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(res::IDI_RESULT_FAIL)),
              nullptr);
}

TEST_F(DialogResource, AboutBoxIsItsTable) {
    HWND about = FromResource(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    char title[64] = {};
    ::GetWindowTextA(about, title, sizeof title);
    EXPECT_STREQ(title, kAboutTemplate.title);
    ExpectControls(about, kAboutTemplate);
    ::DestroyWindow(about);
}

}  // namespace
