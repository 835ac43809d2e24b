// kven_rcgen FILE: writes the Windows program's dialog resources (the programming dialog 133
// and the About box 100) as a resource script, from the tables the Qt program builds its
// dialogs from. Runs on the build host; the resource script kven.rc includes its output.
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "app/about_template.h"
#include "ui/core/rs232set_template.h"
#include "ui/win32/dialog_script.h"

namespace {

// The dialogs' own styles, by their Win32 names.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t DS_MODALFRAME = 0x80;
constexpr std::uint32_t DS_SETFONT = 0x40;
constexpr std::uint32_t DS_FIXEDSYS = 0x08;
constexpr std::uint32_t DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.rc\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "// Written by kven_rcgen from the dialog tables of the Qt program: do not edit.\n\n"
        << ui::DialogScript(ui::IDD_RS232SET, WS_CHILD | DS_SETFONT, ui::kRs232SetTemplate) << "\n"
        << ui::DialogScript(IDD_ABOUTBOX,
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT,
                            kAboutTemplate);
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
