// Hints after a failed start on Windows: which ports exist, and that another program holds the
// port (Windows opens a COM port for one program at a time).
#include "cli/job/hints.h"
#include "platform/com_ports.h"

namespace cli {

std::vector<std::string> OpenFailureHints(const std::string& message, int port,
                                          const platform::termios2::LineSettings&) {
    const std::string com = "COM" + std::to_string(port);
    const std::string device = platform::ComDevicePath(port);
    if (message == "Open COM fail")
        return {device +
                " refused the line settings or its configuration; check that the "
                "device supports them"};
    if (message == "COM port can not be found") {
        std::vector<std::string> hints{com + " is " + device + ", which does not exist"};
        const auto ports = platform::EnumerateSerialPorts();
        if (ports.empty()) {
            hints.push_back("no serial ports are present");
        } else {
            for (const auto& p : ports)
                hints.push_back("present: " + p.name + " (" + p.driver + ")");
        }
        hints.push_back(
            "give a device directly with --port \\\\.\\NAME, or list them: "
            "kven-cli ports");
        return hints;
    }
    if (message == "COM can not be accessed")
        return {device + " is open in another program; close that program and try again"};
    return {};
}

}  // namespace cli
