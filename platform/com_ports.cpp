#include "platform/com_ports.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/profile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

struct Table {
    std::mutex mu;
    std::map<int, std::string> ports;
};

Table& TheTable() {
    static Table t;
    return t;
}

std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

// The number in "COMn" (any case), or 0.
int ComNumber(std::string_view name) {
    if (name.size() < 4)
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i])
            return 0;
    }
    int n = 0;
    const auto digits = name.substr(3);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits[0] == '0')
        return 0;
    return n >= 1 && n <= kMaxComNumber ? n : 0;
}

// by-id links keyed by the tty name they point at.
std::map<std::string, std::string> ByIdLinks(const fs::path& devRoot) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(devRoot / "serial" / "by-id", ec)) {
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

bool SamePath(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

int LowestFree(const std::map<int, std::string>& ports) {
    for (int n = 1; n <= kMaxComNumber; ++n) {
        if (!ports.contains(n))
            return n;
    }
    return 0;
}

}  // namespace

std::vector<SerialDeviceInfo> EnumerateSerialPorts(const std::string& sysRoot,
                                                   const std::string& devRoot) {
    std::vector<SerialDeviceInfo> found;
    const fs::path root(sysRoot);
    const auto byId = ByIdLinks(devRoot);
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
        const auto link = byId.find(info.name);
        info.path = link != byId.end() ? link->second : info.device;
        const fs::path stop = fs::canonical(root, ec2);
        for (fs::path p = sysDevice; !p.empty() && p != stop && p != p.root_path();
             p = p.parent_path()) {
            if (fs::exists(p / "idVendor", ec2) && fs::exists(p / "idProduct", ec2)) {
                info.usbId = ReadAttribute(p / "idVendor") + ":" + ReadAttribute(p / "idProduct");
                info.manufacturer = ReadAttribute(p / "manufacturer");
                info.product = ReadAttribute(p / "product");
                info.serial = ReadAttribute(p / "serial");
                break;
            }
        }
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    return found;
}

std::string DescribeSerialDevice(const SerialDeviceInfo& info) {
    std::string text;
    auto add = [&text](const std::string& part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += ' ';
        text += part;
    };
    add(info.manufacturer);
    add(info.product);
    if (!info.serial.empty())
        add("(" + info.serial + ")");
    if (!info.usbId.empty())
        add("[" + info.usbId + "]");
    add(info.device);
    return text;
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
    {
        Table& t = TheTable();
        std::lock_guard lock(t.mu);
        t.ports = std::move(ports);
    }
    return !added || ini.Save(iniPath);
}

std::string ComDevicePath(int n) {
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    const auto it = t.ports.find(n);
    return it != t.ports.end() ? it->second : std::string();
}

void SetComDevice(int n, std::string path) {
    if (n < 1 || n > kMaxComNumber)
        return;
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    if (path.empty()) {
        t.ports.erase(n);
    } else {
        t.ports[n] = std::move(path);
    }
}

int MapComDevice(const std::string& path) {
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    for (const auto& [n, p] : t.ports) {
        if (p == path)
            return n;
    }
    const int n = LowestFree(t.ports);
    if (n != 0)
        t.ports[n] = path;
    return n;
}

void ClearComDevices() {
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    t.ports.clear();
}

std::vector<ComPortEntry> ComPortTable() {
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    std::vector<ComPortEntry> entries;
    for (const auto& [n, p] : t.ports)
        entries.push_back({n, p});
    return entries;
}

std::string ResolveComDevice(std::string_view name) {
    if (name.starts_with('/'))
        return std::string(name);
    const int n = ComNumber(name);
    return n != 0 ? ComDevicePath(n) : std::string();
}

}  // namespace platform
