#include "cli/command/ports_command.h"

#include <cstdio>

#include "cli/command/cli_settings.h"
#include "platform/com_ports.h"
#include "platform/profile.h"

namespace cli {

int ListPorts(const Options& o) {
    const std::string ini = o.ini.empty() ? DesktopIniPath() : o.ini;
    LoadIniPorts(ini);
    const auto devices = platform::EnumerateSerialPorts();
    if (devices.empty()) {
        std::printf("no serial devices found\n");
    }
    std::printf("%-6s %-16s %-9s %-20s %-24s %s\n", "COM", "DEVICE", "USB ID", "MAKER", "PRODUCT",
                "SERIAL");
    for (const auto& d : devices) {
        // A device keeps the number the desktop program gave it; a new one shows the number it
        // would get.
        int n = 0;
        for (const auto& e : platform::ComPortTable()) {
            if (e.path == d.path || e.path == d.device)
                n = e.number;
        }
        if (n == 0)
            n = platform::MapComDevice(d.path);
        std::printf("COM%-3d %-16s %-9s %-20s %-24s %s\n", n, d.device.c_str(),
                    d.usbId.empty() ? "-" : d.usbId.c_str(),
                    d.manufacturer.empty() ? "-" : d.manufacturer.c_str(),
                    d.product.empty() ? "-" : d.product.c_str(),
                    d.serial.empty() ? "-" : d.serial.c_str());
        if (d.path != d.device)
            std::printf("       by-id: %s\n", d.path.c_str());
    }
    return 0;
}

}  // namespace cli
