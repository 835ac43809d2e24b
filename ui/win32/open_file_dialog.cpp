#include "ui/win32/open_file_dialog.h"

#include <algorithm>
#include <cwchar>

#include <commdlg.h>

#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

// Long paths fit: the dialog returns up to 32,767 characters.
constexpr std::size_t kPathChars = 32768;

int Width(const RECT& r) {
    return static_cast<int>(r.right - r.left);
}
int Height(const RECT& r) {
    return static_cast<int>(r.bottom - r.top);
}

// Centres `window` on `owner`, kept inside the work area of the owner's screen.
void CentreOn(HWND window, HWND owner) {
    RECT rect{}, around{};
    if (!::GetWindowRect(window, &rect) || !owner || !::GetWindowRect(owner, &around))
        return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const int x = around.left + (Width(around) - Width(rect)) / 2;
    const int y = around.top + (Height(around) - Height(rect)) / 2;
    const int left = work.left, top = work.top;
    const int right = work.right - Width(rect), bottom = work.bottom - Height(rect);
    ::SetWindowPos(window, nullptr, std::clamp(x, left, std::max(left, right)),
                   std::clamp(y, top, std::max(top, bottom)), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The hook's dialog is a child of the file dialog; the file dialog is placed once it is laid
// out, before it shows.
UINT_PTR CALLBACK Hook(HWND hook, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
        if (notify->hdr.code == CDN_INITDONE)
            CentreOn(::GetParent(hook), notify->lpOFN->hwndOwner);
    }
    return 0;
}

}  // namespace

std::wstring FilterString(std::span<const FileFilter> filters) {
    std::wstring out;
    for (const FileFilter& f : filters) {
        out += Widen(f.name) + L" (" + Widen(f.patterns) + L")";
        out += L'\0';
        out += Widen(f.patterns);
        out += L'\0';
    }
    out += L'\0';
    return out;
}

std::wstring FolderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string_view::npos)
        return {};
    // "C:\image.bin" is in "C:\", not in "C:" (the drive's current folder).
    const bool root = slash == 0 || (slash == 2 && path[1] == ':');
    return Widen(path.substr(0, root ? slash + 1 : slash));
}

std::optional<std::string> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request) {
    const std::wstring filter = FilterString(request.filters);
    const std::wstring extension = Widen(request.defaultExtension ? request.defaultExtension : "");
    const std::wstring folder = FolderOf(request.currentPath);
    std::wstring file(kPathChars, L'\0');
    const std::wstring initial = Widen(request.initialName ? request.initialName : "");
    std::copy_n(initial.begin(), std::min(initial.size(), kPathChars - 1), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags =
        OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = &Hook;
    if (!::GetOpenFileNameW(&ofn))
        return std::nullopt;  // cancelled
    file.resize(std::wcslen(file.c_str()));
    return Narrow(file);
}

}  // namespace ui::win32
