#include "cli/job/hints.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/com_ports.h"
#include "platform/unique_fd.h"

namespace cli {
namespace fs = std::filesystem;

std::vector<std::string> DeviceHolders(const std::string& device) {
    std::vector<std::string> holders;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec)
        return holders;
    const std::string self = std::to_string(::getpid());
    for (const auto& proc : fs::directory_iterator("/proc", ec)) {
        const std::string pid = proc.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            continue;
        std::error_code fdEc;
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", fdEc)) {
            std::error_code linkEc;
            if (fs::read_symlink(fd.path(), linkEc) == target) {
                std::string name;
                std::getline(std::ifstream(proc.path() / "comm"), name);
                holders.push_back(pid + " (" + name + ")");
                break;
            }
        }
    }
    return holders;
}

namespace {

std::string LineText(std::uint32_t rate, int bits, int parity, bool extraStopBit) {
    constexpr const char* kParity[] = {"no parity", "odd parity", "even parity", "mark parity",
                                       "space parity"};
    const char* stop = !extraStopBit ? "1 stop bit" : bits == 5 ? "1.5 stop bits" : "2 stop bits";
    return std::to_string(rate) + " bit/s, " + std::to_string(bits) + " data bits, " +
           (parity >= 0 && parity <= 4 ? kParity[parity] : "unknown parity") + ", " + stop;
}

// Asks the driver for the line again (the job has released the port) and says what it runs
// instead, when that is why the open failed.
std::vector<std::string> LineHints(const std::string& device,
                                   const platform::termios2::LineSettings& line) {
    platform::UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    platform::termios2::LineReadBack applied{};
    if (!fd || platform::termios2::ApplyLineSettings(fd.Get(), line, &applied) != ENOTSUP)
        return {};
    return {device + " does not run " +
                LineText(line.baudRate, line.byteSize, line.parity, line.stopBits != 0) +
                "; its driver runs " +
                LineText(applied.baudRate, applied.byteSize, applied.parity, applied.extraStopBit) +
                " instead",
            "choose line settings the device supports"};
}

}  // namespace

std::vector<std::string> OpenFailureHints(const std::string& message, int port,
                                          const platform::termios2::LineSettings& line) {
    // What was looked for and why it failed are the message's details already; these add what
    // a terminal can do about it.
    std::vector<std::string> hints;
    const std::string device = platform::ComDevicePath(port);
    if (message == "Open COM fail")
        return device.empty() ? hints : LineHints(device, line);
    if (message == "COM port can not be found") {
        const auto ports = platform::EnumerateSerialPorts();
        if (ports.empty()) {
            hints.push_back("no serial devices are present");
        } else {
            for (const auto& p : ports)
                hints.push_back("present: " + p.device);
        }
        hints.push_back("give a device directly with --port PATH, or list them: kven-cli ports");
        return hints;
    }
    if (message != "COM can not be accessed" || device.empty())
        return hints;
    for (const std::string& h : DeviceHolders(device))
        hints.push_back(device + " is held by process " + h);
    return hints;
}

}  // namespace cli
