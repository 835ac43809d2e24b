#include "cli/command/ports_command.h"

#include <cstdio>

#include "cli/command/cli_settings.h"
#include "cli/output/json.h"
#include "platform/com_ports.h"
#include "platform/port_names.h"

namespace cli {
namespace {

// The number the desktop program gave the device, or the one it would get.
int ComNumberOf(const platform::SerialDeviceInfo& d) {
    for (const auto& e : platform::ComPortTable()) {
        if (e.path == d.path || e.path == d.device || (!d.byId.empty() && e.path == d.byId) ||
            (!d.byPath.empty() && e.path == d.byPath))
            return e.number;
    }
    return platform::MapComDevice(d.path);
}

std::string OrNull(const std::string& text) {
    return text.empty() ? std::string("null") : JsonString(text);
}

std::string DeviceJson(const platform::SerialDeviceInfo& d, int com, const std::string& usbName) {
    JsonObject json;
    json.Int("com", com)
        .String("name", d.name)
        .String("device", d.device)
        .String("path", d.path)
        .Raw("byId", OrNull(d.byId))
        .Raw("byPath", OrNull(d.byPath))
        .Raw("usbName", OrNull(usbName))
        .Raw("driver", OrNull(d.driver));
    if (d.usbId.empty()) {
        json.Raw("usb", "null");
    } else {
        json.Raw("usb", JsonObject()
                            .String("id", d.usbId)
                            .Raw("socket", OrNull(d.usbPort))
                            .Raw("interface", OrNull(d.usbInterface))
                            .Raw("manufacturer", OrNull(d.manufacturer))
                            .Raw("product", OrNull(d.product))
                            .Raw("serial", OrNull(d.serial))
                            .Text());
    }
    return json.Text();
}

const char* Dash(const std::string& text) {
    return text.empty() ? "-" : text.c_str();
}

}  // namespace

int ListPorts(const Options& o) {
    const std::string ini = o.ini.empty() ? DesktopIniPath() : o.ini;
    LoadIniPorts(ini);
    const auto devices = platform::EnumerateSerialPorts();
    if (o.json) {
        std::string list;
        for (const auto& d : devices) {
            list += (list.empty() ? "" : ",") +
                    DeviceJson(d, ComNumberOf(d), platform::UsbPortName(d, devices));
        }
        std::printf("%s\n", JsonObject().Raw("ports", "[" + list + "]").Text().c_str());
        return 0;
    }
    if (o.names) {
        for (const auto& d : devices) {
            std::printf("COM%d\n%s\n", ComNumberOf(d), d.device.c_str());
            for (const std::string* name : {&d.byId, &d.byPath}) {
                if (!name->empty())
                    std::printf("%s\n", name->c_str());
            }
            if (const std::string usb = platform::UsbPortName(d, devices); !usb.empty())
                std::printf("%s\n", usb.c_str());
        }
        return 0;
    }
    if (devices.empty()) {
        std::printf("no serial devices found\n");
    }
    std::printf("%-6s %-16s %-9s %-20s %-24s %s\n", "COM", "DEVICE", "USB ID", "MAKER", "PRODUCT",
                "SERIAL");
    for (const auto& d : devices) {
        // A device keeps the number the desktop program gave it; a new one shows the number it
        // would get.
        std::printf("COM%-3d %-16s %-9s %-20s %-24s %s\n", ComNumberOf(d), d.device.c_str(),
                    Dash(d.usbId), Dash(d.manufacturer), Dash(d.product), Dash(d.serial));
        if (!d.byId.empty())
            std::printf("       by-id:   %s\n", d.byId.c_str());
        if (!d.byPath.empty())
            std::printf("       by-path: %s\n", d.byPath.c_str());
        if (const std::string usb = platform::UsbPortName(d, devices); !usb.empty())
            std::printf("       usb:     %s (socket %s)\n", usb.c_str(), Dash(d.usbPort));
    }
    return 0;
}

}  // namespace cli
