#include "cli/command/cli_settings.h"

#include <filesystem>

#include "platform/com_ports.h"
#include "platform/module_path.h"
#include "platform/port_names.h"
#include "platform/profile.h"
#include "settings/app_settings.h"
#include "settings/ini_location.h"

namespace cli {
namespace {

void ApplyOptions(const Options& o) {
    if (o.baud)
        AppSettings.baudRate = *o.baud;
    if (o.dataBits)
        AppSettings.byteSize = *o.dataBits;
    if (o.parity)
        AppSettings.parity = *o.parity;
    if (o.stopBits)
        AppSettings.stopBits = *o.stopBits;
    AppSettings.tranFile = o.image;
    // Output files only when asked for: a script must not leave files it did not name.
    AppSettings.outputEnable = !o.readback.empty();
    AppSettings.outputFile = o.readback;
    AppSettings.eepsumOutputEnable = !o.sums.empty();
    AppSettings.eepsumFile = o.sums;
    if (!o.base.empty())
        AppSettings.imageBase = o.base;
    AppSettings.imageFormat = o.format;
}

}  // namespace

JobPort ChoosePort(const Options& o) {
    JobPort port;
    if (o.ports.empty()) {
        port.number = AppSettings.port;
    } else if (const std::string& p = o.ports.front(); platform::IsUsbPortName(p)) {
        // Looked up again for every attempt: an adapter that re-enumerates gets a new tty.
        const platform::UsbPortMatch match =
            platform::ResolveUsbPortName(p, platform::EnumerateSerialPorts());
        port.problem = match.error;
        port.number = match.path.empty() ? 0 : platform::MapComDevice(match.path);
    } else if (platform::IsDevicePath(p)) {
        port.number = platform::MapComDevice(p);
    } else {
        std::string_view digits = p;
        if (digits.size() > 3 && (digits.starts_with("COM") || digits.starts_with("com"))) {
            digits.remove_prefix(3);
        }
        port.number = platform::ParseProfileInt(digits);
    }
    port.device = platform::ComDevicePath(port.number);
    return port;
}

std::string DesktopIniPath() {
    namespace fs = std::filesystem;
    const fs::path self(platform::GetModuleFileName());
    // Installed side by side, or in the build tree next door.
    fs::path desktop = self.parent_path() / "kven";
    if (!fs::exists(desktop) && fs::exists(self.parent_path().parent_path() / "app" / "kven")) {
        desktop = self.parent_path().parent_path() / "app" / "kven";
    }
    return IniPathForExecutable(desktop.string(), UserConfigDir(), DirectoryWritable);
}

void LoadIniPorts(const std::string& iniPath) {
    for (const auto& [key, path] :
         platform::IniFile::Load(iniPath).Entries(platform::kPortsSection)) {
        const std::string_view k = key;
        if (k.size() > 3 && (k.starts_with("COM") || k.starts_with("com"))) {
            const int n = platform::ParseProfileInt(k.substr(3));
            if (n > 0 && n <= platform::kMaxComNumber && !path.empty()) {
                platform::SetComDevice(n, path);
            }
        }
    }
}

void LoadJobSettings(const Options& o) {
    AppSettings.iniPath = o.ini.empty() ? DesktopIniPath() : o.ini;
    LoadSettings();  // never saved: the desktop program owns the file
    LoadIniPorts(AppSettings.iniPath);
    ApplyOptions(o);
    AppSettings.port = ChoosePort(o).number;
}

std::string PortName(const Options& o) {
    return o.ports.empty() ? "COM" + std::to_string(AppSettings.port) : o.ports.front();
}

}  // namespace cli
