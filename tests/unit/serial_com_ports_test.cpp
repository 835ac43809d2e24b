// COM numbers: sysfs enumeration over a fake tree, the "PORTS" section and the resolver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/com_ports.h"
#include "platform/port_names.h"
#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;

class ComPortsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("kven_com_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        sys = root / "sys";
        dev = root / "dev";
        fs::create_directories(sys / "class" / "tty");
        fs::create_directories(dev / "serial" / "by-id");
        ClearComDevices();

        Tty("tty0", "", "", "");  // a virtual console: no device link
        Tty("ttyS0", "devices/platform/serial8250/tty/ttyS0", "serial8250", "4");
        Tty("ttyS1", "devices/platform/serial8250/tty/ttyS1", "serial8250", "0");
        Tty("ttyUSB0", "devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0", "ftdi_sio", "");
        Usb("devices/pci0000:00/usb1/1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A12345");
        Tty("ttyACM0", "devices/pci0000:00/usb1/1-2/1-2:1.0", "cdc_acm", "");
        Usb("devices/pci0000:00/usb1/1-2", "2341", "0043", "Arduino", "Uno", "");
        fs::create_symlink("../../ttyUSB0",
                           dev / "serial" / "by-id" / "usb-FTDI_FT232R_A12345-if00-port0");
        ini = (root / "kven.INI").string();
    }
    void TearDown() override {
        ClearComDevices();
        fs::remove_all(root);
    }

    static void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    void Tty(const std::string& name, const std::string& device, const std::string& driver,
             const std::string& type) {
        const fs::path dir = sys / "class" / "tty" / name;
        fs::create_directories(dir);
        if (!type.empty())
            Write(dir / "type", type);
        if (device.empty())
            return;
        fs::create_directories(sys / device);
        fs::create_symlink(sys / device, dir / "device");
        fs::create_directories(sys / "bus" / "drivers" / driver);
        fs::create_symlink(sys / "bus" / "drivers" / driver, sys / device / "driver");
    }
    void Usb(const std::string& dir, const std::string& vid, const std::string& pid,
             const std::string& maker, const std::string& product, const std::string& serial) {
        Write(sys / dir / "idVendor", vid);
        Write(sys / dir / "idProduct", pid);
        Write(sys / dir / "manufacturer", maker);
        Write(sys / dir / "product", product);
        if (!serial.empty())
            Write(sys / dir / "serial", serial);
    }
    std::string Dev(const std::string& name) const { return (dev / name).string(); }
    std::string ById() const {
        return (dev / "serial" / "by-id" / "usb-FTDI_FT232R_A12345-if00-port0").string();
    }

    fs::path root, sys, dev;
    std::string ini;
};

TEST_F(ComPortsTest, EnumerationSkipsVirtualAndAbsentPorts) {
    const auto found = EnumerateSerialPorts(sys.string(), dev.string());
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, "ttyACM0");
    EXPECT_EQ(found[0].usbId, "2341:0043");
    EXPECT_EQ(found[0].path, Dev("ttyACM0"));
    EXPECT_EQ(found[1].name, "ttyS0");
    EXPECT_EQ(found[1].driver, "serial8250");
    EXPECT_TRUE(found[1].usbId.empty());
    const SerialDeviceInfo& usb = found[2];
    EXPECT_EQ(usb.name, "ttyUSB0");
    EXPECT_EQ(usb.device, Dev("ttyUSB0"));
    EXPECT_EQ(usb.path, ById());
    EXPECT_EQ(usb.driver, "ftdi_sio");
    EXPECT_EQ(usb.usbId, "0403:6001");
    EXPECT_EQ(usb.manufacturer, "FTDI");
    EXPECT_EQ(usb.product, "FT232R USB UART");
    EXPECT_EQ(usb.serial, "A12345");
    EXPECT_EQ(DescribeSerialDevice(usb),
              "FTDI FT232R USB UART (A12345) [0403:6001] " + Dev("ttyUSB0"));
}

// Known devices keep their numbers (also absent ones); new ones take the lowest free numbers
// and are written back, so a second start numbers them the same.
TEST_F(ComPortsTest, LoadNumbersNewDevicesAndWritesThemBack) {
    std::ofstream(ini) << "[CURRENT]\nPORT=3\n[ports]\ncom1 = " << Dev("ttyS0")
                       << "\nCOM3=/dev/ttyGone\nCOMX=/dev/ignored\n";
    ASSERT_TRUE(LoadComPorts(ini, sys.string(), dev.string()));
    EXPECT_EQ(ComDevicePath(1), Dev("ttyS0"));
    EXPECT_EQ(ComDevicePath(2), Dev("ttyACM0"));
    EXPECT_EQ(ComDevicePath(3), "/dev/ttyGone");
    EXPECT_EQ(ComDevicePath(4), ById());
    EXPECT_EQ(ComDevicePath(5), "");

    const IniFile saved = IniFile::Load(ini);
    EXPECT_EQ(saved.Get("CURRENT", "PORT"), "3");
    EXPECT_EQ(saved.Get("PORTS", "COM2"), Dev("ttyACM0"));
    EXPECT_EQ(saved.Get("PORTS", "COM4"), ById());

    EXPECT_EQ(DescribeComPort(4, sys.string(), dev.string()),
              "FTDI FT232R USB UART (A12345) [0403:6001] " + Dev("ttyUSB0"));
    EXPECT_EQ(DescribeComPort(3, sys.string(), dev.string()), "/dev/ttyGone");
    EXPECT_EQ(DescribeComPort(5, sys.string(), dev.string()), "");

    ClearComDevices();
    ASSERT_TRUE(LoadComPorts(ini, sys.string(), dev.string()));
    EXPECT_EQ(ComPortTable().size(), 4u);
    EXPECT_EQ(ComDevicePath(4), ById());
}

// An adapter entered by its /dev name is the same device as its by-id link.
TEST_F(ComPortsTest, DeviceKnownByItsNodeIsNotNumberedTwice) {
    std::ofstream(ini) << "[PORTS]\nCOM7=" << Dev("ttyUSB0") << "\n";
    ASSERT_TRUE(LoadComPorts(ini, sys.string(), dev.string()));
    EXPECT_EQ(ComDevicePath(7), Dev("ttyUSB0"));
    for (const auto& e : ComPortTable()) {
        if (e.number != 7) {
            EXPECT_NE(e.path, ById());
        }
    }
}

TEST_F(ComPortsTest, MappingInMemory) {
    SetComDevice(1, "/dev/a");
    SetComDevice(3, "/dev/c");
    SetComDevice(0, "/dev/zero-is-no-port");
    SetComDevice(256, "/dev/too-high");
    EXPECT_EQ(MapComDevice("/dev/c"), 3);
    EXPECT_EQ(MapComDevice("/dev/b"), 2);
    EXPECT_EQ(MapComDevice("/dev/d"), 4);
    SetComDevice(1, "");
    EXPECT_EQ(ComDevicePath(1), "");
    EXPECT_EQ(MapComDevice("/dev/e"), 1);
    EXPECT_EQ(ComPortTable().size(), 4u);
    for (int n = 1; n <= kMaxComNumber; ++n)
        SetComDevice(n, "/dev/x" + std::to_string(n));
    EXPECT_EQ(MapComDevice("/dev/full"), 0);
}

// Two identical CH340 adapters without serial numbers: udev gives them one by-id name, which
// points at whichever came last; their by-path names and usb:1a86:7523#N follow their sockets,
// and so do their COM numbers, through a reboot that hands out the tty names the other way.
TEST_F(ComPortsTest, TwoAdaptersWithoutSerialNumbersKeepTheNamesOfTheirSockets) {
    const auto plug = [&](const std::string& tty, const std::string& socket) {
        const std::string usb = "devices/pci0000:00/usb2/2-1/" + socket;
        Tty(tty, usb + "/" + socket + ":1.0/" + tty, "ch341-uart", "");
        Usb(usb, "1a86", "7523", "", "USB Serial", "");
        const std::string byPath = "pci-0000:00:14.0-usb-0:" + socket.substr(2) + ":1.0-port0";
        fs::remove(dev / "serial" / "by-path" / byPath);
        fs::create_directories(dev / "serial" / "by-path");
        fs::create_symlink("../../" + tty, dev / "serial" / "by-path" / byPath);
        fs::remove(dev / "serial" / "by-id" / "usb-1a86_USB_Serial-if00-port0");
        fs::create_symlink("../../" + tty,
                           dev / "serial" / "by-id" / "usb-1a86_USB_Serial-if00-port0");
        return (dev / "serial" / "by-path" / byPath).string();
    };
    const auto unplug = [&](const std::string& tty) {
        fs::remove_all(sys / "class" / "tty" / tty);
    };
    const auto find = [](const std::vector<SerialDeviceInfo>& all, const std::string& tty) {
        for (const auto& d : all) {
            if (d.name == tty)
                return d;
        }
        return SerialDeviceInfo{};
    };

    const std::string near = plug("ttyUSB1", "2-1.2");
    const std::string far = plug("ttyUSB2", "2-1.10");
    auto found = EnumerateSerialPorts(sys.string(), dev.string());
    const SerialDeviceInfo a = find(found, "ttyUSB1"), b = find(found, "ttyUSB2");
    EXPECT_EQ(a.path, near);
    EXPECT_EQ(b.path, far);  // not the by-id name it only seems to own
    EXPECT_EQ(b.byId, (dev / "serial" / "by-id" / "usb-1a86_USB_Serial-if00-port0").string());
    EXPECT_EQ(a.usbPort, "2-1.2");
    EXPECT_EQ(a.usbInterface, "1.0");
    EXPECT_EQ(UsbPortName(a, found), "usb:1a86:7523#1");
    EXPECT_EQ(UsbPortName(b, found), "usb:1a86:7523#2");
    ASSERT_TRUE(LoadComPorts(ini, sys.string(), dev.string()));
    const auto numbers = ComPortTable();

    // The reboot: the adapter in socket 2-1.10 is found first this time.
    unplug("ttyUSB1");
    unplug("ttyUSB2");
    fs::remove_all(sys / "devices/pci0000:00/usb2");
    EXPECT_EQ(plug("ttyUSB1", "2-1.10"), far);
    EXPECT_EQ(plug("ttyUSB2", "2-1.2"), near);
    found = EnumerateSerialPorts(sys.string(), dev.string());
    EXPECT_EQ(ResolveUsbPortName("usb:1a86:7523#1", found).path, near);
    EXPECT_EQ(find(found, "ttyUSB2").device, Dev("ttyUSB2"));
    EXPECT_EQ(find(found, "ttyUSB2").path, near);
    ClearComDevices();
    ASSERT_TRUE(LoadComPorts(ini, sys.string(), dev.string()));
    const auto again = ComPortTable();
    ASSERT_EQ(again.size(), numbers.size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].number, numbers[i].number);
        EXPECT_EQ(again[i].path, numbers[i].path);
    }
}

TEST_F(ComPortsTest, Resolver) {
    SetComDevice(4, "/dev/ttyUSB9");
    SetComDevice(255, "/dev/last");
    const std::pair<const char*, const char*> cases[] = {
        {"COM4", "/dev/ttyUSB9"},
        {"com4", "/dev/ttyUSB9"},
        {"COM255", "/dev/last"},
        {"/dev/ttyS3", "/dev/ttyS3"},
        {"COM5", ""},
        {"COM04", ""},
        {"COM0", ""},
        {"COM256", ""},
        {"COM-1", ""},
        {"COM4x", ""},
        {"LPT1", ""},
        {"", ""},
        {"ttyS0", ""},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(ResolveComDevice(name), path) << name;
}

}  // namespace
