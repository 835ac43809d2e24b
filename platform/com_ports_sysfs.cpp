// COM ports on Linux: serial devices from sysfs, numbered through the INI's "PORTS" section.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "platform/com_ports.h"
#include "platform/com_ports_table.h"
#include "platform/profile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

// The links of /dev/serial/`kind` (by-id, by-path) keyed by the tty name they point at.
std::map<std::string, std::string> SerialLinks(const fs::path& devRoot, const char* kind) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(devRoot / "serial" / kind, ec)) {
        const fs::path target = fs::read_symlink(e.path(), ec);
        if (ec)
            continue;
        const std::string tty = target.filename().string();
        auto& slot = links[tty];
        if (slot.empty() || e.path().string() < slot)
            slot = e.path().string();
    }
    return links;
}

// The stable name of a device (SerialDeviceInfo::path).
std::string StableName(const SerialDeviceInfo& info) {
    const bool byIdIsItsOwn = !info.serial.empty() || info.usbId.empty();
    if (!info.byId.empty() && byIdIsItsOwn)
        return info.byId;
    if (!info.byPath.empty())
        return info.byPath;
    return info.byId.empty() ? info.device : info.byId;
}

// Fills the USB fields from the device's folders above the tty: the first with idVendor is
// the USB device, named by its socket ("1-1.2"); the one below it is the tty's interface
// ("1-1.2:1.0").
void ReadUsbDevice(const fs::path& sysDevice, const fs::path& root, SerialDeviceInfo& info) {
    std::error_code ec;
    const fs::path stop = fs::canonical(root, ec);
    fs::path below;
    for (fs::path p = sysDevice; !p.empty() && p != stop && p != p.root_path();
         p = p.parent_path()) {
        if (fs::exists(p / "idVendor", ec) && fs::exists(p / "idProduct", ec)) {
            info.usbId = ReadAttribute(p / "idVendor") + ":" + ReadAttribute(p / "idProduct");
            info.manufacturer = ReadAttribute(p / "manufacturer");
            info.product = ReadAttribute(p / "product");
            info.serial = ReadAttribute(p / "serial");
            info.usbPort = p.filename().string();
            const std::string interface = below.filename().string();
            if (interface.starts_with(info.usbPort + ":"))
                info.usbInterface = interface.substr(info.usbPort.size() + 1);
            return;
        }
        below = p;
    }
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool IsDevicePath(std::string_view name) {
    return name.starts_with('/');
}

std::string SystemComDevice(int) {
    return {};  // Linux has no COM names: a number names only what the table says
}

int SystemComNumber(std::string_view) {
    return 0;
}

std::vector<SerialDeviceInfo> EnumerateSerialPorts(const std::string& sysRoot,
                                                   const std::string& devRoot) {
    std::vector<SerialDeviceInfo> found;
    const fs::path root(sysRoot);
    const auto byId = SerialLinks(devRoot, "by-id");
    const auto byPath = SerialLinks(devRoot, "by-path");
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(root / "class" / "tty", ec)) {
        const fs::path dir = e.path();
        std::error_code ec2;
        const fs::path sysDevice = fs::canonical(dir / "device", ec2);
        if (ec2)
            continue;  // virtual tty: console, pts, vt
        SerialDeviceInfo info;
        info.name = dir.filename().string();
        info.driver = fs::read_symlink(dir / "device" / "driver", ec2).filename().string();
        // Serial-core ports report their UART type; 0 is a probed port with no UART behind it.
        if (info.driver == "serial8250" || info.driver.starts_with("serial8250")) {
            if (ReadAttribute(dir / "type") == "0")
                continue;
        }
        info.device = (fs::path(devRoot) / info.name).string();
        if (const auto link = byId.find(info.name); link != byId.end())
            info.byId = link->second;
        if (const auto link = byPath.find(info.name); link != byPath.end())
            info.byPath = link->second;
        ReadUsbDevice(sysDevice, root, info);
        info.path = StableName(info);
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    return found;
}

bool SerialDevicePresent(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), R_OK | W_OK) == 0;
}

std::string DescribeComPort(int n, const std::string& sysRoot, const std::string& devRoot) {
    const std::string path = ComDevicePath(n);
    if (path.empty())
        return path;
    for (const SerialDeviceInfo& dev : EnumerateSerialPorts(sysRoot, devRoot)) {
        if (SamePath(path, dev.path) || SamePath(path, dev.device)) {
            return DescribeSerialDevice(dev);
        }
    }
    return path;
}

bool LoadComPorts(const std::string& iniPath, const std::string& sysRoot,
                  const std::string& devRoot) {
    IniFile ini = IniFile::Load(iniPath);
    std::map<int, std::string> ports;
    for (const auto& [key, value] : ini.Entries(kPortsSection)) {
        const int n = ComNumber(key);
        if (n != 0 && !value.empty())
            ports[n] = value;
    }
    bool added = false;
    for (const SerialDeviceInfo& dev : EnumerateSerialPorts(sysRoot, devRoot)) {
        const bool known = std::any_of(ports.begin(), ports.end(), [&](const auto& entry) {
            return SamePath(entry.second, dev.path) || SamePath(entry.second, dev.device);
        });
        if (known)
            continue;
        const int n = LowestFree(ports);
        if (n == 0)
            break;
        ports[n] = dev.path;
        ini.Set(kPortsSection, "COM" + std::to_string(n), dev.path);
        added = true;
    }
    ReplaceComDevices(std::move(ports));
    return !added || ini.Save(iniPath);
}

}  // namespace platform
