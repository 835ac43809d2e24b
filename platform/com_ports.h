// COM port numbers. A number names a device path through a process-wide table, kept in the INI
// section "PORTS" (key "COMn", value a device path).
//
// Linux has no COM names: serial devices present at start-up that have no number yet get the
// lowest free numbers, preferring their stable /dev/serial/by-id/ names, so a device keeps its
// number across restarts and re-plugging. On Windows the system numbers its ports itself: a
// number without a table entry opens the system's port "\\.\COMn", and the ports present are
// those of the registry's SERIALCOMM list.
//
// Threading: the table is guarded by one mutex; every function may be called from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kMaxComNumber = 255;
inline constexpr const char* kPortsSection = "PORTS";

// A serial device found in sysfs.
struct SerialDeviceInfo {
    std::string name;    // tty name, e.g. "ttyUSB0"
    std::string device;  // e.g. "/dev/ttyUSB0"
    // The stable name: the /dev/serial/by-id/ link of a device with a serial number (or of one
    // that is not on USB); the by-path link of a USB device without one, whose by-id name it
    // would share with every adapter of its kind; else whichever link there is, else device.
    std::string path;
    std::string byId;    // the /dev/serial/by-id/ link, if any
    std::string byPath;  // the /dev/serial/by-path/ link (the USB socket), if any
    std::string driver;  // e.g. "ftdi_sio", "serial8250"
    std::string usbId;   // "vvvv:pppp" for USB devices, else empty
    // Where a USB device sits: "1-1.2" is bus 1, hub port 1, port 2; with the interface of the
    // tty ("1.0", an adapter with several ports has several). Empty for other devices.
    std::string usbPort;
    std::string usbInterface;
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Serial ttys under `sysRoot`/class/tty that have a real device behind them: virtual ttys
// (no "device" link) and 8250 ports without a UART (type 0) are skipped. Sorted by name. On
// Windows: the registry's SERIALCOMM ports in number order (the roots are not used).
std::vector<SerialDeviceInfo> EnumerateSerialPorts(const std::string& sysRoot = "/sys",
                                                   const std::string& devRoot = "/dev");

// A one-line description for display: "FTDI FT232R (A12345) [0403:6001] /dev/ttyUSB0".
std::string DescribeSerialDevice(const SerialDeviceInfo& info);

// Whether the device at `path` (a device node, a link to one, or "\\.\COMn") is present
// and may be opened by this user: a port that is still being set up by udev reads as absent.
bool SerialDevicePresent(const std::string& path);

// What COM `n` is, for display: the description of the present device behind it, else its
// path; empty when the number names no device.
std::string DescribeComPort(int n, const std::string& sysRoot = "/sys",
                            const std::string& devRoot = "/dev");

// Replaces the table with the "PORTS" section of `iniPath`, gives present devices without a
// number the lowest free numbers and writes those back (Linux; Windows ports have their
// numbers). Returns false when the INI could not be written (the table is still complete in
// memory).
bool LoadComPorts(const std::string& iniPath, const std::string& sysRoot = "/sys",
                  const std::string& devRoot = "/dev");

// The device path of COM `n`: the table's entry, else on Windows "\\.\COMn"; empty when the
// number names no device.
std::string ComDevicePath(int n);
// Sets COM `n` to `path` in memory; an empty path clears it. Numbers outside 1..255 are
// ignored.
void SetComDevice(int n, std::string path);
// The number of `path`: the existing one (on Windows "\\.\COMn" is n), else the lowest free
// number, assigned in memory. 0 when all numbers are taken.
int MapComDevice(const std::string& path);
// Forgets every mapping.
void ClearComDevices();

struct ComPortEntry {
    int number;
    std::string path;
};
// The table in number order.
std::vector<ComPortEntry> ComPortTable();

// Whether `name` is a device path rather than a COM name: it starts with '/' on Linux, with
// "\\" on Windows.
bool IsDevicePath(std::string_view name);

// What a device name opens: "COMn" (case-insensitive) as ComDevicePath, a device path as it
// is; empty for anything else.
std::string ResolveComDevice(std::string_view name);

}  // namespace platform
