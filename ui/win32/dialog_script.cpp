#include "ui/win32/dialog_script.h"

#include <cstdio>

namespace ui {
namespace {

constexpr std::uint32_t kWsVisible = style::WS_VISIBLE;

// A string literal of the resource script: a double quote is doubled.
std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '"')
            out += '"';
        out += *p;
    }
    return out + '"';
}

std::string Hex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string StyleExpression(std::uint32_t style) {
    // The compiler ORs WS_CHILD | WS_VISIBLE in; only the visibility can be missing from ours.
    std::string expr = Hex(style & ~kWsVisible);
    if (!(style & kWsVisible))
        expr += " | NOT " + Hex(kWsVisible);
    return expr;
}

}  // namespace

const char* WindowClassName(ControlClass cls) {
    switch (cls) {
        case ControlClass::Button:
            return "Button";
        case ControlClass::ComboBox:
            return "ComboBox";
        case ControlClass::Edit:
            return "Edit";
        case ControlClass::Static:
            return "Static";
        case ControlClass::Progress:
            return "msctls_progress32";
    }
    return "Static";
}

std::string DialogScript(int id, std::uint32_t dialogStyle, const DialogTemplate& dialog) {
    std::string out = std::to_string(id) + " DIALOGEX 0, 0, " + std::to_string(dialog.cx) + ", " +
                      std::to_string(dialog.cy) + "\n";
    out += "STYLE " + Hex(dialogStyle) + "\n";
    if (dialog.title)
        out += "CAPTION " + Quoted(dialog.title) + "\n";
    out += "FONT " + std::to_string(dialog.fontPoints) + ", " + Quoted(dialog.fontFace) +
           ", 0, 0, 0x1\n";
    out += "BEGIN\n";
    for (const ControlTemplate& c : dialog.controls) {
        const std::string text =
            c.cls == ControlClass::Static && c.icon ? std::to_string(c.icon) : Quoted(c.text);
        out += "    CONTROL " + text + ", " + std::to_string(c.id) + ", " +
               Quoted(WindowClassName(c.cls)) + ", " + StyleExpression(c.style) + ", " +
               std::to_string(c.rect.x) + ", " + std::to_string(c.rect.y) + ", " +
               std::to_string(c.rect.cx) + ", " + std::to_string(c.rect.cy) + "\n";
    }
    out += "END\n";
    return out;
}

}  // namespace ui
