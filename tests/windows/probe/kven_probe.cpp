// kven_probe.exe: the Windows side of the desktop program's end-to-end test. It reads what a
// program shows on the Wine desktop, as Windows itself reports it, and prints it as JSON for
// the test (which gives the program its input with xdotool):
//
//   kven_probe wait TITLE MS       waits until a visible top-level window titled TITLE exists
//   kven_probe gone HWND MS        waits until that window no longer exists or shows
//   kven_probe text HWND ID TEXT MS
//                                  waits until the text of the window's descendant with
//                                  control id ID contains TEXT; prints the text it last read
//   kven_probe progress HWND ID PERCENT MS
//                                  waits until the progress bar with control id ID stands at
//                                  PERCENT of its range or more
//   kven_probe describe HWND       the window: title, class, rectangles, styles, its menu bar
//                                  (items with their rectangles), its status bar's panes, and
//                                  its descendants (id, class, text, rectangle, visible,
//                                  enabled, and the class of its parent)
//
// Rectangles are in screen (virtual desktop) coordinates. Waits are woken by the system's
// window events; exit status 0 when the answer came, 1 on a time-out, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

namespace {

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n,
                          nullptr, nullptr);
    return s;
}

std::wstring Widen(const char* text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text, -1, w.data(), n);
    return w;
}

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Json(const RECT& r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right - r.left) + ", " + std::to_string(r.bottom - r.top) + "]";
}

// A window's text, through WM_GETTEXT, which the system carries across processes.
std::string Text(HWND hwnd) {
    wchar_t buffer[1024] = {};
    DWORD_PTR got = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, 5000, &got);
    return Narrow(buffer);
}

std::string ClassName(HWND hwnd) {
    wchar_t name[128] = {};
    ::GetClassNameW(hwnd, name, 128);
    return Narrow(name);
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The panes of a status bar of another process: SB_GETTEXTW into memory of that process.
std::vector<std::string> StatusPanes(HWND bar) {
    std::vector<std::string> panes;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(bar, &pid);
    const HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return panes;
    constexpr SIZE_T kBytes = 4096;
    void* remote = ::VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        const auto count = static_cast<int>(::SendMessageW(bar, SB_GETPARTS, 0, 0));
        for (int i = 0; i < count; ++i) {
            const auto length = LOWORD(::SendMessageW(bar, SB_GETTEXTLENGTHW, i, 0));
            std::wstring text(length < kBytes / 2 ? length : 0, L'\0');
            if (!text.empty()) {
                ::SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(remote));
                SIZE_T read = 0;
                ::ReadProcessMemory(process, remote, text.data(), text.size() * 2, &read);
            }
            panes.push_back(Narrow(text));
        }
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    ::CloseHandle(process);
    return panes;
}

std::string MenuBar(HWND hwnd) {
    const HMENU menu = ::GetMenu(hwnd);
    std::string out = "[";
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        wchar_t name[256] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), name, 256, MF_BYPOSITION);
        RECT r{};
        ::GetMenuItemRect(hwnd, menu, static_cast<UINT>(i), &r);
        out += std::string(i ? ", " : "") + "{\"text\": " + Json(Narrow(name)) +
               ", \"rect\": " + Json(r) + ", \"items\": [";
        const HMENU sub = ::GetSubMenu(menu, i);
        for (int j = 0; sub && j < ::GetMenuItemCount(sub); ++j) {
            wchar_t item[256] = {};
            ::GetMenuStringW(sub, static_cast<UINT>(j), item, 256, MF_BYPOSITION);
            out += std::string(j ? ", " : "") + "{\"text\": " + Json(Narrow(item)) +
                   ", \"id\": " + std::to_string(::GetMenuItemID(sub, j)) + "}";
        }
        out += "]}";
    }
    return out + "]";
}

BOOL CALLBACK AddChild(HWND child, LPARAM list) {
    auto& out = *reinterpret_cast<std::string*>(list);
    RECT r{};
    ::GetWindowRect(child, &r);
    out += std::string(out.size() > 1 ? ", " : "") +
           "{\"id\": " + std::to_string(::GetDlgCtrlID(child)) +
           ", \"class\": " + Json(ClassName(child)) + ", \"text\": " + Json(Text(child)) +
           ", \"rect\": " + Json(r) +
           ", \"visible\": " + (::IsWindowVisible(child) ? "true" : "false") +
           ", \"enabled\": " + (::IsWindowEnabled(child) ? "true" : "false") +
           ", \"parent\": " + Json(ClassName(::GetParent(child))) + "}";
    return TRUE;
}

int Describe(HWND hwnd) {
    if (!::IsWindow(hwnd))
        return 1;
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    std::string children = "[";
    ::EnumChildWindows(hwnd, &AddChild, reinterpret_cast<LPARAM>(&children));
    children += "]";
    std::string status = "[";
    if (const HWND bar = ::FindWindowExW(hwnd, nullptr, STATUSCLASSNAMEW, nullptr)) {
        const std::vector<std::string> panes = StatusPanes(bar);
        for (std::size_t i = 0; i < panes.size(); ++i)
            status += std::string(i ? ", " : "") + Json(panes[i]);
    }
    status += "]";
    std::printf(
        "{\"title\": %s, \"class\": %s, \"rect\": %s, \"client\": %s, \"style\": %lu, "
        "\"exstyle\": %lu, \"menu\": %s, \"status\": %s, \"children\": %s}\n",
        Json(Text(hwnd)).c_str(), Json(ClassName(hwnd)).c_str(), Json(window).c_str(),
        Json(ClientOnScreen(hwnd)).c_str(),
        static_cast<unsigned long>(::GetWindowLongPtrW(hwnd, GWL_STYLE)),
        static_cast<unsigned long>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), MenuBar(hwnd).c_str(),
        status.c_str(), children.c_str());
    return 0;
}

// Runs the thread's message loop, woken by the system's window events, until `done` holds or
// `ms` pass.
template <typename Done>
bool WaitFor(Done done, DWORD ms) {
    const HWINEVENTHOOK hook = ::SetWinEventHook(
        EVENT_MIN, EVENT_MAX, nullptr, [](HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {},
        0, 0, WINEVENT_OUTOFCONTEXT);
    const ULONGLONG deadline = ::GetTickCount64() + ms;
    bool held = done();
    while (!held) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            break;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        held = done();
    }
    if (hook)
        ::UnhookWinEvent(hook);
    return held;
}

// The descendant of `hwnd` with control id `id`.
HWND FindControl(HWND hwnd, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumChildWindows(
        hwnd,
        [](HWND child, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (::GetDlgCtrlID(child) != s.id)
                return TRUE;
            s.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ParseHwnd(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 0)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "wait") {
        const std::wstring title = Widen(argv[2]);
        HWND found = nullptr;
        const bool held = WaitFor(
            [&] {
                found = ::FindWindowW(nullptr, title.c_str());
                return found && ::IsWindowVisible(found);
            },
            static_cast<DWORD>(std::atoi(argv[3])));
        if (!held)
            return 1;
        std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(found)));
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "gone") {
        const HWND hwnd = ParseHwnd(argv[2]);
        return WaitFor([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); },
                       static_cast<DWORD>(std::atoi(argv[3])))
                   ? 0
                   : 1;
    }
    if (argc == 6 && std::string(argv[1]) == "text") {
        // The text of control `id` of the window's descendants contains TEXT.
        const HWND hwnd = ParseHwnd(argv[2]);
        const int id = std::atoi(argv[3]);
        const std::string text = argv[4];
        std::string seen;
        const bool held = WaitFor(
            [&] {
                const HWND control = FindControl(hwnd, id);
                seen = control ? Text(control) : std::string();
                return seen.find(text) != std::string::npos;
            },
            static_cast<DWORD>(std::atoi(argv[5])));
        std::printf("%s\n", seen.c_str());
        return held ? 0 : 1;
    }
    if (argc == 6 && std::string(argv[1]) == "progress") {
        // The progress bar with control id ID has reached PERCENT of its range.
        const HWND hwnd = ParseHwnd(argv[2]);
        const int id = std::atoi(argv[3]);
        const long long percent = std::atoll(argv[4]);
        return WaitFor(
                   [&] {
                       const HWND bar = FindControl(hwnd, id);
                       if (!bar)
                           return false;
                       const long long low = ::SendMessageW(bar, PBM_GETRANGE, TRUE, 0);
                       const long long high = ::SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
                       const long long pos = ::SendMessageW(bar, PBM_GETPOS, 0, 0);
                       return high > low && (pos - low) * 100 >= percent * (high - low);
                   },
                   static_cast<DWORD>(std::atoi(argv[5])))
                   ? 0
                   : 1;
    }
    if (argc == 3 && std::string(argv[1]) == "describe")
        return Describe(ParseHwnd(argv[2]));
    std::fprintf(stderr,
                 "usage: kven_probe wait TITLE MS | gone HWND MS | text HWND ID TEXT MS | progress "
                 "HWND ID PERCENT MS | describe HWND\n");
    return 2;
}
