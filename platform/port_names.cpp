#include "platform/port_names.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace platform {
namespace {

constexpr std::string_view kPrefix = "usb:";

// "1-1.2:1.0" as its numbers, so that 1.10 comes after 1.2.
std::vector<unsigned> Numbers(std::string_view text) {
    std::vector<unsigned> numbers;
    while (!text.empty()) {
        unsigned n = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec == std::errc()) {
            numbers.push_back(n);
            text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        } else {
            text.remove_prefix(1);
        }
    }
    return numbers;
}

bool IsHex4(std::string_view s) {
    return s.size() == 4 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The USB devices whose VID:PID is `id` ("vvvv:pppp", lower case), in socket order.
std::vector<const SerialDeviceInfo*> OfKind(const std::vector<SerialDeviceInfo>& devices,
                                            const std::string& id) {
    std::vector<const SerialDeviceInfo*> kind;
    for (const SerialDeviceInfo& d : devices) {
        if (!d.usbId.empty() && Lower(d.usbId) == id)
            kind.push_back(&d);
    }
    std::sort(kind.begin(), kind.end(),
              [](const auto* a, const auto* b) { return UsbSocketBefore(*a, *b); });
    return kind;
}

std::string Where(const SerialDeviceInfo& d) {
    std::string text = d.device;
    if (!d.usbPort.empty())
        text += " (USB socket " + d.usbPort + (d.usbInterface.empty() ? "" : ":" + d.usbInterface) +
                ")";
    return text;
}

std::string Several(std::string_view name, const std::vector<const SerialDeviceInfo*>& found,
                    std::string_view how) {
    std::string text = std::string(name) + " names " + std::to_string(found.size()) + " devices; " +
                       std::string(how) + ":";
    for (std::size_t i = 0; i < found.size(); ++i)
        text += (i ? ", " : " ") + Where(*found[i]);
    return text;
}

}  // namespace

bool IsUsbPortName(std::string_view name) {
    return name.size() > kPrefix.size() && name.starts_with(kPrefix);
}

bool UsbSocketBefore(const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
    const auto na = Numbers(a.usbPort), nb = Numbers(b.usbPort);
    if (na != nb)
        return na < nb;
    return Numbers(a.usbInterface) < Numbers(b.usbInterface);
}

UsbPortMatch ResolveUsbPortName(std::string_view name,
                                const std::vector<SerialDeviceInfo>& devices) {
    std::string_view rest = name.substr(kPrefix.size());
    // usb:VID:PID[#N]; anything else is a serial number.
    const auto hash = rest.find('#');
    const std::string_view id = rest.substr(0, hash);
    if (id.size() == 9 && id[4] == ':' && IsHex4(id.substr(0, 4)) && IsHex4(id.substr(5))) {
        const auto kind = OfKind(devices, Lower(id));
        if (hash != std::string_view::npos) {
            const std::string_view index = rest.substr(hash + 1);
            std::size_t n = 0;
            const auto [end, ec] = std::from_chars(index.data(), index.data() + index.size(), n);
            if (ec != std::errc() || end != index.data() + index.size() || n == 0)
                return {{}, std::string(name) + ": the number after # counts from 1"};
            if (n > kind.size()) {
                return {{},
                        std::string(name) + ": there " +
                            (kind.size() == 1 ? "is 1 device"
                                              : "are " + std::to_string(kind.size()) + " devices") +
                            " of that kind"};
            }
            return {kind[n - 1]->path, {}};
        }
        if (kind.size() == 1)
            return {kind.front()->path, {}};
        if (kind.empty())
            return {{}, "no USB serial device has the id " + std::string(id)};
        return {{},
                Several(name, kind,
                        "add #1 to #" + std::to_string(kind.size()) +
                            " in the order of their USB sockets")};
    }
    std::vector<const SerialDeviceInfo*> found;
    for (const SerialDeviceInfo& d : devices) {
        if (!d.serial.empty() && d.serial == rest)
            found.push_back(&d);
    }
    std::sort(found.begin(), found.end(),
              [](const auto* a, const auto* b) { return UsbSocketBefore(*a, *b); });
    if (found.size() == 1)
        return {found.front()->path, {}};
    if (found.empty())
        return {{}, "no USB serial device has the serial number " + std::string(rest)};
    return {{}, Several(name, found, "name one by its by-path link")};
}

std::string UsbPortName(const SerialDeviceInfo& device,
                        const std::vector<SerialDeviceInfo>& devices) {
    if (device.usbId.empty())
        return {};
    if (!device.serial.empty()) {
        const auto same = std::count_if(devices.begin(), devices.end(),
                                        [&](const auto& d) { return d.serial == device.serial; });
        if (same == 1)
            return std::string(kPrefix) + device.serial;
    }
    const std::string id = Lower(device.usbId);
    const auto kind = OfKind(devices, id);
    if (kind.size() <= 1)
        return std::string(kPrefix) + id;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        if (kind[i]->device == device.device)
            return std::string(kPrefix) + id + "#" + std::to_string(i + 1);
    }
    return {};
}

}  // namespace platform
