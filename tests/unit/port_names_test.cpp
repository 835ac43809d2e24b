// usb: names: which device each one stands for, and the name each device is shown with.
#include <gtest/gtest.h>

#include "platform/port_names.h"

namespace {

using platform::SerialDeviceInfo;

SerialDeviceInfo Usb(std::string tty, std::string id, std::string socket, std::string serial = {},
                     std::string interface = "1.0") {
    SerialDeviceInfo d;
    d.name = tty;
    d.device = "/dev/" + tty;
    d.path = "/dev/serial/by-path/usb-" + socket + ":" + interface;
    d.usbId = std::move(id);
    d.usbPort = std::move(socket);
    d.usbInterface = std::move(interface);
    d.serial = std::move(serial);
    return d;
}

SerialDeviceInfo Plain(const std::string& tty) {
    SerialDeviceInfo d;
    d.name = tty;
    d.device = d.path = "/dev/" + tty;
    return d;
}

TEST(PortNames, UsbNamesFindTheirDeviceBySerialByIdOrBySocket) {
    // Two CH340 without serial numbers, their tty names not in socket order; an FTDI with one.
    const std::vector<SerialDeviceInfo> devices = {
        Usb("ttyUSB0", "1a86:7523", "1-1.10"), Usb("ttyUSB1", "1a86:7523", "1-1.2"),
        Usb("ttyUSB2", "0403:6001", "2-1", "A12345"), Plain("ttyS0")};
    const auto resolve = [&](std::string_view name) {
        return platform::ResolveUsbPortName(name, devices);
    };
    EXPECT_EQ(resolve("usb:1a86:7523#1").path, devices[1].path);  // socket 1.2 before 1.10
    EXPECT_EQ(resolve("usb:1A86:7523#2").path, devices[0].path);
    EXPECT_EQ(resolve("usb:A12345").path, devices[2].path);
    EXPECT_EQ(resolve("usb:0403:6001").path, devices[2].path);

    EXPECT_EQ(resolve("usb:1a86:7523").error,
              "usb:1a86:7523 names 2 devices; add #1 to #2 in the order of their USB sockets: "
              "/dev/ttyUSB1 (USB socket 1-1.2:1.0), /dev/ttyUSB0 (USB socket 1-1.10:1.0)");
    EXPECT_EQ(resolve("usb:1a86:7523#3").error,
              "usb:1a86:7523#3: there are 2 devices of that kind");
    EXPECT_EQ(resolve("usb:1a86:7523#0").error,
              "usb:1a86:7523#0: the number after # counts from 1");
    EXPECT_EQ(resolve("usb:ffff:0001").error, "no USB serial device has the id ffff:0001");
    EXPECT_EQ(resolve("usb:B999").error, "no USB serial device has the serial number B999");

    EXPECT_EQ(platform::UsbPortName(devices[0], devices), "usb:1a86:7523#2");
    EXPECT_EQ(platform::UsbPortName(devices[1], devices), "usb:1a86:7523#1");
    EXPECT_EQ(platform::UsbPortName(devices[2], devices), "usb:A12345");
    EXPECT_EQ(platform::UsbPortName(devices[3], devices), "");
}

TEST(PortNames, AnAdapterWithSeveralPortsIsToldApartByInterface) {
    // A dual FT2232: one serial number, two interfaces.
    const std::vector<SerialDeviceInfo> devices = {
        Usb("ttyUSB1", "0403:6010", "1-3", "FT01", "1.1"),
        Usb("ttyUSB0", "0403:6010", "1-3", "FT01", "1.0")};
    EXPECT_NE(platform::ResolveUsbPortName("usb:FT01", devices).error.find("names 2 devices"),
              std::string::npos);
    EXPECT_EQ(platform::ResolveUsbPortName("usb:0403:6010#1", devices).path, devices[1].path);
    EXPECT_EQ(platform::UsbPortName(devices[0], devices), "usb:0403:6010#2");
}

}  // namespace
