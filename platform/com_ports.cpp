#include "platform/com_ports.h"

#include <charconv>
#include <mutex>

#include "platform/com_ports_table.h"

namespace platform {

namespace {

struct Table {
    std::mutex mu;
    std::map<int, std::string> ports;
};

Table& TheTable() {
    static Table t;
    return t;
}

}  // namespace

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

int LowestFree(const std::map<int, std::string>& ports) {
    for (int n = 1; n <= kMaxComNumber; ++n) {
        if (!ports.contains(n))
            return n;
    }
    return 0;
}

void ReplaceComDevices(std::map<int, std::string> ports) {
    Table& t = TheTable();
    std::lock_guard lock(t.mu);
    t.ports = std::move(ports);
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

std::string ComDevicePath(int n) {
    {
        Table& t = TheTable();
        std::lock_guard lock(t.mu);
        const auto it = t.ports.find(n);
        if (it != t.ports.end())
            return it->second;
    }
    return n >= 1 && n <= kMaxComNumber ? SystemComDevice(n) : std::string();
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
    if (const int n = SystemComNumber(path))
        return n;
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
    if (IsDevicePath(name))
        return std::string(name);
    const int n = ComNumber(name);
    return n != 0 ? ComDevicePath(n) : std::string();
}

}  // namespace platform
