#include "ui/win32/figure_font.h"

#include <algorithm>
#include <set>
#include <vector>

#include "ui/core/figure_texts.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

// Where a control draws its line: an edit box's formatting rectangle, else its client area.
RECT TextArea(HWND control) {
    RECT r{};
    wchar_t name[16] = {};
    ::GetClassNameW(control, name, 16);
    if (::lstrcmpiW(name, L"Edit") == 0)
        ::SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    else
        ::GetClientRect(control, &r);
    return r;
}

// Every figure fits its control in `font`.
bool FiguresFit(HWND dialog, HDC dc, HFONT font) {
    const HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    const auto width = [&](std::string_view text) {
        const std::wstring wide = Widen(text);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<double>(size.cx);
    };
    bool fit = true;
    for (const FigureText& figure : WidestFigureTexts(width)) {
        const RECT area = TextArea(::GetDlgItem(dialog, figure.id));
        fit = fit && width(figure.text) <= area.right - area.left &&
              tm.tmHeight - tm.tmInternalLeading <= area.bottom - area.top;
    }
    ::SelectObject(dc, old);
    return fit;
}

}  // namespace

FigureFont::~FigureFont() {
    if (m_font)
        ::DeleteObject(m_font);
}

void FigureFont::Fit(HWND dialog) {
    const auto dialogFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!dialogFont || !::GetObjectW(dialogFont, sizeof lf, &lf))
        return;
    const HDC dc = ::GetDC(dialog);
    if (!dc)
        return;
    const LONG full = std::abs(lf.lfHeight);
    const LONG smallest = std::max<LONG>(1, (2 * full + 2) / 3);
    HFONT chosen = nullptr;
    if (!FiguresFit(dialog, dc, dialogFont)) {
        for (LONG height = full - 1; height >= smallest && !chosen; --height) {
            LOGFONTW smaller = lf;
            smaller.lfHeight = lf.lfHeight < 0 ? -height : height;
            smaller.lfWidth = 0;
            const HFONT font = ::CreateFontIndirectW(&smaller);
            if (font && (FiguresFit(dialog, dc, font) || height == smallest))
                chosen = font;
            else if (font)
                ::DeleteObject(font);
        }
    }
    ::ReleaseDC(dialog, dc);
    if (!chosen)
        return;
    std::set<int> ids;
    for (const FigureText& figure :
         WidestFigureTexts([](std::string_view t) { return static_cast<double>(t.size()); }))
        ids.insert(figure.id);
    for (int id : ids)
        ::SendMessageW(::GetDlgItem(dialog, id), WM_SETFONT, reinterpret_cast<WPARAM>(chosen),
                       TRUE);
    if (m_font)
        ::DeleteObject(m_font);
    m_font = chosen;
}

}  // namespace ui::win32
