// Names for a slot of a fixture that stay with it: usb:SERIAL names the adapter with that USB
// serial number, usb:VID:PID the one adapter of that kind, and usb:VID:PID#N the Nth of
// several, counted in the order of their USB sockets (bus, then hub ports). Adapters without a
// serial number (CH340, PL2303) share one by-id name; their sockets tell them apart, so the
// same adapters in the same sockets keep their numbers across re-plugging and reboots, whatever
// tty names the kernel gave them.
//
// Threading: pure functions over a list of devices; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com_ports.h"

namespace platform {

// Whether `name` is a usb: name.
bool IsUsbPortName(std::string_view name);

struct UsbPortMatch {
    std::string path;   // the device's stable path; empty when none or several match
    std::string error;  // why not, for people: nothing matches, or which several do
};

// The device `name` (a usb: name) stands for among `devices`.
UsbPortMatch ResolveUsbPortName(std::string_view name,
                                const std::vector<SerialDeviceInfo>& devices);

// The shortest usb: name of `device`, one of `devices` (the same device node), that names it
// alone among them: usb:SERIAL when its
// serial number is its own, else usb:VID:PID when no other adapter has that id, else
// usb:VID:PID#N. Empty for a device that is not on USB.
std::string UsbPortName(const SerialDeviceInfo& device,
                        const std::vector<SerialDeviceInfo>& devices);

// Orders USB devices by their socket ("1-1.2" before "1-1.10" before "2-1"), then interface.
bool UsbSocketBefore(const SerialDeviceInfo& a, const SerialDeviceInfo& b);

}  // namespace platform
