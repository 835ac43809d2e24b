// COM ports on Windows: the system numbers them; the registry's SERIALCOMM list says which are
// present. The table holds only what the INI's "PORTS" section adds (another device path for a
// number) and device paths given on a command line.
#include <algorithm>
#include <map>

#include "platform/com_ports.h"
#include "platform/com_ports_table.h"
#include "platform/profile.h"

#include <windows.h>

namespace platform {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";

// A registry key handle, closed when it goes.
class RegistryKey {
  public:
    RegistryKey(HKEY parent, const char* path) {
        if (::RegOpenKeyExA(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RegistryKey() {
        if (key_)
            ::RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// "\Device\Serial0" -> "Serial0": the kernel device behind the port, which names its driver.
std::string KernelDeviceName(const std::string& valueName) {
    const auto slash = valueName.find_last_of('\\');
    return slash == std::string::npos ? valueName : valueName.substr(slash + 1);
}

}  // namespace

bool IsDevicePath(std::string_view name) {
    return name.starts_with("\\\\");
}

std::string SystemComDevice(int n) {
    return std::string(kDevicePrefix) + "COM" + std::to_string(n);
}

int SystemComNumber(std::string_view path) {
    return path.starts_with(kDevicePrefix) ? ComNumber(path.substr(kDevicePrefix.size())) : 0;
}

std::vector<SerialDeviceInfo> EnumerateSerialPorts(const std::string&, const std::string&) {
    std::vector<SerialDeviceInfo> found;
    const RegistryKey key(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
    if (!key.Get())
        return found;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[256];
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG r =
            ::RegEnumValueA(key.Get(), i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r != ERROR_SUCCESS || type != REG_SZ)
            continue;
        data[dataSize] = 0;
        SerialDeviceInfo info;
        info.name = reinterpret_cast<const char*>(data);
        const int n = ComNumber(info.name);
        if (n == 0)
            continue;
        info.device = SystemComDevice(n);
        info.path = info.device;
        info.driver = KernelDeviceName(std::string(name, nameSize));
        info.product = info.driver;
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return ComNumber(a.name) < ComNumber(b.name); });
    return found;
}

bool SerialDevicePresent(const std::string& path) {
    // "\\.\COM5" is the DOS device COM5: present while the system knows that name.
    const std::string_view name = std::string_view(path).starts_with(kDevicePrefix)
                                      ? std::string_view(path).substr(kDevicePrefix.size())
                                      : std::string_view(path);
    if (name.empty())
        return false;
    char target[1024];
    return ::QueryDosDeviceA(std::string(name).c_str(), target, sizeof target) != 0;
}

std::string DescribeComPort(int n, const std::string&, const std::string&) {
    const std::string path = ComDevicePath(n);
    if (path.empty())
        return path;
    for (const SerialDeviceInfo& dev : EnumerateSerialPorts()) {
        if (dev.device == path)
            return DescribeSerialDevice(dev);
    }
    return path;
}

bool LoadComPorts(const std::string& iniPath, const std::string&, const std::string&) {
    std::map<int, std::string> ports;
    for (const auto& [key, value] : IniFile::Load(iniPath).Entries(kPortsSection)) {
        const int n = ComNumber(key);
        if (n != 0 && !value.empty())
            ports[n] = value;
    }
    ReplaceComDevices(std::move(ports));
    return true;
}

}  // namespace platform
