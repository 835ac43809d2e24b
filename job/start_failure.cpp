#include "job/start_failure.h"

#include "platform/access_hint.h"
#include "platform/com_ports.h"
#include "serial/serial_port.h"

namespace {

// "<what> failed: <reason>." or "<what> failed."
std::string Failed(const std::string& what, const std::string& reason) {
    return what + " failed" + (reason.empty() ? "" : ": " + reason) + ".";
}

// Which of Open's steps a code names, and how it failed.
std::string FailedStep(std::uint32_t code, const std::string& reason, const PortLine& line) {
    switch (code) {
        case SP_NO_DEVICE:
        case SP_ACCESS_DENIED:
        case SP_OPEN_FAILED:
            return Failed("Opening it", reason);
        case SP_SET_STATE_FAILED:
            return Failed("Setting its line (" + LineText(line) + ")", reason);
        case SP_SET_MASK_FAILED:
        case SP_SET_TIMEOUTS_FAILED:
        case SP_SETUP_FAILED:
        case SP_PURGE_FAILED:
            return Failed("Setting it up", reason);
        default:
            return Failed(
                "Starting the port's threads and buffers (code " + std::to_string(code) + ")",
                reason);
    }
}

}  // namespace

std::string LineText(const PortLine& line) {
    constexpr const char* kParity[] = {"no parity", "odd parity", "even parity", "mark parity",
                                       "space parity"};
    constexpr const char* kStopBits[] = {"1 stop bit", "1.5 stop bits", "2 stop bits"};
    return std::to_string(line.baudRate) + " bit/s, " + std::to_string(line.byteSize) +
           " data bits, " + (line.parity <= 4 ? kParity[line.parity] : "unknown parity") + ", " +
           (line.stopBits <= 2 ? kStopBits[line.stopBits] : "unknown stop bits");
}

std::string PortOpenDetails(int port, std::uint32_t code, const std::string& reason,
                            const PortLine& line) {
    const std::string com = "COM" + std::to_string(port);
    if (port < 1)
        return "No COM port is chosen.";
    if (port > platform::kMaxComNumber) {
        return com + " is past the last COM number, COM" + std::to_string(platform::kMaxComNumber) +
               ".";
    }
    const std::string device = platform::ComDevicePath(port);
    if (device.empty())
        return com + " names no device.";
    std::string details = com + " is " + device + ".\n" + FailedStep(code, reason, line);
    if (code == SP_ACCESS_DENIED) {
        for (const std::string& hint : platform::AccessHints(device))
            details += "\n" + hint;
    }
    return details;
}

std::string ImageOpenDetails(const std::string& path, const std::string& reason) {
    if (path.empty())
        return "No image file is named.";
    return "The image file is " + path + ".\n" + Failed("Opening it", reason);
}
